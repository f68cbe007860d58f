// The plot frame's logic: templates, opening, saving and pasting data, the
// two kinds of frame, the layout rules and what the views are given.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "FrameFixture.h"
#include "ScriptedUi.h"
#include "TempDir.h"
#include "core/common/Directories.h"
#include "core/common/Errors.h"
#include "core/common/Paths.h"
#include "core/plots/PlotFrame.h"

using namespace sorrel;
using sorrel::test::ScriptedUi;
using sorrel::test::TempDir;

using sorrel::test::FrameTest;
using Points = FrameTest::Points;

TEST_F(FrameTest, TemplateNamesResolveToTheConfigDirectoryOrToNone) {
  struct Case {
    std::string tml;
    std::string file;  // the options file; "" for none
    std::string group;
  } cases[] = {
      {"", "", "<none>"},
      {"<none>", "", "<none>"},
      {"Empty.TML", "", "<none>"},
      {"/some/where/EMPTY.tml", "", "<none>"},
      {"gc", Config("gc.tml"), "gc.tml"},
      {"gc.tml", Config("gc.tml"), "gc.tml"},
      {"/abs/dir/look.ini", "/abs/dir/look.ini", "look.ini"},
      {"sub/look", "sub/look.tml", "look.tml"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.tml);
    EXPECT_EQ(ResolveTemplateName(c.tml), c.file);
    auto f = NewFrame(c.tml);
    EXPECT_EQ(f->SpOpt().FileName(), c.file.empty() ? Config("empty.tml") : c.file);
    EXPECT_EQ(f->TemplateCaption(), " Base Template (" + c.group + ")");
    EXPECT_EQ(f->TmplName(), c.file);
  }
  EXPECT_TRUE(ui.questions.empty());
}

TEST_F(FrameTest, ATemplateIsReadOverTheDefaults) {
  // Only the mass peak method is in the file; everything else takes the
  // defaults of the template table (mass method 2 among them).
  std::ofstream(Config("gc.tml")) << "[M_Peak]\r\nMethod=0\r\n[C_Visual]\r\nXUnits=2\r\n";
  auto f = NewFrame("gc");
  EXPECT_EQ(f->SpOpt().oMass.Peak.Method, 0);
  EXPECT_EQ(f->SpOpt().oChrom.XUnits, 2);
  EXPECT_TRUE(f->SpOpt().oMass.FixY);
  EXPECT_EQ(f->sgRangesChrom.Cell(0, 0), "Start time");
  EXPECT_EQ(f->sgRangesMass.Cell(1, 0), "End m/z");
  EXPECT_EQ(f->sgRangesMass.Cell(2, 0), "W");
}

TEST_F(FrameTest, AMissingConfigDirectoryIsAskedForAndDeclinedNamesStayBare) {
  TempDir bare;
  SetProgramDir(bare.Path());
  ui.QueueConfirm(false);
  auto f = NewFrame("gc");
  EXPECT_EQ(f->SpOpt().FileName(), "gc.tml");
  ASSERT_EQ(ui.questions.size(), 1u);
  EXPECT_EQ(ui.questions[0], bare.Path() + "Config/ does not exist.\nDo you want to create one ?");
}

TEST_F(FrameTest, TextSpectraOpenAsMassOnlyFrames) {
  const std::string txt = dir.Write("s.txt", "40\t5\r\n41.5\t7\r\n44\t100\r\n");
  auto f = NewFrame();
  ASSERT_TRUE(f->OpenData(txt));
  EXPECT_TRUE(f->MassOnly());
  EXPECT_EQ(f->WhatVis(), wvMass);
  EXPECT_EQ(Series(f->chrMass), (Points{{40, 5}, {41.5, 7}, {44, 100}}));
  EXPECT_TRUE(f->chrChrom.IsEmpty());
  EXPECT_EQ(f->Caption(), txt + " (Sp1)");
  EXPECT_EQ(f->chrMass.Title(), f->Caption());
  EXPECT_TRUE(f->chrMass.NearestActive());

  // A Y-only file in a run frame: the first mass is asked for, and the
  // frame becomes mass-only.
  const std::string prn = dir.Write("y.prn", "5\r\n7\r\n");
  auto g = NewFrame();
  ui.QueueInput("40");
  ASSERT_TRUE(g->OpenData(prn));
  EXPECT_TRUE(g->MassOnly());
  EXPECT_EQ(Series(g->chrMass), (Points{{40, 5}, {41, 7}}));
}

