#include "core/mainwindow/Workbench.h"

#include <utility>

#include "core/training/Training.h"

namespace sorrel {

bool Workbench::Calculate(TTraining& training, const FrameList& frames, int nLoadings) {
  PcaResults r;
  if (!CalculatePCs(training, frames, nLoadings, r)) return false;
  results_ = std::move(r);
  // The statistics the training held belong to the spectra and settings it
  // had before this calculation; without them the training no longer
  // counts as calculated when it is saved (until Save Training computes
  // them anew), so no file gets its old loadings under its new settings.
  training.MahalMat.clear();
  training.Calculated = true;
  return true;
}

void Workbench::StoreResults(TTraining& training) const {
  sorrel::StoreResults(training, results_);
}

std::optional<double> Workbench::CrossValidate(TTraining& training, const FrameList& frames,
                                               int leftOut, int nf) const {
  return CrossValidateFrame(training, frames, leftOut, nf, results_.Precision);
}

}  // namespace sorrel
