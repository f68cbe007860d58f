// The ranges grid: which row holds a value, the weights, the tidying that
// the view runs when it takes the grid over, and the ranges the sums get.
#include <gtest/gtest.h>

#include <cmath>
#include <iomanip>
#include <optional>

#include "core/plots/RangesGrid.h"

using namespace sorrel;

namespace {

struct Row {
  const char* start;
  const char* end;
  const char* weight;
};

RangesGrid Grid(std::initializer_list<Row> rows, int rowCount = 10) {
  RangesGrid g(rowCount);
  int r = 1;
  for (const Row& row : rows)
    g.SetRow(r++, row.start, row.end, row.weight);
  return g;
}

std::vector<Row> Rows(const RangesGrid& g) {
  std::vector<Row> out;
  for (int r = 1; r < g.RowCount(); ++r)
    out.push_back({g.Cell(0, r).c_str(), g.Cell(1, r).c_str(), g.Cell(2, r).c_str()});
  return out;
}

}  // namespace

TEST(RangesGrid, IsInsideFindsTheFirstRowThatHoldsAValue) {
  // Row 1 a range, row 2 a start that is no number (passed over), row 3 a
  // single point, row 4 an overlapping range, then a blank start that ends
  // the ranges (row 6 is never looked at).
  RangesGrid g = Grid({{"10", "20", ""},
                       {"abc", "30", ""},
                       {"44", "-", ""},
                       {"15", "50", ""},
                       {"", "", ""},
                       {"100", "200", ""}});
  struct Case {
    double x;
    bool chromatogram;
    int row;
  } cases[] = {
      {10, false, 1},        {20, false, 1},   {15.5, false, 1}, {25, false, 4},
      {43.6, false, 3},  // mass view: |x - 44| < 0.5
      {44.4, false, 3},      {44.5, false, 4}, {43.5, false, 4}, {150, false, -1},
      {9.99, false, -1},     {44, true, 3},  // chromatogram: the text of x equals the start
      {44.0000001, true, 3},                 // written with 7 digits it is "44"
      {44.4, true, 4},       {60, true, -1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "x=" << c.x << " chrom=" << c.chromatogram);
    EXPECT_EQ(g.IsInside(c.x, c.chromatogram), c.row);
  }
}

TEST(RangesGrid, IsInsideAnswersFromTheGridAsItIsNow) {
  // Neither an earlier answer nor an earlier state of the grid counts.
  RangesGrid g = Grid({{"10", "20", ""}, {"12", "30", ""}});
  EXPECT_EQ(g.IsInside(25, false), 2);
  EXPECT_EQ(g.IsInside(15, false), 1);
  g.SetCell(RangesGrid::kEnd, 1, "12");
  EXPECT_EQ(g.IsInside(15, false), 2);
  g.SetRow(1, "", "", "");
  EXPECT_EQ(g.IsInside(15, false), -1);
}

TEST(RangesGrid, RangeNumberAndWeights) {
  RangesGrid g = Grid({{"1", "2", "2"},
                       {"3", "4", ""},
                       {"", "", "7"},
                       {"5", "6", "-1"},
                       {"7", "8", "abc"},
                       {"9", "10", "0"},
                       {" ", "", "1e40"}});
  EXPECT_EQ(g.RangeNumber(), 6);  // the blank row 3 does not end the count
  const float weights[] = {2, 1, 7, -1, 1, 0, 1};
  for (int r = 1; r <= 7; ++r)
    EXPECT_EQ(g.Weight(r), weights[r - 1]) << "row " << r;
  EXPECT_EQ(RangesGrid(5).RangeNumber(), 0);
  g.ClearStarts();
  EXPECT_EQ(g.RangeNumber(), 0);
  EXPECT_EQ(g.Cell(1, 1), "2");  // only the starts go
}

