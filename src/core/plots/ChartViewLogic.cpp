#include "core/plots/ChartViewLogic.h"

#include <algorithm>
#include <cmath>

#include "core/common/NumberText.h"
#include "core/plots/SpOpt.h"

namespace sorrel {

namespace {

// x rounded to `decimals` decimals, halves to even (the rounding of the
// data tables and readouts).
double RoundDecimals(double x, int decimals) {
  const double scale = std::pow(10.0, decimals);
  const double scaled = x * scale;
  if (!std::isfinite(scaled)) return x;
  return std::nearbyint(scaled) / scale;
}

}  // namespace

void ChartViewLogic::Initialise(bool chromatogram, RangesGrid* grid) {
  fChromComp = chromatogram;
  grid_ = grid ? grid : &ownGrid_;
  marks_.clear();
  selectedRow_ = -1;
  Peaks.Clear();
  nearestOn_ = false;
  nearest_ = -1;
  activeMark_ = false;
  actMarkPos_ = -1;
  pressed_ = false;
  Notify(kSeries | kMode | kMarks | kCursor | kMarker);
}

void ChartViewLogic::Notify(unsigned changes) {
  if (OnChanged) OnChanged(changes);
}

void ChartViewLogic::Select(int index) {
  if (OnSelect) OnSelect(index);
}

// ---- series and visible span

void ChartViewLogic::SetSeries(std::vector<double> x, std::vector<double> y) {
  const size_t n = std::min(x.size(), y.size());
  x.resize(n);
  y.resize(n);
  x_ = std::move(x);
  y_ = std::move(y);
  sorted_ = std::is_sorted(x_.begin(), x_.end());
  // The marker and its readout belong to the points that were shown; they
  // come back with the next move of the mouse.
  nearest_ = -1;
  subtitle_.clear();
  if (cursor_ >= 0) {
    // The cursor stays where it was on the axis, on the point now there.
    cursor_ = NearestInSeries(cursorX_);
    if (cursor_ >= 0) cursorX_ = x_[static_cast<size_t>(cursor_)];
  }
  Notify(kSeries | kCursor | kMarker);
}

void ChartViewLogic::ClearSeries() {
  x_.clear();
  y_.clear();
  cursor_ = -1;
  nearest_ = -1;
  subtitle_.clear();
  notes_.clear();
  Notify(kSeries | kCursor | kMarker | kNotes);
}

void ChartViewLogic::SetNotes(std::vector<PointNote> notes) {
  notes_ = std::move(notes);
  Notify(kNotes);
}

void ChartViewLogic::SetVisibleRange(double lo, double hi) {
  visLo_ = std::min(lo, hi);
  visHi_ = std::max(lo, hi);
  visSet_ = true;
}

bool ChartViewLogic::VisibleSpan(int& first, int& last) const {
  const int n = Count();
  if (n == 0) return false;
  if (!visSet_) {
    first = 0;
    last = n - 1;
    return true;
  }
  if (sorted_) {
    first = static_cast<int>(std::lower_bound(x_.begin(), x_.end(), visLo_) - x_.begin());
    last = static_cast<int>(std::upper_bound(x_.begin(), x_.end(), visHi_) - x_.begin()) - 1;
  } else {
    first = -1;
    last = -1;
    for (int i = 0; i < n; ++i)
      if (x_[static_cast<size_t>(i)] >= visLo_ && x_[static_cast<size_t>(i)] <= visHi_) {
        if (first < 0) first = i;
        last = i;
      }
  }
  return first >= 0 && first <= last && last < n;
}

int ChartViewLogic::GetClosestPoint(double crX) const {
  int first = 0, last = 0;
  if (!VisibleSpan(first, last)) return -1;
  const double x0 = x_[static_cast<size_t>(first)], x1 = x_[static_cast<size_t>(last)];
  // With one visible point (or all at one x) that point is the nearest.
  if (x0 == x1) return first;
  double guess = first + (crX - x0) / (x1 - x0) * (last - first);
  guess = std::clamp(guess, static_cast<double>(first), static_cast<double>(last));
  int i = static_cast<int>(std::lround(guess));
  auto dist = [&](int k) { return std::fabs(x_[static_cast<size_t>(k)] - crX); };
  while (i > first && dist(i - 1) < dist(i))
    --i;
  while (i < last && dist(i + 1) < dist(i))
    ++i;
  return i;
}

int ChartViewLogic::NearestInSeries(double x) const {
  const int n = Count();
  if (n == 0) return -1;
  if (sorted_) {
    int i = static_cast<int>(std::lower_bound(x_.begin(), x_.end(), x) - x_.begin());
    if (i >= n) return n - 1;
    if (i > 0 &&
        std::fabs(x_[static_cast<size_t>(i) - 1] - x) <= std::fabs(x_[static_cast<size_t>(i)] - x))
      return i - 1;
    return i;
  }
  int best = 0;
  for (int i = 1; i < n; ++i)
    if (std::fabs(x_[static_cast<size_t>(i)] - x) < std::fabs(x_[static_cast<size_t>(best)] - x))
      best = i;
  return best;
}

double ChartViewLogic::NearestX(double x) const {
  int i = GetClosestPoint(x);
  if (i < 0) i = NearestInSeries(x);
  return i < 0 ? x : x_[static_cast<size_t>(i)];
}

bool ChartViewLogic::InsideSpan(double x) const {
  int first = 0, last = 0;
  if (!VisibleSpan(first, last)) return false;
  return x >= x_[static_cast<size_t>(first)] && x <= x_[static_cast<size_t>(last)];
}

AxisRange ChartViewLogic::FullXRange() const {
  if (x_.empty()) return {0, 1};
  auto [lo, hi] = std::minmax_element(x_.begin(), x_.end());
  double a = *lo, b = *hi;
  if (a == b) return {a - 0.5, b + 0.5};
  // Sticks at the ends of the spectrum stay off the frame of the chart.
  const double pad = fChromComp ? 0.0 : 0.01 * (b - a);
  return {a - pad, b + pad};
}

AxisRange ChartViewLogic::FullYRange() const {
  if (y_.empty()) return {0, 1};
  auto [lo, hi] = std::minmax_element(y_.begin(), y_.end());
  double a = *lo, b = *hi;
  if (!fChromComp) a = std::min(a, 0.0);
  if (a == b) return {a - 1, b + 1};
  return {a, b + 0.05 * (b - a)};
}

// ---- modes

void ChartViewLogic::SetZoomMode(bool value) {
  const bool changed = value != fZoomMode;
  // The mode is stored before the frame hears of the change, so that what
  // it recomputes follows the new mode.
  fZoomMode = value;
  activeMark_ = false;
  Notify(kMode | kMarks | kCursor);
  if (changed) Select(-1);
}

void ChartViewLogic::AfterZoomOrScroll() {
  actMarkPos_ = -1;
  Notify(kMode | kCursor);
  if (!fChromComp) Select(-1);
}

void ChartViewLogic::SetFixY(bool value) {
  fFixY = value;
  Notify(kMode);
}

void ChartViewLogic::SetAutoY(bool value) {
  fAutoY = value;
  Notify(kMode);
}

void ChartViewLogic::SetChartVis(bool value) {
  if (fChartVis == value) return;
  fChartVis = value;
  Notify(kChartVis);
  if (OnChartVis) OnChartVis(value);
}

void ChartViewLogic::SetMarksShown(bool shown) {
  if (marksShown_ == shown) return;
  marksShown_ = shown;
  Notify(kPeaks);
}

void ChartViewLogic::SelectDataRow(int row) {
  dataRow_ = row >= 0 && row < Count() ? row : -1;
  Notify(kDataRow);
}

std::optional<AxisRange> ChartViewLogic::AutoYRange(AxisRange left) const {
  if (!fAutoY || y_.empty()) return std::nullopt;
  if (!fFixY) {
    // The visible points: x strictly inside the bottom axis.
    double lowest = left.hi, highest = left.lo;
    for (size_t i = 0; i < x_.size(); ++i) {
      if (visSet_ && !(x_[i] > visLo_ && x_[i] < visHi_)) continue;
      lowest = std::min(lowest, y_[i]);
      highest = std::max(highest, y_[i]);
    }
    // Sticks stand on the zero line: scaling must not cut the smaller ones
    // off below the axis.
    if (!fChromComp) lowest = std::min(lowest, 0.0);
    if (!(lowest < highest)) return std::nullopt;
    return AxisRange{lowest, highest + (PeaksDown ? 0.12 : 0.03) * (highest - lowest)};
  }
  auto [mn, mx] = std::minmax_element(y_.begin(), y_.end());
  double smallest = *mn, largest = *mx;
  if (!fChromComp) smallest = std::min(smallest, 0.0);
  if (!(smallest < largest)) return std::nullopt;
  AxisRange out = left;
  if (smallest < left.hi) out.lo = smallest;
  if (largest > left.lo) out.hi = largest;
  return out;
}

// ---- ranges

int ChartViewLogic::IsInside(double x) const {
  return grid_ ? grid_->IsInside(x, fChromComp) : -1;
}

int ChartViewLogic::RangeNumber() const {
  return grid_ ? grid_->RangeNumber() : 0;
}

double ChartViewLogic::SinglePointEnd(double start) const {
  const int i = NearestInSeries(start);
  if (i < 0) return start;
  const size_t k = static_cast<size_t>(i);
  if (k + 1 < x_.size()) return x_[k + 1];
  // The last point: a band as wide as the step before it.
  if (k > 0) return start + (x_[k] - x_[k - 1]);
  return start;
}

int ChartViewLogic::AddRMark(double StartPos, double EndPos) {
  const double end = EndPos == StartPos ? SinglePointEnd(StartPos) : EndPos;
  marks_.push_back({StartPos, end, static_cast<int>(marks_.size()) + 1});
  Notify(kMarks);
  return static_cast<int>(marks_.size()) - 1;
}

void ChartViewLogic::MarkFromGrid() {
  marks_.clear();
  if (!grid_) return;
  for (int row = 1; row < grid_->RowCount(); ++row) {
    std::string_view start = TrimBlanks(grid_->Cell(RangesGrid::kStart, row));
    if (start.empty()) break;
    auto s = ParseNumber(start);
    if (!s) continue;
    const std::string& endCell = grid_->Cell(RangesGrid::kEnd, row);
    double end = *s;
    if (endCell == RangesGrid::kSinglePoint)
      end = SinglePointEnd(*s);
    else if (auto e = ParseNumber(endCell))
      end = *e;
    marks_.push_back({*s, end, row});
  }
  Notify(kMarks);
}

void ChartViewLogic::SelectMark(int Idx) {
  selectedRow_ = Idx;
  Notify(kMarks);
}

void ChartViewLogic::UpdateFromTable() {
  if (!grid_) return;
  selectedRow_ = -1;
  grid_->Tidy([this](double s) -> std::optional<double> {
    const int i = GetClosestPoint(s);
    if (i < 0) return std::nullopt;
    return x_[static_cast<size_t>(i)];
  });
  MarkFromGrid();
}

void ChartViewLogic::ClearRanges() {
  if (!grid_) return;
  grid_->ClearStarts();
  UpdateFromTable();
}

int ChartViewLogic::NewRangeRow() const {
  const int row = RangeNumber() + 1;
  return grid_ && row < grid_->RowCount() ? row : -1;
}

// ---- cursor, marker, hint

std::string ChartViewLogic::AxisWrites(double x) const {
  return AxisText ? AxisText(x) : FormatValue(x);
}

void ChartViewLogic::SetCursorIndex(int index) {
  if (index < 0 || index >= Count()) return;
  cursor_ = index;
  cursorX_ = x_[static_cast<size_t>(index)];
  cursorLabel_ = AxisWrites(cursorX_);
  Notify(kCursor);
}

void ChartViewLogic::SetCursorAt(double x) {
  SetCursorIndex(NearestInSeries(x));
}

void ChartViewLogic::SetNearestActive(bool on) {
  nearestOn_ = on && !fChromComp;
  if (!nearestOn_) nearest_ = -1;
  Notify(kMarker);
}

void ChartViewLogic::TrackNearest(double x) {
  if (!nearestOn_) return;
  const int i = GetClosestPoint(x);
  if (i == nearest_) return;
  nearest_ = i;
  if (i >= 0) {
    const std::string mz = FormatValue(RoundDecimals(x_[static_cast<size_t>(i)], 1));
    const std::string intensity = FormatValue(y_[static_cast<size_t>(i)]);
    subtitle_ = mz + " / " + intensity;
    hint_ = "|Mass= " + mz + " [amu]" + "  Intens= " + intensity;
  }
  Notify(kMarker | kHint);
}

void ChartViewLogic::SetTitle(std::string title) {
  title_ = std::move(title);
  Notify(kTitle);
}

void ChartViewLogic::SetHint(std::string hint) {
  hint_ = std::move(hint);
  Notify(kHint);
}

// ---- mouse

void ChartViewLogic::Press(double px, double x, bool ctrl) {
  if (ctrl) {
    // Ctrl and a press start afresh: the view's ranges go first.
    ClearRanges();
    Select(-1);
  }
  pressed_ = true;
  pressPx_ = px;
  lastX_ = x;
  dragged_ = false;
  if (IsEmpty()) return;
  if ((!fZoomMode || fChromComp) && InsideSpan(x)) {
    actMarkPos_ = px;
    pressX_ = x;
    if (!fZoomMode) activeMark_ = false;
  }
  if (OnButton) OnButton(true);
}

void ChartViewLogic::Move(double px, double x) {
  lastX_ = x;
  if (fZoomMode || IsEmpty()) return;
  if (activeMark_) {
    for (RangeMark& m : marks_)
      if (m.row == dragRow_ && x > m.start) {
        m.end = x;
        grid_->SetCell(RangesGrid::kEnd, dragRow_, FormatValue(NearestX(x)));
        grid_->SetCell(RangesGrid::kWeight, dragRow_, "1");
        Notify(kMarks);
      }
    return;
  }
  if (actMarkPos_ < 0 || dragged_ || std::fabs(px - actMarkPos_) <= DragThreshold) return;
  dragged_ = true;
  const double start = NearestX(pressX_);
  const int row = NewRangeRow();
  if (IsInside(start) >= 0 || row < 0) {
    actMarkPos_ = -1;  // a press inside a range (or a full grid) starts no range
    return;
  }
  grid_->SetRow(row, FormatValue(start), "", "");
  MarkFromGrid();
  dragRow_ = row;
  activeMark_ = true;
}

void ChartViewLogic::EndDrag(double x) {
  const int row = dragRow_;
  const double endX = NearestX(x);
  auto s = ParseNumber(grid_->Cell(RangesGrid::kStart, row));
  const double startX = s ? NearestX(*s) : endX;
  activeMark_ = false;
  dragRow_ = -1;
  if (startX > endX) {
    // Dragged to the left: the range goes.
    grid_->SetRow(row, "", "", "");
    UpdateFromTable();
    return;
  }
  const std::string start = FormatValue(startX), end = FormatValue(endX);
  grid_->SetRow(row, start, start == end ? RangesGrid::kSinglePoint : end, "1");
  MarkFromGrid();
}

void ChartViewLogic::ClickInRangeMode(double x, bool shift) {
  const int i = shift && nearest_ >= 0 ? nearest_ : GetClosestPoint(x);
  if (i < 0) return;
  const double px = x_[static_cast<size_t>(i)];
  const int row = NewRangeRow();
  if (IsInside(px) >= 0 || row < 0) return;
  grid_->SetRow(row, FormatValue(px), RangesGrid::kSinglePoint, "1");
  MarkFromGrid();
}

void ChartViewLogic::Leave() {
  if (!activeMark_) return;
  EndDrag(lastX_);
  actMarkPos_ = -1;
  pressed_ = false;
  Select(-1);
}

void ChartViewLogic::Release(double px, double x, bool shift) {
  ReleaseOnView(px, x, shift);
  if (OnButton) OnButton(false);
}

void ChartViewLogic::ReleaseOnView(double px, double x, bool shift) {
  const bool wasPressed = pressed_;
  pressed_ = false;
  if (afterDoubleClick_) {
    afterDoubleClick_ = false;
    return;
  }
  if (IsEmpty() || !wasPressed) return;
  if (!fZoomMode) {
    const bool remembered = activeMark_ || actMarkPos_ >= 0;
    if (activeMark_)
      EndDrag(x);
    else if (actMarkPos_ >= 0 && !dragged_)
      ClickInRangeMode(x, shift);
    activeMark_ = false;
    actMarkPos_ = -1;
    if (remembered) Select(-1);
    return;
  }
  if (!CursorActive()) return;
  // The end of a zoom drag moves nothing.
  if (std::fabs(px - pressPx_) > DragThreshold) return;
  if (!InsideSpan(x)) {
    SetHint("Out of range. Try again.");
    return;
  }
  const int i = GetClosestPoint(x);
  if (i < 0) return;
  SetCursorIndex(i);
  Select(i);
}

void ChartViewLogic::DoubleClick(double px, double x) {
  afterDoubleClick_ = true;
  if (IsEmpty()) return;
  const int n = Count();
  if (!fZoomMode) {
    // The peak around the click: the points above the level of the noise,
    // the mean of the intensities below twice the mean of them all.
    double sum = 0;
    for (double y : y_)
      sum += y;
    const double mean = sum / n;
    double below = 0;
    int count = 0;
    for (double y : y_)
      if (y < 2 * mean) {
        below += y;
        ++count;
      }
    const double level = count > 0 ? below / count : mean;
    const int i = GetClosestPoint(x);
    if (i < 0) return;
    int left = i, right = i;
    while (left > 0 && y_[static_cast<size_t>(left)] > level)
      --left;
    while (right < n - 2 && y_[static_cast<size_t>(right)] > level)
      ++right;
    const int last = RangeNumber();
    if (last >= 2) {
      auto same = [this](int col, int a, int b) {
        return TrimBlanks(grid_->Cell(col, a)) == TrimBlanks(grid_->Cell(col, b));
      };
      if (same(RangesGrid::kStart, last - 1, last) &&
          grid_->Cell(RangesGrid::kEnd, last - 1) == RangesGrid::kSinglePoint &&
          grid_->Cell(RangesGrid::kEnd, last) == RangesGrid::kSinglePoint)
        grid_->SetRow(last, "", "", "");
    }
    // The range that the first click of the double click made (or the one
    // the point lies in) becomes the peak's; without one a new row.
    int row = IsInside(x_[static_cast<size_t>(i)]);
    if (row < 0) row = NewRangeRow();
    if (row < 0) return;
    grid_->SetRow(row, FormatValue(x_[static_cast<size_t>(left)]),
                  FormatValue(x_[static_cast<size_t>(right)]), "1");
    MarkFromGrid();
    Select(-1);
    return;
  }
  if (!fChromComp || n <= 2) return;
  int i = GetClosestPoint(x);
  if (i < 0) return;
  // Climb to the top of the peak: towards the higher neighbour, while the
  // next point is higher.
  const int dir = (i == 0 || y_[static_cast<size_t>(i)] >= y_[static_cast<size_t>(i) - 1]) ? 1 : -1;
  while (i + dir >= 0 && i + dir < n &&
         y_[static_cast<size_t>(i + dir)] > y_[static_cast<size_t>(i)])
    i += dir;
  SetCursorIndex(i);
  Select(i);
}

// ---- tables

std::string ChartViewLogic::DataHeader(int col) const {
  if (!fChromComp) return col == 0 ? " m/z" : "  Ampl.";
  if (col == 1) return "  TIC/SIC";
  switch (SpOpt ? SpOpt->oChrom.XUnits : 0) {
    case 1:
      return " Ret.time[s]";
    case 2:
      return " Ret.time[min]";
    default:
      return " Index";
  }
}

std::string ChartViewLogic::DataCell(int row, int col) const {
  if (row < 0 || row >= Count()) return {};
  const size_t k = static_cast<size_t>(row);
  if (col == 0) return FormatValue(RoundDecimals(x_[k], fChromComp ? 3 : 4));
  return FormatValue(y_[k]);
}

int ChartViewLogic::PeakColumns() const {
  const int method = SpOpt ? SpOpt->View(fChromComp).Peak.Method : 0;
  const bool short3 = fChromComp ? method == 1 : (method == 1 || method == 2);
  return short3 ? 3 : 6;
}

std::string ChartViewLogic::PeakHeader(int col) const {
  switch (col) {
    case 0:
      return " Index";
    case 1:
      return fChromComp ? " Ret.Time" : " m/z";
    case 2:
      return fChromComp ? "  TIC/SIC" : "  Ampl.";
    case 3:
      return "  Left";
    case 4:
      return "  Right";
    case 5:
      return "  Area";
    default:
      return {};
  }
}

std::string ChartViewLogic::PeakCell(int row, int col) const {
  if (row < 0 || row >= Peaks.Count() || col < 0 || col >= PeakColumns()) return {};
  const tPeak& p = Peaks.bPeaks[static_cast<size_t>(row)];
  switch (col) {
    case 0:
      return std::to_string(p.Index);
    case 1:
      return FormatValue(p.X);
    case 2:
      return FormatValue(p.Y);
    case 3:
      return FormatValue(p.Left);
    case 4:
      return FormatValue(p.Right);
    default:
      return FormatValue(p.Area);
  }
}

std::string ChartViewLogic::DataText() const {
  std::string out;
  for (int row = 0; row < DataRows(); ++row)
    out += DataCell(row, 0) + '\t' + DataCell(row, 1) + "\r\n";
  return out;
}

std::string ChartViewLogic::PeakText() const {
  std::string out;
  if (!PeakTableShown()) return out;
  const int cols = PeakColumns();
  for (int row = 0; row < PeakRows(); ++row) {
    for (int col = 0; col < cols; ++col) {
      if (col > 0) out += '\t';
      out += PeakCell(row, col);
    }
    out += "\r\n";
  }
  return out;
}

void ChartViewLogic::UpdateDataTable() {
  Notify(kTables);
}

}  // namespace sorrel
