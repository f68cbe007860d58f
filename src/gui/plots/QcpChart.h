#pragma once
// The charting operations of the core over QCustomPlot.
#include <QObject>
#include <memory>
#include <vector>

#include "core/common/ChartHooks.h"

class QCustomPlot;
class QCPAxis;
class QCPItemStraightLine;
class QCPItemTracer;
class QCPItemText;
class QCPItemRect;
class QCPAbstractPlottable;
class QMouseEvent;

namespace sorrel {

class QcpAxis : public ChartAxis {
 public:
  explicit QcpAxis(QCPAxis* axis) : axis_(axis) {}
  void SetTitle(const std::string& title) override;
  void SetAutomatic(bool automatic) override { automatic_ = automatic; }
  bool Automatic() const { return automatic_; }
  void SetMinMax(double min, double max) override;
  double Minimum() const override;
  double Maximum() const override;
  void SetLabelFormat(const std::string& format) override;
  void SetStartEnd(double startPercent, double endPercent) override;
  double ValueToPixel(double value) const override;
  double PixelToValue(double pixel) const override;
  double SpanToPixels(double span) const override;
  QCPAxis* Raw() const { return axis_; }

 private:
  QCPAxis* axis_;
  bool automatic_ = true;
};

class QcpChartView;

class QcpSeries : public ChartSeries {
 public:
  QcpSeries(QcpChartView& view, SeriesKind kind);
  ~QcpSeries() override;
  void Clear() override;
  void AddXY(double x, double y, const std::string& label = std::string()) override;
  void AddXYZ(double x, double y, double z) override;
  void BeginUpdate() override { ++updating_; }
  void EndUpdate() override;
  int Count() const override { return static_cast<int>(x_.size()); }
  double X(int index) const override { return x_.at(static_cast<size_t>(index)); }
  double Y(int index) const override { return y_.at(static_cast<size_t>(index)); }
  void SetVisible(bool visible) override;
  bool Visible() const override { return visible_; }
  void SetOnRightAxis(bool right) override;
  void SetMarks(std::function<std::string(int)> text, int fontSize) override;
  void SetMarksVisible(bool visible) override;
  QCPAbstractPlottable* Plottable() const { return plottable_; }
  // Refills the plottable and the marks from the points.
  void Sync();

 private:
  QcpChartView& view_;
  SeriesKind kind_;
  QCPAbstractPlottable* plottable_ = nullptr;
  std::vector<double> x_, y_, z_;
  std::vector<std::string> labels_;
  std::vector<QCPItemText*> marks_;
  std::function<std::string(int)> markText_;
  int markFont_ = 8;
  bool marksVisible_ = false;
  bool visible_ = true;
  int updating_ = 0;
};

class QcpChartView : public QObject, public ChartView {
  Q_OBJECT
 public:
  explicit QcpChartView(QCustomPlot* plot);
  ~QcpChartView() override;
  void SetTitle(const std::string& title) override;
  void SetLegendVisible(bool visible) override;
  ChartSeries* AddSeries(SeriesKind kind) override;
  void RemoveSeries(ChartSeries* series) override;
  int SeriesCount() const override { return static_cast<int>(series_.size()); }
  ChartSeries* Series(int index) override { return series_.at(static_cast<size_t>(index)).get(); }
  ChartAxis& Axis(AxisSide side) override;
  void SetCursorX(double x) override;
  void SetCursorVisible(bool visible) override;
  void SetNearestPointActive(bool active) override;
  int AddColorBand(double start, double end, unsigned color, int transparency) override;
  void ClearColorBands() override;
  void SetAnnotation(const std::string& text) override;
  void UndoZoom() override;
  void CopyPictureToClipboard() override;
  bool SaveAppearance(const std::string& fileName) override;
  bool LoadAppearance(const std::string& fileName) override;
  void Repaint() override;

  QCustomPlot* Plot() const { return plot_; }
  // The index of the series point nearest to the marker, or -1.
  int NearestIndex() const { return nearest_; }

 private:
  void MouseMove(QMouseEvent* event);
  void RescaleAutomatic();
  QCustomPlot* plot_;
  QcpAxis bottom_, left_, right_;
  std::vector<std::unique_ptr<QcpSeries>> series_;
  QCPItemStraightLine* cursor_ = nullptr;
  QCPItemTracer* tracer_ = nullptr;
  QCPItemText* annotation_ = nullptr;
  std::vector<QCPItemRect*> bands_;
  bool nearestActive_ = false;
  int nearest_ = -1;
  friend class QcpSeries;
};

}  // namespace sorrel
