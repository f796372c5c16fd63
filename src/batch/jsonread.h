// A small JSON reader: parses the whole text strictly (an error names the place) into a
// tree of values, at most 64 levels deep, numbers finite. zefo-batch reads its lens description files with it, the tests its output.
#pragma once

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdlib>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

namespace zefo::batch {

struct JsonValue {
    enum Kind { Null, Bool, Number, String, Array, Object } kind = Null;
    bool boolean = false;
    double number = 0;
    std::string text;
    std::vector<JsonValue> items;            // Array
    std::map<std::string, JsonValue> keys;   // Object

    bool has(const std::string& k) const { return kind == Object && keys.count(k) > 0; }
    const JsonValue& operator[](const std::string& k) const {
        if (!has(k)) throw std::runtime_error("no key " + k);
        return keys.at(k);
    }
    const JsonValue& operator[](size_t i) const {
        if (kind != Array || i >= items.size()) throw std::runtime_error("no item " + std::to_string(i));
        return items[i];
    }
    size_t size() const { return kind == Array ? items.size() : keys.size(); }
    double num() const {
        if (kind != Number) throw std::runtime_error("not a number");
        return number;
    }
    const std::string& str() const {
        if (kind != String) throw std::runtime_error("not a string");
        return text;
    }
    std::vector<double> numbers() const {
        std::vector<double> v;
        for (const auto& x : items) v.push_back(x.num());
        return v;
    }
    std::vector<std::string> strings() const {
        std::vector<std::string> v;
        for (const auto& x : items) v.push_back(x.str());
        return v;
    }
};

class JsonReader {
public:
    explicit JsonReader(const std::string& s) : s_(s) {}

