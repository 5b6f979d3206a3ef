// [counts, totals] = regionTally(words, regions, W, R): visual-word tallies per region.
//
// words holds the word of each of n locations (any shape); regions holds k
// blocks of n memberships (any shape, usually n x k), a region number or 0
// each; elements past the last whole block are not read. counts is W x R:
// how many memberships join a location of word w to region r; totals is
// W x 1: each word's memberships over all regions. Both arguments are read in
// place; nothing is allocated besides the two results.
//
// Refusals go through mexErrMsgTxt with a message beginning "Error: ". The
// entry raises only from mexFunction, with no try block around it and nothing
// held: results created before a refusal is found are destroyed first.
#include "gate.h"
#include "tallyWords.h"

#include <cmath>
#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {

enum { IN_WORDS = 0, IN_REGIONS, IN_WORD_COUNT, IN_REGION_COUNT, IN_COUNT };
enum { OUT_COUNTS = 0, OUT_TOTALS, OUT_COUNT };

const char* const argumentNames[IN_COUNT] = {"the word map", "the region index", "the number of words W",
                                             "the number of regions R"};

const std::int64_t largestCount = 2147483647;

// Tables whose data would not fit an address-sized byte count are refused
// before the host is asked for them.
const unsigned long long largestTable = 0x7fffffffffffffffULL / sizeof(double);

// The text of a refusal: fixed size and no destructor, since MATLAB's error
// call leaves mexFunction without unwinding the stack.
struct Refusal {
    char text[512];
};

bool refuse(Refusal& refusal, const char* format, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 2, 3)))
#endif
    ;

bool refuse(Refusal& refusal, const char* format, ...) {
    va_list args;
    va_start(args, format);
    std::vsnprintf(refusal.text, sizeof refusal.text, format, args);
    va_end(args);
    return false;
}

[[noreturn]] void raise(const char* text) {
    mexErrMsgTxt(text);
    std::abort();  // both hosts' error calls end the call; GNU Octave's header does not say so
}

// A value as a message shows it: NaN and Inf by name, others to 15 digits.
struct Shown {
    char text[32];
};

Shown show(double v) {
    Shown s;
    if (std::isnan(v))
        std::snprintf(s.text, sizeof s.text, "NaN");
    else if (std::isinf(v))
        std::snprintf(s.text, sizeof s.text, v > 0 ? "Inf" : "-Inf");
    else
        std::snprintf(s.text, sizeof s.text, "%.15g", v);
    return s;
}

bool realFullDouble(Refusal& refusal, const mxArray* a, int slot) {
    if (mxIsDouble(a) && !mxIsComplex(a) && !mxIsSparse(a)) return true;
    return refuse(refusal, "Error: argument %d (%s) must be a real, full double array, but it is a %s%s%s array",
                  slot + 1, argumentNames[slot], mxIsSparse(a) ? "sparse " : "",
                  mxIsComplex(a) ? "complex " : "", mxGetClassName(a));
}

bool elementCount(Refusal& refusal, const mxArray* a, int slot, std::int32_t* count) {
    const auto elements = static_cast<unsigned long long>(mxGetNumberOfElements(a));
    if (elements > static_cast<unsigned long long>(largestCount))
        return refuse(refusal, "Error: %s has %llu elements; at most %lld are handled", argumentNames[slot],
                      elements, static_cast<long long>(largestCount));
    *count = static_cast<std::int32_t>(elements);
    return true;
}

// W or R: the first element, a count from 0 to 2^31 - 1; a fraction is truncated.
bool countArgument(Refusal& refusal, const mxArray* a, int slot, std::int32_t* count) {
    if (mxGetNumberOfElements(a) == 0)
        return refuse(refusal, "Error: argument %d (%s) is empty; it must be a count", slot + 1,
                      argumentNames[slot]);
    const double v = mxGetScalar(a);
    if (!(v >= 0.0 && v < 2147483648.0))
        return refuse(refusal, "Error: %s is %s; it must be a count from 0 to %lld", argumentNames[slot],
                      show(v).text, static_cast<long long>(largestCount));
    *count = static_cast<std::int32_t>(v);
    return true;
}

void discard(mxArray** slot) {
    mxDestroyArray(*slot);
    *slot = nullptr;
}

