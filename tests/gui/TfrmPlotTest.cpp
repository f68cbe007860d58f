// The plot frame window bound to its logic: accessible names, what a run
// and a spectrum show, the kind switch, ranges made with the mouse and in
// the grid, the layout of the two views, paste and the file dialogs.
#include <qcustomplot.h>

#include <QCheckBox>
#include <QGroupBox>
#include <QMenu>
#include <QPushButton>
#include <QSplitter>
#include <QTabWidget>
#include <QTableWidget>
#include <QToolButton>
#include <QtTest>

#include "FrameWindowFixture.h"
#include "core/plots/PlotFrame.h"
#include "gui/plots/RangesGridModel.h"
#include "gui/plots/TfrmPlot.h"
#include "gui/plots/TvChart.h"

using namespace sorrel;

namespace {

void Send(QWidget* w, QEvent::Type type, QPointF pos, Qt::MouseButton button,
          Qt::MouseButtons buttons) {
  QMouseEvent e(type, pos, w->mapToGlobal(pos), button, buttons, Qt::NoModifier);
  QApplication::sendEvent(w, &e);
}

QPointF At(QCustomPlot* p, double x, double y) {
  return {p->xAxis->coordToPixel(x), p->yAxis->coordToPixel(y)};
}

std::vector<std::pair<double, double>> Graph(TvChart* v) {
  std::vector<std::pair<double, double>> out;
  auto data = v->Plot()->graph(0)->data();
  for (auto it = data->constBegin(); it != data->constEnd(); ++it)
    out.emplace_back(it->key, it->value);
  return out;
}

}  // namespace

class TfrmPlotTest : public QObject, protected test::FrameWindowFixture {
  Q_OBJECT
 private:
  // A run of 15 scans: scans 10 to 12 hold (44.6, 10) and (45.4, 5), the
  // others (30, 1); scan 11 has the largest total.
  void FillRun() {
    std::vector<tXYarray> scans;
    for (int s = 0; s < 15; ++s)
      scans.push_back(s >= 10 && s <= 12 ? tXYarray{{44.6f, 10}, {45.4f, s == 11 ? 6.0f : 5.0f}}
                                         : tXYarray{{30, 1}});
    FrameWindowFixture::FillRun(scans);
  }

 private slots:
  void init() { StartFrame(); }
  void cleanup() { StopFrame(); }

  void everyControlHasItsName() {
    TfrmPlot w(*frame);
    QStringList names;
    for (QWidget* c : w.findChildren<QWidget*>())
      names << c->accessibleName();
    QCOMPARE(w.accessibleName(), QString("Sp1"));
    for (const char* n : {"Chromatogram",
                          "Mass spectrum",
                          "Chromatogram ranges",
                          "Mass ranges",
                          "Chromatogram data",
                          "Mass data",
                          "Chromatogram peaks",
                          "Mass peaks",
                          "Data Table",
                          "Expand",
                          "Auto Y",
                          "Zoom mode",
                          "Range mode",
                          "SaveData",
                          "CopyData",
                          "SavePeaks",
                          "CopyPeaks",
                          "Open",
                          "Save As",
                          "On close save changes in a template",
                          "File",
                          "Paste",
                          "Forced Cashe",
                          "Clear",
                          "Update",
                          "File information"})
      QVERIFY2(names.contains(n), n);
    // A button with a caption is named by it, without its padding.
    for (QAbstractButton* b : w.findChildren<QAbstractButton*>())
      if (!b->text().isEmpty() && !b->text().contains('\n'))
        QCOMPARE(b->accessibleName(), b->text().trimmed());
    QCOMPARE(w.gbAsTemplate->title(), QString(" Base Template (<none>)"));
  }

