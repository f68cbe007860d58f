#include "gui/plots/QcpChart.h"

#include <qcustomplot.h>

#include <QApplication>
#include <QClipboard>
#include <cmath>

#include "core/common/NumberText.h"
#include "gui/plots/ChartAppearance.h"
#include "gui/widgets/QtText.h"

namespace sorrel {

// ---- axis

void QcpAxis::SetTitle(const std::string& title) {
  axis_->setLabel(Q(title));
}

void QcpAxis::SetMinMax(double min, double max) {
  automatic_ = false;
  axis_->setRange(min, max);
}

double QcpAxis::Minimum() const {
  return axis_->range().lower;
}
double QcpAxis::Maximum() const {
  return axis_->range().upper;
}

void QcpAxis::SetLabelFormat(const std::string& format) {
  // "g", "f" or "e" followed by the number of digits, as QCustomPlot takes it.
  if (format.empty()) return;
  axis_->setNumberFormat(Q(format.substr(0, 1)));
  if (format.size() > 1)
    if (auto digits = ParseInt32(format.substr(1))) axis_->setNumberPrecision(*digits);
}

void QcpAxis::SetStartEnd(double startPercent, double endPercent) {
  // QCustomPlot places axes by their rectangle; the visible share of the
  // axis is kept by padding the range.
  double lo = axis_->range().lower, hi = axis_->range().upper;
  double span = (hi - lo) / std::max(1e-9, (endPercent - startPercent) / 100.0);
  axis_->setRange(lo - span * startPercent / 100.0, lo - span * startPercent / 100.0 + span);
}

double QcpAxis::ValueToPixel(double value) const {
  return axis_->coordToPixel(value);
}
double QcpAxis::PixelToValue(double pixel) const {
  return axis_->pixelToCoord(pixel);
}
double QcpAxis::SpanToPixels(double span) const {
  return std::fabs(axis_->coordToPixel(axis_->range().lower + span) -
                   axis_->coordToPixel(axis_->range().lower));
}

// ---- series

QcpSeries::QcpSeries(QcpChartView& view, SeriesKind kind) : view_(view), kind_(kind) {
  QCustomPlot* plot = view.Plot();
  switch (kind) {
    case SeriesKind::Bar: {
      auto* bars = new QCPBars(plot->xAxis, plot->yAxis);
      bars->setWidthType(QCPBars::wtAbsolute);
      bars->setWidth(1);
      plottable_ = bars;
      break;
    }
    case SeriesKind::Point: {
      auto* g = plot->addGraph();
      g->setLineStyle(QCPGraph::lsNone);
      g->setScatterStyle(QCPScatterStyle(QCPScatterStyle::ssCircle, 5));
      plottable_ = g;
      break;
    }
    case SeriesKind::Line:
      plottable_ = plot->addGraph();
      break;
    case SeriesKind::Waterfall:
      plottable_ = new QCPCurve(plot->xAxis, plot->yAxis);
      break;
  }
}

QcpSeries::~QcpSeries() {
  for (auto* m : marks_)
    view_.Plot()->removeItem(m);
  if (plottable_) view_.Plot()->removePlottable(plottable_);
}

void QcpSeries::Clear() {
  x_.clear();
  y_.clear();
  z_.clear();
  labels_.clear();
  if (!updating_) Sync();
}

void QcpSeries::AddXY(double x, double y, const std::string& label) {
  x_.push_back(x);
  y_.push_back(y);
  z_.push_back(0);
  labels_.push_back(label);
  if (!updating_) Sync();
}

void QcpSeries::AddXYZ(double x, double y, double z) {
  x_.push_back(x);
  y_.push_back(y);
  z_.push_back(z);
  labels_.emplace_back();
  if (!updating_) Sync();
}

void QcpSeries::EndUpdate() {
  if (updating_ > 0 && --updating_ == 0) Sync();
}

void QcpSeries::Sync() {
  QVector<double> x(x_.begin(), x_.end()), y(y_.begin(), y_.end());
  if (auto* g = qobject_cast<QCPGraph*>(plottable_)) {
    g->setData(x, y);
  } else if (auto* b = qobject_cast<QCPBars*>(plottable_)) {
    b->setData(x, y);
  } else if (auto* c = qobject_cast<QCPCurve*>(plottable_)) {
    // A waterfall: each z slice drawn shifted up and to the right.
    QVector<double> wx, wy;
    for (size_t i = 0; i < x_.size(); ++i) {
      wx << x_[i] + z_[i] * 0.05 * (x_.empty() ? 1 : std::fabs(x_.back() - x_.front()) + 1);
      wy << y_[i] + z_[i];
    }
    c->setData(wx, wy);
  }
  for (auto* m : marks_)
    view_.Plot()->removeItem(m);
  marks_.clear();
  if (marksVisible_) {
    for (size_t i = 0; i < x_.size(); ++i) {
      std::string text = markText_ ? markText_(static_cast<int>(i)) : labels_[i];
      if (text.empty()) continue;
      auto* t = new QCPItemText(view_.Plot());
      t->setClipToAxisRect(true);
      t->position->setAxes(plottable_->keyAxis(), plottable_->valueAxis());
      t->position->setCoords(x_[i], y_[i]);
      t->setPositionAlignment(Qt::AlignBottom | Qt::AlignHCenter);
      QFont f = t->font();
      f.setPointSize(markFont_);
      t->setFont(f);
      t->setText(Q(text));
      marks_.push_back(t);
    }
  }
  view_.RescaleAutomatic();
  view_.Plot()->replot(QCustomPlot::rpQueuedReplot);
}

void QcpSeries::SetVisible(bool visible) {
  visible_ = visible;
  plottable_->setVisible(visible);
  for (auto* m : marks_)
    m->setVisible(visible);
  view_.Plot()->replot(QCustomPlot::rpQueuedReplot);
}

void QcpSeries::SetOnRightAxis(bool right) {
  QCustomPlot* plot = view_.Plot();
  if (right) plot->yAxis2->setVisible(true);
  plottable_->setValueAxis(right ? plot->yAxis2 : plot->yAxis);
  Sync();
}

void QcpSeries::SetMarks(std::function<std::string(int)> text, int fontSize) {
  markText_ = std::move(text);
  markFont_ = fontSize;
  Sync();
}

void QcpSeries::SetMarksVisible(bool visible) {
  marksVisible_ = visible;
  Sync();
}

// ---- view

QcpChartView::QcpChartView(QCustomPlot* plot)
    : plot_(plot), bottom_(plot->xAxis), left_(plot->yAxis), right_(plot->yAxis2) {
  plot_->setBackground(Qt::white);
  plot_->setInteractions(QCP::iRangeDrag | QCP::iRangeZoom);
  connect(plot_, &QCustomPlot::mouseMove, this, &QcpChartView::MouseMove);
  connect(plot_->xAxis, qOverload<const QCPRange&>(&QCPAxis::rangeChanged), this, [this] {
    if (OnZoom) OnZoom();
  });
  connect(plot_, &QCustomPlot::plottableClick, this,
          [this](QCPAbstractPlottable* p, int index, QMouseEvent*) {
            for (auto& s : series_)
              if (s->Plottable() == p && s->OnClick) s->OnClick(index);
          });
  connect(plot_, &QCustomPlot::plottableDoubleClick, this,
          [this](QCPAbstractPlottable* p, int index, QMouseEvent*) {
            for (auto& s : series_)
              if (s->Plottable() == p && s->OnDoubleClick) s->OnDoubleClick(index);
          });
}

QcpChartView::~QcpChartView() {
  series_.clear();
}

void QcpChartView::SetTitle(const std::string& title) {
  if (plot_->plotLayout()->rowCount() < 2 ||
      !qobject_cast<QCPTextElement*>(plot_->plotLayout()->element(0, 0))) {
    plot_->plotLayout()->insertRow(0);
    plot_->plotLayout()->addElement(0, 0, new QCPTextElement(plot_, Q(title)));
  } else {
    qobject_cast<QCPTextElement*>(plot_->plotLayout()->element(0, 0))->setText(Q(title));
  }
}

void QcpChartView::SetLegendVisible(bool visible) {
  plot_->legend->setVisible(visible);
}

ChartSeries* QcpChartView::AddSeries(SeriesKind kind) {
  series_.push_back(std::make_unique<QcpSeries>(*this, kind));
  return series_.back().get();
}

void QcpChartView::RemoveSeries(ChartSeries* series) {
  for (auto it = series_.begin(); it != series_.end(); ++it)
    if (it->get() == series) {
      series_.erase(it);
      plot_->replot(QCustomPlot::rpQueuedReplot);
      return;
    }
}

ChartAxis& QcpChartView::Axis(AxisSide side) {
  switch (side) {
    case AxisSide::Bottom:
      return bottom_;
    case AxisSide::Left:
      return left_;
    case AxisSide::Right:
      return right_;
  }
  return bottom_;
}

void QcpChartView::SetCursorX(double x) {
  if (!cursor_) {
    cursor_ = new QCPItemStraightLine(plot_);
    cursor_->setPen(QPen(Qt::red));
  }
  cursor_->point1->setCoords(x, 0);
  cursor_->point2->setCoords(x, 1);
  plot_->replot(QCustomPlot::rpQueuedReplot);
}

void QcpChartView::SetCursorVisible(bool visible) {
  if (cursor_) cursor_->setVisible(visible);
}

void QcpChartView::SetNearestPointActive(bool active) {
  nearestActive_ = active;
  if (tracer_) tracer_->setVisible(active);
}

void QcpChartView::MouseMove(QMouseEvent* event) {
  if (!nearestActive_ || series_.empty()) return;
  QcpSeries& s = *series_.front();
  if (s.Count() == 0) return;
  double x = plot_->xAxis->pixelToCoord(event->position().x());
  int best = 0;
  for (int i = 1; i < s.Count(); ++i)
    if (std::fabs(s.X(i) - x) < std::fabs(s.X(best) - x)) best = i;
  nearest_ = best;
  if (!tracer_) {
    tracer_ = new QCPItemTracer(plot_);
    tracer_->setStyle(QCPItemTracer::tsCircle);
  }
  tracer_->position->setCoords(s.X(best), s.Y(best));
  plot_->replot(QCustomPlot::rpQueuedReplot);
}

int QcpChartView::AddColorBand(double start, double end, unsigned color, int transparency) {
  auto* r = new QCPItemRect(plot_);
  r->topLeft->setTypeX(QCPItemPosition::ptPlotCoords);
  r->topLeft->setTypeY(QCPItemPosition::ptAxisRectRatio);
  r->bottomRight->setTypeX(QCPItemPosition::ptPlotCoords);
  r->bottomRight->setTypeY(QCPItemPosition::ptAxisRectRatio);
  r->topLeft->setCoords(start, 0);
  r->bottomRight->setCoords(end, 1);
  QColor c = QColor::fromRgb(static_cast<QRgb>(color));
  c.setAlpha(255 * (100 - std::clamp(transparency, 0, 100)) / 100);
  r->setBrush(QBrush(c, bands_.size() % 2 ? Qt::FDiagPattern : Qt::BDiagPattern));
  r->setPen(Qt::NoPen);
  bands_.push_back(r);
  plot_->replot(QCustomPlot::rpQueuedReplot);
  return static_cast<int>(bands_.size()) - 1;
}

void QcpChartView::ClearColorBands() {
  for (auto* r : bands_)
    plot_->removeItem(r);
  bands_.clear();
  plot_->replot(QCustomPlot::rpQueuedReplot);
}

void QcpChartView::SetAnnotation(const std::string& text) {
  if (!annotation_) {
    annotation_ = new QCPItemText(plot_);
    annotation_->position->setType(QCPItemPosition::ptAxisRectRatio);
    annotation_->position->setCoords(0.02, 0.02);
    annotation_->setPositionAlignment(Qt::AlignTop | Qt::AlignLeft);
  }
  annotation_->setText(Q(text));
  plot_->replot(QCustomPlot::rpQueuedReplot);
}

void QcpChartView::RescaleAutomatic() {
  if (bottom_.Automatic()) plot_->xAxis->rescale(true);
  if (left_.Automatic()) plot_->yAxis->rescale(true);
  if (right_.Automatic()) plot_->yAxis2->rescale(true);
}

void QcpChartView::UndoZoom() {
  RescaleAutomatic();
  plot_->replot();
}

void QcpChartView::CopyPictureToClipboard() {
  QApplication::clipboard()->setPixmap(plot_->toPixmap());
}

bool QcpChartView::SaveAppearance(const std::string& fileName) {
  try {
    SaveChartAppearance(*plot_, fileName, {bottom_.Automatic(), left_.Automatic()});
  } catch (const std::exception&) {
    return false;
  }
  return true;
}

bool QcpChartView::LoadAppearance(const std::string& fileName) {
  ChartAutoScale automatic;
  try {
    automatic = LoadChartAppearance(*plot_, fileName);
  } catch (const std::exception&) {
    return false;
  }
  // Fixed ranges stay as the file set them; the others follow the data.
  bottom_.SetAutomatic(automatic.bottom);
  left_.SetAutomatic(automatic.left);
  plot_->replot();
  return true;
}

void QcpChartView::Repaint() {
  plot_->replot();
}

}  // namespace sorrel
