// The processing chain of a view: which steps run in which order, the
// status letters, the automatic threshold as a result, refused settings,
// the derivative shown instead of the spectrum, and the adaptive labels.
#include <gtest/gtest.h>

#include <vector>

#include "PeakIndices.h"
#include "core/processing/ProcessingChain.h"

using namespace sorrel;

namespace {

using test::Indices;

tXYarray FromY(const std::vector<float>& y, float x0 = 0, float step = 1) {
  tXYarray s;
  for (size_t i = 0; i < y.size(); ++i)
    s.push_back({x0 + step * float(i), y[i]});
  return s;
}

}  // namespace

TEST(ProcessChain, AllOffGivesTheInputAndNoStatus) {
  const tXYarray in = FromY({3, 1, 4, 1, 5, 9, 2, 6}, 50);
  for (bool chrom : {false, true}) {
    ChainSettings s;
    s.Chromatogram = chrom;
    s.ShowDerivative = true;  // nothing to show without a derivative
    const ChainResult r = ProcessChain(in, s);
    EXPECT_EQ(r.Output, in);
    EXPECT_EQ(r.Flags, "");
    EXPECT_EQ(r.Peaks.Count(), 0);
    EXPECT_FALSE(r.HasDerivative);
    EXPECT_FALSE(r.AutomaticThreshold);
    EXPECT_TRUE(r.Problems.empty());
  }
}

TEST(ProcessChain, StatusLettersOfTheStepsThatRan) {
  struct Case {
    bool chrom, smooth, baseline, nominal, peaks;
    const char* flags;
  } cases[] = {
      {false, true, false, true, false, "SN"},
      {false, true, true, true, true, "SBNP"},
      {false, false, true, false, true, "BP"},
      {true, true, true, true, true, "SBP"},  // a chromatogram has no unit masses
      {true, false, false, true, false, ""},
  };
  const tXYarray in = FromY({0, 1, 2, 30, 2, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0}, 100);
  for (const Case& c : cases) {
    ChainSettings s;
    s.Chromatogram = c.chrom;
    s.Smooth.Enabled = c.smooth;
    s.BLine.Enabled = c.baseline;
    s.NominalMasses = c.nominal;
    s.Peak.Enabled = c.peaks;
    EXPECT_EQ(ProcessChain(in, s).Flags, c.flags) << c.flags;
  }
}

TEST(ProcessChain, StepsRunInTheirOrder) {
  // Baseline before unit masses: 25 and 13 less 10 are 15 and 3, both on
  // 46 (45.5 and 46.5 round to the even 46): 18. Unit masses first would
  // give 38 - 10 = 28 there and 1 on the empty masses 45 and 47.
  ChainSettings s;
  s.BLine.Enabled = true;
  s.BLine.Threshold = 10;
  s.NominalMasses = true;
  EXPECT_EQ(ProcessChain({{45.5f, 25}, {46.5f, 13}}, s).Output,
            (tXYarray{{45, 0}, {46, 18}, {47, 0}}));

  // Smoothing before baseline: a spike of 231 over 20 points becomes the
  // 7-point weights 5, -30, 75, 131, 75, -30, 5 (k = 1), then the level 5
  // leaves 0, 1, 70, 126, 70, 1, 0 (values below 5 become 1; 0 stays 1).
  std::vector<float> y(20, 0.0f);
  y[10] = 231;
  s = {};
  s.Smooth.Enabled = true;
  s.Smooth.SGDegree = 1;
  s.BLine.Enabled = true;
  s.BLine.Threshold = 5;
  const ChainResult r = ProcessChain(FromY(y), s);
  std::vector<float> expected(20, 1.0f);
  const float spread[] = {0, 1, 70, 126, 70, 1, 0};
  for (int i = 0; i < 7; ++i)
    expected[7 + i] = spread[i];
  std::vector<float> got;
  for (const dPoint& p : r.Output)
    got.push_back(p[1]);
  EXPECT_EQ(got, expected);
}

