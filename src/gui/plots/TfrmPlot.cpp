#include "gui/plots/TfrmPlot.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QMenu>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QSplitter>
#include <QTabWidget>
#include <QTableWidget>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>

#include "core/plots/PlotFrame.h"
#include "gui/plots/FramePages.h"
#include "gui/plots/RangesGridModel.h"
#include "gui/plots/TvChart.h"
#include "gui/plots/WaterfallChart.h"
#include "gui/widgets/UserAction.h"

namespace sorrel {

namespace {

QPushButton* Button(QWidget* parent, const QString& caption) {
  auto* b = new QPushButton(caption, parent);
  b->setAccessibleName(caption.trimmed());
  return b;
}

// A group box titled `title` (named without its padding) with two buttons
// side by side; `layout` receives the group's own layout.
QGroupBox* ButtonPair(QWidget* parent, const QString& title, QPushButton*& first,
                      const QString& firstCaption, QPushButton*& second,
                      const QString& secondCaption, QBoxLayout*& layout) {
  auto* group = new QGroupBox(title, parent);
  group->setAccessibleName(title.trimmed());
  layout = new QVBoxLayout(group);
  auto* row = new QHBoxLayout();
  first = Button(group, firstCaption);
  second = Button(group, secondCaption);
  row->addWidget(first);
  row->addWidget(second);
  layout->addLayout(row);
  return group;
}

QToolButton* BarButton(QWidget* parent, const QString& caption, const QString& name,
                       const QString& hint) {
  auto* b = new QToolButton(parent);
  b->setText(caption);
  b->setAccessibleName(name);
  b->setObjectName(name);
  b->setToolTip(hint);
  b->setStatusTip(hint);
  b->setCheckable(true);
  b->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Expanding);
  return b;
}

}  // namespace