  void aRunShowsItsChromatogramAboveItsApexSpectrum() {
    auto w = Window();
    QVERIFY(w);
    const std::string cdf = test::TestData("netcdf/EXTREL_CENTSCNL.CDF");
    QVERIFY(frame->OpenData(cdf));
    QCOMPARE(w->chrChrom->Plot()->graph(0)->data()->size(), frame->Spec.NSpec());
    const tXYarray& apex = frame->Spec.GetMass(frame->LastMassIdx);
    QCOMPARE(w->chrMass->Plot()->graph(0)->data()->size(), static_cast<int>(apex.size()));
    QVERIFY(!w->sgFiles->isHidden());
    QCOMPARE(w->sgFiles->item(0, 0)->text(), QString("instr.name"));
    QCOMPARE(w->sgFiles->item(0, 1)->text(), QString("mass spectrometer"));
    QCOMPARE(w->windowTitle(), QString::fromStdString(cdf + " (Sp1)"));
    QVERIFY(!w->pnlChrom->isHidden());
    QVERIFY(w->grpOpenMass->isHidden());
    // The chromatogram's units name its axis.
    QCOMPARE(w->chrChrom->Plot()->xAxis->label(), QString("Scan"));
    frame->Clear();
    QVERIFY(w->sgFiles->isHidden());
    QCOMPARE(w->chrChrom->Plot()->graph(0)->data()->size(), 0);
  }

  void theMassOnlyItemSwitchesTheKind() {
    auto w = Window();
    QVERIFY(w);
    FillRun();
    w->mMassOnly->trigger();
    QVERIFY(frame->MassOnly());
    QVERIFY(w->pnlChrom->isHidden());
    QVERIFY(!w->grpOpenMass->isHidden());
    QVERIFY(!w->tbChrom->isEnabled());
    QVERIFY(!w->chrMass->tbRangeMode->isEnabled());
    // The scan shown (11) is kept as the spectrum.
    QCOMPARE(Graph(w->chrMass), (std::vector<std::pair<double, double>>{{44.6f, 10}, {45.4f, 6}}));
    w->mMassOnly->trigger();
    QVERIFY(!frame->MassOnly());
    QVERIFY(!w->pnlChrom->isHidden());
    QVERIFY(w->chrMass->tbRangeMode->isEnabled());
  }

  void aRangeDraggedOverTheChromatogramSumsItsScans() {
    auto w = Window();
    QVERIFY(w);
    FillRun();
    QCustomPlot* p = w->chrChrom->Plot();
    p->replot();
    QTest::mouseClick(w->chrChrom->tbRangeMode, Qt::LeftButton);
    QVERIFY(w->bbUpdateChrom->isEnabled());
    Send(p, QEvent::MouseButtonPress, At(p, 9.8, 5), Qt::LeftButton, Qt::LeftButton);
    Send(p, QEvent::MouseMove, At(p, 11, 5), Qt::NoButton, Qt::LeftButton);
    Send(p, QEvent::MouseMove, At(p, 12.2, 5), Qt::NoButton, Qt::LeftButton);
    Send(p, QEvent::MouseButtonRelease, At(p, 12.2, 5), Qt::LeftButton, Qt::NoButton);
    QAbstractItemModel* grid = w->sgRangesChrom->model();
    QCOMPARE(grid->data(grid->index(0, 0)).toString(), QString("10"));
    QCOMPARE(grid->data(grid->index(0, 1)).toString(), QString("12"));
    QCOMPARE(grid->data(grid->index(0, 2)).toString(), QString("1"));
    QCOMPARE(grid->headerData(0, Qt::Horizontal).toString(), QString("Start idx"));
    // Scans 10 to 12 on unit masses: (45, 10 + 5 + 10 + 6 + 10 + 5).
    QCOMPARE(frame->Spec.CMass, (tXYarray{{45, 46}}));
    QCOMPARE(Graph(w->chrMass), (std::vector<std::pair<double, double>>{{45, 46}}));
    // "Clear" empties the grid and the sum follows.
    QTest::mouseClick(w->bbClearChrom, Qt::LeftButton);
    QCOMPARE(grid->data(grid->index(0, 0)).toString(), QString());
    QCOMPARE(frame->Spec.CMass.size(), size_t(100));
  }

  void enterInAGridTakesItsRangesOver() {
    auto w = Window();
    QVERIFY(w);
    FillRun();
    QAbstractItemModel* grid = w->sgRangesMass->model();
    QCOMPARE(grid->headerData(0, Qt::Horizontal).toString(), QString("Start m/z"));
    QCOMPARE(grid->headerData(2, Qt::Horizontal).toString(), QString("W"));
    grid->setData(grid->index(0, 0), "45.3");
    grid->setData(grid->index(1, 0), "abc");
    w->sgRangesMass->setFocus();
    QTest::keyClick(w->sgRangesMass, Qt::Key_Return);
    // A start without end: a single point at the nearest mass shown (the
    // apex scan 11 shows 44.6 and 45.4).
    QCOMPARE(grid->data(grid->index(0, 0)).toString(), QString("45.4"));
    QCOMPARE(grid->data(grid->index(0, 1)).toString(), QString("-"));
    QCOMPARE(grid->data(grid->index(1, 0)).toString(), QString());
    QCOMPARE(frame->chrMass.RMarks().size(), size_t(1));
  }

