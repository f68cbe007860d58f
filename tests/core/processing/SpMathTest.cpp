// Gap filling, Savitzky-Golay smoothing, the automatic baseline level and
// baseline subtraction.
#include <gtest/gtest.h>

#include <Eigen/Dense>
#include <cmath>
#include <limits>
#include <random>

#include "core/common/Errors.h"
#include "core/plots/SpOpt.h"
#include "core/processing/SpMath.h"

using namespace sorrel;

namespace {

tXYarray FromY(const std::vector<float>& y, float x0 = 0, float step = 1) {
  tXYarray s;
  for (size_t i = 0; i < y.size(); ++i)
    s.push_back({x0 + step * float(i), y[i]});
  return s;
}

tXYarray FromXY(const std::vector<std::pair<float, float>>& xy) {
  tXYarray s;
  for (auto [x, y] : xy)
    s.push_back({x, y});
  return s;
}

std::vector<float> Ys(const tXYarray& s) {
  std::vector<float> y;
  for (const dPoint& p : s)
    y.push_back(p[1]);
  return y;
}

// Smoothing settings, by default with the gap filling off, so that
// smoothing sees the points as they are.
rSmooth SmoothOptions(int k, bool fill = false) {
  rSmooth o;
  o.SGDegree = k;
  o.FillNull = fill;
  return o;
}

bool Smoothed(const tXYarray& in, const rSmooth& o, tXYarray& out) {
  const StepResult r = SGSmooth(in, o, out);
  EXPECT_EQ(r.Error, "");
  return r.Done;
}

// Least-squares smoothing weights for 2h+1 points and degree 4 from
// Eigen's SVD (independent of the integer derivation).
std::vector<double> EigenSmoothing(int h) {
  const int n = 2 * h + 1;
  Eigen::MatrixXd a(n, 5);
  for (int r = 0; r < n; ++r)
    for (int p = 0; p <= 4; ++p)
      a(r, p) = std::pow(double(r - h), p);
  Eigen::MatrixXd coef =
      a.jacobiSvd(Eigen::ComputeThinU | Eigen::ComputeThinV).solve(Eigen::MatrixXd::Identity(n, n));
  std::vector<double> w(n);
  for (int t = 0; t < n; ++t)
    w[t] = coef(0, t);
  return w;
}

}  // namespace

// ---------------------------------------------------------------- FillGaps

TEST(FillGaps, InsertsZeroPointsIntoHoles) {
  struct Case {
    const char* what;
    tXYarray in;
    tXYarray expected;
  };
  const Case cases[] = {
      {"holes of 3 become two points", FromXY({{50, 7}, {53, 9}}),
       FromXY({{50, 7}, {51, 0}, {52, 0}, {53, 9}})},
      {"a step of 1.5 stays", FromXY({{10, 1}, {11.5f, 2}}), FromXY({{10, 1}, {11.5f, 2}})},
      {"2.5 rounds to 2 parts: one point at +1.25", FromXY({{10, 1}, {12.5f, 2}}),
       FromXY({{10, 1}, {11.25f, 0}, {12.5f, 2}})},
      {"3.5 rounds to 4 parts: three points", FromXY({{10, 1}, {13.5f, 2}}),
       FromXY({{10, 1}, {10.875f, 0}, {11.75f, 0}, {12.625f, 0}, {13.5f, 2}})},
      {"one point", FromXY({{5, 3}}), FromXY({{5, 3}})},
      {"descending masses are left alone", FromXY({{20, 1}, {10, 2}}), FromXY({{20, 1}, {10, 2}})},
  };
  for (const Case& c : cases) {
    tXYarray out;
    FillGaps(c.in, out);
    EXPECT_EQ(out, c.expected) << c.what;
  }
}

TEST(FillGaps, EmptyInputLeavesTheOutputAndTheInputMayBeTheOutput) {
  tXYarray out = FromXY({{1, 1}});
  FillGaps({}, out);
  EXPECT_EQ(out, FromXY({{1, 1}}));

  tXYarray same = FromXY({{1, 1}, {4, 4}});
  FillGaps(same, same);
  EXPECT_EQ(same, FromXY({{1, 1}, {2, 0}, {3, 0}, {4, 4}}));
}

