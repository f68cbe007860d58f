// The NIPALS decomposition: hand-computed iterations, the exact moment the
// eigenvalue is taken, the undeflated last component, and agreement with
// Eigen's SVD of the same uncentred matrix.
#include <gtest/gtest.h>

#include <cmath>

#include "PcaTestData.h"
#include "ScriptedUi.h"
#include "core/common/Errors.h"
#include "core/pca/Nipals.h"

using namespace sorrel;
using sorrel::test::ScriptedUi;
using sorrel::test::ToEigen;
using sorrel::test::WithSingularValues;

namespace {

struct Pca {
  aadouble E, P, T;
  adouble eig;
};

Pca Decompose(const aadouble& X, int a, double precision) {
  Pca r;
  CalcPCA(X, a, precision, r.E, r.eig, r.P, r.T);
  return r;
}

// NIPALS written the plain way, term by term as the algorithm states it,
// with no attention to speed: the engine must give these values bit for
// bit, however it arranges its loops.
Pca PlainNipals(const aadouble& X, int a, double precision) {
  const size_t n = X.size(), m = X[0].size();
  Pca r;
  r.E = X;
  r.eig.assign(static_cast<size_t>(a), 0.0);
  r.P.assign(static_cast<size_t>(a), adouble(m, 0.0));
  r.T.assign(n, adouble(static_cast<size_t>(a), 0.0));
  for (size_t k = 0; k < static_cast<size_t>(a); ++k) {
    adouble t(n), told(n), p(m);
    for (size_t i = 0; i < n; ++i)
      t[i] = r.E[i][0];
    double ev = 0;
    while (true) {
      told = t;
      ev = 0;
      for (size_t i = 0; i < n; ++i)
        ev += t[i] * t[i];
      for (size_t j = 0; j < m; ++j) {
        double sum = 0;
        for (size_t i = 0; i < n; ++i)
          sum += t[i] * r.E[i][j] / ev;
        p[j] = sum;
      }
      double norm2 = 0;
      for (size_t j = 0; j < m; ++j)
        norm2 += p[j] * p[j];
      const double norm = std::sqrt(norm2);
      for (size_t j = 0; j < m; ++j)
        p[j] /= norm;
      double s = 0;
      for (size_t j = 0; j < m; ++j)
        s += p[j] * p[j];
      for (size_t i = 0; i < n; ++i) {
        double sum = 0;
        for (size_t j = 0; j < m; ++j)
          sum += r.E[i][j] * p[j] / s;
        t[i] = sum;
      }
      double d = 0;
      for (size_t i = 0; i < n; ++i)
        d += (told[i] - t[i]) * (told[i] - t[i]);
      if (d <= precision) break;
    }
    r.eig[k] = ev;
    r.P[k] = p;
    for (size_t i = 0; i < n; ++i)
      r.T[i][k] = t[i];
    if (k + 1 == static_cast<size_t>(a)) break;
    for (size_t i = 0; i < n; ++i)
      for (size_t j = 0; j < m; ++j)
        r.E[i][j] -= r.T[i][k] * r.P[k][j];
  }
  return r;
}

}  // namespace

TEST(CalcPCA, SameBitsAsThePlainAlgorithm) {
  struct Case {
    int n, m, a;
    double precision;
  } cases[] = {
      {35, 500, 10, 1e-3}, {34, 211, 6, 1e-3}, {7, 40, 3, 1e-9}, {3, 9, 3, 1e-3}, {5, 1, 1, 1e-3}};
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.n) + "x" + std::to_string(c.m));
    const aadouble X =
        sorrel::test::ReplicateSpectra(c.n, c.m, static_cast<unsigned>(c.n * 1000 + c.m));
    const Pca want = PlainNipals(X, c.a, c.precision);
    const Pca got = Decompose(X, c.a, c.precision);
    EXPECT_EQ(got.eig, want.eig);
    EXPECT_EQ(got.P, want.P);
    EXPECT_EQ(got.T, want.T);
    EXPECT_EQ(got.E, want.E);
  }
}

