// What a plot frame's views show: the processing chain of each view with
// its status letters, percent displays, the statistics labels, peak marks
// and adaptive labels, the base peak and percent chromatograms, the
// diagnostic file of a failed chromatogram, progress over file-backed runs
// and the waterfall. Expected values are worked by hand in the comments.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "FrameFixture.h"
#include "PeakIndices.h"
#include "ScriptedProgress.h"
#include "core/common/ProgressIndicator.h"
#include "core/processing/Peak.h"

using namespace sorrel;
using sorrel::test::FrameTest;
using Points = FrameTest::Points;

namespace {

using test::Indices;

tXYarray FromY(const std::vector<float>& y, float x0, float step = 1) {
  tXYarray s;
  for (size_t i = 0; i < y.size(); ++i)
    s.push_back({x0 + step * float(i), y[i]});
  return s;
}

std::vector<double> Ys(const tXYarray& s) {
  std::vector<double> y;
  for (const dPoint& p : s)
    y.push_back(p[1]);
  return y;
}

}  // namespace

class FrameViews : public FrameTest {
 protected:
  // A mass-only frame showing `s`.
  std::unique_ptr<PlotFrame> Spectrum(const tXYarray& s) {
    auto f = NewFrame();
    f->SetMassOnly(true);
    f->SetCMass(s);
    return f;
  }
};

TEST_F(FrameViews, EachStepOfTheMassChainShowsItsLetter) {
  // 30 points with a peak in the middle, at m/z 50.3, 51.3, ...
  std::vector<float> y(30, 1);
  y[14] = 20;
  y[15] = 60;
  y[16] = 20;
  const tXYarray in = FromY(y, 50.3f);
  struct Case {
    const char* what;
    std::function<void(PlotFrame&)> set;
    const char* status;
  } cases[] = {
      {"all off", [](PlotFrame&) {}, ""},
      {"smoothing and unit masses",
       [](PlotFrame& f) {
         f.SetSmoothOn(false, true);
         f.SetXUnits(false, 1);
       },
       "SN"},
      {"all four",
       [](PlotFrame& f) {
         f.SetSmoothOn(false, true);
         f.SetBLineOn(false, true);
         f.SetXUnits(false, 1);
         f.SetPeakMethod(false, 0);
         f.SetPeaksOn(false, true);
       },
       "SBNP"},
  };
  for (const Case& c : cases) {
    auto f = Spectrum(in);
    c.set(*f);
    EXPECT_EQ(f->Controls.Mass.Status, c.status) << c.what;
    if (std::string(c.status).empty()) {
      EXPECT_EQ(f->chrMass.Y(), Ys(in)) << "all off shows the input unchanged";
    }
  }
}

TEST_F(FrameViews, TheFirstDerivativeIsShownOnlyForItsMethod) {
  std::vector<float> y(40, 0);
  for (int i = 0; i < 40; ++i)
    y[static_cast<size_t>(i)] = float(100 - (i - 20) * (i - 20));  // a parabola, apex at 20
  const tXYarray in = FromY(y, 100);
  rPeak settings;
  settings.Enabled = true;
  settings.Method = 1;
  tXYarray derivative;
  tPeaks peaks;
  FindPeaks(in, settings, derivative, peaks);  // the oracle: the peak finder itself

  for (int method : {0, 1}) {
    auto f = Spectrum(in);
    f->SetPeakMethod(false, method);
    f->SetSeeFD(false, true);
    f->SetPeaksOn(false, true);
    EXPECT_EQ(f->chrMass.Y(), Ys(method == 1 ? derivative : in)) << "method " << method;
    // Unticked, the spectrum comes back.
    f->SetSeeFD(false, false);
    EXPECT_EQ(f->chrMass.Y(), Ys(in)) << "method " << method;
  }
}

TEST_F(FrameViews, PercentOfTheLargestIntensity) {
  struct Case {
    std::vector<float> y;
    std::vector<double> shown;
  } cases[] = {
      {{2, 4, 8}, {25, 50, 100}},
      {{5, 5, 5}, {5, 5, 5}},     // all equal: the intensities as they are
      {{-2, 0, -1}, {-2, 0, -1}}  // largest 0: no percentage, no division by 0
  };
  for (const Case& c : cases) {
    auto f = Spectrum(FromY(c.y, 40));
    f->SetPercentY(false, true);
    EXPECT_EQ(f->chrMass.Y(), c.shown);
    f->SetPercentY(false, false);
    EXPECT_EQ(f->chrMass.Y(), Ys(FromY(c.y, 40)));
  }
}

