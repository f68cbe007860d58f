#include "core/plots/Extraction.h"

#include <algorithm>
#include <cmath>

#include "core/common/Errors.h"
#include "core/common/NumberText.h"
#include "core/common/Rounding.h"
#include "core/spectrum/Conversions.h"
#include "core/spectrum/Spec.h"

namespace sorrel {

namespace {

void Report(const ScanProgress& progress, int32_t done, int32_t total) {
  if (progress && !progress(done, total)) throw WorkCancelled();
}

// The grid of a range sum: whole masses from `low` to `high` (held in
// doubles, so that a corrupt mass of 1e30 is measured against the limit
// before anything is sized by it) and their sums.
struct UnitGrid {
  double low = 9999, high = 0;
  std::vector<float> sums;

  double Count() const { return high - low + 1; }

  static void Check(double low, double high) {
    if (!(high - low + 1 <= kMaxNominalPoints))
      throw SorrelError("The mass range of the selected scans is too large (m/z " +
                        FloatToStr(low) + " to " + FloatToStr(high) + ")");
  }

  // Takes in the rounded first and last m/z of a scan.
  void Widen(double first, double last) {
    const double newLow = std::min(low, first), newHigh = std::max(high, last);
    if (newLow == low && newHigh == high) return;
    Check(newLow, newHigh);
    if (sums.empty()) {
      if (newHigh - newLow + 1 > 0) sums.assign(static_cast<size_t>(newHigh - newLow + 1), 0.0f);
    } else {
      sums.insert(sums.begin(), static_cast<size_t>(low - newLow), 0.0f);
      sums.resize(sums.size() + static_cast<size_t>(newHigh - high), 0.0f);
    }
    low = newLow;
    high = newHigh;
  }

  // Adds y x weight of every point of a scan at its unit mass (halves to
  // even), in the order of the points. A point whose mass lies off the
  // grid adds nothing; its rounded mass goes to `missed` when that is
  // given. The unit mass of every mass below 2^23 is found with integer
  // instructions: a call of the maths library for each point took most of
  // a range sum's time. Larger masses, infinities and NaN go the general
  // way (RoundedIndex).
  void AddScan(const tXYarray& scan, float weight, std::vector<double>* missed) {
    float* const y = sums.data();
    const uint64_t n = sums.size();
    const bool integral = std::fabs(low) < 1e15;
    const int64_t origin = integral ? static_cast<int64_t>(low) : 0;
    for (const dPoint& pt : scan) {
      const float m = pt[0];
      int64_t k;
      if (integral && std::fabs(m) < 8388608.0f) {
        const int32_t t = static_cast<int32_t>(m);  // toward zero
        const float f = m - static_cast<float>(t);  // the fraction of m, exactly
        int32_t r = t;
        if (f > 0.5f || (f == 0.5f && (t & 1)))
          ++r;
        else if (f < -0.5f || (f == -0.5f && (t & 1)))
          --r;
        k = static_cast<int64_t>(r) - origin;
        if (static_cast<uint64_t>(k) >= n) k = -1;
      } else {
        k = RoundedIndex(m, low, n);
      }
      if (k < 0) {
        if (missed) {
          const double r = RoundHalfEven(m);
          if (std::isfinite(r)) missed->push_back(r);
        }
        continue;
      }
      float v = CheckFiniteF(y[k] + pt[1] * weight, "the summed spectrum");
      if (v < 0) v = 0;
      y[k] = v;
    }
  }

