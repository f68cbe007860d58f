// Screen Run on the Survey page: the hit list of a synthetic run, the hits
// marked on the frame's chromatogram, Copy, and a hit chosen: its ranges in
// the chromatogram's grid and its summed spectrum in the mass view.
#include <qcustomplot.h>

#include <QAbstractItemModel>
#include <QPushButton>
#include <QToolBar>
#include <QToolButton>
#include <QTreeWidget>
#include <QtTest>
#include <cstdlib>

#include "QtScriptedUi.h"
#include "TempDir.h"
#include "core/common/NumberText.h"
#include "core/mainwindow/ScreenProcLogic.h"
#include "core/plots/PlotCollection.h"
#include "gui/mainwindow/TfmScreen.h"
#include "gui/plots/RangesGridModel.h"
#include "gui/plots/TPlots.h"
#include "gui/plots/TfrmPlot.h"
#include "gui/plots/TvChart.h"

using namespace sorrel;

class TfmScreenTest : public QObject {
  Q_OBJECT
 private:
  test::ScratchProgramDir* dir = nullptr;
  std::unique_ptr<test::ScriptedUi> ui;

  static bool Run(const std::string& command) { return std::system(command.c_str()) == 0; }

 private slots:
  void init() {
    dir = new test::ScratchProgramDir;
    ui = test::QtScriptedUi();
  }
  void cleanup() {
    QVERIFY(ui->AllAnswersUsed());
    ui.reset();
    delete dir;
  }

  void hitListAndAHitChosen() {
    // A calibrated caffeine training of three spectra, made by sorrel
    // train; a run of caffeine (another laboratory's spectrum) at 200 s and
    // phenanthrene at 320 s over bleed and noise.
    std::string train = "cd '" + dir->Path() +
                        "' && '" SORREL_BIN_DIR
                        "/sorrel' train caffeine.trn --compound Caffeine --normalize "
                        "--loadings 2 --model calibrated";
    for (const char* name :
         {"caffeine_MSBNK-Kazusa-KZ000017.txt", "caffeine_MSBNK-Kazusa-KZ000113.txt",
          "caffeine_MSBNK-Osaka_Univ-OUF00133.txt"}) {
      QVERIFY(Run("cp '" + test::TestData(std::string("pca/") + name) + "' '" + dir->Path() + "'"));
      train += std::string(" ") + name;
    }
    QVERIFY(Run(train + " >/dev/null"));
    const std::string run = dir->File("run.cdf");
    QVERIFY(Run("/usr/bin/python3 '" + test::TestData("make-synthetic-run") + "' '" + run +
                "' --place '" + test::TestData("pca/caffeine_MSBNK-RIKEN-PR010011.txt") +
                "@200:60000' --place '" +
                test::TestData("pca/phenanthrene_MSBNK-Osaka_Univ-OUF00417.txt") + "@320'"));

    QWidget host;
    TPlots plots(&host);
    TfmScreen screen(plots.Collection(), &host);
    host.resize(1400, 900);
    host.show();
    QVERIFY(QTest::qWaitForWindowExposed(&host));
    QVERIFY(plots.Items(plots.Add(""))->OpenData(run));
    PlotFrame& frame = *plots.Items(0);
    TfrmPlot& window = *plots.Frame(0);

    // No list open for batch classification: Screen Run asks for the
    // trainings.
    ui->QueueOpenFiles({dir->File("caffeine.trn")});
    QTest::mouseClick(screen.bbRun, Qt::LeftButton);
    QVERIFY(!screen.bbRun->isChecked());
    QCOMPARE(ui->dialogs.size(), size_t(1));
    QCOMPARE(screen.lbSource->text(), QString("Against the training caffeine.trn"));
    QCOMPARE(screen.lvHits->topLevelItemCount(), 1);
    QTreeWidgetItem* item = screen.lvHits->topLevelItem(0);
    const double rt = item->text(0).toDouble();
    QVERIFY2(std::abs(rt - 200.0) <= 3.0, qPrintable(item->text(0)));
    QCOMPARE(item->text(1), QString("Caffeine"));
    QCOMPARE(item->text(2), QString("Yes"));
    QCOMPARE(screen.lbSummary->text(),
             QString("2 peaks of run.cdf screened against 1 training: 1 hit."));
    // Copied as the list shows it.
    screen.tbCopy->trigger();
    QCOMPARE(QString::fromStdString(ui->clipboard),
             item->text(0) + "\tCaffeine\tYes\t" + item->text(3) + "\n");

    // Marked over its apex on the chromatogram.
    const ScreenPeak& peak = screen.Logic().Result().Peaks[screen.Logic().Hits()[0].Peak];
    const auto notes = window.chrChrom->NoteLabels();
    QCOMPARE(notes.size(), size_t(1));
    QCOMPARE(notes[0].first, peak.Apex);
    QCOMPARE(notes[0].second, QString("Caffeine"));

    // Chosen: the grid holds the peak's scans and the background after it,
    // the chromatogram is in range mode, and the mass view shows the sum:
    // the spectrum classified.
    screen.lvHits->setCurrentItem(item);
    QCOMPARE(screen.Logic().ChosenHit(), 0);
    QVERIFY(window.chrChrom->tbRangeMode->isChecked());
    const QAbstractItemModel* grid = window.sgRangesChrom->model();
    const auto& x = frame.chrChrom.X();
    QCOMPARE(grid->index(0, 0).data().toString().toStdString(),
             FormatValue(x[static_cast<size_t>(peak.First)]));
    QCOMPARE(grid->index(0, 1).data().toString().toStdString(),
             FormatValue(x[static_cast<size_t>(peak.Last)]));
    QCOMPARE(grid->index(0, 2).data().toString(), QString("1"));
    QCOMPARE(grid->index(1, 2).data().toFloat(), peak.Ranges[1].weight);
    QVERIFY(grid->index(2, 0).data().toString().isEmpty());
    // (The default template shows the intensities as they are.)
    QVERIFY(!frame.SpOpt().oMass.YUnits);
    const QCPGraph* shown = window.chrMass->Plot()->graph(0);
    QCOMPARE(shown->dataCount(), static_cast<int>(peak.Spectrum.size()));
    for (int i = 0; i < shown->dataCount(); ++i) {
      const dPoint& p = peak.Spectrum[static_cast<size_t>(i)];
      QCOMPARE(shown->data()->at(i)->key, static_cast<double>(p[0]));
      QCOMPARE(shown->data()->at(i)->value, static_cast<double>(p[1]));
    }
  }
};

QTEST_MAIN(TfmScreenTest)
#include "TfmScreenTest.moc"