    JsonValue document() {
        JsonValue v = value();
        blanks();
        if (p_ != s_.size()) fail("text after the value");
        return v;
    }

private:
    [[noreturn]] void fail(const std::string& what) const {
        const size_t at = std::min(p_, s_.size());
        throw std::runtime_error("JSON: " + what + " at " + std::to_string(at) + ": " + s_.substr(at, 40));
    }
    void blanks() {
        while (p_ < s_.size() && std::isspace(static_cast<unsigned char>(s_[p_]))) ++p_;
    }
    bool take(char c) {
        blanks();
        if (p_ < s_.size() && s_[p_] == c) {
            ++p_;
            return true;
        }
        return false;
    }
    void expect(char c) {
        if (!take(c)) fail(std::string("expected ") + c);
    }
    bool word(const char* w) {
        const std::string t(w);
        if (s_.compare(p_, t.size(), t) != 0) return false;
        p_ += t.size();
        return true;
    }
    std::string stringtext() {
        expect('"');
        std::string out;
        while (p_ < s_.size() && s_[p_] != '"') {
            char c = s_[p_++];
            if (static_cast<unsigned char>(c) < 0x20) fail("control character in a string");
            if (c == '\\') {
                if (p_ >= s_.size()) fail("escape at the end");
                c = s_[p_++];
                if (c == 'u') {
                    unicodeescape(out);
                    continue;
                }
                if (c == 'n') c = '\n';
                else if (c == 't') c = '\t';
                else if (c != '"' && c != '\\' && c != '/') fail("unknown escape");
            }
            out += c;
        }
        expect('"');
        return out;
    }
    // Four hex digits after "\\u" (checked before they are read).
    unsigned hex4() {
        if (s_.size() - p_ < 4) fail("escape cut short");
        unsigned v = 0;
        for (int i = 0; i < 4; ++i) {
            const char h = s_[p_];
            if (!std::isxdigit(static_cast<unsigned char>(h))) fail("bad escape digit");
            v = v * 16 + static_cast<unsigned>(std::isdigit(static_cast<unsigned char>(h)) ? h - '0' : std::tolower(h) - 'a' + 10);
            ++p_;
        }
        return v;
    }
    // The character of a "\\u" escape (a surrogate pair for one beyond U+FFFF) as UTF-8.
    void unicodeescape(std::string& out) {
        unsigned cp = hex4();
        if (cp >= 0xDC00 && cp <= 0xDFFF) fail("lone low surrogate");
        if (cp >= 0xD800 && cp <= 0xDBFF) {
            if (!word("\\u")) fail("lone high surrogate");
            const unsigned lo = hex4();
            if (lo < 0xDC00 || lo > 0xDFFF) fail("lone high surrogate");
            cp = 0x10000 + ((cp - 0xD800) << 10) + (lo - 0xDC00);
        }
        if (cp < 0x80) {
            out += static_cast<char>(cp);
        } else if (cp < 0x800) {
            out += static_cast<char>(0xC0 | (cp >> 6));
            out += static_cast<char>(0x80 | (cp & 0x3F));
        } else if (cp < 0x10000) {
            out += static_cast<char>(0xE0 | (cp >> 12));
            out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (cp & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (cp >> 18));
            out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (cp & 0x3F));
        }
    }
    // A number as JSON writes it: -?(0|[1-9][0-9]*)(.[0-9]+)?([eE][+-]?[0-9]+)?, finite.
    double number() {
        const size_t start = p_;
        const auto digits = [this] {
            const size_t from = p_;
            while (p_ < s_.size() && std::isdigit(static_cast<unsigned char>(s_[p_]))) ++p_;
            return p_ > from;
        };
        if (p_ < s_.size() && s_[p_] == '-') ++p_;
        if (p_ < s_.size() && s_[p_] == '0') ++p_;
        else if (!digits()) fail("not a value");
        if (p_ < s_.size() && s_[p_] == '.') {
            ++p_;
            if (!digits()) fail("digits expected after the point");
        }
        if (p_ < s_.size() && (s_[p_] == 'e' || s_[p_] == 'E')) {
            ++p_;
            if (p_ < s_.size() && (s_[p_] == '+' || s_[p_] == '-')) ++p_;
            if (!digits()) fail("digits expected in the exponent");
        }
        const double v = std::strtod(s_.substr(start, p_ - start).c_str(), nullptr);
        if (!std::isfinite(v)) {
            p_ = start;
            fail("number out of range");
        }
        return v;
    }
    JsonValue value() {
        blanks();
        if (p_ >= s_.size()) fail("value expected");
        // Every nesting level costs stack: deeper input is refused, never a crash.
        if (depth_ >= kmaxdepth) fail("nesting deeper than " + std::to_string(kmaxdepth) + " levels");
        struct Level {
            int& d;
            explicit Level(int& x) : d(x) { ++d; }
            ~Level() { --d; }
        } level(depth_);
        JsonValue v;
        const char c = s_[p_];
        if (c == '{') {
            v.kind = JsonValue::Object;
            ++p_;
            if (take('}')) return v;
            do {
                blanks();
                const std::string k = stringtext();
                expect(':');
                if (!v.keys.emplace(k, value()).second) fail("key twice: " + k);
            } while (take(','));
            expect('}');
        } else if (c == '[') {
            v.kind = JsonValue::Array;
            ++p_;
            if (take(']')) return v;
            do v.items.push_back(value());
            while (take(','));
            expect(']');
        } else if (c == '"') {
            v.kind = JsonValue::String;
            v.text = stringtext();
        } else if (word("true") || word("false")) {
            v.kind = JsonValue::Bool;
            v.boolean = s_[p_ - 1] == 'e' && s_[p_ - 2] == 'u';
        } else if (word("null")) {
            v.kind = JsonValue::Null;
        } else {
            v.kind = JsonValue::Number;
            v.number = number();
        }
        return v;
    }

    static constexpr int kmaxdepth = 64;
    const std::string& s_;
    size_t p_ = 0;
    int depth_ = 0;
};

// The text parsed as one JSON value; std::runtime_error names the place of a fault.
inline JsonValue parsejson(const std::string& text) { return JsonReader(text).document(); }

}  // namespace zefo::batch
