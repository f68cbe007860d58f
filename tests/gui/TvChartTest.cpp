// The chart view widget over its logic: series and axes, the mouse in both
// modes with the grid and the bands it makes, zoom and Expand, Auto Y, the
// tables with their save and copy, the nearest-point marker, appearance
// files, the chart editor and the picture copy.
#include <qcustomplot.h>

#include <QClipboard>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QStackedWidget>
#include <QTableView>
#include <QToolButton>
#include <QtTest>
#include <cmath>

#include "QtScriptedUi.h"
#include "TempDir.h"
#include "core/common/Errors.h"
#include "core/plots/ChartViewLogic.h"
#include "gui/plots/ChartEditor.h"
#include "gui/plots/TvChart.h"

using namespace sorrel;

namespace {

// A view on screen over a logic of its own.
struct Shown {
  RangesGrid grid{10};
  ChartViewLogic logic;
  TvChart view;
  std::vector<int> selected;
  Shown(bool chromatogram, std::vector<double> x, std::vector<double> y) {
    logic.Initialise(chromatogram, &grid);
    logic.SetSeries(std::move(x), std::move(y));
    logic.OnSelect = [this](int i) { selected.push_back(i); };
    view.Bind(&logic, chromatogram ? "Chromatogram" : "Mass spectrum",
              chromatogram ? "Chromatogram" : "Mass");
    view.resize(900, 500);
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));
    view.Plot()->replot();
  }
  QCustomPlot* plot() { return view.Plot(); }
  QPointF At(double x, double y) {
    return {plot()->xAxis->coordToPixel(x), plot()->yAxis->coordToPixel(y)};
  }
  // Mouse events as the chart receives them.
  void Send(QEvent::Type type, QPointF pos, Qt::MouseButton button, Qt::MouseButtons buttons,
            Qt::KeyboardModifiers mods = Qt::NoModifier) {
    QMouseEvent e(type, pos, plot()->mapToGlobal(pos), button, buttons, mods);
    QApplication::sendEvent(plot(), &e);
  }
  void Drag(QPointF from, QPointF to) {
    Send(QEvent::MouseButtonPress, from, Qt::LeftButton, Qt::LeftButton);
    Send(QEvent::MouseMove, (from + to) / 2, Qt::NoButton, Qt::LeftButton);
    Send(QEvent::MouseMove, to, Qt::NoButton, Qt::LeftButton);
    Send(QEvent::MouseButtonRelease, to, Qt::LeftButton, Qt::NoButton);
  }
  void Click(QPointF at, Qt::KeyboardModifiers mods = Qt::NoModifier) {
    Send(QEvent::MouseButtonPress, at, Qt::LeftButton, Qt::LeftButton, mods);
    Send(QEvent::MouseButtonRelease, at, Qt::LeftButton, Qt::NoButton, mods);
  }
  std::vector<QCPItemRect*> Bands() {
    std::vector<QCPItemRect*> out;
    for (int i = 0; i < plot()->itemCount(); ++i)
      if (auto* r = qobject_cast<QCPItemRect*>(plot()->item(i))) out.push_back(r);
    return out;
  }
  template <class T>
  T* Item() {
    for (int i = 0; i < plot()->itemCount(); ++i)
      if (auto* t = qobject_cast<T*>(plot()->item(i))) return t;
    return nullptr;
  }
};

std::vector<double> Steps(int n, double from = 0) {
  std::vector<double> v;
  for (int i = 0; i < n; ++i)
    v.push_back(from + i);
  return v;
}

// A chromatogram of two peaks on a flat baseline of 10.
std::vector<double> TwoPeaks(int n) {
  std::vector<double> y;
  for (int i = 0; i < n; ++i)
    y.push_back(10 + 1000 * std::exp(-std::pow((i - 300) / 20.0, 2)) +
                400 * std::exp(-std::pow((i - 700) / 30.0, 2)));
  return y;
}

}  // namespace

class TvChartTest : public QObject {
  Q_OBJECT
 private:
  std::unique_ptr<test::ScriptedUi> ui;

 private slots:
  void init() { ui = test::QtScriptedUi(); }
  void cleanup() { ui.reset(); }

