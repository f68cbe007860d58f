// The peak list, the peak finder's two methods and its filters, and the
// adaptive labelling.
#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <random>

#include "core/common/Errors.h"
#include "core/processing/Peak.h"

using namespace sorrel;

namespace {

tXYarray FromY(const std::vector<float>& y, float step = 1) {
  tXYarray s;
  for (size_t i = 0; i < y.size(); ++i)
    s.push_back({step * float(i), y[i]});
  return s;
}

tPeak P(float x, float y, float area = 0) {
  tPeak p;
  p.X = x;
  p.Y = y;
  p.Area = area;
  return p;
}

// Peak detection on.
rPeak PeakOptions(int method, int sensiv) {
  rPeak o;
  o.Enabled = true;
  o.Method = method;
  o.Sensiv = sensiv;
  return o;
}

std::vector<tPeak> Find(const tXYarray& s, const rPeak& o) {
  tPeaks peaks;
  tXYarray deriv;
  EXPECT_TRUE(FindPeaks(s, o, deriv, peaks).Done);
  return peaks.bPeaks;
}

}  // namespace

// ------------------------------------------------------------------ tPeaks

TEST(PeakList, AddDeleteItems) {
  tPeaks l;
  EXPECT_EQ(l.Add(P(1, 10)), 1);
  EXPECT_EQ(l.Add(P(2, 30)), 2);
  EXPECT_EQ(l.Add(P(3, 20)), 3);
  EXPECT_EQ(l.GetPeaks(1).Y, 30.0f);
  EXPECT_EQ(l.Items(2).X, 3.0f);

  for (int bad : {-1, 3, INT_MAX, INT_MIN}) {
    EXPECT_FALSE(l.Delete(bad)) << bad;
    try {
      l.GetPeaks(bad);
      ADD_FAILURE() << "no error for index " << bad;
    } catch (const SorrelError& e) {
      EXPECT_STREQ(e.what(), "Wrong index");
    }
    l.SetPeaks(bad, P(9, 9));  // ignored
  }
  EXPECT_EQ(l.Count(), 3);

  l.SetPeaks(0, P(0.5f, 5));
  EXPECT_EQ(l.GetPeaks(0), P(0.5f, 5));
  EXPECT_TRUE(l.Delete(2)) << "the last record";
  EXPECT_EQ(l.Count(), 2);
  EXPECT_TRUE(l.Delete(0));
  EXPECT_EQ(l.GetPeaks(0).X, 2.0f) << "later records move down";
  l.Clear();
  EXPECT_EQ(l.Count(), 0);
}

TEST(PeakList, Extremes) {
  tPeaks l;
  // An empty list has no extent: all four are 0.
  EXPECT_EQ(l.MinX(), 0.0f);
  EXPECT_EQ(l.MaxX(), 0.0f);
  EXPECT_EQ(l.MinY(), 0.0f);
  EXPECT_EQ(l.MaxY(), 0.0f);
  l.Add(P(5, -2));
  l.Add(P(1, 7));
  l.Add(P(9, 3));
  EXPECT_EQ(l.MinX(), 1.0f);
  EXPECT_EQ(l.MaxX(), 9.0f);
  EXPECT_EQ(l.MinY(), -2.0f);
  EXPECT_EQ(l.MaxY(), 7.0f);
}

// ------------------------------------------------------ standard method

