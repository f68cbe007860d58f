// The property pages of a plot frame: the options into the controls and
// back (with the options locked while they are copied), what a change of
// each control does, the ranges grids' commands, the data-table toggles
// and the property tool bar.
#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "FrameFixture.h"

using namespace sorrel;
using sorrel::test::FrameTest;
using Points = FrameTest::Points;

namespace {

// A template whose every key differs from the defaults.
const char* const kTemplate =
    "[C_Visual]\r\nAutoY=1\r\nFixY=0\r\nXUnits=2\r\nYUnits=1\r\n"
    "[C_Smooth]\r\nSGDegree=5\r\nEnabled=1\r\n"
    "[C_BLine]\r\nThreshold=7.5\r\nAutoTS=0\r\nEnabled=1\r\n"
    "[C_Peak]\r\nMethod=1\r\nSensiv=9\r\nMinHeight=12\r\nMinDist=3\r\nMinArea=4\r\nEnabled=1\r\n"
    "[M_Visual]\r\nAutoY=1\r\nFixY=0\r\nXUnits=1\r\nYUnits=1\r\n"
    "[M_Smooth]\r\nSGDegree=2\r\nEnabled=1\r\n"
    "[M_BLine]\r\nThreshold=20\r\nAutoTS=1\r\nEnabled=0\r\n"
    "[M_Peak]\r\nMethod=0\r\nSensiv=3\r\nMinHeight=100\r\nMinDist=0.5\r\nMinArea=9\r\nEnabled="
    "1\r\n";

// The controls of a view as the options would hold them.
ToView AsOptions(const ViewControls& c) {
  ToView v;
  StoreViewControls(c, v);
  return v;
}

// The fields the pages show (TeeFile and FillNull are not on them).
ToView Shown(ToView v) {
  v.TeeFile.clear();
  v.Smooth.FillNull = false;
  return v;
}

}  // namespace

class FramePages : public FrameTest {};

TEST_F(FramePages, ATemplateReachesEveryControlAndNothingIsWrittenBackHalfway) {
  std::ofstream(Config("all.tml")) << kTemplate;
  tSpOpt expected(Config("all.tml"));
  expected.Open();

  // Opened over a frame that shows a run, so that every change of a
  // control starts its handler.
  auto f = NewFrame();
  FillRun(*f, {{{40, 1}, {41, 2}}, {{40, 3}}, {{40, 2}}});
  f->Showing = true;
  // Every change of a control is told to the window; at none of these
  // moments may the options differ from the template's.
  int told = 0, differed = 0;
  f->OnChanged = [&](unsigned changes) {
    if (!(changes & PlotFrame::kControls) || !f->SpOpt().Locked) return;
    ++told;
    for (bool chrom : {true, false})
      if (!(Shown(f->SpOpt().View(chrom)) == Shown(expected.View(chrom)))) ++differed;
  };
  ui.QueueOpenFiles({Config("all.tml")});
  ASSERT_TRUE(f->OpenTemplate());
  f->OnChanged = nullptr;
  EXPECT_GT(told, 20);
  EXPECT_EQ(differed, 0);
  for (bool chrom : {true, false}) {
    SCOPED_TRACE(chrom ? "chromatogram" : "mass spectrum");
    // The options are the template's: no handler raised on the way stored
    // the controls of a half that was only partly copied.
    EXPECT_EQ(Shown(f->SpOpt().View(chrom)), Shown(expected.View(chrom)));
    // And the controls show them, the mass units included.
    EXPECT_EQ(AsOptions(f->ViewOf(chrom)), Shown(expected.View(chrom)));
  }
  EXPECT_FALSE(f->SpOpt().Locked);
  EXPECT_TRUE(f->Controls.Mass.PeakParamsEnabled);  // method 0
  // The views follow: minutes, percent, smoothing, baseline, peaks.
  EXPECT_EQ(f->Controls.Chrom.Status, "SBP");
  EXPECT_EQ(f->Controls.Mass.Status, "SNP");
  EXPECT_DOUBLE_EQ(f->chrChrom.X()[1], 20 / 60.0);
  EXPECT_TRUE(f->chrChrom.AutoY());
  EXPECT_FALSE(f->chrMass.FixY());
  EXPECT_EQ(f->sgRangesChrom.Cell(0, 0), "Start time");
}