TEST(ProcessChain, OnlyTheMassSpectrumIsGapFilled) {
  // The hole 50 .. 53 gets 51 and 52 at 0 before smoothing (the spectrum is
  // then too short to smooth); a chromatogram keeps its points even when
  // its settings ask for filling.
  const tXYarray in = {{50, 10}, {53, 20}};
  ChainSettings s;
  s.Smooth.Enabled = true;
  s.Smooth.SGDegree = 1;
  s.Smooth.FillNull = true;
  EXPECT_EQ(ProcessChain(in, s).Output, (tXYarray{{50, 10}, {51, 0}, {52, 0}, {53, 20}}));
  s.Chromatogram = true;
  EXPECT_EQ(ProcessChain(in, s).Output, in);
}

TEST(ProcessChain, AutomaticThresholdIsAResult) {
  // The mean of 1, 1, 1, 1, 100 is 20.8; only the four 1s lie below 41.6.
  const tXYarray in = FromY({1, 1, 1, 1, 100});
  ChainSettings s;
  s.BLine.Enabled = true;
  s.BLine.AutoTS = true;
  s.BLine.Threshold = 50;
  ChainResult r = ProcessChain(in, s);
  ASSERT_TRUE(r.AutomaticThreshold);
  EXPECT_EQ(*r.AutomaticThreshold, 1.0);
  EXPECT_EQ(r.Output, FromY({0, 0, 0, 0, 99}));
  // A given level is no result of the chain; an empty spectrum has none.
  s.BLine.AutoTS = false;
  r = ProcessChain(in, s);
  EXPECT_FALSE(r.AutomaticThreshold);
  EXPECT_EQ(r.Output, FromY({1, 1, 1, 1, 50}));
  s.BLine.AutoTS = true;
  r = ProcessChain({}, s);
  EXPECT_FALSE(r.AutomaticThreshold);
  EXPECT_TRUE(r.Output.empty());
  EXPECT_EQ(r.Flags, "B");
}

TEST(ProcessChain, RefusedSettingsAreListedAndTheChainGoesOn) {
  const tXYarray in = FromY({0, 0, 0, 10, 20, 10, 0, 0, 0, 0});
  struct Case {
    const char* what;
    int window, method, sensiv;
    std::vector<std::string> texts;
    const char* detail;  // in the first problem
  } cases[] = {
      {"window 15", 15, 0, 11, {"Smoothing/Wrong peak factor"}, "window index 15"},
      {"sensitivity 0", 1, 0, 0, {"Peaking/Wrong peak sensitivity"}, "sensitivity 0"},
      {"method 7", 1, 7, 11, {"Peaking/Wrong peak method"}, "peak method 7"},
      {"both",
       0,
       1,
       12,
       {"Smoothing/Wrong peak factor", "Peaking/Wrong peak sensitivity"},
       "window index 0"},
      // The adaptive labels do not use the sensitivity.
      {"adaptive", 1, 2, 0, {}, ""},
  };
  for (const Case& c : cases) {
    ChainSettings s;
    s.Smooth.Enabled = true;
    s.Smooth.SGDegree = c.window;
    s.BLine.Enabled = true;
    s.BLine.Threshold = 5;
    s.Peak.Enabled = true;
    s.Peak.Method = c.method;
    s.Peak.Sensiv = c.sensiv;
    const ChainResult r = ProcessChain(in, s);
    std::vector<std::string> texts;
    for (const ChainProblem& p : r.Problems)
      texts.push_back(p.Text);
    EXPECT_EQ(texts, c.texts) << c.what;
    if (!r.Problems.empty()) {
      EXPECT_NE(r.Problems[0].Detail.find(c.detail), std::string::npos)
          << c.what << ": " << r.Problems[0].Detail;
    }
    EXPECT_EQ(r.Flags, "SBP") << c.what;
    // The baseline ran after a refused smoothing: 20 less 5 at index 4.
    if (c.window == 15) {
      EXPECT_EQ(r.Output[4][1], 15.0f);
    }
    if (!c.texts.empty() && c.texts.back() != "Smoothing/Wrong peak factor") {
      EXPECT_EQ(r.Peaks.Count(), 0) << c.what;
    }
  }
}

