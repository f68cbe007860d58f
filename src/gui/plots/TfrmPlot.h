#pragma once
// TfrmPlot: the plot frame's window. It binds its widgets to the frame's
// logic (PlotFrame): the chromatogram view above the mass view with a
// splitter, the property pages beside each view (ViewPages), the property
// tool bar on the right edge, the common panel with the Files and
// Properties pages, and the 3D page with the run's waterfall.
#include <QWidget>

class QButtonGroup;
class QCheckBox;
class QGroupBox;
class QMenu;
class QAction;
class QPushButton;
class QSplitter;
class QTabWidget;
class QTableWidget;
class QToolButton;

namespace sorrel {

class PlotFrame;
class RangesGridView;
class TvChart;
class ViewPages;
class WaterfallChart;

class TfrmPlot : public QWidget {
  Q_OBJECT
 public:
  // The window of `frame` (not owned; the frame outlives the window).
  explicit TfrmPlot(PlotFrame& frame, QWidget* parent = nullptr);
  ~TfrmPlot() override;
  PlotFrame& Frame() const { return frame_; }

  // The frame's two pages: "  2D" (the views) and "  3D" (the waterfall).
  QTabWidget* pcDimensions = nullptr;
  WaterfallChart* waterfall = nullptr;
  TvChart* chrChrom = nullptr;
  TvChart* chrMass = nullptr;
  QSplitter* splitter = nullptr;
  QWidget* pnlChrom = nullptr;
  QWidget* pnlMass = nullptr;
  // Property pages beside each view, and some of their controls by name.
  ViewPages* pagesChrom = nullptr;
  ViewPages* pagesMass = nullptr;
  QTabWidget* pcChrom = nullptr;
  QTabWidget* pcMass = nullptr;
  RangesGridView* sgRangesChrom = nullptr;
  RangesGridView* sgRangesMass = nullptr;
  QPushButton* bbClearChrom = nullptr;
  QPushButton* bbUpdateChrom = nullptr;
  QPushButton* bbClearMass = nullptr;
  QPushButton* bbUpdateMass = nullptr;
  QCheckBox* chkFixYChrom = nullptr;
  QCheckBox* chkFixYMass = nullptr;
  QGroupBox* grpOpenMass = nullptr;
  QPushButton* bbOpenSMass = nullptr;
  QPushButton* bbPasteSMass = nullptr;
  // The property tool bar.
  QWidget* propertyBar = nullptr;
  QToolButton* tbChrom = nullptr;
  QToolButton* tbCommon = nullptr;
  QToolButton* tbMass = nullptr;
  // The common panel.
  QTabWidget* pcCommon = nullptr;
  QWidget* tsProperties = nullptr;
  QWidget* tsFiles = nullptr;
  QPushButton* bbOpenData = nullptr;
  QPushButton* bbSaveAsData = nullptr;
  QGroupBox* gbAsTemplate = nullptr;
  QPushButton* bbOpenTml = nullptr;
  QPushButton* bbSaveAsTml = nullptr;
  QCheckBox* chkSaveTemplate = nullptr;
  QTableWidget* sgFiles = nullptr;
  QPushButton* bbForcedCashe = nullptr;
  // " GC/MS Chart Dimentions " on the Properties page.
  QCheckBox* chkTabsVisible = nullptr;
  QGroupBox* rgDimensions = nullptr;
  QButtonGroup* dimensions = nullptr;
  // The mass view's pop-up menu.
  QMenu* massPopup = nullptr;
  QAction* mMassOnly = nullptr;
  QAction* mClear = nullptr;
  QAction* mFillSamples = nullptr;

  // Lays the two views out as the frame's WhatVis says.
  void ApplyWhatVis();

 signals:
  // The frame's caption changed.
  void captionChanged(const QString& caption);

 protected:
  void resizeEvent(QResizeEvent* event) override;
  void showEvent(QShowEvent* event) override;
  void hideEvent(QHideEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void Sync(unsigned changes);
  void SyncKind();
  void SyncFileInfo();
  void SyncTemplate();
  void SyncControls();
  void SyncChromTitles();
  void ApplyGardeRatio();
  int ViewsHeight() const;

  PlotFrame& frame_;
  bool applyingLayout_ = false;
};

}  // namespace sorrel
