#include "core/forms/dialogform.h"

#include <limits>

#include "core/util/numfmt.h"

namespace zefo {

DialogResult badfield(DialogResult r, int field, const std::string& msg) {
    r.status = DialogResult::BadField;
    r.field = field;
    r.message = msg;
    return r;
}

std::optional<long long> typedcount(const std::string& text) {
    std::string t;
    for (char c : text) {
        if (c == ' ') continue;
        if (c < '0' || c > '9') return std::nullopt;
        t += c;
    }
    if (t.empty()) return 0;
    return parseint(t).value_or(std::numeric_limits<long long>::max());
}

}  // namespace zefo
