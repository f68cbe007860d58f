// The plot frame's property pages as a user works them: every control
// named, the controls showing the options and writing them back, the
// step buttons shared with the pages, the data-table toggles, the ranges
// grids' commands, the right button on the view's buttons, the peak
// marks, and the 3D page's waterfall.
#include <qcustomplot.h>

#include <QAction>
#include <QButtonGroup>
#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTabBar>
#include <QTabWidget>
#include <QToolButton>
#include <QtTest>

#include "FrameWindowFixture.h"
#include "core/plots/PlotFrame.h"
#include "gui/plots/FramePages.h"
#include "gui/plots/RangesGridModel.h"
#include "gui/plots/TfrmPlot.h"
#include "gui/plots/TvChart.h"
#include "gui/plots/WaterfallChart.h"
#include "gui/widgets/BMDSpinEdit.h"

using namespace sorrel;

namespace {

void RightClick(QWidget* w) {
  const QPointF at(3, 3);
  QMouseEvent press(QEvent::MouseButtonPress, at, w->mapToGlobal(at), Qt::RightButton,
                    Qt::RightButton, Qt::NoModifier);
  QMouseEvent release(QEvent::MouseButtonRelease, at, w->mapToGlobal(at), Qt::RightButton,
                      Qt::NoButton, Qt::NoModifier);
  QApplication::sendEvent(w, &press);
  QApplication::sendEvent(w, &release);
}

// Types a value into a decimal spin edit as a user would.
void Type(TBMDSpinEdit* s, const QString& text) {
  s->Editor()->selectAll();
  QTest::keyClicks(s->Editor(), text);
}

}  // namespace

class FramePagesTest : public QObject, protected test::FrameWindowFixture {
  Q_OBJECT
 private:
  // A run of `n` scans; scan i holds (40, 1 + i % 3) and (41.2, i).
  void FillRun(int n) {
    std::vector<tXYarray> scans;
    for (int s = 0; s < n; ++s)
      scans.push_back({{40, float(1 + s % 3)}, {41.2f, float(s)}});
    FrameWindowFixture::FillRun(scans);
  }

 private slots:
  void init() { StartFrame(); }
  void cleanup() { StopFrame(); }

  void everyControlHasItsNameAndItsAccessibleName() {
    TfrmPlot w(*frame);
    for (const char* half : {"Chrom", "Mass"})
      for (const char* stem :
           {"rgXUnits",     "rbAbsY",      "rbPercY",      "chkFixY",    "rgShow",     "seSGDegree",
            "chkOSSmooth",  "actSmooth",   "chkAutoTS",    "seTSBline",  "chkOSBline", "actBLine",
            "pcPeakMethod", "sePeakSense", "sePeakHeight", "sePeakDist", "sePeakArea", "chkSeeFD",
            "chkOSPeak",    "actPeaks",    "pc",           "lbTotal",    "lbNPoints"}) {
        const QString name = QString(stem) + half;
        QVERIFY2(w.findChild<QObject*>(name), qPrintable(name));
      }
    for (const char* name : {"rgChromatogram", "lbRetTime", "lbFromMass", "lbToMass",
                             "lbNPeaksMass", "chkTabsVisible", "rgDimensions"})
      QVERIFY2(w.findChild<QObject*>(name), name);
    // Captions name their controls without padding; the others have plain
    // names.
    QStringList names;
    for (QWidget* c : w.findChildren<QWidget*>())
      names << c->accessibleName();
    for (const char* n : {"X-axis units",
                          "X-axis units (amu)",
                          "abs.",
                          "%",
                          "Fixed Y",
                          "Show",
                          "Chart",
                          "Data",
                          "Data/Peak tables",
                          "Chromatogram",
                          "TIC",
                          "BPI",
                          "Savitzky-Golay",
                          "Degree",
                          "Enabled",
                          "Threshold",
                          "Auto",
                          "Sensitivity",
                          "Height",
                          "Dist./Width",
                          "Peak Area Threshold",
                          "Show First Dev.",
                          "Peak Param. Thresholds",
                          "GC/MS Chart Dimentions",
                          "Tabs Visible",
                          "Dimentions",
                          "2D",
                          "3D",
                          "Waterfall",
                          "Chromatogram status",
                          "Mass spectrum status",
                          "Smooth",
                          "Baseline",
                          "Peaks"})
      QVERIFY2(names.contains(n), n);
    QStringList tabs;
    for (QTabWidget* pc : {w.pcChrom, w.pcMass})
      for (int i = 0; i < pc->count(); ++i)
        tabs << pc->tabText(i);
    QCOMPARE(tabs, (QStringList{"Visual", "Smooth", "B-line", "Peaks", "Ret.time", "Stats",
                                "Visual", "Smooth", "B-line", "Peak", "SIC", "Stats"}));
    QCOMPARE(w.pagesMass->pcPeakMethod->tabText(2), QString("Adapt."));
  }

