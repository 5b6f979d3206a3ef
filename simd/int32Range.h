// The one test of the signed 32-bit range: whether a double truncates toward
// zero to a 32-bit integer (never NaN or an infinity). Box coordinates, image
// sizes, counts and the vector layer's conversions all use it.
#ifndef REGIONKIT_SIMD_INT32RANGE_H
#define REGIONKIT_SIMD_INT32RANGE_H

namespace isa {

inline bool truncatesToInt32(double v) { return v > -2147483649.0 && v < 2147483648.0; }

}  // namespace isa

#endif
