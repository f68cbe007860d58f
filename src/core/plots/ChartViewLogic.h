#pragma once
// What a chart view does, over plain data: the view shows one series (a
// chromatogram as a line, or a mass spectrum as sticks) and lets the user
// select a point (zoom mode, with a cursor in a chromatogram view) or mark
// ranges of the x axis (range mode, kept in the frame's ranges grid and
// drawn as bands). It also answers which point is nearest, how the left
// axis is scaled automatically, and what the data and peak tables hold.
//
// The window gives it the series, the visible range of the bottom axis and
// the mouse (as values on the bottom axis and pixel positions) and draws
// what it reads back; the frame hears of selections through OnSelect.
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "core/plots/RangesGrid.h"
#include "core/processing/Peak.h"

namespace sorrel {

class tSpOpt;

struct AxisRange {
  double lo = 0;
  double hi = 1;
};

// A band on the bottom axis: the range of one grid row.
struct RangeMark {
  double start = 0;
  double end = 0;
  int row = 0;
};

class ChartViewLogic {
 public:
  // What changed, for the window to redraw (OnChanged).
  enum Change : unsigned {
    kSeries = 1,      // the points
    kMode = 2,        // zoom or range mode, Auto Y, fixed Y
    kMarks = 4,       // the bands or the selected band
    kCursor = 8,      // the cursor and its label
    kMarker = 16,     // the nearest-point marker and the readout
    kHint = 32,       // the hint
    kTables = 64,     // the data or peak table
    kChartVis = 128,  // chart or tables in front
    kTitle = 256,     // the chart's title
    kExpand = 512,    // both axes are to scale to the data again
    kPeaks = 1024,    // the peak marks (the peak list or their visibility)
    kDataRow = 2048,  // the data table's current row
    kNotes = 4096     // the notes over points (Notes)
  };

  // Sets the view up as a chromatogram view (line, cursor) or a mass view
  // (sticks, nearest-point marker) over the frame's ranges grid.
  void Initialise(bool chromatogram, RangesGrid* grid);
  bool ChromComp() const { return fChromComp; }
  // The frame's options: X units of the chromatogram, peak methods.
  const tSpOpt* SpOpt = nullptr;

  // ---- the series
  void SetSeries(std::vector<double> x, std::vector<double> y);
  void ClearSeries();
  const std::vector<double>& X() const { return x_; }
  const std::vector<double>& Y() const { return y_; }
  int Count() const { return static_cast<int>(x_.size()); }
  bool IsEmpty() const { return x_.empty(); }

  // ---- the visible part of the bottom axis
  void SetVisibleRange(double lo, double hi);
  // The first and last visible point; false when none is visible.
  bool VisibleSpan(int& first, int& last) const;
  // The visible point nearest to crX, -1 when no point is visible.
  int GetClosestPoint(double crX) const;
  // The range of the whole series (both axes scale to it, "Expand").
  // A stick spectrum stands on the zero line, so its range holds 0.
  AxisRange FullXRange() const;
  AxisRange FullYRange() const;

  // ---- modes
  bool ZoomMode() const { return fZoomMode; }
  void SetZoomMode(bool value);
  // After a zoom or scroll of the chart and after a click on a mode button.
  void AfterZoomOrScroll();
  bool FixY() const { return fFixY; }
  void SetFixY(bool value);
  bool AutoY() const { return fAutoY; }
  void SetAutoY(bool value);
  // The Peaks button of the view is down: Auto Y leaves more room above.
  bool PeaksDown = false;
  // Where "Auto Y" puts the left axis, given its current range; nothing
  // when it stays (Auto Y up, no point, or nothing to scale to).
  std::optional<AxisRange> AutoYRange(AxisRange left) const;
  bool ChartVis() const { return fChartVis; }
  // Brings the chart (true) or the tables (false) to the front; OnChartVis
  // hears of a change.
  void SetChartVis(bool value);
  // The cursor is shown in a chromatogram view in zoom mode; the bands in
  // range mode; the marker in a mass view while it is switched on.
  bool CursorActive() const { return fChromComp && fZoomMode; }
  bool MarksVisible() const { return !fZoomMode; }

  // ---- ranges
  RangesGrid& Grid() { return *grid_; }
  const RangesGrid& Grid() const { return *grid_; }
  int IsInside(double x) const;
  int RangeNumber() const;
  // Adds a band from StartPos to EndPos; when they are equal the band ends
  // at the point after the one at StartPos. Answers the band's index.
  int AddRMark(double StartPos, double EndPos);
  // The band of grid row Idx is drawn selected (-1: none).
  void SelectMark(int Idx);
  int SelectedRow() const { return selectedRow_; }
  // Tidies the grid (RangesGrid::Tidy) and marks its ranges anew.
  void UpdateFromTable();
  // Empties the grid and marks nothing.
  void ClearRanges();
  const std::vector<RangeMark>& RMarks() const { return marks_; }

  // ---- cursor (chromatogram view)
  int CursorIndex() const { return cursor_; }
  double CursorX() const { return cursorX_; }
  // Puts the cursor on point `index` (ignored outside the series).
  void SetCursorIndex(int index);
  // Puts the cursor at x, on the point nearest to it.
  void SetCursorAt(double x);
  const std::string& CursorLabel() const { return cursorLabel_; }

