#pragma once
// What the workbench does with a training and its open frames, without the
// window: the unified mass bounds, the bounds check, the data matrix, the
// decomposition, the training's results, and the cross-validation of one
// frame. The command line uses the same functions, so its results are the
// workbench's.
#include <cstdint>
#include <optional>
#include <vector>

#include "core/common/Types.h"

namespace sorrel {

class PreprocFrame;
class TTraining;

using FrameList = std::vector<PreprocFrame*>;

// The bounds the workbench proposes from its frames: the largest first mass
// (truncated towards zero) and the smallest last mass (rounded up) of the
// frames' current spectra. Frames without a spectrum do not count; with
// none, false and the bounds are untouched.
bool UnifiedBounds(const FrameList& frames, int32_t& low, int32_t& high);

// Every frame's spectrum covers the training's bounds. Otherwise shows
// "Problem with lower boundary of sp" (or "higher") followed by the frame's
// 0-based index character and answers false.
bool CheckBounds(const TTraining& training, const FrameList& frames);

// One row per non-empty frame, in frame order: Preproc(frame 0, frame).
// Sets the training's Xvals. Throws SorrelError when frame 0 is empty or
// missing (it is the reference of every row).
aadouble BuildDataMatrix(TTraining& training, const FrameList& frames);

// The results of one calculation, kept by the workbench.
struct PcaResults {
  // The NIPALS precision of the decomposition, 10^-PrecPower of the
  // training when it was calculated: the training statistics of these
  // results are computed with the same precision.
  double Precision = 0.0;
  aadouble Data;
  aadouble Residual;
  adouble Eigenvalues;
  aadouble Loadings;
  aadouble Scores;
};

// Calculate PC's without the window: CheckBounds (false when it fails),
// the data matrix, CalcPCA with `nLoadings` components to the precision
// 10^-PrecPower. Throws on arithmetic faults; `out` is then untouched. More
// components than rows leave the decomposition outputs empty.
bool CalculatePCs(TTraining& training, const FrameList& frames, int nLoadings, PcaResults& out);

// Save Training's calculation: the training becomes calculated when the
// data matrix has a row; its Loadings are a copy of the results' loadings,
// its MahalMat, RcM and RMSG come from CalcTrainingStats of the data matrix
// with the training's NLoadings, to the precision of the results. A training
// with the calibrated class model gets that model calibrated on the data
// matrix (with the significances it holds). Throws (and changes nothing)
// when the statistics or the calibration cannot be computed.
void StoreResults(TTraining& training, const PcaResults& results);

// The workbench's CrossValidate: the leave-one-out score of frame
// `leftOut` with nf components against the other non-empty frames, every
// decomposition iterated to `precision`.
// Nothing (and no computation) when the index is not a frame's; when the
// bounds check fails, "Wrong boundaries" is shown and nothing answered.
std::optional<double> CrossValidateFrame(TTraining& training, const FrameList& frames, int leftOut,
                                         int nf, double precision);

}  // namespace sorrel