  void theControlsShowTheOptionsAndWriteThemBack() {
    auto w = Window(1300, 850);
    QVERIFY(w);
    FillRun(12);
    // A template over the frame: the controls follow it.
    dir->Write("Config/t.tml",
               "[C_Visual]\r\nXUnits=1\r\n[C_Smooth]\r\nSGDegree=6\r\nEnabled=1\r\n"
               "[M_Visual]\r\nXUnits=1\r\nYUnits=1\r\n[M_BLine]\r\nThreshold=12.5\r\n"
               "[M_Peak]\r\nMethod=1\r\nSensiv=4\r\nMinHeight=30\r\nEnabled=1\r\n");
    ui->QueueOpenFiles({dir->Config("t.tml")});
    QTest::mouseClick(w->bbOpenTml, Qt::LeftButton);
    ViewPages& c = *w->pagesChrom;
    ViewPages& m = *w->pagesMass;
    QVERIFY(c.xUnits->button(1)->isChecked());
    QCOMPARE(c.seSGDegree->value(), 6);
    QVERIFY(c.chkOSSmooth->isChecked());
    QVERIFY(w->chrChrom->tbSmooth->isChecked());
    QVERIFY(m.xUnits->button(1)->isChecked());
    QVERIFY(m.rbPercY->isChecked());
    QCOMPARE(m.seTSBline->Value(), 12.5);
    QCOMPARE(m.pcPeakMethod->currentIndex(), 1);
    QCOMPARE(m.sePeakSense->value(), 4);
    QCOMPARE(m.sePeakHeight->Value(), 30.0);
    QVERIFY(m.chkOSPeak->isChecked());
    QCOMPARE(w->chrMass->lbStatus->text(), QString("NP"));
    QCOMPARE(w->chrChrom->lbStatus->text(), QString("S"));
    QCOMPARE(frame->SpOpt().oMass.BLine.Threshold, 12.5);
    // The controls raised their handlers on the way; none of them wrote
    // the options back while they were copied: they are the template's.
    tSpOpt opened(dir->Config("t.tml"));
    opened.Open();
    for (bool chrom : {true, false}) {
      ToView want = opened.View(chrom), got = frame->SpOpt().View(chrom);
      want.Smooth.FillNull = got.Smooth.FillNull = false;
      QVERIFY2(got == want, chrom ? "chromatogram" : "mass spectrum");
    }

    // The user's changes reach the options.
    const tSpOpt& o = frame->SpOpt();
    c.xUnits->button(2)->click();
    QCOMPARE(o.oChrom.XUnits, 2);
    QCOMPARE(w->sgRangesChrom->model()->headerData(0, Qt::Horizontal).toString(),
             QString("Start time"));
    m.rbAbsY->click();
    QVERIFY(!o.oMass.YUnits);
    m.chkAutoTS->click();
    QVERIFY(o.oMass.BLine.AutoTS);
    m.pcPeakMethod->setCurrentIndex(2);
    QCOMPARE(o.oMass.Peak.Method, 2);
    QVERIFY(!m.sePeakSense->isEnabled());
    QVERIFY(!m.sePeakHeight->isEnabled());
    QVERIFY(!m.sePeakDist->isEnabled());
    QVERIFY(m.sePeakArea->isEnabled());
    m.pcPeakMethod->setCurrentIndex(0);
    Type(m.sePeakArea, "250");
    QCOMPARE(o.oMass.Peak.MinArea, 250.0);
    c.seSGDegree->setValue(2);
    QCOMPARE(o.oChrom.Smooth.SGDegree, 2);
    // The chromatogram's "Baseline" button and its page's box are one.
    QTest::mouseClick(w->chrChrom->tbBaseline, Qt::LeftButton);
    QVERIFY(o.oChrom.BLine.Enabled);
    QVERIFY(c.chkOSBline->isChecked());
    QCOMPARE(w->chrChrom->lbStatus->text(), QString("SB"));
    c.chkOSBline->click();
    QVERIFY(!w->chrChrom->tbBaseline->isChecked());
    QVERIFY(!o.oChrom.BLine.Enabled);
  }

