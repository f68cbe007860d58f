#pragma once
// The logic of the batch classification frame (TfmPCAproc) on the main
// window's "Survey" page over plain data: the open training list with its
// rows, what the tool buttons do (Open List, Save List, Add, Remove, Copy)
// and Run, which classifies the active plot frame's spectrum against every
// checked training, each through a hidden reference frame on the
// training's own template. The frame binds its result list and buttons to
// it.
#include <memory>
#include <string>
#include <vector>

#include "core/training/TrainingList.h"

namespace sorrel {

class PlotCollection;

// The hidden plot frame that shows a training's reference spectrum: a
// frame initialised with the training's DefaultTml, `path` opened in it as
// the desktop program opens files (a run on its scan of largest total
// intensity). A training that names a template whose file is missing is
// not classified (SorrelError naming the file).
std::unique_ptr<PreprocFrame> OpenReferencePlotFrame(const TTraining& training,
                                                     const std::string& path);

class PCAprocLogic {
 public:
  static constexpr const char* kHeader = "PCA/MD classification";
  static constexpr const char* kListHintPrefix = "The training list file is ";

  explicit PCAprocLogic(PlotCollection& plots) : plots_(plots) {}

  // The open list, or none.
  std::unique_ptr<TTrainingList> TrainingList;

  // "The training list file is " and the list's full path; empty with no
  // list.
  std::string ListHint() const;

  // Open List: asks for a list file (a new name makes a new list) and
  // opens it by path.
  void OpenList();
  // Opening a list by path: a missing file is created on request; a list
  // naming a training file that is missing leaves no list.
  void OpenListByPath(const std::string& path);
  // Save List: writes the open list. With no list open it asks for a list
  // file and saves the empty list there (it becomes the open list). False
  // when nothing was written (the dialog cancelled).
  bool SaveList();
  // Add: asks for a training file of the list's directory and adds it as
  // an unchecked row. With no list open it asks for a list first (as Open
  // List does); nothing is added when none is opened then.
  bool Add();
  // Remove: removes row `row` and its training; no row, nothing.
  void Remove(int row);
  // Copy: the checked rows' compounds and results to the clipboard.
  void Copy();
  // The clipboard text Copy gives (empty with no list).
  std::string CopyText() const;

  // Run: classifies the active frame's spectrum against every checked
  // training. With no frame open "No spec to consider."; a training that
  // is not calculated leaves its row empty; a row that cannot be scored
  // (its reference spectrum or template missing, the spectrum not fitting
  // the training) says why in its Answer cell and the run goes on with the
  // next row. False when nothing was classified (no list, no frame).
  bool Run();

  // Empties every row's Answer and Score (Run does so first; the frame
  // shows the empty cells before the classifications start).
  void ClearResults();

  // Why row `row` has no answer after the last Run; empty when it has one
  // or was not run.
  std::string Reason(size_t row) const;

 private:
  PlotCollection& plots_;
  std::vector<std::string> reasons_;
};

}  // namespace sorrel
