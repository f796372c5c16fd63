// A small JSON writer for the --json output of the batch commands: objects, arrays,
// numbers at full precision (shortest text that reads back the same), strings, booleans.
#pragma once

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

    // key + number, and key + array of numbers.
    void field(const std::string& k, double v) { key(k); number(v); }
    void field(const std::string& k, const std::vector<double>& v);

    // The text; false in ok when a number was not finite (no JSON can carry it).
    const std::string& text() const { return out_; }
    bool ok() const { return finite_; }

private:
    void open(char c);
    void close(char c);
    void separate();
    std::string out_;
    std::vector<bool> first_;   // per open container: no element written yet
    bool afterkey_ = false;
    bool finite_ = true;
};

}  // namespace zefo::batch