TEST_F(FramePages, StoreOptionsTakesEveryControlOfItsHalfUnlessLocked) {
  struct Case {
    const char* what;
    std::function<void(PlotFrame&, bool)> change;
    std::function<bool(const ToView&)> stored;
  } cases[] = {
      {"X units", [](PlotFrame& f, bool c) { f.SetXUnits(c, 1); },
       [](const ToView& v) { return v.XUnits == 1; }},
      {"percent", [](PlotFrame& f, bool c) { f.SetPercentY(c, true); },
       [](const ToView& v) { return v.YUnits; }},
      {"Fixed Y", [](PlotFrame& f, bool c) { f.SetFixY(c, false); },
       [](const ToView& v) { return !v.FixY; }},
      {"Auto Y", [](PlotFrame& f, bool c) { f.SetAutoY(c, true); },
       [](const ToView& v) { return v.AutoY; }},
      {"smoothing", [](PlotFrame& f, bool c) { f.SetSmoothOn(c, true); },
       [](const ToView& v) { return v.Smooth.Enabled; }},
      {"window", [](PlotFrame& f, bool c) { f.SetSGDegree(c, 7); },
       [](const ToView& v) { return v.Smooth.SGDegree == 7; }},
      {"baseline", [](PlotFrame& f, bool c) { f.SetBLineOn(c, true); },
       [](const ToView& v) { return v.BLine.Enabled; }},
      {"automatic", [](PlotFrame& f, bool c) { f.SetAutoTS(c, true); },
       [](const ToView& v) { return v.BLine.AutoTS; }},
      {"threshold", [](PlotFrame& f, bool c) { f.SetThreshold(c, 55); },
       [](const ToView& v) { return v.BLine.Threshold == 55; }},
      {"method", [](PlotFrame& f, bool c) { f.SetPeakMethod(c, 1); },
       [](const ToView& v) { return v.Peak.Method == 1; }},
      {"sensitivity", [](PlotFrame& f, bool c) { f.SetSensitivity(c, 2); },
       [](const ToView& v) { return v.Peak.Sensiv == 2; }},
      {"height", [](PlotFrame& f, bool c) { f.SetMinHeight(c, 5000); },
       [](const ToView& v) { return v.Peak.MinHeight == 5000; }},
      {"distance", [](PlotFrame& f, bool c) { f.SetMinDist(c, 2.5); },
       [](const ToView& v) { return v.Peak.MinDist == 2.5; }},
      {"area", [](PlotFrame& f, bool c) { f.SetMinArea(c, 8); },
       [](const ToView& v) { return v.Peak.MinArea == 8; }},
      {"peaks", [](PlotFrame& f, bool c) { f.SetPeaksOn(c, true); },
       [](const ToView& v) { return v.Peak.Enabled; }},
  };
  for (const Case& c : cases)
    for (bool chrom : {true, false}) {
      SCOPED_TRACE(std::string(c.what) + (chrom ? " of the chromatogram" : " of the mass"));
      auto f = NewFrame();
      const ToView other = f->SpOpt().View(!chrom);
      // Locked: the control changes, the options do not.
      f->SpOpt().Locked = true;
      c.change(*f, chrom);
      EXPECT_FALSE(c.stored(f->SpOpt().View(chrom)));
      f->SpOpt().Locked = false;
      f->StoreOptions(chrom);
      EXPECT_TRUE(c.stored(f->SpOpt().View(chrom)));
      EXPECT_EQ(f->SpOpt().View(!chrom), other) << "the other half stays";
      // A change of the control alone reaches the options as well.
      auto g = NewFrame();
      c.change(*g, chrom);
      EXPECT_TRUE(c.stored(g->SpOpt().View(chrom)));
    }
}

TEST_F(FramePages, ASpinEditChangesNothingOnScreenUntilTheStepRuns) {
  // 20 points, a spike of 231 at index 10: the 7-point window (degree 1)
  // spreads it as 5 -30 75 131 75 -30 5; degree 3 (11 points) otherwise.
  std::vector<float> y(20, 0);
  y[10] = 231;
  tXYarray in;
  for (size_t i = 0; i < y.size(); ++i)
    in.push_back({float(100 + i), y[i]});
  auto f = NewFrame();
  f->SetMassOnly(true);
  f->SetCMass(in);
  const Points before = Series(f->chrMass);
  f->SetSGDegree(false, 1);
  EXPECT_EQ(Series(f->chrMass), before);
  EXPECT_EQ(f->SpOpt().oMass.Smooth.SGDegree, 1) << "a template saved now holds it";
  f->SetSmoothOn(false, true);
  EXPECT_EQ(std::vector<double>(f->chrMass.Y().begin() + 7, f->chrMass.Y().begin() + 14),
            (std::vector<double>{5, -30, 75, 131, 75, -30, 5}));
}

