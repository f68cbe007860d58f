#include "core/training/ClassModel.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "core/common/Errors.h"
#include "core/common/NumberText.h"
#include "core/pca/ChiSquare.h"

namespace sorrel {

namespace {

// Degrees of freedom of the fitted chi-square: below 1 its tail would be
// heavier than any spread of a handful of spectra justifies, above 100 it
// is a narrow normal distribution already.
constexpr double kMinDoF = 1.0;
constexpr double kMaxDoF = 100.0;

double Dot(const adouble& a, const adouble& b) {
  double sum = 0.0;
  for (size_t i = 0; i < a.size(); ++i)
    sum += a[i] * b[i];
  return sum;
}

bool AllZero(const adouble& v) {
  return std::all_of(v.begin(), v.end(), [](double x) { return x == 0.0; });
}

// 1 - the largest cosine, never below 0 (rounding of a spectrum against
// itself).
double NearestOf(const adouble& unit, const aadouble& units, size_t skip) {
  double best = -1.0;
  for (size_t k = 0; k < units.size(); ++k)
    if (k != skip) best = std::max(best, Dot(unit, units[k]));
  return std::max(0.0, 1.0 - best);
}

bool InOpenUnit(double x) {
  return x > 0.0 && x < 1.0;
}

}  // namespace

std::string tCalibration::Problem(size_t points) const {
  if (Spectra.size() < kMinCalibrationSpectra)
    return "it holds " + std::to_string(Spectra.size()) + " spectra, at least " +
           std::to_string(kMinCalibrationSpectra) + " are needed";
  for (const adouble& s : Spectra)
    if (s.size() != points)
      return "a spectrum has " + std::to_string(s.size()) + " mass channels, the training " +
             std::to_string(points);
  if (!InOpenUnit(Significance) || !InOpenUnit(PossSignificance) || PossSignificance > Significance)
    return "its significances must lie between 0 and 1, that of \"Poss.\" not above that of "
           "\"Yes\"";
  if (!(YesLimit > 0.0) || !(PossLimit >= YesLimit) || !std::isfinite(PossLimit))
    return "its limits must be above 0, that of \"Poss.\" not below that of \"Yes\"";
  return {};
}

adouble SimilarityVector(const adouble& row, const adouble& xvals) {
  if (row.size() != xvals.size())
    throw SorrelError("A spectrum of " + std::to_string(row.size()) +
                      " mass channels on a grid of " + std::to_string(xvals.size()) + " masses");
  adouble w(row.size(), 0.0);
  double norm2 = 0.0;
  for (size_t i = 0; i < row.size(); ++i) {
    const double y = row[i] > 0.0 ? row[i] : 0.0;
    const double m = xvals[i] > 0.0 ? xvals[i] : 0.0;
    w[i] = std::sqrt(y) * std::sqrt(m);
    norm2 += w[i] * w[i];
  }
  CheckFinite(norm2, "the spectral similarity");
  if (norm2 == 0.0) return w;
  const double norm = std::sqrt(norm2);
  for (double& x : w)
    x /= norm;
  return w;
}

double NearestDissimilarity(const adouble& row, const aadouble& spectra, const adouble& xvals) {
  if (spectra.empty()) throw SorrelError("The class model holds no spectra");
  aadouble units;
  units.reserve(spectra.size());
  for (const adouble& s : spectra)
    units.push_back(SimilarityVector(s, xvals));
  return NearestOf(SimilarityVector(row, xvals), units, units.size());
}

tCalibration Calibrate(const aadouble& rows, const adouble& xvals, double significance,
                       double possSignificance) {
  const size_t n = rows.size();
  if (n < kMinCalibrationSpectra)
    throw SorrelError("A calibrated class model needs at least " +
                      std::to_string(kMinCalibrationSpectra) + " spectra, the training has " +
                      std::to_string(n));
  aadouble units;
  units.reserve(n);
  for (size_t j = 0; j < n; ++j) {
    units.push_back(SimilarityVector(rows[j], xvals));
    if (AllZero(units.back()))
      throw SorrelError("Spectrum " + std::to_string(j + 1) +
                        " of the training has no intensity in its mass window, so no class "
                        "model can be calibrated on it");
  }
  adouble d(n);
  double sum = 0.0;
  for (size_t j = 0; j < n; ++j) {
    d[j] = NearestOf(units[j], units, j);
    sum += d[j];
  }
  const double mean = sum / static_cast<double>(n);
  if (mean == 0.0)
    throw SorrelError(
        "The spectra of the training are all alike in its mass window: a "
        "calibrated class model needs spectra that vary as the compound's "
        "spectra do");
  double ss = 0.0;
  for (double x : d)
    ss += (x - mean) * (x - mean);
  const double var = ss / static_cast<double>(n - 1);
  const double dof = var > 0.0 ? std::clamp(2.0 * mean * mean / var, kMinDoF, kMaxDoF) : kMaxDoF;

  tCalibration c;
  c.Significance = significance;
  c.PossSignificance = possSignificance;
  c.Distances = std::move(d);
  c.Mean = mean;
  c.DoF = dof;
  // g * chi2(h) with g = m / h, the mean of the fit being m.
  c.YesLimit = CheckFinite(mean * ChiSquareQuantile(significance, dof) / dof, "the class limit");
  c.PossLimit =
      CheckFinite(mean * ChiSquareQuantile(possSignificance, dof) / dof, "the class limit");
  if (c.YesLimit < kDissimilarityFloor) {
    c.PossLimit *= kDissimilarityFloor / c.YesLimit;
    c.YesLimit = kDissimilarityFloor;
  }
  c.Spectra = rows;
  const std::string problem = c.Problem(xvals.size());
  if (!problem.empty()) throw SorrelError("The calibrated class model cannot be made: " + problem);
  return c;
}

CalibratedAnswer ClassifyCalibrated(const tCalibration& model, const adouble& row,
                                    const adouble& xvals) {
  CalibratedAnswer a;
  a.Dissimilarity = NearestDissimilarity(row, model.Spectra, xvals);
  a.Score = SafeDiv(a.Dissimilarity, model.YesLimit, "the calibrated score");
  if (a.Dissimilarity <= model.YesLimit)
    a.Answer = "Yes";
  else if (a.Dissimilarity <= model.PossLimit)
    a.Answer = "Poss.";
  else
    a.Answer = "No";
  return a;
}

}  // namespace sorrel
