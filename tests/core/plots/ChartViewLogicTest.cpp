// The chart view's logic: the nearest point, automatic Y scaling, the
// mouse in range and zoom mode with the ranges grid it writes, and the
// data and peak tables.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/plots/ChartViewLogic.h"
#include "core/plots/SpOpt.h"

using namespace sorrel;

namespace {

// A view over its own grid with a series; pixel = 10 * x, so that the
// drag threshold (4 pixels) is 0.4 on the axis.
struct View {
  RangesGrid grid{10};
  ChartViewLogic v;
  std::vector<int> selected;
  View(bool chromatogram, std::vector<double> x, std::vector<double> y) {
    v.Initialise(chromatogram, &grid);
    v.SetSeries(std::move(x), std::move(y));
    v.OnSelect = [this](int i) { selected.push_back(i); };
  }
  void Click(double x, bool shift = false) {
    v.Press(10 * x, x, false);
    v.Release(10 * x, x, shift);
  }
  void Drag(double from, double to) {
    v.Press(10 * from, from, false);
    for (double x = from; from < to ? x <= to : x >= to; x += from < to ? 0.25 : -0.25)
      v.Move(10 * x, x);
    v.Release(10 * to, to, false);
  }
  std::string Row(int r) const {
    return grid.Cell(0, r) + "|" + grid.Cell(1, r) + "|" + grid.Cell(2, r);
  }
};

std::vector<double> Range(double from, int n, double step = 1) {
  std::vector<double> v;
  for (int i = 0; i < n; ++i)
    v.push_back(from + step * i);
  return v;
}

}  // namespace

TEST(ChartViewLogic, ClosestVisiblePoint) {
  View w(true, {0, 1, 2, 3, 4, 5, 6, 7, 8, 9}, std::vector<double>(10, 1));
  EXPECT_EQ(w.v.GetClosestPoint(3.4), 3);
  EXPECT_EQ(w.v.GetClosestPoint(3.6), 4);
  EXPECT_EQ(w.v.GetClosestPoint(-50), 0);
  w.v.SetVisibleRange(2.5, 6.2);  // points 3 .. 6 are visible
  EXPECT_EQ(w.v.GetClosestPoint(0), 3);
  EXPECT_EQ(w.v.GetClosestPoint(9), 6);
  EXPECT_EQ(w.v.GetClosestPoint(5.2), 5);
  // One visible point is the nearest one (not "no point").
  w.v.SetVisibleRange(4.5, 5.5);
  EXPECT_EQ(w.v.GetClosestPoint(4.6), 5);
  w.v.SetVisibleRange(20, 30);
  EXPECT_EQ(w.v.GetClosestPoint(25), -1);
  // Uneven spacing: the estimate by interpolation is walked to the nearest.
  View u(false, {1, 1.1, 1.2, 50, 99, 100}, std::vector<double>(6, 1));
  EXPECT_EQ(u.v.GetClosestPoint(2), 2);
  EXPECT_EQ(u.v.GetClosestPoint(74), 3);
  EXPECT_EQ(u.v.GetClosestPoint(75), 4);
  EXPECT_EQ(View(true, {}, {}).v.GetClosestPoint(1), -1);
}

TEST(ChartViewLogic, AutoYScalesToTheVisiblePointsOrTheWholeSeries) {
  // Chromatogram: y = 10, 50, 30, 80, 20 at x = 0 .. 4.
  View c(true, Range(0, 5), {10, 50, 30, 80, 20});
  EXPECT_FALSE(c.v.AutoYRange({0, 100}));  // Auto Y up: nothing
  c.v.SetAutoY(true);
  c.v.SetFixY(false);
  c.v.SetVisibleRange(0, 3);  // x strictly inside: points 1 and 2
  auto r = c.v.AutoYRange({0, 100});
  ASSERT_TRUE(r);
  EXPECT_DOUBLE_EQ(r->lo, 30);
  EXPECT_DOUBLE_EQ(r->hi, 50 + 0.03 * 20);
  c.v.PeaksDown = true;
  EXPECT_DOUBLE_EQ(c.v.AutoYRange({0, 100})->hi, 50 + 0.12 * 20);
  // The search starts from the axis as it is: lowest from its maximum.
  EXPECT_DOUBLE_EQ(c.v.AutoYRange({0, 40})->lo, 30);
  EXPECT_DOUBLE_EQ(c.v.AutoYRange({0, 20})->lo, 20);
  // Fixed Y: the whole series, whatever is visible.
  c.v.SetFixY(true);
  r = c.v.AutoYRange({0, 100});
  EXPECT_DOUBLE_EQ(r->lo, 10);
  EXPECT_DOUBLE_EQ(r->hi, 80);
  EXPECT_DOUBLE_EQ(c.v.AutoYRange({90, 100})->lo, 10);
  EXPECT_DOUBLE_EQ(c.v.AutoYRange({90, 100})->hi, 100);  // 80 is not above 90

  // Sticks stand on the zero line: the axis keeps 0 so that no stick is cut.
  View m(false, {40, 41, 42}, {100, 300, 200});
  m.v.SetAutoY(true);
  m.v.SetFixY(false);
  EXPECT_DOUBLE_EQ(m.v.AutoYRange({0, 1000})->lo, 0);
  m.v.SetFixY(true);
  EXPECT_DOUBLE_EQ(m.v.AutoYRange({0, 1000})->lo, 0);
  EXPECT_DOUBLE_EQ(m.v.AutoYRange({0, 1000})->hi, 300);
  // Nothing to scale to: all y equal.
  View flat(true, Range(0, 3), {5, 5, 5});
  flat.v.SetAutoY(true);
  EXPECT_FALSE(flat.v.AutoYRange({0, 1}));
}

