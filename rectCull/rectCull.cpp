// [kept, keptRows, keptScores] = rectCull(boxes, threshold[, groups][, name, value, ...]):
// greedy non-maximum suppression.
//
// boxes is M x N (N >= 5): x, y, w, h, score per row, further columns carried
// along unread. The result is K x (N-1): the kept boxes' x, y, w, h, in the
// order kept, with any further columns left 0. keptRows, when asked for, is
// K x 1: the row of boxes each kept box came from, counted from 1; keptScores
// their scores when kept. With groups (one number per box, positional), boxes
// suppress only boxes of their own group. The options (rectCull.m lists them)
// follow as name-value pairs, names and text values in any case.
#include "exactArithmetic.h"

#include "cullBoxes.h"
#include "gate.h"

#include <cmath>
#include <cstring>
#if !defined(_WIN32)
#include <strings.h>
#endif

using namespace regionkit;

namespace {

enum { IN_BOXES = 0, IN_THRESHOLD, IN_GROUPS };
enum { OUT_KEPT = 0, OUT_ROWS, OUT_SCORES, OUT_COUNT };

const char* const usage = "[kept, keptRows, keptScores] = rectCull(boxes, threshold[, groups][, name, value, ...])";

enum class Option { maxKept, scoreFloor, ratioType, decay, sigma, rule, count };
const char* const optionNames[] = {"MaxKept", "ScoreFloor", "RatioType", "Decay", "Sigma", "Rule"};
const char* const optionList = "MaxKept, ScoreFloor, RatioType, Decay, Sigma or Rule";
// Every option once, after boxes, threshold and groups; repeated, the last one counts.
constexpr int mostInputs = 3 + 2 * static_cast<int>(Option::count);

bool sameText(const char* a, const char* b) {
#if defined(_WIN32)
    return _stricmp(a, b) == 0;
#else
    return strcasecmp(a, b) == 0;
#endif
}

struct Settings {
    CullOptions options;
    bool plain = false;
};

// The characters of a character row vector short enough for `size`; false
// for anything else.
bool shortText(const mxArray* a, char* text, std::size_t size) {
    return mxIsChar(a) && mxGetNumberOfDimensions(a) == 2 && mxGetM(a) <= 1 && mxGetNumberOfElements(a) < size &&
           mxGetString(a, text, static_cast<mwSize>(size)) == 0;
}

// One of the words `words` (count of them, shown as `shown`); its index.
bool word(gateway::Gate& gate, const mxArray* value, int position, const char* option, const char* const* words,
          int count, const char* shown, int* index) {
    char text[32];
    if (!shortText(value, text, sizeof text))
        return gate.refuseArgument(position, option, "badOptionValue", "Option %s (argument %d) must be %s, but %s came.", option, position,
                           shown, gate.shapeOf(value));
    for (int i = 0; i < count; ++i)
        if (sameText(text, words[i])) {
            *index = i;
            return true;
        }
    return gate.refuseArgument(position, option, "badOptionValue", "Option %s (argument %d) must be %s, but '%s' came.", option, position, shown,
                       text);
}

// A real double scalar value of an option, into *out.
bool number(gateway::Gate& gate, const mxArray* value, int position, const char* option, double* out) {
    if (!gate.realScalar(value, position, option)) return false;
    *out = mxGetPr(value)[0];
    return true;
}

// The name-value pairs from argument `first` (counted from 0) on.
bool readOptions(gateway::Gate& gate, int first, int nrhs, const mxArray* prhs[], Settings* s) {
    for (int i = first; i < nrhs; i += 2) {
        const int at = i + 1;
        char name[32];
        if (!mxIsChar(prhs[i]))
            return gate.refuseArgument(at, "options", "tooManyInputs", "Too many arguments: the call is %s, and argument %d, %s, is not an "
                               "option name.", usage, at, gate.shapeOf(prhs[i]));
        int option = 0;
        const bool readable = shortText(prhs[i], name, sizeof name);
        while (readable && option < static_cast<int>(Option::count) && !sameText(name, optionNames[option])) ++option;
        if (!readable)
            return gate.refuseArgument(at, "options", "unknownOption", "Argument %d, %s, is not an option of rectCull: the options are %s.",
                               at, gate.shapeOf(prhs[i]), optionList);
        if (option == static_cast<int>(Option::count))
            return gate.refuseArgument(at, "options", "unknownOption", "Argument %d, '%s', is not an option of rectCull: the options are "
                               "%s.", at, name, optionList);
        if (i + 1 >= nrhs)
            return gate.refuseArgument(at, optionNames[option], "optionWithoutValue", "Option %s (argument %d) needs a value after it.",
                               optionNames[option], at);
        const mxArray* value = prhs[i + 1];
        const int valueAt = at + 1;
        double v = 0;
        int index = 0;
        switch (static_cast<Option>(option)) {
        case Option::maxKept:
            if (!number(gate, value, valueAt, "MaxKept", &v)) return false;
            if (!(v >= 0) || (v != std::floor(v) && v != INFINITY))
                return gate.refuseElement(valueAt, "MaxKept", 1, v, "badMaxKept", "Option MaxKept (argument %d) must be a whole number from 0 up, or "
                                   "Inf, but %g came.", valueAt, v);
            s->options.maxKept = v >= 1e18 ? noCap : static_cast<std::size_t>(v);
            break;
        case Option::scoreFloor:
            if (!number(gate, value, valueAt, "ScoreFloor", &v)) return false;
            if (std::isnan(v))
                return gate.refuseElement(valueAt, "ScoreFloor", 1, v, "badScoreFloor", "Option ScoreFloor (argument %d) is NaN; it must be a number.",
                                   valueAt);
            s->options.hasScoreFloor = true;
            s->options.scoreFloor = v;
            break;
        case Option::sigma:
            if (!number(gate, value, valueAt, "Sigma", &v)) return false;
            if (!(v > 0))
                return gate.refuseElement(valueAt, "Sigma", 1, v, "badSigma", "Option Sigma (argument %d) must be greater than 0, but %g came.",
                                   valueAt, v);
            s->options.sigma = v;
            break;
        case Option::ratioType: {
            static const char* const words[] = {"Union", "Min"};
            if (!word(gate, value, valueAt, "RatioType", words, 2, "'Union' or 'Min'", &index)) return false;
            s->options.measure = index == 0 ? OverlapMeasure::overUnion : OverlapMeasure::overSmaller;
            break;
        }
        case Option::decay: {
            static const char* const words[] = {"none", "linear", "gaussian"};
            if (!word(gate, value, valueAt, "Decay", words, 3, "'none', 'linear' or 'gaussian'", &index)) return false;
            s->options.decay = static_cast<ScoreDecay>(index);
            break;
        }
        case Option::rule: {
            static const char* const words[] = {"pipeline", "plain"};
            if (!word(gate, value, valueAt, "Rule", words, 2, "'pipeline' or 'plain'", &index)) return false;
            s->plain = index == 1;
            break;
        }
        case Option::count: break;
        }
    }
    return true;
}

// Coordinates must be numbers; the pipeline rule makes them 32-bit integers,
// the plain rule takes them as they are, and needs them finite. Checked
// before anything is allocated.
bool checkCoordinates(gateway::Gate& gate, const double* data, std::int32_t rows, bool plain) {
    const auto n = static_cast<std::size_t>(rows);
    const CoordinateFault fault = firstBadCoordinate(data, n, 1, static_cast<std::ptrdiff_t>(n), plain);
    if (!fault.found) return true;
    const auto box = static_cast<int>(fault.row) + 1;
    const long long element = static_cast<long long>(fault.row + static_cast<std::size_t>(fault.column) * n) + 1;
    if (std::isnan(fault.value))
        return gate.refuseElement(1, "boxes", element, fault.value, "badCoordinate",
                                  "Box %d has %s = NaN; box coordinates must be numbers.", box,
                                  coordinateNames[fault.column]);
    if (plain)
        return gate.refuseElement(1, "boxes", element, fault.value, "badCoordinate",
                                  "Box %d has %s = %g; box coordinates must be finite.", box,
                                  coordinateNames[fault.column], fault.value);
    return gate.refuseElement(1, "boxes", element, fault.value, "badCoordinate",
                              "Box %d has %s = %g; box coordinates must lie between -2147483648 and 2147483647.",
                              box, coordinateNames[fault.column], fault.value);
}

// Groups: one number per box, none NaN.
bool checkGroups(gateway::Gate& gate, const mxArray* groups, std::int32_t rows) {
    if (!gate.realDoubleMatrix(groups, 3, "groups")) return false;
    if (mxGetNumberOfElements(groups) != static_cast<std::size_t>(rows))
        return gate.refuseArgument(3, "groups", "groupCount", "Argument 3 (groups) needs one group per box, %d "
                                   "elements, but a %dx%d matrix came.", rows, static_cast<int>(mxGetM(groups)),
                                   static_cast<int>(mxGetN(groups)));
    const double* data = mxGetPr(groups);
    const std::size_t i = firstNanGroup(data, static_cast<std::size_t>(rows));
    if (i == static_cast<std::size_t>(rows)) return true;
    return gate.refuseElement(3, "groups", static_cast<long long>(i) + 1, data[i], "badGroup",
                              "Box %d has group NaN; groups must be numbers.", static_cast<int>(i) + 1);
}

bool cullEntry(gateway::Gate& gate, int nlhs, mxArray* plhs[], int nrhs, const mxArray* prhs[]) {
    if (!gate.outputs(nlhs, OUT_COUNT) || !gate.inputs(nrhs, IN_GROUPS, mostInputs, usage)) return false;
    const mxArray* boxes = prhs[IN_BOXES];
    const mxArray* threshold = prhs[IN_THRESHOLD];

    std::int32_t rows = 0, cols = 0;
    if (!gate.recordMatrix(boxes, 1, "boxes", 5, "x, y, w, h, score", &rows, &cols)) return false;
    if (!gate.realDoubleMatrix(threshold, 2, "threshold") || !gate.notEmpty(threshold, 2, "threshold"))
        return false;
    // The groups are the third argument when it is not an option name.
    const mxArray* groupArgument = nrhs > IN_GROUPS && !mxIsChar(prhs[IN_GROUPS]) ? prhs[IN_GROUPS] : nullptr;
    Settings settings;
    if (!readOptions(gate, groupArgument != nullptr ? IN_GROUPS + 1 : IN_GROUPS, nrhs, prhs, &settings)) return false;
    const double* data = mxGetPr(boxes);
    if (!checkCoordinates(gate, data, rows, settings.plain)) return false;
    if (groupArgument != nullptr && !checkGroups(gate, groupArgument, rows)) return false;
    const double thresholdValue = gateway::firstValue(threshold);
    if (std::isnan(thresholdValue))
        return gate.refuseElement(2, "threshold", 1, thresholdValue, "badThreshold", "Argument 2 (threshold) is NaN; the overlap threshold must be a number.");

    return gateway::guarded(gate, [&] {
        // The boxes are read straight from the host's columns: each record
        // takes its five fields from row i of the five leading columns, the
        // values a row-by-row copy of the matrix would give it.
        const auto count = static_cast<std::size_t>(rows);
        const double* column[5];
        for (int j = 0; j < 5; ++j) column[j] = data + static_cast<std::size_t>(j) * count;
        GroupList groups;
        if (groupArgument != nullptr) {
            const double* group = mxGetPr(groupArgument);
            groups.resize(count);
            for (std::size_t i = 0; i < count; ++i) groups[i] = groupLabel(group[i]);
        }
        const GroupList* groupList = groupArgument != nullptr ? &groups : nullptr;
        RowList keptRows;
        ScoreList keptScores;
        ScoreList* scores = nlhs > OUT_SCORES ? &keptScores : nullptr;
        if (settings.plain) {
            PlainBoxList candidates(count);
            for (std::size_t i = 0; i < count; ++i)
                candidates[i] = {column[0][i], column[1][i], column[0][i] + column[2][i], column[1][i] + column[3][i],
                                 column[4][i]};
            cullPlainBoxes(candidates, thresholdValue, settings.options, keptRows, scores, groupList);
        } else {
            BoxList candidates(count);
            for (std::size_t i = 0; i < count; ++i)
                candidates[i] = {static_cast<std::int32_t>(column[0][i]), static_cast<std::int32_t>(column[1][i]),
                                 static_cast<std::int32_t>(column[2][i]), static_cast<std::int32_t>(column[3][i]),
                                 toSingle(column[4][i])};
            cullBoxes(candidates, toSingle(thresholdValue), settings.options, keptRows, scores, groupList);
        }

        const auto keptCount = static_cast<std::int32_t>(keptRows.size());
        double* out = nullptr;
        if (!gate.createResult(keptCount, cols - 1, &plhs[OUT_KEPT], &out)) return false;
        if (nlhs > OUT_ROWS) {
            double* rowsOut = nullptr;
            if (!gate.createResult(keptCount, 1, &plhs[OUT_ROWS], &rowsOut)) return false;
            for (std::size_t k = 0; k < keptRows.size(); ++k) rowsOut[k] = static_cast<double>(keptRows[k]) + 1.0;
        }
        if (scores != nullptr) {
            double* scoresOut = nullptr;
            if (!gate.createResult(keptCount, 1, &plhs[OUT_SCORES], &scoresOut)) return false;
            for (std::size_t k = 0; k < keptScores.size(); ++k) scoresOut[k] = keptScores[k];
        }
        // The kept boxes' coordinates as the rule took them: truncated to
        // integers, or as given.
        const std::size_t stride = keptRows.size();
        for (std::size_t k = 0; k < keptRows.size(); ++k)
            for (std::size_t j = 0; j < 4; ++j) {
                const double v = column[j][keptRows[k]];
                out[k + j * stride] = settings.plain ? v : static_cast<double>(static_cast<std::int32_t>(v));
            }
        return true;
    });
}

}  // namespace

REGIONKIT_ENTRY void mexFunction(int nlhs, mxArray* plhs[], int nrhs, const mxArray* prhs[]) {
    gateway::Gate gate("rectCull");
    if (!cullEntry(gate, nlhs, plhs, nrhs, prhs)) gate.raise();
}