TEST(StandardPeaks, HandComputedCases) {
  struct Case {
    const char* what;
    std::vector<float> y;
    std::vector<tPeak> expected;  // X, Y, Left, Right, Area, Index
  };
  const Case cases[] = {
      // Step threshold 0.4 * 1 * 40/8 = 2; the trapezoids from 2 to 7 sum
      // to 5 + 15 + 15 + 5 + 0 = 40 above a zero chord.
      {"the worked example", {0, 0, 0, 10, 20, 10, 0, 0, 0, 0}, {{4, 20, 2, 7, 40, 4}}},
      // Threshold 0.4 * 100/18; the plateau 20, 20 is no apex, the next
      // strict maximum (30 at 9) is; the end is at 13 (settled, 4 > 7/2
      // away); trapezoids 5+15+20+15+5+0+15+15 = 90.
      {"a plateau is passed over",
       {0, 0, 0, 10, 20, 20, 10, 0, 0, 30, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0},
       {{9, 30, 2, 13, 90, 9}}},
      // No end before the last point: the peak ends at the last point,
      // trapezoids 5 + 15 + 15 = 35 less the chord (5-2)(0+10)/2 = 15.
      {"no end found", {0, 0, 0, 10, 20, 10}, {{4, 20, 2, 5, 20, 4}}},
      // The second rise climbs to the end: no strict maximum, no peak.
      {"a rise to the end after a peak",
       {0, 0, 0, 10, 20, 10, 0, 0, 0, 0, 5, 10, 15, 20, 25},
       {{4, 20, 2, 7, 40, 4}}},
      {"only a rise", {0, 0, 0, 10, 20, 30, 40}, {}},
      {"flat", {3, 3, 3, 3, 3}, {}},
      {"empty", {}, {}},
      {"one point", {5}, {}},
      {"two points", {0, 5}, {}},
      // Threshold 0.4 * 5; no end before the last point: it ends there.
      {"three points with an apex in the middle", {0, 5, 0}, {{1, 5, 0, 2, 5, 1}}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Find(FromY(c.y), PeakOptions(0, 11)), c.expected) << c.what;
  }
}

TEST(StandardPeaks, SensitivityScalesTheStepThreshold) {
  // Threshold 0.4 s * 40/8 = 2 s: a rise of 10 starts a peak for s = 1 ..
  // 4 and not for s = 5 (threshold 10, not exceeded).
  std::vector<float> y = {0, 0, 0, 10, 20, 10, 0, 0, 0, 0};
  for (int s = 1; s <= 11; ++s)
    EXPECT_EQ(Find(FromY(y), PeakOptions(0, 12 - s)).size(), s <= 4 ? 1u : 0u) << s;
}

TEST(StandardPeaks, ExtremeIntensities) {
  std::vector<float> y = {0, 0, 0, 3e38f, 0, 0, 0, 0, 0, 0};
  // Spacing 1: the area 3e38 still fits a 32-bit float.
  auto found = Find(FromY(y), PeakOptions(0, 11));
  ASSERT_EQ(found.size(), 1u);
  EXPECT_EQ(found[0].Y, 3e38f);
  EXPECT_EQ(found[0].Area, 3e38f);
  // Spacing 10: the area 3e39 does not: an arithmetic fault, empty list.
  tPeaks peaks;
  peaks.Add(P(1, 1));
  tXYarray deriv;
  EXPECT_THROW(FindPeaks(FromY(y, 10), PeakOptions(0, 11), deriv, peaks), MathError);
  EXPECT_EQ(peaks.Count(), 0);
}

// ------------------------------------------------- first-derivative method

TEST(DerivativePeaks, GaussianApexAtItsTrueCentre) {
  const double sigma = 5, height = 1000;
  for (double centre : {50.0, 50.25, 50.5, 50.8, 51.37}) {
    std::vector<float> y(101);
    for (int i = 0; i < 101; ++i)
      y[i] = float(height * std::exp(-(i - centre) * (i - centre) / (2 * sigma * sigma)));
    for (int sensiv = 1; sensiv <= 11; ++sensiv) {
      SCOPED_TRACE(testing::Message() << "centre " << centre << " Sensiv " << sensiv);
      auto found = Find(FromY(y), PeakOptions(1, sensiv));
      ASSERT_EQ(found.size(), 1u);
      const tPeak& p = found[0];
      EXPECT_NEAR(p.X, centre, 0.02);
      EXPECT_NEAR(p.Y, height, height * 0.01);  // linear between the two samples
      EXPECT_LE(std::abs(p.Index - centre), 0.5) << "the higher of the two samples";
      // The peak spans the two runs of the derivative; its area is that of
      // the whole Gaussian, height * sigma * sqrt(2 pi).
      EXPECT_LT(p.Left, p.X);
      EXPECT_GT(p.Right, p.X);
      EXPECT_NEAR(p.Area, height * sigma * std::sqrt(2 * M_PI), 0.005 * height * sigma * 2.5);
    }
  }
}

