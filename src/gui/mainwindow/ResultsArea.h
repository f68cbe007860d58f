#pragma once
// TResultsArea: the workbench's results below the plot frames, a page
// control with six pages ("Loadings", "Rebuild Sp", "M.Dist", "Eigen
// Values", "Scores", "Compact"), each a chart and its controls. The data
// of every page come from the core (ResultPages, MainWindowLogic); the
// area draws the page in front when it is chosen and when its controls
// change, and keeps the first series of each page for Copy Data and for
// the clicks on its points.
#include <QTabWidget>
#include <array>

#include "core/mainwindow/ResultPages.h"

class QCustomPlot;
class QCPAbstractPlottable;
class QLabel;
class QMouseEvent;
class QRadioButton;
class QSpinBox;

namespace sorrel {

class MainWindowLogic;
class TPlots;

class TResultsArea : public QTabWidget {
  Q_OBJECT
 public:
  TResultsArea(MainWindowLogic& logic, TPlots& plots, QWidget* parent = nullptr);

  // After a calculation: the controls' limits and values from the results,
  // then the "Loadings" page in front and drawn.
  void AfterCalculate();
  // Every chart emptied (the results area is hidden).
  void Clear();
  // Draws the page in front.
  void DrawCurrent();

  // Copy Image: the chart in front as a PNG picture on the clipboard.
  void CopyImage();
  // Copy Data: the first series of the chart in front as text; false when
  // it has no points.
  bool CopyData();

  // The first series of each page as last drawn.
  const PageSeries& Series(ResultPage page) const { return series_[static_cast<size_t>(page)]; }

  std::array<QCustomPlot*, kResultPageCount> Charts{};
  QSpinBox* seLoading = nullptr;      // "Loading (PC)"
  QSpinBox* seRebuildSpec = nullptr;  // "Rebuild Spectrum"
  QSpinBox* seFactorsUsed = nullptr;  // "Number of factors used "
  QRadioButton* rbResidualsOff = nullptr;
  QRadioButton* rbMainScale = nullptr;
  QRadioButton* rbProperScale = nullptr;
  QSpinBox* seUsedFactors = nullptr;  // "Used factor num."
  QLabel* lblKept = nullptr;          // the share of the total variation kept
  QLabel* lblRecommended = nullptr;   // the recommended factor number
  QSpinBox* seXFactor = nullptr;
  QSpinBox* seYFactor = nullptr;

 private:
  QCustomPlot* AddPage(ResultPage page, QWidget*& controls);
  void Draw(ResultPage page);
  void DrawLoadings();
  void DrawRebuild();
  void DrawMDist();
  void DrawEigenValues();
  void DrawScores();
  void DrawCompact();
  void PointClicked(ResultPage page, QCPAbstractPlottable* plottable, int index);

  MainWindowLogic& logic_;
  TPlots& plots_;
  std::array<PageSeries, kResultPageCount> series_;
  // While the controls are being set, nothing is drawn.
  bool setting_ = false;
};

}  // namespace sorrel