  void theDataTableToggles() {
    auto w = Window(1300, 850);
    QVERIFY(w);
    FillRun(12);
    ViewPages& c = *w->pagesChrom;
    frame->chrChrom.SetCursorIndex(7);
    // The view's button and the page's "Data" follow each other; the
    // table opens on the cursor's row and the mass view shows its scan.
    QTest::mouseClick(w->chrChrom->tbDataTable, Qt::LeftButton);
    QVERIFY(c.show->button(1)->isChecked());
    QCOMPARE(w->chrChrom->dataTable->currentIndex().row(), 7);
    QCOMPARE(frame->LastMassIdx, 7);
    QVERIFY(!w->chrChrom->tbRangeMode->isEnabled());
    // The user picks row 4, then "Chart": the cursor goes there.
    w->chrChrom->dataTable->selectRow(4);
    c.show->button(0)->click();
    QVERIFY(!w->chrChrom->tbDataTable->isChecked());
    QCOMPARE(frame->chrChrom.CursorIndex(), 4);
    QCOMPARE(frame->LastMassIdx, 4);
    QVERIFY(w->chrChrom->tbRangeMode->isEnabled());
    // The mass view's "Data/Peak tables".
    w->pagesMass->show->button(1)->click();
    QVERIFY(w->chrMass->tbDataTable->isChecked());
    QCOMPARE(w->chrMass->dataTable->model()->rowCount(), 2);
  }

  void theGridsCommandsWorkInRangeMode() {
    auto w = Window(1300, 850);
    QVERIFY(w);
    FillRun(12);
    QVERIFY(!w->bbClearMass->isEnabled());
    QTest::mouseClick(w->chrMass->tbRangeMode, Qt::LeftButton);
    QVERIFY(w->bbClearMass->isEnabled());
    QVERIFY(w->bbUpdateMass->isEnabled());
    // TIC is chosen and the choice taken away.
    QVERIFY(w->pagesChrom->chromKind->button(0)->isChecked());
    QVERIFY(!w->pagesChrom->rgChromatogram->isEnabled());
    // A mass typed in the grid and "Update": the ion chromatogram of 41.2.
    QAbstractItemModel* grid = w->sgRangesMass->model();
    grid->setData(grid->index(0, 0), "41.2");
    QTest::mouseClick(w->bbUpdateMass, Qt::LeftButton);
    QCOMPARE(grid->data(grid->index(0, 1)).toString(), QString("-"));
    QCOMPARE(frame->chrChrom.Y()[5], 5.0);
    QTest::mouseClick(w->bbClearMass, Qt::LeftButton);
    QCOMPARE(grid->data(grid->index(0, 0)).toString(), QString());
    QCOMPARE(frame->chrChrom.Y()[5], 0.0);
    QTest::mouseClick(w->chrMass->tbZoomMode, Qt::LeftButton);
    QVERIFY(!w->bbClearMass->isEnabled());
    QVERIFY(w->pagesChrom->rgChromatogram->isEnabled());
    // BPI: the largest intensity of each scan (scan 5: 5).
    w->pagesChrom->chromKind->button(1)->click();
    QCOMPARE(frame->chrChrom.Y()[5], 5.0);
    QCOMPARE(frame->chrChrom.Y()[1], 2.0);
  }

