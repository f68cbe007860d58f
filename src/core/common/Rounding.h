#pragma once
// Rounding to whole numbers, halves to the even neighbour (45.5 to 46, 46.5
// to 46), the rule of every nominal mass of the system.
#include <cmath>
#include <cstddef>
#include <cstdint>

namespace sorrel {

// The nearest whole number as a double, a value halfway between two to the
// even one. Exact for every finite value, whatever the floating-point
// rounding mode; NaN and infinities come back as they are.
inline double RoundHalfEven(double v) {
  double r = std::round(v);  // halves away from zero
  if (std::fabs(v - std::trunc(v)) == 0.5) r = 2.0 * std::round(v / 2.0);
  return r;
}

// The place of `v`, rounded as above, on a grid of `count` whole numbers
// starting at `origin` (itself a whole number): RoundHalfEven(v) - origin
// when that is 0 .. count-1, and -1 otherwise. The range is checked before
// anything becomes an integer, so a mass of 1e30, an infinity or a NaN is
// simply off the grid.
inline int64_t RoundedIndex(double v, double origin, size_t count) {
  const double at = RoundHalfEven(v) - origin;
  if (!(at >= 0.0 && at < static_cast<double>(count))) return -1;
  return static_cast<int64_t>(at);
}

}  // namespace sorrel