  tXYarray Points() const {
    tXYarray out(sums.size());
    for (size_t k = 0; k < out.size(); ++k)
      out[k] = {static_cast<float>(low + static_cast<double>(k)), sums[k]};
    return out;
  }
};

}  // namespace

int RangeOf(const std::vector<WeightedRange>& ranges, double x) {
  for (size_t r = 0; r < ranges.size(); ++r)
    if (ranges[r].start <= x && x <= ranges[r].end) return static_cast<int>(r);
  return -1;
}

std::vector<ScanPick> PickScans(const std::vector<double>& chromX, int32_t nSpec,
                                const std::vector<WeightedRange>& ranges) {
  std::vector<ScanPick> picks;
  if (ranges.empty()) return picks;
  const int32_t n = std::min<int32_t>(nSpec, static_cast<int32_t>(chromX.size()));
  for (int32_t p = 0; p < n; ++p) {
    const int r = RangeOf(ranges, chromX[static_cast<size_t>(p)]);
    if (r >= 0) picks.push_back({p, ranges[static_cast<size_t>(r)].weight});
  }
  return picks;
}

tXYarray SumScans(TSpec& spec, const std::vector<ScanPick>& picks, const ScanProgress& progress) {
  if (picks.empty()) {
    tXYarray out(100);
    for (size_t k = 0; k < out.size(); ++k)
      out[k] = {static_cast<float>(k), 0.0f};
    return out;
  }
  const int32_t total = static_cast<int32_t>(picks.size());
  // One read per scan: the grid grows as the scans come. A point that lies
  // off the grid when its scan is added (a spectrum out of ascending order)
  // is remembered; should a later scan bring its mass onto the grid, the
  // sum is made again on the final grid, as if the grid had been known
  // from the start.
  UnitGrid grid;
  std::vector<double> missed;
  bool redo = false;
  for (int32_t i = 0; i < total; ++i) {
    const ScanPick& pick = picks[static_cast<size_t>(i)];
    const tXYarray& s = spec.GetMass(pick.scan);
    if (!s.empty()) grid.Widen(RoundHalfEven(s.front()[0]), RoundHalfEven(s.back()[0]));
    grid.AddScan(s, pick.weight, redo ? nullptr : &missed);
    // Too many to keep: the sum is made again in any case.
    if (missed.size() > 100000) {
      redo = true;
      missed.clear();
    }
    Report(progress, i + 1, total);
  }
  for (double r : missed)
    redo = redo || (r >= grid.low && r <= grid.high);
  if (!redo) return grid.Points();

  std::fill(grid.sums.begin(), grid.sums.end(), 0.0f);
  for (int32_t i = 0; i < total; ++i) {
    const ScanPick& pick = picks[static_cast<size_t>(i)];
    grid.AddScan(spec.GetMass(pick.scan), pick.weight, nullptr);
    Report(progress, i + 1, total);
  }
  return grid.Points();
}

tXYarray SumRangeMass(TSpec& spec, const std::vector<double>& chromX,
                      const std::vector<WeightedRange>& ranges, bool& anySelected,
                      const ScanProgress& progress) {
  const std::vector<ScanPick> picks = PickScans(chromX, spec.NSpec(), ranges);
  anySelected = !picks.empty();
  return SumScans(spec, picks, progress);
}

tXYarray BuildSIC(TSpec& spec, const std::vector<WeightedRange>& massRanges,
                  const ScanProgress& progress) {
  tXYarray out(spec.Chrom.size());
  for (size_t i = 0; i < out.size(); ++i)
    out[i] = {spec.Chrom[i][0], 0.0f};
  if (massRanges.empty()) return out;
  // Most points lie outside every range: two comparisons pass them by.
  double lowest = massRanges[0].start, highest = massRanges[0].end;
  for (const WeightedRange& r : massRanges) {
    lowest = std::min(lowest, r.start);
    highest = std::max(highest, r.end);
  }
  const int32_t n = spec.NSpec();
  for (int32_t i = 0; i < n; ++i) {
    float& y = out[static_cast<size_t>(i)][1];
    for (const dPoint& pt : spec.GetMass(i)) {
      if (pt[0] < lowest || pt[0] > highest) continue;
      const int r = RangeOf(massRanges, pt[0]);
      if (r < 0) continue;
      y = CheckFiniteF(y + pt[1] * massRanges[static_cast<size_t>(r)].weight,
                       "the selected-ion chromatogram");
      if (y < 0) y = 0;
    }
    Report(progress, i + 1, n);
  }
  return out;
}

tXYarray BuildBPI(TSpec& spec, const ScanProgress& progress) {
  tXYarray out(spec.Chrom.size());
  const int32_t n = spec.NSpec();
  for (int32_t i = 0; i < n; ++i) {
    const tXYarray& s = spec.GetMass(i);
    float best = -9999.0f;
    for (const dPoint& pt : s)
      if (pt[1] > best) best = pt[1];
    // A scan without points has no intensity, not the search's start.
    if (s.empty()) best = 0.0f;
    out[static_cast<size_t>(i)] = {spec.Chrom[static_cast<size_t>(i)][0], best};
    Report(progress, i + 1, n);
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

std::vector<int32_t> WaterfallScans(int32_t nSpec) {
  std::vector<int32_t> scans;
  const int32_t step = nSpec > 20 ? nSpec / 20 : 1;
  for (int32_t i = 0; i < nSpec; i += step)
    scans.push_back(i);
  return scans;
}

}  // namespace sorrel
