// The result pages' data: loadings scaled to their eigenvalues, a spectrum
// rebuilt from its first factors (against a truncated SVD, which gives the
// same best approximation of the uncentred matrix), the recommended number
// of factors, the labels and frames of clicked points, and Copy Data.
#include <gtest/gtest.h>

#include <Eigen/Dense>
#include <cmath>

#include "core/common/Errors.h"
#include "core/common/NumberText.h"
#include "core/mainwindow/ResultPages.h"
#include "core/pca/Nipals.h"

using namespace sorrel;

namespace {

// Six spectra of twelve masses, of rank well above 3.
aadouble Data() {
  aadouble X;
  for (int i = 0; i < 6; ++i) {
    adouble row;
    for (int j = 0; j < 12; ++j)
      row.push_back(50 + 40 * std::sin(0.7 * j + 1.1) + 6 * std::cos(i * 1.9 + j * 0.8) +
                    2 * std::sin(i * i + j));
    X.push_back(row);
  }
  return X;
}

PcaResults Decompose(const aadouble& X, int a) {
  PcaResults r;
  r.Precision = 1e-12;
  r.Data = X;
  CalcPCA(X, a, r.Precision, r.Residual, r.Eigenvalues, r.Loadings, r.Scores);
  return r;
}

adouble Masses(size_t m) {
  adouble x;
  for (size_t j = 0; j < m; ++j)
    x.push_back(40.0 + static_cast<double>(j));
  return x;
}

}  // namespace

TEST(ResultPages, LoadingBarsCarryTheirEigenvalue) {
  const PcaResults r = Decompose(Data(), 3);
  const adouble x = Masses(12);
  for (int v = 0; v < 3; ++v) {
    const PageSeries s = LoadingSeries(r, x, v);
    EXPECT_EQ(s.X, x);
    // The loading has unit length: the squared bars add up to the
    // eigenvalue.
    double sum = 0;
    for (double y : s.Y)
      sum += y * y;
    EXPECT_NEAR(sum, r.Eigenvalues[static_cast<size_t>(v)], 1e-9 * r.Eigenvalues[0]) << v;
  }
  EXPECT_THROW(LoadingSeries(r, x, 3), SorrelError);
  EXPECT_THROW(LoadingSeries(r, Masses(11), 0), SorrelError);
}

TEST(ResultPages, ARebuiltSpectrumIsTheTruncatedSvdRow) {
  const aadouble X = Data();
  const PcaResults r = Decompose(X, 4);
  Eigen::MatrixXd M(6, 12);
  for (int i = 0; i < 6; ++i)
    for (int j = 0; j < 12; ++j)
      M(i, j) = X[static_cast<size_t>(i)][static_cast<size_t>(j)];
  const Eigen::JacobiSVD<Eigen::MatrixXd> svd(M, Eigen::ComputeThinU | Eigen::ComputeThinV);
  const adouble x = Masses(12);
  for (int nf : {1, 2, 4}) {
    const Eigen::MatrixXd approx = svd.matrixU().leftCols(nf) *
                                   svd.singularValues().head(nf).asDiagonal() *
                                   svd.matrixV().leftCols(nf).transpose();
    for (int k : {0, 5}) {
      const RebuiltSpectrum rb = RebuildSpectrum(r, x, k, nf, X[static_cast<size_t>(k)]);
      EXPECT_EQ(rb.Bars.X, x);
      double sum = 0;
      for (int j = 0; j < 12; ++j) {
        EXPECT_NEAR(rb.Bars.Y[static_cast<size_t>(j)], approx(k, j), 1e-6) << nf << " " << k;
        const double residual = approx(k, j) - M(k, j);
        EXPECT_NEAR(rb.Residuals.Y[static_cast<size_t>(j)], residual, 1e-6);
        sum += residual * residual;
      }
      EXPECT_NEAR(rb.Distance, std::sqrt(sum), 1e-6);
    }
  }
  EXPECT_THROW(RebuildSpectrum(r, x, 6, 1, X[0]), SorrelError);
  EXPECT_THROW(RebuildSpectrum(r, x, 0, 5, X[0]), SorrelError);
  // A frame whose spectrum no longer has the calculation's masses.
  EXPECT_THROW(RebuildSpectrum(r, x, 0, 1, adouble(11, 1.0)), SorrelError);
}