TEST(ProcessChain, DerivativeIsShownOnlyWhereTheMethodMakesOne) {
  // A triangle; the first derivative with s = 1 (5 points) has its zero
  // crossing at the apex.
  const tXYarray in = FromY({0, 0, 0, 0, 10, 20, 30, 20, 10, 0, 0, 0, 0, 0});
  ChainSettings s;
  s.Peak.Enabled = true;
  s.Peak.Sensiv = 11;
  s.ShowDerivative = true;
  s.Peak.Method = 1;
  ChainResult r = ProcessChain(in, s);
  ASSERT_TRUE(r.HasDerivative);
  EXPECT_EQ(r.Output, r.Derivative);
  ASSERT_EQ(r.Derivative.size(), in.size());
  // Hand-worked at index 4: (8 (y5 - y3) - (y6 - y2)) / 12 = (160 - 30) / 12.
  EXPECT_FLOAT_EQ(r.Derivative[4][1], 130.0f / 12.0f);
  EXPECT_EQ(Indices(r.Peaks), std::vector<int>{6});

  s.ShowDerivative = false;
  r = ProcessChain(in, s);
  EXPECT_TRUE(r.HasDerivative);
  EXPECT_EQ(r.Output, in);

  // The standard method makes none: the spectrum is shown.
  s.ShowDerivative = true;
  s.Peak.Method = 0;
  r = ProcessChain(in, s);
  EXPECT_FALSE(r.HasDerivative);
  EXPECT_TRUE(r.Derivative.empty());
  EXPECT_EQ(r.Output, in);
  EXPECT_EQ(Indices(r.Peaks), std::vector<int>{6});

  // A refused sensitivity makes none either.
  s.Peak.Method = 1;
  s.Peak.Sensiv = 0;
  r = ProcessChain(in, s);
  EXPECT_FALSE(r.HasDerivative);
  EXPECT_EQ(r.Output, in);
}

TEST(ProcessChain, AdaptiveLabelsNeedTheChartScale) {
  // Points 100 apart at 1 pixel per unit and font 8 (labels 48 pixels
  // wide): each gets its own label.
  const tXYarray in = FromY({1, 2, 3}, 100, 100);
  ChainSettings s;
  s.Peak.Enabled = true;
  s.Peak.Method = 2;
  s.BLine.Enabled = true;
  s.BLine.Threshold = 0.5;
  std::vector<tXYarray> asked;
  auto scale = [&asked](const tXYarray& shown) {
    asked.push_back(shown);
    return ChartScale{1, 1, 8};
  };
  ChainResult r = ProcessChain(in, s, scale);
  EXPECT_EQ(Indices(r.Peaks), (std::vector<int>{0, 1, 2}));
  EXPECT_EQ(r.Peaks.Items(1).Y, 1.5f) << "labels carry the intensity shown";
  ASSERT_EQ(asked.size(), 1u);
  EXPECT_EQ(asked[0], FromY({0.5f, 1.5f, 2.5f}, 100, 100))
      << "the scale is asked for the spectrum shown";

  // Without a chart there is nothing to lay out; a chromatogram's chain
  // knows no adaptive method.
  EXPECT_EQ(ProcessChain(in, s).Peaks.Count(), 0);
  s.Chromatogram = true;
  EXPECT_EQ(ProcessChain(in, s, scale).Peaks.Count(), 0);
  EXPECT_EQ(asked.size(), 1u);
}

TEST(WholeSpectrumScale, FitsTheSpectrumToTheChart) {
  // X 100 .. 300 on 1000 pixels: 5 per unit; Y from 0 to 400 on 400
  // pixels: 1 per unit. Negative intensities widen the Y span.
  ChartScale sc = WholeSpectrumScale({{100, 50}, {300, 400}}, 1000, 400, 8);
  EXPECT_EQ(sc.pixelsPerX, 5.0);
  EXPECT_EQ(sc.pixelsPerY, 1.0);
  EXPECT_EQ(sc.fontSize, 8.0);
  sc = WholeSpectrumScale({{100, -100}, {300, 300}}, 1000, 400, 8);
  EXPECT_EQ(sc.pixelsPerY, 1.0);
  // One mass, or nothing but zeros: no span, 0 pixels per unit.
  sc = WholeSpectrumScale({{100, 0}}, 1000, 400, 8);
  EXPECT_EQ(sc.pixelsPerX, 0.0);
  EXPECT_EQ(sc.pixelsPerY, 0.0);
}
