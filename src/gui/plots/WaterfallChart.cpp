#include "gui/plots/WaterfallChart.h"

#include <qcustomplot.h>

#include <QApplication>
#include <QClipboard>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>

namespace sorrel {

namespace {

QToolButton* ToolButton(QWidget* parent, const QString& caption, const QString& hint) {
  auto* b = new QToolButton(parent);
  b->setText(caption);
  b->setAccessibleName(caption);
  b->setObjectName(caption);
  b->setToolTip(hint);
  b->setToolButtonStyle(Qt::ToolButtonTextOnly);
  return b;
}

}  // namespace

WaterfallChart::WaterfallChart(QWidget* parent) : QWidget(parent) {
  setAccessibleName("Waterfall");
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  auto* bar = new QHBoxLayout();
  tbExpand = ToolButton(this, "Expand", "Show every trace whole");
  tbCopy = ToolButton(this, "Copy Image", "Copy the chart to the clipboard as a picture");
  bar->addWidget(tbExpand);
  bar->addWidget(tbCopy);
  bar->addStretch(1);
  layout->addLayout(bar);
  plot_ = new QCustomPlot(this);
  plot_->setAccessibleName("Waterfall chart");
  plot_->setBackground(Qt::white);
  plot_->setInteractions(QCP::iRangeDrag | QCP::iRangeZoom);
  plot_->xAxis->setLabel("m/z");
  plot_->yAxis->setLabel("Intensity (each scan on its own baseline)");
  layout->addWidget(plot_, 1);
  connect(tbExpand, &QToolButton::clicked, this, [this] { Expand(); });
  connect(tbCopy, &QToolButton::clicked, this,
          [this] { QApplication::clipboard()->setImage(plot_->toPixmap().toImage()); });
}

void WaterfallChart::SetTraces(const std::vector<PlotFrame::WaterfallTrace>& traces) {
  plot_->clearPlottables();
  plot_->clearItems();
  scans_.clear();
  const PlotFrame::WaterfallLayout layout = PlotFrame::LayOutWaterfall(traces);
  const double lowX = layout.LowX, highX = layout.HighX;
  // Drawn from the back, so that the front traces lie over the ones behind.
  for (size_t k = traces.size(); k-- > 0;) {
    const auto& t = traces[k];
    const double dx = layout.StepX * static_cast<double>(k),
                 dy = layout.StepY * static_cast<double>(k);
    auto* curve = new QCPCurve(plot_->xAxis, plot_->yAxis);
    curve->setName(QString("Scan %1").arg(t.scan));
    const double hue =
        traces.size() > 1 ? 0.66 * (1.0 - double(k) / double(traces.size() - 1)) : 0.66;
    curve->setPen(QPen(QColor::fromHsvF(static_cast<float>(hue), 0.9f, 0.75f), 1));
    QVector<QCPCurveData> data;
    data.reserve(static_cast<qsizetype>(3 * t.points.size() + 2));
    double tIndex = 0;
    data.append(QCPCurveData(tIndex++, lowX + dx, dy));
    for (const dPoint& p : t.points) {
      // A stick from the trace's baseline.
      data.append(QCPCurveData(tIndex++, p[0] + dx, dy));
      data.append(QCPCurveData(tIndex++, p[0] + dx, dy + p[1]));
      data.append(QCPCurveData(tIndex++, p[0] + dx, dy));
    }
    data.append(QCPCurveData(tIndex++, highX + dx, dy));
    curve->data()->set(data, true);
    auto* label = new QCPItemText(plot_);
    label->position->setCoords(highX + dx, dy);
    label->setPositionAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    label->setText(QString::number(t.scan));
    label->setFont(QFont(font().family(), 7));
    label->setClipToAxisRect(false);
  }
  for (const auto& t : traces)
    scans_.push_back(t.scan);
  Expand();
}

void WaterfallChart::Expand() {
  plot_->rescaleAxes();
  const QCPRange x = plot_->xAxis->range();
  // Room right of the last trace for its scan number.
  plot_->xAxis->setRange(x.lower, x.upper + 0.05 * x.size());
  plot_->replot(QCustomPlot::rpQueuedReplot);
}

}  // namespace sorrel
