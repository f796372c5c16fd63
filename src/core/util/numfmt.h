// Number formats of files, reports and logs; independent of the process locale.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace zefo {

// The 23-character real of the lens data file: sign or blank, d.dddddddddddddd, E, +/-, 4 digits.
std::string fmtreal(double v);

// F(w.d): fixed point with d decimals, right-aligned in w characters (wider when needed).
std::string fmtf(double v, int w, int d);

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
