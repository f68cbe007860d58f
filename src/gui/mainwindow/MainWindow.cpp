#include "gui/mainwindow/MainWindow.h"

#include <qcustomplot.h>

#include <QCheckBox>
#include <QCloseEvent>
#include <QFileInfo>
#include <QFormLayout>
#include <QGroupBox>
#include <QLabel>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QSplitter>
#include <QStatusBar>
#include <QStatusTipEvent>
#include <QTabWidget>
#include <QToolBar>
#include <QVBoxLayout>
#include <climits>

#include "core/common/UiHooks.h"
#include "core/mainwindow/MainWindowLogic.h"
#include "core/mainwindow/PCAprocLogic.h"
#include "core/mainwindow/ScreenProcLogic.h"
#include "core/plots/PlotCollection.h"
#include "gui/mainwindow/ResultsArea.h"
#include "gui/mainwindow/TAboutBox.h"
#include "gui/mainwindow/TfmPCAproc.h"
#include "gui/mainwindow/TfmScreen.h"
#include "gui/mainwindow/TfrmDirPicker.h"
#include "gui/mainwindow/TfrmOpts.h"
#include "gui/plots/TPlots.h"
#include "gui/widgets/BMDSpinEdit.h"
#include "gui/widgets/QtText.h"
#include "gui/widgets/UserAction.h"

