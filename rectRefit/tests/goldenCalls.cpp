// The golden calls of rectRefit: its edge cases, and sizes around every vector
// width and block size its kernels use.
#include "goldenCalls.h"

namespace golden {

void rectRefitGoldenCalls(Calls& calls) {
    const auto refit = [&calls](Matrix boxes, Matrix regions, Matrix members, double height, double width) {
        calls.add({std::move(boxes), std::move(regions), std::move(members), value(height), value(width)}, 1);
    };
    const Matrix box = rows(1, 5, {3, 4, 5, 6, 0.8});
    refit(box, rows(1, 4, {10, 20, 5, 6}), value(0), 100, 100);
    refit(rows(1, 4, {0, 0, 1, 1}), rows(1, 4, {10, 20, 5, 6}), value(1), 100, 100);
    refit(rows(1, 4, {0, 0, 1, 1}), rows(2, 4, {2, 3, 4, 4, 10, 1, 2, 2}), rows(1, 2, {1, 1}), 100, 100);
    refit(box, rows(1, 4, {95, 45, 10, 10}), value(1), 50, 100);
    refit(box, rows(1, 4, {95, 45, 10, 10}), value(1), 100, 50);
    refit(box, rows(1, 4, {1, 1, 640, 480}), value(1), 480, 640);
    refit(box, rows(1, 4, {1, 1, 640, 480}), value(1), 480.9, 640.7);
    refit(box, rows(1, 4, {10.5, 20.25, 3, 3}), value(1), 100, 100);
    refit(box, rows(1, 4, {150000, 5, 7, 3}), value(1), 100, 1e6);
    refit(box, rows(1, 4, {-10, -10, 5, 5}), value(1), 100, 100);
    refit(Matrix{0, 5, {}}, rows(1, 4, {1, 1, 2, 2}), Matrix{0, 1, {}}, 100, 100);
    refit(rows(2, 6, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12}), Matrix{0, 4, {}}, Matrix{2, 0, {}}, 100, 100);
    // Only an element equal to 1.0 makes a member; rows and columns beyond the
    // boxes and regions are not read.
    refit(rows(2, 4, {3, 4, 5, 6, 7, 8, 9, 10}), rows(2, 4, {10, 20, 5, 6, 30, 30, 2, 2}),
          rows(3, 4, {0.5, 2, 1, 1, -1, nan, 1, 1, 1, 1, 1, 1}), 100, 100);
    refit(rows(2, 4, {3, 4, 5, 6, 7, 8, 9, 10}), rows(2, 4, {10, 20, 5, 6, 30, 30, 2, 2}),
          rows(2, 2, {1 + 1e-15, 1 - 1e-16, -0.0, 1}), 100, 100);
    // Special coordinates in member regions, and image sizes at the edges.
    refit(rows(3, 4, {1, 1, 1, 1, 2, 2, 2, 2, 3, 3, 3, 3}),
          rows(4, 4, {nan, 5, 5, 5, 5, inf, 5, 5, -0.0, 0.0, subnormal, -subnormal, -inf, 7, 1e300, 2}),
          rows(3, 4, {1, 1, 0, 0, 0, 1, 1, 0, 1, 0, 1, 1}), 2147483647.5, -0.5);
    refit(rows(2, 4, {1, 1, 1, 1, 2, 2, 2, 2}), rows(2, 4, {4, 4, 4, 4, 8, 8, 8, 8}), rows(2, 2, {1, 1, 1, 0}), 0, 0);
    // Box and region counts on and around every vector width, and membership
    // matrices with a row or a column more than is read.
    Source s(3);
    const std::size_t shapes[][2] = {{1, 4},  {2, 5},  {3, 6},   {5, 7},  {7, 9},   {8, 11},  {9, 4},   {15, 5},
                                     {16, 8}, {17, 257}, {9, 263}, {259, 5}, {33, 6}, {4, 255}, {8, 256}, {6, 513}};
    for (const auto& shape : shapes) {
        const std::size_t m1 = 1 + s.below(12);
        const Matrix boxes = make(shape[0], shape[1], [&](std::size_t, std::size_t j) {
            return j < 2 ? s.whole(-5, 120) + s.unit() : j < 4 ? s.whole(1, 40) : s.mixed();
        });
        const Matrix regions = make(m1, 4 + m1 % 2, [&](std::size_t, std::size_t j) {
            return j < 2 ? s.whole(-5, 120) + (s.below(2) ? s.unit() : 0) : j < 4 ? s.whole(1, 30) : 0;
        });
        const Matrix members = make(shape[0] + s.below(2), m1 + s.below(2), [&](std::size_t, std::size_t) {
            const std::uint64_t k = s.below(10);
            return k < 3 ? 1.0 : k == 3 ? 0.5 : 0.0;
        });
        refit(boxes, regions, members, 100 + s.below(3) * 0.5, 110);
    }
    const Matrix boxes = make(100, 4, [&](std::size_t, std::size_t j) { return j < 2 ? s.whole(0, 300) : s.whole(5, 80); });
    const Matrix regions = make(40, 4, [&](std::size_t, std::size_t j) { return j < 2 ? s.whole(0, 300) : s.whole(2, 60); });
    refit(boxes, regions, make(100, 40, [&](std::size_t, std::size_t) { return s.below(8) == 0 ? 1.0 : 0.0; }), 240, 320);
}

}  // namespace golden
