#include "core/processing/Peak.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <utility>

#include "core/common/Errors.h"
#include "core/processing/Convolve.h"
#include "core/processing/SavitzkyGolay.h"

namespace sorrel {

bool operator==(const tPeak& a, const tPeak& b) {
  return a.X == b.X && a.Y == b.Y && a.Left == b.Left && a.Right == b.Right && a.Area == b.Area &&
         a.Index == b.Index;
}

int tPeaks::Add(const tPeak& wPeak) {
  bPeaks.push_back(wPeak);
  return Count();
}

bool tPeaks::Delete(int Idx) {
  if (Idx < 0 || Idx >= Count()) return false;
  bPeaks.erase(bPeaks.begin() + Idx);
  return true;
}

tPeak tPeaks::GetPeaks(int Index) const {
  if (Index < 0 || Index >= Count()) throw SorrelError("Wrong index");
  return bPeaks[static_cast<size_t>(Index)];
}

void tPeaks::SetPeaks(int Index, const tPeak& Value) {
  if (Index < 0 || Index >= Count()) return;
  bPeaks[static_cast<size_t>(Index)] = Value;
}

namespace {

template <typename Pick>
float Extreme(const std::vector<tPeak>& v, Pick pick, bool largest) {
  if (v.empty()) return 0.0f;
  float r = pick(v.front());
  for (const tPeak& p : v)
    r = largest ? std::max(r, pick(p)) : std::min(r, pick(p));
  return r;
}

}  // namespace

float tPeaks::MinX() const {
  return Extreme(
      bPeaks, [](const tPeak& p) { return p.X; }, false);
}
float tPeaks::MaxX() const {
  return Extreme(
      bPeaks, [](const tPeak& p) { return p.X; }, true);
}
float tPeaks::MinY() const {
  return Extreme(
      bPeaks, [](const tPeak& p) { return p.Y; }, false);
}
float tPeaks::MaxY() const {
  return Extreme(
      bPeaks, [](const tPeak& p) { return p.Y; }, true);
}

namespace {

using Index = std::ptrdiff_t;

double Xd(const tXYarray& s, Index i) {
  return s[static_cast<size_t>(i)][0];
}
double Yd(const tXYarray& s, Index i) {
  return s[static_cast<size_t>(i)][1];
}

float ToFloat(double v, const char* what) {
  const float f = static_cast<float>(v);
  if (!std::isfinite(f))
    throw MathError(std::string("Floating point overflow in peak detection: ") + what +
                    " exceeds the range of a 32-bit float");
  return f;
}

// Trapezoid area of the points lo .. hi less the trapezoid under the
// straight line joining the two end points.
float PeakArea(const tXYarray& s, Index lo, Index hi) {
  double sum = 0;
  for (Index m = lo; m < hi; ++m)
    sum += (Xd(s, m + 1) - Xd(s, m)) * (Yd(s, m) + Yd(s, m + 1)) / 2.0;
  sum -= (Xd(s, hi) - Xd(s, lo)) * (Yd(s, lo) + Yd(s, hi)) / 2.0;
  return ToFloat(sum, "a peak area");
}

void StandardPeaks(const tXYarray& s, int64_t sw, std::vector<tPeak>& found) {
  const Index n = static_cast<Index>(s.size());
  if (n < 3) return;  // no step to measure the threshold on
  const double steps = detail::LaneSum(0, static_cast<size_t>(n - 2), [&s](size_t i) {
    return std::fabs(static_cast<double>(s[i + 1][1]) - s[i][1]);
  });
  const double thr = 0.4 * static_cast<double>(sw) * (steps / static_cast<double>(n - 2));

  Index i = 0;
  while (i <= n - 3) {
    if (!(Yd(s, i + 1) - Yd(s, i) > thr)) {
      ++i;
      continue;
    }
    // Apex: the next strict local maximum.
    Index j = i;
    while (j <= n - 3 && !(Yd(s, j) < Yd(s, j + 1) && Yd(s, j + 1) > Yd(s, j + 2)))
      ++j;
    if (j > n - 3) break;  // the signal rises (or stays flat) to the end: no further peak
    tPeak p;
    p.Left = s[static_cast<size_t>(i)][0];
    p.X = s[static_cast<size_t>(j + 1)][0];
    p.Y = s[static_cast<size_t>(j + 1)][1];
    p.Index = static_cast<int32_t>(j + 1);
    // End: the signal has settled at a distance of half the rise, or the
    // point lies more than twice the rise away from the apex.
    const double w = std::fabs(static_cast<double>(p.X) - p.Left);
    Index k = j + 1;
    for (; k <= n - 3; ++k) {
      const double d = std::fabs(Xd(s, k + 1) - p.X);
      if ((std::fabs(Yd(s, k + 1) - Yd(s, k)) < thr && d > w / 2) || d > 2 * w) break;
    }
    if (k > n - 3) k = n - 2;  // no end before the last point: the peak ends there
    p.Right = s[static_cast<size_t>(k + 1)][0];
    p.Area = PeakArea(s, i, k + 1);
    found.push_back(p);
    i = k + 1;
  }
}

using DerivFn = bool (*)(const dPoint*, dPoint*, const int64_t*, double, size_t, size_t, bool);

DerivFn DerivFor(int m) {
  switch (m) {
    case 2:
      return detail::ConvolveY<2, false>;
    case 3:
      return detail::ConvolveY<3, false>;
    case 4:
      return detail::ConvolveY<4, false>;
    case 5:
      return detail::ConvolveY<5, false>;
    case 6:
      return detail::ConvolveY<6, false>;
    case 7:
      return detail::ConvolveY<7, false>;
    case 8:
      return detail::ConvolveY<8, false>;
    case 9:
      return detail::ConvolveY<9, false>;
    case 10:
      return detail::ConvolveY<10, false>;
    case 11:
      return detail::ConvolveY<11, false>;
    case 12:
      return detail::ConvolveY<12, false>;
    default:
      return nullptr;
  }
}

void DerivativePeaks(const tXYarray& s, int64_t sw, tXYarray& derivOut, std::vector<tPeak>& found) {
  const Index n = static_cast<Index>(s.size());
  const SGDerivWeights& dw = DerivativeWeights(static_cast<int>(sw));
  const Index lo = sw + 1, hi = n - sw - 2;  // the window 2s+3 fits
  // One point per input point, X copied and Y 0 where the window does not fit.
  // (A copy of the spectrum whose Y is then overwritten: one pass of
  // memory instead of clearing the array and filling it point by point.)
  tXYarray deriv(s);
  const Index fitLo = std::min(lo, n), fitHi = hi >= lo ? hi + 1 : fitLo;
  for (Index i = 0; i < fitLo; ++i)
    deriv[static_cast<size_t>(i)][1] = 0.0f;
  for (Index i = fitHi; i < n; ++i)
    deriv[static_cast<size_t>(i)][1] = 0.0f;
  if (hi >= lo) {
    if (!DerivFor(dw.half)(s.data(), deriv.data(), dw.w.data(), static_cast<double>(dw.norm),
                           static_cast<size_t>(lo), static_cast<size_t>(hi), true))
      throw MathError(
          "Floating point overflow in peak detection: the first derivative exceeds the range of "
          "a 32-bit float");
    const double sumAbs =
        detail::LaneSum(static_cast<size_t>(lo), static_cast<size_t>(hi) + 1,
                        [&deriv](size_t i) { return std::fabs(static_cast<double>(deriv[i][1])); });
    const double ratio = static_cast<double>(sw) / 12.0;
    const double level = sumAbs / static_cast<double>(hi - lo + 1) * ratio * ratio;
    auto D = [&](Index i) { return static_cast<double>(deriv[static_cast<size_t>(i)][1]); };

    // An apex where the rising run (the `a` points ending at `runEnd`)
    // meets the falling run that starts at `fallStart`. Between them lies
    // either nothing (the sign changes between two points) or one point
    // whose derivative is exactly 0, as at the top of a symmetric peak
    // sampled on its centre. A run meets at most one falling run, so the
    // sums over the runs add up to one pass over the points.
    auto tryApex = [&](Index runEnd, Index a, Index fallStart) {
      double sumL = 0;
      for (Index m = runEnd - a + 1; m <= runEnd; ++m)
        sumL += D(m);
      Index b = 0;
      double sumR = 0;
      while (fallStart + b < n && D(fallStart + b) < 0) {
        sumR += -D(fallStart + b);
        ++b;
      }
      const double mL = sumL / static_cast<double>(a), mR = sumR / static_cast<double>(b);
      if (!(a >= sw && b >= sw && mL > level && mR > level)) return;
      tPeak p;
      if (fallStart == runEnd + 1) {
        const Index i = runEnd;
        const double d0 = D(i), d1 = D(i + 1);
        const double t = d0 / (d0 - d1);  // in (0, 1): d0 > 0 > d1
        p.X = static_cast<float>(Xd(s, i) + t * (Xd(s, i + 1) - Xd(s, i)));
        p.Y = ToFloat(Yd(s, i) + t * (Yd(s, i + 1) - Yd(s, i)), "an interpolated apex");
        p.Index = static_cast<int32_t>(Yd(s, i) > Yd(s, i + 1) ? i : i + 1);
      } else {
        const Index i = runEnd + 1;  // D(i) == 0: the crossing is the point itself
        p.X = s[static_cast<size_t>(i)][0];
        p.Y = s[static_cast<size_t>(i)][1];
        p.Index = static_cast<int32_t>(i);
      }
      // Both ends lie inside the spectrum: D is 0 outside lo .. hi, so the
      // runs stop there.
      const Index left = runEnd - a, right = fallStart + b;
      p.Left = s[static_cast<size_t>(left)][0];
      p.Right = s[static_cast<size_t>(right)][0];
      p.Area = PeakArea(s, left, right);
      found.push_back(p);
    };

    // Only the length of the rising run is carried along, without branches
    // (in noise the sign of D changes at random); a candidate needs a run
    // of at least s points, which noise seldom gives.
    Index a = 0;  // D is 0 below lo: no run reaches further left
    for (Index i = lo; i <= hi; ++i) {
      const double di = D(i);
      const bool rising = di > 0;
      const Index before = a;  // the run ending at i - 1
      a = rising ? a + 1 : 0;
      // The run that meets the falling one ends at i when D(i) > 0, at
      // i - 1 when D(i) is exactly 0 (the crossing is then point i itself).
      const Index run = rising ? a : (di == 0 ? before : 0);
      if (run >= sw && D(i + 1) < 0) {
        if (rising)
          tryApex(i, a, i + 1);
        else
          tryApex(i - 1, before, i + 1);
      }
    }
  }
  derivOut = std::move(deriv);
}

}  // namespace

void FilterPeaks(std::vector<tPeak>& v, const rPeak& opt) {
  std::erase_if(v, [&](const tPeak& p) { return p.Y < opt.MinHeight; });
  // Of two neighbours closer than MinDist the lower goes (the first one
  // when they are equally high) and the survivor is compared with the next.
  if (!v.empty()) {
    size_t kept = 0;
    tPeak cur = v[0];
    for (size_t r = 1; r < v.size(); ++r) {
      const tPeak& next = v[r];
      if (static_cast<double>(next.X) - cur.X < opt.MinDist) {
        if (next.Y >= cur.Y) cur = next;
      } else {
        v[kept++] = cur;
        cur = next;
      }
    }
    v[kept++] = cur;
    v.resize(kept);
  }
  if (opt.Method == 0) std::erase_if(v, [&](const tPeak& p) { return p.Area < opt.MinArea; });
}

StepResult FindPeaks(const tXYarray& spectrum, const rPeak& settings, tXYarray& derivative,
                     tPeaks& peaks) {
  peaks.Clear();
  StepResult r;
  if (!settings.Enabled) return r;
  if (!ValidSensiv(settings.Sensiv)) {
    r.Error = "Peaking/Wrong peak sensitivity";
    return r;
  }
  if (!ValidPeakMethod(settings.Method)) {
    r.Error = "Peaking/Wrong peak method";
    return r;
  }
  const int64_t sw = 12 - static_cast<int64_t>(settings.Sensiv);
  std::vector<tPeak> found;
  if (settings.Method == 0)
    StandardPeaks(spectrum, sw, found);
  else if (settings.Method == 1)
    DerivativePeaks(spectrum, sw, derivative, found);
  else
    return r;  // the adaptive labels depend on the chart (MarkPeaksAdaptive)
  FilterPeaks(found, settings);
  peaks.bPeaks = std::move(found);
  r.Done = true;
  return r;
}

StepResult FindPeaks(const tXYarray& spectrum, const rPeak& settings, tXYarray& derivative,
                     std::unique_ptr<tPeaks>& peaks) {
  if (!peaks) peaks = std::make_unique<tPeaks>();
  return FindPeaks(spectrum, settings, derivative, *peaks);
}

ChartScale WholeSpectrumScale(const tXYarray& spectrum, double widthPixels, double heightPixels,
                              double fontSize) {
  ChartScale sc;
  sc.fontSize = fontSize;
  sc.pixelsPerX = 0;
  sc.pixelsPerY = 0;
  if (spectrum.empty()) return sc;
  double lowY = 0, highY = 0;
  for (const dPoint& p : spectrum) {
    lowY = std::min(lowY, static_cast<double>(p[1]));
    highY = std::max(highY, static_cast<double>(p[1]));
  }
  const double spanX = static_cast<double>(spectrum.back()[0]) - spectrum.front()[0];
  if (spanX > 0) sc.pixelsPerX = widthPixels / spanX;
  if (highY - lowY > 0) sc.pixelsPerY = heightPixels / (highY - lowY);
  return sc;
}

void MarkPeaksAdaptive(const tXYarray& spectrum, const ChartScale& scale, tPeaks& peaks) {
  peaks.Clear();
  const Index n = static_cast<Index>(spectrum.size());
  if (n == 0) return;
  const double W = 6.0 * scale.fontSize, H = 2.0 * scale.fontSize;
  auto dx = [&](Index a, Index b) {
    return std::fabs(Xd(spectrum, a) - Xd(spectrum, b)) * scale.pixelsPerX;
  };
  auto dy = [&](Index a, Index b) {
    return std::fabs(Yd(spectrum, a) - Yd(spectrum, b)) * scale.pixelsPerY;
  };
  auto label = [&](Index i) {
    tPeak p;
    p.X = spectrum[static_cast<size_t>(i)][0];
    p.Y = spectrum[static_cast<size_t>(i)][1];
    p.Index = static_cast<int32_t>(i);
    peaks.bPeaks.push_back(p);
  };
  const Index lastIdx = n - 1;
  label(0);
  Index best = 0, last = 0, i = 0;
  double runMax = -9999;
  // Moves i to the right, keeping the highest point seen as `best`, until a
  // point lies more than `limit` pixels from `ref`, or the spectrum ends.
  auto extend = [&](Index ref, double limit) {
    do {
      if (i >= lastIdx) break;
      ++i;
      if (Yd(spectrum, i) > runMax) {
        best = i;
        runMax = Yd(spectrum, i);
      }
    } while (dx(ref, i) <= limit);
  };
  while (i < lastIdx) {
    Index ref = best + 1;
    runMax = -9999;
    if (dx(i, i + 1) > W / 1.5) {  // the next point lies far off: it gets its own label
      best = i + 1;
      label(best);
      last = best;
      ++i;
      continue;
    }
    extend(ref, W / 1.5);
    if (dy(last, best) > H) {
      label(best);
      last = best;
    }
    ref = i;
    extend(ref, W);
    label(best);
    last = best;
  }
}

}  // namespace sorrel
