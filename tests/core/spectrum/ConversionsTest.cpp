// Nominal-mass conversions, the cut to a mass window, the highest point.
#include <gtest/gtest.h>

#include "core/common/Errors.h"
#include "core/spectrum/Conversions.h"

using namespace sorrel;

namespace {
tXYarray P(std::initializer_list<dPoint> pts) {
  return tXYarray(pts);
}
}  // namespace

TEST(NomMassSplit, SharesFractionalMassesBetweenNeighbours) {
  tXYarray out;
  NomMassSplit(P({{10.25f, 4}}), out);
  EXPECT_EQ(out, P({{10, 3}, {11, 1}, {12, 0}}));
  NomMassSplit(P({{50, 1}, {51, 2}, {52, 3}}), out);
  EXPECT_EQ(out, P({{50, 1}, {51, 2}, {52, 3}, {53, 0}}));
  // Both neighbours of 45.5 get half; the extra last point stays 0.
  NomMassSplit(P({{45.5f, 10}, {46.75f, 8}}), out);
  EXPECT_EQ(out, P({{45, 5}, {46, 7}, {47, 6}, {48, 0}}));
}

TEST(NomMassRound, RoundsHalvesToEven) {
  tXYarray out;
  NomMassRound(P({{45.5f, 1}, {46.5f, 2}}), out);
  EXPECT_EQ(out, P({{45, 0}, {46, 3}, {47, 0}}));
  EXPECT_EQ(NomMassRound(P({{44.49f, 1}, {44.51f, 2}})), P({{44, 1}, {45, 2}}));
}

TEST(Conversions, EmptyInputLeavesTheOutput) {
  tXYarray out = P({{1, 1}});
  NomMassSplit({}, out);
  NomMassRound({}, out);
  CutToBounds({}, 0, 10, out);
  CutToBounds(P({{5, 5}}), 10, 10, out);
  EXPECT_EQ(out, P({{1, 1}}));
}

TEST(Conversions, PointsOutOfOrderNeverLandOutsideTheGrid) {
  tXYarray out;
  NomMassRound(P({{50, 1}, {10, 2}, {60, 3}, {52, 4}}), out);
  ASSERT_EQ(out.size(), 3u);  // 50..52: the unsorted points fall off the grid
  EXPECT_EQ(out[0][1], 1);
  EXPECT_EQ(out[2][1], 4);
  NomMassSplit(P({{50, 1}, {10, 2}, {48.5f, 2}}), out);
  EXPECT_TRUE(out.empty());  // the last mass lies below the first: no grid
  // Masses out of order as far as the float range goes: off the grid
  // (their distance from it is no whole number of the machine; the
  // sanitizer build checks that none is made of it).
  NomMassRound(P({{50, 1}, {-7.5e28f, 2}, {3e38f, 5}, {51, 3}}), out);
  EXPECT_EQ(out, P({{50, 1}, {51, 3}}));
  NomMassSplit(P({{50, 1}, {-7.5e28f, 2}, {3e38f, 5}, {51, 3}}), out);
  EXPECT_EQ(out, P({{50, 1}, {51, 3}, {52, 0}}));
}

TEST(Conversions, AHugeMassRangeIsRefusedNotAllocated) {
  tXYarray out;
  EXPECT_THROW(NomMassRound(P({{1, 1}, {1e30f, 1}}), out), SorrelError);
  EXPECT_THROW(NomMassSplit(P({{1, 1}, {3e38f, 1}}), out), SorrelError);
  EXPECT_THROW(CutToBounds(P({{1, 1}}), 0, 1e20, out), SorrelError);
  // The message's numbers do not follow the locale (the suite also runs
  // under a comma-decimal one).
  try {
    NomMassRound(P({{0.5f, 1}, {2e7f, 1}}), out);
    ADD_FAILURE() << "a span of 2e7 unit masses is refused";
  } catch (const SorrelError& e) {
    EXPECT_STREQ(e.what(), "The mass range of the spectrum is too large (m/z 0 to 20000000)");
  }
}

TEST(CutToBounds, KeepsTheWindowOnAFixedLength) {
  tXYarray from35, from50, out;
  for (int m = 35; m <= 500; ++m)
    from35.push_back({float(m), float(m)});
  for (int m = 50; m <= 500; ++m)
    from50.push_back({float(m), float(m)});
  CutToBounds(from35, 40, 300, out);
  ASSERT_EQ(out.size(), 261u);
  EXPECT_EQ(out.front(), (dPoint{40, 40}));
  EXPECT_EQ(out.back(), (dPoint{300, 300}));
  CutToBounds(from50, 40, 300, out);
  ASSERT_EQ(out.size(), 261u);
  EXPECT_EQ(out[0], (dPoint{50, 50}));
  EXPECT_EQ(out[250], (dPoint{300, 300}));
  for (size_t k = 251; k < 261; ++k)
    EXPECT_EQ(out[k], (dPoint{0, 0}));
}

TEST(HighestPoint, FirstOfTheLargest) {
  EXPECT_EQ(HighestPoint(P({{1, 7}, {2, 3}, {3, 7}})), (dPoint{1, 7}));
  EXPECT_EQ(HighestPoint(P({{1, -5}, {2, -3}})), (dPoint{2, -3}));
  EXPECT_EQ(HighestPoint({}), (dPoint{0, 0}));
}

TEST(Conversions, SumsBeyondTheFloatRangeAreArithmeticFaults) {
  tXYarray out = P({{7, 7}});
  EXPECT_THROW(NomMassRound(P({{45.2f, 3e38f}, {45.4f, 3e38f}}), out), MathError);
  EXPECT_THROW(NomMassSplit(P({{45, 3e38f}, {45, 3e38f}}), out), MathError);
  EXPECT_EQ(out, P({{7, 7}})) << "the output stays as it was";
}