TEST_F(FrameTest, NetCDFRunsShowTheirInstrumentAndOpenOnTheirApex) {
  // Values as ncdump prints them for this file of the ANDI/MS round robin.
  const std::string cdf = test::TestData("netcdf/EXTREL_CENTSCNL.CDF");
  auto f = NewFrame();
  ASSERT_TRUE(f->OpenData(cdf));
  EXPECT_FALSE(f->MassOnly());
  ASSERT_TRUE(f->FileInfoVisible());
  const auto& info = f->FileInfo();
  ASSERT_EQ(info.size(), 6u);
  EXPECT_EQ(info[0].first, "instr.name");
  EXPECT_EQ(info[0].second, "mass spectrometer");
  EXPECT_EQ(info[2].first, "instr.mfr");
  EXPECT_EQ(info[2].second, "Extrel FTMS, Millipore Corp.");
  EXPECT_EQ(info[3].second, "ftms_2001");
  EXPECT_EQ(info[5].first, "instr.sw_ver.");
  EXPECT_EQ(f->chrChrom.Count(), f->Spec.NSpec());
  EXPECT_EQ(f->chrChrom.Title(), f->Caption());
  // The apex: the first scan of the largest total.
  int apex = 0;
  for (int i = 0; i < f->Spec.NSpec(); ++i)
    if (f->Spec.Chrom[static_cast<size_t>(i)][1] > f->Spec.Chrom[static_cast<size_t>(apex)][1])
      apex = i;
  EXPECT_EQ(f->LastMassIdx, apex);
  EXPECT_EQ(f->chrChrom.CursorIndex(), apex);
  EXPECT_EQ(f->chrMass.Count(), static_cast<int>(f->Spec.GetMass(apex).size()));
  EXPECT_EQ(ui.busyDepth, 0);
  // Clearing the frame clears the instrument of the file it showed.
  f->Clear();
  EXPECT_FALSE(f->FileInfoVisible());
  EXPECT_TRUE(f->IsEmpty());
}

TEST_F(FrameTest, ARawDirectoryOpensByItsOwnName) {
  // The reader libraries live beside the program.
  for (const char* lib : {"libkelpinfo.so", "libkelpread.so"})
    std::filesystem::copy_file(std::string(SORREL_BIN_DIR) + "/" + lib, dir.File(lib));
  auto f = NewFrame();
  ASSERT_TRUE(f->OpenData(test::TestData("masslynx/indigo.raw")));
  EXPECT_FALSE(f->MassOnly());
  EXPECT_EQ(f->Spec.NSpec(), 3865);  // as sorrel info counts them
  EXPECT_EQ(f->chrChrom.Count(), 3865);
}

TEST_F(FrameTest, OpenDataLooksInTheDataPathAndNamesTheFileItMissed) {
  auto f = NewFrame();
  f->SpOpt().DataPath = dir.Path() + "Data";  // without the trailing "/"
  std::ofstream(Data("d.txt")) << "50\t1\r\n51\t2\r\n";
  ASSERT_TRUE(f->OpenData("/no/such/dir/d.txt"));
  EXPECT_EQ(f->Spec.Filename(), Data("d.txt"));
  try {
    f->OpenData("/no/such/dir/e.txt");
    FAIL() << "no error";
  } catch (const SorrelError& e) {
    EXPECT_EQ(std::string(e.what()), "File <" + Data("e.txt") + "> does not exist.");
  }
  EXPECT_TRUE(f->IsEmpty());
  try {
    f->OpenData(dir.File("missing.txt"));
    FAIL() << "no error";
  } catch (const SorrelError& e) {
    EXPECT_EQ(std::string(e.what()), "File <" + dir.File("missing.txt") + "> does not exist.");
  }
}

