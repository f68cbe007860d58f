// The charting operations over QCustomPlot: series data, axes, tools,
// appearance files.
#include <qcustomplot.h>

#include <QtTest>

#include "gui/plots/QcpChart.h"

using namespace sorrel;

class ChartTest : public QObject {
  Q_OBJECT
 private slots:
  void seriesHoldTheirPointsAndDrawThemOncePerUpdate() {
    QCustomPlot plot;
    plot.resize(400, 300);
    QcpChartView view(&plot);
    ChartSeries* bars = view.AddSeries(SeriesKind::Bar);
    bars->BeginUpdate();
    for (int m = 40; m < 50; ++m)
      bars->AddXY(m, m * 2);
    auto* qbars = qobject_cast<QCPBars*>(static_cast<QcpSeries*>(bars)->Plottable());
    QCOMPARE(qbars->data()->size(), 0);  // not drawn inside the update
    bars->EndUpdate();
    QCOMPARE(qbars->data()->size(), 10);
    QCOMPARE(bars->Count(), 10);
    QCOMPARE(bars->Y(3), 86.0);
    // Automatic axes take the data range.
    QVERIFY(view.Axis(AxisSide::Bottom).Minimum() <= 40);
    QVERIFY(view.Axis(AxisSide::Bottom).Maximum() >= 49);
    bars->Clear();
    QCOMPARE(qbars->data()->size(), 0);
    QCOMPARE(view.SeriesCount(), 1);
    view.RemoveSeries(bars);
    QCOMPARE(view.SeriesCount(), 0);
    QCOMPARE(plot.plottableCount(), 0);
  }

  void fixedAxesConvertBetweenValuesAndPixels() {
    QCustomPlot plot;
    plot.resize(400, 300);
    QcpChartView view(&plot);
    view.AddSeries(SeriesKind::Line)->AddXY(5, 5);
    ChartAxis& x = view.Axis(AxisSide::Bottom);
    x.SetMinMax(0, 100);
    plot.replot();
    QCOMPARE(x.Minimum(), 0.0);
    QCOMPARE(x.Maximum(), 100.0);
    double p10 = x.ValueToPixel(10), p60 = x.ValueToPixel(60);
    QVERIFY(p60 > p10);
    QVERIFY(qAbs(x.PixelToValue(p60) - 60) < 1e-9);
    QVERIFY(qAbs(x.SpanToPixels(50) - (p60 - p10)) < 1e-9);
  }

  void marksComeFromTheCallback() {
    QCustomPlot plot;
    QcpChartView view(&plot);
    ChartSeries* s = view.AddSeries(SeriesKind::Line);
    for (int i = 0; i < 5; ++i)
      s->AddXY(i, i);
    s->SetMarks([](int i) { return i == 2 ? std::string("peak") : std::string(); }, 9);
    s->SetMarksVisible(true);
    int texts = 0;
    for (int i = 0; i < plot.itemCount(); ++i)
      if (auto* t = qobject_cast<QCPItemText*>(plot.item(i))) {
        ++texts;
        QCOMPARE(t->text(), QString("peak"));
      }
    QCOMPARE(texts, 1);
  }

  void appearanceFilesBringBackWhatWasSaved() {
    QTemporaryDir dir;
    QString file = dir.filePath("look.ini");
    {
      QCustomPlot plot;
      QcpChartView view(&plot);
      view.AddSeries(SeriesKind::Line)->AddXY(1, 1);
      view.Axis(AxisSide::Bottom).SetTitle("m/z");
      view.Axis(AxisSide::Left).SetMinMax(-5, 50);
      QVERIFY(view.SaveAppearance(file.toStdString()));
    }
    QCustomPlot plot;
    QcpChartView view(&plot);
    view.AddSeries(SeriesKind::Line)->AddXY(1, 1);
    QVERIFY(view.LoadAppearance(file.toStdString()));
    QCOMPARE(plot.xAxis->label(), QString("m/z"));
    QCOMPARE(view.Axis(AxisSide::Left).Minimum(), -5.0);
    QCOMPARE(view.Axis(AxisSide::Left).Maximum(), 50.0);
    QVERIFY(!view.LoadAppearance(dir.filePath("missing.ini").toStdString()));
  }

  void bandsCursorAndAnnotationAreItems() {
    QCustomPlot plot;
    QcpChartView view(&plot);
    int before = plot.itemCount();
    QCOMPARE(view.AddColorBand(1, 2, 0xFF0000, 20), 0);
    QCOMPARE(view.AddColorBand(3, 4, 0xFF0000, 20), 1);
    view.SetCursorX(5);
    view.SetAnnotation("note");
    QCOMPARE(plot.itemCount(), before + 4);
    view.ClearColorBands();
    QCOMPARE(plot.itemCount(), before + 2);
  }
};

QTEST_MAIN(ChartTest)
#include "ChartTest.moc"
