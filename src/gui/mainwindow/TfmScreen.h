#pragma once
// TfmScreen: run screening on the main window's "Survey" page. "Screen Run"
// screens the active run frame against the trainings (those checked in the
// batch frame's open list, or a list or training chosen with "Trainings");
// the hit list shows each hit's retention time, compound, answer and score,
// and choosing a hit shows the peak's summed spectrum in its frame. The
// logic is the core's ScreenProcLogic; this frame binds the widgets to it.
// It is a procedure frame (TfmProc): its run toggle is "Screen Run".
#include <memory>
#include <string>

#include "gui/mainwindow/TfmProc.h"

class QAction;
class QLabel;
class QToolBar;
class QTreeWidget;

namespace sorrel {

class PlotCollection;
class ScreenProcLogic;

class TfmScreen : public TfmProc {
  Q_OBJECT
 public:
  explicit TfmScreen(PlotCollection& plots, QWidget* parent = nullptr);
  ~TfmScreen() override;

  ScreenProcLogic& Logic() { return *logic; }

  QLabel* lbSource = nullptr;
  QToolBar* tbHits = nullptr;
  QAction* tbTrainings = nullptr;
  QAction* tbCopy = nullptr;
  QTreeWidget* lvHits = nullptr;
  QLabel* lbSummary = nullptr;

  // The button handlers (also what the buttons run).
  void TrainingsClick();
  void CopyClick();
  // The hit list, the source and the summary again from the logic.
  void ShowHits();

 protected:
  // Screen Run.
  void RunProc() override;

 private:
  std::unique_ptr<ScreenProcLogic> logic;
  bool showing_ = false;
  std::string shownHits_;  // the hits the list shows, as CopyText writes them
};

}  // namespace sorrel