TEST_F(FrameTest, OpenDataWithoutANameAsks) {
  auto f = NewFrame();
  f->SpOpt().DataPath = Data("");
  ui.QueueOpenFiles({});
  EXPECT_FALSE(f->OpenData(""));
  ASSERT_EQ(ui.dialogs.size(), 1u);
  EXPECT_EQ(ui.dialogs[0].title, "Open data file");
  EXPECT_EQ(ui.dialogs[0].initialDir, Data(""));
  EXPECT_EQ(ui.dialogs[0].filterIndex, 2);  // a run frame offers netCDF first
  ASSERT_EQ(ui.dialogs[0].filters.size(), 6u);
  EXPECT_EQ(ui.dialogs[0].filters[3].description, "HD(*.R*)");
  EXPECT_EQ(ui.dialogs[0].filters[3].pattern, "*.R*");
  ui.QueueOpenFiles({dir.Write("a.txt", "1\t1\r\n2\t2\r\n")});
  EXPECT_TRUE(f->OpenData(""));
  EXPECT_TRUE(f->MassOnly());
  ui.QueueOpenFiles({});
  f->OpenData("");
  EXPECT_EQ(ui.dialogs.back().filterIndex, 1);  // a mass-only frame offers text
}

TEST_F(FrameTest, SaveDataAsksBeforeReplacingAndNeedsTheDirectory) {
  auto f = NewFrame();
  ASSERT_TRUE(f->OpenData(dir.Write("s.txt", "40\t5\r\n41\t7\r\n")));
  const std::string out = dir.Write("out.txt", "keep");
  ui.QueueConfirm(false);
  EXPECT_FALSE(f->SaveData(out));
  EXPECT_EQ(ui.questions.back(), "File already exists. Overwrite ?");
  EXPECT_EQ(test::ReadAll(out), "keep");
  ui.QueueConfirm(true);
  EXPECT_TRUE(f->SaveData(out));
  EXPECT_NE(test::ReadAll(out), "keep");
  EXPECT_FALSE(f->SaveData("/no/such/dir/x.txt"));
  EXPECT_EQ(ui.messages.back(), "Marjoram Error Message: Directory does not exist.");
  // A bare name goes to the data directory.
  f->SpOpt().DataPath = Data("");
  EXPECT_TRUE(f->SaveData("bare.txt"));
  EXPECT_TRUE(FileExists(Data("bare.txt")));
}

TEST_F(FrameTest, SaveDataThroughTheDialogAddsTheFiltersExtension) {
  auto f = NewFrame();
  FillRun(*f, {{{40, 1}, {41, 2}}, {{40, 3}}, {{42, 5}}});
  struct Case {
    std::string name;
    int filter;
    std::string written;
  } cases[] = {
      {dir.File("run"), 3, dir.File("run.R01")},
      {dir.File("run2.cdf"), 3, dir.File("run2.cdf")},
      {dir.File("run3"), 2, dir.File("run3.cdf")},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ui.QueueSaveFile(c.name, c.filter);
    EXPECT_TRUE(f->SaveData(""));
    EXPECT_TRUE(FileExists(c.written));
    TSpec back;
    ASSERT_TRUE(back.OpenFile(c.written));
    EXPECT_EQ(back.NSpec(), 3);
  }
  EXPECT_EQ(ui.dialogs[0].title, "Save file as");
  EXPECT_EQ(ui.dialogs[0].filterIndex, 1);  // a run made in memory has no file kind
  // The dialog asked about "run": "run.R01" exists and is not replaced
  // unasked.
  ui.QueueSaveFile(dir.File("run"), 3);
  ui.QueueConfirm(false);
  EXPECT_FALSE(f->SaveData(""));
  EXPECT_EQ(ui.questions.back(), "File already exists. Overwrite ?");
}

// What an HD file cannot hold of the frame's run (an intensity of 2.5 is
// written as 2, and the scan's total of 3.5 comes back as 3) is said in
// one message, as the store words it; the file is written. A netCDF file
// keeps the run as it is and says nothing.
TEST_F(FrameTest, SaveDataSaysWhatTheFileCannotHold) {
  auto f = NewFrame();
  FillRun(*f, {{{40, 1}, {41, 2.5}}, {{40, 3}}});
  ui.messages.clear();
  const std::string out = dir.File("lossy.R01");
  EXPECT_TRUE(f->SaveData(out));
  EXPECT_TRUE(FileExists(out));
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_EQ(ui.messages[0], SaveLossText(f->Spec.LastSaveLosses()));
  EXPECT_NE(ui.messages[0].find(out), std::string::npos);
  EXPECT_NE(ui.messages[0].find("2.5 becomes 2"), std::string::npos);
  EXPECT_NE(ui.messages[0].find("3.5 becomes 3"), std::string::npos);
  ui.messages.clear();
  EXPECT_TRUE(f->SaveData(dir.File("kept.cdf")));
  EXPECT_TRUE(ui.messages.empty());
}

