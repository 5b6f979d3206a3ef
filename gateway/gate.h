// What every plug-in entry needs of its host: argument checks that explain
// themselves, size narrowing, result creation, and the one place that raises.
//
// A check never raises. It records a refusal (identifier "<plugin>:<reason>",
// a plain sentence, and as fields the argument, element and value it is
// about) and returns false; the entry unwinds, frees what it holds, and only
// then calls raise(). MATLAB's error call does not return and
// does not free malloc'ed memory, and GNU Octave's throws a C++ exception, so
// raising while holding memory, or inside a try block, is never done.
//
// Gate holds only fixed-size text, so it needs no destructor: a host whose
// error call jumps out of mexFunction loses nothing.
#ifndef REGIONKIT_GATEWAY_GATE_H
#define REGIONKIT_GATEWAY_GATE_H

#include "mex.h"

#include <cstdarg>
#include <cstdint>
#include <exception>
#include <new>

// Marks mexFunction as the one symbol a plug-in exports (builds use hidden
// visibility for everything else).
#if defined(_WIN32)
#define REGIONKIT_ENTRY extern "C" __declspec(dllexport)
#else
#define REGIONKIT_ENTRY extern "C" __attribute__((visibility("default")))
#endif

namespace gateway {

class Gate {
public:
    // How a refusal reaches the host: with an identifier "<plugin>:<reason>"
    // through mexErrMsgIdAndTxt, or as a plain message without identifier
    // through mexErrMsgTxt. A plain message begins "Error: " and has no closing
    // period; the Gate's own sentences are put in that form, and a message
    // given to refuse() that already begins "Error: " is kept as it is.
    enum Style { identified, plain };

    explicit Gate(const char* plugin);
    Gate(const char* plugin, Style style);

    // nlhs must not exceed `most` results.
    bool outputs(int nlhs, int most);
    // nrhs must lie in least .. most; `usage` is the call syntax shown on refusal.
    bool inputs(int nrhs, int least, int most, const char* usage);

    // A real, full (not sparse), two-dimensional double matrix.
    bool realDoubleMatrix(const mxArray* a, int position, const char* name);
    // At least `least` columns; `columns` names them for the message ("x, y, w, h").
    bool columnsAtLeast(const mxArray* a, int position, const char* name, int least,
                        const char* columns);
    // At least one element.
    bool notEmpty(const mxArray* a, int position, const char* name);
    // Row and column counts as signed 32-bit values.
    bool size32(const mxArray* a, int position, const char* name, std::int32_t* rows,
                std::int32_t* cols);
    // A table of records, one per row: realDoubleMatrix, columnsAtLeast and size32 together.
    bool recordMatrix(const mxArray* a, int position, const char* name, int least, const char* columns,
                      std::int32_t* rows, std::int32_t* cols) {
        return realDoubleMatrix(a, position, name) && columnsAtLeast(a, position, name, least, columns) &&
               size32(a, position, name, rows, cols);
    }
    // Boxes x, y, w, h, one per row, further columns unread.
    bool boxMatrix(const mxArray* a, int position, const char* name, std::int32_t* rows, std::int32_t* cols) {
        return recordMatrix(a, position, name, 4, "x, y, w, h", rows, cols);
    }
    // A real double scalar: realDoubleMatrix with exactly one element.
    bool realScalar(const mxArray* a, int position, const char* name);
    // A host count (element count, product of sizes) as a signed 32-bit value.
    bool count32(unsigned long long value, const char* what, std::int32_t* out);

    // Creates a real rows x cols double matrix, zero-filled, into *slot.
    bool createResult(std::int32_t rows, std::int32_t cols, mxArray** slot, double** data);

    bool outOfMemory();
    // Out of memory, naming what could not be made ("the working table").
    bool outOfMemory(const char* what);
    // Records a refusal with reason and printf-style message; always returns false.
    bool refuse(const char* reason, const char* format, ...)
#if defined(__GNUC__)
        __attribute__((format(printf, 3, 4)))
#endif
        ;
    // The same, about argument `position` (counted from 1) named `name`.
    bool refuseArgument(int position, const char* name, const char* reason, const char* format, ...)
#if defined(__GNUC__)
        __attribute__((format(printf, 5, 6)))
#endif
        ;
    // The same, about element `element` (counted from 1, column-major) of
    // that argument, whose value is `value`.
    bool refuseElement(int position, const char* name, long long element, double value, const char* reason,
                       const char* format, ...)
#if defined(__GNUC__)
        __attribute__((format(printf, 7, 8)))
#endif
        ;

    bool refused() const { return id_[0] != '\0'; }
    Style style() const { return style_; }
    const char* id() const { return id_; }
    const char* reason() const { return reason_; }
    const char* message() const { return text_; }
    int argument() const { return argument_; }
    const char* argumentName() const { return argumentName_; }
    long long element() const { return element_; }
    double value() const { return value_; }
    bool hasValue() const { return hasValue_; }

    // Raises the recorded refusal through the host's error call, in the
    // Gate's style (the host of our own takes its fields too). Never returns.
    [[noreturn]] void raise() const;

    // "a 3x4 sparse double matrix", for messages; valid until the next call.
    const char* shapeOf(const mxArray* a);

private:
    void makePlain();                        // text_ in the plain form
    bool record(const char* reason, const char* format, va_list args);

    const char* plugin_;
    Style style_ = identified;
    char id_[96];
    char reason_[64];
    char text_[512];
    char shape_[160];
    int argument_ = 0;
    const char* argumentName_ = "";
    long long element_ = 0;
    double value_ = 0.0;
    bool hasValue_ = false;
};

// Runs an entry's body, turning any C++ exception into a recorded refusal: an
// exception that escapes mexFunction takes GNU Octave down with it.
template <class Body>
bool guarded(Gate& gate, Body&& body) noexcept {
    try {
        return body();
    } catch (const std::bad_alloc&) {
        return gate.outOfMemory();
    } catch (...) {
        return gate.refuse("internalError", "An unexpected internal error stopped the call.");
    }
}

// The first double of a matrix that has passed notEmpty().
inline double firstValue(const mxArray* a) { return mxGetPr(a)[0]; }

}  // namespace gateway

#endif