namespace sorrel {

namespace {

// A spin edit named after its label (the label without its padding).
QSpinBox* SpinEdit(QWidget* parent, const QString& label, int min, int max) {
  auto* s = new QSpinBox(parent);
  s->setRange(min, max);
  s->setAccessibleName(label.trimmed());
  return s;
}

void Hint(QWidget* w, const QString& hint) {
  w->setToolTip(hint);
  w->setStatusTip(hint);
}

}  // namespace

TfrmTansy::TfrmTansy(QWidget* parent) : QMainWindow(parent) {
  setWindowTitle(MainWindowLogic::kCaptionBase);
  setObjectName("frmTansy");
  resize(1280, 860);
  if (QScreen* s = screen()) move(s->availableGeometry().center() - rect().center());

  auto* outer = new QSplitter(Qt::Horizontal, this);
  pnlLeft = new QTabWidget(outer);
  auto* right = new QSplitter(Qt::Vertical, outer);
  auto* top = new QSplitter(Qt::Horizontal, right);
  auto* pnlPlots = new QWidget(top);
  auto* plotsLayout = new QVBoxLayout(pnlPlots);
  plotsLayout->setContentsMargins(0, 0, 0, 0);
  plots = std::make_unique<TPlots>(pnlPlots);
  plotsLayout->addWidget(plots->PageCtrl);
  pnlSettings = new QWidget(top);
  outer->addWidget(pnlLeft);
  outer->addWidget(right);
  outer->setStretchFactor(1, 1);
  top->setStretchFactor(0, 1);
  top->setStretchFactor(1, 0);
  setCentralWidget(outer);

  logic = std::make_unique<MainWindowLogic>(plots->Collection());
  logic->OnChanged = [this](unsigned changes) { Sync(changes); };

  BuildMenus();
  BuildSettingsPanel();
  BuildResultsArea();
  right->addWidget(pcResults);
  right->setStretchFactor(0, 3);
  right->setStretchFactor(1, 2);
  BuildSidePanel();
  statusBar()->showMessage(" ");

  AboutBox = new TAboutBox(this);
  DirPicker = new TfrmDirPicker(this);
  Opts = new TfrmOpts(this);

  UserAction([this] { logic->Start(); });
  Sync(~0u);
  bbRetrieve->setText("Retrieve params from \ncalculated training.");
}

// The frames go before the window's widgets do.
TfrmTansy::~TfrmTansy() {
  logic->OnChanged = nullptr;
  plots.reset();
}

void TfrmTansy::BuildMenus() {
  mnuFile = menuBar()->addMenu("&File");
  mOpenSpec = mnuFile->addAction("Open Specrum...", this,
                                 [this] { UserAction([this] { logic->Interpret("OpenSpec"); }); });
  mOpenSpec->setShortcut(QKeySequence("Ctrl+O"));
  mnuClose = mnuFile->addMenu("Close Spectrum");
  mCloseActive =
      mnuClose->addAction("Active", this, [this] { UserAction([this] { logic->CloseActive(); }); });
  mCloseActive->setShortcut(QKeySequence("Ctrl+W"));
  mCloseAll = mnuClose->addAction(
      "All", this, [this] { UserAction([this] { logic->Interpret("CloseSpec All"); }); });
  mNewTraining = mnuFile->addAction("New Traning", this,
                                    [this] { UserAction([this] { logic->NewTraining(); }); });
  mOpenTraining = mnuFile->addAction("Open Training", this,
                                     [this] { UserAction([this] { logic->OpenTraining(); }); });
  mSaveTraining = mnuFile->addAction("Save Training", this, [this] { SaveTraining(); });
  mnuFile->addSeparator();
  mExit = mnuFile->addAction("Exit", this, &QWidget::close);
  mExit->setShortcut(QKeySequence("Alt+F4"));
  // The menu item follows the tool button.
  connect(mnuFile, &QMenu::aboutToShow, this,
          [this] { mSaveTraining->setEnabled(tbSaveTraining->isEnabled()); });

  QMenu* edit = menuBar()->addMenu("&Edit");
  mCopyImage = edit->addAction("Copy Image", this, [this] { CopyImage(); });
  mCopyData = edit->addAction("Copy Data", this, [this] { CopyData(); });

  mnuPCA = menuBar()->addMenu("&PCA");
  mOptimize = mnuPCA->addAction("Optimize Param.");
  mOptimize->setCheckable(true);
  mOptimize->setVisible(false);
  mOptimize->setEnabled(false);
  connect(mOptimize, &QAction::toggled, this, [this](bool on) {
    if (on)
      ShowSidePage(tsOptimization);
    else
      pnlLeft->hide();
  });
  mSurvey = mnuPCA->addAction("Survey", this, [this] { ShowSurvey(); });
  mCalculate = mnuPCA->addAction("Calculate PC's", this, [this] { CalculatePCs(); });
  mCalculate->setShortcut(QKeySequence("F9"));

  QMenu* help = menuBar()->addMenu("&Help");
  mContents = help->addAction("Contents");
  mContents->setShortcut(QKeySequence("F1"));
  mTopicSearch = help->addAction("Topic Search");
  mAbout = help->addAction("About...", this, [this] { AboutBox->exec(); });

  QToolBar* tools = addToolBar("Tools");
  tools->setObjectName("Tools");
  tools->setMovable(false);
  tools->setToolButtonStyle(Qt::ToolButtonTextOnly);
  tbOpenSpec = tools->addAction(" Open Spec ", this, [this] { mOpenSpec->trigger(); });
  tbOpenTraining = tools->addAction("  Open Training ", this, [this] { mOpenTraining->trigger(); });
  tbSaveTraining = tools->addAction(" Save Training ", this, [this] { SaveTraining(); });
  // Usable whenever two frames are open, also while the PCA menu is not.
  tbCalculate = tools->addAction(" Calculate PC's", this, [this] { CalculatePCs(); });
  // Named as their captions read, without the padding.
  for (QAction* a : {tbOpenSpec, tbOpenTraining, tbSaveTraining, tbCalculate})
    if (QWidget* w = tools->widgetForAction(a)) w->setAccessibleName(a->text().trimmed());
}

void TfrmTansy::BuildSettingsPanel() {
  auto* layout = new QVBoxLayout(pnlSettings);
  layout->setContentsMargins(4, 4, 4, 4);

  auto* pre = new QGroupBox(" Pre-processing ", pnlSettings);
  pre->setAccessibleName("Pre-processing");
  auto* preLayout = new QFormLayout(pre);
  chkNormalize = new QCheckBox("Normalize", pre);
  preLayout->addRow(chkNormalize);
  fseIncSens = new TBMDSpinEdit(pre);
  fseIncSens->SetMinValue(0);
  fseIncSens->SetMaxValue(SettingsPanel::kMaxIncSens);
  fseIncSens->SetIncrement(0.1);
  fseIncSens->SetPrecision(1);
  fseIncSens->setAccessibleName("Increasing sensitivity");
  Hint(fseIncSens,
       "Non-linear dynamic expanssion (0- none) as compensation of higher mass decreasing "
       "sensitivity");
  preLayout->addRow("Increasing sensitivity", fseIncSens);
  layout->addWidget(pre);

  auto* bounds = new QGroupBox(" Unify the spectra boundaries [m/z] ", pnlSettings);
  bounds->setAccessibleName("Unify the spectra boundaries [m/z]");
  auto* boundsLayout = new QFormLayout(bounds);
  seLowBound = SpinEdit(bounds, "Max lower boudary", INT_MIN, INT_MAX);
  seHighBound = SpinEdit(bounds, "Min higher boundary", INT_MIN, INT_MAX);
  boundsLayout->addRow("Max lower boudary", seLowBound);
  boundsLayout->addRow("Min higher boundary", seHighBound);
  layout->addWidget(bounds);

  auto* calc = new QGroupBox(" Calculation Setting ", pnlSettings);
  calc->setAccessibleName("Calculation Setting");
  auto* calcLayout = new QFormLayout(calc);
  const SettingsPanel& s = logic->Settings();
  seNLoadings = SpinEdit(calc, "Number of loadings ", s.NLoadings.Min(), s.NLoadings.Max());
  sePrecPower = SpinEdit(calc, "Precision = 1/10^", s.PrecPower.Min(), s.PrecPower.Max());
  Hint(sePrecPower, "Universal criterium for iterations stopping");
  calcLayout->addRow("Number of loadings ", seNLoadings);
  calcLayout->addRow("Precision = 1/10^", sePrecPower);
  layout->addWidget(calc);

  bbRetrieve = new QPushButton(pnlSettings);
  chkIncludingSpectra = new QCheckBox("Including Spectra", pnlSettings);
  layout->addWidget(bbRetrieve);
  layout->addWidget(chkIncludingSpectra);
  layout->addStretch(1);
  connect(bbRetrieve, &QPushButton::clicked, this,
          [this] { UserAction([this] { logic->Retrieve(chkIncludingSpectra->isChecked()); }); });

  // What the user sets goes into the panel's values (the workbench stores
  // them into the training).
  connect(chkNormalize, &QCheckBox::toggled, this,
          [this](bool on) { logic->Settings().Normalize = on; });
  connect(fseIncSens, &TBMDSpinEdit::changed, this,
          [this] { logic->Settings().IncSens = fseIncSens->Value(); });
  auto bind = [this](QSpinBox* spin, IntSpinValue SettingsPanel::*value) {
    connect(spin, &QSpinBox::valueChanged, this,
            [this, value](int v) { (logic->Settings().*value).SetValue(v); });
  };
  bind(seLowBound, &SettingsPanel::LowBound);
  bind(seHighBound, &SettingsPanel::HighBound);
  bind(seNLoadings, &SettingsPanel::NLoadings);
  bind(sePrecPower, &SettingsPanel::PrecPower);
}

void TfrmTansy::BuildResultsArea() {
  results = new TResultsArea(*logic, *plots);
  pcResults = results;
  Charts = results->Charts;
  // Room for a chart with readable axes under its page's controls.
  pcResults->setMinimumHeight(300);
  pcResults->hide();
}

// ---- the workbench's commands

void TfrmTansy::CalculatePCs() {
  UserAction([this] {
    // The status bar keeps its text while the decomposition runs.
    hintsOff_ = true;
    struct HintsOn {
      bool& off;
      ~HintsOn() { off = false; }
    } on{hintsOff_};
    if (!logic->CalculatePCs()) return;
    statusBar()->showMessage("PCA done");
    results->AfterCalculate();
  });
}

void TfrmTansy::SaveTraining() {
  UserAction([this] {
    logic->SaveTraining([this](TTraining& t) {
      Opts->Training = &t;
      return Opts->exec() == QDialog::Accepted;
    });
  });
}

void TfrmTansy::CopyImage() {
  if (logic->ResultsVisible()) results->CopyImage();
}

void TfrmTansy::CopyData() {
  if (logic->ResultsVisible()) results->CopyData();
}

void TfrmTansy::BuildSidePanel() {
  tsOptimization = new QWidget(pnlLeft);
  auto* layout = new QVBoxLayout(tsOptimization);
  mmLog = new QPlainTextEdit(tsOptimization);
  mmLog->setReadOnly(true);
  mmLog->setAccessibleName("Command log");
  layout->addWidget(mmLog);
  tsSurvey = new QWidget(pnlLeft);
  tsSurvey->setAccessibleName("Survey");
  auto* surveyLayout = new QVBoxLayout(tsSurvey);
  surveyLayout->setContentsMargins(0, 0, 0, 0);
  fmScreen = new TfmScreen(plots->Collection(), tsSurvey);
  fmScreen->Logic().BatchList = [this]() -> const TTrainingList* {
    return fmPCAproc ? fmPCAproc->Logic().TrainingList.get() : nullptr;
  };
  surveyLayout->addWidget(fmScreen);
  pnlLeft->addTab(tsOptimization, "Optimization");
  pnlLeft->addTab(tsSurvey, "Survey");
  // The command log's page is reached only through Optimize Param.
  pnlLeft->setTabVisible(0, false);
  pnlLeft->hide();
}

void TfrmTansy::ShowSurvey() {
  if (!fmPCAproc) {
    fmPCAproc = new TfmPCAproc(plots->Collection(), tsSurvey);
    // Batch classification above run screening, which screens against the
    // list open here.
    static_cast<QVBoxLayout*>(tsSurvey->layout())->insertWidget(0, fmPCAproc);
  }
  ShowSidePage(tsSurvey);
}

void TfrmTansy::ShowSidePage(QWidget* page) {
  pnlLeft->setCurrentWidget(page);
  pnlLeft->show();
}

void TfrmTansy::Sync(unsigned changes) {
  if (changes & MainWindowLogic::kCaption) setWindowTitle(Q(logic->Caption()));
  if (changes & MainWindowLogic::kEnabling) {
    const MainWindowEnabling& e = logic->Enabling();
    mOpenSpec->setEnabled(e.OpenSpec);
    tbOpenSpec->setEnabled(e.OpenSpec);
    for (QAction* a : {mnuClose->menuAction(), mCloseActive, mCloseAll})
      a->setEnabled(e.CloseSpectrum);
    mnuClose->setEnabled(e.CloseSpectrum);
    for (QAction* a : {mnuPCA->menuAction(), mSurvey, mCalculate})
      a->setEnabled(e.PcaMenu);
    mnuPCA->setEnabled(e.PcaMenu);
    tbSaveTraining->setEnabled(e.SaveTraining);
    mSaveTraining->setEnabled(e.SaveTraining);
  }
  if (changes & MainWindowLogic::kSettings) {
    const SettingsPanel& s = logic->Settings();
    const QSignalBlocker b1(chkNormalize), b2(fseIncSens), b3(seLowBound), b4(seHighBound),
        b5(seNLoadings), b6(sePrecPower);
    chkNormalize->setChecked(s.Normalize);
    fseIncSens->SetValue(s.IncSens);
    seLowBound->setValue(s.LowBound.Value());
    seHighBound->setValue(s.HighBound.Value());
    seNLoadings->setMaximum(s.NLoadings.Max());
    seNLoadings->setValue(s.NLoadings.Value());
    sePrecPower->setValue(s.PrecPower.Value());
  }
  if (changes & MainWindowLogic::kResults) {
    if (!logic->ResultsVisible()) results->Clear();
    pcResults->setVisible(logic->ResultsVisible());
    mCopyImage->setEnabled(logic->ResultsVisible());
    mCopyData->setEnabled(logic->ResultsVisible());
  }
  if (changes & MainWindowLogic::kLog) {
    QStringList lines;
    for (const std::string& l : logic->Log())
      lines << Q(l);
    mmLog->setPlainText(lines.join('\n'));
    mmLog->moveCursor(QTextCursor::End);
  }
}

void TfrmTansy::OpenFiles(const QStringList& files) {
  std::vector<std::string> names;
  for (const QString& f : files)
    names.push_back(S(f));
  UserAction([&] { logic->OpenFiles(names); });
}

void TfrmTansy::closeEvent(QCloseEvent* event) {
  try {
    logic->ShutDown();
    event->accept();
  } catch (const std::exception& e) {
    if (Ui().Confirm(std::string(e.what()) +
                     "\n\nClose Tansy all the same? What could not be written is lost."))
      event->accept();
    else
      event->ignore();
  }
}

bool TfrmTansy::event(QEvent* event) {
  if (event->type() == QEvent::StatusTip && hintsOff_) return true;
  if (event->type() == QEvent::StatusTip) {
    const QString tip = static_cast<QStatusTipEvent*>(event)->tip();
    statusBar()->showMessage(Q(StatusBarText(S(tip))));
    return true;
  }
  return QMainWindow::event(event);
}

}  // namespace sorrel
