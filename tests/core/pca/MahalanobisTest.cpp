// Training statistics, projection and Mahalanobis score, against
// quantities recomputed with Eigen from the same decomposition.
#include <gtest/gtest.h>

#include <cmath>

#include "PcaTestData.h"
#include "core/common/Errors.h"
#include "core/pca/Mahalanobis.h"
#include "core/pca/Nipals.h"

using namespace sorrel;
using sorrel::test::FromEigen;
using sorrel::test::ToEigen;

namespace {

// Orthonormal loadings (a rows of m) from Eigen's QR.
aadouble OrthonormalRows(int a, int m, unsigned seed) {
  std::mt19937 gen(seed);
  std::normal_distribution<double> nd;
  Eigen::MatrixXd b = Eigen::MatrixXd::NullaryExpr(m, a, [&] { return nd(gen); });
  Eigen::MatrixXd q =
      Eigen::HouseholderQR<Eigen::MatrixXd>(b).householderQ() * Eigen::MatrixXd::Identity(m, a);
  return FromEigen(q.transpose());
}

}  // namespace

TEST(CalcTrainingStats, MatchesEigenFromTheSameDecomposition) {
  const double prec = 1e-8;
  const aadouble X = sorrel::test::ReplicateSpectra(14, 60, 4);
  const int a = 4;
  aadouble M, loadings;
  adouble mean;
  double rcm = 0, rmsg = 0;
  CalcTrainingStats(X, a, prec, M, mean, rcm, rmsg, &loadings);

  // Oracle: the scores and residual of the decomposition, the rest in Eigen.
  aadouble E, P, T;
  adouble eig;
  CalcPCA(X, a, prec, E, eig, P, T);
  EXPECT_EQ(loadings, P);
  const int n = static_cast<int>(X.size());
  Eigen::VectorXd res = ToEigen(E).rowwise().squaredNorm();
  const double wantRcM = res.mean();
  Eigen::MatrixXd Z(n, a + 1);
  Z.leftCols(a) = ToEigen(T);
  Z.col(a) = res.array() - wantRcM;
  const Eigen::MatrixXd wantM = Z.transpose() * Z / (n - 1);
  const Eigen::MatrixXd inv = wantM.inverse();
  const Eigen::VectorXd md = (Z * inv * Z.transpose()).diagonal();
  const double wantRMSG = md.squaredNorm() / (n - 1);

  EXPECT_NEAR(rcm, wantRcM, 1e-12 * wantRcM);
  EXPECT_NEAR(rmsg, wantRMSG, 1e-8 * wantRMSG);
  const Eigen::MatrixXd gotM = ToEigen(M);
  EXPECT_LT((gotM - wantM).cwiseAbs().maxCoeff(), 1e-12 * wantM.cwiseAbs().maxCoeff());
  for (int k = 0; k < a; ++k)
    EXPECT_NEAR(mean[static_cast<size_t>(k)], ToEigen(T).col(k).mean(), 1e-9);

  // A training spectrum scored against its own training: md[i] / RMSG.
  for (int i = 0; i < n; ++i) {
    adouble z(static_cast<size_t>(a + 1));
    for (int p = 0; p <= a; ++p)
      z[static_cast<size_t>(p)] = Z(i, p);
    EXPECT_NEAR(MahalScore(M, a, z, rmsg), md(i) / rmsg, 1e-8 * md(i) / rmsg + 1e-12);
  }
}

TEST(CalcTrainingStats, TooFewSpectraAreErrors) {
  const double prec = 1e-6;
  aadouble M = {{1}};
  adouble mean = {2};
  double rcm = 3, rmsg = 4;
  // n = 1 divides by n - 1 = 0; n = a leaves MahalMat singular.
  EXPECT_THROW(CalcTrainingStats({{1, 2, 3}}, 1, prec, M, mean, rcm, rmsg), MathError);
  EXPECT_THROW(CalcTrainingStats({{1, 2, 3}, {2, 1, 1}}, 2, prec, M, mean, rcm, rmsg), MathError);
  EXPECT_THROW(CalcTrainingStats({{1, 2, 3}, {2, 1, 1}}, 3, prec, M, mean, rcm, rmsg), MathError);
  EXPECT_EQ(M, aadouble({{1}}));
  EXPECT_EQ(mean, adouble({2}));
  EXPECT_EQ(rcm, 3);
  EXPECT_EQ(rmsg, 4);
}

