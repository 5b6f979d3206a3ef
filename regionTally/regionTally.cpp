// [counts, totals] = regionTally(words, regions, W, R): visual-word tallies per region.
//
// words holds the word of each of n locations (any shape); regions holds k
// blocks of n memberships (any shape, usually n x k), a region number or 0
// each; elements past the last whole block are not read. counts is W x R:
// how many memberships join a location of word w to region r; totals is
// W x 1: each word's memberships over all regions. Both arguments are read in
// place; besides the two results, a large tally takes a working table of
// narrow counts for the length of the call.
//
// Refusals are plain messages beginning "Error: ", without identifier, raised
// once from mexFunction after everything the call holds has been freed: the
// results made before a refusal is found, and the working table of counts
// that large tallies use.
#include "exactArithmetic.h"

#include "allocation.h"
#include "gate.h"
#include "int32Range.h"
#include "tallyWords.h"

#include <cmath>
#include <cstdint>
#include <cstdio>

using namespace regionkit;

namespace {

enum { IN_WORDS = 0, IN_REGIONS, IN_WORD_COUNT, IN_REGION_COUNT, IN_COUNT };
enum { OUT_COUNTS = 0, OUT_TOTALS, OUT_COUNT };

const char* const argumentNames[IN_COUNT] = {"the word map", "the region index", "the number of words W",
                                             "the number of regions R"};
// The arguments as the call's syntax names them, for the refusal's fields.
const char* const argumentFields[IN_COUNT] = {"words", "regions", "W", "R"};

const std::int64_t largestCount = 2147483647;

// Tables whose data would not fit an address-sized byte count are refused
// before the host is asked for them.
const unsigned long long largestTable = 0x7fffffffffffffffULL / sizeof(double);

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

bool realFullDouble(gateway::Gate& gate, const mxArray* a, int slot) {
    if (mxIsDouble(a) && !mxIsComplex(a) && !mxIsSparse(a)) return true;
    return gate.refuseArgument(slot + 1, argumentFields[slot], "notRealDouble",
                       "Error: argument %d (%s) must be a real, full double array, but it is a %s%s%s array",
                       slot + 1, argumentNames[slot], mxIsSparse(a) ? "sparse " : "",
                       mxIsComplex(a) ? "complex " : "", mxGetClassName(a));
}

bool elementCount(gateway::Gate& gate, const mxArray* a, int slot, std::int32_t* count) {
    const auto elements = static_cast<unsigned long long>(mxGetNumberOfElements(a));
    if (elements > static_cast<unsigned long long>(largestCount))
        return gate.refuseArgument(slot + 1, argumentFields[slot], "tooLarge",
                                   "Error: %s has %llu elements; at most %lld are handled", argumentNames[slot],
                           elements, static_cast<long long>(largestCount));
    *count = static_cast<std::int32_t>(elements);
    return true;
}

// W or R: the first element, a count from 0 to 2^31 - 1; a fraction is truncated.
bool countArgument(gateway::Gate& gate, const mxArray* a, int slot, std::int32_t* count) {
    if (mxGetNumberOfElements(a) == 0)
        return gate.refuseArgument(slot + 1, argumentFields[slot], "emptyArgument",
                                   "Error: argument %d (%s) is empty; it must be a count", slot + 1,
                           argumentNames[slot]);
    const double v = mxGetScalar(a);
    if (!(v >= 0.0 && isa::truncatesToInt32(v)))
        return gate.refuseElement(slot + 1, argumentFields[slot], 1, v, "badCount",
                                  "Error: %s is %s; it must be a count from 0 to %lld", argumentNames[slot],
                           show(v).text, static_cast<long long>(largestCount));
    *count = static_cast<std::int32_t>(v);
    return true;
}

void discard(mxArray** slot) {
    mxDestroyArray(*slot);
    *slot = nullptr;
}

bool refuseFault(gateway::Gate& gate, const TallyFault& fault, const double* words, const double* regions,
                 std::int32_t n, std::int32_t wordCount, std::int32_t regionCount) {
    const long long element = fault.membership + 1;
    const long long location = fault.location + 1;
    const long long block = fault.membership / n + 1;
    if (fault.kind == TallyFault::badRegion)
        return gate.refuseElement(IN_REGIONS + 1, argumentFields[IN_REGIONS], element, regions[fault.membership],
                                  "badRegion",
                                  "Error: element %lld of the region index (location %lld, membership %lld) is %s; "
                                  "a membership must be 0 or a region number from 1 to R, and R is %d",
                                  element, location, block, show(regions[fault.membership]).text, regionCount);
    return gate.refuseElement(IN_WORDS + 1, argumentFields[IN_WORDS], location, words[fault.location], "badWord",
                              "Error: element %lld of the word map is %s, but location %lld has a membership "
                              "(element %lld of the region index); its word number must lie from 1 to W, and W is %d",
                              location, show(words[fault.location]).text, location, element, wordCount);
}

// Everything the tally needs once the call has passed its checks.
struct Call {
    const double* words;
    const double* regions;
    std::int32_t n, k, wordCount, regionCount;
    bool wantTotals;
};

// Creates the results and tallies into them. On false, plhs holds nothing of
// this call's and no working memory is held.
bool tallyInto(gateway::Gate& gate, const Call& c, mxArray* plhs[]) {
    double* counts = nullptr;
    double* totals = nullptr;
    if (!gate.createResult(c.wordCount, c.regionCount, &plhs[OUT_COUNTS], &counts)) return false;
    if (c.wantTotals && !gate.createResult(c.wordCount, 1, &plhs[OUT_TOTALS], &totals)) {
        discard(&plhs[OUT_COUNTS]);
        return false;
    }
    const auto dropResults = [&] {
        discard(&plhs[OUT_COUNTS]);
        if (c.wantTotals) discard(&plhs[OUT_TOTALS]);
    };

    void* work = nullptr;
    const std::size_t workBytes = tallyWorkBytes(c.n, c.k, c.wordCount, c.regionCount);
    if (workBytes > 0) {
        work = gateway::tryAllocate(workBytes);
        if (work == nullptr) {
            dropResults();
            return gate.outOfMemory("the working table of counts");
        }
    }
    const TallyFault fault =
        tallyWords(c.words, c.n, c.regions, c.k, c.wordCount, c.regionCount, counts, totals, work);
    if (work != nullptr) gateway::releaseTried(work);
    if (fault.kind == TallyFault::none) return true;
    dropResults();
    return refuseFault(gate, fault, c.words, c.regions, c.n, c.wordCount, c.regionCount);
}

bool tallyEntry(gateway::Gate& gate, int nlhs, mxArray* plhs[], int nrhs, const mxArray* prhs[]) {
    // The call's shape first, results before arguments, before anything is read.
    if (nlhs > OUT_COUNT) return gate.refuse("tooManyOutputs", "Error: function has only two output parameters");
    if (nrhs != IN_COUNT) return gate.refuse("wrongInputCount", "Error: Needs exactly two four input parameters");

    for (int slot = 0; slot < IN_COUNT; ++slot)
        if (!realFullDouble(gate, prhs[slot], slot)) return false;

    std::int32_t n = 0, memberships = 0, regionCount = 0, wordCount = 0;
    if (!elementCount(gate, prhs[IN_WORDS], IN_WORDS, &n) ||
        !elementCount(gate, prhs[IN_REGIONS], IN_REGIONS, &memberships))
        return false;
    if (n == 0)
        return gate.refuseArgument(IN_WORDS + 1, argumentFields[IN_WORDS], "emptyArgument",
                                   "Error: the word map is empty; it needs at least one location");
    if (!countArgument(gate, prhs[IN_REGION_COUNT], IN_REGION_COUNT, &regionCount) ||
        !countArgument(gate, prhs[IN_WORD_COUNT], IN_WORD_COUNT, &wordCount))
        return false;
    if (static_cast<unsigned long long>(wordCount) * static_cast<unsigned long long>(regionCount) > largestTable)
        return gate.refuse("tooLarge", "Error: a W x R table of %d x %d counts is too large to create", wordCount,
                           regionCount);

    // The second result only when asked for: the host gives max(nlhs, 1) result slots.
    const Call call{mxGetPr(prhs[IN_WORDS]), mxGetPr(prhs[IN_REGIONS]), n, memberships / n, wordCount, regionCount,
                    nlhs == OUT_COUNT};
    return gateway::guarded(gate, [&] { return tallyInto(gate, call, plhs); });
}

}  // namespace

REGIONKIT_ENTRY void mexFunction(int nlhs, mxArray* plhs[], int nrhs, const mxArray* prhs[]) {
    gateway::Gate gate("regionTally", gateway::Gate::plain);
    if (!tallyEntry(gate, nlhs, plhs, nrhs, prhs)) gate.raise();
}
