#pragma once
// What a run frame extracts from its store: the weighted sum of the scans
// inside chromatogram ranges, the selected-ion chromatogram of mass ranges,
// the base peak chromatogram, and the scan a run opens on.
#include <cstdint>
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
};

// The first range (in order) that holds x, or -1.
int RangeOf(const std::vector<WeightedRange>& ranges, double x);

// Weighted sum over the scans whose X in `chromX` (one value per scan, in
// the chromatogram's units) lies inside a range, on unit masses. Sums are
// 32-bit floats, clamped to 0 at once when they become negative. With no
// scan selected the result is 100 zero points at m/z 0 to 99 and
// `anySelected` is false. Selected scans whose masses span more than
// kMaxNominalPoints unit masses (a corrupt mass of 1e30) throw SorrelError.
tXYarray SumRangeMass(TSpec& spec, const std::vector<double>& chromX,
                      const std::vector<WeightedRange>& ranges, bool& anySelected);

// One point per scan (X the retention time): the weighted sum of the
// intensities whose m/z lies inside a mass range, clamped at 0.
tXYarray BuildSIC(TSpec& spec, const std::vector<WeightedRange>& massRanges);

// One point per scan: the largest intensity of the scan, 0 for a scan
// without points.
tXYarray BuildBPI(TSpec& spec);

// The scan a run opens on: the first with the largest total ion current,
// counting only values above 0; scan 0 when there is none.
int32_t InitialScan(const tXYarray& chrom);

}  // namespace sorrel