TfrmPlot::TfrmPlot(PlotFrame& frame, QWidget* parent) : QWidget(parent), frame_(frame) {
  setObjectName(QString::fromStdString(frame.Name));
  setAccessibleName(QString::fromStdString(frame.Name));
  auto* layout = new QHBoxLayout(this);
  layout->setContentsMargins(2, 2, 2, 2);
  layout->setSpacing(4);

  // The frame's two pages: the two views with their property pages, one
  // above the other ("  2D"), and the waterfall of the run ("  3D"). Their
  // tabs are hidden until "Tabs Visible" is ticked.
  pcDimensions = new QTabWidget(this);
  pcDimensions->setAccessibleName("Dimensions");
  pcDimensions->tabBar()->hide();
  splitter = new QSplitter(Qt::Vertical, pcDimensions);
  splitter->setChildrenCollapsible(false);
  splitter->installEventFilter(this);
  pnlChrom = new QWidget(splitter);
  pnlMass = new QWidget(splitter);
  for (QWidget* p : {pnlChrom, pnlMass}) {
    auto* l = new QHBoxLayout(p);
    l->setContentsMargins(0, 0, 0, 0);
    l->setSpacing(2);
  }
  chrChrom = new TvChart(pnlChrom);
  chrMass = new TvChart(pnlMass);
  pagesChrom = new ViewPages(frame, true, chrChrom, pnlChrom);
  pagesMass = new ViewPages(frame, false, chrMass, pnlMass);
  pcChrom = pagesChrom->pc;
  pcMass = pagesMass->pc;
  sgRangesChrom = pagesChrom->sgRanges;
  sgRangesMass = pagesMass->sgRanges;
  bbClearChrom = pagesChrom->bbClear;
  bbUpdateChrom = pagesChrom->bbUpdate;
  bbClearMass = pagesMass->bbClear;
  bbUpdateMass = pagesMass->bbUpdate;
  chkFixYChrom = pagesChrom->chkFixY;
  chkFixYMass = pagesMass->chkFixY;
  QBoxLayout* groupLayout = nullptr;
  grpOpenMass = ButtonPair(pagesMass->tsVisual, " Open MS from Text ", bbOpenSMass, " File",
                           bbPasteSMass, "Paste", groupLayout);
  static_cast<QVBoxLayout*>(pagesMass->tsVisual->layout())->insertWidget(4, grpOpenMass);
  pnlChrom->layout()->addWidget(pcChrom);
  pnlChrom->layout()->addWidget(chrChrom);
  pnlMass->layout()->addWidget(pcMass);
  pnlMass->layout()->addWidget(chrMass);
  splitter->addWidget(pnlChrom);
  splitter->addWidget(pnlMass);
  waterfall = new WaterfallChart(pcDimensions);
  pcDimensions->addTab(splitter, "  2D");
  pcDimensions->addTab(waterfall, "  3D");
  layout->addWidget(pcDimensions, 1);

  // The property tool bar on the right edge.
  auto* bar = propertyBar = new QWidget(this);
  bar->installEventFilter(this);
  auto* barLayout = new QVBoxLayout(bar);
  barLayout->setContentsMargins(0, 0, 0, 0);
  barLayout->setSpacing(3);
  tbChrom = BarButton(bar, "C\nh\nr\no\nm", "Chromatogram pages",
                      "Chromatogram pages (right button: show or hide the chromatogram)");
  tbCommon = BarButton(bar, "F\ni\nl\ne\ns", "Common pages", "Files and properties");
  tbMass = BarButton(bar, "M\na\ns\ns", "Mass spectrum pages",
                     "Mass spectrum pages (right button: show or hide the mass spectrum)");
  for (QToolButton* b : {tbChrom, tbCommon, tbMass}) {
    barLayout->addWidget(b, 1);
    b->installEventFilter(this);
  }
  tbChrom->setCheckable(false);
  tbMass->setCheckable(false);
  layout->addWidget(bar);

  // The common panel: Properties and Files.
  pcCommon = new QTabWidget(this);
  pcCommon->setAccessibleName("Common pages");
  pcCommon->setMaximumWidth(280);
  tsProperties = new QWidget(pcCommon);
  auto* props = new QVBoxLayout(tsProperties);
  bbForcedCashe = Button(tsProperties, "Forced Cashe");
  bbForcedCashe->setToolTip("Keep the run's scans in the disk cache instead of in memory");
  props->addWidget(bbForcedCashe);
  auto* dims = new QGroupBox(" GC/MS Chart Dimentions ", tsProperties);
  dims->setAccessibleName("GC/MS Chart Dimentions");
  auto* dimsLayout = new QVBoxLayout(dims);
  chkTabsVisible = new QCheckBox("Tabs Visible", dims);
  chkTabsVisible->setAccessibleName("Tabs Visible");
  chkTabsVisible->setObjectName("chkTabsVisible");
  dimsLayout->addWidget(chkTabsVisible);
  rgDimensions = new QGroupBox(" Dimentions ", dims);
  rgDimensions->setAccessibleName("Dimentions");
  rgDimensions->setObjectName("rgDimensions");
  auto* dimButtons = new QHBoxLayout(rgDimensions);
  dimensions = new QButtonGroup(rgDimensions);
  for (int i = 0; i < 2; ++i) {
    auto* b = new QRadioButton(i == 0 ? "2D" : "3D", rgDimensions);
    b->setAccessibleName(b->text());
    dimensions->addButton(b, i);
    dimButtons->addWidget(b);
  }
  dimsLayout->addWidget(rgDimensions);
  props->addWidget(dims);
  props->addStretch(1);
  tsFiles = new QWidget(pcCommon);
  auto* files = new QVBoxLayout(tsFiles);
  files->addWidget(
      ButtonPair(tsFiles, " Data ", bbOpenData, "Open ", bbSaveAsData, "Save As", groupLayout));
  gbAsTemplate = ButtonPair(tsFiles, " Base Template  ", bbOpenTml, "Open ", bbSaveAsTml, "Save As",
                            groupLayout);
  chkSaveTemplate = new QCheckBox("On close save changes in a template", gbAsTemplate);
  chkSaveTemplate->setAccessibleName("On close save changes in a template");
  groupLayout->addWidget(chkSaveTemplate);
  files->addWidget(gbAsTemplate);
  sgFiles = new QTableWidget(100, 2, tsFiles);
  sgFiles->setAccessibleName("File information");
  sgFiles->setHorizontalHeaderLabels({" Param.", " Value"});
  sgFiles->setColumnWidth(0, 75);
  sgFiles->verticalHeader()->setDefaultSectionSize(20);
  sgFiles->horizontalHeader()->setStretchLastSection(true);
  sgFiles->hide();
  files->addWidget(sgFiles, 1);
  files->addStretch(0);
  pcCommon->addTab(tsProperties, "Properties");
  pcCommon->addTab(tsFiles, "Files");
  pcCommon->hide();
  layout->addWidget(pcCommon);

  massPopup = new QMenu(this);
  mMassOnly = massPopup->addAction("MassOnly");
  mMassOnly->setCheckable(true);
  mClear = massPopup->addAction("Clear");
  mFillSamples = massPopup->addAction("Fill with Samples");

  // ---- binding
  chrChrom->Bind(&frame_.chrChrom, "Chromatogram", "Chromatogram");
  chrMass->Bind(&frame_.chrMass, "Mass spectrum", "Mass");
  chrMass->SetAxisTitles("m/z", "Intensity");
  frame_.OnChanged = [this](unsigned changes) { Sync(changes); };
  frame_.OnLoadAppearance = [this](bool chrom, const std::string& file) {
    // A missing appearance file is reported; the frame works without it.
    UserAction([&] { (chrom ? chrChrom : chrMass)->LoadFromTemplate(file); });
  };

  frame_.MassChartScale = [this](const tXYarray&) { return chrMass->Scale(); };
  for (bool chrom : {true, false})
    connect(chrom ? chrChrom : chrMass, &TvChart::toolPageRequested, this,
            [this, chrom](int page) { frame_.ToolPageRequested(chrom, page); });
  // "Auto Y" of each view reaches its options (and so a template saved
  // from the frame).
  connect(chrChrom->tbAutoY, &QToolButton::toggled, this,
          [this](bool on) { UserAction([&] { frame_.SetAutoY(true, on); }); });
  connect(chrMass->tbAutoY, &QToolButton::toggled, this,
          [this](bool on) { UserAction([&] { frame_.SetAutoY(false, on); }); });
  connect(chkTabsVisible, &QCheckBox::toggled, this,
          [this](bool on) { frame_.SetTabsVisible(on); });
  connect(dimensions, &QButtonGroup::idClicked, this,
          [this](int page) { UserAction([&] { frame_.SetPage3D(page); }); });
  connect(pcDimensions, &QTabWidget::currentChanged, this,
          [this](int page) { UserAction([&] { frame_.SetPage3D(page); }); });

  connect(bbOpenSMass, &QPushButton::clicked, this, [this] {
    UserAction([&] {
      frame_.SetMassOnly(true);
      frame_.OpenData("");
    });
  });
  connect(bbPasteSMass, &QPushButton::clicked, this,
          [this] { UserAction([&] { frame_.PasteMass(); }); });
  connect(bbOpenData, &QPushButton::clicked, this,
          [this] { UserAction([&] { frame_.OpenData(""); }); });
  connect(bbSaveAsData, &QPushButton::clicked, this,
          [this] { UserAction([&] { frame_.SaveData(""); }); });
  connect(bbOpenTml, &QPushButton::clicked, this,
          [this] { UserAction([&] { frame_.OpenTemplate(); }); });
  connect(bbSaveAsTml, &QPushButton::clicked, this,
          [this] { UserAction([&] { frame_.SaveTemplateAs(); }); });
  connect(chkSaveTemplate, &QCheckBox::toggled, this,
          [this](bool on) { frame_.SaveTemplateOnClose = on; });
  connect(bbForcedCashe, &QPushButton::clicked, this,
          [this] { UserAction([&] { frame_.ForcedCashe(); }); });
  connect(tbChrom, &QToolButton::clicked, this, [this] { frame_.ChromBarClicked(); });
  connect(tbMass, &QToolButton::clicked, this, [this] { frame_.MassBarClicked(); });
  connect(tbCommon, &QToolButton::clicked, this, [this] { frame_.CommonBarClicked(); });
  connect(chrMass, &TvChart::toolColumnMenuRequested, this, [this](const QPoint& pos) {
    mMassOnly->setChecked(frame_.MassOnly());
    massPopup->popup(pos);
  });
  connect(mMassOnly, &QAction::triggered, this,
          [this](bool on) { UserAction([&] { frame_.SetMassOnly(on); }); });
  connect(mClear, &QAction::triggered, this, [this] { UserAction([&] { frame_.Clear(); }); });
  connect(mFillSamples, &QAction::triggered, this,
          [this] { UserAction([&] { frame_.FillWithSamples(); }); });
  connect(splitter, &QSplitter::splitterMoved, this, [this] {
    if (applyingLayout_) return;
    const QList<int> sizes = splitter->sizes();
    frame_.SplitterMoved(sizes.value(0), ViewsHeight());
  });

  Sync(PlotFrame::kCaption | PlotFrame::kKind | PlotFrame::kLayout | PlotFrame::kFileInfo |
       PlotFrame::kTemplate | PlotFrame::kControls | PlotFrame::kWaterfall);
}

