// The main window at start-up and the decimal spin edit widget.
#include <QAction>
#include <QDir>
#include <QLineEdit>
#include <QMenuBar>
#include <QSignalSpy>
#include <QTabWidget>
#include <QtTest>

#include "QtScriptedUi.h"
#include "TempDir.h"
#include "core/common/Directories.h"
#include "core/plots/PlotFrame.h"
#include "gui/mainwindow/MainWindow.h"
#include "gui/plots/TPlots.h"
#include "gui/widgets/BMDSpinEdit.h"

using namespace sorrel;

class MainWindowTest : public QObject {
  Q_OBJECT
 private slots:
  void startsWithItsMenusAndCaption() {
    TfrmTansy w;
    QCOMPARE(w.windowTitle(), "Sorrel v2.1 - " + QString::fromStdString(ProgramDir() + "Data/"));
    QStringList menus;
    for (QAction* a : w.menuBar()->actions())
      menus << a->text();
    QCOMPARE(menus, (QStringList{"&File", "&Edit", "&PCA", "&Help"}));
    QCOMPARE(w.mOpenSpec->text(), QString("Open Specrum..."));
    QCOMPARE(w.mOpenSpec->shortcut(), QKeySequence("Ctrl+O"));
    QCOMPARE(w.mCalculate->shortcut(), QKeySequence("F9"));
    QVERIFY(!w.mOptimize->isVisible());
    // No frame open: the PCA and Close Spectrum menus are disabled.
    QVERIFY(!w.mnuPCA->isEnabled());
    QVERIFY(!w.mnuClose->isEnabled());
    QVERIFY(!w.mSaveTraining->isEnabled());
    QVERIFY(w.mOpenSpec->isEnabled());
  }

  void exitClosesTheWindow() {
    TfrmTansy w;
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    w.mExit->trigger();
    QTRY_VERIFY(!w.isVisible());
  }

  void openedFilesBecomeFramesAndEnableTheMenus() {
    test::ScratchProgramDir dir;
    auto uiOwner = test::QtScriptedUi();
    test::ScriptedUi& ui = *uiOwner;
    {
      TfrmTansy w;
      QString ex = SORREL_EXAMPLES_DIR;
      const QString run = QString::fromStdString(test::TestData("netcdf/HP_CENTSIDH.CDF"));
      w.OpenFiles({ex + "/caffeine_MSBNK-Kazusa-KZ000017.txt", run,
                   ex + "/caffeine_MSBNK-RIKEN-PR010011.txt"});
      QCOMPARE(w.plots->Count(), 3);
      QCOMPARE(w.plots->PageCtrl->tabText(0), QString("Sp1"));
      QVERIFY(w.plots->Items(0)->MassOnly());   // a spectrum: mass-only
      QVERIFY(!w.plots->Items(1)->MassOnly());  // a run: a run frame
      QCOMPARE(w.plots->Items(1)->Spec.Filename(), run.toStdString());
      QVERIFY(w.mnuPCA->isEnabled());
      QVERIFY(w.mnuClose->isEnabled());
      w.mCloseActive->trigger();
      QCOMPARE(w.plots->Count(), 2);
      QVERIFY(!w.mnuPCA->isEnabled());
      // A file that cannot be opened is reported and leaves no frame.
      w.OpenFiles({QString::fromStdString(dir.File("missing.txt"))});
      QCOMPARE(w.plots->Count(), 2);
      QCOMPARE(ui.messages.size(), size_t(1));
      QVERIFY(ui.messages[0].find("missing.txt> does not exist.") != std::string::npos);
      // A name relative to where the program was started.
      const QString here = QDir::currentPath();
      QDir::setCurrent(ex);
      w.OpenFiles({"caffeine_MSBNK-Kazusa-KZ000113.txt"});
      QDir::setCurrent(here);
      QCOMPARE(w.plots->Count(), 3);
      QCOMPARE(w.plots->Items(2)->Spec.Filename(),
               (ex + "/caffeine_MSBNK-Kazusa-KZ000113.txt").toStdString());
      w.mCloseAll->trigger();
      QCOMPARE(w.plots->Count(), 0);
      QVERIFY(!w.mnuClose->isEnabled());
    }
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
