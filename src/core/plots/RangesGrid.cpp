#include "core/plots/RangesGrid.h"

#include <cmath>
#include <limits>

#include "core/common/NumberText.h"

namespace sorrel {

namespace {
const std::string kEmpty;

bool Blank(const std::string& s) {
  return TrimBlanks(s).empty();
}

// Half a unit of the last of the 7 significant digits that a cell shows of
// a value near v. A start or end written from a point's x (or typed) stands
// for every value written the same way: 105.51 for the retention time
// 105.510002, which is larger than 105.51 itself. Without this margin the
// point a range was dragged to would lie outside its own range.
double WrittenHalfUnit(double v) {
  if (v == 0 || !std::isfinite(v)) return 0;
  return 0.5 * std::pow(10.0, std::floor(std::log10(std::fabs(v))) - 6);
}
}  // namespace

RangesGrid::RangesGrid(int rowCount)
    : cells_(static_cast<size_t>(std::max(rowCount, 1)), std::vector<std::string>(kColumns)) {
  cells_[0][kWeight] = "W";
}

const std::string& RangesGrid::Cell(int col, int row) const {
  if (row < 0 || row >= RowCount() || col < 0 || col >= kColumns) return kEmpty;
  return cells_[static_cast<size_t>(row)][static_cast<size_t>(col)];
}

void RangesGrid::SetCell(int col, int row, std::string text) {
  if (row < 0 || row >= RowCount() || col < 0 || col >= kColumns) return;
  std::string& cell = cells_[static_cast<size_t>(row)][static_cast<size_t>(col)];
  if (cell == text) return;
  cell = std::move(text);
  Changed();
}

void RangesGrid::SetRow(int row, std::string start, std::string end, std::string weight) {
  if (row <= 0 || row >= RowCount()) return;
  auto& r = cells_[static_cast<size_t>(row)];
  r[kStart] = std::move(start);
  r[kEnd] = std::move(end);
  r[kWeight] = std::move(weight);
  Changed();
}

void RangesGrid::Changed() {
  if (OnChanged) OnChanged();
}

int RangesGrid::RangeNumber() const {
  for (int row = RowCount() - 1; row >= 1; --row)
    if (!Blank(Cell(kStart, row))) return row;
  return 0;
}

float RangesGrid::Weight(int row) const {
  // A weight is a 32-bit float like the intensities it multiplies; one that
  // does not fit counts as no weight given.
  if (auto w = ParseFloat32(Cell(kWeight, row))) return *w;
  return 1.0f;
}

int RangesGrid::IsInside(double x, bool chromatogram) const {
  for (int row = 1; row < RowCount(); ++row) {
    std::string_view start = TrimBlanks(Cell(kStart, row));
    if (start.empty()) break;
    auto s = ParseNumber(start);
    if (!s) continue;
    const std::string& end = Cell(kEnd, row);
    if (end == kSinglePoint) {
      if (chromatogram ? FormatValue(x) == start : std::fabs(x - *s) < 0.5) return row;
      continue;
    }
    auto e = ParseNumber(end);
    if (e && *s - WrittenHalfUnit(*s) <= x && x <= *e + WrittenHalfUnit(*e)) return row;
  }
  return -1;
}

void RangesGrid::Tidy(const std::function<std::optional<double>(double)>& nearestX) {
  const int last = RowCount() - 1;
  auto& c = cells_;
  auto start = [&c](int row) -> std::string& { return c[static_cast<size_t>(row)][kStart]; };
  auto end = [&c](int row) -> std::string& { return c[static_cast<size_t>(row)][kEnd]; };
  for (int row = last; row >= 1; --row) {
    auto s = ParseNumber(start(row));
    if (!s) {
      start(row).clear();
      continue;
    }
    if (Blank(end(row))) {
      end(row) = kSinglePoint;
      if (auto x = nearestX ? nearestX(*s) : std::nullopt) start(row) = FormatValue(*x);
    } else if (end(row) != kSinglePoint && !ParseNumber(end(row))) {
      start(row).clear();
    }
  }
  for (int row = last; row >= 1; --row)
    if (TrimBlanks(start(row)) == TrimBlanks(end(row))) end(row) = kSinglePoint;
  const int lastRange = RangeNumber();
  for (int row = 2; row <= lastRange; ++row) {
    std::string_view s = TrimBlanks(start(row));
    if (s.empty()) continue;
    for (int earlier = 1; earlier < row; ++earlier)
      if (TrimBlanks(start(earlier)) == s) {
        start(row).clear();
        break;
      }
  }
  int to = 1;
  for (int row = 1; row <= last; ++row) {
    if (Blank(start(row))) continue;
    if (to != row) c[static_cast<size_t>(to)] = c[static_cast<size_t>(row)];
    ++to;
  }
  for (int row = to; row <= last; ++row)
    c[static_cast<size_t>(row)].assign(kColumns, std::string());
  Changed();
}

void RangesGrid::ClearStarts() {
  bool any = false;
  for (int row = 1; row < RowCount(); ++row) {
    std::string& s = cells_[static_cast<size_t>(row)][kStart];
    any = any || !s.empty();
    s.clear();
  }
  if (any) Changed();
}

std::vector<WeightedRange> RangesGrid::Ranges(bool chromatogram,
                                              const std::vector<double>& xs) const {
  std::vector<WeightedRange> out;
  for (int row = 1; row < RowCount(); ++row) {
    std::string_view start = TrimBlanks(Cell(kStart, row));
    if (start.empty()) break;
    auto s = ParseNumber(start);
    if (!s) continue;
    const float w = Weight(row);
    const std::string& end = Cell(kEnd, row);
    if (end == kSinglePoint) {
      if (chromatogram) {
        // Only values within a few units of the 7th digit can be written
        // as the start; the text decides among those.
        const double near = 1e-5 * std::fabs(*s);
        for (double x : xs)
          if (std::fabs(x - *s) <= near && FormatValue(x) == start) out.push_back({x, x, w});
      } else {
        // |x - s| < 0.5 as a closed interval: s - 0.5 and s + 0.5 are exact
        // for every mass, so the neighbours inward are the bounds.
        const double inf = std::numeric_limits<double>::infinity();
        out.push_back({std::nextafter(*s - 0.5, inf), std::nextafter(*s + 0.5, -inf), w});
      }
      continue;
    }
    if (auto e = ParseNumber(end))
      out.push_back({*s - WrittenHalfUnit(*s), *e + WrittenHalfUnit(*e), w});
  }
  return out;
}

}  // namespace sorrel
