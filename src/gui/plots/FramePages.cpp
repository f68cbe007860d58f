#include "gui/plots/FramePages.h"

#include <QAction>
#include <QButtonGroup>
#include <QCheckBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QTabBar>
#include <QTabWidget>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>

#include "core/plots/PlotFrame.h"
#include "gui/plots/RangesGridModel.h"
#include "gui/plots/TvChart.h"
#include "gui/widgets/BMDSpinEdit.h"
#include "gui/widgets/QtText.h"
#include "gui/widgets/UserAction.h"

namespace sorrel {

namespace {

QCheckBox* CheckBox(QWidget* parent, const QString& caption, const QString& name) {
  auto* c = new QCheckBox(caption, parent);
  c->setAccessibleName(caption.trimmed());
  c->setObjectName(name);
  return c;
}

// A radio group: a titled box (named without its padding) whose buttons
// have the ids 0, 1, ... in the order of `captions`.
QGroupBox* RadioGroup(QWidget* parent, const QString& title, const QString& name,
                      const QStringList& captions, QButtonGroup*& group) {
  auto* box = new QGroupBox(title, parent);
  box->setAccessibleName(title.trimmed());
  box->setObjectName(name);
  auto* layout = new QHBoxLayout(box);
  layout->setContentsMargins(4, 2, 4, 2);
  group = new QButtonGroup(box);
  for (int i = 0; i < captions.size(); ++i) {
    auto* b = new QRadioButton(captions[i], box);
    b->setAccessibleName(captions[i].trimmed());
    group->addButton(b, i);
    layout->addWidget(b);
  }
  layout->addStretch(1);
  return box;
}

TBMDSpinEdit* Spin(QWidget* parent, const QString& name, const QString& accessible,
                   const SpinLimits& limits, int precision) {
  auto* s = new TBMDSpinEdit(parent);
  s->setObjectName(name);
  s->setAccessibleName(accessible);
  s->SetPrecision(precision);
  s->SetMaxValue(limits.max);
  s->SetMinValue(limits.min);
  s->SetValue(0);
  return s;
}

QSpinBox* IntSpin(QWidget* parent, const QString& name, const QString& accessible,
                  const SpinLimits& limits) {
  auto* s = new QSpinBox(parent);
  s->setObjectName(name);
  s->setAccessibleName(accessible);
  s->setRange(static_cast<int>(limits.min), static_cast<int>(limits.max));
  return s;
}

QPushButton* Button(QWidget* parent, const QString& caption) {
  auto* b = new QPushButton(caption, parent);
  b->setAccessibleName(caption.trimmed());
  return b;
}

QAction* StepAction(QObject* parent, const QString& caption, const QString& name) {
  auto* a = new QAction(caption, parent);
  a->setObjectName(name);
  a->setCheckable(true);
  return a;
}

// The spin edit shows `value` unless it shows it already (the text a user
// is typing is left alone).
void ShowValue(TBMDSpinEdit* s, double value) {
  if (s->Logic().Value() != s->Logic().Limit(value)) s->SetValue(value);
}

void Check(QAbstractButton* b, bool on) {
  if (b->isChecked() != on) b->setChecked(on);
}

}  // namespace

ViewPages::ViewPages(PlotFrame& frame, bool chromatogram, TvChart* view, QWidget* parent)
    : QObject(parent), chrom(chromatogram), frame_(frame), view_(view) {
  pc = new QTabWidget(parent);
  pc->setObjectName(chrom ? "pcChrom" : "pcMass");
  pc->setAccessibleName(chrom ? "Chromatogram properties" : "Mass spectrum properties");
  pc->addTab(VisualPage(), "Visual");
  pc->addTab(SmoothPage(), "Smooth");
  pc->addTab(BLinePage(), "B-line");
  pc->addTab(PeaksPage(), chrom ? "Peaks" : "Peak");
  pc->addTab(RangesPage(), chrom ? "Ret.time" : "SIC");
  pc->addTab(StatsPage(), "Stats");
  // Six pages side by side: small tabs, all of them in sight.
  QFont tabFont = pc->tabBar()->font();
  tabFont.setPointSize(std::max(7, tabFont.pointSize() - 1));
  pc->tabBar()->setFont(tabFont);
  pc->setUsesScrollButtons(false);
  pc->setElideMode(Qt::ElideNone);
  pc->setMinimumWidth(pc->tabBar()->sizeHint().width() + 4);
  pc->setMaximumWidth(std::max(300, pc->minimumWidth()));
  pc->hide();
  connect(pc, &QTabWidget::currentChanged, this,
          [this](int page) { frame_.ViewOf(chrom).Page = page; });

  // The steps' actions are shared by the check boxes and the view's
  // tool buttons.
  view_->tbSmooth->setDefaultAction(actSmooth);
  view_->tbBaseline->setDefaultAction(actBLine);
  view_->tbPeaks->setDefaultAction(actPeaks);
}

QString ViewPages::Name(const char* stem) const {
  return QString(stem) + (chrom ? "Chrom" : "Mass");
}

QWidget* ViewPages::VisualPage() {
  tsVisual = new QWidget(pc);
  auto* layout = new QVBoxLayout(tsVisual);
  layout->setContentsMargins(4, 4, 4, 4);
  rgXUnits =
      RadioGroup(tsVisual, chrom ? " X-axis units " : " X-axis units (amu) ", Name("rgXUnits"),
                 chrom ? QStringList{"scan", "sec", "min"} : QStringList{"raw", "nominal"}, xUnits);
  layout->addWidget(rgXUnits);
  QButtonGroup* yUnits = nullptr;
  auto* y = RadioGroup(tsVisual, " Y-axis units ", Name("rgYUnits"), {"abs.", "%"}, yUnits);
  rbAbsY = static_cast<QRadioButton*>(yUnits->button(0));
  rbPercY = static_cast<QRadioButton*>(yUnits->button(1));
  rbAbsY->setObjectName(Name("rbAbsY"));
  rbPercY->setObjectName(Name("rbPercY"));
  layout->addWidget(y);
  chkFixY = CheckBox(tsVisual, "Fixed Y", Name("chkFixY"));
  chkFixY->setToolTip(chrom ? "Auto Y scales to the whole chromatogram, not to what is visible"
                            : "Auto Y scales to the whole spectrum, not to what is visible");
  layout->addWidget(chkFixY);
  rgShow = RadioGroup(tsVisual, " Show ", Name("rgShow"),
                      {"Chart", chrom ? "Data" : "Data/Peak tables"}, show);
  layout->addWidget(rgShow);
  if (chrom) {
    rgChromatogram =
        RadioGroup(tsVisual, " Chromatogram ", "rgChromatogram", {"TIC", "BPI"}, chromKind);
    layout->addWidget(rgChromatogram);
    connect(chromKind, &QButtonGroup::idClicked, this,
            [this](int id) { UserAction([&] { frame_.SetChromKind(id); }); });
  }
  layout->addStretch(1);

  connect(xUnits, &QButtonGroup::idClicked, this,
          [this](int id) { UserAction([&] { frame_.SetXUnits(chrom, id); }); });
  connect(yUnits, &QButtonGroup::idClicked, this,
          [this](int id) { UserAction([&] { frame_.SetPercentY(chrom, id == 1); }); });
  connect(chkFixY, &QCheckBox::toggled, this,
          [this](bool on) { UserAction([&] { frame_.SetFixY(chrom, on); }); });
  connect(show, &QButtonGroup::idClicked, this,
          [this](int id) { UserAction([&] { frame_.SetShowData(chrom, id == 1); }); });
  return tsVisual;
}

QWidget* ViewPages::SmoothPage() {
  auto* page = new QWidget(pc);
  auto* layout = new QVBoxLayout(page);
  layout->setContentsMargins(4, 4, 4, 4);
  auto* group = new QGroupBox("Savitzky-Golay", page);
  group->setAccessibleName("Savitzky-Golay");
  auto* form = new QFormLayout(group);
  seSGDegree = IntSpin(group, Name("seSGDegree"), "Degree", kSGDegreeLimits);
  seSGDegree->setToolTip("Window of 2 x degree + 5 points");
  form->addRow("Degree", seSGDegree);
  layout->addWidget(group);
  chkOSSmooth = CheckBox(page, "Enabled", Name("chkOSSmooth"));
  layout->addWidget(chkOSSmooth);
  layout->addStretch(1);
  actSmooth = StepAction(this, "Smooth", Name("actSmooth"));
  connect(seSGDegree, qOverload<int>(&QSpinBox::valueChanged), this,
          [this](int v) { UserAction([&] { frame_.SetSGDegree(chrom, v); }); });
  auto apply = [this](bool on) { UserAction([&] { frame_.SetSmoothOn(chrom, on); }); };
  connect(chkOSSmooth, &QCheckBox::toggled, this, apply);
  connect(actSmooth, &QAction::toggled, this, apply);
  return page;
}

QWidget* ViewPages::BLinePage() {
  auto* page = new QWidget(pc);
  auto* layout = new QVBoxLayout(page);
  layout->setContentsMargins(4, 4, 4, 4);
  auto* group = new QGroupBox("Threshold", page);
  group->setAccessibleName("Threshold");
  auto* g = new QHBoxLayout(group);
  chkAutoTS = CheckBox(group, "Auto", Name("chkAutoTS"));
  seTSBline = Spin(group, Name("seTSBline"), "Threshold", kThresholdLimits, 1);
  g->addWidget(chkAutoTS);
  g->addWidget(seTSBline, 1);
  layout->addWidget(group);
  chkOSBline = CheckBox(page, "Enabled", Name("chkOSBline"));
  layout->addWidget(chkOSBline);
  layout->addStretch(1);
  actBLine = StepAction(this, "Baseline", Name("actBLine"));
  connect(chkAutoTS, &QCheckBox::toggled, this,
          [this](bool on) { UserAction([&] { frame_.SetAutoTS(chrom, on); }); });
  connect(seTSBline, &TBMDSpinEdit::changed, this,
          [this] { UserAction([&] { frame_.SetThreshold(chrom, seTSBline->Logic().Value()); }); });
  auto apply = [this](bool on) { UserAction([&] { frame_.SetBLineOn(chrom, on); }); };
  connect(chkOSBline, &QCheckBox::toggled, this, apply);
  connect(actBLine, &QAction::toggled, this, apply);
  return page;
}

QWidget* ViewPages::PeaksPage() {
  auto* page = new QWidget(pc);
  auto* layout = new QVBoxLayout(page);
  layout->setContentsMargins(4, 4, 4, 4);
  pcPeakMethod = new QTabWidget(page);
  pcPeakMethod->setObjectName(Name("pcPeakMethod"));
  pcPeakMethod->setAccessibleName("Peak method");
  auto* standard = new QWidget(pcPeakMethod);
  auto* sf = new QFormLayout(standard);
  sePeakArea = Spin(standard, Name("sePeakArea"), "Peak Area Threshold", kAreaLimits, 1);
  sf->addRow("Peak Area Threshold", sePeakArea);
  auto* derivative = new QWidget(pcPeakMethod);
  auto* df = new QVBoxLayout(derivative);
  chkSeeFD = CheckBox(derivative, "Show First Dev.", Name("chkSeeFD"));
  df->addWidget(chkSeeFD);
  df->addStretch(1);
  pcPeakMethod->addTab(standard, chrom ? "Std. Peaking" : "Standr.");
  pcPeakMethod->addTab(derivative, chrom ? "First Derv." : "1st Drv.");
  if (!chrom) {
    auto* adaptive = new QWidget(pcPeakMethod);
    auto* af = new QVBoxLayout(adaptive);
    af->addWidget(new QLabel("Adaptive to mass scale", adaptive));
    af->addStretch(1);
    pcPeakMethod->addTab(adaptive, "Adapt.");
    pcPeakMethod->setTabToolTip(2, "Adaptive to mass scale");
  }
  layout->addWidget(pcPeakMethod);
  auto* sense = new QFormLayout();
  sePeakSense = IntSpin(page, Name("sePeakSense"), "Sensitivity", kSensitivityLimits);
  sense->addRow("Sensitivity", sePeakSense);
  layout->addLayout(sense);
  auto* thresholds = new QGroupBox(" Peak Param. Thresholds ", page);
  thresholds->setAccessibleName("Peak Param. Thresholds");
  auto* tf = new QFormLayout(thresholds);
  sePeakHeight = Spin(thresholds, Name("sePeakHeight"), "Height", kHeightLimits, 1);
  sePeakDist = Spin(thresholds, Name("sePeakDist"), "Dist./Width", kDistLimits, 2);
  sePeakDist->SetIncrement(0.1);
  tf->addRow("Height", sePeakHeight);
  tf->addRow("Dist./Width", sePeakDist);
  layout->addWidget(thresholds);
  chkOSPeak = CheckBox(page, "Enabled", Name("chkOSPeak"));
  layout->addWidget(chkOSPeak);
  layout->addStretch(1);
  actPeaks = StepAction(this, "Peaks", Name("actPeaks"));

  connect(pcPeakMethod, &QTabWidget::currentChanged, this,
          [this](int m) { UserAction([&] { frame_.SetPeakMethod(chrom, m); }); });
  connect(sePeakSense, qOverload<int>(&QSpinBox::valueChanged), this,
          [this](int v) { UserAction([&] { frame_.SetSensitivity(chrom, v); }); });
  connect(sePeakHeight, &TBMDSpinEdit::changed, this, [this] {
    UserAction([&] { frame_.SetMinHeight(chrom, sePeakHeight->Logic().Value()); });
  });
  connect(sePeakDist, &TBMDSpinEdit::changed, this,
          [this] { UserAction([&] { frame_.SetMinDist(chrom, sePeakDist->Logic().Value()); }); });
  connect(sePeakArea, &TBMDSpinEdit::changed, this,
          [this] { UserAction([&] { frame_.SetMinArea(chrom, sePeakArea->Logic().Value()); }); });
  connect(chkSeeFD, &QCheckBox::toggled, this,
          [this](bool on) { UserAction([&] { frame_.SetSeeFD(chrom, on); }); });
  auto apply = [this](bool on) { UserAction([&] { frame_.SetPeaksOn(chrom, on); }); };
  connect(chkOSPeak, &QCheckBox::toggled, this, apply);
  connect(actPeaks, &QAction::toggled, this, apply);
  return page;
}

QWidget* ViewPages::RangesPage() {
  auto* page = new QWidget(pc);
  auto* layout = new QVBoxLayout(page);
  layout->setContentsMargins(2, 2, 2, 2);
  const QString name = chrom ? "Chromatogram ranges" : "Mass ranges";
  sgRanges = new RangesGridView(page);
  sgRanges->setModel(
      new RangesGridModel(chrom ? frame_.sgRangesChrom : frame_.sgRangesMass, sgRanges));
  sgRanges->setAccessibleName(name);
  sgRanges->setObjectName(name);
  sgRanges->setColumnWidth(0, 70);
  sgRanges->setColumnWidth(1, 70);
  sgRanges->setColumnWidth(2, 22);
  layout->addWidget(sgRanges, 1);
  auto* buttons = new QHBoxLayout();
  bbClear = Button(page, "Clear");
  bbUpdate = Button(page, "Update");
  buttons->addWidget(bbClear);
  buttons->addWidget(bbUpdate);
  layout->addLayout(buttons);

  connect(sgRanges, &RangesGridView::confirmed, this,
          [this] { UserAction([&] { frame_.UpdateRanges(chrom); }); });
  connect(bbUpdate, &QPushButton::clicked, this,
          [this] { UserAction([&] { frame_.UpdateRanges(chrom); }); });
  connect(bbClear, &QPushButton::clicked, this,
          [this] { UserAction([&] { frame_.ClearRanges(chrom); }); });
  connect(sgRanges->selectionModel(), &QItemSelectionModel::currentChanged, this,
          [this](const QModelIndex& i) {
            (chrom ? frame_.chrChrom : frame_.chrMass).SelectMark(i.row() + 1);
          });
  return page;
}

QWidget* ViewPages::StatsPage() {
  auto* page = new QWidget(pc);
  auto* layout = new QVBoxLayout(page);
  layout->setContentsMargins(6, 6, 6, 6);
  auto label = [page, layout](const QString& name) {
    auto* l = new QLabel(page);
    l->setObjectName(name);
    l->setTextInteractionFlags(Qt::TextSelectableByMouse);
    layout->addWidget(l);
    return l;
  };
  if (chrom) {
    lbTotal = label("lbTotalChrom");
    lbNPoints = label("lbNPointsChrom");
  } else {
    lbRetTime = label("lbRetTime");
    lbNPoints = label("lbNPointsMass");
    lbFrom = label("lbFromMass");
    lbTo = label("lbToMass");
    lbNPeaks = label("lbNPeaksMass");
    lbTotal = label("lbTotalMass");
  }
  layout->addStretch(1);
  return page;
}

void ViewPages::Sync(const FrameControls& controls) {
  const ViewControls& c = chrom ? controls.Chrom : controls.Mass;
  const QSignalBlocker blocks[] = {QSignalBlocker(xUnits),      QSignalBlocker(rbAbsY->group()),
                                   QSignalBlocker(chkFixY),     QSignalBlocker(show),
                                   QSignalBlocker(seSGDegree),  QSignalBlocker(chkOSSmooth),
                                   QSignalBlocker(actSmooth),   QSignalBlocker(chkAutoTS),
                                   QSignalBlocker(seTSBline),   QSignalBlocker(chkOSBline),
                                   QSignalBlocker(actBLine),    QSignalBlocker(pcPeakMethod),
                                   QSignalBlocker(sePeakSense), QSignalBlocker(sePeakHeight),
                                   QSignalBlocker(sePeakDist),  QSignalBlocker(sePeakArea),
                                   QSignalBlocker(chkSeeFD),    QSignalBlocker(chkOSPeak),
                                   QSignalBlocker(actPeaks),    QSignalBlocker(pc)};
  if (auto* b = xUnits->button(c.XUnits)) Check(b, true);
  Check(c.PercentY ? rbPercY : rbAbsY, true);
  Check(chkFixY, c.FixY);
  Check(show->button(c.ShowData ? 1 : 0), true);
  if (chromKind) {
    const QSignalBlocker block(chromKind);
    Check(chromKind->button(controls.ChromKind), true);
    rgChromatogram->setEnabled(controls.ChromKindEnabled);
  }
  if (seSGDegree->value() != c.SGDegree) seSGDegree->setValue(c.SGDegree);
  Check(chkOSSmooth, c.SmoothOn);
  if (actSmooth->isChecked() != c.SmoothOn) actSmooth->setChecked(c.SmoothOn);
  Check(chkAutoTS, c.AutoTS);
  ShowValue(seTSBline, c.Threshold);
  Check(chkOSBline, c.BLineOn);
  if (actBLine->isChecked() != c.BLineOn) actBLine->setChecked(c.BLineOn);
  if (pcPeakMethod->currentIndex() != c.PeakMethod) pcPeakMethod->setCurrentIndex(c.PeakMethod);
  if (sePeakSense->value() != c.Sensitivity) sePeakSense->setValue(c.Sensitivity);
  ShowValue(sePeakHeight, c.MinHeight);
  ShowValue(sePeakDist, c.MinDist);
  ShowValue(sePeakArea, c.MinArea);
  sePeakHeight->SetIncrement(c.HeightIncrement);
  sePeakArea->SetIncrement(c.AreaIncrement);
  for (QWidget* w : {static_cast<QWidget*>(sePeakSense), static_cast<QWidget*>(sePeakHeight),
                     static_cast<QWidget*>(sePeakDist)})
    w->setEnabled(c.PeakParamsEnabled);
  Check(chkSeeFD, c.SeeFD);
  Check(chkOSPeak, c.PeaksOn);
  if (actPeaks->isChecked() != c.PeaksOn) actPeaks->setChecked(c.PeaksOn);
  bbClear->setEnabled(c.RangeCommands);
  bbUpdate->setEnabled(c.RangeCommands);
  if (pc->currentIndex() != c.Page) pc->setCurrentIndex(c.Page);
  view_->lbStatus->setText(Q(c.Status));
  view_->lbStatus->setToolTip(Q(c.StatusDetail));
  if (chrom) {
    lbTotal->setText(Q(controls.lbTotalChrom));
    lbNPoints->setText(Q(controls.lbNPointsChrom));
  } else {
    lbRetTime->setText(Q(controls.lbRetTime));
    lbNPoints->setText(Q(controls.lbNPointsMass));
    lbFrom->setText(Q(controls.lbFromMass));
    lbTo->setText(Q(controls.lbToMass));
    lbNPeaks->setText(Q(controls.lbNPeaksMass));
    lbTotal->setText(Q(controls.lbTotalMass));
  }
}

}  // namespace sorrel
