// The matrix toolkit: copy, transpose, product and the Gauss-Jordan
// inverse, against Eigen and hand-computed cases.
#include <gtest/gtest.h>

#include <random>

#include "PcaTestData.h"
#include "ScriptedUi.h"
#include "core/common/Errors.h"
#include "core/pca/MatrixToolkit.h"

using namespace sorrel;
using sorrel::test::FromEigen;
using sorrel::test::ScriptedUi;
using sorrel::test::ToEigen;

namespace {

void ExpectMatrixNear(const aadouble& got, const Eigen::MatrixXd& want, double relTol) {
  ASSERT_EQ(got.size(), static_cast<size_t>(want.rows()));
  const double scale = want.cwiseAbs().maxCoeff();
  for (size_t i = 0; i < got.size(); ++i) {
    ASSERT_EQ(got[i].size(), static_cast<size_t>(want.cols()));
    for (size_t j = 0; j < got[i].size(); ++j)
      EXPECT_NEAR(got[i][j], want(static_cast<Eigen::Index>(i), static_cast<Eigen::Index>(j)),
                  relTol * scale)
          << "at " << i << "," << j;
  }
}

std::string GaussJMessage(const aadouble& a) {
  aadouble out = {{42.0}};
  try {
    GaussJ(a, out);
  } catch (const MathError& e) {
    EXPECT_EQ(out, aadouble({{42.0}})) << "the output must stay untouched";
    return e.what();
  }
  return "no error";
}

}  // namespace

TEST(GaussJ, HandComputedInverse) {
  // inverse of [[4,7],[2,6]] = 1/10 [[6,-7],[-2,4]]
  aadouble inv;
  GaussJ({{4, 7}, {2, 6}}, inv);
  ExpectMatrixNear(inv, (Eigen::MatrixXd(2, 2) << 0.6, -0.7, -0.2, 0.4).finished(), 1e-15);
}

TEST(GaussJ, MatchesEigenInverse) {
  std::mt19937 gen(7);
  std::uniform_real_distribution<double> u(-1.0, 1.0);
  for (int n : {1, 2, 3, 5, 8, 11}) {
    // Diagonally weighted random matrices are comfortably invertible; the
    // permutation makes full pivoting swap rows and columns.
    Eigen::MatrixXd a = Eigen::MatrixXd::NullaryExpr(n, n, [&] { return u(gen); });
    a += 3.0 * Eigen::MatrixXd::Identity(n, n);
    Eigen::PermutationMatrix<Eigen::Dynamic> perm(n);
    perm.setIdentity();
    std::shuffle(perm.indices().data(), perm.indices().data() + n, gen);
    a = perm * a;
    aadouble inv;
    GaussJ(FromEigen(a), inv);
    SCOPED_TRACE(n);
    ExpectMatrixNear(inv, a.inverse(), 1e-12);
  }
}

TEST(GaussJ, IdentityDiagonalAndSwappedRows) {
  aadouble inv;
  GaussJ({{1, 0, 0}, {0, 1, 0}, {0, 0, 1}}, inv);
  EXPECT_EQ(inv, aadouble({{1, 0, 0}, {0, 1, 0}, {0, 0, 1}}));
  GaussJ({{2, 0, 0}, {0, 4, 0}, {0, 0, -0.5}}, inv);
  EXPECT_EQ(inv, aadouble({{0.5, 0, 0}, {0, 0.25, 0}, {0, 0, -2}}));

  aadouble a = {{2, 1, 0}, {1, 3, 1}, {0, 1, 4}};
  aadouble swapped = {a[1], a[0], a[2]};
  aadouble invA, invS;
  GaussJ(a, invA);
  GaussJ(swapped, invS);
  for (size_t i = 0; i < 3; ++i) {
    EXPECT_DOUBLE_EQ(invS[i][0], invA[i][1]);
    EXPECT_DOUBLE_EQ(invS[i][1], invA[i][0]);
    EXPECT_DOUBLE_EQ(invS[i][2], invA[i][2]);
  }
}