  // ---- nearest-point marker (mass view)
  bool NearestActive() const { return nearestOn_; }
  void SetNearestActive(bool on);
  int NearestIndex() const { return nearest_; }
  // The mouse is over the chart at x.
  void TrackNearest(double x);
  // The readout line under the title.
  const std::string& Subtitle() const { return subtitle_; }

  // ---- title and zoom
  const std::string& Title() const { return title_; }
  void SetTitle(std::string title);
  // Asks the window to scale both axes to the data ("Expand", undo zoom).
  void RequestExpand() { Notify(kExpand); }

  // ---- hint ("short|long": the part after "|" is for the status bar)
  const std::string& Hint() const { return hint_; }
  void SetHint(std::string hint);

  // ---- mouse: x is the value on the bottom axis, px its pixel position.
  // DragThreshold is the system's drag distance in pixels.
  double DragThreshold = 4;
  void Press(double px, double x, bool ctrl);
  void Move(double px, double x);
  // The pointer left the chart area: a drag in progress ends there.
  void Leave();
  void Release(double px, double x, bool shift);
  void DoubleClick(double px, double x);
  bool ActiveMark() const { return activeMark_; }
  double ActMarkPos() const { return actMarkPos_; }

  // ---- peak marks: a label at the point of each peak of Peaks, its text
  // from MarkText (none where the text is empty), shown while MarksShown.
  std::function<std::string(int index)> MarkText;
  bool MarksShown() const { return marksShown_; }
  void SetMarksShown(bool shown);
  // Peaks was filled anew: the marks and the peak table follow.
  void PeaksChanged() { Notify(kPeaks | kTables); }

  // ---- notes: a label over given points of the series, always shown
  // (the hits of a screening on the chromatogram). They stay while the
  // series is redrawn and go with it when it is cleared (another file).
  struct PointNote {
    int index = 0;  // the point's index in the series
    std::string text;
    friend bool operator==(const PointNote&, const PointNote&) = default;
  };
  void SetNotes(std::vector<PointNote> notes);
  const std::vector<PointNote>& Notes() const { return notes_; }

  // ---- tables
  tPeaks Peaks;
  // The data table's current row (a point index; -1 for none). The frame
  // selects it, the window follows the user's selection.
  int DataRow() const { return dataRow_; }
  void SelectDataRow(int row);
  void SetDataRowFromTable(int row) { dataRow_ = row; }
  int DataRows() const { return Count(); }
  std::string DataHeader(int col) const;
  std::string DataCell(int row, int col) const;
  // The peak table is shown (and its buttons work) only with a peak.
  bool PeakTableShown() const { return Peaks.Count() > 0; }
  int PeakColumns() const;
  int PeakRows() const { return Peaks.Count(); }
  std::string PeakHeader(int col) const;
  std::string PeakCell(int row, int col) const;
  // The rows as text: cells joined by tabs, each line ended by CR LF, no
  // header; empty with no row.
  std::string DataText() const;
  std::string PeakText() const;
  // The tables are to be filled anew (UpdateDataTable).
  void UpdateDataTable();

  // ---- told to the frame and the window
  // A point index selected by the user, or -1 after a change of mode or of
  // the ranges.
  std::function<void(int index)> OnSelect;
  std::function<void(unsigned changes)> OnChanged;
  // x written as the bottom axis writes its labels.
  std::function<std::string(double x)> AxisText;
  // The chart or the tables came to the front (the new ChartVis).
  std::function<void(bool chartVis)> OnChartVis;
  // A mouse button went down (true) or up (false) on the chart, after the
  // view's own handling of it.
  std::function<void(bool pressed)> OnButton;

 private:
  void Notify(unsigned changes);
  void Select(int index);
  double NearestX(double x) const;
  int NearestInSeries(double x) const;
  bool InsideSpan(double x) const;
  void MarkFromGrid();
  int NewRangeRow() const;
  double SinglePointEnd(double start) const;
  std::string AxisWrites(double x) const;
  void EndDrag(double x);
  void ReleaseOnView(double px, double x, bool shift);
  void ClickInRangeMode(double x, bool shift);

  bool fChromComp = false;
  bool fZoomMode = true;
  bool fFixY = true;
  bool fAutoY = false;
  bool fChartVis = true;
  bool marksShown_ = false;
  int dataRow_ = -1;
  RangesGrid* grid_ = nullptr;
  RangesGrid ownGrid_{2};
  std::vector<double> x_, y_;
  bool sorted_ = true;
  double visLo_ = 0, visHi_ = 0;
  bool visSet_ = false;
  std::vector<RangeMark> marks_;
  std::vector<PointNote> notes_;
  int selectedRow_ = -1;
  int cursor_ = -1;
  double cursorX_ = 0;
  std::string cursorLabel_;
  bool nearestOn_ = false;
  int nearest_ = -1;
  std::string subtitle_, hint_, title_;
  // Mouse state: the press (pixel and value), the range being dragged out
  // and its grid row, and whether the next release ends a double click.
  bool activeMark_ = false;
  double actMarkPos_ = -1;
  bool pressed_ = false;
  double pressPx_ = 0;
  double pressX_ = 0;
  double lastX_ = 0;
  bool dragged_ = false;
  int dragRow_ = -1;
  bool afterDoubleClick_ = false;
};

}  // namespace sorrel
