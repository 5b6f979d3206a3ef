#include "gate.h"

#include <cctype>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace gateway {

namespace {

const char* plural(long long n, const char* one, const char* many) { return n == 1 ? one : many; }

}  // namespace

Gate::Gate(const char* plugin) : plugin_(plugin) {
    id_[0] = '\0';
    reason_[0] = '\0';
    text_[0] = '\0';
    shape_[0] = '\0';
}

Gate::Gate(const char* plugin, Style style) : Gate(plugin) { style_ = style; }

bool Gate::record(const char* reason, const char* format, va_list args) {
    std::snprintf(id_, sizeof id_, "%s:%s", plugin_, reason);
    std::snprintf(reason_, sizeof reason_, "%s", reason);
    std::vsnprintf(text_, sizeof text_, format, args);
    if (style_ == plain) makePlain();
    return false;
}

// The first refusal is the one reported: later ones change nothing.
bool Gate::refuse(const char* reason, const char* format, ...) {
    if (refused()) return false;
    va_list args;
    va_start(args, format);
    record(reason, format, args);
    va_end(args);
    return false;
}

bool Gate::refuseArgument(int position, const char* name, const char* reason, const char* format, ...) {
    if (refused()) return false;
    argument_ = position;
    argumentName_ = name;
    va_list args;
    va_start(args, format);
    record(reason, format, args);
    va_end(args);
    return false;
}

bool Gate::refuseElement(int position, const char* name, long long element, double value, const char* reason,
                         const char* format, ...) {
    if (refused()) return false;
    argument_ = position;
    argumentName_ = name;
    element_ = element;
    value_ = value;
    hasValue_ = true;
    va_list args;
    va_start(args, format);
    record(reason, format, args);
    va_end(args);
    return false;
}

// "Out of memory: the working table could not be made." becomes
// "Error: out of memory: the working table could not be made".
void Gate::makePlain() {
    static const char prefix[] = "Error: ";
    const std::size_t prefixLength = sizeof prefix - 1;
    if (std::strncmp(text_, prefix, prefixLength) == 0) return;
    char sentence[sizeof text_];
    std::memcpy(sentence, text_, sizeof sentence);
    std::size_t length = std::strlen(sentence);
    if (length > 0 && sentence[length - 1] == '.') sentence[--length] = '\0';
    // Lowered only where the rest of the first word is lower case, so "NaN" stays.
    if (std::isupper(static_cast<unsigned char>(sentence[0]))) {
        std::size_t end = 1;
        while (std::islower(static_cast<unsigned char>(sentence[end]))) ++end;
        if (end > 1 && !std::isalpha(static_cast<unsigned char>(sentence[end])))
            sentence[0] = static_cast<char>(std::tolower(static_cast<unsigned char>(sentence[0])));
    }
    std::snprintf(text_, sizeof text_, "%s%s", prefix, sentence);
}

void Gate::raise() const {
#if defined(REGIONKIT_OWN_HOST)
    const hostRefusal fields{style_ == plain ? "" : id_, reason_, text_, argument_, argumentName_,
                             element_, value_, hasValue_ ? 1 : 0};
    hostRaiseRefusal(&fields);
#endif
    if (style_ == plain) {
        mexErrMsgTxt(text_);
        std::abort();  // as below
    }
    mexErrMsgIdAndTxt(id_, "%s", text_);
    // Both hosts' error calls end the call; GNU Octave's header does not say so.
    std::abort();
}

bool Gate::outOfMemory() {
    return refuse("outOfMemory", "Out of memory: the working copies of the arguments could not be made.");
}

bool Gate::outOfMemory(const char* what) {
    return refuse("outOfMemory", "Out of memory: %s could not be made.", what);
}

// The sizes are joined by "x". A further size is written while the text is
// shorter than shownLength characters; sizes left over are marked "x...", so
// the text never passes for an array of fewer dimensions.
const char* Gate::shapeOf(const mxArray* a) {
    constexpr std::size_t shownLength = 72;
    // The text before the last size written, that size ("x" and 20 digits at
    // most), the mark and the terminating zero.
    char dims[shownLength + 21 + 4 + 1] = "";
    std::size_t used = 0;
    const mwSize nd = mxGetNumberOfDimensions(a);
    const mwSize* d = mxGetDimensions(a);
    mwSize i = 0;
    for (; i < nd && used < shownLength; ++i)
        used += static_cast<std::size_t>(std::snprintf(dims + used, sizeof dims - used, i ? "x%llu" : "%llu",
                                                       static_cast<unsigned long long>(d[i])));
    if (i < nd) std::snprintf(dims + used, sizeof dims - used, "x...");
    std::snprintf(shape_, sizeof shape_, "a %s %s%s%s %s", dims, mxIsSparse(a) ? "sparse " : "",
                  mxIsComplex(a) ? "complex " : "", mxGetClassName(a), nd > 2 ? "array" : "matrix");
    return shape_;
}