TEST(ChartViewLogic, ClicksInRangeModeMarkSinglePoints) {
  View w(false, {40, 41, 42, 43, 44, 45}, {1, 5, 2, 9, 3, 1});
  w.v.SetZoomMode(false);
  EXPECT_EQ(w.selected, std::vector<int>({-1}));  // the mode changed
  w.Click(41.2);
  EXPECT_EQ(w.Row(1), "41|-|1");
  ASSERT_EQ(w.v.RMarks().size(), 1u);
  EXPECT_EQ(w.v.RMarks()[0].start, 41);
  EXPECT_EQ(w.v.RMarks()[0].end, 42);  // a single point reaches to the next point
  // A click on a point already inside a range adds nothing.
  w.Click(40.8);
  EXPECT_EQ(w.grid.RangeNumber(), 1);
  // Shift takes the point under the nearest-point marker.
  w.v.SetNearestActive(true);
  w.v.TrackNearest(44.9);
  w.Click(43.1, true);
  EXPECT_EQ(w.Row(2), "45|-|1");
  EXPECT_EQ(w.v.RMarks()[1].end, 46);  // the last point: as wide as the step before
  EXPECT_EQ(w.selected, std::vector<int>({-1, -1, -1, -1}));
  // A press outside the visible points is ignored.
  w.v.SetVisibleRange(39, 42.5);
  w.Click(44);
  EXPECT_EQ(w.grid.RangeNumber(), 2);
  // Ctrl with a press clears the ranges first.
  w.v.Press(410, 41, true);
  EXPECT_EQ(w.grid.RangeNumber(), 0);
  EXPECT_TRUE(w.v.RMarks().empty());
}

TEST(ChartViewLogic, DraggingMarksARangeAndDraggingLeftRemovesIt) {
  View w(true, Range(0, 20), std::vector<double>(20, 1));
  w.v.SetZoomMode(false);
  w.Drag(3.2, 7.7);
  EXPECT_EQ(w.Row(1), "3|8|1");  // both ends on the points nearest
  ASSERT_EQ(w.v.RMarks().size(), 1u);
  EXPECT_EQ(w.v.RMarks()[0].end, 8);
  // A drag that starts inside a range makes none.
  w.Drag(5, 12);
  EXPECT_EQ(w.grid.RangeNumber(), 1);
  // A drag to the left is dropped on release, and the grid closes up.
  w.Drag(15, 11);
  EXPECT_EQ(w.grid.RangeNumber(), 1);
  EXPECT_EQ(w.v.RMarks().size(), 1u);
  // A small movement is a click, not a drag.
  w.v.Press(100, 10, false);
  w.v.Move(103, 10.3);
  w.v.Release(103, 10.3, false);
  EXPECT_EQ(w.Row(2), "10|-|1");
  // Leaving the chart ends a drag where the pointer was last.
  w.v.Press(140, 14, false);
  w.v.Move(160, 16);
  w.v.Move(171, 17.1);
  w.v.Leave();
  EXPECT_EQ(w.Row(3), "14|17|1");
  EXPECT_FALSE(w.v.ActiveMark());
}

TEST(ChartViewLogic, DoubleClickInRangeModeMarksThePeakAroundThePoint) {
  // The mean of all is 158 / 12 = 13.2; the points below twice that are
  // the nine 1s, whose mean 1 is the level. From x = 5 the walk goes down
  // to the first point not above the level on each side: x = 2 and x = 7.
  View w(true, Range(0, 12), {1, 1, 1, 30, 40, 50, 30, 1, 1, 1, 1, 1});
  w.v.SetZoomMode(false);
  // Qt sends press, release, double click, release.
  w.Click(5);
  EXPECT_EQ(w.Row(1), "5|-|1");
  w.v.DoubleClick(50, 5);
  w.v.Release(50, 5, false);
  EXPECT_EQ(w.Row(1), "2|7|1");
  EXPECT_EQ(w.grid.RangeNumber(), 1);
  EXPECT_EQ(w.v.RMarks()[0].end, 7);
  EXPECT_EQ(w.selected.back(), -1);
}

