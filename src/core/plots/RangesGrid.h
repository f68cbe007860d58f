#pragma once
// The ranges grid of a chart view: a header row, then one range per row as
// the user typed it or the chart wrote it. Column 0 is the start, column 1
// the end, or "-" for a single point, column 2 the weight. The ranges end at
// the first row whose start cell is blank. The view marks its ranges from
// this grid, the frame sums scans or builds ion chromatograms over them, and
// the window shows and edits the same cells.
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "core/plots/Extraction.h"

namespace sorrel {

class RangesGrid {
 public:
  static constexpr int kStart = 0;
  static constexpr int kEnd = 1;
  static constexpr int kWeight = 2;
  static constexpr int kColumns = 3;
  // The end cell of a single-point range.
  static constexpr const char* kSinglePoint = "-";

  // A grid of `rowCount` rows, the header included; column 2's header is
  // "W".
  explicit RangesGrid(int rowCount = 50);

  int RowCount() const { return static_cast<int>(cells_.size()); }
  // Cells are addressed (column, row); row 0 is the header. Outside the
  // grid a cell reads as empty and writing it does nothing.
  const std::string& Cell(int col, int row) const;
  void SetCell(int col, int row, std::string text);
  // Writes the three cells of a row at once (one change).
  void SetRow(int row, std::string start, std::string end, std::string weight);

  // The highest-numbered row whose start cell is not blank; 0 when none.
  int RangeNumber() const;
  // The weight of a row: the number in its weight cell, 1 when the cell
  // does not parse (an empty cell included).
  float Weight(int row) const;

  // The row whose range holds x, or -1. Rows are visited from the top and
  // the visit stops at the first blank start; a start that does not parse
  // is passed over. A single-point row holds x in a chromatogram view when
  // x written in the short number format equals the start cell's text, in
  // a mass view when |x - start| < 0.5; any other row when its end parses
  // and x lies from start to end, both ends taken as the cells write them:
  // a value written as the end text (7 significant digits) is inside. Where
  // ranges overlap, the first row answers, whatever was asked before.
  int IsInside(double x, bool chromatogram) const;

  // Tidies the grid as the view does when it takes the grid over:
  //   1. a start that parses with a blank end becomes a single point at the
  //      x of the point nearest to it (`nearestX`; the start stays as typed
  //      when there is no point); a start that does not parse is cleared,
  //      and so is the start of a row whose end neither parses nor is "-";
  //   2. a row whose start equals its end becomes a single point;
  //   3. a start equal to the start of an earlier row is cleared;
  //   4. rows with a blank start are removed, the rows below moving up.
  void Tidy(const std::function<std::optional<double>(double)>& nearestX);

  // Empties column 0 of every row below the header: no range is left.
  void ClearStarts();

  // The ranges as the sums take them, in row order: a range from start to
  // end (each widened by half a unit of its 7th significant digit, as
  // IsInside takes them), a single point of a mass view as the half-open
  // unit around its start, a single point of a chromatogram as the points of
  // `xs` whose short format equals the start. Rows that hold nothing are
  // left out.
  std::vector<WeightedRange> Ranges(bool chromatogram, const std::vector<double>& xs) const;

  // Told after every change of a cell (once per operation).
  std::function<void()> OnChanged;

 private:
  void Changed();
  std::vector<std::vector<std::string>> cells_;  // [row][column]
};

}  // namespace sorrel