TEST(FillGaps, RefusesMoreThanTwentyMillionPoints) {
  tXYarray out = FromXY({{1, 1}});
  // A corrupt mass of 1e30 would need 1e30 points; 3e7 is just beyond.
  for (float far : {3.0e7f, 1.0e30f, std::numeric_limits<float>::infinity()}) {
    EXPECT_THROW(FillGaps(FromXY({{0, 1}, {far, 2}}), out), SorrelError) << far;
    EXPECT_EQ(out, FromXY({{1, 1}}));
  }
  // Exactly at the limit: 3 points and 19999997 filled in between
  // (19999998 is a 32-bit float; odd integers of that size are not).
  tXYarray ok;
  FillGaps(FromXY({{0, 1}, {19999998.0f, 2}, {19999998.0f, 3}}), ok);
  EXPECT_EQ(ok.size(), kMaxFilledPoints);
  EXPECT_EQ(ok[12345][0], 12345.0f);
  EXPECT_EQ(ok[12345][1], 0.0f);
  EXPECT_EQ(ok.back(), (dPoint{19999998.0f, 3}));
}

// ---------------------------------------------------------------- SGSmooth

TEST(SGSmooth, SpikeBecomesTheWeightsOfTheSevenPointWindow) {
  std::vector<float> y(20, 0.0f);
  y[10] = 231;
  tXYarray out;
  ASSERT_TRUE(Smoothed(FromY(y), SmoothOptions(1), out));
  std::vector<float> expected(20, 0.0f);
  const float spread[] = {5, -30, 75, 131, 75, -30, 5};  // the weights over 231
  for (int i = 0; i < 7; ++i)
    expected[7 + i] = spread[i];
  EXPECT_EQ(Ys(out), expected);
}

TEST(SGSmooth, OnlyPointsKPlus3ToNMinusKMinus3Change) {
  std::mt19937 rng(7);
  std::uniform_real_distribution<float> u(0, 1000);
  std::vector<float> y(12);
  for (float& v : y)
    v = u(rng);
  tXYarray in = FromY(y), out;
  ASSERT_TRUE(Smoothed(in, SmoothOptions(1), out));
  ASSERT_EQ(out.size(), 12u);
  for (int i = 0; i < 12; ++i) {
    EXPECT_EQ(out[i][0], in[i][0]);
    if (i < 4 || i > 8)
      EXPECT_EQ(out[i][1], in[i][1]) << i;
    else
      EXPECT_NE(out[i][1], in[i][1]) << i;
  }
}

TEST(SGSmooth, InteriorEqualsConvolutionWithLeastSquaresWeights) {
  std::mt19937 rng(11);
  std::uniform_real_distribution<float> u(-50, 5000);
  std::vector<float> y(300);
  for (float& v : y)
    v = u(rng);
  tXYarray in = FromY(y, 100.0f, 1.0f);
  for (int k = 1; k <= 10; ++k) {
    tXYarray out;
    ASSERT_TRUE(Smoothed(in, SmoothOptions(k), out));
    const int h = k + 2;
    std::vector<double> w = EigenSmoothing(h);
    for (int i = k + 3; i <= 300 - k - 3; ++i) {
      double ref = 0;
      for (int t = -h; t <= h; ++t)
        ref += w[t + h] * y[i + t];
      // The weights agree to 1e-15; the only difference left is the final
      // rounding to 32 bits.
      EXPECT_NEAR(out[i][1], ref, std::abs(ref) * 1.2e-7 + 1e-9) << "k " << k << " i " << i;
    }
  }
}

