// The golden calls file: calls of every function with their expected results.
//
// Layout. The file is a plain sequence of IEEE-754 doubles, each stored as 8
// bytes, least significant byte first (little-endian), with nothing else in it,
// so that any host reads it with fread(fid, n, 'double', 0, 'ieee-le'):
//
//   header     magic number 1919249256 (marks the file), format version 3,
//              number of functions F, then each function's name: its length L
//              and its L character codes
//   C calls    after the number of calls C, each one:
//                function number f, 1 to F, in the order of the names
//                number of arguments I, number of results O (the call's nlhs)
//                I arguments:  class (0 double, 1 char), rows, cols, then rows*cols
//                              doubles, column-major (of a char array: its
//                              character codes)
//                O results:    rows, cols, then rows*cols doubles, column-major
//
// Counts and sizes are whole numbers stored as doubles. Results compare bit for
// bit, except that any NaN matches any NaN (processors differ in the sign and
// payload of the NaN an invalid operation makes).
//
// Standard C++ only: the reader runs wherever the functions are built.
#ifndef REGIONKIT_SELFTEST_GOLDENFILE_H
#define REGIONKIT_SELFTEST_GOLDENFILE_H

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <stdexcept>
#include <string>
#include <vector>

namespace golden {

constexpr double magic = 1919249256.0;
constexpr double formatVersion = 3.0;

struct Matrix {
    std::size_t rows = 0, cols = 0;
    std::vector<double> data;  // column-major
    bool text = false;         // a char array; data holds its character codes
};

struct Call {
    int function = 0;  // 1 to the number of functions
    std::vector<Matrix> arguments;
    std::vector<Matrix> results;
};

struct File {
    std::vector<std::string> functions;  // function f is functions[f - 1]
    std::vector<Call> calls;
};

inline std::uint64_t bitsOf(double v) {
    std::uint64_t b;
    std::memcpy(&b, &v, sizeof b);
    return b;
}

inline void putDouble(std::vector<unsigned char>& out, double v) {
    const std::uint64_t b = bitsOf(v);
    for (int i = 0; i < 8; ++i) out.push_back(static_cast<unsigned char>(b >> (8 * i)));
}

inline void putMatrix(std::vector<unsigned char>& out, const Matrix& m) {
    putDouble(out, static_cast<double>(m.rows));
    putDouble(out, static_cast<double>(m.cols));
    for (double v : m.data) putDouble(out, v);
}

inline std::vector<unsigned char> encode(const File& file) {
    std::vector<unsigned char> out;
    putDouble(out, magic);
    putDouble(out, formatVersion);
    putDouble(out, static_cast<double>(file.functions.size()));
    for (const std::string& name : file.functions) {
        putDouble(out, static_cast<double>(name.size()));
        for (char c : name) putDouble(out, static_cast<unsigned char>(c));
    }
    putDouble(out, static_cast<double>(file.calls.size()));
    for (const Call& c : file.calls) {
        putDouble(out, c.function);
        putDouble(out, static_cast<double>(c.arguments.size()));
        putDouble(out, static_cast<double>(c.results.size()));
        for (const Matrix& m : c.arguments) {
            putDouble(out, m.text ? 1.0 : 0.0);
            putMatrix(out, m);
        }
        for (const Matrix& m : c.results) putMatrix(out, m);
    }
    return out;
}

class Reader {
public:
    explicit Reader(const std::vector<unsigned char>& bytes) : bytes_(bytes) {}

    double next() {
        if (bytes_.size() - at_ < 8) throw std::runtime_error("golden file: ends early at byte " + std::to_string(at_));
        std::uint64_t b = 0;
        for (int i = 0; i < 8; ++i) b |= static_cast<std::uint64_t>(bytes_[at_ + i]) << (8 * i);
        at_ += 8;
        double v;
        std::memcpy(&v, &b, sizeof v);
        return v;
    }

    // A whole number from 0 to limit.
    std::size_t count(double limit, const char* what) {
        const double v = next();
        if (!(v >= 0 && v <= limit && v == std::floor(v)))
            throw std::runtime_error(std::string("golden file: bad ") + what + " at byte " + std::to_string(at_ - 8));
        return static_cast<std::size_t>(v);
    }

    Matrix matrix() {
        Matrix m;
        m.rows = count(1e9, "row count");
        m.cols = count(1e9, "column count");
        const std::size_t left = (bytes_.size() - at_) / 8;
        if (m.cols != 0 && m.rows > left / m.cols) throw std::runtime_error("golden file: matrix larger than the file");
        m.data.resize(m.rows * m.cols);
        for (double& v : m.data) v = next();
        return m;
    }

    bool done() const { return at_ == bytes_.size(); }

private:
    const std::vector<unsigned char>& bytes_;
    std::size_t at_ = 0;
};

inline File decode(const std::vector<unsigned char>& bytes) {
    Reader r(bytes);
    if (r.next() != magic) throw std::runtime_error("golden file: not a golden calls file");
    if (r.next() != formatVersion) throw std::runtime_error("golden file: unknown format version");
    File file;
    file.functions.resize(r.count(1000, "function count"));
    for (std::string& name : file.functions) {
        name.resize(r.count(63, "name length"));
        for (char& c : name) c = static_cast<char>(r.count(127, "character code"));
    }
    file.calls.resize(r.count(1e7, "call count"));
    for (Call& c : file.calls) {
        c.function = static_cast<int>(r.count(static_cast<double>(file.functions.size()), "function number"));
        if (c.function < 1) throw std::runtime_error("golden file: bad function number");
        const std::size_t in = r.count(16, "argument count");
        const std::size_t out = r.count(16, "result count");
        for (std::size_t i = 0; i < in; ++i) {
            const bool text = r.count(1, "argument class") == 1;
            c.arguments.push_back(r.matrix());
            c.arguments.back().text = text;
        }
        for (std::size_t i = 0; i < out; ++i) c.results.push_back(r.matrix());
    }
    if (!r.done()) throw std::runtime_error("golden file: data after the last call");
    return file;
}

inline std::vector<unsigned char> readFile(const std::string& path) {
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (f == nullptr) throw std::runtime_error("cannot open " + path);
    std::vector<unsigned char> bytes;
    unsigned char buffer[65536];
    std::size_t got;
    while ((got = std::fread(buffer, 1, sizeof buffer, f)) > 0) bytes.insert(bytes.end(), buffer, buffer + got);
    const bool failed = std::ferror(f) != 0;
    std::fclose(f);
    if (failed) throw std::runtime_error("cannot read " + path);
    return bytes;
}

inline void writeFile(const std::string& path, const std::vector<unsigned char>& bytes) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (f == nullptr) throw std::runtime_error("cannot create " + path);
    const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    if (std::fclose(f) != 0 || !ok) throw std::runtime_error("cannot write " + path);
}

}  // namespace golden

#endif