  void theSeriesIsDrawnWholeAndTheAxesHoldIt() {
    Shown c(true, Steps(1000), TwoPeaks(1000));
    auto* graph = c.plot()->graph(0);
    QCOMPARE(graph->lineStyle(), QCPGraph::lsLine);
    QVERIFY(graph->adaptiveSampling());
    QCOMPARE(graph->data()->size(), 1000);
    QCOMPARE(graph->data()->at(300)->value, c.logic.Y()[300]);
    QCOMPARE(c.plot()->xAxis->range().lower, 0.0);
    QCOMPARE(c.plot()->xAxis->range().upper, 999.0);
    QVERIFY(c.plot()->yAxis->range().upper >= 1010);

    // A stick spectrum stands on the zero line: the axis holds 0 even when
    // no intensity is that low.
    Shown m(false, {41, 43, 44, 57}, {120, 80, 999, 300});
    QCOMPARE(m.plot()->graph(0)->lineStyle(), QCPGraph::lsImpulse);
    QCOMPARE(m.plot()->yAxis->range().lower, 0.0);
    QVERIFY(m.plot()->xAxis->range().lower < 41);
    QVERIFY(m.plot()->xAxis->range().upper > 57);
  }

  void aDragInRangeModePutsARangeInTheGridAndABandOnTheChart() {
    Shown c(true, Steps(1000), TwoPeaks(1000));
    QTest::mouseClick(c.view.tbRangeMode, Qt::LeftButton);
    QVERIFY(!c.logic.ZoomMode());
    QCOMPARE(c.plot()->selectionRectMode(), QCP::srmNone);
    QCOMPARE(c.selected, std::vector<int>({-1}));
    c.Drag(c.At(250.3, 500), c.At(349.8, 500));
    QCOMPARE(c.grid.Cell(0, 1), std::string("250"));
    QCOMPARE(c.grid.Cell(1, 1), std::string("350"));
    QCOMPARE(c.grid.Cell(2, 1), std::string("1"));
    auto bands = c.Bands();
    QCOMPARE(bands.size(), size_t(1));
    QCOMPARE(bands[0]->topLeft->coords().x(), 250.0);
    QCOMPARE(bands[0]->bottomRight->coords().x(), 350.0);
    QVERIFY(bands[0]->visible());
    // A click marks a single point; Ctrl with a press clears the ranges.
    c.Click(c.At(700.2, 500));
    QCOMPARE(c.grid.Cell(0, 2), std::string("700"));
    QCOMPARE(c.grid.Cell(1, 2), std::string("-"));
    QCOMPARE(c.Bands().size(), size_t(2));
    c.Send(QEvent::MouseButtonPress, c.At(100, 500), Qt::LeftButton, Qt::LeftButton,
           Qt::ControlModifier);
    c.Send(QEvent::MouseButtonRelease, c.At(100, 500), Qt::LeftButton, Qt::NoButton);
    QCOMPARE(c.grid.RangeNumber(), 1);  // cleared, then the click marked 100
    QCOMPARE(c.grid.Cell(0, 1), std::string("100"));
    // Back in zoom mode the bands are hidden and the cursor shows.
    QTest::mouseClick(c.view.tbZoomMode, Qt::LeftButton);
    QVERIFY(!c.Bands()[0]->visible());
    QCOMPARE(c.plot()->selectionRectMode(), QCP::srmCustom);
  }

  void aClickInZoomModeMovesTheCursor() {
    Shown c(true, Steps(1000), TwoPeaks(1000));
    QSignalSpy hints(&c.view, &TvChart::hintChanged);
    c.Click(c.At(299.6, 100));
    QCOMPARE(c.selected, std::vector<int>({300}));
    c.selected.clear();
    auto* cursor = c.Item<QCPItemStraightLine>();
    QVERIFY(cursor && cursor->visible());
    QCOMPARE(cursor->point1->coords().x(), 300.0);
    QCOMPARE(c.Item<QCPItemText>()->text(), QString("300"));
    QVERIFY(c.Item<QCPItemText>()->positionAlignment() & Qt::AlignRight);  // left of it
    // Near the left end of the chart the label goes right of the cursor,
    // where it is not cut.
    c.Click(c.At(3, 100));
    QCOMPARE(c.Item<QCPItemText>()->text(), QString("3"));
    QVERIFY(c.Item<QCPItemText>()->positionAlignment() & Qt::AlignLeft);
    c.Click(c.At(299.6, 100));
    c.selected.clear();
    // Beyond the last point (999): the hint says so, the cursor stays.
    c.plot()->xAxis->setRange(0, 1100);
    c.plot()->replot();
    c.Click(c.At(1050, 100));
    QCOMPARE(c.logic.Hint(), std::string("Out of range. Try again."));
    QVERIFY(!hints.isEmpty());
    QCOMPARE(hints.last().at(0).toString(), QString("Out of range. Try again."));
    QCOMPARE(c.logic.CursorIndex(), 300);
    // The data table opens on the row of the cursor.
    QTest::mouseClick(c.view.tbDataTable, Qt::LeftButton);
    QCOMPARE(c.view.dataTable->currentIndex().row(), 300);
  }