  void theRightButtonOnAViewsButtonsOpensItsPages() {
    auto w = Window(1300, 850);
    QVERIFY(w);
    QVERIFY(w->pcChrom->isHidden());
    RightClick(w->chrChrom->tbPeaks);
    QVERIFY(!w->pcChrom->isHidden());
    QCOMPARE(w->pcChrom->currentIndex(), 3);
    RightClick(w->chrChrom->tbPeaks);
    QVERIFY(w->pcChrom->isHidden());
    for (int i = 0; i < 2; ++i) {
      RightClick(w->chrMass->tbBaseline);
      QVERIFY(!w->pcMass->isHidden());
      QCOMPARE(w->pcMass->currentIndex(), 2);
    }
    // tbCommon shows and hides the common panel.
    QTest::mouseClick(w->tbCommon, Qt::LeftButton);
    QVERIFY(!w->pcCommon->isHidden());
    QTest::mouseClick(w->tbCommon, Qt::LeftButton);
    QVERIFY(w->pcCommon->isHidden());
  }

  void peakMarksLabelTheSpectrum() {
    auto w = Window(1300, 850);
    QVERIFY(w);
    FillRun(12);  // opens on scan 11: (40, 3) and (41.2, 11)
    QVERIFY(w->chrMass->MarkLabels().empty());
    QTest::mouseClick(w->chrMass->tbPeaks, Qt::LeftButton);  // the adaptive method
    const auto labels = w->chrMass->MarkLabels();
    QVERIFY(!labels.empty());
    QCOMPARE(labels.back().second, QString("41.2"));
    QCOMPARE(w->pagesMass->lbNPeaks->text(),
             QString("N.Peaks= %1").arg(frame->chrMass.Peaks.Count()));
    QTest::mouseClick(w->chrMass->tbPeaks, Qt::LeftButton);
    QVERIFY(w->chrMass->MarkLabels().empty());
  }

  void theWaterfallShowsEveryStepthScan() {
    struct Case {
      int scans;
      QStringList names;
    } cases[] = {{45, {}}, {20, {}}};
    for (int i = 0; i <= 44; i += 2)
      cases[0].names << QString("Scan %1").arg(i);
    for (int i = 0; i < 20; ++i)
      cases[1].names << QString("Scan %1").arg(i);
    for (const Case& c : cases) {
      StopFrame();
      StartFrame();
      auto w = Window(1300, 850);
      QVERIFY(w);
      FillRun(c.scans);
      // The dimensions are chosen while the tabs are hidden.
      QVERIFY(w->pcDimensions->tabBar()->isHidden());
      QVERIFY(w->rgDimensions->isEnabled());
      w->dimensions->button(1)->click();
      QCOMPARE(w->pcDimensions->currentIndex(), 1);
      QVERIFY(!w->tbChrom->isEnabled());
      QVERIFY(!w->tbMass->isEnabled());
      QStringList names;
      QCustomPlot* p = w->waterfall->Plot();
      for (int k = p->plottableCount(); k-- > 0;)  // drawn from the back
        names << p->plottable(k)->name();
      QCOMPARE(names, c.names);
      // "Tabs Visible" keeps the page and takes the choice away.
      w->chkTabsVisible->click();
      QVERIFY(!w->pcDimensions->tabBar()->isHidden());
      QVERIFY(!w->rgDimensions->isEnabled());
      QCOMPARE(w->pcDimensions->currentIndex(), 1);
      w->pcDimensions->setCurrentIndex(0);
      QCOMPARE(w->waterfall->Plot()->plottableCount(), 0);
      QVERIFY(w->dimensions->button(0)->isChecked());
      QVERIFY(w->tbChrom->isEnabled());
      w.reset();
    }
  }
};

QTEST_MAIN(FramePagesTest)
#include "FramePagesTest.moc"
