#include "core/mainwindow/ScreenProcLogic.h"

#include <map>
#include <optional>

#include "core/common/Errors.h"
#include "core/common/NumberText.h"
#include "core/common/Paths.h"
#include "core/common/ProgressIndicator.h"
#include "core/common/UiHooks.h"
#include "core/pca/Mahalanobis.h"
#include "core/plots/PlotCollection.h"
#include "core/training/TrainingList.h"

namespace sorrel {

namespace {

bool IsHit(const Classification& c) {
  return c.Answer == "Yes" || c.Answer == "Poss.";
}

std::string Plural(size_t n, const std::string& one, const std::string& many) {
  return std::to_string(n) + " " + (n == 1 ? one : many);
}

}  // namespace

ScreenProcLogic::ScreenProcLogic(PlotCollection& plots) : plots_(plots) {}

ScreenProcLogic::~ScreenProcLogic() = default;

// ---- the trainings

bool ScreenProcLogic::ChooseTrainings() {
  FileDialogRequest r;
  r.title = "Screen against a training list or a training";
  r.filters = {{"Training lists and trainings (*.trl *.trn)", "*.trl *.trn"},
               {"Training lists (*.trl)", "*.trl"},
               {"Trainings (*.trn)", "*.trn"}};
  if (!chosen_.empty()) r.initialDir = ExtractFilePath(chosen_);
  const std::vector<std::string> files = Ui().OpenFileDialog(r);
  if (files.empty()) return false;
  SetChosenFile(files.front());
  return true;
}

void ScreenProcLogic::SetChosenFile(const std::string& path) {
  const std::string ext = UpperCase(ExtractFileExt(path));
  if (ext != ".TRL" && ext != ".TRN")
    throw SorrelError(path + " is neither a training list (.trl) nor a training (.trn).");
  if (!FileExists(path)) throw SorrelError("File <" + path + "> does not exist.");
  chosen_ = path;
  Notify();
}

std::string ScreenProcLogic::SourceText() const {
  if (const TTrainingList* list = BatchList ? BatchList() : nullptr)
    return "the checked trainings of the list " + ExtractFileName(list->FileName()) +
           " (batch classification)";
  if (chosen_.empty()) return "a training list or a training, asked for at the first run";
  if (UpperCase(ExtractFileExt(chosen_)) == ".TRL")
    return "the checked trainings of the list " + ExtractFileName(chosen_);
  return "the training " + ExtractFileName(chosen_);
}

std::vector<std::string> ScreenProcLogic::TrainingPaths() {
  auto checked = [](const TTrainingList& list) {
    std::vector<std::string> paths = CheckedTrainingPaths(list);
    if (paths.empty())
      throw SorrelError("No training of the list " + list.FileName() +
                        " is checked: there is nothing to screen against.");
    return paths;
  };
  if (const TTrainingList* list = BatchList ? BatchList() : nullptr) return checked(*list);
  if (chosen_.empty() && !ChooseTrainings()) return {};
  if (UpperCase(ExtractFileExt(chosen_)) == ".TRN") return {chosen_};
  if (!FileExists(chosen_)) throw SorrelError("File <" + chosen_ + "> does not exist.");
  TTrainingList list(chosen_);
  if (!list.Open()) return {};  // the error box named the training that is missing
  list.FillRows();
  return checked(list);
}

// ---- Screen Run

bool ScreenProcLogic::Run() {
  PlotFrame* frame = plots_.Items(plots_.Active());
  if (!frame || frame->IsEmpty())
    throw SorrelError("No run to screen: open a GC/MS run in a plot frame first.");
  if (frame->MassOnly() || frame->Spec.NSpec() == 0)
    throw SorrelError("The active frame " + frame->Name +
                      " shows a single spectrum, not a run: it has no chromatogram to screen.");
  const std::vector<std::string> paths = TrainingPaths();
  if (paths.empty()) return false;

  std::vector<ScreenTraining> trainings;
  std::optional<ScreenResult> result;
  TSpec& run = frame->Spec;
  if (run.ScanPlace() == TSpec::tScanPlace::Memory || run.NSpec() <= kProgressScans) {
    BusyCursor busy;
    trainings = OpenScreenTrainings(paths, MakeReference);
    result = ScreenRun(run, trainings, Settings);
  } else {
    // Under the progress window: the main window is disabled meanwhile and
    // kept painted, and Cancel stops the screening.
    {
      BusyCursor busy;
      trainings = OpenScreenTrainings(paths, MakeReference);
    }
    TProgressIndicator progress;
    progress.Caption = kHeader;
    progress.TextString = "Screening " + ExtractFileName(run.Filename()) + "...";
    progress.WaitTillFinish = true;
    progress.OnProcessItem = [&] {
      try {
        result = ScreenRun(run, trainings, Settings, [&](int64_t done, int64_t total) {
          progress.SetPosition(static_cast<int>(done), static_cast<int>(total));
          return !progress.UserCanceled();
        });
      } catch (const WorkCancelled&) {
        result.reset();
      }
    };
    progress.StartProgress(true);
    if (!result) return false;
  }

  Clear();
  frame_ = frame;
  frameFile_ = run.Filename();
  frameScans_ = run.NSpec();
  trainingPaths_ = paths;
  result_ = std::move(*result);
  for (const ScreenTraining& t : trainings)
    if (!t.Problem.empty()) problems_.push_back(t.Path + ": " + t.Problem);
  for (const ScreenPeak& p : result_.Peaks)
    if (!p.Problem.empty())
      problems_.push_back("the peak at " + ShortestRoundTripFloat(static_cast<float>(p.Rt)) +
                          " s: " + p.Problem);
  for (const ScreenRow& row : result_.Rows) {
    if (!IsHit(row.Result)) continue;
    ScreenHit h;
    h.Peak = row.Peak;
    h.Training = row.Training;
    h.Rt = result_.Peaks[row.Peak].Rt;
    h.Compound = trainings[row.Training].Compound;
    h.Answer = row.Result.Answer;
    h.Score = row.Result.Score;
    h.RtText = ShortestRoundTripFloat(static_cast<float>(h.Rt));
    h.ScoreText = ScoreText(h.Score);
    hits_.push_back(std::move(h));
  }
  screened_ = true;
  MarkHits();
  Notify();
  return true;
}

std::string ScreenProcLogic::Summary() const {
  if (!screened_) return {};
  std::string s = Plural(result_.Peaks.size(), "peak", "peaks") + " of " +
                  ExtractFileName(frameFile_) + " screened against " +
                  Plural(trainingPaths_.size(), "training", "trainings") + ": " +
                  Plural(hits_.size(), "hit", "hits") + ".";
  for (const std::string& p : problems_)
    s += "\n" + p;
  return s;
}

std::string ScreenProcLogic::CopyText() const {
  std::string out;
  for (const ScreenHit& h : hits_)
    out += h.RtText + "\t" + h.Compound + "\t" + h.Answer + "\t" + h.ScoreText + "\n";
  return out;
}

void ScreenProcLogic::Copy() const {
  Ui().SetClipboardText(CopyText());
}

// ---- the hits in the frame

int ScreenProcLogic::FrameIndex(const PlotFrame* frame) const {
  for (int i = 0; i < plots_.Count(); ++i)
    if (plots_.Items(i) == frame) return i;
  return -1;
}

PlotFrame* ScreenProcLogic::ScreenedFrame() const {
  if (!frame_ || FrameIndex(frame_) < 0) return nullptr;
  if (frame_->Spec.Filename() != frameFile_ || frame_->Spec.NSpec() != frameScans_ ||
      frame_->MassOnly())
    return nullptr;
  return frame_;
}

void ScreenProcLogic::MarkHits() {
  PlotFrame* frame = ScreenedFrame();
  if (!frame) return;
  // One note per peak, over its apex: the compounds found there, a
  // possible one with a question mark.
  std::map<size_t, std::string> texts;
  for (const ScreenHit& h : hits_) {
    std::string& t = texts[h.Peak];
    t += (t.empty() ? "" : ", ") + h.Compound + (h.Answer == "Yes" ? "" : "?");
  }
  std::vector<ChartViewLogic::PointNote> notes;
  for (const auto& [peak, text] : texts)
    notes.push_back({result_.Peaks[peak].Apex, text});
  frame->chrChrom.SetNotes(std::move(notes));
}

void ScreenProcLogic::ChooseHit(size_t i) {
  if (i >= hits_.size()) return;
  PlotFrame* frame = ScreenedFrame();
  if (!frame) {
    const std::string file = frameFile_;
    Clear();
    throw SorrelError("The run screened, " + file +
                      ", is no longer open in its frame: screen it again.");
  }
  plots_.SetActive(FrameIndex(frame));
  const ScreenPeak& peak = result_.Peaks[hits_[i].Peak];
  // The chromatogram's X of each scan, in the units it shows; its ranges
  // are written as the view writes them, the weights exactly.
  const std::vector<double>& x = frame->chrChrom.X();
  auto scanX = [&](double seconds) {
    // The scan at `seconds` on the run's own time axis.
    size_t k = 0;
    while (k + 1 < frame->Spec.Chrom.size() && frame->Spec.Chrom[k][0] < seconds)
      ++k;
    return k < x.size() ? x[k] : seconds;
  };
  RangesGrid& grid = frame->sgRangesChrom;
  grid.ClearStarts();
  int row = 1;
  for (const WeightedRange& r : peak.Ranges)
    grid.SetRow(row++, FormatValue(scanX(r.start)), FormatValue(scanX(r.end)),
                ShortestRoundTripFloat(r.weight));
  chosenHit_ = static_cast<int>(i);
  if (frame->chrChrom.ZoomMode()) {
    frame->chrChrom.UpdateFromTable();
    frame->chrChrom.SetZoomMode(false);  // the frame sums the ranges
  } else {
    frame->UpdateRanges(true);
  }
  Notify();
}

void ScreenProcLogic::Clear() {
  if (PlotFrame* frame = ScreenedFrame()) frame->chrChrom.SetNotes({});
  frame_ = nullptr;
  frameFile_.clear();
  frameScans_ = 0;
  trainingPaths_.clear();
  problems_.clear();
  result_ = {};
  hits_.clear();
  chosenHit_ = -1;
  screened_ = false;
  Notify();
}

void ScreenProcLogic::Notify() {
  if (OnChanged) OnChanged();
}

}  // namespace sorrel