TEST_F(FrameTest, PasteMakesAMassOnlyFrame) {
  auto f = NewFrame();
  FillRun(*f, {{{40, 1}}, {{41, 2}}});
  ui.clipboard = "10\t100\r\n11\t200\r\n12\t300\r\n";
  EXPECT_TRUE(f->PasteMass());
  EXPECT_TRUE(f->MassOnly());
  EXPECT_EQ(Series(f->chrMass), (Points{{10, 100}, {11, 200}, {12, 300}}));
  EXPECT_TRUE(f->chrChrom.IsEmpty());
}

TEST_F(FrameTest, BecomingMassOnlyKeepsTheShownScan) {
  auto f = NewFrame();
  FillRun(*f, {{{40, 1}, {41, 2}}, {{50, 9}, {52, 3}, {53, 1}}, {{60, 4}}});
  ASSERT_EQ(f->LastMassIdx, 1);  // the largest total
  // Writing the current spectrum of a run frame changes nothing.
  f->SetCMass({{1, 1}, {2, 2}});
  EXPECT_EQ(Series(f->chrMass), (Points{{50, 9}, {52, 3}, {53, 1}}));
  f->SetMassOnly(true);
  EXPECT_EQ(f->WhatVis(), wvMass);
  EXPECT_TRUE(f->SpOpt().MassOnly);
  EXPECT_EQ(f->Spec.NSpec(), 0);
  EXPECT_EQ(Series(f->chrMass), (Points{{50, 9}, {52, 3}, {53, 1}}));
  f->SetCMass({{1, 1}, {2, 2}});
  EXPECT_EQ(Series(f->chrMass), (Points{{1, 1}, {2, 2}}));
  f->SetMassOnly(false);
  EXPECT_EQ(f->WhatVis(), wvBoth);
  EXPECT_TRUE(f->IsEmpty());
}

TEST_F(FrameTest, TheRunOpensOnTheFirstLargestTotal) {
  struct Case {
    std::vector<float> tic;
    int scan;
  } cases[] = {{{5, 9, 9}, 1}, {{0, 0, 0}, 0}, {{3, 1, 7}, 2}};
  for (const Case& c : cases) {
    auto f = NewFrame();
    std::vector<tXYarray> scans;
    for (float t : c.tic)
      scans.push_back({{44, t}});
    FillRun(*f, scans);
    EXPECT_EQ(f->LastMassIdx, c.scan);
    EXPECT_EQ(f->chrChrom.CursorIndex(), c.scan);
  }
}

TEST_F(FrameTest, TheChromatogramFollowsItsXUnits) {
  auto f = NewFrame();
  FillRun(*f, {{{40, 1}}, {{40, 2}}, {{40, 3}}});  // at 10, 20 and 30 s
  const std::vector<double> want[] = {{0, 1, 2}, {10, 20, 30}, {10 / 60.0, 20 / 60.0, 0.5}};
  for (int units = 0; units < 3; ++units) {
    f->SpOpt().oChrom.XUnits = units;
    f->ShowChrom();
    EXPECT_EQ(f->chrChrom.X(), want[units]) << units;
    EXPECT_EQ(f->chrChrom.Y(), (std::vector<double>{1, 2, 3}));
  }
}