bool Gate::outputs(int nlhs, int most) {
    if (nlhs <= most) return true;
    return refuse("tooManyOutputs", "%s returns %d %s, but %d were asked for.", plugin_, most,
                  plural(most, "result", "results"), nlhs);
}

bool Gate::inputs(int nrhs, int least, int most, const char* usage) {
    if (nrhs < least)
        return refuse("tooFewInputs", "Not enough arguments: the call is %s, with %d %s, but %d came.", usage,
                      least, plural(least, "argument", "arguments"), nrhs);
    if (nrhs > most)
        return refuse("tooManyInputs", "Too many arguments: the call is %s, with %d %s, but %d came.", usage,
                      most, plural(most, "argument", "arguments"), nrhs);
    return true;
}

bool Gate::realDoubleMatrix(const mxArray* a, int position, const char* name) {
    if (mxIsDouble(a) && !mxIsComplex(a) && !mxIsSparse(a) && mxGetNumberOfDimensions(a) == 2) return true;
    return refuseArgument(position, name, "notRealDoubleMatrix",
                          "Argument %d (%s) must be a real, full double matrix, but %s came.", position, name,
                          shapeOf(a));
}

bool Gate::columnsAtLeast(const mxArray* a, int position, const char* name, int least, const char* columns) {
    if (static_cast<unsigned long long>(mxGetN(a)) >= static_cast<unsigned long long>(least)) return true;
    return refuseArgument(position, name, "tooFewColumns", "Argument %d (%s) needs at least %d %s (%s), but %s came.",
                          position, name, least, plural(least, "column", "columns"), columns, shapeOf(a));
}

bool Gate::notEmpty(const mxArray* a, int position, const char* name) {
    if (mxGetNumberOfElements(a) > 0) return true;
    return refuseArgument(position, name, "emptyArgument",
                          "Argument %d (%s) must hold at least one element, but %s came.", position, name,
                          shapeOf(a));
}

bool Gate::realScalar(const mxArray* a, int position, const char* name) {
    if (mxIsDouble(a) && !mxIsComplex(a) && !mxIsSparse(a) && mxGetNumberOfElements(a) == 1) return true;
    return refuseArgument(position, name, "notRealScalar", "Argument %d (%s) must be a real double scalar, but %s came.",
                          position, name, shapeOf(a));
}

bool Gate::count32(unsigned long long value, const char* what, std::int32_t* out) {
    if (value > 2147483647ULL)
        return refuse("tooLarge", "%s is %llu, more than the largest count handled, 2147483647.", what, value);
    *out = static_cast<std::int32_t>(value);
    return true;
}

bool Gate::size32(const mxArray* a, int position, const char* name, std::int32_t* rows, std::int32_t* cols) {
    char what[128];
    std::snprintf(what, sizeof what, "The row count of argument %d (%s)", position, name);
    if (!count32(static_cast<unsigned long long>(mxGetM(a)), what, rows)) {
        argument_ = position;
        argumentName_ = name;
        return false;
    }
    std::snprintf(what, sizeof what, "The column count of argument %d (%s)", position, name);
    if (count32(static_cast<unsigned long long>(mxGetN(a)), what, cols)) return true;
    argument_ = position;
    argumentName_ = name;
    return false;
}

bool Gate::createResult(std::int32_t rows, std::int32_t cols, mxArray** slot, double** data) {
    mxArray* a = nullptr;
    try {
        a = mxCreateDoubleMatrix(static_cast<mwSize>(rows), static_cast<mwSize>(cols), mxREAL);
    } catch (...) {
        // GNU Octave throws when it cannot make the array; report it as what it is.
        a = nullptr;
    }
    if (a == nullptr) {
        if (style_ == plain)
            return refuse("outOfMemory", "Error: out of memory: the %d x %d result could not be created", rows,
                          cols);
        return refuse("outOfMemory", "Out of memory: the %dx%d result could not be created.", rows, cols);
    }
    *slot = a;
    *data = mxGetPr(a);
    return true;
}

}  // namespace gateway
