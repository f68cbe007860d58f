#include "core/mainwindow/Workbench.h"

#include <utility>

#include "core/common/Errors.h"
#include "core/common/ProgressIndicator.h"
#include "core/common/UiHooks.h"
#include "core/pca/CrossValidation.h"
#include "core/plots/PreprocFrame.h"
#include "core/training/Training.h"

namespace sorrel {

namespace {

// The preprocessed spectra of the non-empty frames and the frame of each;
// nothing when the bounds check fails ("Wrong boundaries").
struct FrameRows {
  aadouble Rows;
  std::vector<int> Frames;
};

std::optional<FrameRows> PreprocessFrames(TTraining& training, const FrameList& frames) {
  {
    BusyCursor busy;
    if (!CheckBounds(training, frames)) {
      Ui().ShowMessage("Wrong boundaries");
      return std::nullopt;
    }
  }
  FrameRows out;
  out.Rows = BuildDataMatrix(training, frames);
  for (size_t k = 0; k < frames.size(); ++k)
    if (frames[k] && !frames[k]->IsEmpty()) out.Frames.push_back(static_cast<int>(k));
  return out;
}

// Runs step(0) .. step(count - 1) under the progress window; false when the
// user cancelled before the last step had run.
template <class Step>
bool RunWithProgress(const std::string& caption, int count, Step step) {
  TProgressIndicator progress;
  progress.Caption = caption;
  progress.TextString = "Leaving out spectrum";
  progress.WaitTillFinish = true;
  bool finished = false;
  progress.OnProcessItem = [&] {
    for (int i = 0; i < count; ++i) {
      progress.SetPosition(i, count);
      if (progress.UserCanceled()) return;
      step(i);
    }
    progress.SetPosition(count, count);
    finished = true;
  };
  progress.StartProgress(true);
  return finished;
}

}  // namespace

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

std::optional<std::vector<std::pair<int, double>>> Workbench::MDist(TTraining& training,
                                                                    const FrameList& frames,
                                                                    int nf) const {
  const std::optional<FrameRows> data = PreprocessFrames(training, frames);
  if (!data) return std::nullopt;
  std::vector<std::pair<int, double>> out;
  const int n = static_cast<int>(data->Rows.size());
  const double precision = results_.Precision;
  if (!RunWithProgress("M.Dist by cross-validation", n, [&](int l) {
        out.emplace_back(data->Frames[static_cast<size_t>(l)],
                         sorrel::CrossValidate(data->Rows, static_cast<size_t>(l), nf, precision));
      }))
    return std::nullopt;
  return out;
}

std::optional<adouble> Workbench::Compact(TTraining& training, const FrameList& frames) const {
  const int a = static_cast<int>(results_.Loadings.size());
  const std::optional<FrameRows> data = PreprocessFrames(training, frames);
  if (!data) return std::nullopt;
  aadouble table;
  const int n = static_cast<int>(data->Rows.size());
  const double precision = results_.Precision;
  if (!RunWithProgress("Average distance by cross-validation", n, [&](int l) {
        table.push_back(LeaveOneOutRow(data->Rows, static_cast<size_t>(l), a, precision));
      }))
    return std::nullopt;
  return ColumnAverages(table);
}

}  // namespace sorrel