TEST_F(FrameTest, RangeModeSumsTheScansOfTheChromatogramRanges) {
  // Scans 10 to 12 hold (44.6, 10) and (45.4, 5): on unit masses they sum
  // to (45, 3 * 15). Scans 2 and 3 hold (45.2, 50) in a range of weight -1
  // that comes earlier in the run: clamped at 0 before the others add.
  std::vector<tXYarray> scans(15, tXYarray{{30, 1}});
  for (int s : {10, 11, 12})
    scans[static_cast<size_t>(s)] = {{44.6f, 10}, {45.4f, 5}};
  for (int s : {2, 3})
    scans[static_cast<size_t>(s)] = {{45.2f, 50}};
  auto f = NewFrame();
  FillRun(*f, scans);
  f->sgRangesChrom.SetRow(1, "10", "12", "1");
  f->sgRangesChrom.SetRow(2, "2", "3", "-1");
  f->chrChrom.SetZoomMode(false);  // the view tells the frame, which sums
  EXPECT_EQ(f->Spec.CMass, (tXYarray{{45, 45}}));
  EXPECT_EQ(Series(f->chrMass), (Points{{45, 45}}));
  // No range: 100 zero points from m/z 0.
  f->sgRangesChrom.ClearStarts();
  f->ShowSMass(-1);
  ASSERT_EQ(f->Spec.CMass.size(), 100u);
  EXPECT_EQ(f->Spec.CMass[99], (dPoint{99, 0}));

  // Mass view in range mode: the chromatogram is the ion chromatogram of
  // the mass ranges (here m/z 45 +- 0.5, weight 2, which holds 44.6 and
  // 45.4 but not 30).
  f->chrChrom.SetZoomMode(true);
  f->sgRangesMass.SetRow(1, "45", "-", "2");
  f->chrMass.SetZoomMode(false);
  std::vector<double> sic(15, 0);
  for (int s : {10, 11, 12})
    sic[static_cast<size_t>(s)] = 2 * 15;
  for (int s : {2, 3})
    sic[static_cast<size_t>(s)] = 2 * 50;
  EXPECT_EQ(f->chrChrom.Y(), sic);
}

TEST_F(FrameTest, LayoutRules) {
  auto f = NewFrame();
  EXPECT_EQ(f->WhatVis(), wvBoth);
  EXPECT_EQ(f->VisRatio, 40);
  EXPECT_TRUE(f->GardeRatio());
  EXPECT_EQ(f->ChromHeightAfterResize(1000), 400);
  f->SetWhatVis(wvBoth);
  EXPECT_EQ(f->ChromHeightAfterWhatVis(1000), 330);
  f->SplitterMoved(555, 1000);
  EXPECT_EQ(f->VisRatio, 56);  // 55.5 rounds to even
  f->SetWhatVis(wvMass);
  EXPECT_EQ(f->ChromHeightAfterWhatVis(1000), 0);
  EXPECT_EQ(f->ChromHeightAfterResize(1000), -1);
  f->SplitterMoved(100, 1000);
  EXPECT_EQ(f->VisRatio, 56);  // only while both views show
  f->SetWhatVis(wvChrom);
  EXPECT_EQ(f->ChromHeightAfterWhatVis(1000), 1000);
  f->VisRatio = 0;
  f->SetWhatVis(wvBoth);
  EXPECT_EQ(f->VisRatio, 33);
  f->SetGardeRatio(false);
  EXPECT_EQ(f->ChromHeightAfterResize(1000), -1);
}

TEST_F(FrameTest, TemplatesOpenOverTheSettingsAndSaveAsCopies) {
  std::ofstream(Config("base.tml")) << "[C_Smooth]\r\nSGDegree=7\r\n";
  auto f = NewFrame("base");
  f->SpOpt().oMass.BLine.Threshold = 12.5;
  std::ofstream(Config("other.tml")) << "[M_Peak]\r\nSensiv=9\r\n";
  ui.QueueOpenFiles({Config("other.tml")});
  EXPECT_TRUE(f->OpenTemplate());
  EXPECT_EQ(ui.dialogs.back().title, "Open template");
  EXPECT_EQ(ui.dialogs.back().initialDir, Config(""));
  EXPECT_EQ(f->SpOpt().oMass.Peak.Sensiv, 9);
  EXPECT_EQ(f->SpOpt().oMass.BLine.Threshold, 12.5);  // not in the file: kept
  EXPECT_EQ(f->SpOpt().oChrom.Smooth.SGDegree, 7);
  EXPECT_EQ(f->SpOpt().FileName(), Config("base.tml"));
  EXPECT_EQ(f->TmplName(), Config("base.tml"));

  ui.QueueSaveFile(Config("copy"));
  EXPECT_TRUE(f->SaveTemplateAs());
  tSpOpt copy(Config("copy.tml"));
  copy.Open();
  EXPECT_EQ(copy.oMass.Peak.Sensiv, 9);
  EXPECT_EQ(copy.oMass.BLine.Threshold, 12.5);

  // Another frame's settings: the file name stays the frame's.
  auto g = NewFrame();
  g->TakeOptionsOf(*f);
  EXPECT_EQ(g->SpOpt().oMass.Peak.Sensiv, 9);
  EXPECT_EQ(g->SpOpt().FileName(), Config("empty.tml"));
  EXPECT_EQ(g->TemplateCaption(), "Template (empty.tml)");
  EXPECT_EQ(g->TmplName(), "");
}