TEST_F(FramePages, TheAdaptiveMethodTakesNoSensitivityHeightOrDistance) {
  auto f = NewFrame();
  for (int method : {0, 1, 2, 0}) {
    f->SetPeakMethod(false, method);
    EXPECT_EQ(f->Controls.Mass.PeakParamsEnabled, method != 2) << method;
  }
  // The chromatogram has no adaptive method: its page stops at 1.
  f->SetPeakMethod(true, 2);
  EXPECT_EQ(f->Controls.Chrom.PeakMethod, 1);
  EXPECT_TRUE(f->Controls.Chrom.PeakParamsEnabled);
}

TEST_F(FramePages, UnitsAndRanges) {
  auto f = NewFrame();
  FillRun(*f, {{{40, 1}}, {{40, 2}}, {{41, 3}}, {{40, 1}}});
  f->sgRangesChrom.SetRow(1, "1", "2", "");
  f->sgRangesMass.SetRow(1, "40", "-", "");
  f->UpdateRanges(true);
  f->UpdateRanges(false);
  EXPECT_EQ(f->sgRangesChrom.Cell(0, 0), "Start idx");
  EXPECT_EQ(f->sgRangesChrom.Cell(1, 0), "End index");

  // Intensity units keep the ranges of both views.
  f->SetPercentY(true, true);
  f->SetPercentY(false, true);
  EXPECT_EQ(f->sgRangesChrom.RangeNumber(), 1);
  EXPECT_EQ(f->sgRangesMass.RangeNumber(), 1);

  // The chromatogram's X units clear its ranges and name the columns.
  f->SetXUnits(true, 2);
  EXPECT_EQ(f->sgRangesChrom.RangeNumber(), 0);
  EXPECT_EQ(f->sgRangesChrom.Cell(0, 0), "Start time");
  EXPECT_EQ(f->sgRangesChrom.Cell(1, 0), "End time");
  EXPECT_EQ(f->sgRangesMass.RangeNumber(), 1);
  // The mass units clear the mass ranges.
  f->SetXUnits(false, 1);
  EXPECT_EQ(f->sgRangesMass.RangeNumber(), 0);
}

TEST_F(FramePages, ClearAndUpdateWorkInRangeMode) {
  auto f = NewFrame();
  FillRun(*f, {{{40, 1}}, {{40, 2}}, {{41, 3}}, {{40, 1}}});
  EXPECT_FALSE(f->Controls.Chrom.RangeCommands);
  EXPECT_FALSE(f->Controls.Mass.RangeCommands);
  f->chrChrom.SetZoomMode(false);
  f->chrMass.SetZoomMode(false);
  EXPECT_TRUE(f->Controls.Chrom.RangeCommands);
  EXPECT_TRUE(f->Controls.Mass.RangeCommands);

  // Update: the view takes the grid over and the mass spectrum follows.
  f->sgRangesChrom.SetRow(1, "1", "2", "");
  f->UpdateRanges(true);
  EXPECT_EQ(f->chrChrom.RMarks().size(), 1u);
  EXPECT_EQ(f->Spec.CMass, (tXYarray{{40, 2}, {41, 3}}));
  // Clear: no range, 100 zero points.
  f->ClearRanges(true);
  EXPECT_TRUE(f->chrChrom.RMarks().empty());
  EXPECT_EQ(f->Spec.CMass.size(), 100u);
  // The mass grid drives the ion chromatogram the same way.
  f->sgRangesMass.SetRow(1, "41", "-", "");
  f->UpdateRanges(false);
  EXPECT_EQ(f->chrChrom.Y(), (std::vector<double>{0, 0, 3, 0}));
  f->ClearRanges(false);
  EXPECT_EQ(f->chrChrom.Y(), (std::vector<double>{0, 0, 0, 0}));
}

TEST_F(FramePages, TheChromatogramsDataTableFollowsTheCursor) {
  std::vector<tXYarray> scans;
  for (int i = 0; i < 12; ++i)
    scans.push_back({{40, float(i == 3 ? 50 : 1)}, {41, float(i)}});
  auto f = NewFrame();
  FillRun(*f, scans);  // opens on scan 3, the largest total
  f->chrChrom.SetCursorIndex(7);
  f->chrChrom.SetZoomMode(false);
  f->SetShowData(true, true);
  // The table opens on the row of scan 7 (the 8th row, below the header),
  // whose spectrum the mass view shows, in zoom mode.
  EXPECT_EQ(f->chrChrom.DataRow(), 7);
  EXPECT_EQ(f->LastMassIdx, 7);
  EXPECT_EQ(Series(f->chrMass), (Points{{40, 1}, {41, 7}}));
  EXPECT_TRUE(f->chrChrom.ZoomMode());
  EXPECT_FALSE(f->chrChrom.ChartVis());
  EXPECT_TRUE(f->Controls.Chrom.ShowData);

  // Back to the chart from row 9: the cursor and the mass view go there.
  f->chrChrom.SetDataRowFromTable(9);
  f->chrChrom.SetChartVis(true);  // the view's "Data Table" button
  EXPECT_FALSE(f->Controls.Chrom.ShowData);
  EXPECT_EQ(f->chrChrom.CursorIndex(), 9);
  EXPECT_EQ(f->LastMassIdx, 9);

  // A row that holds no number leaves both where they are.
  f->SetShowData(true, true);
  f->chrChrom.SetDataRowFromTable(-1);
  f->SetShowData(true, false);
  EXPECT_EQ(f->chrChrom.CursorIndex(), 9);
  EXPECT_EQ(f->LastMassIdx, 9);
}

