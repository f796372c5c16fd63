#include "batch/json.h"

#include <charconv>
#include <cmath>
#include <cstdio>

namespace zefo::batch {

void JsonWriter::separate() {
    if (afterkey_) {
        afterkey_ = false;
        return;
    }
    if (!first_.empty()) {
        if (!first_.back()) out_ += ',';
        first_.back() = false;
    }
}

void JsonWriter::open(char c) {
    separate();
    out_ += c;
    first_.push_back(true);
}

void JsonWriter::close(char c) {
    out_ += c;
    first_.pop_back();
}

void JsonWriter::key(const std::string& k) {
    string(k);
    out_ += ':';
    afterkey_ = true;
}

void JsonWriter::number(double v) {
    separate();
    if (!std::isfinite(v)) {
        finite_ = false;
        out_ += "null";
        return;
    }
    char buf[32];
    auto r = std::to_chars(buf, buf + sizeof buf, v);
    out_.append(buf, r.ptr);
}

void JsonWriter::integer(long long v) {
    separate();
    out_ += std::to_string(v);
}

void JsonWriter::string(const std::string& s) {
    separate();
    out_ += '"';
    for (unsigned char c : s) {
        if (c == '"' || c == '\\') {
            out_ += '\\';
            out_ += static_cast<char>(c);
        } else if (c < 0x20) {
            char buf[8];
            std::snprintf(buf, sizeof buf, "\\u%04x", c);
            out_ += buf;
        } else {
            out_ += static_cast<char>(c);
        }
    }
    out_ += '"';
}

void JsonWriter::boolean(bool b) {
    separate();
    out_ += b ? "true" : "false";
}

void JsonWriter::field(const std::string& k, const std::vector<double>& v) {
    key(k);
    beginarray();
    for (double x : v) number(x);
    endarray();
}

std::string JsonWriter::trimmed(const std::string& s) {
    const size_t a = s.find_first_not_of(" \t");
    if (a == std::string::npos) return {};
    return s.substr(a, s.find_last_not_of(" \t") - a + 1);
}

void JsonWriter::names(const std::string& k, const std::vector<std::string>& v) {
    key(k);
    beginarray();
    for (const auto& s : v) string(trimmed(s));
    endarray();
}

}  // namespace zefo::batch
