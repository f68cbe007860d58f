#include "core/processing/Preproc.h"

#include <cmath>
#include <cstdint>
#include <utility>

#include "core/common/Errors.h"
#include "core/spectrum/Conversions.h"

namespace sorrel {

namespace {

// The nominal-mass spectrum on the grid of integer masses LowBound to
// HighBound: Y[i] is the intensity at mass LowBound + i, 0 where the
// spectrum has none. A spectrum that covers the bounds gives exactly its
// cut to the bounds; one that starts above LowBound keeps every intensity
// at its own mass instead of sliding down to the first columns, so that an
// unknown spectrum lines up with a training's columns. Empty when the
// bounds are not in order or the spectrum is empty.
tXYarray CutNominal(const tXYarray& spectrum, const PreprocSettings& s) {
  if (spectrum.empty() || s.LowBound >= s.HighBound) return {};
  tXYarray nominal;
  NomMassSplit(spectrum, nominal);
  const int64_t low = s.LowBound, high = s.HighBound;
  if (static_cast<double>(high - low + 1) > kMaxNominalPoints)
    throw SorrelError("The mass window " + std::to_string(low) + " to " + std::to_string(high) +
                      " is too large");
  tXYarray grid(static_cast<size_t>(high - low + 1));
  for (size_t i = 0; i < grid.size(); ++i)
    grid[i] = {static_cast<float>(low + static_cast<int64_t>(i)), 0.0f};
  for (const dPoint& p : nominal) {
    const double x = p[0];
    if (x < static_cast<double>(low) || x > static_cast<double>(high)) continue;
    grid[static_cast<size_t>(static_cast<int64_t>(x) - low)][1] = p[1];
  }
  return grid;
}

double SumY(const tXYarray& spectrum) {
  double sum = 0.0;
  for (const dPoint& p : spectrum)
    sum += p[1];
  return sum;
}

}  // namespace

void PreprocessRow(const PreprocSettings& settings, const tXYarray& reference,
                   const tXYarray& spectrum, adouble& row, adouble& xvals,
                   const std::string& name) {
  const tXYarray S = CutNominal(spectrum, settings);
  const size_t n = S.size();
  adouble x(n), result(n);
  for (size_t i = 0; i < n; ++i)
    x[i] = S[i][0];

  double factor = 1.0;
  if (settings.Normalize) {
    const double sumS = SumY(S);
    const double sumR = SumY(CutNominal(reference, settings));
    if (sumS == 0.0) {
      throw MathError("Division by zero in Preproc: the intensities of " +
                      (name.empty() ? std::string("the spectrum") : name) +
                      " sum to 0 between m/z " + std::to_string(settings.LowBound) + " and " +
                      std::to_string(settings.HighBound) + ", so it cannot be normalised");
    }
    factor = CheckFinite(sumR / sumS, "Preproc (normalisation)");
  }
  for (size_t i = 0; i < n; ++i) {
    const double y = factor * static_cast<double>(S[i][1]);
    result[i] = settings.IncSens != 0.0 ? std::pow(std::fabs(x[i]), settings.IncSens) * y : y;
    CheckFinite(result[i], "Preproc (sensitivity weighting)");
  }
  row = std::move(result);
  xvals = std::move(x);
}

}  // namespace sorrel