  void aRectangleZoomsAndExpandOrALeftwardRectangleUndoesIt() {
    Shown c(true, Steps(1000), TwoPeaks(1000));
    c.view.tbAutoY->click();
    c.logic.SetFixY(false);
    QVERIFY(c.logic.AutoY());
    c.Drag(c.At(600, 1000), c.At(800, 100));
    const QCPRange x = c.plot()->xAxis->range();
    QVERIFY2(std::fabs(x.lower - 600) < 2 && std::fabs(x.upper - 800) < 2,
             qPrintable(QString("%1 %2").arg(x.lower).arg(x.upper)));
    // Auto Y: the left axis fits the points now visible (the second peak).
    const QCPRange y = c.plot()->yAxis->range();
    QVERIFY(y.upper < 500 && y.upper > 400);
    QVERIFY(c.selected.empty());  // a zoom moves no cursor
    QTest::mouseClick(c.view.tbExpand, Qt::LeftButton);
    QCOMPARE(c.plot()->xAxis->range().lower, 0.0);
    QCOMPARE(c.plot()->xAxis->range().upper, 999.0);
    c.Drag(c.At(600, 1000), c.At(800, 100));
    c.Drag(c.At(800, 100), c.At(600, 1000));
    QCOMPARE(c.plot()->xAxis->range().upper, 999.0);
    // Too small a rectangle zooms nothing.
    c.Drag(c.At(600, 1000), c.At(600, 1000) + QPointF(8, 0));
    QCOMPARE(c.plot()->xAxis->range().upper, 999.0);
  }

  void theTablesShowCopyAndSaveTheSeries() {
    Shown c(false, {41, 43.25, 44}, {120, 80, 999.5});
    QVERIFY(c.view.peakTable->isHidden());
    QTest::mouseClick(c.view.tbDataTable, Qt::LeftButton);
    QVERIFY(!c.logic.ChartVis());
    QCOMPARE(c.view.stack->currentIndex(), 1);
    QAbstractItemModel* m = c.view.dataTable->model();
    QCOMPARE(m->rowCount(), 3);
    QCOMPARE(m->headerData(0, Qt::Horizontal).toString(), QString(" m/z"));
    QCOMPARE(m->data(m->index(1, 0)).toString(), QString("43.25"));
    QCOMPARE(m->data(m->index(2, 1)).toString(), QString("999.5"));
    QVERIFY(!c.view.bbCopyPeaks->isEnabled());
    QTest::mouseClick(c.view.bbCopyData, Qt::LeftButton);
    QCOMPARE(ui->clipboard, std::string("41\t120\r\n43.25\t80\r\n44\t999.5\r\n"));
    test::TempDir dir;
    ui->QueueSaveFile(dir.File("table.txt"));
    QTest::mouseClick(c.view.bbSaveData, Qt::LeftButton);
    QFile saved(QString::fromStdString(dir.File("table.txt")));
    QVERIFY(saved.open(QIODevice::ReadOnly));
    QCOMPARE(saved.readAll().toStdString(), ui->clipboard);
    QCOMPARE(ui->dialogs.back().title, std::string("Save as text file"));
    // With a peak the peak table shows and its buttons work.
    c.logic.Peaks.Add({44, 999.5f, 43.5f, 44.5f, 0, 2});
    c.logic.UpdateDataTable();
    QVERIFY(!c.view.peakTable->isHidden());
    QVERIFY(c.view.bbCopyPeaks->isEnabled());
    QTest::mouseClick(c.view.bbCopyPeaks, Qt::LeftButton);
    QCOMPARE(ui->clipboard, c.logic.PeakText());
    // A click on a data row selects that point.
    c.view.dataTable->selectRow(1);
    QTest::mouseClick(c.view.dataTable->viewport(), Qt::LeftButton, {},
                      c.view.dataTable->visualRect(m->index(1, 0)).center());
    QCOMPARE(c.selected, std::vector<int>({1}));
    QTest::mouseClick(c.view.tbDataTable, Qt::LeftButton);
    QCOMPARE(c.view.stack->currentIndex(), 0);
  }

  void theMarkerFollowsTheMouseOverAMassSpectrum() {
    Shown m(false, {41, 43, 44.04, 57}, {120, 80, 999, 300});
    m.logic.SetNearestActive(true);
    m.Send(QEvent::MouseMove, m.At(44.3, 10), Qt::NoButton, Qt::NoButton);
    QCOMPARE(m.logic.NearestIndex(), 2);
    auto* tracer = m.Item<QCPItemTracer>();
    QVERIFY(tracer && tracer->visible());
    QCOMPARE(tracer->position->coords(), QPointF(44.04, 999));
    bool readout = false;
    for (int i = 0; i < m.plot()->plotLayout()->elementCount(); ++i)
      if (auto* t = qobject_cast<QCPTextElement*>(m.plot()->plotLayout()->elementAt(i)))
        readout = readout || t->text() == "44 / 999";
    QVERIFY(readout);
  }

