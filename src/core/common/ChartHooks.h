#pragma once
// The charting operations that the plot and workbench logic needs. The core
// draws through these interfaces; the desktop program implements them over
// its charting component, tests over plain data.
#include <functional>
#include <memory>
#include <string>

namespace sorrel {

enum class SeriesKind { Line, Point, Bar, Waterfall };

class ChartSeries {
 public:
  virtual ~ChartSeries() = default;
  virtual void Clear() = 0;
  virtual void AddXY(double x, double y, const std::string& label = std::string()) = 0;
  // Waterfall series take a third coordinate.
  virtual void AddXYZ(double x, double y, double z) = 0;
  // Many additions between BeginUpdate and EndUpdate redraw once.
  virtual void BeginUpdate() = 0;
  virtual void EndUpdate() = 0;
  virtual int Count() const = 0;
  virtual double X(int index) const = 0;
  virtual double Y(int index) const = 0;
  virtual void SetVisible(bool visible) = 0;
  virtual bool Visible() const = 0;
  virtual void SetOnRightAxis(bool right) = 0;
  // Per-point marks: the text of point `index` comes from the callback.
  virtual void SetMarks(std::function<std::string(int index)> text, int fontSize) = 0;
  virtual void SetMarksVisible(bool visible) = 0;
  // Click and double click on a point report its index.
  std::function<void(int index)> OnClick;
  std::function<void(int index)> OnDoubleClick;
};

enum class AxisSide { Bottom, Left, Right };

class ChartAxis {
 public:
  virtual ~ChartAxis() = default;
  virtual void SetTitle(const std::string& title) = 0;
  virtual void SetAutomatic(bool automatic) = 0;
  virtual void SetMinMax(double min, double max) = 0;
  virtual double Minimum() const = 0;
  virtual double Maximum() const = 0;
  virtual void SetLabelFormat(const std::string& format) = 0;
  // Start and end of the axis along the chart, in percent.
  virtual void SetStartEnd(double startPercent, double endPercent) = 0;
  // Value <-> pixel position, and a value span in pixels.
  virtual double ValueToPixel(double value) const = 0;
  virtual double PixelToValue(double pixel) const = 0;
  virtual double SpanToPixels(double span) const = 0;
};

class ChartView {
 public:
  virtual ~ChartView() = default;
  virtual void SetTitle(const std::string& title) = 0;
  virtual void SetLegendVisible(bool visible) = 0;
  virtual ChartSeries* AddSeries(SeriesKind kind) = 0;
  virtual void RemoveSeries(ChartSeries* series) = 0;
  virtual int SeriesCount() const = 0;
  virtual ChartSeries* Series(int index) = 0;
  virtual ChartAxis& Axis(AxisSide side) = 0;
  // Tools: vertical cursor, nearest-point marker, colour bands on the
  // bottom axis (colour as 0xRRGGBB, transparency 0..100 percent), and an
  // annotation text.
  virtual void SetCursorX(double x) = 0;
  virtual void SetCursorVisible(bool visible) = 0;
  virtual void SetNearestPointActive(bool active) = 0;
  virtual int AddColorBand(double start, double end, unsigned color, int transparency) = 0;
  virtual void ClearColorBands() = 0;
  virtual void SetAnnotation(const std::string& text) = 0;
  // Zoom with undo; a picture of the chart to the clipboard; appearance
  // saved to and loaded from a file.
  virtual void UndoZoom() = 0;
  virtual void CopyPictureToClipboard() = 0;
  virtual bool SaveAppearance(const std::string& fileName) = 0;
  virtual bool LoadAppearance(const std::string& fileName) = 0;
  virtual void Repaint() = 0;
  // Told when the user zooms or scrolls.
  std::function<void()> OnZoom;
};

}  // namespace sorrel
