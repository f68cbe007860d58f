// The main window: its menus and caption at a first start, a remembered
// training reopened with its spectra, the enabling rules as frames open and
// close, the command log, the side panel, the hint handler, the About box,
// the directory picker, shutdown through Exit; and the decimal spin edit.
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QSpinBox>
#include <QStatusBar>
#include <QStatusTipEvent>
#include <QTabWidget>
#include <QTimer>
#include <QtTest>
#include <filesystem>

#include "QtScriptedUi.h"
#include "TempDir.h"
#include "core/common/IniFile.h"
#include "core/mainwindow/MainWindowLogic.h"
#include "core/plots/PlotFrame.h"
#include "gui/mainwindow/MainWindow.h"
#include "gui/mainwindow/TAboutBox.h"
#include "gui/mainwindow/TfrmDirPicker.h"
#include "gui/mainwindow/TfrmOpts.h"
#include "gui/plots/TPlots.h"
#include "gui/widgets/BMDSpinEdit.h"

using namespace sorrel;

namespace {

const QString kExamples = SORREL_EXAMPLES_DIR;

// The example training of naphthalene and its six spectra, copied into
// `dir`; the training's path.
std::string CopyExampleTraining(const std::string& dir) {
  namespace fs = std::filesystem;
  const fs::path from = fs::path(SORREL_EXAMPLES_DIR) / "trainings";
  for (const auto& e : fs::directory_iterator(from)) {
    const std::string name = e.path().filename().string();
    if (name.rfind("naphthalene", 0) == 0) fs::copy_file(e.path(), fs::path(dir) / name);
  }
  return dir + "naphthalene.trn";
}

QStringList Tabs(const TfrmTansy& w) {
  QStringList tabs;
  for (int i = 0; i < w.plots->PageCtrl->count(); ++i)
    tabs << w.plots->PageCtrl->tabText(i);
  return tabs;
}

}  // namespace

class MainWindowTest : public QObject {
  Q_OBJECT
 private slots:
  void firstStartShowsTheDataDirectoryAndItsMenus() {
    test::ScratchProgramDir dir;
    auto ui = test::QtScriptedUi();
    TfrmTansy w;
    QCOMPARE(w.windowTitle(), "Sorrel v2.1 - " + QString::fromStdString(dir.Data()));
    QStringList menus;
    for (QAction* a : w.menuBar()->actions())
      menus << a->text();
    QCOMPARE(menus, (QStringList{"&File", "&Edit", "&PCA", "&Help"}));
    struct Item {
      QAction* action;
      const char* text;
      const char* shortcut;
    } items[] = {
        {w.mOpenSpec, "Open Specrum...", "Ctrl+O"},
        {w.mCloseActive, "Active", "Ctrl+W"},
        {w.mCloseAll, "All", ""},
        {w.mNewTraining, "New Traning", ""},
        {w.mExit, "Exit", "Alt+F4"},
        {w.mCalculate, "Calculate PC's", "F9"},
        {w.mContents, "Contents", "F1"},
        {w.mAbout, "About...", ""},
        {w.tbOpenSpec, " Open Spec ", ""},
        {w.tbCalculate, " Calculate PC's", ""},
    };
    for (const Item& i : items) {
      QCOMPARE(i.action->text(), QString(i.text));
      QCOMPARE(i.action->shortcut(), QKeySequence(i.shortcut));
    }
    QVERIFY(!w.mOptimize->isVisible());
    QVERIFY(!w.mOptimize->isEnabled());
    // No frame open: the PCA and Close Spectrum menus are disabled.
    QVERIFY(!w.mnuPCA->menuAction()->isEnabled());
    QVERIFY(!w.mCalculate->isEnabled());
    QVERIFY(!w.mnuClose->menuAction()->isEnabled());
    QVERIFY(!w.mCloseActive->isEnabled());
    QVERIFY(!w.tbSaveTraining->isEnabled());
    QVERIFY(!w.mSaveTraining->isEnabled());
    QVERIFY(w.mOpenSpec->isEnabled());
    QVERIFY(w.tbCalculate->isEnabled());
    QVERIFY(w.pcResults->isHidden());
    QVERIFY(w.pnlLeft->isHidden());
    QCOMPARE(w.bbRetrieve->text(), QString("Retrieve params from \ncalculated training."));
    // The dialogs of the start, made once.
    QCOMPARE(w.AboutBox->parent(), &w);
    QCOMPARE(w.DirPicker->parent(), &w);
    QCOMPARE(w.Opts->windowTitle(), QString("PCA Options"));
    QVERIFY(ui->messages.empty());
  }