TEST_F(FramePages, AutomaticThresholdIsShown) {
  // Intensities 1, 1, 1, 1, 100: mean 20.8, the level is the mean of the
  // four below 41.6, 1.
  auto f = NewFrame();
  f->SetMassOnly(true);
  f->SetCMass({{40, 1}, {41, 1}, {42, 1}, {43, 1}, {44, 100}});
  f->SetBLineOn(false, true);
  f->SetThreshold(false, 30);
  f->SetAutoTS(false, true);
  EXPECT_EQ(f->Controls.Mass.Threshold, 1);
  EXPECT_EQ(f->SpOpt().oMass.BLine.Threshold, 1);
  EXPECT_EQ(f->chrMass.Y().back(), 99);
}

TEST_F(FramePages, ThePropertyToolBar) {
  auto f = NewFrame();
  // The right button over "Peaks" (page 3): the chromatogram's pages open,
  // then close; the mass spectrum's stay open.
  f->ToolPageRequested(true, pgPeaks);
  EXPECT_TRUE(f->Controls.Chrom.PagesShown);
  EXPECT_EQ(f->Controls.Chrom.Page, pgPeaks);
  f->ToolPageRequested(true, pgPeaks);
  EXPECT_FALSE(f->Controls.Chrom.PagesShown);
  for (int i = 0; i < 2; ++i) {
    f->ToolPageRequested(false, pgPeaks);
    EXPECT_TRUE(f->Controls.Mass.PagesShown);
    EXPECT_EQ(f->Controls.Mass.Page, pgPeaks);
  }

  // tbChrom and tbMass toggle the pages unless only the other view shows;
  // their right button hides and shows the view.
  f->ChromBarClicked();
  EXPECT_TRUE(f->Controls.Chrom.PagesShown);
  f->ChromBarRightClicked();
  EXPECT_EQ(f->WhatVis(), wvMass);
  f->ChromBarClicked();
  EXPECT_TRUE(f->Controls.Chrom.PagesShown) << "the chromatogram is hidden";
  f->ChromBarRightClicked();
  EXPECT_EQ(f->WhatVis(), wvBoth);
  f->MassBarRightClicked();
  EXPECT_EQ(f->WhatVis(), wvChrom);
  f->MassBarClicked();
  EXPECT_TRUE(f->Controls.Mass.PagesShown) << "the mass spectrum is hidden";
  f->MassBarRightClicked();
  f->MassBarClicked();
  EXPECT_FALSE(f->Controls.Mass.PagesShown);
  f->CommonBarClicked();
  EXPECT_TRUE(f->Controls.CommonShown);

  // "Tabs Visible" keeps the page the frame is on.
  f->SetPage3D(1);
  f->SetTabsVisible(true);
  EXPECT_EQ(f->Controls.Page3D, 1);
  f->SetTabsVisible(false);
  EXPECT_EQ(f->Controls.Page3D, 1);
}

TEST(WaterfallLayout, TracesClimbAndLeanByTheirShareOfTheData) {
  // Two traces over m/z 40..100, largest intensity 500 (worked by hand):
  // the step in mass is (100 - 40) / 3 / 2 = 10, in intensity
  // 500 * 1.2 / 2 = 300.
  std::vector<PlotFrame::WaterfallTrace> traces{{0, {{50, 200}, {100, 10}}},
                                                {20, {{40, 500}, {60, 1}}}};
  const auto l = PlotFrame::LayOutWaterfall(traces);
  EXPECT_EQ(l.LowX, 40);
  EXPECT_EQ(l.HighX, 100);
  EXPECT_DOUBLE_EQ(l.StepX, 10);
  EXPECT_DOUBLE_EQ(l.StepY, 300);
  // No points at all (a run of empty scans): unit steps, nothing divided
  // by zero.
  const auto empty = PlotFrame::LayOutWaterfall({{0, {}}, {20, {}}});
  EXPECT_DOUBLE_EQ(empty.StepX, 1.0 / 3.0 / 2);
  EXPECT_DOUBLE_EQ(empty.StepY, 1.2 / 2);
}
