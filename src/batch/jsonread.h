// A small JSON reader: parses the whole text strictly (an error names the place) into a
// tree of values. zefo-batch reads its lens description files with it, the tests its output.
#pragma once

#include <cctype>
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
        throw std::runtime_error("JSON: " + what + " at " + std::to_string(p_) + ": " + s_.substr(p_, 40));
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
                    out += static_cast<char>(std::strtol(s_.substr(p_, 4).c_str(), nullptr, 16));
                    p_ += 4;
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
    JsonValue value() {
        blanks();
        if (p_ >= s_.size()) fail("value expected");
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
            const char* start = s_.c_str() + p_;
            char* end = nullptr;
            v.kind = JsonValue::Number;
            v.number = std::strtod(start, &end);
            if (end == start || std::isalpha(static_cast<unsigned char>(*start))) fail("not a value");
            p_ += static_cast<size_t>(end - start);
        }
        return v;
    }

    const std::string& s_;
    size_t p_ = 0;
};

// The text parsed as one JSON value; std::runtime_error names the place of a fault.
inline JsonValue parsejson(const std::string& text) { return JsonReader(text).document(); }

}  // namespace zefo::batch
