// Where the functions built against the stand-in host are, by function number
// (as in goldenFile.h); the build passes each path as a compile definition.
#ifndef REGIONKIT_SELFTEST_PLUGINPATHS_H
#define REGIONKIT_SELFTEST_PLUGINPATHS_H

namespace golden {

// Null for a function this build leaves out.
inline const char* pluginPath(int function) {
    switch (function) {
#ifdef REGIONKIT_RECTCULL_PATH
    case 1: return REGIONKIT_RECTCULL_PATH;
#endif
#ifdef REGIONKIT_PAIRMETRIC_PATH
    case 2: return REGIONKIT_PAIRMETRIC_PATH;
#endif
#ifdef REGIONKIT_RECTREFIT_PATH
    case 3: return REGIONKIT_RECTREFIT_PATH;
#endif
#ifdef REGIONKIT_SLIDECORR_PATH
    case 4: return REGIONKIT_SLIDECORR_PATH;
#endif
#ifdef REGIONKIT_COVERTEST_PATH
    case 5: return REGIONKIT_COVERTEST_PATH;
#endif
#ifdef REGIONKIT_REGIONTALLY_PATH
    case 6: return REGIONKIT_REGIONTALLY_PATH;
#endif
    default: return nullptr;
    }
}

}  // namespace golden

#endif
