// Savitzky-Golay weights: the integers derived by the exact least-squares
// solution, checked against the published norms and rows and against an
// independent floating-point fit with Eigen's SVD.
#include <gtest/gtest.h>

#include <Eigen/Dense>
#include <vector>

#include "core/processing/SavitzkyGolay.h"

using namespace sorrel;

namespace {

// Row 0 (value at the centre) or row 1 (slope at the centre) of the
// least-squares fit of a polynomial of `degree` to the points -half .. half,
// i.e. the weight of each point, from Eigen's SVD of the Vandermonde matrix.
std::vector<double> EigenWeights(int half, int degree, int row) {
  const int n = 2 * half + 1;
  Eigen::MatrixXd a(n, degree + 1);
  for (int r = 0; r < n; ++r)
    for (int p = 0; p <= degree; ++p)
      a(r, p) = std::pow(double(r - half), p);
  Eigen::JacobiSVD<Eigen::MatrixXd> svd(a, Eigen::ComputeThinU | Eigen::ComputeThinV);
  Eigen::MatrixXd coef = svd.solve(Eigen::MatrixXd::Identity(n, n));  // (degree+1) x n
  std::vector<double> w(n);
  for (int t = 0; t < n; ++t)
    w[t] = coef(row, t);
  return w;
}

}  // namespace

TEST(SavitzkyGolay, SmoothingNormsAreThoseOfTheWeightTables) {
  // Norms for k = 1 .. 10 as the weight tables give them.
  const int64_t norms[] = {231, 429, 429, 2431, 46189, 4199, 7429, 260015, 6555, 30015};
  for (int k = 1; k <= 10; ++k) {
    const SGSmoothWeights& w = SmoothingWeights(k);
    SCOPED_TRACE(k);
    EXPECT_EQ(w.half, k + 2);
    EXPECT_EQ(w.norm, norms[k - 1]);
    int64_t total = w.c[0];
    for (int j = 1; j <= w.half; ++j)
      total += 2 * w.c[j];
    EXPECT_EQ(total, w.norm);  // a constant passes unchanged
  }
}

TEST(SavitzkyGolay, SmoothingRowsOfTheWeightTables) {
  struct Row {
    int k;
    std::vector<int64_t> c;
  };
  const Row rows[] = {
      {1, {131, 75, -30, 5}},
      {2, {179, 135, 30, -55, 15}},
      {3, {143, 120, 60, -10, -45, 18}},
      {4, {677, 600, 390, 110, -135, -198, 110}},
      {5, {11063, 10125, 7500, 3755, -165, -2937, -2860, 2145}},
      {10, {4253, 4125, 3750, 3155, 2385, 1503, 590, -255, -915, -1255, -1122, -345, 1265}},
  };
  for (const Row& r : rows) {
    const SGSmoothWeights& w = SmoothingWeights(r.k);
    ASSERT_EQ(static_cast<size_t>(w.half) + 1, r.c.size()) << r.k;
    for (size_t j = 0; j < r.c.size(); ++j)
      EXPECT_EQ(w.c[j], r.c[j]) << "k " << r.k << " j " << j;
  }
}

TEST(SavitzkyGolay, SmoothingWeightsEqualAnSvdFitOfDegreeFourAndFive) {
  for (int k = 1; k <= 10; ++k) {
    const SGSmoothWeights& w = SmoothingWeights(k);
    for (int degree : {4, 5}) {
      std::vector<double> ref = EigenWeights(w.half, degree, 0);
      for (int t = -w.half; t <= w.half; ++t) {
        double mine = double(w.c[std::abs(t)]) / double(w.norm);
        EXPECT_NEAR(mine, ref[t + w.half], 1e-12)
            << "k " << k << " degree " << degree << " t " << t;
      }
    }
  }
}

TEST(SavitzkyGolay, DerivativeNormsAndRows) {
  const int64_t norms[] = {12,    252,    1188,    5148,   24024,  334152,
                           23256, 255816, 3634092, 197340, 1776060};
  for (int s = 1; s <= 11; ++s) {
    EXPECT_EQ(DerivativeWeights(s).norm, norms[s - 1]) << s;
    EXPECT_EQ(DerivativeWeights(s).half, s + 1) << s;
  }
  struct Row {
    int s;
    std::vector<int64_t> w;  // w1 .. w(s+1)
  };
  const Row rows[] = {{1, {8, -1}}, {2, {58, 67, -22}}, {3, {126, 193, 142, -86}}};
  for (const Row& r : rows)
    for (size_t j = 0; j < r.w.size(); ++j)
      EXPECT_EQ(DerivativeWeights(r.s).w[j + 1], r.w[j]) << "s " << r.s << " j " << j + 1;
}

TEST(SavitzkyGolay, DerivativeWeightsEqualAnSvdFitOfDegreeThreeAndFour) {
  for (int s = 1; s <= 11; ++s) {
    const SGDerivWeights& w = DerivativeWeights(s);
    for (int degree : {3, 4}) {
      std::vector<double> ref = EigenWeights(w.half, degree, 1);
      EXPECT_NEAR(ref[w.half], 0.0, 1e-12);
      for (int j = 1; j <= w.half; ++j) {
        double mine = double(w.w[j]) / double(w.norm);
        EXPECT_NEAR(mine, ref[w.half + j], 1e-12)
            << "s " << s << " degree " << degree << " j " << j;
        EXPECT_NEAR(-mine, ref[w.half - j], 1e-12)
            << "s " << s << " degree " << degree << " j " << j;
      }
    }
  }
}

TEST(SavitzkyGolay, OutOfRangeIndicesGiveAnEmptyRecord) {
  for (int k : {-1, 0, 11, 1000})
    EXPECT_EQ(SmoothingWeights(k).half, 0) << k;
  for (int s : {-5, 0, 12})
    EXPECT_EQ(DerivativeWeights(s).half, 0) << s;
  // Half-windows the fit is undefined for (too few distinct points).
  EXPECT_EQ(DeriveSmoothingWeights(1).half, 0);
  EXPECT_EQ(DeriveDerivativeWeights(1).half, 0);
  EXPECT_EQ(DeriveSmoothingWeights(13).half, 0);
  // Five points and degree 4: the fit passes through every point.
  SGSmoothWeights five = DeriveSmoothingWeights(2);
  EXPECT_EQ(five.norm, 1);
  EXPECT_EQ(five.c[0], 1);
  EXPECT_EQ(five.c[1], 0);
  EXPECT_EQ(five.c[2], 0);
}
