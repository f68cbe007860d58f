#pragma once
// TvChart: a chart view of a plot frame on QCustomPlot. It draws what its
// ChartViewLogic holds (a chromatogram as a line, a mass spectrum as
// sticks, the range bands, the cursor, the nearest-point marker), passes
// the mouse on to it, and holds the view's tool column and its data and
// peak tables. Large series are drawn with QCustomPlot's adaptive sampling,
// which draws per pixel column what can be seen there; no point is dropped
// from the data.
#include <QAbstractTableModel>
#include <QPointer>
#include <QWidget>
#include <string>

#include "core/processing/Peak.h"

class QCustomPlot;
class QCPGraph;
class QLabel;
class QCPItemStraightLine;
class QCPItemText;
class QCPItemTracer;
class QCPItemRect;
class QCPTextElement;
class QMouseEvent;
class QWheelEvent;
class QPushButton;
class QStackedWidget;
class QTableView;
class QToolButton;
class QVBoxLayout;

namespace sorrel {

class ChartViewLogic;
class PeakMarks;

// The data table or the peak table of a view, read from its logic.
class ViewTableModel : public QAbstractTableModel {
  Q_OBJECT
 public:
  ViewTableModel(bool peaks, QObject* parent) : QAbstractTableModel(parent), peaks_(peaks) {}
  void SetLogic(const ChartViewLogic* logic) { logic_ = logic; }
  void Refresh();
  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  int columnCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
  QVariant headerData(int section, Qt::Orientation orientation,
                      int role = Qt::DisplayRole) const override;

 private:
  bool peaks_;
  const ChartViewLogic* logic_ = nullptr;
};

class TvChart : public QWidget {
  Q_OBJECT
 public:
  explicit TvChart(QWidget* parent = nullptr);
  ~TvChart() override;

  // Shows `logic` (not owned; it outlives the view). `viewName` is the
  // view's accessible name ("Chromatogram", "Mass spectrum"), `tablePrefix`
  // that of its tables ("Chromatogram" data and peaks, "Mass" ...).
  void Bind(ChartViewLogic* logic, const QString& viewName, const QString& tablePrefix);
  ChartViewLogic* Logic() const { return logic_; }
  QCustomPlot* Plot() const { return plot_; }

  // Both axes to the whole series ("Expand", the undo of a zoom).
  void Expand();
  // Applies "Auto Y" to the left axis as the logic says.
  void ApplyAutoY();
  // The chart as a PNG picture on the clipboard.
  void CopyImage();
  // The chart editor; for a chromatogram the cursor is hidden meanwhile.
  void OpenChartEditor();
  // The view's appearance to and from a file (ChartAppearance). The
  // ranges, the cursor and the mode stay as they are. Loading a missing
  // file throws SorrelError "<file>- not found".
  void SaveToTemplate(const std::string& fileName);
  void LoadFromTemplate(const std::string& fileName);
  // The axis titles that follow the data (units of the chromatogram).
  void SetAxisTitles(const QString& bottom, const QString& left);
  // The scale of the chart as it is now (pixels per unit of each axis) and
  // the font size of the peak marks, for labels laid out to fit.
  ChartScale Scale() const;
  // The marks' labels as they are drawn: point index and text.
  std::vector<std::pair<int, QString>> MarkLabels() const;
  // The notes over points as they are drawn: point index and text.
  std::vector<std::pair<int, QString>> NoteLabels() const;

  // The view's tool column: the frame's tool buttons (Data Table, Smooth,
  // Baseline, Peaks) and the view's own (Expand, Auto Y, Zoom mode, Range
  // mode).
  QWidget* toolColumn = nullptr;
  QToolButton* tbDataTable = nullptr;
  QToolButton* tbSmooth = nullptr;
  QToolButton* tbBaseline = nullptr;
  QToolButton* tbPeaks = nullptr;
  QToolButton* tbExpand = nullptr;
  QToolButton* tbAutoY = nullptr;
  QToolButton* tbZoomMode = nullptr;
  QToolButton* tbRangeMode = nullptr;
  // The letters of the processing steps that made what the view shows.
  QLabel* lbStatus = nullptr;
  // Behind the chart: the tables and their buttons.
  QStackedWidget* stack = nullptr;
  QTableView* dataTable = nullptr;
  QTableView* peakTable = nullptr;
  QPushButton* bbSaveData = nullptr;
  QPushButton* bbCopyData = nullptr;
  QPushButton* bbSavePeaks = nullptr;
  QPushButton* bbCopyPeaks = nullptr;

 signals:
  // The right mouse button was released over the tool column, away from
  // the frame's buttons.
  void toolColumnMenuRequested(const QPoint& globalPos);
  // The right mouse button was released over "Data Table", "Smooth",
  // "Baseline" or "Peaks": the view's property page 0, 1, 2 or 3.
  void toolPageRequested(int page);
  // The view's hint changed (the part after "|" is for the status bar).
  void hintChanged(const QString& hint);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void Sync(unsigned changes);
  void SyncSeries();
  void SyncMode();
  void SyncMarks();
  void SyncCursor();
  void SyncMarker();
  void SyncTitles();
  void SyncTables();
  void SyncPeakMarks();
  void SyncNotes();
  void OnPress(QMouseEvent* e);
  void OnMove(QMouseEvent* e);
  void OnRelease(QMouseEvent* e);
  void OnDoubleClick(QMouseEvent* e);
  void OnWheel(QWheelEvent* e);
  void OnRectZoom(const QRect& rect, QMouseEvent* e);
  void AfterZoom();
  void ShowChartMenu(const QPoint& globalPos);
  void SaveTable(bool peaks);
  void CopyTable(bool peaks);
  bool InAxisRect(const QPointF& pos) const;
  QString AxisText(double x) const;
  void SetTextRow(QCPTextElement*& element, const QString& text, bool bold, int order);

  ChartViewLogic* logic_ = nullptr;
  QCustomPlot* plot_ = nullptr;
  QCPGraph* graph_ = nullptr;
  QCPTextElement* title_ = nullptr;
  QCPTextElement* subtitle_ = nullptr;
  QCPItemStraightLine* cursor_ = nullptr;
  QCPItemText* cursorLabel_ = nullptr;
  QCPItemTracer* tracer_ = nullptr;
  PeakMarks* marks_ = nullptr;
  PeakMarks* notes_ = nullptr;
  std::vector<QCPItemRect*> bands_;
  ViewTableModel* dataModel_ = nullptr;
  ViewTableModel* peakModel_ = nullptr;
  // Axes follow the data until the user zooms or scrolls.
  bool zoomed_ = false;
  bool everShown_ = false;
  // Right-button panning.
  bool panning_ = false;
  bool panMoved_ = false;
  QPointF panFrom_;
  QString hint_;
};

}  // namespace sorrel