TEST(DerivativePeaks, ApexOnASampleWithAZeroDerivative) {
  // Whole-number counts, symmetric about index 20: the derivative there is
  // exactly 0 between a positive and a negative run, and the apex is that
  // point (a sign test alone, > 0 then < 0, would miss the peak).
  std::vector<float> y(41, 0.0f);
  const float side[] = {100, 90, 70, 45, 25, 12, 5, 2, 1};
  for (int j = 0; j < 9; ++j)
    y[20 - j] = y[20 + j] = side[j];
  for (int sensiv : {11, 10, 9}) {
    tXYarray deriv;
    tPeaks peaks;
    FindPeaks(FromY(y), PeakOptions(1, sensiv), deriv, peaks);
    EXPECT_EQ(deriv[20][1], 0.0f);
    ASSERT_EQ(peaks.Count(), 1) << sensiv;
    EXPECT_EQ(peaks.Items(0).X, 20.0f);
    EXPECT_EQ(peaks.Items(0).Y, 100.0f);
    EXPECT_EQ(peaks.Items(0).Index, 20);
    // Symmetric runs: the ends are equally far from the apex.
    EXPECT_EQ(peaks.Items(0).Right - 20.0f, 20.0f - peaks.Items(0).Left);
  }
}

TEST(DerivativePeaks, DerivativeOfACubicIsExact) {
  // A cubic is fitted exactly: D is its slope per unit of the point index.
  const int n = 40;
  std::vector<float> y(n);
  for (int i = 0; i < n; ++i)
    y[i] = float(2 + 3 * i - 0.5 * i * i + 0.01 * i * i * i);
  for (int sensiv = 1; sensiv <= 11; ++sensiv) {
    const int s = 12 - sensiv;
    tXYarray deriv;
    tPeaks peaks;
    FindPeaks(FromY(y), PeakOptions(1, sensiv), deriv, peaks);
    ASSERT_EQ(deriv.size(), size_t(n));
    for (int i = 0; i < n; ++i) {
      EXPECT_EQ(deriv[i][0], float(i));
      if (i < s + 1 || i > n - s - 2) {
        EXPECT_EQ(deriv[i][1], 0.0f) << "outside the window, s " << s << " i " << i;
      } else {
        double slope = 3 - 1.0 * i + 0.03 * i * i;
        EXPECT_NEAR(deriv[i][1], slope, 2e-3) << "s " << s << " i " << i;
      }
    }
  }
}

TEST(DerivativePeaks, ShortSpectraAndRunLengths) {
  // Fewer than 2s+3 points: no derivative is computed and nothing found,
  // but the derivative output still gets one zero point per input point.
  for (int n : {0, 1, 4}) {
    tXYarray deriv = FromY({9, 9, 9, 9, 9, 9, 9});
    tPeaks peaks;
    std::vector<float> y(n, 1.0f);
    if (n == 4) y = {0, 5, 5, 0};
    FindPeaks(FromY(y), PeakOptions(1, 11), deriv, peaks);
    EXPECT_EQ(peaks.Count(), 0) << n;
    EXPECT_EQ(deriv.size(), size_t(n));
    for (const dPoint& p : deriv)
      EXPECT_EQ(p[1], 0.0f);
  }
  // s = 11 needs runs of 11 positive and 11 negative values. In 25 points
  // its 25-point window fits once, so no run is longer than 1 and nothing
  // is found, while s = 1 finds the triangle in the same points.
  std::vector<float> y(25, 0.0f);
  for (int i = 8; i <= 16; ++i)
    y[i] = float(50 - 10 * std::abs(i - 12));
  EXPECT_EQ(Find(FromY(y), PeakOptions(1, 11)).size(), 1u);
  EXPECT_EQ(Find(FromY(y), PeakOptions(1, 1)).size(), 0u);
  y.push_back(0);  // 26 points: still too few for two values of each sign
  EXPECT_EQ(Find(FromY(y), PeakOptions(1, 1)).size(), 0u);
}

TEST(DerivativePeaks, OverflowingDerivative) {
  std::vector<float> y(30);
  for (int i = 0; i < 30; ++i)
    y[i] = i < 15 ? -3.4e38f : 3.4e38f;
  tXYarray deriv = FromY({1, 2});
  tPeaks peaks;
  peaks.Add(P(1, 1));
  EXPECT_THROW(FindPeaks(FromY(y), PeakOptions(1, 11), deriv, peaks), MathError);
  EXPECT_EQ(deriv, FromY({1, 2})) << "the derivative output is not touched";
  EXPECT_EQ(peaks.Count(), 0);
}