TEST(ResultPages, EuclideanTitle) {
  struct Case {
    double d;
    const char* title;
  } cases[] = {
      {1.23456789, "Euclidean Dist.= 1.23457"},
      {0, "Euclidean Dist.= 0"},
      {12345678, "Euclidean Dist.= 1.23457E007"},
      {0.0000123456, "Euclidean Dist.= 1.23456E-005"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(EuclideanTitle(c.d), c.title) << c.d;
}

TEST(ResultPages, RecommendedFactorsKeepAFixedShareOfTheTotalVariation) {
  // Data rows {3, 0} and {0, 1}: a total variation of 9 + 1 = 10. The
  // eigenvalues are set by hand to place the 95 % line.
  struct Case {
    adouble eigenvalues;
    int factors;
    double percent;
  } cases[] = {
      {{9.6, 0.4}, 1, 96},  // the first keeps 96 %
      {{9.5, 0.5}, 1, 95},  // exactly 95 % is enough
      {{9, 1}, 2, 100},     // 90 %, then 100 %
      {{5, 2}, 2, 70},      // never 95 %: all factors calculated
  };
  for (const Case& c : cases) {
    PcaResults r;
    r.Data = {{3, 0}, {0, 1}};
    r.Eigenvalues = c.eigenvalues;
    const FactorRecommendation rec = RecommendFactors(r);
    EXPECT_EQ(rec.Total, 10.0);
    EXPECT_EQ(rec.Factors, c.factors) << c.eigenvalues[0];
    EXPECT_NEAR(rec.KeptPercent, c.percent, 1e-12) << c.eigenvalues[0];
  }
  EXPECT_EQ(RecommendFactors(PcaResults{}).Factors, 0);
  // A real decomposition: every eigenvalue together keeps what the
  // residual of the last component does not hold.
  const PcaResults r = Decompose(Data(), 4);
  const FactorRecommendation rec = RecommendFactors(r);
  EXPECT_GE(rec.Factors, 1);
  EXPECT_LE(rec.Factors, 4);
  EXPECT_TRUE(rec.KeptPercent >= 95.0 || rec.Factors == 4);
}

TEST(ResultPages, PointsAndTheFramesTheyActivate) {
  const PcaResults r = Decompose(Data(), 3);
  // Rows 0..5 stand for frames 0, 2, 3, 4, 5, 6 (frame 1 was empty).
  const std::vector<int> frames = {0, 2, 3, 4, 5, 6};
  const PageSeries s = ScoreSeries(r, 2, 3, frames);
  ASSERT_EQ(s.Size(), 6u);
  for (size_t i = 0; i < 6; ++i) {
    EXPECT_EQ(s.X[i], r.Scores[i][1]);
    EXPECT_EQ(s.Y[i], r.Scores[i][2]);
    EXPECT_EQ(s.Labels[i], std::string(1, static_cast<char>('1' + i)));
    EXPECT_EQ(ClickedFrame(s, i), frames[i]);
  }
  EXPECT_THROW(ScoreSeries(r, 1, 4, frames), SorrelError);

  // M.Dist labels name the frames' numbers; Compact's points have none.
  const PageSeries m = MDistPageSeries({{0, 0, 1.5}, {1, 9, 2.5}, {2, 10, 3.5}});
  EXPECT_EQ(m.X, (adouble{0, 1, 2}));
  EXPECT_EQ(m.Labels, (std::vector<std::string>{"1", "A", "B"}));
  EXPECT_EQ(ClickedFrame(m, 2), 2);
  const PageSeries c = CompactPageSeries({0.5, 0.25});
  EXPECT_EQ(c.X, (adouble{1, 2}));
  EXPECT_EQ(ClickedFrame(c, 0), -1);

  // A label alone (no frame known): its character, upper case, less one.
  struct Case {
    const char* label;
    int frame;
  } cases[] = {{"1", 0}, {"a", 9}, {"B", 10}, {"0", -1}, {"", -1}, {"?", -1}};
  for (const Case& k : cases) {
    PageSeries one;
    one.X = {0};
    one.Y = {0};
    one.Labels = {k.label};
    EXPECT_EQ(ClickedFrame(one, 0), k.frame) << k.label;
  }
}

TEST(ResultPages, CopyDataWritesEveryPointInFifteenDigits) {
  PageSeries s;
  s.X = {1, 2, 3, 4};
  s.Y = {0.1, 1.0 / 3.0, -2.5e-20, 123456789012.25};
  const std::string text = CopyDataText(s);
  EXPECT_EQ(text.substr(0, 6), "1\t0.1\n");
  // Every line reads back to its point within 15 significant digits.
  size_t pos = 0;
  for (size_t i = 0; i < s.Size(); ++i) {
    const size_t tab = text.find('\t', pos), end = text.find('\n', pos);
    ASSERT_NE(end, std::string::npos);
    EXPECT_EQ(ParseNumber(text.substr(pos, tab - pos)), s.X[i]);
    const double y = *ParseNumber(text.substr(tab + 1, end - tab - 1));
    EXPECT_NEAR(y, s.Y[i], std::fabs(s.Y[i]) * 1e-14) << i;
    EXPECT_EQ(text.substr(tab + 1, end - tab - 1).find(','), std::string::npos);
    pos = end + 1;
  }
  EXPECT_EQ(pos, text.size());
  EXPECT_EQ(CopyDataText(PageSeries{}), "");
}
