#pragma once
// Cleaning steps of a spectrum or chromatogram before peak picking: gap
// filling, Savitzky-Golay smoothing and a constant baseline. Each reads one
// array and writes a new one; the input is never changed (the output may be
// the same object as the input). The settings come from the view group of
// a plot option set chosen by `chromatogram` (oChrom when true, oMass when
// false).
#include <string>

#include "core/common/Types.h"

namespace sorrel {

class tSpOpt;

// Largest number of points FillGaps may produce.
inline constexpr size_t kMaxFilledPoints = 20000000;

// The text of the last error the processing steps recorded without
// raising it ("Smoothing/Wrong peak factor", "Peaking/Wrong peak
// sensitivity"); empty when none was recorded since the last clear.
const std::string& ProcessingLastError();
void SetProcessingLastError(const std::string& text);
void ClearProcessingLastError();

// Inserts zero-intensity points where the mass axis has holes: a step
// greater than 1.5 is divided into n = round(step) equal parts (halves to
// even) and n-1 points of intensity 0 go in between. An empty input leaves
// `out` as it is. A spectrum whose holes would need more than
// kMaxFilledPoints points throws SorrelError and leaves `out` as it is.
void FillGaps(const tXYarray& spectrum, tXYarray& out);

// Savitzky-Golay smoothing (degree 4) with the window 2k+5 of the group's
// SGDegree k. The mass spectrum is gap-filled first when its FillNull is
// set. Points k+3 .. N-k-3 are smoothed; the others keep their values, and
// a spectrum shorter than the window is returned as it is (true). Empty
// input: false and an empty output. k outside 1 .. 10: false, the output
// is the unsmoothed (gap-filled) spectrum, and "Smoothing/Wrong peak
// factor" becomes the last error. A smoothed value beyond the range of a
// 32-bit float throws MathError and leaves `out` as it is.
bool SGSmooth(const tXYarray& spectrum, bool chromatogram, const tSpOpt& options, tXYarray& out);

// Automatic baseline level: the mean of the intensities below twice the
// mean of all intensities; 0 when there are none or the spectrum is empty.
// Sums are kept in 64-bit floating point.
float AutoThreshold(const tXYarray& spectrum);

// Subtracts the group's Threshold t (first set to AutoThreshold when its
// AutoTS is on, which updates the option set): Y >= t becomes Y - t, a
// lower Y becomes 1. Empty input: false, `out` unchanged. A result beyond
// the range of a 32-bit float throws MathError and leaves `out` and the
// options as they were.
bool SubtractBaseline(const tXYarray& spectrum, bool chromatogram, tSpOpt& options, tXYarray& out);

}  // namespace sorrel