TEST(SGSmooth, ConstantsAndLowOrderPolynomialsPassUnchanged) {
  for (int k = 1; k <= 10; ++k) {
    tXYarray out;
    ASSERT_TRUE(Smoothed(FromY(std::vector<float>(40, 123.25f)), SmoothOptions(k), out));
    for (const dPoint& p : out)
      EXPECT_EQ(p[1], 123.25f) << k;

    // A quartic in the point index: the degree-4 fit reproduces it.
    std::vector<float> q(60);
    for (int i = 0; i < 60; ++i) {
      double t = (i - 30) / 10.0;
      q[i] = float(3 + 2 * t - 1.5 * t * t + 0.25 * t * t * t - 0.125 * t * t * t * t);
    }
    ASSERT_TRUE(Smoothed(FromY(q), SmoothOptions(k), out));
    for (int i = 0; i < 60; ++i)
      EXPECT_NEAR(out[i][1], q[i], 2e-5 * (1 + std::abs(q[i]))) << k << " " << i;
  }
}

TEST(SGSmooth, FailuresAndShortSpectra) {
  tXYarray out = FromXY({{1, 1}});
  EXPECT_FALSE(Smoothed({}, SmoothOptions(3), out));
  EXPECT_TRUE(out.empty()) << "an empty input empties the output";

  tXYarray in = FromY({1, 5, 2, 8, 3, 9, 4, 7, 1, 6, 2, 8, 3, 9});
  for (int k : {0, 11, -3, 1000}) {
    out.clear();
    const StepResult r = SGSmooth(in, SmoothOptions(k), out);
    EXPECT_FALSE(r.Done) << k;
    EXPECT_EQ(r.Error, "Smoothing/Wrong peak factor") << k;
    EXPECT_EQ(out, in) << "the unsmoothed copy";
    // Refused before the spectrum is looked at: an empty one too.
    EXPECT_EQ(SGSmooth({}, SmoothOptions(k), out).Error, "Smoothing/Wrong peak factor");
  }

  // Fewer points than 2k+6: returned as they are, done.
  for (int k = 1; k <= 10; ++k) {
    std::vector<float> y(2 * k + 5);
    for (size_t i = 0; i < y.size(); ++i)
      y[i] = float(i * i % 7);
    EXPECT_TRUE(Smoothed(FromY(y), SmoothOptions(k), out)) << k;
    EXPECT_EQ(Ys(out), y) << k;
  }
  EXPECT_TRUE(Smoothed(FromY({42}), SmoothOptions(1), out));
  EXPECT_EQ(Ys(out), std::vector<float>{42});
}

TEST(SGSmooth, GapsAreFilledWhenFillNullIsSet) {
  tXYarray in = FromXY({{50, 10}, {53, 20}});
  tXYarray out;
  EXPECT_TRUE(Smoothed(in, SmoothOptions(1, true), out));
  EXPECT_EQ(out, FromXY({{50, 10}, {51, 0}, {52, 0}, {53, 20}}));
  EXPECT_TRUE(Smoothed(in, SmoothOptions(1, false), out));
  EXPECT_EQ(out, in);
  // A wrong window still returns the gap-filled spectrum.
  EXPECT_FALSE(SGSmooth(in, SmoothOptions(0, true), out).Done);
  EXPECT_EQ(out.size(), 4u);
  // The options' own defaults fill the mass spectrum after SetDefaults.
  tSpOpt defaults("");
  defaults.SetDefaults();
  EXPECT_TRUE(Smoothed(in, defaults.oMass.Smooth, out));
  EXPECT_EQ(out.size(), 4u);
}

TEST(SGSmooth, ExtremeValues) {
  // 1e38 everywhere: the 64-bit sum holds it and the constant passes.
  tXYarray out;
  ASSERT_TRUE(Smoothed(FromY(std::vector<float>(30, 1e38f)), SmoothOptions(1), out));
  for (const dPoint& p : out)
    EXPECT_EQ(p[1], 1e38f);

  // Signs that follow the signs of the weights around index 10: there the
  // smoothed value is (131 + 150 + 60 + 10) / 231 = 1.52 times 3.4e38,
  // beyond a 32-bit float: an arithmetic fault, and the output is untouched.
  std::vector<float> y(30, 3.4e38f);
  y[8] = y[12] = -3.4e38f;
  out = FromXY({{7, 7}});
  EXPECT_THROW(Smoothed(FromY(y), SmoothOptions(1), out), MathError);
  EXPECT_EQ(out, FromXY({{7, 7}}));
}

