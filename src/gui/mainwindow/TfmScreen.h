#pragma once
// TfmScreen: run screening on the main window's "Survey" page. "Screen Run"
// screens the active run frame against the trainings (those checked in the
// batch frame's open list, or a list or training chosen with "Trainings");
// the hit list shows each hit's retention time, compound, answer and score,
// and choosing a hit shows the peak's summed spectrum in its frame. The
// logic is the core's ScreenProcLogic; this frame binds the widgets to it.
//
// Its layout follows the procedure frames of the side panel: a header
// above the frame's own controls and a bottom bar with the run toggle.
#include <QFrame>
#include <memory>
#include <string>

class QAction;
class QLabel;
class QPushButton;
class QToolBar;
class QTreeWidget;

namespace sorrel {

class PlotCollection;
class ScreenProcLogic;

class TfmScreen : public QFrame {
  Q_OBJECT
 public:
  explicit TfmScreen(PlotCollection& plots, QWidget* parent = nullptr);
  ~TfmScreen() override;

  ScreenProcLogic& Logic() { return *logic; }

  QLabel* lbHeader = nullptr;
  QLabel* lbSource = nullptr;
  QToolBar* tbHits = nullptr;
  QAction* tbTrainings = nullptr;
  QAction* tbCopy = nullptr;
  QTreeWidget* lvHits = nullptr;
  QLabel* lbSummary = nullptr;
  // "Screen Run": a toggle that stays down while the screening lasts.
  QPushButton* bbRun = nullptr;

  // The button handlers (also what the buttons run).
  void RunClick();
  void TrainingsClick();
  void CopyClick();
  // The hit list, the source and the summary again from the logic.
  void ShowHits();

 private:
  std::unique_ptr<ScreenProcLogic> logic;
  bool showing_ = false;
  std::string shownHits_;  // the hits the list shows, as CopyText writes them
};

}  // namespace sorrel