TEST_F(FrameViews, StatisticsOfTheMassSpectrum) {
  // 12.25 x 10 = 122.5 rounds to even (122): "From 12.2"; 299.96 x 10 =
  // 2999.6 rounds to 3000: "To 300".
  auto f = Spectrum({{12.25f, 2}, {150, 4}, {299.96f, 8}});
  EXPECT_EQ(f->Controls.lbNPointsMass, "N.Points= 3");
  EXPECT_EQ(f->Controls.lbFromMass, "From 12.2");
  EXPECT_EQ(f->Controls.lbToMass, "To 300 [m/z]");
  EXPECT_EQ(f->Controls.lbTotalMass, "Total= 14");
  EXPECT_EQ(f->Controls.lbNPeaksMass, "N.Peaks= 0");

  // A run: the retention time of the scan shown in zoom mode (scan 1 at
  // 20 s), a multi-range in range mode.
  auto r = NewFrame();
  FillRun(*r, {{{40, 1}}, {{40, 5}, {41, 1}}, {{40, 2}}});
  EXPECT_EQ(r->Controls.lbRetTime, "Ret.Time= 20");
  r->sgRangesChrom.SetRow(1, "0", "2", "");
  r->chrChrom.SetZoomMode(false);
  EXPECT_EQ(r->Controls.lbRetTime, "Ret.Time= <multi-range>");
}

TEST_F(FrameViews, BothViewsCountTheirPoints) {
  // 500 scans of 500 points: both labels say 500.
  std::vector<tXYarray> scans(500, FromY(std::vector<float>(500, 1), 1));
  auto f = NewFrame();
  FillRun(*f, scans);
  EXPECT_EQ(f->Controls.lbNPointsChrom, "N.Points= 500");
  EXPECT_EQ(f->Controls.lbNPointsMass, "N.Points= 500");
  EXPECT_EQ(f->Controls.lbTotalChrom, "Total= 250000");
}

TEST_F(FrameViews, TheChromatogramKindsAndPercent) {
  // TIC 2, 4, 8; base peaks 1, 4 and 6 (7 would do as well as any).
  auto f = NewFrame();
  FillRun(*f, {{{40, 1}, {41, 1}}, {{40, 4}}, {{40, 2}, {41, 6}}});
  EXPECT_EQ(f->chrChrom.Y(), (std::vector<double>{2, 4, 8}));
  f->SetChromKind(1);
  EXPECT_EQ(f->chrChrom.Y(), (std::vector<double>{1, 4, 6}));
  // Percent of the largest TIC (8), for the BPI as well: 12.5, 50, 75.
  f->SetPercentY(true, true);
  EXPECT_EQ(f->chrChrom.Y(), (std::vector<double>{12.5, 50, 75}));
  f->SetChromKind(0);
  EXPECT_EQ(f->chrChrom.Y(), (std::vector<double>{25, 50, 100}));
  // Range mode on the mass view brings the TIC back and takes the choice
  // away until zoom mode returns.
  f->SetChromKind(1);
  f->chrMass.SetZoomMode(false);
  EXPECT_EQ(f->Controls.ChromKind, 0);
  EXPECT_FALSE(f->Controls.ChromKindEnabled);
  f->SetChromKind(1);
  EXPECT_EQ(f->Controls.ChromKind, 0);
  f->chrMass.SetZoomMode(true);
  EXPECT_TRUE(f->Controls.ChromKindEnabled);

  // A run whose totals are all 0 has no percentage: nothing is drawn.
  auto z = NewFrame();
  FillRun(*z, {{{40, 0}}, {{40, 0}}});
  z->SpOpt().oChrom.YUnits = true;
  EXPECT_FALSE(z->ShowChrom());
}

TEST_F(FrameViews, MarksNameThePeaksOnly) {
  // TIC 0 0 0 10 20 10 0 0 0 0 at 10 .. 100 s: with sensitivity 11 the
  // standard method finds one peak, at scan 4 (50 s).
  std::vector<tXYarray> scans;
  for (float t : {0, 0, 0, 10, 20, 10, 0, 0, 0, 0})
    scans.push_back({{40, t}});
  auto f = NewFrame();
  EXPECT_EQ(f->MarkText(true, 0), "");  // an empty frame has no marks
  FillRun(*f, scans);
  f->SetSensitivity(true, 11);
  f->SetPeakMethod(true, 0);
  f->SetPeaksOn(true, true);
  ASSERT_EQ(Indices(f->chrChrom.Peaks), (std::vector<int>{4}));
  EXPECT_TRUE(f->chrChrom.MarksShown());
  // In minutes the axis says 0.8333333, the mark still says 50 (seconds).
  f->SetXUnits(true, 2);
  EXPECT_DOUBLE_EQ(f->chrChrom.X()[4], 50 / 60.0);
  EXPECT_EQ(f->MarkText(true, 4), "50");
  EXPECT_EQ(f->MarkText(true, 3), "");
  f->SetPeaksOn(true, false);
  EXPECT_FALSE(f->chrChrom.MarksShown());
}

