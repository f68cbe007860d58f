#include "gui/plots/TfrmPlot.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QMenu>
#include <QMouseEvent>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSplitter>
#include <QTabWidget>
#include <QTableWidget>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>

#include "core/plots/PlotFrame.h"
#include "gui/plots/RangesGridModel.h"
#include "gui/plots/TvChart.h"
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

// A page of ranges: the grid and its "Clear" and "Update" buttons.
QWidget* RangesPage(QWidget* parent, RangesGrid& grid, const QString& name, RangesGridView*& view,
                    QPushButton*& clear, QPushButton*& update) {
  auto* page = new QWidget(parent);
  auto* layout = new QVBoxLayout(page);
  layout->setContentsMargins(2, 2, 2, 2);
  view = new RangesGridView(page);
  view->setModel(new RangesGridModel(grid, view));
  view->setAccessibleName(name);
  view->setObjectName(name);
  view->setColumnWidth(0, 70);
  view->setColumnWidth(1, 70);
  view->setColumnWidth(2, 22);
  layout->addWidget(view, 1);
  auto* buttons = new QHBoxLayout();
  clear = Button(page, "Clear");
  update = Button(page, "Update");
  buttons->addWidget(clear);
  buttons->addWidget(update);
  layout->addLayout(buttons);
  return page;
}

}  // namespace

TfrmPlot::TfrmPlot(PlotFrame& frame, QWidget* parent) : QWidget(parent), frame_(frame) {
  setObjectName(QString::fromStdString(frame.Name));
  setAccessibleName(QString::fromStdString(frame.Name));
  auto* layout = new QHBoxLayout(this);
  layout->setContentsMargins(2, 2, 2, 2);
  layout->setSpacing(4);

  // The two views with their property pages, one above the other.
  splitter = new QSplitter(Qt::Vertical, this);
  splitter->setChildrenCollapsible(false);
  pnlChrom = new QWidget(splitter);
  pnlMass = new QWidget(splitter);
  for (QWidget* p : {pnlChrom, pnlMass}) {
    auto* l = new QHBoxLayout(p);
    l->setContentsMargins(0, 0, 0, 0);
    l->setSpacing(2);
  }
  pcChrom = new QTabWidget(pnlChrom);
  pcChrom->setAccessibleName("Chromatogram properties");
  auto* chromVisual = new QWidget(pcChrom);
  auto* chromVisualLayout = new QVBoxLayout(chromVisual);
  chkFixYChrom = new QCheckBox("Fixed Y", chromVisual);
  chkFixYChrom->setAccessibleName("Fixed Y");
  chkFixYChrom->setToolTip("Auto Y scales to the whole chromatogram, not to what is visible");
  chromVisualLayout->addWidget(chkFixYChrom);
  chromVisualLayout->addStretch(1);
  pcChrom->addTab(chromVisual, "Visual");
  pcChrom->addTab(RangesPage(pcChrom, frame.sgRangesChrom, "Chromatogram ranges", sgRangesChrom,
                             bbClearChrom, bbUpdateChrom),
                  "Ret.time");
  pcMass = new QTabWidget(pnlMass);
  pcMass->setAccessibleName("Mass spectrum properties");
  auto* visual = new QWidget(pcMass);
  auto* visualLayout = new QVBoxLayout(visual);
  chkFixYMass = new QCheckBox("Fixed Y", visual);
  chkFixYMass->setAccessibleName("Fixed Y");
  chkFixYMass->setToolTip("Auto Y scales to the whole spectrum, not to what is visible");
  visualLayout->addWidget(chkFixYMass);
  QBoxLayout* groupLayout = nullptr;
  grpOpenMass = ButtonPair(visual, " Open MS from Text ", bbOpenSMass, " File", bbPasteSMass,
                           "Paste", groupLayout);
  visualLayout->addWidget(grpOpenMass);
  visualLayout->addStretch(1);
  pcMass->addTab(visual, "Visual");
  pcMass->addTab(RangesPage(pcMass, frame.sgRangesMass, "Mass ranges", sgRangesMass, bbClearMass,
                            bbUpdateMass),
                 "SIC");
  for (QTabWidget* pc : {pcChrom, pcMass}) {
    pc->setMaximumWidth(240);
    pc->hide();
  }
  chrChrom = new TvChart(pnlChrom);
  chrMass = new TvChart(pnlMass);
  pnlChrom->layout()->addWidget(pcChrom);
  pnlChrom->layout()->addWidget(chrChrom);
  pnlMass->layout()->addWidget(pcMass);
  pnlMass->layout()->addWidget(chrMass);
  splitter->addWidget(pnlChrom);
  splitter->addWidget(pnlMass);
  layout->addWidget(splitter, 1);

  // The property tool bar on the right edge.
  auto* bar = new QWidget(this);
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

  connect(sgRangesChrom, &RangesGridView::confirmed, this, [this] { UpdateGrid(true); });
  connect(sgRangesMass, &RangesGridView::confirmed, this, [this] { UpdateGrid(false); });
  connect(bbUpdateChrom, &QPushButton::clicked, this, [this] { UpdateGrid(true); });
  connect(bbUpdateMass, &QPushButton::clicked, this, [this] { UpdateGrid(false); });
  connect(bbClearChrom, &QPushButton::clicked, this, [this] {
    frame_.sgRangesChrom.ClearStarts();
    UpdateGrid(true);
  });
  connect(bbClearMass, &QPushButton::clicked, this, [this] {
    frame_.sgRangesMass.ClearStarts();
    UpdateGrid(false);
  });
  connect(sgRangesChrom->selectionModel(), &QItemSelectionModel::currentChanged, this,
          [this](const QModelIndex& i) { frame_.chrChrom.SelectMark(i.row() + 1); });
  connect(sgRangesMass->selectionModel(), &QItemSelectionModel::currentChanged, this,
          [this](const QModelIndex& i) { frame_.chrMass.SelectMark(i.row() + 1); });
  // The grids' commands work in range mode.
  auto rangeMode = [](QPushButton* clear, QPushButton* update) {
    return [clear, update](bool on) {
      clear->setEnabled(on);
      update->setEnabled(on);
    };
  };
  connect(chrChrom->tbRangeMode, &QToolButton::toggled, this,
          rangeMode(bbClearChrom, bbUpdateChrom));
  connect(chrMass->tbRangeMode, &QToolButton::toggled, this, rangeMode(bbClearMass, bbUpdateMass));
  for (QPushButton* b : {bbClearChrom, bbUpdateChrom, bbClearMass, bbUpdateMass})
    b->setEnabled(false);

  // "Fixed Y" and "Auto Y" of each view reach its options (and so a
  // template saved from the frame).
  connect(chkFixYChrom, &QCheckBox::toggled, this, [this] { StoreVisual(true); });
  connect(chkFixYMass, &QCheckBox::toggled, this, [this] { StoreVisual(false); });
  connect(chrChrom->tbAutoY, &QToolButton::toggled, this, [this] { StoreVisual(true); });
  connect(chrMass->tbAutoY, &QToolButton::toggled, this, [this] { StoreVisual(false); });

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
  connect(tbChrom, &QToolButton::clicked, this, [this] {
    if (frame_.WhatVis() != wvMass) pcChrom->setVisible(!pcChrom->isVisible());
  });
  connect(tbMass, &QToolButton::clicked, this, [this] {
    if (frame_.WhatVis() != wvChrom) pcMass->setVisible(!pcMass->isVisible());
  });
  connect(tbCommon, &QToolButton::toggled, pcCommon, &QWidget::setVisible);
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
       PlotFrame::kTemplate);
}