TEST(ChartViewLogic, ADoubleClickInsideARangeChangesThatRangeOnly) {
  // Two ranges; the double click lands in the first. Its first click adds
  // nothing (the point is in a range), and the peak replaces the range it
  // is in, not the last one.
  View w(true, Range(0, 12), {1, 1, 1, 30, 40, 50, 30, 1, 1, 1, 1, 1});
  w.v.SetZoomMode(false);
  w.grid.SetRow(1, "4", "5", "2");
  w.grid.SetRow(2, "9", "10", "1");
  w.v.UpdateFromTable();
  w.Click(5);
  w.v.DoubleClick(50, 5);
  w.v.Release(50, 5, false);
  EXPECT_EQ(w.Row(1), "2|7|1");
  EXPECT_EQ(w.Row(2), "9|10|1");
  EXPECT_EQ(w.grid.RangeNumber(), 2);
}

TEST(ChartViewLogic, ZoomModeMovesTheCursorOnAChromatogram) {
  View w(true, Range(100, 10), {1, 2, 3, 9, 4, 2, 1, 5, 7, 6});
  w.v.AxisText = [](double x) { return "t" + std::to_string(static_cast<int>(x)); };
  w.Click(104.2);
  EXPECT_EQ(w.v.CursorIndex(), 4);
  EXPECT_EQ(w.v.CursorLabel(), "t104");
  EXPECT_EQ(w.selected, std::vector<int>({4}));
  // The end of a zoom drag leaves the cursor.
  w.v.Press(1010, 101, false);
  w.v.Release(1070, 107, false);
  EXPECT_EQ(w.v.CursorIndex(), 4);
  // Outside the visible points: a hint, no move.
  w.v.SetVisibleRange(102, 108);
  w.Click(109);
  EXPECT_EQ(w.v.Hint(), "Out of range. Try again.");
  EXPECT_EQ(w.v.CursorIndex(), 4);
  // A double click climbs to the top of the peak it is on: from 105 (2,
  // lower than its left neighbour) leftwards to 103 (9); from 107 (5)
  // rightwards to 108 (7); on a top it stays.
  struct Case {
    double x;
    int top;
  } cases[] = {{105, 3}, {107, 8}, {103, 3}, {108, 8}};
  for (const Case& c : cases) {
    w.selected.clear();
    w.v.DoubleClick(10 * c.x, c.x);
    w.v.Release(10 * c.x, c.x, false);
    EXPECT_EQ(w.v.CursorIndex(), c.top) << c.x;
    EXPECT_EQ(w.selected, std::vector<int>({c.top})) << c.x;
  }
  // A mass view has no cursor: clicks select nothing.
  View m(false, Range(40, 5), {1, 2, 3, 4, 5});
  m.Click(42);
  EXPECT_TRUE(m.selected.empty());
  EXPECT_EQ(m.v.CursorIndex(), -1);
}

TEST(ChartViewLogic, ModeChangesTellTheFrameWithTheNewModeInPlace) {
  View w(false, Range(0, 3), {1, 2, 3});
  bool modeSeen = true;
  w.v.OnSelect = [&](int i) {
    w.selected.push_back(i);
    modeSeen = w.v.ZoomMode();
  };
  w.v.SetZoomMode(true);  // no change, no call
  EXPECT_TRUE(w.selected.empty());
  w.v.SetZoomMode(false);
  EXPECT_EQ(w.selected, std::vector<int>({-1}));
  EXPECT_FALSE(modeSeen);
  // A zoom of a mass view asks the frame again; of a chromatogram it does not.
  w.v.AfterZoomOrScroll();
  EXPECT_EQ(w.selected.size(), 2u);
  View c(true, Range(0, 3), {1, 2, 3});
  c.v.AfterZoomOrScroll();
  EXPECT_TRUE(c.selected.empty());
}