TEST(CalcTrainingStats, IdenticalSpectraGiveASingularMatrix) {
  // Three copies of one spectrum: every residual is the same, so the last
  // column of Z is zero and MahalMat singular.
  const double prec = 1e-6;
  aadouble M;
  adouble mean;
  double rcm = 0, rmsg = 0;
  EXPECT_THROW(CalcTrainingStats({{1, 2, 3}, {1, 2, 3}, {1, 2, 3}}, 1, prec, M, mean, rcm, rmsg),
               MathError);
  EXPECT_TRUE(M.empty());
}

TEST(ProjectSpectrum, ZeroSpectrumGivesZeroScores) {
  const aadouble P = OrthonormalRows(3, 30, 1);
  adouble s;
  ProjectSpectrum(3, adouble(30, 0.0), P, 12.5, s);
  ASSERT_EQ(s.size(), 4u);
  for (int k = 0; k < 3; ++k)
    EXPECT_NEAR(s[static_cast<size_t>(k)], 0.0, 1e-3);
  EXPECT_NEAR(s[3], -12.5, 1e-6);
}

TEST(ProjectSpectrum, MultipleOfALoading) {
  const aadouble P = OrthonormalRows(3, 50, 2);
  for (double c : {250.0, -3.0, 0.02}) {
    for (size_t k = 0; k < 3; ++k) {
      adouble v(50);
      for (size_t j = 0; j < 50; ++j)
        v[j] = c * P[k][j];
      adouble s;
      ProjectSpectrum(3, v, P, 7.0, s);
      EXPECT_NEAR(s[k], c, 1e-3 * std::fabs(c)) << c << " " << k;
      // What is left is a small multiple of loading k.
      EXPECT_NEAR(s[3], -7.0, 1e-5 * c * c + 1e-9);
    }
  }
}

TEST(ProjectSpectrum, AgreesWithLeastSquaresAndKeepsStartValues) {
  // For orthonormal loadings the least-squares coordinates are P v; the
  // golden-section search finds them to a relative 10^-3 of their size.
  const aadouble P = OrthonormalRows(4, 40, 3);
  std::mt19937 gen(9);
  std::uniform_real_distribution<double> u(0, 100);
  adouble v(40);
  for (double& x : v)
    x = u(gen);
  const Eigen::VectorXd want = ToEigen(P) * Eigen::Map<const Eigen::VectorXd>(v.data(), 40);
  const double rest =
      (Eigen::Map<const Eigen::VectorXd>(v.data(), 40) - ToEigen(P).transpose() * want)
          .squaredNorm();
  for (const adouble& start :
       {adouble{}, adouble{want(0), want(1), want(2), want(3)}, adouble{-1, 2}}) {
    adouble s = start;
    ProjectSpectrum(4, v, P, 100.0, s);
    ASSERT_EQ(s.size(), 5u);
    for (int k = 0; k < 4; ++k)
      EXPECT_NEAR(s[static_cast<size_t>(k)], want(k), 2e-3 * std::fabs(want(k)) + 1e-3) << k;
    EXPECT_NEAR(s[4], rest - 100.0, 0.05 * rest);
  }
}

TEST(ProjectSpectrum, MismatchedLengthsAndZeroLoadingsAreErrors) {
  adouble s = {1, 2};
  EXPECT_THROW(ProjectSpectrum(2, adouble(5), OrthonormalRows(2, 6, 1), 0, s), SorrelError);
  EXPECT_THROW(ProjectSpectrum(3, adouble(6), OrthonormalRows(2, 6, 1), 0, s), SorrelError);
  EXPECT_THROW(ProjectSpectrum(1, adouble(3, 1.0), {{0, 0, 0}}, 0, s), SorrelError);
  EXPECT_EQ(s, adouble({1, 2}));
}