TfrmPlot::~TfrmPlot() {
  frame_.OnChanged = nullptr;
  frame_.OnLoadAppearance = nullptr;
  frame_.MassChartScale = nullptr;
  frame_.Showing = false;
}

void TfrmPlot::Sync(unsigned changes) {
  if (changes & PlotFrame::kCaption) {
    const QString caption = QString::fromStdString(frame_.Caption());
    setWindowTitle(caption);
    emit captionChanged(caption);
  }
  if (changes & PlotFrame::kKind) SyncKind();
  if (changes & PlotFrame::kLayout) ApplyWhatVis();
  if (changes & PlotFrame::kFileInfo) SyncFileInfo();
  if (changes & PlotFrame::kTemplate) SyncTemplate();
  if (changes &
      (PlotFrame::kControls | PlotFrame::kTemplate | PlotFrame::kLayout | PlotFrame::kKind))
    SyncControls();
  if (changes & PlotFrame::kWaterfall) waterfall->SetTraces(frame_.Waterfall);
}

void TfrmPlot::SyncKind() {
  const bool massOnly = frame_.MassOnly();
  tbChrom->setEnabled(!massOnly);
  chrMass->tbRangeMode->setEnabled(!massOnly);
  if (massOnly) {
    bbClearMass->setEnabled(false);
    bbUpdateMass->setEnabled(false);
  }
  grpOpenMass->setVisible(massOnly);
  mMassOnly->setChecked(massOnly);
  const int properties = pcCommon->indexOf(tsProperties);
  if (massOnly && properties >= 0) pcCommon->removeTab(properties);
  if (!massOnly && properties < 0) pcCommon->insertTab(0, tsProperties, "Properties");
}