TEST(ChartViewLogic, NearestPointReadout) {
  View m(false, {43.96, 44.04, 45.25}, {1234.5, 99, 7});
  m.v.SetNearestActive(true);
  m.v.TrackNearest(44.1);
  EXPECT_EQ(m.v.NearestIndex(), 1);
  EXPECT_EQ(m.v.Subtitle(), "44 / 99");
  EXPECT_EQ(m.v.Hint(), "|Mass= 44 [amu]  Intens= 99");
  m.v.TrackNearest(45.2);
  // 45.25 to one decimal, halves to even.
  EXPECT_EQ(m.v.Subtitle(), "45.2 / 7");
  m.v.TrackNearest(43);
  EXPECT_EQ(m.v.Subtitle(), "44 / 1234.5");
  // New points: the readout of the old ones goes until the mouse moves.
  m.v.SetSeries({43.96, 44.04}, {5, 6});
  EXPECT_EQ(m.v.NearestIndex(), -1);
  EXPECT_EQ(m.v.Subtitle(), "");
  m.v.SetNearestActive(false);
  EXPECT_EQ(m.v.NearestIndex(), -1);
  // A chromatogram has no marker.
  View c(true, Range(0, 3), {1, 2, 3});
  c.v.SetNearestActive(true);
  EXPECT_FALSE(c.v.NearestActive());
}

TEST(ChartViewLogic, DataAndPeakTables) {
  tSpOpt opt("");
  View c(true, {0.12345, 1.5, 2.0004}, {3125, 1234567.8, 0});
  c.v.SpOpt = &opt;
  const char* headers[] = {" Index", " Ret.time[s]", " Ret.time[min]"};
  for (int units = 0; units < 3; ++units) {
    opt.oChrom.XUnits = units;
    EXPECT_EQ(c.v.DataHeader(0), headers[units]);
  }
  EXPECT_EQ(c.v.DataHeader(1), "  TIC/SIC");
  // x to 3 decimals, 7 significant digits.
  EXPECT_EQ(c.v.DataText(), "0.123\t3125\r\n1.5\t1234568\r\n2\t0\r\n");
  View m(false, {44.12346}, {9.5});
  m.v.SpOpt = &opt;
  EXPECT_EQ(m.v.DataHeader(0), " m/z");
  EXPECT_EQ(m.v.DataHeader(1), "  Ampl.");
  EXPECT_EQ(m.v.DataText(), "44.1235\t9.5\r\n");  // 4 decimals
  EXPECT_EQ(View(false, {}, {}).v.DataText(), "");

  // The peak table: shown only with a peak; 3 columns for the methods that
  // find no peak bounds.
  EXPECT_FALSE(m.v.PeakTableShown());
  EXPECT_EQ(m.v.PeakText(), "");
  m.v.Peaks.Add({44.1f, 9.5f, 43.5f, 44.5f, 2.25f, 0});
  EXPECT_TRUE(m.v.PeakTableShown());
  struct Case {
    bool chromatogram;
    int method;
    int columns;
  } cases[] = {{true, 0, 6}, {true, 1, 3}, {false, 0, 6}, {false, 1, 3}, {false, 2, 3}};
  for (const Case& k : cases) {
    opt.View(k.chromatogram).Peak.Method = k.method;
    ChartViewLogic& v = k.chromatogram ? c.v : m.v;
    v.Peaks.Clear();
    v.Peaks.Add({44.1f, 9.5f, 43.5f, 44.5f, 2.25f, 0});
    EXPECT_EQ(v.PeakColumns(), k.columns);
    EXPECT_EQ(v.PeakText(),
              k.columns == 6 ? "0\t44.1\t9.5\t43.5\t44.5\t2.25\r\n" : "0\t44.1\t9.5\r\n");
  }
  EXPECT_EQ(c.v.PeakHeader(1), " Ret.Time");
  EXPECT_EQ(m.v.PeakHeader(1), " m/z");
  EXPECT_EQ(m.v.PeakHeader(2), "  Ampl.");
}

TEST(ChartViewLogic, UpdateFromTableMarksTheTidiedRows) {
  View w(false, {40, 41, 42, 43, 44, 45}, std::vector<double>(6, 1));
  w.grid.SetRow(1, "42.2", "", "");
  w.grid.SetRow(2, "40", "41", "2");
  w.grid.SetRow(3, "42.2", "44", "");
  w.v.UpdateFromTable();
  EXPECT_EQ(w.Row(1), "42|-|");
  EXPECT_EQ(w.Row(2), "40|41|2");
  EXPECT_EQ(w.grid.RangeNumber(), 3);  // "42.2" is no longer the start of row 1
  ASSERT_EQ(w.v.RMarks().size(), 3u);
  EXPECT_EQ(w.v.RMarks()[0].start, 42);
  EXPECT_EQ(w.v.RMarks()[0].end, 43);
  EXPECT_EQ(w.v.RMarks()[2].end, 44);
  w.v.SelectMark(2);
  EXPECT_EQ(w.v.SelectedRow(), 2);
}