// ------------------------------------------------------------- common part

TEST(FindPeaks, DisabledWrongSensitivityOrMethodGiveAnEmptyList) {
  std::vector<float> y = {0, 0, 0, 10, 20, 10, 0, 0, 0, 0};
  struct Case {
    const char* what;
    bool enabled;
    int method;
    int sensiv;
    const char* error;
  };
  const Case cases[] = {
      {"disabled", false, 0, 11, ""},
      {"Sensiv 12", true, 0, 12, "Peaking/Wrong peak sensitivity"},
      {"Sensiv 0", true, 1, 0, "Peaking/Wrong peak sensitivity"},
      {"Sensiv INT_MIN", true, 0, INT_MIN, "Peaking/Wrong peak sensitivity"},
      {"Sensiv INT_MAX", true, 1, INT_MAX, "Peaking/Wrong peak sensitivity"},
      {"adaptive: labels for a chart", true, 2, 11, ""},
      {"method 7", true, 7, 11, "Peaking/Wrong peak method"},
      {"method -1", true, -1, 11, "Peaking/Wrong peak method"},
  };
  for (const Case& c : cases) {
    rPeak o = PeakOptions(c.method, c.sensiv);
    o.Enabled = c.enabled;
    tPeaks peaks;
    peaks.Add(P(1, 1));
    tXYarray deriv = FromY({4, 4});
    const StepResult r = FindPeaks(FromY(y), o, deriv, peaks);
    EXPECT_FALSE(r.Done) << c.what;
    EXPECT_EQ(r.Error, c.error) << c.what;
    EXPECT_EQ(peaks.Count(), 0) << c.what;
    EXPECT_EQ(deriv, FromY({4, 4})) << c.what << ": the derivative is not touched";
  }
}

TEST(FindPeaks, ListCreation) {
  std::vector<float> y = {0, 0, 0, 10, 20, 10, 0, 0, 0, 0};
  std::unique_ptr<tPeaks> peaks;
  tXYarray deriv;
  EXPECT_TRUE(FindPeaks(FromY(y), PeakOptions(0, 11), deriv, peaks).Done);
  ASSERT_TRUE(peaks);
  EXPECT_EQ(peaks->Count(), 1);
  tPeaks* same = peaks.get();
  rPeak off = PeakOptions(0, 11);
  off.Enabled = false;
  FindPeaks(FromY(y), off, deriv, peaks);
  EXPECT_EQ(peaks.get(), same) << "an existing list is reused";
  EXPECT_EQ(peaks->Count(), 0);
}

TEST(FindPeaks, Filters) {
  // Two spikes 0.5 apart in X (points every 1/12): apexes at 3/12 (10 or
  // `second`) and 9/12; areas 10/12 and second/12 (trapezoids of width 1/12).
  auto spectrum = [](float first, float second) {
    std::vector<float> y = {0, 0, 0, first, 0, 0, 0, 0, 0, second, 0, 0, 0, 0, 0, 0};
    tXYarray s;
    for (size_t i = 0; i < y.size(); ++i)
      s.push_back({float(i) / 12.0f, y[i]});
    return s;
  };
  struct Case {
    const char* what;
    float first, second;
    double minHeight, minDist, minArea;
    int method;
    std::vector<float> keptY;
  };
  const Case cases[] = {
      {"none", 10, 8, 0, 0, 0, 0, {10, 8}},
      {"height drops the lower", 10, 8, 9, 0, 0, 0, {10}},
      {"distance drops the lower", 10, 8, 0, 1, 0, 0, {10}},
      {"distance drops the lower even when it comes first", 8, 10, 0, 1, 0, 0, {10}},
      {"distance 0.4 keeps both", 10, 8, 0, 0.4, 0, 0, {10, 8}},
      {"area drops the smaller", 10, 8, 0, 0, 0.75, 0, {10}},
  };
  for (const Case& c : cases) {
    rPeak o = PeakOptions(c.method, 11);
    o.MinHeight = c.minHeight;
    o.MinDist = c.minDist;
    o.MinArea = c.minArea;
    std::vector<float> ys;
    for (const tPeak& p : Find(spectrum(c.first, c.second), o))
      ys.push_back(p.Y);
    EXPECT_EQ(ys, c.keptY) << c.what;
  }
  // Equal heights: the first one goes.
  rPeak o = PeakOptions(0, 11);
  o.MinDist = 1;
  auto found = Find(spectrum(10, 10), o);
  ASSERT_EQ(found.size(), 1u);
  EXPECT_EQ(found[0].X, 9.0f / 12.0f);
}