TEST(CalcPCA, TwoRowExampleByHand) {
  // t starts as column 0 = (3, 6); eigenvalue 45; p = (45, 60)/45 -> unit
  // (0.6, 0.8); t = (5, 10), d = 4 + 16 = 20. The second iteration takes
  // the eigenvalue 125, gives the same p and t, d = 0.
  const double prec = 0.001;
  Pca r = Decompose({{3, 4}, {6, 8}}, 1, prec);
  ASSERT_EQ(r.P.size(), 1u);
  EXPECT_NEAR(r.P[0][0], 0.6, 1e-15);
  EXPECT_NEAR(r.P[0][1], 0.8, 1e-15);
  EXPECT_NEAR(r.T[0][0], 5, 1e-14);
  EXPECT_NEAR(r.T[1][0], 10, 1e-14);
  EXPECT_NEAR(r.eig[0], 125, 1e-12);
  // With a = 1 the residual is the data matrix itself.
  EXPECT_EQ(r.E, aadouble({{3, 4}, {6, 8}}));
}

TEST(CalcPCA, StopsWhenTheChangeEqualsThePrecision) {
  // d of the first iteration is exactly 20: with the precision 20 the
  // iteration stops there, and the eigenvalue is the one taken at the start
  // of that iteration, 3^2 + 6^2 = 45, not 125.
  const double prec = 20.0;
  Pca r = Decompose({{3, 4}, {6, 8}}, 1, prec);
  EXPECT_EQ(r.eig[0], 45.0);
  EXPECT_NEAR(r.T[1][0], 10, 1e-14);
}

TEST(CalcPCA, MultiplesOfOneSpectrum) {
  const double prec = 1e-12;
  const adouble s = {2, 0, 5, 1, 3};
  double norm = 0;
  for (double v : s)
    norm += v * v;
  norm = std::sqrt(norm);
  aadouble X;
  for (double c : {1.0, 2.5, 0.3, 7.0}) {
    adouble row;
    for (double v : s)
      row.push_back(c * v);
    X.push_back(row);
  }
  Pca r = Decompose(X, 1, prec);
  for (size_t j = 0; j < s.size(); ++j)
    EXPECT_NEAR(r.P[0][j], s[j] / norm, 1e-14);
  const double cs[] = {1.0, 2.5, 0.3, 7.0};
  for (size_t i = 0; i < 4; ++i)
    EXPECT_NEAR(r.T[i][0], cs[i] * norm, 1e-12);
}

TEST(CalcPCA, ComponentCountLimits) {
  const double prec = 1e-10;
  const aadouble X = {{1, 2, 3}, {2, 1, 0}, {4, 4, 1}};
  Pca r = Decompose(X, 3, prec);  // a = n is allowed
  EXPECT_EQ(r.P.size(), 3u);
  EXPECT_EQ(r.T.size(), 3u);
  EXPECT_EQ(r.T[0].size(), 3u);

  Pca untouched;
  untouched.E = {{7}};
  untouched.P = {{8}};
  untouched.T = {{9}};
  untouched.eig = {10};
  CalcPCA(X, 4, prec, untouched.E, untouched.eig, untouched.P, untouched.T);  // a = n + 1
  EXPECT_EQ(untouched.E, aadouble({{7}}));
  EXPECT_EQ(untouched.P, aadouble({{8}}));
  EXPECT_EQ(untouched.T, aadouble({{9}}));
  EXPECT_EQ(untouched.eig, adouble({10}));
}