  void aRememberedTrainingReopensItsSpectra() {
    test::ScratchProgramDir dir;
    auto ui = test::QtScriptedUi();
    const std::string training = CopyExampleTraining(dir.Data());
    // The folder it was saved in has gone: the Data directory holds it.
    dir.Write("startup.ini", "[Target]\r\nTraining=/gone/naphthalene.trn\r\n");
    TfrmTansy w;
    QCOMPARE(w.windowTitle(), "Sorrel v2.1 - " + QString::fromStdString(training));
    QCOMPARE(Tabs(w), (QStringList{"Sp1", "Sp2", "Sp3", "Sp4", "Sp5", "Sp6"}));
    QCOMPARE(w.plots->Items(5)->Spec.Filename(), dir.Data("naphthalene-6.txt"));
    QVERIFY(w.plots->Items(0)->MassOnly());
    QVERIFY(w.mnuPCA->menuAction()->isEnabled());
    QVERIFY(w.mCalculate->isEnabled());
    QVERIFY(w.mnuClose->menuAction()->isEnabled());
    // The panel shows the training's settings (examples/make-trainings:
    // the spectra span m/z 16 to 207, 3 loadings of 10^-3).
    QCOMPARE(w.seLowBound->value(), 16);
    QCOMPARE(w.seHighBound->value(), 207);
    QCOMPARE(w.seNLoadings->value(), 3);
    QCOMPARE(w.seNLoadings->maximum(), 6);
    QCOMPARE(w.sePrecPower->value(), 3);
    QVERIFY(!w.chkNormalize->isChecked());

    // Ctrl+W closes the active frame; the PCA menu goes with the third.
    w.mCloseActive->trigger();
    w.mCloseActive->trigger();
    w.mCloseActive->trigger();
    QCOMPARE(w.plots->Count(), 3);
    QVERIFY(w.mnuPCA->menuAction()->isEnabled());
    w.mCloseActive->trigger();
    QCOMPARE(w.plots->Count(), 2);
    QVERIFY(!w.mnuPCA->menuAction()->isEnabled());
    QVERIFY(w.mmLog->toPlainText().isEmpty());  // closing the active frame logs nothing

    // Close Spectrum > All goes through the command script and its log.
    w.mCloseAll->trigger();
    QCOMPARE(w.plots->Count(), 0);
    QVERIFY(!w.mnuClose->menuAction()->isEnabled());
    QCOMPARE(w.mmLog->toPlainText(), QString("CloseSpec All\n>OK"));
    QVERIFY(ui->messages.empty());
  }

  void openSpecAsksForSpectraOfTheTraining() {
    test::ScratchProgramDir dir;
    auto ui = test::QtScriptedUi();
    const std::string training = CopyExampleTraining(dir.Data());
    dir.Write("startup.ini", "[Target]\r\nTraining=" + training + "\r\n");
    TfrmTansy w;
    w.mCloseAll->trigger();
    ui->QueueOpenFiles({dir.Data("naphthalene-1.txt"), dir.Data("naphthalene-2.txt"),
                        dir.Data("naphthalene-3.txt")});
    w.tbOpenSpec->trigger();
    QCOMPARE(ui->dialogs.back().initialDir, dir.Data());
    QCOMPARE(Tabs(w), (QStringList{"Sp1", "Sp2", "Sp3"}));
    QVERIFY(w.mnuPCA->menuAction()->isEnabled());
    QCOMPARE(w.mmLog->toPlainText(), QString("CloseSpec All\n>OK\nOpenSpec\n>OK"));

    // The command panel: PCA > Survey shows the side panel on its page; the
    // command log's tab is never shown.
    w.mSurvey->trigger();
    QVERIFY(!w.pnlLeft->isHidden());
    QCOMPARE(w.pnlLeft->currentWidget(), w.tsSurvey);
    QVERIFY(!w.pnlLeft->isTabVisible(0));
    QVERIFY(ui->AllAnswersUsed());
  }

  void exitWritesStartupIni() {
    test::ScratchProgramDir dir;
    auto ui = test::QtScriptedUi();
    TfrmTansy w;
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    w.mExit->trigger();
    QTRY_VERIFY(!w.isVisible());
    const TMemIniFile ini(dir.File("startup.ini"));
    QCOMPARE(ini.ReadString("Target", "Training", "?"), dir.Data());
    QVERIFY(!ini.SectionExists("PCA"));
  }

  void aFailedShutdownAsksBeforeClosing() {
    test::ScratchProgramDir dir;
    auto ui = test::QtScriptedUi();
    // A directory where startup.ini should be: it cannot be written.
    QVERIFY(QDir().mkdir(QString::fromStdString(dir.File("startup.ini"))));
    TfrmTansy w;
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    ui->QueueConfirm(false);
    w.mExit->trigger();
    QVERIFY(w.isVisible());
    QCOMPARE(ui->questions.size(), size_t(1));
    QVERIFY(ui->questions[0].find(dir.File("startup.ini")) != std::string::npos);
    ui->QueueConfirm(true);
    w.mExit->trigger();
    QTRY_VERIFY(!w.isVisible());
  }

