// The spectrum store: modes, reading, writing, range sums, file kinds.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>

#include "ScriptedUi.h"
#include "TempDir.h"
#include "core/common/Errors.h"
#include "core/common/Paths.h"
#include "core/common/TextFile.h"
#include "core/spectrum/Spec.h"

using namespace sorrel;

TEST(FileKindOf, FromTheName) {
  struct Case {
    const char* name;
    tFileKind kind;
  } cases[] = {
      {"a.txt", fkTxt},
      {"A.TXT", fkTxt},
      {"b.Prn", fkTxt},
      {"c.cdf", fkNetCDF},
      {"SP1.csh", fkCashe},
      {"run.R01", fkHD},
      {"run.r5", fkHD},
      {"run.R012", fkHD},
      {"run.R", fkNone},
      {"run.RAW", fkNone},
      {"x.raw", fkNone},
      {"run.Rab", fkNone},
      {"noext", fkNone},
      {"/d/sample.raw/_FUNC001.DAT", fkMassLynx},
      {"/d/sample.RAW/x.txt", fkMassLynx},
      {"/d.raw.d/a.txt", fkTxt},
      {"/data.v2/file", fkNone},
  };
  for (const auto& c : cases)
    EXPECT_EQ(FileKindOf(c.name), c.kind) << c.name;
}

TEST(LowerDecade, PowerOfTenStrictlyBelow) {
  struct Case {
    double x, p;
  } cases[] = {{250, 100}, {5, 1},           {99.9, 10}, {100, 0},  {0.5, 0}, {1, 0},
               {1.5, 1},   {1e25 * 5, 1e25}, {1e26, 0},  {1e30, 0}, {-5, 0}};
  for (const auto& c : cases)
    EXPECT_EQ(LowerDecade(c.x), c.p) << c.x;
}

TEST(Spec, AddSSpecKeepsRetentionTimesAscendingAndAlwaysRefreshes) {
  test::ScriptedUi ui;
  TSpec s;
  int refreshes = 0;
  s.RefreshPlot = [&] { ++refreshes; };
  s.SetAutoRefresh(true);
  EXPECT_EQ(refreshes, 1);  // switching on redraws
  EXPECT_EQ(s.AddSSpec(1.0, 10, {{50, 10}}), 0);
  EXPECT_EQ(s.AddSSpec(2.0, 5, {{51, 5}}), 1);
  try {
    s.AddSSpec(2.0, 5, {});
    FAIL() << "equal retention time accepted";
  } catch (const SorrelError& e) {
    EXPECT_STREQ(e.what(), "Retation times must follow in ascending order");
  }
  EXPECT_EQ(refreshes, 4) << "the failed add still redraws";
  EXPECT_EQ(s.NSpec(), 2);
  EXPECT_EQ(s.Chrom[1], (dPoint{2, 5}));
  EXPECT_EQ(s.GetMass(1), (tXYarray{{51, 5}}));
  EXPECT_TRUE(s.GetMass(2).empty());
  EXPECT_TRUE(s.GetMass(-1).empty());
  EXPECT_GE(ui.processMessagesCalls, 3);
}

TEST(Spec, AnOverflowingTotalIsAnArithmeticFault) {
  TSpec s;
  EXPECT_THROW(s.AddSSpec(1, 1e300, {}), MathError);
  EXPECT_EQ(s.NSpec(), 0);
}

TEST(Spec, SingleSpectrumMode) {
  TSpec s;
  s.SetMassOnly(true);
  EXPECT_EQ(s.FileKind(), fkTxt);
  EXPECT_EQ(s.AddSSpec(1, 1, {{5, 5}}), -1);
  EXPECT_EQ(s.CMass, (tXYarray{{5, 5}}));
  EXPECT_EQ(s.AddMass(6, 7, 99), 2);
  EXPECT_EQ(s.CMass.back(), (dPoint{6, 7}));
}

TEST(Spec, AddMassGrowsAScan) {
  TSpec s;
  s.AddSSpec(1, 0, {});
  EXPECT_EQ(s.AddMass(40, 1, 0), 1);
  EXPECT_EQ(s.AddMass(41, 2, 0), 2);
  EXPECT_EQ(s.AddMass(41, 2, 1), -1);
  EXPECT_EQ(s.AddMass(41, 2, -1), -1);
  EXPECT_EQ(s.GetMass(0).size(), 2u);
}