TEST(BracketMinimum, BracketsAParabolaFromEitherSide) {
  struct Case {
    double ax, bx, minimum;
  } cases[] = {{0, 100000, 3}, {-18, 22, 2}, {100000, 0, 3}, {0, 1, -5000}, {5, 5.5, 5.2}};
  for (const Case& c : cases) {
    auto f = [&](double x) { return (x - c.minimum) * (x - c.minimum) + 1; };
    Bracket b = BracketMinimum(c.ax, c.bx, f);
    EXPECT_LE(b.fb, b.fa);
    EXPECT_LE(b.fb, b.fc);
    EXPECT_LE(std::min(b.ax, b.cx), c.minimum);
    EXPECT_GE(std::max(b.ax, b.cx), c.minimum);
    EXPECT_EQ(b.fb, f(b.bx));
    double x = GoldenSearch(b.ax, b.bx, b.cx, 0.001, f);
    EXPECT_NEAR(x, c.minimum, 0.002 * std::fabs(c.minimum) + 1e-9);
  }
}

TEST(GoldenSearch, MinimumExactlyAtZeroEnds) {
  // The tolerance is relative to |x1| + |x2|, which shrinks with the
  // interval when the minimum lies at 0; the search still ends.
  auto f = [](double x) { return x * x; };
  Bracket b = BracketMinimum(0, 100000, f);
  double x = GoldenSearch(b.ax, b.bx, b.cx, 0.001, f);
  EXPECT_LT(std::fabs(x), 1e-100);
}

TEST(MahalScore, QuadraticFormOverRMSG) {
  const aadouble M = {{4, 1, 0.5}, {1, 3, 0.2}, {0.5, 0.2, 2}};
  const adouble s = {1.5, -2, 0.7};
  const Eigen::VectorXd es = Eigen::Map<const Eigen::VectorXd>(s.data(), 3);
  const double want = es.dot(ToEigen(M).inverse() * es) / 2.5;
  EXPECT_NEAR(MahalScore(M, 2, s, 2.5), want, 1e-14 * want);
  EXPECT_EQ(MahalScore(M, 2, {0, 0, 0}, 2.5), 0.0);
}

TEST(MahalScore, FaultsAreErrors) {
  EXPECT_THROW(MahalScore({{1, 2}, {2, 4}}, 1, {1, 1}, 1.0), MathError);  // singular
  EXPECT_THROW(MahalScore({{1, 0}, {0, 1}}, 1, {1, 1}, 0.0), MathError);  // RMSG = 0
  EXPECT_THROW(MahalScore({{1, 0}, {0, 1}}, 2, {1, 1, 1}, 1.0), SorrelError);
  EXPECT_THROW(MahalScore({{1, 0}, {0, 1}}, 1, {1}, 1.0), SorrelError);
  EXPECT_THROW(MahalScore({{1, 0}, {0}}, 1, {1, 1}, 1.0), SorrelError);
}

TEST(Classification, AnswersAtTheLimits) {
  struct Case {
    double d;
    const char* answer;
  } cases[] = {{0, "Yes"},     {0.99, "Yes"},     {1.0, "Yes"}, {1.0000001, "Poss."},
               {3.0, "Poss."}, {3.0000001, "No"}, {1e9, "No"}};
  for (const Case& c : cases)
    EXPECT_EQ(ClassAnswer(c.d, 1.0, 3.0), c.answer) << c.d;
}

TEST(Classification, ScoreText) {
  struct Case {
    double d;
    const char* text;
  } cases[] = {{0.5, "0.5"},
               {1.234567, "1.23457"},
               {123456, "123456"},
               {1234567, "1.23457E006"},
               {0.000012345, "1.2345E-005"},
               {0, "0"}};
  for (const Case& c : cases)
    EXPECT_EQ(ScoreText(c.d), c.text) << c.d;
}