TEST(CalcPCA, MatchesEigenSvd) {
  // Well separated singular values; the iteration converges far below the
  // rounding noise of the scores, so loadings and eigenvalues agree with
  // the SVD to the last few digits.
  const std::vector<double> sigma = {1000, 300, 90, 25, 7, 2};
  const aadouble X = WithSingularValues(9, 40, sigma, 11);
  const double prec = 1e-20;
  const int a = 5;
  Pca r = Decompose(X, a, prec);
  Eigen::BDCSVD<Eigen::MatrixXd> svd(ToEigen(X), Eigen::ComputeThinU | Eigen::ComputeThinV);
  const Eigen::MatrixXd V = svd.matrixV();
  for (int k = 0; k < a; ++k) {
    SCOPED_TRACE(k);
    const double sv = svd.singularValues()(k);
    EXPECT_NEAR(r.eig[static_cast<size_t>(k)], sv * sv, 1e-9 * sv * sv);
    const double sign = V(0, k) * r.P[static_cast<size_t>(k)][0] < 0 ? -1.0 : 1.0;
    for (int j = 0; j < 40; ++j)
      EXPECT_NEAR(sign * r.P[static_cast<size_t>(k)][static_cast<size_t>(j)], V(j, k), 1e-9);
    for (int i = 0; i < 9; ++i)
      EXPECT_NEAR(sign * r.T[static_cast<size_t>(i)][static_cast<size_t>(k)],
                  svd.matrixU()(i, k) * sv, 1e-9 * sv);
  }
  // The residual lacks the first a-1 components only.
  Eigen::MatrixXd rest = ToEigen(X);
  for (int k = 0; k < a - 1; ++k)
    rest -= svd.singularValues()(k) * svd.matrixU().col(k) * V.col(k).transpose();
  EXPECT_LT((ToEigen(r.E) - rest).cwiseAbs().maxCoeff(), 1e-9);
}

TEST(CalcPCA, DefaultPrecisionAgreesWithSvdToWhatItImplies) {
  // At 10^-3 the iteration stops once the scores move by at most
  // sqrt(0.001) in all; relative to a singular value s, loadings are then
  // good to about sqrt(0.001)/s times the ratio of the singular values.
  const std::vector<double> sigma = {5000, 1200, 300};
  const aadouble X = WithSingularValues(8, 60, sigma, 5);
  const double prec = 1e-3;
  Pca r = Decompose(X, 3, prec);
  Eigen::BDCSVD<Eigen::MatrixXd> svd(ToEigen(X), Eigen::ComputeThinV);
  for (int k = 0; k < 3; ++k) {
    const double sv = svd.singularValues()(k);
    const Eigen::VectorXd v = svd.matrixV().col(k);
    double dot = 0;
    for (int j = 0; j < 60; ++j)
      dot += v(j) * r.P[static_cast<size_t>(k)][static_cast<size_t>(j)];
    EXPECT_GT(std::fabs(dot), 1 - 1e-6) << k;
    EXPECT_NEAR(r.eig[static_cast<size_t>(k)], sv * sv, 1e-4 * sv * sv) << k;
  }
}

TEST(CalcPCA, PrefixOfMoreComponentsIsTheSmallerDecomposition) {
  const aadouble X = sorrel::test::ReplicateSpectra(12, 80, 21);
  const double prec = 1e-3;
  Pca big = Decompose(X, 6, prec);
  std::vector<aadouble> stageResidual(6);
  Pca staged;
  CalcPCAStages(X, 6, prec, staged.E, staged.eig, staged.P, staged.T,
                [&](int k, const aadouble& e) { stageResidual[static_cast<size_t>(k)] = e; });
  EXPECT_EQ(staged.P, big.P);
  EXPECT_EQ(staged.E, big.E);
  for (int a = 1; a <= 6; ++a) {
    SCOPED_TRACE(a);
    Pca small = Decompose(X, a, prec);
    // Bit for bit: the same operations in the same order.
    for (int k = 0; k < a; ++k) {
      EXPECT_EQ(small.P[static_cast<size_t>(k)], big.P[static_cast<size_t>(k)]);
      EXPECT_EQ(small.eig[static_cast<size_t>(k)], big.eig[static_cast<size_t>(k)]);
      for (size_t i = 0; i < X.size(); ++i)
        EXPECT_EQ(small.T[i][static_cast<size_t>(k)], big.T[i][static_cast<size_t>(k)]);
    }
    EXPECT_EQ(small.E, stageResidual[static_cast<size_t>(a - 1)]);
  }
}

