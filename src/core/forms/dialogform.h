// What every parameter dialog shares, without the widgets: its edit fields (label, mask,
// hint), the result of pressing OK, and the reading of typed numbers. A front end draws
// the fields, hands the typed texts to the form's OK function and shows its result.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace zefo {

// One edit field of a parameter dialog: label, edit mask ("9" digit, "#" digit or sign),
// status-line hint shown when the field is entered.
struct DialogField {
    std::string label, mask, hint;
};

// Result of pressing OK in a parameter dialog: accepted, a bad field (message shown, the
// previous value restored, the field focused), or cancelled from a dialog it asked.
struct DialogResult {
    enum Status { Accepted, BadField, Cancelled } status = Accepted;
    int field = -1;                // index of the bad field in the dialog's field order
    std::string message;           // its message (box caption "Error")
    std::vector<std::string> log;  // "New value for ..." lines of the accepted values
    bool changed = false;          // an accepted value differs from the one before
    unsigned stale = 0;            // the results the accepted values make stale (IqResult bits)
};

// The result r with field marked bad by msg.
DialogResult badfield(DialogResult r, int field, const std::string& msg);

// A typed integer of a digit-masked field, blanks removed: an empty field counts as 0, a
// text with anything but digits (a sign, a point, a letter) is no number, and digits too
// many for a long long count as the largest value.
std::optional<long long> typedcount(const std::string& text);

}  // namespace zefo
