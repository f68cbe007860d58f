#include "core/training/TrainingCalc.h"

#include <cmath>
#include <utility>

#include "core/common/Directories.h"
#include "core/common/Errors.h"
#include "core/common/FrameLabels.h"
#include "core/common/UiHooks.h"
#include "core/pca/CrossValidation.h"
#include "core/pca/Mahalanobis.h"
#include "core/pca/MatrixToolkit.h"
#include "core/pca/Nipals.h"
#include "core/plots/PreprocFrame.h"
#include "core/training/Training.h"

namespace sorrel {

namespace {

bool HasSpectrum(const PreprocFrame* f) {
  return f && !f->CurrentMass().empty();
}

}  // namespace

bool UnifiedBounds(const FrameList& frames, int32_t& low, int32_t& high) {
  bool any = false;
  double lo = 0, hi = 0;
  for (const PreprocFrame* f : frames) {
    if (!HasSpectrum(f)) continue;
    const double first = std::trunc(static_cast<double>(f->CurrentMass().front()[0]));
    const double last = std::ceil(static_cast<double>(f->CurrentMass().back()[0]));
    if (!any || first > lo) lo = first;
    if (!any || last < hi) hi = last;
    any = true;
  }
  if (!any) return false;
  // Masses of real spectra are far inside the 32-bit range; a corrupt one
  // is clamped rather than converted out of range.
  auto clamp = [](double v) {
    return static_cast<int32_t>(std::fmax(-2147483647.0, std::fmin(2147483647.0, v)));
  };
  low = clamp(lo);
  high = clamp(hi);
  return true;
}

bool CheckBounds(const TTraining& training, const FrameList& frames) {
  for (size_t i = 0; i < frames.size(); ++i) {
    if (!HasSpectrum(frames[i])) continue;
    if (training.LowBound < std::trunc(static_cast<double>(frames[i]->CurrentMass().front()[0]))) {
      Ui().ShowMessage(std::string("Problem with lower boundary of sp") +
                       IndexChar(static_cast<int>(i)));
      return false;
    }
  }
  for (size_t i = 0; i < frames.size(); ++i) {
    if (!HasSpectrum(frames[i])) continue;
    if (std::ceil(static_cast<double>(frames[i]->CurrentMass().back()[0])) < training.HighBound) {
      Ui().ShowMessage(std::string("Problem with higher boundary of sp") +
                       IndexChar(static_cast<int>(i)));
      return false;
    }
  }
  return true;
}

aadouble BuildDataMatrix(TTraining& training, const FrameList& frames) {
  if (frames.empty() || !frames[0] || frames[0]->IsEmpty())
    throw SorrelError("The reference spectrum (the first one) is empty");
  aadouble rows;
  for (PreprocFrame* f : frames) {
    if (!f || f->IsEmpty()) continue;
    rows.push_back(training.Preproc(*frames[0], *f));
  }
  return rows;
}

bool CalculatePCs(TTraining& training, const FrameList& frames, int nLoadings, PcaResults& out) {
  BusyCursor busy;
  if (!CheckBounds(training, frames)) return false;
  PcaResults r;
  r.Data = BuildDataMatrix(training, frames);
  r.Precision = NipalsPrecision(training.PrecPower);
  CalcPCA(r.Data, nLoadings, r.Precision, r.Residual, r.Eigenvalues, r.Loadings, r.Scores);
  out = std::move(r);
  return true;
}

void StoreResults(TTraining& training, const PcaResults& results) {
  if (results.Data.empty()) {
    training.Calculated = false;
    return;
  }
  aadouble mahal;
  adouble mean;
  double rcm = 0, rmsg = 0;
  CalcTrainingStats(results.Data, training.NLoadings, results.Precision, mahal, mean, rcm, rmsg);
  // The calibrated model is computed anew from the same data matrix, so
  // that its limits always belong to the training's spectra and settings.
  tCalibration calibration;
  if (training.ClassModel == tClassModel::Calibrated)
    calibration = Calibrate(results.Data, training.Xvals, training.Calibration.Significance,
                            training.Calibration.PossSignificance);
  training.Calibration = std::move(calibration);
  training.Calculated = true;
  // Xvals are the masses the preprocessing of the data matrix set.
  CopyMatrix(results.Loadings, training.Loadings);
  training.MahalMat = std::move(mahal);
  training.RcM = rcm;
  training.RMSG = rmsg;
}

std::optional<double> CrossValidateFrame(TTraining& training, const FrameList& frames, int leftOut,
                                         int nf, double precision) {
  BusyCursor busy;
  if (leftOut < 0 || static_cast<size_t>(leftOut) >= frames.size()) return std::nullopt;
  if (!CheckBounds(training, frames)) {
    Ui().ShowMessage("Wrong boundaries");
    return std::nullopt;
  }
  if (!frames[0] || frames[0]->IsEmpty())
    throw SorrelError("The reference spectrum (the first one) is empty");
  aadouble rows;
  adouble left;
  for (size_t k = 0; k < frames.size(); ++k) {
    if (static_cast<int>(k) == leftOut) {
      if (frames[k]) left = training.Preproc(*frames[0], *frames[k]);
    } else if (frames[k] && !frames[k]->IsEmpty()) {
      rows.push_back(training.Preproc(*frames[0], *frames[k]));
    }
  }
  return CrossValidateSpectrum(rows, left, nf, precision);
}

}  // namespace sorrel
