#include "core/mainwindow/PCAprocLogic.h"

#include "core/common/ErrorBox.h"
#include "core/common/Errors.h"
#include "core/common/Paths.h"
#include "core/common/UiHooks.h"
#include "core/plots/PlotCollection.h"
#include "core/plots/PlotFrame.h"
#include "core/plots/TemplateName.h"

namespace sorrel {

namespace {

FileDialogRequest ListDialog(const std::string& title) {
  FileDialogRequest r;
  r.title = title;
  r.filters = {{"Training List", "*.trl"}};
  r.defaultExt = "trl";
  return r;
}

}  // namespace

std::unique_ptr<PreprocFrame> OpenReferencePlotFrame(const TTraining& training,
                                                     const std::string& path) {
  // A frame would fall back to the defaults for a template that has gone;
  // the training's spectra were processed by it, and classifying without
  // it would answer for other spectra.
  const std::string named = ResolveTemplateName(training.DefaultTml);
  if (!named.empty() && !FileExists(named))
    throw SorrelError("its template " + named + " does not exist");
  auto frame = std::make_unique<PlotFrame>();
  frame->Initialise(training.DefaultTml);
  if (!frame->OpenData(path)) return nullptr;
  return frame;
}

std::string PCAprocLogic::ListHint() const {
  return TrainingList ? kListHintPrefix + TrainingList->FileName() : std::string();
}

void PCAprocLogic::OpenList() {
  FileDialogRequest r = ListDialog("Open Traning List (type a new name to create a new list)");
  r.allowNewName = true;
  if (TrainingList) r.initialDir = TrainingList->DirName();
  const auto files = Ui().OpenFileDialog(r);
  if (!files.empty()) OpenListByPath(files.front());
}

void PCAprocLogic::OpenListByPath(const std::string& path) {
  const TTrainingList* before = TrainingList.get();
  OpenTrainingListByPath(TrainingList, path);
  if (TrainingList.get() != before) reasons_.clear();
}

bool PCAprocLogic::SaveList() {
  if (!TrainingList) {
    const std::string path = Ui().SaveFileDialog(ListDialog("Save training list file"));
    if (path.empty()) return false;
    TrainingList = std::make_unique<TTrainingList>(path);
    reasons_.clear();
  }
  TrainingList->Save();
  return true;
}

bool PCAprocLogic::Add() {
  if (!TrainingList) OpenList();
  if (!TrainingList) return false;
  FileDialogRequest r;
  r.filters = {{"Training Set", "*.trn"}};
  r.defaultExt = "trn";
  r.initialDir = TrainingList->DirName();
  const auto files = Ui().OpenFileDialog(r);
  if (files.empty()) return false;
  if (!TrainingList->Add(files.front())) return false;
  if (!reasons_.empty()) reasons_.resize(TrainingList->Rows.size());
  return true;
}

void PCAprocLogic::Remove(int row) {
  if (!TrainingList || row < 0) return;
  const auto index = static_cast<size_t>(row);
  TrainingList->Remove(index);
  if (index < reasons_.size()) reasons_.erase(reasons_.begin() + row);
}

void PCAprocLogic::Copy() {
  Ui().SetClipboardText(CopyText());
}

std::string PCAprocLogic::CopyText() const {
  return TrainingList ? TrainingList->CopyText() : std::string();
}

void PCAprocLogic::ClearResults() {
  reasons_.clear();
  if (!TrainingList) return;
  for (TrainingRow& row : TrainingList->Rows) {
    row.Answer.clear();
    row.Score.clear();
    row.State = TrainingRow::Status::None;
    row.ScoreValue = 0.0;
  }
}

std::string PCAprocLogic::Reason(size_t row) const {
  return row < reasons_.size() ? reasons_[row] : std::string();
}

bool PCAprocLogic::Run() {
  PreprocFrame* active = plots_.Items(plots_.Active());
  if (!active) {
    ShowErrorBox("No spec to consider.");
    return false;
  }
  if (!TrainingList) return false;
  TTrainingList& list = *TrainingList;
  std::vector<TrainingRow>& rows = list.Rows;
  reasons_.assign(rows.size(), std::string());

  // A row that cannot be scored keeps its reason and the run goes on with
  // the next row.
  list.Run(active, OpenReferencePlotFrame);
  for (size_t i = 0; i < rows.size(); ++i) {
    if (rows[i].State != TrainingRow::Status::NoAnswer) continue;
    std::string why = rows[i].Reason;
    // The row is the training: the message need not name its file again.
    const std::string prefix = list.TrainingS[i].second + ": ";
    if (why.compare(0, prefix.size(), prefix) == 0) why.erase(0, prefix.size());
    reasons_[i] = why;
  }
  return true;
}

}  // namespace sorrel