TEST_F(FrameTest, ClosingSavesTheTemplateOnlyWhenAskedAndNeverTheDefaults) {
  {
    auto f = NewFrame();
    f->SaveTemplateOnClose = true;
    f->SpOpt().oMass.Peak.Sensiv = 8;
  }
  EXPECT_FALSE(FileExists(Config("empty.tml")));
  {
    auto f = NewFrame("gc");
    f->SpOpt().oMass.Peak.Sensiv = 8;
  }
  EXPECT_FALSE(FileExists(Config("gc.tml")));
  {
    auto f = NewFrame("gc");
    f->SaveTemplateOnClose = true;
    f->SpOpt().oMass.Peak.Sensiv = 8;
  }
  tSpOpt saved(Config("gc.tml"));
  saved.Open();
  EXPECT_EQ(saved.oMass.Peak.Sensiv, 8);
  // A template that cannot be written is reported, not lost in silence.
  {
    auto f = NewFrame("/no/such/dir/t.tml");
    f->SaveTemplateOnClose = true;
  }
  ASSERT_FALSE(ui.messages.empty());
  EXPECT_NE(ui.messages.back().find("Unable to write to /no/such/dir/t.tml"), std::string::npos);
}

TEST_F(FrameTest, FillWithSamplesMakesARunFrame) {
  auto f = NewFrame();
  f->SetMassOnly(true);
  f->FillWithSamples();
  EXPECT_FALSE(f->MassOnly());
  EXPECT_GT(f->Spec.NSpec(), 0);
  EXPECT_EQ(f->chrChrom.Count(), f->Spec.NSpec());
  EXPECT_FALSE(f->chrMass.IsEmpty());
}

// The current spectrum (what preprocessing and classification take) is the
// scan or spectrum the mass view shows, through the frame's processing; a
// frame taking another's options keeps its kind.
TEST_F(FrameTest, TheCurrentSpectrumIsTheShownOneThroughTheProcessing) {
  auto run = NewFrame();
  FillRun(*run, {{{40, 1}, {41, 2}}, {{50.2f, 9}, {51.7f, 3}}, {{60, 4}}});
  ASSERT_EQ(run->LastMassIdx, 1);
  EXPECT_EQ(run->CurrentMass(), (tXYarray{{50.2f, 9}, {51.7f, 3}}));
  run->ShowSMass(2);
  EXPECT_EQ(run->CurrentMass(), (tXYarray{{60, 4}}));

  // A mass-only frame on unit masses: each intensity at its nearest integer
  // mass, from floor(50.2) to ceil(51.7).
  auto text = NewFrame();
  text->SetMassOnly(true);
  text->SetCMass({{50.2f, 9}, {51.7f, 3}});
  text->SetXUnits(false, 1);
  text->RefreshPlot();
  const tXYarray unit{{50, 9}, {51, 0}, {52, 3}};
  EXPECT_EQ(text->CurrentMass(), unit);

  run->ShowSMass(1);
  run->TakeOptionsOf(*text);
  EXPECT_FALSE(run->MassOnly());
  EXPECT_EQ(run->Spec.NSpec(), 3);
  EXPECT_EQ(run->SpOpt().oMass.XUnits, 1);
  EXPECT_EQ(run->CurrentMass(), unit);
  // And the other way round: the spectrum stays.
  auto other = NewFrame();
  FillRun(*other, {{{50, 1}}});
  text->TakeOptionsOf(*other);
  EXPECT_TRUE(text->MassOnly());
  EXPECT_EQ(text->CurrentMass(), (tXYarray{{50.2f, 9}, {51.7f, 3}}));
  text->Clear();
  EXPECT_TRUE(text->CurrentMass().empty());
}