TEST(Spec, GetNomMassRoundsHalvesToEven) {
  TSpec s;
  s.AddSSpec(1, 0, {{45.5f, 1}, {46.5f, 2}});
  EXPECT_EQ(s.GetNomMass(0), (tXYarray{{45, 0}, {46, 3}, {47, 0}}));
  EXPECT_TRUE(s.GetNomMass(1).empty());
}

namespace {
// Ten scans at 1..10 s; scan i has the points (40, i) and (41.4, 1), its
// total intensity the given profile value.
void FillProfile(TSpec& s, std::initializer_list<float> tic) {
  int i = 0;
  for (float t : tic) {
    ++i;
    s.AddSSpec(i, t, {{40, float(i)}, {41.4f, 1}});
  }
}
}  // namespace

TEST(Spec, AreaSellectLimitIncludesTheFirstScanBeyondTheWindow) {
  TSpec s;
  FillProfile(s, {1, 1, 1, 1, 1, 1, 1, 1, 1, 1});
  tXYarray sum = s.AreaSellectLimit(3, 5);
  // Scans 3, 4, 5 and the first beyond, 6: 3+4+5+6 at mass 40; mass 41
  // gets 4 × 1; each nominal scan also carries (42, 0). lo = 40, hi = 42:
  // four points, the last one never reached keeps (0, 0).
  ASSERT_EQ(sum.size(), 4u);
  EXPECT_EQ(sum[0], (dPoint{40, 18}));
  EXPECT_EQ(sum[1], (dPoint{41, 4}));
  EXPECT_EQ(sum[2], (dPoint{42, 0}));
  EXPECT_EQ(sum[3], (dPoint{0, 0}));
}

TEST(Spec, AreaSellectThreWalksOutFromTheApexAboveTheLevel) {
  TSpec s;
  FillProfile(s, {0, 1, 5, 20, 60, 100, 50, 30, 4, 0});
  float left = -1, right = -1;
  // Level: 25% of 100. From the apex at 6 s the walk takes 5 s on the left
  // (60; 20 at 4 s is below) and 6, 7, 8 s on the right (100, 50, 30).
  tXYarray sum = s.AreaSellectThre(25, 6.2f, left, right);
  EXPECT_EQ(left, 5);
  EXPECT_EQ(right, 8);
  ASSERT_EQ(sum.size(), 4u);
  EXPECT_EQ(sum[0], (dPoint{40, 5 + 6 + 7 + 8}));
  EXPECT_EQ(sum[1], (dPoint{41, 4}));
  EXPECT_EQ(sum[2], (dPoint{42, 0}));
  // Above 100 percent nothing happens.
  left = right = -7;
  EXPECT_TRUE(s.AreaSellectThre(101, 6, left, right).empty());
  EXPECT_EQ(left, -7);
  // An apex below the level leaves both limits unchanged.
  EXPECT_EQ(s.AreaSellectThre(90, 1, left, right)[0][1], 0);
  EXPECT_EQ(left, -7);
}

TEST(Spec, FillSampleValuesMakesTenScansWithThreeBumps) {
  TSpec s;
  s.FillSampleValues(120);
  ASSERT_EQ(s.NSpec(), 10);
  for (int j = 0; j < 10; ++j) {
    EXPECT_EQ(s.Chrom[j][0], 22 + 2 * j);
    const tXYarray& m = s.GetMass(j);
    ASSERT_EQ(m.size(), 120u);
    double total = 0;
    for (const auto& p : m)
      total += p[1];
    EXPECT_NEAR(s.Chrom[j][1], total, 1e-3);
    // The bumps: local maxima of the noiseless curve at 40, 80 and 100,
    // heights 80/(5·sqrt(2π)) ≈ 6.38 plus noise below 0.67.
    EXPECT_NEAR(m[40][1], 80 / (5 * std::sqrt(2 * M_PI)), 0.67);
    EXPECT_GT(m[80][1], m[70][1] + 1);
    EXPECT_GT(m[100][1], m[90][1] + 1);
    EXPECT_LT(m[60][1], 0.7);
  }
}