  void hintsGoToTheStatusBar() {
    test::ScratchProgramDir dir;
    auto ui = test::QtScriptedUi();
    TfrmTansy w;
    QStatusTipEvent tip("Short|Long part");
    QCoreApplication::sendEvent(&w, &tip);
    QCOMPARE(w.statusBar()->currentMessage(), QString(" Long part"));
    // A control's own hint reaches the window.
    QStatusTipEvent precision(w.sePrecPower->statusTip());
    QCoreApplication::sendEvent(w.sePrecPower, &precision);
    QCOMPARE(w.statusBar()->currentMessage(),
             QString(" Universal criterium for iterations stopping"));
  }

  void settingsPanelFeedsTheLogic() {
    test::ScratchProgramDir dir;
    auto ui = test::QtScriptedUi();
    TfrmTansy w;
    w.seLowBound->setValue(45);
    w.sePrecPower->setValue(7);
    w.chkNormalize->setChecked(true);
    const SettingsPanel& s = w.Logic().Settings();
    QCOMPARE(s.LowBound.Value(), 45);
    QCOMPARE(s.PrecPower.Value(), 7);
    QVERIFY(s.Normalize);
  }

  void aboutBoxShowsTheVersionAndOpensTheCommentPage() {
    test::ScratchProgramDir dir;
    auto ui = test::QtScriptedUi();
    TfrmTansy w;
    bool shown = false;
    QTimer::singleShot(0, w.AboutBox, [&] {
      shown = w.AboutBox->isVisible();
      w.AboutBox->accept();
    });
    w.mAbout->trigger();
    QVERIFY(shown);
    QCOMPARE(w.AboutBox->lblVersion->text(), QString("Version 2.1.0.13"));
    QStringList lines;
    for (QLabel* l : w.AboutBox->findChildren<QLabel*>())
      lines << l->text();
    QVERIFY(lines.contains("for in-Marjoram or "));
    emit w.AboutBox->lblLink->linkActivated(TAboutBox::kCommentPage);
    QCOMPARE(ui->openedUrls, std::vector<std::string>{TAboutBox::kCommentPage});
    QVERIFY(QString(TAboutBox::kCommentPage).endsWith("/survey/comment.html?sj=Tansy"));
  }

  void directoryPickerReadsAndSetsItsDirectory() {
    test::TempDir dir;
    TfrmDirPicker p;
    const QString d = QString::fromStdString(dir.Path()).chopped(1);
    p.SetDirectory(d);
    QCOMPARE(p.Directory(), d);
    QCOMPARE(p.cbDrives->currentText().isEmpty(), false);
    QVERIFY(d.startsWith(p.cbDrives->currentText()));
    p.SetDirectory(d + "/missing");  // changes nothing
    QCOMPARE(p.Directory(), d);
  }

  void filesFromTheCommandLineBecomeFrames() {
    test::ScratchProgramDir dir;
    auto ui = test::QtScriptedUi();
    TfrmTansy w;
    const QString run = QString::fromStdString(test::TestData("netcdf/HP_CENTSIDH.CDF"));
    // A name relative to where the program was started.
    const QString here = QDir::currentPath();
    QDir::setCurrent(kExamples);
    w.OpenFiles({"caffeine_MSBNK-Kazusa-KZ000017.txt", run, "caffeine_MSBNK-RIKEN-PR010011.txt"});
    QDir::setCurrent(here);
    QCOMPARE(Tabs(w), (QStringList{"Sp1", "Sp2", "Sp3"}));
    QCOMPARE(w.plots->Items(0)->Spec.Filename(),
             (kExamples + "/caffeine_MSBNK-Kazusa-KZ000017.txt").toStdString());
    QVERIFY(w.plots->Items(0)->MassOnly());
    QVERIFY(!w.plots->Items(1)->MassOnly());
    QVERIFY(w.mnuPCA->menuAction()->isEnabled());
  }

  void spinEditStepsAndLimits() {
    TBMDSpinEdit e;
    QSignalSpy changed(&e, &TBMDSpinEdit::changed);
    e.SetMaxValue(5);
    e.SetIncrement(1);
    e.SetPrecision(1);
    e.SetValue(4.5);
    QCOMPARE(e.Editor()->text(), QString("4.5"));
    e.stepBy(1);
    QCOMPARE(e.Value(), 5.0);
    QCOMPARE(e.Editor()->text(), QString("5.0"));
    e.SetValue(0.5);
    e.stepBy(-1);
    QCOMPARE(e.Value(), 0.0);
    QVERIFY(changed.count() >= 3);
    // Typing letters is refused by the validator.
    e.Editor()->clear();
    QTest::keyClicks(e.Editor(), "a2b");
    QCOMPARE(e.Editor()->text(), QString("2"));
    QCOMPARE(e.Value(), 2.0);
  }
};

QTEST_MAIN(MainWindowTest)
#include "MainWindowTest.moc"
