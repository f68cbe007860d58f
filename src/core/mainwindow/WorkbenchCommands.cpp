// The workbench's commands of the main window: storing the settings,
// Calculate PC's, New/Open/Save Training, Retrieve and the cross-validated
// result series.
#include <exception>
#include <filesystem>

#include "core/common/ErrorBox.h"
#include "core/common/Errors.h"
#include "core/common/Paths.h"
#include "core/common/UiHooks.h"
#include "core/mainwindow/MainWindowLogic.h"
#include "core/plots/PlotCollection.h"
#include "core/plots/PlotFrame.h"

namespace sorrel {

namespace {

FileDialogRequest TrainingDialog(const std::string& title, const std::string& current) {
  FileDialogRequest r;
  r.title = title;
  r.filters = {{"Training file (*.trn)", "*.trn"}};
  r.defaultExt = "trn";
  r.initialDir = ExtractFilePath(current);
  return r;
}

}  // namespace

FrameList MainWindowLogic::Frames() const {
  FrameList frames;
  for (int i = 0; i < plots_.Count(); ++i)
    frames.push_back(plots_.Items(i));
  return frames;
}

void MainWindowLogic::StoreSettings() {
  if (training_.Locked) return;
  if (plots_.Count() >= 1) training_.DefaultTml = plots_.Items(0)->TmplName();
  training_.LowBound = settings_.LowBound.Value();
  training_.HighBound = settings_.HighBound.Value();
  training_.Normalize = settings_.Normalize;
  training_.IncSens = settings_.IncSens;
  training_.NLoadings = settings_.NLoadings.Value();
  training_.PrecPower = settings_.PrecPower.Value();
  training_.LoadedSpec.clear();
  for (int i = 0; i < plots_.Count(); ++i)
    training_.LoadedSpec.push_back(ExtractFileName(plots_.Items(i)->Spec.Filename()));
}

bool MainWindowLogic::CalculatePCs() {
  const int count = plots_.Count();
  if (count <= 1) return false;
  ResetResults();
  if (settings_.NLoadings.Value() < 2) {
    settings_.NLoadings.SetValue(count - 3);
    Notify(kSettings);
  }
  StoreSettings();
  const FrameList frames = Frames();
  if (!workbench_.Calculate(training_, frames, settings_.NLoadings.Value())) return false;
  // More components than spectra: the decomposition computes nothing, and
  // there is nothing to show.
  if (workbench_.Results().Eigenvalues.empty())
    throw SorrelError(std::to_string(settings_.NLoadings.Value()) +
                      " loadings need at least as many spectra; " +
                      std::to_string(workbench_.Results().Data.size()) + " are open");
  resultsVisible_ = true;
  enabling_.SaveTraining = true;
  Notify(kResults | kEnabling);
  return true;
}

bool MainWindowLogic::NewTraining() {
  Interpret("CloseSpec All");
  ResetResults();
  const std::string path = Ui().SaveFileDialog(TrainingDialog(
      "Give a name for the new training file; all the spectra must be in the same dir",
      training_.FileName()));
  if (path.empty()) return false;
  std::error_code ec;
  if (std::filesystem::exists(path, ec) &&
      !Ui().Confirm("File " + path + " exists.\nOverwrite it ?"))
    return false;
  TTraining fresh;
  fresh.Rename(path, false);
  training_ = std::move(fresh);
  plots_.Clear();
  StoreSettings();
  caption_ = std::string(kCaptionBase) + " - " + path;
  enabling_.CloseSpectrum = false;
  enabling_.PcaMenu = false;
  enabling_.SaveTraining = false;
  Notify(kCaption | kEnabling);
  return true;
}

bool MainWindowLogic::OpenTraining() {
  const std::vector<std::string> chosen =
      Ui().OpenFileDialog(TrainingDialog("Open PCA training file", training_.FileName()));
  if (chosen.empty()) return false;
  // Read before the training shown is given up: a file that cannot be
  // read leaves the window as it was.
  TTraining opened(chosen.front());
  opened.Open();
  resultsVisible_ = false;
  Interpret("CloseSpec All");
  ResetResults();
  training_ = std::move(opened);
  ShowTraining(true);
  UnifyBounds(false);
  ApplyEnabling();
  return true;
}

bool MainWindowLogic::SaveTraining(const std::function<bool(TTraining&)>& options) {
  workbench_.StoreResults(training_);
  const int32_t calculatedWith = training_.NLoadings;
  if (!options(training_)) return false;
  if (training_.Calculated && training_.NLoadings != calculatedWith) {
    // The Mahalanobis matrix belongs to a number of loadings: computed
    // again for the one the dialog set, within the loadings calculated.
    const int32_t available = static_cast<int32_t>(workbench_.Results().Loadings.size());
    const int32_t asked = training_.NLoadings;
    try {
      if (asked < 1 || asked > available)
        throw SorrelError("The training holds " + std::to_string(available) +
                          " calculated loadings; it cannot use " + std::to_string(asked) + ".");
      workbench_.StoreResults(training_);
    } catch (const std::exception& e) {
      training_.NLoadings = calculatedWith;
      workbench_.StoreResults(training_);
      throw SorrelError(std::string(e.what()) + " The training was not saved.");
    }
  }
  training_.Save(true);
  enabling_.SaveTraining = false;
  Notify(kEnabling);
  return true;
}

void MainWindowLogic::Retrieve(bool includingSpectra) {
  if (includingSpectra) ResetResults();
  ShowTraining(includingSpectra);
  if (includingSpectra) {
    UnifyBounds(false);
    ApplyEnabling();
  }
}

std::vector<int> MainWindowLogic::RowFrames() const {
  std::vector<int> rows;
  for (int i = 0; i < plots_.Count(); ++i)
    if (!plots_.Items(i)->IsEmpty()) rows.push_back(i);
  return rows;
}

adouble MainWindowLogic::CurrentRow(int k) {
  PlotFrame* first = plots_.Items(0);
  PlotFrame* frame = plots_.Items(k);
  if (!first || !frame) throw SorrelError("There is no spectrum " + std::to_string(k + 1));
  return training_.Preproc(*first, *frame);
}

std::optional<PageSeries> MainWindowLogic::MDistSeries(int nf) {
  const auto scores = workbench_.MDist(training_, Frames(), nf);
  if (!scores) return std::nullopt;
  std::vector<FrameDistance> distances;
  for (const auto& [frame, score] : *scores)
    distances.push_back({frame, plots_.Items(frame)->Number(), score});
  return MDistPageSeries(distances);
}

std::optional<PageSeries> MainWindowLogic::CompactSeries() {
  const auto averages = workbench_.Compact(training_, Frames());
  if (!averages) return std::nullopt;
  return CompactPageSeries(*averages);
}

}  // namespace sorrel
