#pragma once
// Cleaning steps of a spectrum or chromatogram before peak picking: gap
// filling, Savitzky-Golay smoothing and a constant baseline. Each reads one
// array and writes a new one; the input is never changed (the output may be
// the same object as the input). The settings are those of one view; the
// chain of a view (ProcessingChain.h) chooses which steps run.
#include "core/common/Types.h"
#include "core/processing/ProcessingOptions.h"

namespace sorrel {

// Largest number of points FillGaps may produce.
inline constexpr size_t kMaxFilledPoints = 20000000;

// Inserts zero-intensity points where the mass axis has holes: a step
// greater than 1.5 is divided into n = round(step) equal parts (halves to
// even) and n-1 points of intensity 0 go in between. An empty input leaves
// `out` as it is. A spectrum whose holes would need more than
// kMaxFilledPoints points throws SorrelError and leaves `out` as it is.
void FillGaps(const tXYarray& spectrum, tXYarray& out);

// Savitzky-Golay smoothing (degree 4) with the window 2k+5 of SGDegree k.
// The spectrum is gap-filled first when FillNull is set (the mass
// spectrum's chain sets it; a chromatogram is never filled). Points k+3 ..
// N-k-3 are smoothed; the others keep their values, and a spectrum shorter
// than the window is returned as it is (done). k outside 1 .. 10: not done,
// the error "Smoothing/Wrong peak factor", and the output is the unsmoothed
// (gap-filled) spectrum. Empty input: not done and an empty output. A
// smoothed value beyond the range of a 32-bit float throws MathError and
// leaves `out` as it is. Enabled is the chain's business and not read here.
StepResult SGSmooth(const tXYarray& spectrum, const rSmooth& settings, tXYarray& out);

// Automatic baseline level: the mean of the intensities below twice the
// mean of all intensities; 0 when there are none or the spectrum is empty.
// Sums are kept in 64-bit floating point.
float AutoThreshold(const tXYarray& spectrum);

// The answer of SubtractBaseline: whether it ran, and the level it
// subtracted (in automatic mode the one it found).
struct BaselineResult {
  bool Done = false;
  double Threshold = 0;
};

// Subtracts the level t, Threshold or, when AutoTS is set, AutoThreshold
// of the input: Y >= t becomes Y - t, a lower Y becomes 1. The settings are
// not changed; the level used is part of the answer. Empty input: not done,
// `out` unchanged. A result beyond the range of a 32-bit float throws
// MathError and leaves `out` as it was.
BaselineResult SubtractBaseline(const tXYarray& spectrum, const rBLine& settings, tXYarray& out);

}  // namespace sorrel
