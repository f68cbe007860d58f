#include "SpMath.h"

#include <cmath>
#include <limits>
#include <utility>
#include <vector>

#include "SavitzkyGolay.h"
#include "common/Errors.h"
#include "common/NumberText.h"
#include "plots/SpOpt.h"

namespace sorrel {

namespace {

thread_local std::string lastError;

// Nearest integer, halves to the even one.
double RoundHalfEven(double v) {
  double r = std::round(v);  // halves away from zero
  if (std::fabs(v - std::trunc(v)) == 0.5) r = 2.0 * std::round(v / 2.0);
  return r;
}

// Smoothed Y of points lo .. hi (inclusive) into out, with the window of
// half-width H; y holds the input intensities as doubles. The sum runs in
// the same order for every point (centre first, then the pairs j = 1 .. H),
// so the result does not depend on how the compiler vectorises the loop.
template <int H>
void SmoothRange(const double* y, const int64_t* c, double norm, size_t lo, size_t hi, float* res) {
  double cw[H + 1];
  for (int j = 0; j <= H; ++j)
    cw[j] = static_cast<double>(c[j]);
  for (size_t i = lo; i <= hi; ++i) {
    double acc = cw[0] * y[i];
#pragma GCC unroll 16
    for (int j = 1; j <= H; ++j)
      acc += cw[j] * (y[i - j] + y[i + j]);
    res[i - lo] = static_cast<float>(acc / norm);
  }
}

using SmoothFn = void (*)(const double*, const int64_t*, double, size_t, size_t, float*);

SmoothFn SmoothFor(int h) {
  switch (h) {
    case 3:
      return SmoothRange<3>;
    case 4:
      return SmoothRange<4>;
    case 5:
      return SmoothRange<5>;
    case 6:
      return SmoothRange<6>;
    case 7:
      return SmoothRange<7>;
    case 8:
      return SmoothRange<8>;
    case 9:
      return SmoothRange<9>;
    case 10:
      return SmoothRange<10>;
    case 11:
      return SmoothRange<11>;
    case 12:
      return SmoothRange<12>;
    default:
      return nullptr;
  }
}

bool AnyInfinite(const std::vector<float>& v) {
  bool bad = false;
  for (float f : v)
    bad |= !std::isfinite(f);
  return bad;
}

}  // namespace

const std::string& ProcessingLastError() {
  return lastError;
}
void SetProcessingLastError(const std::string& text) {
  lastError = text;
}
void ClearProcessingLastError() {
  lastError.clear();
}

void FillGaps(const tXYarray& spectrum, tXYarray& out) {
  if (spectrum.empty()) return;
  const size_t n = spectrum.size();
  // First count, so that a spectrum with a hole of 1e30 is refused before
  // anything is allocated.
  double total = static_cast<double>(n);
  for (size_t i = 0; i + 1 < n; ++i) {
    const double gap = static_cast<double>(spectrum[i + 1][0]) - spectrum[i][0];
    if (gap > 1.5) total += RoundHalfEven(gap) - 1.0;
    if (!(total <= static_cast<double>(kMaxFilledPoints)))
      throw SorrelError("Filling the gaps of the spectrum would need more than " +
                        std::to_string(kMaxFilledPoints) + " points (a gap of " + FormatValue(gap) +
                        " after m/z " + FormatValue(spectrum[i][0]) + ")");
  }
  tXYarray r;
  r.reserve(static_cast<size_t>(total));
  r.push_back(spectrum[0]);
  for (size_t i = 0; i + 1 < n; ++i) {
    const double x0 = spectrum[i][0];
    const double gap = static_cast<double>(spectrum[i + 1][0]) - x0;
    if (gap > 1.5) {
      const double parts = RoundHalfEven(gap);
      const auto count = static_cast<int64_t>(parts);
      for (int64_t g = 1; g < count; ++g)
        r.push_back({static_cast<float>(x0 + static_cast<double>(g) * gap / parts), 0.0f});
    }
    r.push_back(spectrum[i + 1]);
  }
  out = std::move(r);
}

bool SGSmooth(const tXYarray& spectrum, bool chromatogram, const tSpOpt& options, tXYarray& out) {
  const int k = options.View(chromatogram).Smooth.SGDegree;
  if (spectrum.empty()) {
    out.clear();
    return false;
  }
  tXYarray work;
  if (!chromatogram && options.oMass.Smooth.FillNull)
    FillGaps(spectrum, work);
  else
    work = spectrum;
  if (k < 1 || k > 10) {
    SetProcessingLastError("Smoothing/Wrong peak factor");
    out = std::move(work);
    return false;
  }
  const SGSmoothWeights& sw = SmoothingWeights(k);
  const size_t n = work.size();
  const size_t first = static_cast<size_t>(k) + 3;  // k+3 points keep their values at the start
  if (n >= 2 * static_cast<size_t>(k) + 6) {
    const size_t last = n - static_cast<size_t>(k) - 3;  // and k+2 at the end
    std::vector<double> y(n);
    for (size_t i = 0; i < n; ++i)
      y[i] = work[i][1];
    std::vector<float> res(last - first + 1);
    SmoothFor(sw.half)(y.data(), sw.c.data(), static_cast<double>(sw.norm), first, last,
                       res.data());
    if (AnyInfinite(res))
      throw MathError(
          "Floating point overflow in smoothing: a smoothed intensity exceeds the "
          "range of a 32-bit float");
    for (size_t i = first; i <= last; ++i)
      work[i][1] = res[i - first];
  }
  out = std::move(work);
  return true;
}

float AutoThreshold(const tXYarray& spectrum) {
  if (spectrum.empty()) return 0.0f;
  double sum = 0;
  for (const dPoint& p : spectrum)
    sum += p[1];
  const double mean = sum / static_cast<double>(spectrum.size());
  const double limit = 2.0 * mean;
  double below = 0;
  size_t count = 0;
  for (const dPoint& p : spectrum) {
    if (p[1] < limit) {
      below += p[1];
      ++count;
    }
  }
  if (count == 0) return 0.0f;
  // The mean of 32-bit values lies within their range.
  return static_cast<float>(below / static_cast<double>(count));
}

bool SubtractBaseline(const tXYarray& spectrum, bool chromatogram, tSpOpt& options, tXYarray& out) {
  if (spectrum.empty()) return false;
  rBLine& bl = options.View(chromatogram).BLine;
  const double t = bl.AutoTS ? static_cast<double>(AutoThreshold(spectrum)) : bl.Threshold;
  tXYarray r(spectrum.size());
  bool bad = false;
  for (size_t i = 0; i < spectrum.size(); ++i) {
    const float y = spectrum[i][1];
    const float v = y >= t ? static_cast<float>(static_cast<double>(y) - t) : 1.0f;
    bad |= !std::isfinite(v);
    r[i] = {spectrum[i][0], v};
  }
  if (bad)
    throw MathError("Floating point overflow in baseline removal: the threshold " + FormatValue(t) +
                    " moves an intensity beyond the range of a 32-bit float");
  if (bl.AutoTS) bl.Threshold = t;
  out = std::move(r);
  return true;
}

}  // namespace sorrel
