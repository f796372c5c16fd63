// The questions a calculation asks in its middle: answered by dialogs in the program, by
// command-line options in zefo-batch and by scripted answers in the tests.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace zefo {

enum class Answer { yes, no, cancel };

// A number to enter: the dialog shows label and the initial value (width, decimals) and
// keeps asking while check gives a message (empty: the value is accepted).
struct NumberQuestion {
    std::string caption, label, hint;
    double initial = 0;
    int width = 8, decimals = 3;
    std::string (*check)(double) = nullptr;
};

class Interaction {
public:
    virtual ~Interaction() = default;
    // A question answered with Yes, No or Cancel.
    virtual Answer confirm(const std::string& caption, const std::string& text) = 0;
    // One of the choices (index), or empty for a cancel; preselected is shown chosen.
    virtual std::optional<int> choose(const std::string& caption, const std::vector<std::string>& choices,
                                      int preselected) = 0;
    // A number that passes the question's check, or empty for a cancel.
    virtual std::optional<double> enternumber(const NumberQuestion& q) = 0;
};

}  // namespace zefo