  void appearanceFilesBringBackTitlesColoursAndRanges() {
    test::TempDir dir;
    const std::string file = dir.File("look.ini");
    QCPRange x, y;
    {
      Shown c(true, Steps(100), TwoPeaks(100));
      c.logic.SetTitle("run 7");
      c.view.SetAxisTitles("Ret. time [s]", "TIC");
      c.plot()->graph(0)->setPen(QPen(QColor("#8b0000"), 2));
      c.Drag(c.At(20, 900), c.At(60, 100));  // zoomed in: the ranges are kept
      x = c.plot()->xAxis->range();
      y = c.plot()->yAxis->range();
      c.view.SaveToTemplate(file);
    }
    Shown d(true, Steps(100), TwoPeaks(100));
    d.logic.SetTitle("another");
    d.view.LoadFromTemplate(file);
    QCOMPARE(d.plot()->xAxis->label(), QString("Ret. time [s]"));
    QCOMPARE(d.plot()->yAxis->label(), QString("TIC"));
    QCOMPARE(d.plot()->graph(0)->pen().color(), QColor("#8b0000"));
    QCOMPARE(d.plot()->graph(0)->pen().widthF(), 2.0);
    QCOMPARE(d.plot()->xAxis->range().lower, x.lower);
    QCOMPARE(d.plot()->xAxis->range().upper, x.upper);
    QCOMPARE(d.plot()->yAxis->range().lower, y.lower);
    QCOMPARE(d.plot()->yAxis->range().upper, y.upper);
    // The ranges stay as they were: an appearance holds none.
    d.grid.SetRow(1, "10", "20", "1");
    d.logic.UpdateFromTable();
    d.view.SaveToTemplate(dir.File("again.ini"));
    d.view.LoadFromTemplate(dir.File("again.ini"));
    QCOMPARE(d.grid.Cell(0, 1), std::string("10"));
    QCOMPARE(d.Bands().size(), size_t(1));
    // A view saved at full view follows its data when loaded.
    d.view.Expand();
    d.view.SaveToTemplate(dir.File("full.ini"));
    Shown e(true, Steps(50), TwoPeaks(50));
    e.view.LoadFromTemplate(dir.File("full.ini"));
    QCOMPARE(e.plot()->xAxis->range().upper, 49.0);
    bool title = false;
    for (int i = 0; i < d.plot()->plotLayout()->elementCount(); ++i)
      if (auto* t = qobject_cast<QCPTextElement*>(d.plot()->plotLayout()->elementAt(i)))
        title = title || t->text() == "run 7";
    QVERIFY(title);
    try {
      d.view.LoadFromTemplate(dir.File("missing.ini"));
      QFAIL("no error for a missing file");
    } catch (const SorrelError& e) {
      QCOMPARE(QString(e.what()), QString::fromStdString(dir.File("missing.ini") + "- not found"));
    }
  }

  void theChartEditorChangesWhatItShows() {
    Shown c(false, {41, 43, 44}, {120, 80, 999});
    ChartEditor editor(*c.plot(), nullptr);
    QVERIFY(!editor.edTitle->isEnabled());  // no title to edit
    editor.edLeftTitle->setText("Abundance");
    editor.chkBottomAuto->setChecked(false);
    editor.edBottomMin->setText("40.5");
    editor.edBottomMax->setText("43.5");
    editor.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->click();
    QCOMPARE(c.plot()->yAxis->label(), QString("Abundance"));
    QCOMPARE(c.plot()->xAxis->range().lower, 40.5);
    QCOMPARE(c.plot()->xAxis->range().upper, 43.5);
    // A range whose ends are the wrong way round is not applied.
    ChartEditor bad(*c.plot(), nullptr);
    bad.chkBottomAuto->setChecked(false);
    bad.edBottomMin->setText("50");
    bad.edBottomMax->setText("45");
    bad.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->click();
    QVERIFY(!bad.RangesFixed());
    QCOMPARE(c.plot()->xAxis->range().upper, 43.5);
  }

  void copyImagePutsAPictureOnTheClipboard() {
    Shown c(true, Steps(100), TwoPeaks(100));
    QGuiApplication::clipboard()->clear();
    c.view.CopyImage();
    const QImage image = QGuiApplication::clipboard()->image();
    QVERIFY(!image.isNull());
    QCOMPARE(image.size(), c.plot()->size() * c.plot()->devicePixelRatioF());
  }
};

QTEST_MAIN(TvChartTest)
#include "TvChartTest.moc"
