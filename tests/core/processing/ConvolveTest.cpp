// The convolution loop behind smoothing and the first derivative: the
// AVX2 code (where the processor has it) and the base code give the same
// bits, and both equal a plain double-precision evaluation of the formula.
#include <gtest/gtest.h>

#include <cstring>
#include <limits>
#include <random>

#include "core/processing/Convolve.h"
#include "core/processing/SavitzkyGolay.h"

using namespace sorrel;

namespace {

template <int H, bool Symmetric>
void CheckWindow(const tXYarray& src, const int64_t* c, int64_t norm) {
  const size_t lo = H, hi = src.size() - H - 1;
  tXYarray wide = src, base = src;
  ASSERT_TRUE(
      (detail::ConvolveY<H, Symmetric>(src.data(), wide.data(), c, double(norm), lo, hi, true)));
  ASSERT_TRUE(
      (detail::ConvolveY<H, Symmetric>(src.data(), base.data(), c, double(norm), lo, hi, false)));
  for (size_t i = 0; i < src.size(); ++i) {
    ASSERT_EQ(std::memcmp(&wide[i], &base[i], sizeof(dPoint)), 0) << "H " << H << " i " << i;
    if (i < lo || i > hi) {
      ASSERT_EQ(base[i], src[i]) << "outside the range nothing changes";
      continue;
    }
    // The formula, written out once more in the plainest way.
    double acc = Symmetric ? double(c[0]) * double(src[i][1]) : 0.0;
    for (int j = 1; j <= H; ++j) {
      const double a = src[i - j][1], b = src[i + j][1];
      acc += double(c[j]) * (Symmetric ? a + b : b - a);
    }
    ASSERT_EQ(base[i][1], static_cast<float>(acc / double(norm))) << "H " << H << " i " << i;
    ASSERT_EQ(base[i][0], src[i][0]);
  }
}

}  // namespace

TEST(Convolve, WideAndBaseCodeAgreeToTheBit) {
  std::mt19937 rng(9);
  // Intensities over many orders of magnitude, so that the sums round.
  std::uniform_real_distribution<double> expo(-3, 30), sign(-1, 1);
  tXYarray src(5000);  // more than two blocks of 2048
  for (size_t i = 0; i < src.size(); ++i)
    src[i] = {float(i) * 0.1f, float((sign(rng) < -0.8 ? -1 : 1) * std::pow(10.0, expo(rng)))};
  const SGSmoothWeights& s1 = SmoothingWeights(1);
  const SGSmoothWeights& s9 = SmoothingWeights(9);
  const SGSmoothWeights& s10 = SmoothingWeights(10);
  CheckWindow<3, true>(src, s1.c.data(), s1.norm);
  CheckWindow<11, true>(src, s9.c.data(), s9.norm);
  CheckWindow<12, true>(src, s10.c.data(), s10.norm);
  const SGDerivWeights& d1 = DerivativeWeights(1);
  const SGDerivWeights& d7 = DerivativeWeights(7);
  const SGDerivWeights& d11 = DerivativeWeights(11);
  CheckWindow<2, false>(src, d1.w.data(), d1.norm);
  CheckWindow<8, false>(src, d7.w.data(), d7.norm);
  CheckWindow<12, false>(src, d11.w.data(), d11.norm);
}

TEST(Convolve, OverflowIsReported) {
  tXYarray src(40, dPoint{0.0f, 3.0e38f});
  src[20][1] = -3.0e38f;
  tXYarray dst = src;
  const SGDerivWeights& d1 = DerivativeWeights(1);
  // At 19 and 21, y[i+1] - y[i-1] is -6e38 and 6e38, and 8/12 of it does
  // not fit a 32-bit float (at 20 the differences cancel).
  for (bool wide : {true, false})
    EXPECT_FALSE((detail::ConvolveY<2, false>(src.data(), dst.data(), d1.w.data(), double(d1.norm),
                                              2, 37, wide)));
  // Short ranges and a single point work as well.
  tXYarray small(7, dPoint{1.0f, 2.0f});
  tXYarray out = small;
  const SGSmoothWeights& s1 = SmoothingWeights(1);
  EXPECT_TRUE(
      (detail::ConvolveY<3, true>(small.data(), out.data(), s1.c.data(), double(s1.norm), 3, 3)));
  EXPECT_EQ(out[3][1], 2.0f);
}

TEST(Convolve, LaneSumOrder) {
  // Four partial sums from lo, the tail added to the first, then
  // (s0 + s1) + (s2 + s3): with these values the order shows in the bits.
  const double v[] = {1e16, 1, -1e16, 1, 1, 3, 5};
  // s0 = v0 + v4, then the tail v6; s1 = v1 + v5; s2 = v2; s3 = v3.
  // Rounding makes the order visible: this order gives 8, the plain
  // left-to-right sum 10 (both computed with Python floats).
  const double s0 = (1e16 + 1.0) + 5.0, s1 = 1.0 + 3.0, s2 = -1e16, s3 = 1.0;
  EXPECT_EQ(detail::LaneSum(0, 7, [&](size_t i) { return v[i]; }), (s0 + s1) + (s2 + s3));
  EXPECT_EQ(detail::LaneSum(0, 7, [&](size_t i) { return v[i]; }), 8.0);
  EXPECT_EQ(detail::LaneSum(3, 3, [&](size_t i) { return v[i]; }), 0.0);
  EXPECT_EQ(detail::LaneSum(4, 7, [&](size_t i) { return v[i]; }), 9.0);
}