TEST(CalcPCA, ArithmeticFaultsAreErrorsAndLeaveTheOutputs) {
  const double prec = 1e-3;
  struct Case {
    const char* what;
    aadouble X;
    int a;
    const char* message;
  } cases[] = {
      {"all zero", {{0, 0}, {0, 0}}, 1, "zero in every spectrum"},
      // The first component takes everything: the residual is zero for the
      // second.
      {"rank one, two components", {{1, 2}, {2, 4}}, 2, "zero in every spectrum"},
      {"overflow", {{1e200, 1e200}, {1e200, -1e200}}, 1, "overflow"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Pca r;
    r.E = {{1}};
    r.eig = {2};
    try {
      CalcPCA(c.X, c.a, prec, r.E, r.eig, r.P, r.T);
      ADD_FAILURE() << "no error";
    } catch (const MathError& e) {
      EXPECT_NE(std::string(e.what()).find(c.message), std::string::npos) << e.what();
    }
    EXPECT_EQ(r.E, aadouble({{1}}));
    EXPECT_EQ(r.eig, adouble({2}));
    EXPECT_TRUE(r.P.empty());
  }
}

TEST(CalcPCA, MassChannelsOfZerosBeforeTheFirstPeakAreNoFault) {
  // The first masses of a mass window are often empty in every spectrum;
  // the iteration starts from the first channel that is not, and finds the
  // SVD's components (the leading zero columns add nothing to them).
  const std::vector<double> sigma = {500, 60, 9};
  aadouble X = WithSingularValues(6, 12, sigma, 5);
  for (adouble& row : X)
    row.insert(row.begin(), 3, 0.0);
  const double prec = 1e-20;
  Pca r = Decompose(X, 3, prec);
  Eigen::BDCSVD<Eigen::MatrixXd> svd(ToEigen(X), Eigen::ComputeThinU | Eigen::ComputeThinV);
  for (int k = 0; k < 3; ++k) {
    SCOPED_TRACE(k);
    const double sv = svd.singularValues()(k);
    EXPECT_NEAR(r.eig[static_cast<size_t>(k)], sv * sv, 1e-9 * sv * sv);
    const size_t first = 3;
    const double sign = svd.matrixV()(3, k) * r.P[static_cast<size_t>(k)][first] < 0 ? -1.0 : 1.0;
    for (int j = 0; j < 15; ++j)
      EXPECT_NEAR(sign * r.P[static_cast<size_t>(k)][static_cast<size_t>(j)], svd.matrixV()(j, k),
                  1e-9);
  }
}

TEST(CalcPCA, BadShapesAreRefused) {
  const double prec = 1e-3;
  Pca r;
  EXPECT_THROW(CalcPCA({}, 1, prec, r.E, r.eig, r.P, r.T), SorrelError);
  EXPECT_THROW(CalcPCA({{1, 2}}, 0, prec, r.E, r.eig, r.P, r.T), SorrelError);
  EXPECT_THROW(CalcPCA({{}, {}}, 1, prec, r.E, r.eig, r.P, r.T), SorrelError);
  EXPECT_THROW(CalcPCA({{1, 2}, {3}}, 1, prec, r.E, r.eig, r.P, r.T), SorrelError);
}

TEST(CalcPCA, UnreachablePrecisionEndsWithAnError) {
  // No change can be at most -1: instead of running for ever the
  // decomposition gives up after its iteration limit.
  const double prec = -1.0;
  Pca r;
  try {
    CalcPCA({{3, 4}, {6, 8}}, 1, prec, r.E, r.eig, r.P, r.T);
    ADD_FAILURE() << "no error";
  } catch (const MathError& e) {
    EXPECT_NE(std::string(e.what()).find("did not converge"), std::string::npos);
  }
}

TEST(CalcPCA, LetsEventsRunAfterEachComponentButTheLast) {
  ScriptedUi ui;
  const double prec = 1e-6;
  Decompose(sorrel::test::ReplicateSpectra(6, 20, 2), 4, prec);
  EXPECT_EQ(ui.processMessagesCalls, 3);
}