void TfrmPlot::SyncFileInfo() {
  const auto& info = frame_.FileInfo();
  sgFiles->setVisible(frame_.FileInfoVisible());
  sgFiles->clearContents();
  for (size_t i = 0; i < info.size(); ++i) {
    const int row = static_cast<int>(i);
    sgFiles->setItem(row, 0, new QTableWidgetItem(QString::fromStdString(info[i].first)));
    sgFiles->setItem(row, 1, new QTableWidgetItem(QString::fromStdString(info[i].second)));
  }
}

void TfrmPlot::SyncTemplate() {
  gbAsTemplate->setTitle(QString::fromStdString(frame_.TemplateCaption()));
  SyncChromTitles();
}

void TfrmPlot::SyncControls() {
  const FrameControls& c = frame_.Controls;
  pagesChrom->Sync(c);
  pagesMass->Sync(c);
  pcChrom->setVisible(c.Chrom.PagesShown && frame_.WhatVis() != wvMass);
  pcMass->setVisible(c.Mass.PagesShown && frame_.WhatVis() != wvChrom);
  tbCommon->setChecked(c.CommonShown);
  pcCommon->setVisible(c.CommonShown);
  {
    const QSignalBlocker blockTabs(chkTabsVisible), blockPages(pcDimensions), blockDims(dimensions);
    chkTabsVisible->setChecked(c.TabsVisible);
    pcDimensions->tabBar()->setVisible(c.TabsVisible);
    pcDimensions->setCurrentIndex(c.Page3D);
    dimensions->button(c.Page3D)->setChecked(true);
    rgDimensions->setEnabled(!c.TabsVisible);
  }
  tbChrom->setEnabled(!frame_.MassOnly() && c.Page3D == 0);
  tbMass->setEnabled(c.Page3D == 0);
  SyncChromTitles();
}