TEST_F(FrameViews, AdaptiveLabelsFollowTheChartScale) {
  // Three sticks at 40, 41, 42 of 1, 5 and 2 (20, 100 and 40 in percent).
  // Labels are 6 x 8 = 48 pixels wide and 2 x 8 = 16 high.
  auto f = Spectrum({{40, 1}, {41, 5}, {42, 2}});
  ChartScale scale;
  scale.fontSize = 8;
  f->MassChartScale = [&scale](const tXYarray&) { return scale; };
  f->SetPeaksOn(false, true);  // the mass method is 2 by default
  struct Case {
    double ppx, ppy;
    bool percent;
    std::vector<int> labels;
  } cases[] = {
      // 100 pixels per m/z: every stick lies far off the one before.
      {100, 1, false, {0, 1, 2}},
      // 0.01 pixels per m/z: one run; 41 stands 4 pixels above 40 (below
      // 16), so it is labelled only at the end of the run.
      {0.01, 1, false, {0, 1}},
      // 10 pixels per unit of intensity: 40 pixels, labelled at once too.
      {0.01, 10, false, {0, 1, 1}},
      // In percent the sticks stand 80 apart: the shown values count.
      {0.01, 1, true, {0, 1, 1}},
  };
  for (const Case& c : cases) {
    scale.pixelsPerX = c.ppx;
    scale.pixelsPerY = c.ppy;
    f->SetPercentY(false, c.percent);
    f->chrMass.AfterZoomOrScroll();  // the view tells the frame, which lays them out again
    EXPECT_EQ(Indices(f->chrMass.Peaks), c.labels) << c.ppx << " " << c.ppy;
  }
  EXPECT_EQ(f->MarkText(false, 1), "41");
  EXPECT_EQ(f->MarkText(false, 2), "");

  // A press hides the labels; the release lays them out for the chart as
  // it is then.
  f->SetPercentY(false, false);
  scale.pixelsPerX = 0.01;
  f->chrMass.AfterZoomOrScroll();
  f->chrMass.Press(10, 40, false);
  EXPECT_FALSE(f->chrMass.MarksShown());
  scale.pixelsPerX = 100;
  f->chrMass.Release(10, 40, false);
  EXPECT_TRUE(f->chrMass.MarksShown());
  EXPECT_EQ(Indices(f->chrMass.Peaks), (std::vector<int>{0, 1, 2}));
  EXPECT_EQ(f->Controls.lbNPeaksMass, "N.Peaks= 2");  // counted when the spectrum was drawn
}

TEST_F(FrameViews, PeakIncrementsFollowTheLargestIntensity) {
  // round(LowerDecade(largest) / 100): 5000 -> 1000 -> 10; 150 -> 100 -> 1;
  // 100 has no lower decade (10 < 100 < 100 fails): the increments stay.
  struct Case {
    float largest;
    double increment;
  } cases[] = {{5000, 10}, {150, 1}, {100, 1}, {2.5e6f, 10000}};
  auto f = Spectrum({{40, 1}});
  f->SetPeakMethod(false, 0);
  f->SetPeaksOn(false, true);
  f->Controls.Mass.HeightIncrement = f->Controls.Mass.AreaIncrement = 1;
  for (const Case& c : cases) {
    f->SetCMass({{40, 1}, {41, c.largest}});
    EXPECT_EQ(f->Controls.Mass.HeightIncrement, c.increment) << c.largest;
    EXPECT_EQ(f->Controls.Mass.AreaIncrement, c.increment) << c.largest;
  }
}

TEST_F(FrameViews, AFloatingPointErrorInTheChromatogramLeavesADiagnosticFile) {
  // A weight of 3e38 times an intensity of 10 overflows the 32-bit sum.
  const std::filesystem::path before = std::filesystem::current_path();
  std::filesystem::current_path(dir.Path());
  auto f = NewFrame();
  FillRun(*f, {{{45, 10}}, {{46, 3}}});
  const Points shown = Series(f->chrChrom);
  f->sgRangesMass.SetRow(1, "45", "-", "3e38");
  f->chrMass.SetZoomMode(false);
  std::filesystem::current_path(before);
  // The run's chromatogram, one line per scan; the view keeps the TIC.
  EXPECT_EQ(test::ReadAll(dir.File("exception2.txt")), "10\t10\r\n20\t3\r\n");
  EXPECT_EQ(Series(f->chrChrom), shown);
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_NE(ui.messages[0].find("could not be built"), std::string::npos) << ui.messages[0];
  EXPECT_NE(ui.messages[0].find(dir.File("exception2.txt")), std::string::npos) << ui.messages[0];
}

