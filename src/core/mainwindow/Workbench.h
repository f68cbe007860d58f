#pragma once
// The PCA workbench's state without the window: the results of the last
// calculation and the NIPALS precision that calculation set. Save
// Training's statistics and the cross-validations of the "M.Dist" and
// "Compact" charts iterate to that precision, the one last set, not to
// whatever the training's precision power has become since.
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "core/common/Types.h"
#include "core/training/TrainingCalc.h"

namespace sorrel {

class TTraining;

class Workbench {
 public:
  // The precision last set by a calculation; 0 before the first one.
  double Precision() const { return results_.Precision; }
  // The results of the last calculation that succeeded.
  const PcaResults& Results() const { return results_; }

  // Calculate PC's over the frames (the caller has stored the window's
  // settings into the training): the bounds check (false, and nothing
  // changes, when it fails), the data matrix and the decomposition into
  // `nLoadings` components at 10^-PrecPower. The training is then marked
  // calculated, but the Mahalanobis matrix it held belonged to the spectra
  // and settings it had before and is dropped: until Save Training computes
  // it anew, saving the training (at shutdown, say) writes no PCA results,
  // instead of its old loadings under its new settings. Arithmetic faults
  // throw; the results are then those of before.
  bool Calculate(TTraining& training, const FrameList& frames, int nLoadings);

  // Save Training's computation from the last results (StoreResults).
  void StoreResults(TTraining& training) const;

  // The leave-one-out score of frame `leftOut` with nf components at the
  // precision last set (CrossValidateFrame).
  std::optional<double> CrossValidate(TTraining& training, const FrameList& frames, int leftOut,
                                      int nf) const;

  // The leave-one-out scores of every non-empty frame with nf components
  // ("M.Dist"), and their averages for 1 to the number of loadings
  // calculated ("Compact"), from the frames as they are now, at the
  // precision last set. The frames are preprocessed once and every
  // decomposition runs under the progress window, which lets the window
  // repaint and offers Cancel. Nothing is answered when the user cancels
  // (what was computed is dropped, so a later run gives all of it afresh)
  // or when the bounds check fails (then "Wrong boundaries" is shown once).
  // M.Dist answers (frame index, score) pairs.
  std::optional<std::vector<std::pair<int, double>>> MDist(TTraining& training,
                                                           const FrameList& frames, int nf) const;
  std::optional<adouble> Compact(TTraining& training, const FrameList& frames) const;

 private:
  PcaResults results_;
};

}  // namespace sorrel
