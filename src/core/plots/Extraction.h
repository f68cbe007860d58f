#pragma once
// What a run frame extracts from its store: the weighted sum of the scans
// inside chromatogram ranges, the selected-ion chromatogram of mass ranges,
// the base peak chromatogram, the scan a run opens on, and the scans the
// waterfall shows. The frame and `sorrel spectrum --range` / `sorrel chrom`
// call the same functions.
#include <cstdint>
#include <exception>
#include <functional>
#include <vector>

#include "core/common/Types.h"

namespace sorrel {

class TSpec;

// One range of a ranges grid: start <= x <= end holds x. The weight of a
// row whose weight cell does not parse is 1.
struct WeightedRange {
  double start = 0;
  double end = 0;
  float weight = 1.0f;

  friend bool operator==(const WeightedRange&, const WeightedRange&) = default;
};

// The first range (in order) that holds x, or -1.
int RangeOf(const std::vector<WeightedRange>& ranges, double x);

// Told after each scan read by the long extractions: scans done so far and
// scans to read in all. Answering false stops the work, which then throws
// WorkCancelled.
using ScanProgress = std::function<bool(int32_t done, int32_t total)>;

// The user stopped a long extraction; nothing was produced.
class WorkCancelled : public std::exception {
 public:
  const char* what() const noexcept override { return "The work was cancelled"; }
};

// A scan inside a chromatogram range and the weight of that range.
struct ScanPick {
  int32_t scan = 0;
  float weight = 1.0f;
};

// The scans whose X in `chromX` (one value per scan, in the chromatogram's
// units) lies inside a range, in scan order, each with the weight of the
// first range that holds it. Only the first `nSpec` values are looked at.
std::vector<ScanPick> PickScans(const std::vector<double>& chromX, int32_t nSpec,
                                const std::vector<WeightedRange>& ranges);

// The weighted sum of the picked scans on unit masses. Each scan is read
// once. The grid runs from the smallest rounded first m/z (at most 9999) to
// the largest rounded last m/z (at least 0) of the picked scans that have
// points; every point adds y x weight to its unit mass, in the order of the
// picks, and a sum that becomes negative is set to 0 at once. Sums are
// 32-bit floats. With no pick the result is 100 zero points at m/z 0 to 99.
// A grid of more than kMaxNominalPoints unit masses (a corrupt mass of 1e30)
// throws SorrelError naming the m/z range.
tXYarray SumScans(TSpec& spec, const std::vector<ScanPick>& picks,
                  const ScanProgress& progress = {});

// PickScans and SumScans in one: `anySelected` tells whether a scan lay
// inside a range.
tXYarray SumRangeMass(TSpec& spec, const std::vector<double>& chromX,
                      const std::vector<WeightedRange>& ranges, bool& anySelected,
                      const ScanProgress& progress = {});

// One point per scan (X the retention time): the weighted sum of the
// intensities whose m/z lies inside a mass range (the first range that
// holds it gives the weight), clamped at 0 at once when the sum becomes
// negative. Every scan is read once; without ranges nothing is read and
// every Y is 0.
tXYarray BuildSIC(TSpec& spec, const std::vector<WeightedRange>& massRanges,
                  const ScanProgress& progress = {});

// One point per scan: the largest intensity of the scan, 0 for a scan
// without points.
tXYarray BuildBPI(TSpec& spec, const ScanProgress& progress = {});

// The scan a run opens on: the first with the largest total ion current,
// counting only values above 0; scan 0 when there is none.
int32_t InitialScan(const tXYarray& chrom);

// The scans of a run of `nSpec` scans that the waterfall shows: every
// step-th scan from 0, step being nSpec div 20 for more than 20 scans and 1
// otherwise.
std::vector<int32_t> WaterfallScans(int32_t nSpec);

}  // namespace sorrel
