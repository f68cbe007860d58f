#pragma once
// Training lists (*.trl) and batch classification. A list file has one
// section [List] whose keys are training file names (without directory and
// extension, the trainings lying in the list's directory) and whose values
// say whether the row is checked. TTrainingList holds the pairs (compound,
// training path) and the rows of the result list; Run classifies one
// spectrum against every checked training: "Yes", "Poss." or "No" and a
// score.
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "core/common/IniFile.h"
#include "core/plots/PreprocFrame.h"
#include "core/training/Training.h"

namespace sorrel {

class PreprocFrame;

// The outcome of classifying one spectrum against one training.
struct Classification {
  // False for a training without PCA results (not calculated, or marked
  // calculated but holding no usable loadings and matrix): nothing else is
  // set then.
  bool Calculated = false;
  // The score: the absolute value of the Mahalanobis score for the
  // standard model, the dissimilarity over its "Yes" limit for the
  // calibrated one.
  double Score = 0.0;
  std::string Answer;  // "Yes", "Poss." or "No"; empty when there is none
  // Why a calculated training gives no answer (the spectrum cannot be
  // judged, or the computation failed); empty when it answers.
  std::string Reason;
};

// The reason given for a spectrum without intensity in a training's mass
// window: "no intensity between m/z L and H".
std::string NoIntensityReason(int32_t low, int32_t high);

// Classifies the current spectrum of `unknown` against `training`: the
// unknown takes over the reference frame's options and is preprocessed
// against it with the training's settings. By the standard model it is
// projected onto the training's loadings from an empty score vector and
// scored, the answer following the training's limits PPID and PNID; by the
// calibrated model its dissimilarity to the training's spectra is held
// against the calibrated limits. A spectrum with no intensity in the
// training's mass window cannot be judged: it gets no answer, and the
// reason. So does a spectrum whose scoring fails (an arithmetic fault, a
// projection that cannot be bracketed, a mass grid that does not fit the
// training, a class model that is incomplete): one spectrum that cannot be
// scored never stops the classification of others.
Classification Classify(TTraining& training, PreprocFrame& reference, PreprocFrame& unknown);

// Makes the hidden frame that shows a training's reference spectrum (the
// training's first spectrum, at `path`, in the view it opens on),
// initialised with the training's template. Answers nothing (or an empty
// frame) when it cannot be opened.
using ReferenceFrameMaker = std::function<std::unique_ptr<PreprocFrame>(const TTraining& training,
                                                                        const std::string& path)>;

// The processing of a frame initialised with the template name `tml` (a
// training's DefaultTml): the mass-spectrum chain of the options read from
// the template file it resolves to (TemplateFileOf; for none the defaults
// file, or the defaults). Through the reference frame it is the processing
// every spectrum classified against the training gets. A named template
// whose file does not exist throws SorrelError naming the file: the
// training's spectra were processed by it, and classifying without it
// would answer for other spectra.
SpecFrame::Processing TemplateProcessing(const std::string& tml);

// A SpecFrame with the training's template (TemplateProcessing of its
// DefaultTml) opened on `path` as the desktop program opens files.
std::unique_ptr<PreprocFrame> OpenSpecFrame(const TTraining& training, const std::string& path);

// One row of the result list.
struct TrainingRow {
  // NoAnswer: the training is calculated but gave no answer for the
  // spectrum; Reason says why.
  enum class Status { None, Classified, NotCalculated, NoAnswer };
  std::string Caption;  // the compound
  bool Checked = false;
  std::string Answer;  // the "Answer" cell
  std::string Score;   // the "Score" cell
  Status State = Status::None;
  double ScoreValue = 0.0;
  std::string Reason;  // why there is no answer (state NoAnswer)
};

class TTrainingList : public TMemIniFile {
 public:
  // Bound to `path`, loaded from it when it exists.
  explicit TTrainingList(const std::string& path);

  // One pair per row: the compound and the training file's full path.
  std::vector<std::pair<std::string, std::string>> TrainingS;
  // The training opened for classification last.
  std::unique_ptr<TTraining> LoadedTrn;
  // The rows of the result list; row i belongs to pair i.
  std::vector<TrainingRow> Rows;

  // Fills TrainingS from the [List] keys. A listed training file that is
  // missing or unreadable shows "No such training file ->" and its path in
  // the error box and answers false.
  bool Open();
  // One row per pair, captioned with the compound, checked as its key in
  // [List] says.
  void FillRows();
  // Rewrites [List] from the rows (key from the row's own training file,
  // value its check mark) and writes the file.
  void Save();
  // The list file's directory with a trailing "/" (empty for a bare name).
  std::string DirName() const;
  // Opens the training of the first pair named SIndex into LoadedTrn; "No
  // such training" in the error box and nullptr when there is none.
  TTraining* GetTraining(const std::string& SIndex);
  // Opens the training of pair `row` into LoadedTrn (nullptr and "No such
  // training" when the row has no pair).
  TTraining* GetTrainingAt(size_t row);
  // Adds the training file `path` as a new unchecked row. A file from
  // another directory shows "All training files must be in training list
  // directory." and adds nothing; so does a file name that cannot be a key.
  bool Add(const std::string& path);
  // Removes row `row` and its pair; an index without a row does nothing.
  void Remove(size_t row);
  // Classifies `active` against every checked training. With no frame
  // (nullptr) shows "No spec to consider." and answers false. Rows of
  // trainings without results stay empty (state NotCalculated). A row that
  // cannot be answered (the spectrum cannot be judged against the
  // training, its reference spectrum or template is missing, the scoring
  // fails) gets the state NoAnswer and the reason, and the run goes on
  // with the next row.
  bool Run(PreprocFrame* active, const ReferenceFrameMaker& makeReference = OpenSpecFrame);
  // The checked rows as text: the compound, a line feed, a tab and the text
  // of each filled cell (for a row without answer, its reason), a line
  // feed.
  std::string CopyText() const;
};

// The training files of the checked rows of a list, in row order.
std::vector<std::string> CheckedTrainingPaths(const TTrainingList& list);

// "Opening a list by path": asks "Create a new one ?" for a missing file
// (No keeps `current`), replaces `current` by the list on `path` (an absent
// file gives an empty list), opens it and fills its rows; when Open fails
// no list remains. An empty path does nothing.
void OpenTrainingListByPath(std::unique_ptr<TTrainingList>& current, const std::string& path);

// The compound of a training file's lines: the value of the first line of
// the form Compound=value, in whatever section; empty when there is none.
std::string CompoundOfLines(const std::vector<std::string>& lines);

}  // namespace sorrel
