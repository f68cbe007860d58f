#include "core/spectrum/Conversions.h"

#include <cmath>

#include "core/common/Errors.h"
#include "core/common/NumberText.h"
#include "core/common/Rounding.h"

namespace sorrel {

namespace {

void CheckSpan(double first, double last) {
  if (!(last - first < kMaxNominalPoints))
    throw SorrelError("The mass range of the spectrum is too large (m/z " + FloatToStr(first) +
                      " to " + FloatToStr(last) + ")");
}

}  // namespace

void NomMassSplit(const tXYarray& spectrum, tXYarray& out) {
  if (spectrum.empty()) return;
  double first = std::trunc(static_cast<double>(spectrum.front()[0]));
  double last = std::ceil(static_cast<double>(spectrum.back()[0]));
  CheckSpan(first, last);
  long n = last >= first ? static_cast<long>(last - first) + 2 : 0;
  tXYarray result(static_cast<size_t>(n));
  for (long k = 0; k < n; ++k)
    result[static_cast<size_t>(k)] = {static_cast<float>(first + k), 0.0f};
  for (const dPoint& p : spectrum) {
    double x = p[0];
    double b = std::trunc(x);
    double f = x - b;
    // Points out of order fall outside the grid; they are not counted.
    // (Their distance from the grid, up to 10^38, is compared before it is
    // made a whole number.) Each sum is formed in double and rounded to
    // float once.
    const double at = b - first;
    if (!(at >= -1 && at < static_cast<double>(n))) continue;
    const long idx = static_cast<long>(at);
    if (idx >= 0 && idx < n) {
      float& y = result[static_cast<size_t>(idx)][1];
      y = CheckFiniteF(static_cast<float>(y + (1.0 - f) * p[1]), "the nominal-mass conversion");
    }
    if (idx + 1 >= 0 && idx + 1 < n) {
      float& y = result[static_cast<size_t>(idx + 1)][1];
      y = CheckFiniteF(static_cast<float>(y + f * p[1]), "the nominal-mass conversion");
    }
  }
  out = std::move(result);
}

void NomMassRound(const tXYarray& spectrum, tXYarray& out) {
  if (spectrum.empty()) return;
  double first = std::floor(static_cast<double>(spectrum.front()[0]));
  double last = std::ceil(static_cast<double>(spectrum.back()[0]));
  CheckSpan(first, last);
  long n = last >= first ? static_cast<long>(last - first) + 1 : 0;
  tXYarray result(static_cast<size_t>(n));
  for (long k = 0; k < n; ++k)
    result[static_cast<size_t>(k)] = {static_cast<float>(first + k), 0.0f};
  for (const dPoint& p : spectrum) {
    const int64_t at = RoundedIndex(p[0], first, result.size());
    if (at < 0) continue;  // out of order: off the grid
    float& y = result[static_cast<size_t>(at)][1];
    y = CheckFiniteF(y + p[1], "the nominal-mass conversion");
  }
  out = std::move(result);
}

tXYarray NomMassRound(const tXYarray& spectrum) {
  tXYarray out;
  NomMassRound(spectrum, out);
  return out;
}

void CutToBounds(const tXYarray& spectrum, double low, double high, tXYarray& out) {
  if (spectrum.empty() || !(low < high)) return;
  double d = std::ceil(high) - std::trunc(low) + 1;
  CheckSpan(0, d);
  size_t n = static_cast<size_t>(d);
  tXYarray result(n, dPoint{0.0f, 0.0f});
  size_t copied = 0;
  for (const dPoint& p : spectrum) {
    if (copied >= n) break;
    if (low <= p[0] && p[0] <= high) result[copied++] = p;
  }
  out = std::move(result);
}

dPoint HighestPoint(const tXYarray& spectrum) {
  if (spectrum.empty()) return {0.0f, 0.0f};
  dPoint best = spectrum.front();
  for (const dPoint& p : spectrum)
    if (p[1] > best[1]) best = p;
  return best;
}

}  // namespace sorrel
