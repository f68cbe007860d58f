#include "core/plots/Extraction.h"

#include <algorithm>
#include <cmath>

#include "core/common/Errors.h"
#include "core/common/NumberText.h"
#include "core/common/Rounding.h"
#include "core/spectrum/Conversions.h"
#include "core/spectrum/Spec.h"

namespace sorrel {

int RangeOf(const std::vector<WeightedRange>& ranges, double x) {
  for (size_t r = 0; r < ranges.size(); ++r)
    if (ranges[r].start <= x && x <= ranges[r].end) return static_cast<int>(r);
  return -1;
}

tXYarray SumRangeMass(TSpec& spec, const std::vector<double>& chromX,
                      const std::vector<WeightedRange>& ranges, bool& anySelected) {
  struct Pick {
    int32_t scan;
    float weight;
  };
  std::vector<Pick> picks;
  // The grid's ends as whole numbers held in doubles: a corrupt mass of
  // 1e30 is measured against the limit before anything is sized by it.
  double low = 9999, high = 0;
  if (!ranges.empty()) {
    int32_t n = std::min<int32_t>(spec.NSpec(), static_cast<int32_t>(chromX.size()));
    for (int32_t p = 0; p < n; ++p) {
      int r = RangeOf(ranges, chromX[static_cast<size_t>(p)]);
      if (r < 0) continue;
      const tXYarray& s = spec.GetMass(p);
      picks.push_back({p, ranges[static_cast<size_t>(r)].weight});
      if (!s.empty()) {
        low = std::min(low, RoundHalfEven(s.front()[0]));
        high = std::max(high, RoundHalfEven(s.back()[0]));
      }
    }
  }
  anySelected = !picks.empty();
  if (picks.empty()) low = 0;
  const double count = picks.empty() ? 100 : high - low + 1;
  if (!(count <= kMaxNominalPoints))
    throw SorrelError("The mass range of the selected scans is too large (m/z " + FloatToStr(low) +
                      " to " + FloatToStr(high) + ")");
  tXYarray out(count > 0 ? static_cast<size_t>(count) : 0);
  for (size_t k = 0; k < out.size(); ++k)
    out[k] = {static_cast<float>(low + static_cast<double>(k)), 0.0f};
  for (const Pick& pick : picks) {
    for (const dPoint& pt : spec.GetMass(pick.scan)) {
      // Points out of ascending order can fall outside the grid.
      const int64_t k = RoundedIndex(pt[0], low, out.size());
      if (k < 0) continue;
      float& y = out[static_cast<size_t>(k)][1];
      y = CheckFiniteF(y + pt[1] * pick.weight, "the summed spectrum");
      if (y < 0) y = 0;
    }
  }
  return out;
}

tXYarray BuildSIC(TSpec& spec, const std::vector<WeightedRange>& massRanges) {
  tXYarray out(spec.Chrom.size());
  for (size_t i = 0; i < out.size(); ++i)
    out[i] = {spec.Chrom[i][0], 0.0f};
  if (massRanges.empty()) return out;
  for (int32_t i = 0; i < spec.NSpec(); ++i) {
    float& y = out[static_cast<size_t>(i)][1];
    for (const dPoint& pt : spec.GetMass(i)) {
      int r = RangeOf(massRanges, pt[0]);
      if (r < 0) continue;
      y = CheckFiniteF(y + pt[1] * massRanges[static_cast<size_t>(r)].weight,
                       "the selected-ion chromatogram");
      if (y < 0) y = 0;
    }
  }
  return out;
}

tXYarray BuildBPI(TSpec& spec) {
  tXYarray out(spec.Chrom.size());
  for (int32_t i = 0; i < spec.NSpec(); ++i) {
    const tXYarray& s = spec.GetMass(i);
    float best = -9999.0f;
    for (const dPoint& pt : s)
      if (pt[1] > best) best = pt[1];
    // A scan without points has no intensity, not the search's start.
    if (s.empty()) best = 0.0f;
    out[static_cast<size_t>(i)] = {spec.Chrom[static_cast<size_t>(i)][0], best};
  }
  return out;
}

int32_t InitialScan(const tXYarray& chrom) {
  int32_t choice = 0;
  float best = 0.0f;
  for (size_t i = 0; i < chrom.size(); ++i)
    if (chrom[i][1] > best) {
      best = chrom[i][1];
      choice = static_cast<int32_t>(i);
    }
  return choice;
}

}  // namespace sorrel
