// Number formats of files, reports and logs; independent of the process locale.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace zefo {

// The 23-character real of the lens data file: sign or blank, d.dddddddddddddd, E, +/-, 4 digits.
std::string fmtreal(double v);

// F(w.d): fixed point with d decimals, right-aligned in w characters (wider when needed). A
// number that is not finite comes out as "nan" or "inf" and is counted (see FiniteWatch).
std::string fmtf(double v, int w, int d);

// The message of a result that is not a finite number.
inline constexpr const char* nonfinitemsg = "A result is not a finite number";

// Watches the numbers fmtf writes in this thread: finite() holds while none since the watch
// began (or restarted) was "nan" or "inf". A report keeps one, so that no such text reaches a
// report file or window.
class FiniteWatch {
public:
    FiniteWatch();
    bool finite() const;
    void restart();

private:
    unsigned long long start_;
};

// I(w): integer right-aligned in w characters.
std::string fmti(long long v, int w = 0);

// Parses a whole token as a real ("1.5", "-3", "+2E-0004"); empty when it is not a number.
std::optional<double> parsereal(std::string_view s);

// Parses a whole token as a decimal integer; empty when it is not one.
std::optional<long long> parseint(std::string_view s);

// Text of a number typed in a dialog: blanks removed, "," taken as ".".
std::optional<double> parsetyped(std::string_view s);

// The message of a typed text that is no number.
inline constexpr const char* notanumbermsg = "Not a valid number!";

}  // namespace zefo