TEST(SGSmooth, TheOutputMayBeTheInput) {
  std::vector<float> y(20, 0.0f);
  y[10] = 231;
  tXYarray s = FromY(y);
  ASSERT_TRUE(Smoothed(s, SmoothOptions(1), s));
  EXPECT_EQ(s[10][1], 131.0f);
  EXPECT_EQ(s[7][1], 5.0f);
}

// ----------------------------------------------------------- AutoThreshold

TEST(AutoThreshold, MeanOfTheValuesBelowTwiceTheMean) {
  struct Case {
    std::vector<float> y;
    float level;
  };
  const Case cases[] = {
      {{1, 1, 1, 1, 100}, 1.0f},       // mean 20.8: only the four 1s are below 41.6
      {{4, 4, 4}, 4.0f},               // all below twice the mean
      {{0, 0, 0}, 0.0f},               // none below 0: level 0
      {{-2, -2}, 0.0f},                // twice the mean is -4: none below
      {{2, 6}, 4.0f},                  // both below 8
      {{3e38f, 3e38f, 3e38f}, 3e38f},  // no overflow of the sums
  };
  for (const Case& c : cases)
    EXPECT_EQ(AutoThreshold(FromY(c.y)), c.level);
  EXPECT_EQ(AutoThreshold({}), 0.0f);
}

TEST(AutoThreshold, LongSpectraKeepFullPrecision) {
  // A million intensities near 1e5: a 32-bit running sum would reach 1e11,
  // where its steps are 8192 wide, and lose several per cent.
  std::mt19937 rng(3);
  std::uniform_real_distribution<float> u(9.0e4f, 1.1e5f);
  std::vector<float> y(1000000);
  for (float& v : y)
    v = u(rng);
  // Oracle: the exact mean with an 80-bit accumulator; every value lies
  // below twice the mean, so the level is the mean of all.
  long double sum = 0;
  for (float v : y)
    sum += v;
  const double exact = double(sum / y.size());
  EXPECT_NEAR(AutoThreshold(FromY(y)), exact, exact * 1.2e-7);
}

// --------------------------------------------------------- SubtractBaseline

TEST(SubtractBaseline, SubtractsOrSetsOne) {
  rBLine o;
  o.Threshold = 10;
  tXYarray out;
  const BaselineResult r = SubtractBaseline(FromY({25, 10, 3, 10.5f}), o, out);
  ASSERT_TRUE(r.Done);
  EXPECT_EQ(r.Threshold, 10.0);
  EXPECT_EQ(Ys(out), (std::vector<float>{15, 0, 1, 0.5f}));
  EXPECT_EQ(out[3][0], 3.0f);
}

TEST(SubtractBaseline, AutomaticLevelIsAnswered) {
  rBLine o;
  o.Threshold = 2;
  o.AutoTS = true;
  tXYarray out;
  const BaselineResult r = SubtractBaseline(FromY({1, 1, 1, 1, 100}), o, out);
  ASSERT_TRUE(r.Done);
  EXPECT_EQ(Ys(out), (std::vector<float>{0, 0, 0, 0, 99}));
  EXPECT_EQ(r.Threshold, 1.0) << "the level used";
  EXPECT_EQ(o.Threshold, 2.0) << "the settings are not touched";
}

TEST(SubtractBaseline, EmptyInputAndOverflow) {
  rBLine o;
  o.AutoTS = true;
  o.Threshold = 5;
  tXYarray out = FromXY({{1, 1}});
  EXPECT_FALSE(SubtractBaseline({}, o, out).Done);
  EXPECT_EQ(out, FromXY({{1, 1}}));

  // A level of -1e38 lifts 3e38 beyond the largest float.
  o.AutoTS = false;
  o.Threshold = -1e38;
  EXPECT_THROW(SubtractBaseline(FromY({3e38f, 0}), o, out), MathError);
  EXPECT_EQ(out, FromXY({{1, 1}}));
  // Extreme but representable values pass.
  o.Threshold = 1e38;
  ASSERT_TRUE(SubtractBaseline(FromY({3e38f, -3e38f}), o, out).Done);
  EXPECT_EQ(Ys(out), (std::vector<float>{float(3e38 - 1e38), 1}));
}
