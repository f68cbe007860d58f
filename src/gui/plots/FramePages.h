#pragma once
// The property pages of one view of a plot frame ("Visual", "Smooth",
// "B-line", "Peaks", the ranges page and "Stats"), bound to the frame's
// logic: a user's change of a control goes to the frame (PlotFrame), which
// runs what it does; Sync shows the frame's control state without raising
// any handler.
#include <QObject>
#include <QString>

class QAbstractButton;
class QAction;
class QButtonGroup;
class QCheckBox;
class QGroupBox;
class QLabel;
class QPushButton;
class QRadioButton;
class QSpinBox;
class QTabWidget;
class QWidget;

namespace sorrel {

class PlotFrame;
class RangesGridView;
class TBMDSpinEdit;
class TvChart;
struct FrameControls;
struct ViewControls;

class ViewPages : public QObject {
  Q_OBJECT
 public:
  // The pages of the chromatogram view (`chromatogram` true) or of the
  // mass view, in a tab widget whose parent is `parent`; `view` is the
  // view whose tool buttons share the step actions.
  ViewPages(PlotFrame& frame, bool chromatogram, TvChart* view, QWidget* parent);

  // Shows the frame's control state (signals of the controls blocked).
  void Sync(const FrameControls& controls);

  const bool chrom;
  QTabWidget* pc = nullptr;  // pcChrom / pcMass
  // "Visual"
  QWidget* tsVisual = nullptr;
  QGroupBox* rgXUnits = nullptr;
  QButtonGroup* xUnits = nullptr;
  QRadioButton* rbAbsY = nullptr;
  QRadioButton* rbPercY = nullptr;
  QCheckBox* chkFixY = nullptr;
  QGroupBox* rgShow = nullptr;
  QButtonGroup* show = nullptr;
  QGroupBox* rgChromatogram = nullptr;  // chromatogram view only
  QButtonGroup* chromKind = nullptr;
  // "Smooth"
  QSpinBox* seSGDegree = nullptr;
  QCheckBox* chkOSSmooth = nullptr;
  QAction* actSmooth = nullptr;
  // "B-line"
  QCheckBox* chkAutoTS = nullptr;
  TBMDSpinEdit* seTSBline = nullptr;
  QCheckBox* chkOSBline = nullptr;
  QAction* actBLine = nullptr;
  // "Peaks"
  QTabWidget* pcPeakMethod = nullptr;
  QSpinBox* sePeakSense = nullptr;
  TBMDSpinEdit* sePeakHeight = nullptr;
  TBMDSpinEdit* sePeakDist = nullptr;
  TBMDSpinEdit* sePeakArea = nullptr;
  QCheckBox* chkSeeFD = nullptr;
  QCheckBox* chkOSPeak = nullptr;
  QAction* actPeaks = nullptr;
  // The ranges page ("Ret.time", "SIC")
  RangesGridView* sgRanges = nullptr;
  QPushButton* bbClear = nullptr;
  QPushButton* bbUpdate = nullptr;
  // "Stats"
  QLabel* lbRetTime = nullptr;  // mass view only
  QLabel* lbNPoints = nullptr;
  QLabel* lbFrom = nullptr;    // mass view only
  QLabel* lbTo = nullptr;      // mass view only
  QLabel* lbNPeaks = nullptr;  // mass view only
  QLabel* lbTotal = nullptr;

 private:
  QWidget* VisualPage();
  QWidget* SmoothPage();
  QWidget* BLinePage();
  QWidget* PeaksPage();
  QWidget* RangesPage();
  QWidget* StatsPage();
  QString Name(const char* stem) const;

  PlotFrame& frame_;
  TvChart* view_;
};

}  // namespace sorrel