TEST(FindPeaks, FilterMatchesTheOneByOneDeletion) {
  // The filters written the plain way, deleting one record at a time from
  // a tPeaks, as the reference for the single-pass version.
  auto reference = [](std::vector<tPeak> in, const rPeak& o) {
    tPeaks l;
    for (const tPeak& p : in)
      l.Add(p);
    for (int i = 0; i < l.Count();) {
      if (l.GetPeaks(i).Y < o.MinHeight)
        l.Delete(i);
      else
        ++i;
    }
    int i = 0;
    while (i < l.Count() - 1) {
      if (double(l.GetPeaks(i + 1).X) - l.GetPeaks(i).X < o.MinDist)
        l.Delete(l.GetPeaks(i + 1).Y >= l.GetPeaks(i).Y ? i : i + 1);
      else
        ++i;
    }
    if (o.Method == 0) {
      for (int j = 0; j < l.Count();) {
        if (l.GetPeaks(j).Area < o.MinArea)
          l.Delete(j);
        else
          ++j;
      }
    }
    return l.bPeaks;
  };
  std::mt19937 rng(5);
  std::uniform_real_distribution<float> step(0, 2), height(0, 10);
  for (int round = 0; round < 200; ++round) {
    std::vector<tPeak> peaks;
    float x = 0;
    const int n = round % 40;
    for (int i = 0; i < n; ++i) {
      x += step(rng);
      peaks.push_back(P(x, std::floor(height(rng)), height(rng)));
    }
    rPeak o;
    o.Method = round % 2;
    o.MinHeight = round % 3 ? 2 : 0;
    o.MinDist = round % 5 * 0.7;
    o.MinArea = round % 4 ? 3 : 0;
    std::vector<tPeak> mine = peaks;
    FilterPeaks(mine, o);
    EXPECT_EQ(mine, reference(peaks, o)) << "round " << round;
  }
}

// ------------------------------------------------------- adaptive labels

TEST(AdaptivePeaks, LabelsThatDoNotCrowd) {
  ChartScale scale;  // 1 pixel per unit, font 8: W = 48, H = 16
  scale.pixelsPerX = 1;
  scale.pixelsPerY = 1;
  scale.fontSize = 8;
  auto indices = [&](const tXYarray& s) {
    tPeaks l;
    l.Add(P(99, 99));
    MarkPeaksAdaptive(s, scale, l);
    std::vector<int> idx;
    for (const tPeak& p : l.bPeaks) {
      EXPECT_EQ(p.X, s[p.Index][0]);
      EXPECT_EQ(p.Y, s[p.Index][1]);
      EXPECT_EQ(p.Area, 0.0f);
      idx.push_back(p.Index);
    }
    return idx;
  };
  EXPECT_EQ(indices({}), std::vector<int>{});
  EXPECT_EQ(indices(FromY({5})), std::vector<int>{0});
  // Points 100 pixels apart each get their own label.
  EXPECT_EQ(indices(FromY({1, 2, 3}, 100)), (std::vector<int>{0, 1, 2}));
  // A dense cluster: the highest point is labelled once when it stands out
  // by more than H from the last label, and labelled again at the end of
  // the round (a point may be labelled twice). The round ends at the last
  // point instead of running on past it.
  EXPECT_EQ(indices(FromY({0, 1, 2, 3, 4, 100, 4, 3, 2, 1})), (std::vector<int>{0, 5, 5}));
  EXPECT_EQ(indices(FromY({0, 1, 2, 3, 4, 10, 4, 3, 2, 1})), (std::vector<int>{0, 5}));
  // A zero scale (a chart of one mass) puts everything in one round.
  scale.pixelsPerX = 0;
  EXPECT_EQ(indices(FromY({0, 50, 0}, 100)), (std::vector<int>{0, 1, 1}));
}
