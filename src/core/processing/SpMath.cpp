#include "core/processing/SpMath.h"

#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>
#include <utility>
#include <vector>

#include "core/common/Errors.h"
#include "core/common/NumberText.h"
#include "core/common/Rounding.h"
#include "core/processing/Convolve.h"
#include "core/processing/SavitzkyGolay.h"

namespace sorrel {

namespace {

using SmoothFn = bool (*)(const dPoint*, dPoint*, const int64_t*, double, size_t, size_t, bool);

SmoothFn SmoothFor(int h) {
  switch (h) {
    case 3:
      return detail::ConvolveY<3, true>;
    case 4:
      return detail::ConvolveY<4, true>;
    case 5:
      return detail::ConvolveY<5, true>;
    case 6:
      return detail::ConvolveY<6, true>;
    case 7:
      return detail::ConvolveY<7, true>;
    case 8:
      return detail::ConvolveY<8, true>;
    case 9:
      return detail::ConvolveY<9, true>;
    case 10:
      return detail::ConvolveY<10, true>;
    case 11:
      return detail::ConvolveY<11, true>;
    case 12:
      return detail::ConvolveY<12, true>;
    default:
      return nullptr;
  }
}

}  // namespace

namespace {

// FillGaps, except that a spectrum without holes leaves `out` untouched
// and gives false.
bool FillHoles(const tXYarray& spectrum, tXYarray& out) {
  const size_t n = spectrum.size();
  // Most spectra have no hole at all: find out in one pass without branches.
  unsigned anyHole = 0;
  for (size_t i = 0; i + 1 < n; ++i) {
    const double gap = static_cast<double>(spectrum[i + 1][0]) - spectrum[i][0];
    anyHole |= static_cast<unsigned>(gap > 1.5);
  }
  if (!anyHole) return false;
  // Count, so that a spectrum with a hole of 1e30 is refused before
  // anything is allocated.
  double total = static_cast<double>(n);
  for (size_t i = 0; i + 1 < n; ++i) {
    const double gap = static_cast<double>(spectrum[i + 1][0]) - spectrum[i][0];
    if (gap > 1.5) {
      total += RoundHalfEven(gap) - 1.0;
      if (!(total <= static_cast<double>(kMaxFilledPoints)))
        throw SorrelError("Filling the gaps of the spectrum would need more than " +
                          std::to_string(kMaxFilledPoints) + " points (a gap of " +
                          FormatValue(gap) + " after m/z " + FormatValue(spectrum[i][0]) + ")");
    }
  }
  if (total == static_cast<double>(n)) return false;
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
  return true;
}

}  // namespace

void FillGaps(const tXYarray& spectrum, tXYarray& out) {
  if (spectrum.empty()) return;
  if (!FillHoles(spectrum, out)) out = spectrum;
}

StepResult SGSmooth(const tXYarray& spectrum, const rSmooth& settings, tXYarray& out) {
  const int k = settings.SGDegree;
  StepResult r;
  if (!ValidSGDegree(k)) r.Error = "Smoothing/Wrong peak factor";
  if (spectrum.empty()) {
    out.clear();
    return r;
  }
  // The intensities are read from `src` (the input, or its gap-filled
  // copy) and the smoothed ones written into `work`, the output.
  tXYarray filled;
  const tXYarray* src = &spectrum;
  if (settings.FillNull && FillHoles(spectrum, filled)) src = &filled;
  tXYarray work = *src;
  if (!r.Error.empty()) {
    out = std::move(work);
    return r;
  }
  const SGSmoothWeights& sw = SmoothingWeights(k);
  const size_t n = work.size();
  const size_t first = static_cast<size_t>(k) + 3;  // k+3 points keep their values at the start
  if (n >= 2 * static_cast<size_t>(k) + 6) {
    const size_t last = n - static_cast<size_t>(k) - 3;  // and k+2 at the end
    if (!SmoothFor(sw.half)(src->data(), work.data(), sw.c.data(), static_cast<double>(sw.norm),
                            first, last, true))
      throw MathError(
          "Floating point overflow in smoothing: a smoothed intensity exceeds the range of a "
          "32-bit float");
  }
  out = std::move(work);
  r.Done = true;
  return r;
}

float AutoThreshold(const tXYarray& spectrum) {
  if (spectrum.empty()) return 0.0f;
  const size_t n = spectrum.size();
  const dPoint* p = spectrum.data();
  const double sum = detail::LaneSum(0, n, [p](size_t i) { return static_cast<double>(p[i][1]); });
  const double mean = sum / static_cast<double>(n);
  const double limit = 2.0 * mean;
  // The values below the level and their count, in one pass. The values
  // fall above and below the level at random, which a branch predicts
  // badly: one that does not count is masked to +0 instead. Four partial
  // sums as in LaneSum.
  double b[4] = {0, 0, 0, 0};
  size_t count = 0;
  auto masked = [limit](float v, size_t& c) {
    const double y = v;
    const bool in = y < limit;
    c += static_cast<size_t>(in);
    return std::bit_cast<double>(std::bit_cast<uint64_t>(y) & (uint64_t{0} - uint64_t{in}));
  };
  size_t i = 0;
  for (; i + 4 <= n; i += 4)
    for (size_t l = 0; l < 4; ++l)
      b[l] += masked(p[i + l][1], count);
  for (; i < n; ++i)
    b[0] += masked(p[i][1], count);
  const double below = (b[0] + b[1]) + (b[2] + b[3]);
  if (count == 0) return 0.0f;
  // The mean of 32-bit values lies within their range.
  return static_cast<float>(below / static_cast<double>(count));
}

BaselineResult SubtractBaseline(const tXYarray& spectrum, const rBLine& settings, tXYarray& out) {
  if (spectrum.empty()) return {};
  const double t =
      settings.AutoTS ? static_cast<double>(AutoThreshold(spectrum)) : settings.Threshold;
  tXYarray r = spectrum;
  // The difference is computed for every point and selected by a mask, so
  // that the loop has no branch: whether a point lies above the level is
  // random in noise, which a branch predicts badly.
  unsigned bad = 0;
  const uint32_t one = std::bit_cast<uint32_t>(1.0f);
  dPoint* q = r.data();
  const size_t n = r.size();
  for (size_t i = 0; i < n; ++i) {
    const float y = q[i][1];
    const float diff = static_cast<float>(static_cast<double>(y) - t);
    const uint32_t above = uint32_t{0} - static_cast<uint32_t>(y >= t);
    const float v = std::bit_cast<float>((std::bit_cast<uint32_t>(diff) & above) | (one & ~above));
    bad |= static_cast<unsigned>(!(std::fabs(v) <= std::numeric_limits<float>::max()));
    q[i][1] = v;
  }
  if (bad)
    throw MathError("Floating point overflow in baseline removal: the threshold " + FormatValue(t) +
                    " moves an intensity beyond the range of a 32-bit float");
  out = std::move(r);
  return {true, t};
}

}  // namespace sorrel
