// Leave-one-out cross-validation: the fast "Compact" series is exactly the
// straightforward computation, and one distance agrees with an Eigen
// recomputation from an SVD.
#include <gtest/gtest.h>

#include <cmath>

#include "PcaTestData.h"
#include "core/common/Errors.h"
#include "core/pca/CrossValidation.h"
#include "core/pca/Mahalanobis.h"
#include "core/pca/Nipals.h"

using namespace sorrel;
using sorrel::test::ToEigen;

namespace {

// The workbench's CrossValidate written out step by step: one CalcPCA for
// the loadings, CalcTrainingStats (its own decomposition) for the
// statistics, projection from the mean scores, MahalScore.
double StraightforwardCrossValidate(const aadouble& X, size_t leftOut, int nf, double prec) {
  aadouble rows;
  for (size_t i = 0; i < X.size(); ++i)
    if (i != leftOut) rows.push_back(X[i]);
  aadouble E, P, T;
  adouble eig;
  CalcPCA(rows, nf, prec, E, eig, P, T);
  aadouble M;
  adouble mean;
  double rcm = 0, rmsg = 0;
  CalcTrainingStats(rows, nf, prec, M, mean, rcm, rmsg);
  adouble s = mean;
  ProjectSpectrum(nf, X[leftOut], P, rcm, s);
  return MahalScore(M, nf, s, rmsg);
}

}  // namespace

TEST(CrossValidation, CompactIsExactlyTheStraightforwardAverage) {
  const double prec = 1e-3;
  const aadouble X = sorrel::test::ReplicateSpectra(12, 90, 8);
  const int a = 5;
  const adouble compact = CompactSeries(X, a, prec);
  const aadouble table = LeaveOneOutTable(X, a, prec);
  ASSERT_EQ(compact.size(), static_cast<size_t>(a));
  for (int nf = 1; nf <= a; ++nf) {
    double sum = 0;
    for (size_t l = 0; l < X.size(); ++l) {
      const double d = StraightforwardCrossValidate(X, l, nf, prec);
      EXPECT_EQ(table[l][static_cast<size_t>(nf - 1)], d) << "l=" << l << " nf=" << nf;
      EXPECT_EQ(CrossValidate(X, l, nf, prec), d);
      sum += d;
    }
    EXPECT_EQ(compact[static_cast<size_t>(nf - 1)], sum / static_cast<double>(X.size())) << nf;
  }
  const adouble mdist = MDistSeries(X, 3, prec);
  for (size_t l = 0; l < X.size(); ++l)
    EXPECT_EQ(mdist[l], table[l][2]);
}

TEST(CrossValidation, OneDistanceAgreesWithAnSvdRecomputation) {
  // Oracle: the training of the other rows from Eigen's SVD (loadings =
  // right singular vectors, scores = X V, the residual after nf-1
  // components), the left-out spectrum's coordinates by least squares.
  const double prec = 1e-12;
  const aadouble X = sorrel::test::ReplicateSpectra(10, 70, 12);
  const size_t left = 3;
  const int nf = 3;
  aadouble rows;
  for (size_t i = 0; i < X.size(); ++i)
    if (i != left) rows.push_back(X[i]);
  const Eigen::MatrixXd R = ToEigen(rows);
  Eigen::BDCSVD<Eigen::MatrixXd> svd(R, Eigen::ComputeThinU | Eigen::ComputeThinV);
  const Eigen::MatrixXd V = svd.matrixV().leftCols(nf);
  const Eigen::MatrixXd T = R * V;
  const Eigen::MatrixXd E = R - T.leftCols(nf - 1) * V.leftCols(nf - 1).transpose();
  const Eigen::VectorXd res = E.rowwise().squaredNorm();
  const double rcm = res.mean();
  const int n = static_cast<int>(rows.size());
  Eigen::MatrixXd Z(n, nf + 1);
  Z.leftCols(nf) = T;
  Z.col(nf) = res.array() - rcm;
  const Eigen::MatrixXd M = Z.transpose() * Z / (n - 1);
  const Eigen::MatrixXd inv = M.inverse();
  const double rmsg = (Z * inv * Z.transpose()).diagonal().squaredNorm() / (n - 1);
  const Eigen::VectorXd v = Eigen::Map<const Eigen::VectorXd>(X[left].data(), 70);
  Eigen::VectorXd s(nf + 1);
  s.head(nf) = V.transpose() * v;
  s(nf) = (v - V * s.head(nf)).squaredNorm() - rcm;
  // The SVD's signs are arbitrary; the quadratic form does not care as long
  // as scores and matrix use the same ones.
  const double want = s.dot(inv * s) / rmsg;
  const double got = CrossValidate(X, left, nf, prec);
  // The projection is found to a relative 10^-3 per coordinate.
  EXPECT_NEAR(got, want, 0.02 * std::fabs(want));
}

TEST(CrossValidation, TooFewSpectraAndBadIndexAreErrors) {
  const double prec = 1e-3;
  const aadouble X = sorrel::test::ReplicateSpectra(5, 20, 1);
  EXPECT_THROW(CompactSeries(X, 4, prec), MathError);  // 4 spectra left for 4 loadings
  EXPECT_THROW(LeaveOneOutTable(X, 0, prec), SorrelError);
  EXPECT_THROW(CrossValidate(X, 5, 1, prec), SorrelError);
  EXPECT_THROW(CrossValidate(X, 0, 4, prec), MathError);
  EXPECT_NO_THROW(CompactSeries(X, 3, prec));
  // A left-out spectrum on another mass grid cannot be projected.
  aadouble others(X.begin() + 1, X.end());
  EXPECT_THROW(CrossValidateSpectrum(others, adouble(19, 1.0), 2, prec), SorrelError);
}