  void theViewsShareTheHeightAsTheFrameSays() {
    auto w = Window();
    QVERIFY(w);
    QTRY_VERIFY(w->splitter->sizes().value(0) > 0);
    auto share = [&] {
      const QList<int> s = w->splitter->sizes();
      return 100.0 * s.value(0) / (s.value(0) + s.value(1));
    };
    QVERIFY2(std::abs(share() - 40) < 1.5, qPrintable(QString::number(share())));
    // The right button on the mass bar button hides and shows the mass view.
    Send(w->tbMass, QEvent::MouseButtonPress, QPointF(3, 3), Qt::RightButton, Qt::RightButton);
    Send(w->tbMass, QEvent::MouseButtonRelease, QPointF(3, 3), Qt::RightButton, Qt::NoButton);
    QCOMPARE(frame->WhatVis(), wvChrom);
    QVERIFY(w->pnlMass->isHidden());
    Send(w->tbMass, QEvent::MouseButtonRelease, QPointF(3, 3), Qt::RightButton, Qt::NoButton);
    QCOMPARE(frame->WhatVis(), wvBoth);
    QVERIFY(!w->pnlMass->isHidden());
    QVERIFY2(std::abs(share() - 33) < 1.5, qPrintable(QString::number(share())));
    // A resize keeps the share the frame remembers.
    w->resize(1200, 600);
    QTRY_VERIFY(std::abs(share() - 40) < 1.5);
    // The left button opens the view's pages.
    QVERIFY(w->pcMass->isHidden());
    QTest::mouseClick(w->tbMass, Qt::LeftButton);
    QVERIFY(!w->pcMass->isHidden());
  }

  void pasteAndTheDataDialogs() {
    auto w = Window();
    QVERIFY(w);
    ui->clipboard = "10\t100\r\n11\t200\r\n";
    w->mMassOnly->trigger();
    w->bbPasteSMass->click();  // on the mass view's pages
    QCOMPARE(Graph(w->chrMass), (std::vector<std::pair<double, double>>{{10, 100}, {11, 200}}));
    ui->QueueSaveFile("");
    QTest::mouseClick(w->bbSaveAsData, Qt::LeftButton);
    QCOMPARE(ui->dialogs.back().title, std::string("Save file as"));
    ui->QueueOpenFiles({});
    QTest::mouseClick(w->bbOpenData, Qt::LeftButton);
    QCOMPARE(ui->dialogs.back().title, std::string("Open data file"));
    QVERIFY(ui->messages.empty());
    w->chkSaveTemplate->setChecked(true);
    QVERIFY(frame->SaveTemplateOnClose);
  }

  void fixedYAndAutoYReachTheOptions() {
    auto w = Window();
    QVERIFY(w);
    QVERIFY(w->chkFixYMass->isChecked());  // the template's default
    w->chkFixYMass->setChecked(false);
    QVERIFY(!frame->SpOpt().oMass.FixY);
    QVERIFY(!frame->chrMass.FixY());
    QTest::mouseClick(w->chrChrom->tbAutoY, Qt::LeftButton);
    QVERIFY(frame->SpOpt().oChrom.AutoY);
    QVERIFY(frame->chrChrom.AutoY());
    // A template opened over the frame sets the controls.
    dir->Write("Config/fixed.tml", "[M_Visual]\r\nFixY=1\r\n[C_Visual]\r\nAutoY=0\r\n");
    ui->QueueOpenFiles({dir->Config("fixed.tml")});
    QTest::mouseClick(w->bbOpenTml, Qt::LeftButton);
    QVERIFY(w->chkFixYMass->isChecked());
    QVERIFY(frame->chrMass.FixY());
    QVERIFY(!w->chrChrom->tbAutoY->isChecked());
    QVERIFY(!frame->SpOpt().oChrom.AutoY);
  }
};

QTEST_MAIN(TfrmPlotTest)
#include "TfrmPlotTest.moc"