TfrmPlot::~TfrmPlot() {
  frame_.OnChanged = nullptr;
  frame_.OnLoadAppearance = nullptr;
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
  if (!massOnly) {
    tbCommon->setChecked(false);
    pcCommon->hide();
  }
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
  // The options into the controls, without the controls writing back.
  const tSpOpt& o = frame_.SpOpt();
  for (auto [chk, fix] : {std::pair{chkFixYChrom, o.oChrom.FixY}, {chkFixYMass, o.oMass.FixY}}) {
    const QSignalBlocker block(chk);
    chk->setChecked(fix);
  }
  SyncChromTitles();
}

void TfrmPlot::StoreVisual(bool chromatogram) {
  tSpOpt& o = frame_.SpOpt();
  if (o.Locked) return;
  ChartViewLogic& view = chromatogram ? frame_.chrChrom : frame_.chrMass;
  ToView& v = o.View(chromatogram);
  v.FixY = (chromatogram ? chkFixYChrom : chkFixYMass)->isChecked();
  v.AutoY = view.AutoY();
  view.SetFixY(v.FixY);
}

void TfrmPlot::SyncChromTitles() {
  static const char* const kUnits[] = {"Scan", "Ret. time [s]", "Ret. time [min]"};
  const int units = frame_.SpOpt().oChrom.XUnits;
  chrChrom->SetAxisTitles(kUnits[units >= 0 && units <= 2 ? units : 0], "Intensity");
}

void TfrmPlot::UpdateGrid(bool chromatogram) {
  UserAction([&] {
    if (chromatogram) {
      frame_.chrChrom.UpdateFromTable();
      frame_.ShowSMass(-1);
    } else {
      frame_.chrMass.UpdateFromTable();
      frame_.ShowChrom();
    }
  });
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
  if (vis == wvMass) pcChrom->hide();
  if (vis == wvChrom) pcMass->hide();
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

bool TfrmPlot::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::MouseButtonRelease &&
      static_cast<QMouseEvent*>(event)->button() == Qt::RightButton) {
    // The right button on a view's bar button shows or hides that view.
    const tWhatVis vis = frame_.WhatVis();
    if (watched == tbChrom && !frame_.MassOnly()) {
      if (vis == wvMass) frame_.SetWhatVis(wvBoth);
      if (vis == wvBoth) frame_.SetWhatVis(wvMass);
      return true;
    }
    if (watched == tbMass) {
      if (vis == wvChrom) frame_.SetWhatVis(wvBoth);
      if (vis == wvBoth) frame_.SetWhatVis(wvChrom);
      return true;
    }
  }
  return QWidget::eventFilter(watched, event);
}

}  // namespace sorrel