TEST(Spec, AssignSpecCopiesEverything) {
  TSpec a, b;
  a.AddSSpec(1, 2, {{3, 4}});
  a.CMass = {{9, 9}};
  b.AddSSpec(7, 7, {});
  b.AssignSpec(a);
  EXPECT_EQ(b.Chrom, a.Chrom);
  EXPECT_EQ(b.CMass, a.CMass);
  EXPECT_EQ(b.GetMass(0), (tXYarray{{3, 4}}));
  b.AssignSpec(b);
  EXPECT_EQ(b.NSpec(), 1);
}

TEST(Spec, SaveFileDispatchesOnTheNewName) {
  test::ScriptedUi ui;
  test::TempDir dir;
  TSpec s;
  EXPECT_THROW(s.SaveFile(""), SorrelError);
  s.SetMassOnly(true);
  s.CMass = {{1, 2}};
  EXPECT_TRUE(s.SaveFile(dir.File("x.txt")));
  EXPECT_EQ(ui.busyDepth, 0) << "the cursor comes back";
}

// Whatever cannot be saved is said with the file's name and the reason,
// and nothing is written: an error where the save cannot go on, a message
// and false where the name does not make a data file.
TEST(Spec, WhatCannotBeSavedNamesTheFileAndTheReason) {
  test::TempDir dir;
  TSpec single, emptySingle, runWithoutSpectrum;
  single.SetMassOnly(true);
  single.CMass = {{1, 2}};
  emptySingle.SetMassOnly(true);
  runWithoutSpectrum.AddSSpec(1, 1, {{50, 1}});
  const std::string runNeeded = ", and there is none (a single spectrum is saved as .txt)";
  struct Case {
    TSpec* spec;
    std::string name;
    std::string error;    // the error, or empty
    std::string message;  // else the message
  } cases[] = {
      {&emptySingle, "e.txt", "No data to save in %: the spectrum holds no points", ""},
      {&runWithoutSpectrum, "c.txt",
       "No data to save in %: the current spectrum holds no points (a text file holds one "
       "spectrum; a run is saved as .cdf or .R01)",
       ""},
      {&single, "s.R01", "No data to save in %: an HD file holds a run of scans" + runNeeded, ""},
      {&single, "s.cdf", "",
       "No data to save in %: a netCDF file holds a run of scans" + runNeeded},
      {&single, "x.unknown", "",
       "Unknown file type: % (a spectrum is saved as .txt, a run as .cdf or .R01)"},
      {&single, "a.raw/b.txt", "", "MassLynx file saving is not available yet: %"},
      {&single, "SP1.csh", "",
       "Cache files are not saved: % (the program keeps its own SP?.csh in the Data directory; "
       "a run is saved as .cdf or .R01)"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    test::ScriptedUi ui;
    const std::string path = dir.File(c.name);
    auto named = [&path](std::string text) {
      if (auto p = text.find('%'); p != std::string::npos) text.replace(p, 1, path);
      return text;
    };
    if (!c.error.empty()) {
      try {
        c.spec->SaveFile(path);
        ADD_FAILURE() << "no error";
      } catch (const SorrelError& e) {
        EXPECT_EQ(std::string(e.what()), named(c.error));
      }
      EXPECT_TRUE(ui.messages.empty());
    } else {
      EXPECT_FALSE(c.spec->SaveFile(path));
      EXPECT_EQ(ui.messages, std::vector<std::string>{named(c.message)});
    }
    EXPECT_FALSE(std::filesystem::exists(path));
  }
}

TEST(Spec, OpenFileOfAMissingFileNamesIt) {
  test::TempDir dir;
  TSpec s;
  try {
    s.OpenFile(dir.File("gone.txt"));
    FAIL();
  } catch (const SorrelError& e) {
    EXPECT_NE(std::string(e.what()).find("gone.txt"), std::string::npos);
  }
}

TEST(Spec, OpenFileOfAnUnknownKindIsFalseAndEmpty) {
  test::ScriptedUi ui;
  test::TempDir dir;
  TSpec s;
  s.AddSSpec(1, 1, {{1, 1}});
  EXPECT_FALSE(s.OpenFile(dir.Write("notes.doc", "hello")));
  EXPECT_EQ(s.FileKind(), fkNone);
  EXPECT_EQ(s.NSpec(), 0);
  EXPECT_EQ(s.Filename(), "");
}