bool describeFault(Refusal& refusal, const TallyFault& fault, const double* words, const double* regions,
                   std::int32_t n, std::int32_t wordCount, std::int32_t regionCount) {
    const long long element = fault.membership + 1;
    const long long location = fault.location + 1;
    const long long block = fault.membership / n + 1;
    if (fault.kind == TallyFault::badRegion)
        return refuse(refusal,
                      "Error: element %lld of the region index (location %lld, membership %lld) is %s; a "
                      "membership must be 0 or a region number from 1 to R, and R is %d",
                      element, location, block, show(regions[fault.membership]).text, regionCount);
    return refuse(refusal,
                  "Error: element %lld of the word map is %s, but location %lld has a membership (element %lld of "
                  "the region index); its word number must lie from 1 to W, and W is %d",
                  location, show(words[fault.location]).text, location, element, wordCount);
}

// Checks, creates the results and tallies. On false, refusal holds the message
// and plhs holds nothing of this call's.
bool tallyEntry(Refusal& refusal, int nlhs, mxArray* plhs[], const mxArray* prhs[]) {
    for (int slot = 0; slot < IN_COUNT; ++slot)
        if (!realFullDouble(refusal, prhs[slot], slot)) return false;

    std::int32_t n = 0, memberships = 0, regionCount = 0, wordCount = 0;
    if (!elementCount(refusal, prhs[IN_WORDS], IN_WORDS, &n) ||
        !elementCount(refusal, prhs[IN_REGIONS], IN_REGIONS, &memberships))
        return false;
    if (n == 0) return refuse(refusal, "Error: the word map is empty; it needs at least one location");
    if (!countArgument(refusal, prhs[IN_REGION_COUNT], IN_REGION_COUNT, &regionCount) ||
        !countArgument(refusal, prhs[IN_WORD_COUNT], IN_WORD_COUNT, &wordCount))
        return false;
    if (static_cast<unsigned long long>(wordCount) * static_cast<unsigned long long>(regionCount) > largestTable)
        return refuse(refusal, "Error: a W x R table of %d x %d counts is too large to create", wordCount,
                      regionCount);

    const double* words = mxGetPr(prhs[IN_WORDS]);
    const double* regions = mxGetPr(prhs[IN_REGIONS]);
    const std::int32_t k = memberships / n;

    // The second result only when asked for: the host gives max(nlhs, 1) result slots.
    const bool wantTotals = nlhs == OUT_COUNT;
    plhs[OUT_COUNTS] = mxCreateDoubleMatrix(static_cast<mwSize>(wordCount), static_cast<mwSize>(regionCount), mxREAL);
    if (plhs[OUT_COUNTS] == nullptr)
        return refuse(refusal, "Error: out of memory: the %d x %d result could not be created", wordCount,
                      regionCount);
    double* totals = nullptr;
    if (wantTotals) {
        plhs[OUT_TOTALS] = mxCreateDoubleMatrix(static_cast<mwSize>(wordCount), 1, mxREAL);
        if (plhs[OUT_TOTALS] == nullptr) {
            discard(&plhs[OUT_COUNTS]);
            return refuse(refusal, "Error: out of memory: the %d x 1 result could not be created", wordCount);
        }
        totals = mxGetPr(plhs[OUT_TOTALS]);
    }

    const TallyFault fault =
        tallyWords(words, n, regions, k, wordCount, regionCount, mxGetPr(plhs[OUT_COUNTS]), totals);
    if (fault.kind == TallyFault::none) return true;
    discard(&plhs[OUT_COUNTS]);
    if (wantTotals) discard(&plhs[OUT_TOTALS]);
    return describeFault(refusal, fault, words, regions, n, wordCount, regionCount);
}

}  // namespace

REGIONKIT_ENTRY void mexFunction(int nlhs, mxArray* plhs[], int nrhs, const mxArray* prhs[]) {
    if (nlhs > OUT_COUNT) raise("Error: function has only two output parameters");
    if (nrhs != IN_COUNT) raise("Error: Needs exactly two four input parameters");
    Refusal refusal;
    if (!tallyEntry(refusal, nlhs, plhs, prhs)) raise(refusal.text);
}
