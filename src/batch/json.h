// A small JSON writer for the --json output of the batch commands: objects, arrays,
// numbers at full precision (shortest text that reads back the same), strings, booleans.
#pragma once

#include <array>
#include <cstddef>
#include <string>
#include <vector>

namespace zefo::batch {

class JsonWriter {
public:
    void beginobject() { open('{'); }
    void endobject() { close('}'); }
    void beginarray() { open('['); }
    void endarray() { close(']'); }
    // The key of the next value inside an object.
    void key(const std::string& k);
    void number(double v);
    void integer(long long v);
    void string(const std::string& s);
    void boolean(bool b);

    // key + number, key + array of numbers, key + array of rows of numbers.
    void field(const std::string& k, double v) { key(k); number(v); }
    void field(const std::string& k, const std::vector<double>& v);
    template <size_t N>
    void field(const std::string& k, const std::vector<std::array<double, N>>& rows) {
        key(k);
        beginarray();
        for (const auto& row : rows) numberrow(row);
        endarray();
    }
    // key + a name, and key + array of names, without their padding blanks.
    void name(const std::string& k, const std::string& s) { key(k); string(trimmed(s)); }
    void names(const std::string& k, const std::vector<std::string>& v);

    // The text; false in ok when a number was not finite (no JSON can carry it).
    const std::string& text() const { return out_; }
    bool ok() const { return finite_; }

private:
    template <size_t N>
    void numberrow(const std::array<double, N>& row) {
        beginarray();
        for (double x : row) number(x);
        endarray();
    }
    static std::string trimmed(const std::string& s);
    void open(char c);
    void close(char c);
    void separate();
    std::string out_;
    std::vector<bool> first_;   // per open container: no element written yet
    bool afterkey_ = false;
    bool finite_ = true;
};

}  // namespace zefo::batch
