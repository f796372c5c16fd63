// The parameter set of the evolutionary optimizers and its data files (one value a line,
// reals in a 23-character scientific field).
#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace zefo {

struct EAParams {
    int kind = 1;            // 1, 2 general GA, 3 ASSGA, 4 EVOL, 5 GRUP, 6 REKO, 7 KORR
    int variant = 1;         // kind 2 only; no dialog edits it
    // GA general
    int popsize = 200, maxgen = 5000, meritstart = 200, meritstep = 1;
    int radcoef = 2, sepcoef = 2, coniccoef = 2, asphcoef = 2;
    int initpop = 1;         // 1 uniform, 2 normal random
    int mutparent = 1;       // 1 first, 2 second, 3 random parent
    // GA probabilities
    double pcross = 0.6, pmut = 0.0333;
    std::array<double, 5> shares{20, 20, 20, 20, 20};   // uniform, average, real, big, small
    int realmaxcoef = 10, bigmaxcoef = 4, smallmaxcoef = 2;
    double preal = 0.5, pbig = 0.7, psmall = 0.7;
    // ASSGA
    int opspergen = 10, opsbeforetest = 50;
    std::array<double, 5> minshares{5, 5, 5, 5, 5};
    // ES
    double convabs = 1e-6, convrel = 1e-6, stepabs = 1e-6, steprel = 1e-6;
    double stepadjust = 0.85, initstep = 1.0;
    int evolconv = 2, evolstep = 1;
    int parents = 10, offspring = 100;
    bool recombine = false;  // set for REKO, clear for GRUP
    int korrconvgen = 1, plus = 0, norotate = 0, recombcode = 333;
    double angle = 0;

    bool operator==(const EAParams&) const = default;
};

// The first value a dialog refuses, in the order of its fields: the field's number
// (0 based) and the message; field -1 when every value passes.
struct EAFault {
    int field = -1;
    std::string message;
    bool combined = false;   // the refusal is of several fields together (a quotient, a sum)
    bool ok() const { return field < 0; }
};
EAFault checkgageneral(const EAParams& p);
EAFault checkgaprobabilities(const EAParams& p);
EAFault checkassga(const EAParams& p);
EAFault checkes(const EAParams& p, int kind);   // kind 4 EVOL, 5 or 6 GRUP/REKO, 7 KORR

// A real in 23 characters: sign or blank, d.dddddddddddddd, E, exponent sign, four digits.
std::string eareal(double x);
// The value a data file keeps of x (x rounded to 15 significant digits): the dialogs check
// reals as stored, so that a set they accept is saved and loads again.
double eastored(double x);

// The file extension of a kind (".gad", ".esd", ".esg", ".esr", ".esk"), empty for others.
std::string eaextension(int kind);

// The data file of p's kind.
std::string eafiletext(const EAParams& p);

// Writes the data file of p's kind whole; a text the loader would refuse is not written.
// Returns an error message or empty.
std::string saveeafile(const std::string& path, const EAParams& p);

// Reads a data file into p. wantkind (0: any) refuses a file of another kind. A file that
// is unreadable, malformed or out of range leaves p unchanged and returns the message.
std::string loadeafile(const std::string& path, EAParams& p, int wantkind = 0);
std::string parseeatext(const std::string& text, EAParams& p, int wantkind = 0);

}  // namespace zefo
