#pragma once
// The logic of the run screening frame (TfmScreen) on the main window's
// "Survey" page over plain data. "Screen Run" screens the active run frame
// (ScreenRun: the chromatogram's peaks, each peak's spectrum less its
// background, classified against every training) and keeps the hits, the
// rows answered "Yes" or "Poss.", in order of retention time. The hits are
// marked on the frame's chromatogram; choosing one puts the peak's ranges
// into the chromatogram's ranges grid and lets the frame sum them, so that
// the mass view shows the spectrum that was classified.
//
// The trainings: the checked trainings of the list open in the batch frame
// (what Run there classifies against). With no list open there, the
// training list or single training the user chose for screening; the first
// Screen Run asks for one, and it is kept for the next runs.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "core/training/Screening.h"

namespace sorrel {

class PlotCollection;
class PlotFrame;
class TTrainingList;

// One hit of a screening: a peak a training answers "Yes" or "Poss." for.
struct ScreenHit {
  size_t Peak = 0;      // index into the screening's peaks
  size_t Training = 0;  // index into its trainings
  double Rt = 0;        // retention time of the apex, seconds
  std::string Compound;
  std::string Answer;
  double Score = 0;
  // The cells of the hit list: the retention time and the score written as
  // `sorrel screen` writes them.
  std::string RtText;
  std::string ScoreText;
};

class ScreenProcLogic {
 public:
  static constexpr const char* kHeader = "Screen Run";
  // Runs held in a file with more scans than this show the progress window
  // with Cancel while they are screened; shorter ones the busy cursor.
  static constexpr int32_t kProgressScans = 2000;

  explicit ScreenProcLogic(PlotCollection& plots);
  ~ScreenProcLogic();
  ScreenProcLogic(const ScreenProcLogic&) = delete;
  ScreenProcLogic& operator=(const ScreenProcLogic&) = delete;

  // The list open in the batch frame, or nullptr (also while there is no
  // batch frame).
  std::function<const TTrainingList*()> BatchList;
  // Opens each training's reference spectrum (the training's template).
  ReferenceFrameMaker MakeReference = OpenSpecFrame;
  // The chromatogram's chain and limits of the screening.
  ScreenSettings Settings;

  // ---- the trainings
  // The training list (.trl) or training (.trn) chosen for screening;
  // empty for none.
  const std::string& ChosenFile() const { return chosen_; }
  // Asks for a training list or a training; false when the dialog was
  // cancelled (the choice stays as it was).
  bool ChooseTrainings();
  // ChooseTrainings' second half. A file that does not exist, or is neither
  // .trl nor .trn, throws SorrelError naming it.
  void SetChosenFile(const std::string& path);
  // What a screening now runs against, in words: "the checked trainings of
  // the list LIST (batch classification)", "the checked trainings of the
  // list LIST", "the training TRN", or that Screen Run will ask.
  std::string SourceText() const;
  // The training files a screening uses now (see the header); asks when
  // there is neither a batch list nor a choice. Empty when the user
  // cancelled, or a list could not be opened (the error box said why). A
  // list without a checked training throws SorrelError.
  std::vector<std::string> TrainingPaths();

  // ---- Screen Run
  // Screens the active frame's run against TrainingPaths. A missing frame,
  // a frame of a single spectrum and an empty run throw SorrelError. The
  // hits replace those before, and their marks move to this run's
  // chromatogram. False when nothing was screened (no trainings chosen,
  // Cancel pressed in the progress window): the hits stay as they were.
  bool Run();

  // The last screening: its peaks (with the spectra classified) and rows.
  const ScreenResult& Result() const { return result_; }
  // The hits of the last screening, in order of retention time (and of the
  // trainings at one peak).
  const std::vector<ScreenHit>& Hits() const { return hits_; }
  // One line on the last screening ("12 peaks screened against 4
  // trainings of FILE: 5 hits."), then one line for each training that
  // could not be used and each peak that could not be summed. Empty before
  // a screening.
  std::string Summary() const;
  // The hits as text: retention time, compound, answer and score, tab
  // separated, a line each; empty with no hit.
  std::string CopyText() const;
  // Copy: CopyText to the clipboard.
  void Copy() const;

  // Choosing hit `i`: its frame becomes the active one, the chromatogram's
  // ranges grid holds the peak's ranges (the peak, weight 1; the
  // background after it with its negative weight), written in the
  // chromatogram's units, and the chromatogram goes to range mode: the
  // frame sums the ranges and the mass view shows the peak's spectrum. A
  // frame that no longer holds the run screened throws SorrelError, and the
  // hits are cleared. An index without a hit does nothing.
  void ChooseHit(size_t i);
  // The last chosen hit; -1 for none.
  int ChosenHit() const { return chosenHit_; }

  // Forgets the hits and takes their marks off the chromatogram.
  void Clear();

  // Told after the hits, the summary or the source changed.
  std::function<void()> OnChanged;

 private:
  // The frame screened last, while it still shows the run screened.
  PlotFrame* ScreenedFrame() const;
  int FrameIndex(const PlotFrame* frame) const;
  void MarkHits();
  void Notify();

  PlotCollection& plots_;
  std::string chosen_;
  // The last screening: its frame with the run's file and scan count as
  // screened, its trainings' files and compounds, peaks and rows.
  PlotFrame* frame_ = nullptr;
  std::string frameFile_;
  int32_t frameScans_ = 0;
  std::vector<std::string> trainingPaths_;
  std::vector<std::string> problems_;
  ScreenResult result_;
  std::vector<ScreenHit> hits_;
  int chosenHit_ = -1;
  bool screened_ = false;
};

}  // namespace sorrel