TEST(RangesGrid, TidyMakesSinglePointsAndDropsBadAndRepeatedRows) {
  // The visible points of the view are at 99.96, 100.3 and 200.
  auto nearest = [](double v) -> std::optional<double> {
    const double xs[] = {99.96, 100.3, 200};
    double best = xs[0];
    for (double x : xs)
      if (std::fabs(x - v) < std::fabs(best - v)) best = x;
    return best;
  };
  struct Case {
    const char* what;
    std::vector<Row> in;
    std::vector<Row> out;
  } cases[] = {
      {"a start without end snaps to the nearest point", {{"100", "", "1"}}, {{"99.96", "-", "1"}}},
      {"a start that is no number goes", {{"x", "5", "1"}, {"1", "2", "3"}}, {{"1", "2", "3"}}},
      {"an end that is no number takes its start along",
       {{"1", "zz", "1"}, {"3", "4", ""}},
       {{"3", "4", ""}}},
      {"equal start and end make a single point", {{"5", " 5", "2"}}, {{"5", "-", "2"}}},
      {"a repeated start goes and the rows below move up",
       {{"1", "2", "1"}, {"3", "4", "1"}, {"1", "9", "5"}, {"6", "7", "-1"}},
       {{"1", "2", "1"}, {"3", "4", "1"}, {"6", "7", "-1"}}},
      {"blank rows between ranges close up",
       {{"1", "2", "1"}, {"", "", ""}, {"", "8", "4"}, {"6", "7", "2"}},
       {{"1", "2", "1"}, {"6", "7", "2"}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    RangesGrid g(8);
    for (size_t i = 0; i < c.in.size(); ++i)
      g.SetRow(static_cast<int>(i) + 1, c.in[i].start, c.in[i].end, c.in[i].weight);
    g.Tidy(nearest);
    std::vector<Row> got = Rows(g);
    for (size_t i = 0; i < got.size(); ++i) {
      const Row want = i < c.out.size() ? c.out[i] : Row{"", "", ""};
      EXPECT_STREQ(got[i].start, want.start) << "row " << i + 1;
      EXPECT_STREQ(got[i].end, want.end) << "row " << i + 1;
      EXPECT_STREQ(got[i].weight, want.weight) << "row " << i + 1;
    }
  }
}

TEST(RangesGrid, TidyKeepsATypedStartWhenThereIsNoPoint) {
  RangesGrid g = Grid({{"100", "", ""}});
  g.Tidy([](double) { return std::nullopt; });
  EXPECT_EQ(g.Cell(0, 1), "100");
  EXPECT_EQ(g.Cell(1, 1), "-");
}

TEST(RangesGrid, RangesForTheSumsFollowTheRowsAndTheirWeights) {
  // Chromatogram in minutes: a single point is the points written as the
  // start, a range is closed at both ends, weights ride along.
  RangesGrid g = Grid({{"1.5", "-", "2"}, {"2", "3", ""}, {"q", "4", "9"}, {"5", "x", "1"}});
  const std::vector<double> xs = {1.0, 1.5, 1.5000001, 1.51, 2.0};
  std::vector<WeightedRange> r = g.Ranges(true, xs);
  ASSERT_EQ(r.size(), 3u);
  EXPECT_EQ(r[0].start, 1.5);
  EXPECT_EQ(r[0].end, 1.5);
  EXPECT_EQ(r[1].start, 1.5000001);  // "1.5" with 7 digits
  EXPECT_EQ(r[0].weight, 2.0f);
  EXPECT_EQ(r[2].start, 2.0 - 0.5e-6);  // every value written "2" .. "3"
  EXPECT_EQ(r[2].end, 3.0 + 0.5e-6);
  EXPECT_EQ(r[2].weight, 1.0f);

  // Mass view: a single point holds |m - 44| < 0.5, as IsInside says.
  RangesGrid m = Grid({{"44", "-", "3"}});
  std::vector<WeightedRange> mr = m.Ranges(false, {});
  ASSERT_EQ(mr.size(), 1u);
  for (double x : {43.5, 43.5000001, 44.0, 44.4999999, 44.5}) {
    const bool held = RangeOf(mr, x) == 0;
    EXPECT_EQ(held, m.IsInside(x, false) == 1) << x;
  }
  EXPECT_EQ(RangeOf(mr, 43.6), 0);
  EXPECT_EQ(RangeOf(mr, 44.5), -1);
}

TEST(RangesGrid, ARangeHoldsTheValuesWrittenAsItsEnds) {
  // A range dragged from the scan at 104.92 s to the one at 106.69 s holds
  // both: their retention times as 32-bit floats are 104.919998 and
  // 106.690002, written "104.92" and "106.69" with 7 digits. Values written
  // otherwise stay out.
  RangesGrid g = Grid({{"104.92", "106.69", ""}, {"1000", "2000", ""}});
  const std::vector<WeightedRange> r = g.Ranges(true, {});
  struct Case {
    double x;
    int row;  // 1-based grid row, -1 outside
  } cases[] = {
      {double(104.92f), 1}, {double(106.69f), 1}, {106.69004, 1}, {106.69006, -1},
      {104.91994, -1},      {999.9996, 2},        {2000.0004, 2}, {2000.0006, -1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << std::setprecision(10) << c.x);
    EXPECT_EQ(g.IsInside(c.x, true), c.row);
    EXPECT_EQ(g.IsInside(c.x, false), c.row);
    EXPECT_EQ(RangeOf(r, c.x), c.row < 0 ? -1 : c.row - 1);
  }
}