void TfrmPlot::SyncChromTitles() {
  static const char* const kUnits[] = {"Scan", "Ret. time [s]", "Ret. time [min]"};
  const int units = frame_.SpOpt().oChrom.XUnits;
  chrChrom->SetAxisTitles(kUnits[units >= 0 && units <= 2 ? units : 0], "Intensity");
}

int TfrmPlot::ViewsHeight() const {
  // The splitter has its new height already (the layout placed it before
  // the frame hears of the resize); the handle takes its share while both
  // views show.
  const bool both = !pnlChrom->isHidden() && !pnlMass->isHidden();
  return std::max(0, splitter->height() - (both ? splitter->handleWidth() : 0));
}

void TfrmPlot::ApplyWhatVis() {
  const tWhatVis vis = frame_.WhatVis();
  pnlChrom->setVisible(vis != wvMass);
  pnlMass->setVisible(vis != wvChrom);
  // A view's tool button is marked while its view is hidden.
  auto mark = [](QToolButton* b, bool on) {
    b->setStyleSheet(on ? "QToolButton { background-color: #c8d8f0; }" : QString());
    b->setAccessibleDescription(on ? "view hidden" : QString());
  };
  mark(tbChrom, vis == wvMass);
  mark(tbMass, vis == wvChrom);
  pcChrom->setVisible(frame_.Controls.Chrom.PagesShown && vis != wvMass);
  pcMass->setVisible(frame_.Controls.Mass.PagesShown && vis != wvChrom);
  if (vis == wvBoth) {
    const int h = ViewsHeight();
    const int chrom = frame_.ChromHeightAfterWhatVis(h);
    applyingLayout_ = true;
    splitter->setSizes({chrom, h - chrom});
    applyingLayout_ = false;
  }
}

void TfrmPlot::ApplyGardeRatio() {
  const int h = ViewsHeight();
  const int chrom = frame_.ChromHeightAfterResize(h);
  if (chrom < 0) return;
  applyingLayout_ = true;
  splitter->setSizes({chrom, h - chrom});
  applyingLayout_ = false;
}

void TfrmPlot::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  ApplyGardeRatio();
}

void TfrmPlot::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  frame_.Showing = true;
}

void TfrmPlot::hideEvent(QHideEvent* event) {
  QWidget::hideEvent(event);
  frame_.Showing = false;
}

bool TfrmPlot::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::MouseButtonRelease &&
      static_cast<QMouseEvent*>(event)->button() == Qt::RightButton) {
    // The right button on a view's bar button shows or hides that view.
    if (watched == tbChrom) {
      if (tbChrom->isEnabled()) frame_.ChromBarRightClicked();
      return true;
    }
    if (watched == tbMass) {
      if (tbMass->isEnabled()) frame_.MassBarRightClicked();
      return true;
    }
  }
  if (watched == propertyBar && event->type() == QEvent::Resize)
    UserAction([&] { frame_.PropertyBarResized(); });
  // The views' splitter lies on a page of its own and gets its new size
  // after the frame's: the share of the views follows it there.
  if (watched == splitter && event->type() == QEvent::Resize) ApplyGardeRatio();
  return QWidget::eventFilter(watched, event);
}

}  // namespace sorrel
