// Rounding to whole numbers with halves to the even neighbour, and the
// place of a rounded value on a grid.
#include <gtest/gtest.h>

#include <cfenv>
#include <cmath>
#include <limits>
#include <random>

#include "core/common/Rounding.h"

using namespace sorrel;

TEST(RoundHalfEven, HalvesGoToTheEvenNeighbour) {
  const double inf = std::numeric_limits<double>::infinity();
  struct Case {
    double v, r;
  } cases[] = {
      {45.5, 46},
      {46.5, 46},
      {0.5, 0},
      {1.5, 2},
      {-2.5, -2},
      {-3.5, -4},
      {2.4999, 2},
      {2.5001, 3},
      {-0.4, -0.0},
      {1e30, 1e30},
      {4503599627370497.0, 4503599627370497.0},  // 2^52 + 1: already whole
      {inf, inf},
      {-inf, -inf},
  };
  for (const Case& c : cases)
    EXPECT_EQ(RoundHalfEven(c.v), c.r) << c.v;
  EXPECT_TRUE(std::isnan(RoundHalfEven(std::nan(""))));
}

TEST(RoundHalfEven, AgreesWithTheProcessorsRoundingToNearest) {
  // Oracle: nearbyint in the default mode, round to nearest even. Halves
  // and near-halves of every size are drawn on purpose.
  std::mt19937_64 rng(5);
  std::uniform_int_distribution<int64_t> whole(-(int64_t{1} << 40), int64_t{1} << 40);
  const double offsets[] = {0.5, -0.5, 0.25, 0.75, 0.5 - 1e-9, 0.5 + 1e-9};
  for (int i = 0; i < 20000; ++i) {
    const double v = static_cast<double>(whole(rng)) + offsets[i % 6];
    ASSERT_EQ(RoundHalfEven(v), std::nearbyint(v)) << v;
  }
  // The result does not depend on the rounding mode in force.
  ASSERT_EQ(std::fesetround(FE_UPWARD), 0);
  const double upward[] = {RoundHalfEven(2.5), RoundHalfEven(-2.5), RoundHalfEven(3.5)};
  std::fesetround(FE_TONEAREST);
  EXPECT_EQ(upward[0], 2.0);
  EXPECT_EQ(upward[1], -2.0);
  EXPECT_EQ(upward[2], 4.0);
}

TEST(RoundedIndex, PlaceOnTheGridOrMinusOne) {
  const double inf = std::numeric_limits<double>::infinity();
  struct Case {
    double v, origin;
    size_t count;
    int64_t index;
  } cases[] = {
      {45.5, 45, 3, 1},   // 46
      {44.5, 45, 3, -1},  // 44, below the grid
      {44.6, 45, 3, 0},   // 45
      {47.4, 45, 3, 2},   // 47, the last place
      {47.5, 45, 3, -1},  // 48, one past the end
      {-0.4, 0, 1, 0},    // -0 is place 0
      {1e30, 0, 10, -1},  // far off: compared before it is made an integer
      {-3e38, 0, 10, -1},        {inf, 0, 10, -1},
      {std::nan(""), 0, 10, -1}, {5, 0, 0, -1},  // an empty grid
      {-7.5e28, -100, 200, -1},
  };
  for (const Case& c : cases)
    EXPECT_EQ(RoundedIndex(c.v, c.origin, c.count), c.index) << c.v << " on " << c.origin;
}