// Progress windows that the frame opens, and a Cancel pressed at the first
// report when asked to.
using ProgressRecorder = test::ScriptedProgress;

TEST_F(FrameViews, LongWorkOverACachedRunShowsProgressAndCanBeStopped) {
  // 2500 scans; scan i holds (45, 1) and, from scan 1000 on, (60, 2).
  std::vector<tXYarray> scans;
  for (int i = 0; i < 2500; ++i)
    scans.push_back(i < 1000 ? tXYarray{{45, 1}} : tXYarray{{45, 1}, {60, 2}});
  ProgressRecorder progress;
  auto f = NewFrame();
  FillRun(*f, scans);
  f->sgRangesChrom.SetRow(1, "0", "2499", "");
  f->chrChrom.SetZoomMode(false);
  EXPECT_TRUE(progress.texts.empty()) << "a run in memory is summed without a window";
  EXPECT_EQ(f->Spec.CMass[0], (dPoint{45, 2500}));

  f->Spec.SetCasheOn(true);
  f->sgRangesChrom.SetRow(1, "100", "2299", "");
  f->UpdateRanges(true);
  ASSERT_EQ(progress.texts.size(), 1u);
  EXPECT_EQ(progress.texts[0], "Summing the scans of the ranges...");
  // 2200 scans of (45, 1), 1300 of them with (60, 2).
  EXPECT_EQ(f->Spec.CMass.front(), (dPoint{45, 2200}));
  EXPECT_EQ(f->Spec.CMass.back(), (dPoint{60, 2600}));

  // Cancel: the view and the store's spectrum stay as they were.
  const tXYarray summed = f->Spec.CMass;
  const Points shown = Series(f->chrMass);
  progress.cancel = true;
  f->sgRangesChrom.SetRow(1, "0", "2499", "");
  EXPECT_FALSE(f->ShowSMass(-1));
  EXPECT_EQ(f->Spec.CMass, summed);
  EXPECT_EQ(Series(f->chrMass), shown);
  progress.cancel = false;

  // The ion chromatogram: built once, not again when the mass view only
  // zooms, again when its ranges change.
  f->chrChrom.SetZoomMode(true);
  f->sgRangesMass.SetRow(1, "60", "-", "");
  const size_t windows = progress.texts.size();
  f->chrMass.SetZoomMode(false);
  ASSERT_EQ(progress.texts.size(), windows + 1);
  EXPECT_EQ(progress.texts.back(), "Building the ion chromatogram...");
  EXPECT_EQ(f->chrChrom.Y()[999], 0);
  EXPECT_EQ(f->chrChrom.Y()[1000], 2);
  f->chrMass.AfterZoomOrScroll();
  EXPECT_EQ(progress.texts.size(), windows + 1);
  f->sgRangesMass.SetRow(1, "45", "-", "");
  f->UpdateRanges(false);
  EXPECT_EQ(progress.texts.size(), windows + 2);
  EXPECT_EQ(f->chrChrom.Y()[0], 1);
}

TEST_F(FrameViews, TheWaterfallHoldsEveryStepthScanOnThe3DPage) {
  std::vector<tXYarray> scans;
  for (int i = 0; i < 45; ++i)
    scans.push_back({{40, float(i)}, {41, 1}});
  auto f = NewFrame();
  FillRun(*f, scans);
  EXPECT_TRUE(f->Waterfall.empty());
  f->SetPage3D(1);
  // 45 div 20 = 2: scans 0, 2, ..., 44, each with its own points.
  ASSERT_EQ(f->Waterfall.size(), 23u);
  for (size_t k = 0; k < f->Waterfall.size(); ++k) {
    EXPECT_EQ(f->Waterfall[k].scan, int32_t(2 * k));
    EXPECT_EQ(f->Waterfall[k].points, scans[2 * k]);
  }
  // A new run on the 3D page: the waterfall follows it.
  f->Clear();
  FillRun(*f, {{{50, 1}}, {{50, 2}}});
  ASSERT_EQ(f->Waterfall.size(), 2u);
  EXPECT_EQ(f->Waterfall[1].points, (tXYarray{{50, 2}}));
  f->SetPage3D(0);
  EXPECT_TRUE(f->Waterfall.empty());
  // A mass-only frame has no 3D page.
  f->SetPage3D(1);
  f->SetMassOnly(true);
  EXPECT_EQ(f->Controls.Page3D, 0);
  f->SetPage3D(1);
  EXPECT_EQ(f->Controls.Page3D, 0);
}