TEST(GaussJ, SingularMatricesAreErrors) {
  EXPECT_EQ(GaussJMessage({{0.0}}), "pause 2 in GAUSSJ - singular matrix");
  // A zero row: the second pass finds only zero candidates.
  EXPECT_EQ(GaussJMessage({{1, 2}, {0, 0}}), "pause 2 in GAUSSJ - singular matrix");
  EXPECT_EQ(GaussJMessage({{1, 2}, {2, 4}}), "pause 2 in GAUSSJ - singular matrix");
  // A pivot of 1e-310 has no finite reciprocal.
  EXPECT_NE(GaussJMessage({{1e-310}}).find("overflow"), std::string::npos);
}

TEST(GaussJ, NotSquareIsRefused) {
  aadouble out;
  EXPECT_THROW(GaussJ({{1, 2}}, out), SorrelError);
  EXPECT_THROW(GaussJ({{1, 2}, {3}}, out), SorrelError);
}

TEST(GaussJ, OutputMayBeTheInput) {
  aadouble a = {{4, 7}, {2, 6}};
  GaussJ(a, a);
  ExpectMatrixNear(a, (Eigen::MatrixXd(2, 2) << 0.6, -0.7, -0.2, 0.4).finished(), 1e-15);
}

TEST(MultiplyMatrix, MatchesEigenProduct) {
  std::mt19937 gen(3);
  std::uniform_real_distribution<double> u(-5.0, 5.0);
  Eigen::MatrixXd a = Eigen::MatrixXd::NullaryExpr(4, 7, [&] { return u(gen); });
  Eigen::MatrixXd b = Eigen::MatrixXd::NullaryExpr(7, 3, [&] { return u(gen); });
  aadouble c;
  ASSERT_TRUE(MultiplyMatrix(FromEigen(a), FromEigen(b), c));
  ExpectMatrixNear(c, a * b, 1e-14);
}

TEST(MultiplyMatrix, WrongShapesLeaveTheOutput) {
  ScriptedUi ui;
  aadouble c = {{9}};
  struct Case {
    aadouble a, b;
  } cases[] = {
      {{{1, 2, 3}, {4, 5, 6}}, {{1, 2, 3}, {4, 5, 6}}},  // 2x3 times 2x3
      {{{1, 2}, {3}}, {{1}, {2}}},                       // a short row in A
      {{{1, 2}}, {{1, 2}, {3}}},                         // a ragged B
      {{}, {{1}}},                                       // an empty A
  };
  for (const Case& c1 : cases) {
    EXPECT_FALSE(MultiplyMatrix(c1.a, c1.b, c));
    EXPECT_EQ(c, aadouble({{9}}));
  }
  ASSERT_EQ(ui.messages.size(), 4u);
  EXPECT_EQ(ui.messages[0], "Wrong matrix dim");
}

TEST(TransposeMatrix, ShapesAndValues) {
  aadouble t;
  TransposeMatrix({{1, 2, 3}}, t);
  EXPECT_EQ(t, aadouble({{1}, {2}, {3}}));
  TransposeMatrix({{1, 2}, {3, 4}, {5, 6}}, t);
  EXPECT_EQ(t, aadouble({{1, 3, 5}, {2, 4, 6}}));
  EXPECT_THROW(TransposeMatrix({{1, 2}, {3}}, t), SorrelError);
  EXPECT_EQ(t, aadouble({{1, 3, 5}, {2, 4, 6}}));
}

TEST(CopyMatrix, DeepCopyKeepsRaggedRows) {
  aadouble a = {{1, 2, 3}, {4}, {}};
  aadouble b;
  CopyMatrix(a, b);
  EXPECT_EQ(b, a);
  a[0][0] = 99;
  EXPECT_EQ(b[0][0], 1);
}
