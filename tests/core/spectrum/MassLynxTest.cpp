// MassLynx raw directories in the store: TSpec::OpenFile on a file inside a
// .raw directory, read through the two libraries beside the program. The
// runs are synthetic (built with the record layouts) or the real fixtures
// of tests/data/masslynx; the failure paths use stand-in libraries in a
// scratch program directory.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <limits>

#include "ScriptedUi.h"
#include "TempDir.h"
#include "core/common/Directories.h"
#include "core/common/Errors.h"
#include "core/spectrum/MassLynxRead.h"
#include "core/spectrum/Spec.h"
#include "rawreaders/KelpInterface.h"
#include "tests/rawreaders/RawDirBuilder.h"

using namespace sorrel;
using namespace sorrel::test::raw;
using ::testing::ElementsAre;
using ::testing::HasSubstr;

namespace {

using Points = std::vector<std::pair<float, float>>;

Points PointsOf(const tXYarray& s) {
  Points p;
  for (const dPoint& d : s)
    p.emplace_back(d[0], d[1]);
  return p;
}

// Opens the run the way a user does: by a file inside the directory.
bool OpenRaw(TSpec& spec, const std::string& dir) {
  return spec.OpenFile(dir + "_FUNC001.DAT");
}

// A program directory of the test's choosing, given back afterwards.
struct ProgramDirOverride {
  explicit ProgramDirOverride(const std::string& dir) { SetProgramDir(dir); }
  ~ProgramDirOverride() { SetProgramDir(""); }
};

struct EnvVar {
  std::string name;
  EnvVar(std::string n, const std::string& value) : name(std::move(n)) {
    setenv(name.c_str(), value.c_str(), 1);
  }
  ~EnvVar() { unsetenv(name.c_str()); }
};

void CopyFile(const std::string& from, const std::string& to) {
  std::filesystem::copy_file(from, to, std::filesystem::copy_options::overwrite_existing);
}
std::string RealLibrary(const char* file) {
  return std::string(SORREL_BIN_DIR) + "/" + file;
}
std::string FakeLibrary(const char* name) {
  return std::string(SORREL_FAKES_DIR) + "/lib" + name + ".so";
}

// The points 50, 60, 70, 40, 55, 55, 65 in format 0, all with intensity 1..7.
std::string CutExampleData() {
  return Format0(50, 1) + Format0(60, 2) + Format0(70, 3) + Format0(40, 4) + Format0(55, 5) +
         Format0(55, 6) + Format0(65, 7);
}

TEST(MassLynx, PointsAreCutIntoScansAndTheRepeatedMassIsDropped) {
  // With point counts that account for every point (3 + 4) and with counts
  // that do not (1 + 1), the scans come out the same: the mass falls at
  // the scan boundary.
  for (std::vector<uint32_t> counts : {std::vector<uint32_t>{3, 4}, std::vector<uint32_t>{1, 1}}) {
    test::ScriptedUi ui;
    test::TempDir tmp;
    RawDirBuilder raw(tmp.File("cut.raw"));
    raw.Functions(0).Scans(counts).Data(CutExampleData());
    TSpec spec;
    ASSERT_TRUE(OpenRaw(spec, raw.Dir()));
    EXPECT_TRUE(ui.messages.empty());
    EXPECT_EQ(spec.FileKind(), fkMassLynx);
    ASSERT_EQ(spec.NSpec(), 2);
    EXPECT_THAT(PointsOf(spec.GetMass(0)),
                ElementsAre(Points::value_type{50, 1}, Points::value_type{60, 2},
                            Points::value_type{70, 3}));
    EXPECT_THAT(PointsOf(spec.GetMass(1)),
                ElementsAre(Points::value_type{40, 4}, Points::value_type{55, 5},
                            Points::value_type{65, 7}));
    // Retention times 0.5 and 1.0 minutes are 30 and 60 seconds; the
    // chromatogram carries the index's total ion currents.
    EXPECT_THAT(PointsOf(spec.Chrom),
                ElementsAre(Points::value_type{30, 1000}, Points::value_type{60, 2000}));
    EXPECT_EQ(spec.TotalsFromFile(), 2);
  }
}

// A store that held a run shows only the directory's run afterwards: its
// scans replace the old ones instead of being added after them.
TEST(MassLynx, TheRunReplacesWhatTheStoreHeld) {
  test::ScriptedUi ui;
  test::TempDir tmp;
  RawDirBuilder raw(tmp.File("cut.raw"));
  raw.Functions(0).Scans({3, 4}).Data(CutExampleData());
  TSpec spec;
  for (int k = 1; k <= 3; ++k)
    spec.AddSSpec(k, 1, {{100.0f, 1.0f}});
  ASSERT_TRUE(OpenRaw(spec, raw.Dir()));
  ASSERT_EQ(spec.NSpec(), 2);
  EXPECT_THAT(PointsOf(spec.Chrom),
              ElementsAre(Points::value_type{30, 1000}, Points::value_type{60, 2000}));
  EXPECT_EQ(spec.GetMass(0).front(), (dPoint{50, 1}));
}

TEST(MassLynx, EveryScanOfASelectedIonRunSurvives) {
  // One channel: every scan holds the same mass. Cutting only where the
  // mass falls would merge the five scans into one point.
  test::ScriptedUi ui;
  test::TempDir tmp;
  RawDirBuilder raw(tmp.File("sir.raw"));
  raw.Functions(2, {534.0f})
      .Scans({1, 1, 1, 1, 1})
      .Data(U16(0x08) + U16(0x10) + U16(0x18) + U16(0x20) + U16(0x28));
  TSpec spec;
  ASSERT_TRUE(OpenRaw(spec, raw.Dir()));
  ASSERT_EQ(spec.NSpec(), 5);
  for (int i = 0; i < 5; ++i)
    EXPECT_THAT(PointsOf(spec.GetMass(i)),
                ElementsAre(Points::value_type{534, static_cast<float>(i + 1)}))
        << "scan " << i;
  EXPECT_EQ(spec.Chrom[4][0], 150.0f);
}

TEST(MassLynx, SelectedIonChannelsOutOfMassOrderAreSortedWithinTheirScan) {
  // Channels 534, 100.25, 300 in acquisition order; the scans hold them in
  // order of mass, every point kept. A repeated channel mass (534 twice)
  // keeps its first point.
  test::ScriptedUi ui;
  test::TempDir tmp;
  RawDirBuilder raw(tmp.File("order.raw"));
  raw.Functions(2, {534.0f, 100.25f, 300.0f, 534.0f})
      .Scans({4, 4})
      .Data(U16(0x08) + U16(0x10) + U16(0x18) + U16(0x20) + U16(0x28) + U16(0x30) + U16(0x38) +
            U16(0x40));
  TSpec spec;
  ASSERT_TRUE(OpenRaw(spec, raw.Dir()));
  ASSERT_EQ(spec.NSpec(), 2);
  EXPECT_THAT(PointsOf(spec.GetMass(0)),
              ElementsAre(Points::value_type{100.25f, 2}, Points::value_type{300, 3},
                          Points::value_type{534, 1}));
  EXPECT_THAT(PointsOf(spec.GetMass(1)),
              ElementsAre(Points::value_type{100.25f, 6}, Points::value_type{300, 7},
                          Points::value_type{534, 5}));
}

TEST(MassLynx, ZeroIntensitiesAreNotStoredAndAScanOfZerosIsEmpty) {
  test::ScriptedUi ui;
  test::TempDir tmp;
  RawDirBuilder raw(tmp.File("zero.raw"));
  // Scan 0: 100 (0), 110 (3); scan 1: 90 (0), 95 (0); scan 2: 80 (0), 85 (2).
  raw.Functions(0).Scans({2, 2, 2}).Data(Format0(100, 0) + Format0(110, 3) + Format0(90, 0) +
                                         Format0(95, 0) + Format0(80, 0) + Format0(85, 2));
  TSpec spec;
  ASSERT_TRUE(OpenRaw(spec, raw.Dir()));
  ASSERT_EQ(spec.NSpec(), 3);
  EXPECT_THAT(PointsOf(spec.GetMass(0)), ElementsAre(Points::value_type{110, 3}));
  EXPECT_TRUE(spec.GetMass(1).empty());
  EXPECT_THAT(PointsOf(spec.GetMass(2)), ElementsAre(Points::value_type{85, 2}));
}

TEST(MassLynx, ScansWithoutPointsKeepTheirPlaceInTheRun) {
  test::ScriptedUi ui;
  test::TempDir tmp;
  RawDirBuilder raw(tmp.File("gap.raw"));
  raw.Functions(0).Scans({1, 0, 1}).Data(Format0(100, 1) + Format0(100, 2));
  TSpec spec;
  ASSERT_TRUE(OpenRaw(spec, raw.Dir()));
  ASSERT_EQ(spec.NSpec(), 3);
  EXPECT_TRUE(spec.GetMass(1).empty());
  EXPECT_THAT(PointsOf(spec.GetMass(2)), ElementsAre(Points::value_type{100, 2}));
  EXPECT_EQ(spec.Chrom[2][0], 90.0f);
}

TEST(MassLynx, RetentionTimesThatDoNotAscendEndTheReading) {
  test::ScriptedUi ui;
  test::TempDir tmp;
  RawDirBuilder raw(tmp.File("rt.raw"));
  raw.Functions(0)
      .Index(IdxRecord(1, 5, 1.0f) + IdxRecord(1, 5, 1.0f))
      .Data(Format0(100, 1) + Format0(100, 1));
  TSpec spec;
  try {
    OpenRaw(spec, raw.Dir());
    FAIL() << "no error";
  } catch (const SorrelError& e) {
    EXPECT_EQ(std::string(e.what()),
              raw.Dir() + ": scan 1: Retation times must follow in ascending order");
  }
  EXPECT_EQ(spec.NSpec(), 0);
  EXPECT_EQ(spec.FileKind(), fkNone);
}

TEST(MassLynx, MoreScansThanTheIndexListsIsAnError) {
  // The counts (1) do not account for the three points, so the scans are
  // cut where the mass falls: three of them, for an index of one.
  test::ScriptedUi ui;
  test::TempDir tmp;
  RawDirBuilder raw(tmp.File("more.raw"));
  raw.Functions(0).Scans({1}).Data(Format0(50, 1) + Format0(40, 1) + Format0(30, 1));
  TSpec spec;
  try {
    OpenRaw(spec, raw.Dir());
    FAIL() << "no error";
  } catch (const SorrelError& e) {
    EXPECT_EQ(std::string(e.what()),
              raw.Dir() + ": _FUNC001.DAT holds more scans than _FUNC001.IDX lists (1)");
  }
  EXPECT_EQ(spec.NSpec(), 0);
}

TEST(MassLynx, ValuesThatAreNotFiniteAreErrorsNamingTheScan) {
  test::ScriptedUi ui;
  {
    test::TempDir tmp;
    RawDirBuilder raw(tmp.File("inf.raw"));
    // A calibration whose value overflows a float.
    raw.Functions(0)
        .Scans({1, 1}, kCalibratedFlag)
        .Data(Format0(100, 1) + Format0(90, 1))
        .Header("$$ Cal Function 1: 1e300,1e300,T0\r\n");
    TSpec spec;
    try {
      OpenRaw(spec, raw.Dir());
      FAIL() << "no error";
    } catch (const MathError& e) {
      EXPECT_EQ(std::string(e.what()),
                raw.Dir() + ": scan 0 holds a mass or intensity that is not a finite number");
    }
  }
  {
    test::TempDir tmp;
    RawDirBuilder raw(tmp.File("nan.raw"));
    raw.Functions(0)
        .Index(IdxRecord(1, 5, 1.0f) + IdxRecord(1, std::numeric_limits<float>::quiet_NaN(), 2.0f))
        .Data(Format0(100, 1) + Format0(100, 1));
    TSpec spec;
    try {
      OpenRaw(spec, raw.Dir());
      FAIL() << "no error";
    } catch (const MathError& e) {
      EXPECT_THAT(e.what(), HasSubstr(": scan 1 has a retention time or total ion current"));
    }
    EXPECT_EQ(spec.NSpec(), 0);
  }
}

TEST(MassLynx, AutoRefreshIsOnAfterwardsAndTheFrameRedrawnOnce) {
  test::TempDir tmp;
  RawDirBuilder raw(tmp.File("refresh.raw"));
  raw.Functions(0).Scans({3, 4}).Data(CutExampleData());
  for (bool withLibraries : {true, false}) {
    test::ScriptedUi ui;
    test::TempDir empty;
    std::unique_ptr<ProgramDirOverride> noLibraries;
    if (!withLibraries) noLibraries = std::make_unique<ProgramDirOverride>(empty.Path());
    TSpec spec;
    int refreshes = 0;
    spec.RefreshPlot = [&] { ++refreshes; };
    EXPECT_EQ(OpenRaw(spec, raw.Dir()), withLibraries);
    EXPECT_TRUE(spec.AutoRefresh());
    EXPECT_EQ(refreshes, 1);
  }
}

// ------------------------------------------------------- library calls

TEST(MassLynx, MissingLibrariesAreNamedWithTheirPath) {
  test::TempDir tmp;
  RawDirBuilder raw(tmp.File("run.raw"));
  raw.Functions(0).Scans({3, 4}).Data(CutExampleData());
  test::TempDir program;
  ProgramDirOverride dir(program.Path());
  {
    test::ScriptedUi ui;
    TSpec spec;
    EXPECT_FALSE(OpenRaw(spec, raw.Dir()));
    EXPECT_THAT(ui.messages, ElementsAre(program.Path() + "libkelpinfo.so not found"));
    EXPECT_EQ(spec.NSpec(), 0);
    EXPECT_EQ(spec.FileKind(), fkNone);
    EXPECT_EQ(spec.Filename(), "");
  }
  CopyFile(RealLibrary("libkelpinfo.so"), program.File("libkelpinfo.so"));
  {
    test::ScriptedUi ui;
    TSpec spec;
    EXPECT_FALSE(OpenRaw(spec, raw.Dir()));
    EXPECT_THAT(ui.messages, ElementsAre(program.Path() + "libkelpread.so not found"));
    EXPECT_EQ(spec.NSpec(), 0);
  }
  CopyFile(RealLibrary("libkelpread.so"), program.File("libkelpread.so"));
  {
    test::ScriptedUi ui;
    TSpec spec;
    EXPECT_TRUE(OpenRaw(spec, raw.Dir()));
    EXPECT_TRUE(ui.messages.empty());
    EXPECT_EQ(spec.NSpec(), 2);
  }
}

TEST(MassLynx, LibrariesThatCannotBeLoadedOrLackTheirExport) {
  test::TempDir tmp;
  RawDirBuilder raw(tmp.File("run.raw"));
  raw.Functions(0).Scans({3, 4}).Data(CutExampleData());
  struct Case {
    std::string info, read;  // source files; "text" writes a file that is no library
    std::string message;
  };
  const Case cases[] = {
      {"text", RealLibrary("libkelpread.so"), "Marjoram Error: Cannot load libkelpinfo.so"},
      {RealLibrary("libkelpinfo.so"), "text", "Marjoram Error: Cannot load libkelpread.so"},
      {FakeLibrary("kelp_noentry"), RealLibrary("libkelpread.so"),
       "Marjoram Error: Unable to call function in KELPINFO"},
      {RealLibrary("libkelpinfo.so"), FakeLibrary("kelp_noentry"),
       "Marjoram Error: Unable to call function in Kelpread"},
  };
  for (const Case& c : cases) {
    test::TempDir program;
    ProgramDirOverride dir(program.Path());
    auto place = [&](const std::string& from, const char* name) {
      if (from == "text")
        program.Write(name, "not a library\n");
      else
        CopyFile(from, program.File(name));
    };
    place(c.info, "libkelpinfo.so");
    place(c.read, "libkelpread.so");
    test::ScriptedUi ui;
    TSpec spec;
    EXPECT_FALSE(OpenRaw(spec, raw.Dir()));
    EXPECT_THAT(ui.messages, ElementsAre(c.message));
    EXPECT_EQ(spec.NSpec(), 0);
  }
}

TEST(MassLynx, EveryStatusShowsItsText) {
  const std::pair<const char*, const char*> table[] = {
      {"5", "Unknow data format"},
      {"7", "Out of memory"},
      {"9", "Subscript/Pointer out of range"},
      {"24", "Device Time-Out"},
      {"51", "Internal error"},
      {"52", "Bad file name or number"},
      {"53", "File not found"},
      {"54", "Bad file mode"},
      {"55", "File is already open"},
      {"57", "Device I/O error"},
      {"58", "File already exists"},
      {"61", "Disk full"},
      {"62", "Input past end"},
      {"63", "Bad record number"},
      {"64", "Bad file name"},
      {"67", "Too many files"},
      {"68", "Device unavailable"},
      {"70", "Permission denied"},
      {"71", "Disk not ready"},
      {"72", "Disk media error"},
      {"74", "Rename across disks"},
      {"75", "Path/file access error"},
      {"76", "Path not found"},
      {"1", "Filter Error"},
      {"6", "Filter Error"},
      {"56", "Filter Error"},
      {"-1", "Filter Error"},
      {"keep", "Filter Error"},  // the library left the preset alone
  };
  test::TempDir tmp;
  RawDirBuilder raw(tmp.File("run.raw"));
  raw.Functions(0).Scans({3, 4}).Data(CutExampleData());
  // The stand-in answers as Kelpinfo; then, with the real Kelpinfo, as
  // Kelpread.
  for (bool asReader : {false, true}) {
    test::TempDir program;
    ProgramDirOverride dir(program.Path());
    CopyFile(asReader ? RealLibrary("libkelpinfo.so") : FakeLibrary("kelp_fake"),
             program.File("libkelpinfo.so"));
    CopyFile(asReader ? FakeLibrary("kelp_fake") : RealLibrary("libkelpread.so"),
             program.File("libkelpread.so"));
    for (auto [status, text] : table) {
      EnvVar env("KELPFAKE_STATUS", status);
      test::ScriptedUi ui;
      TSpec spec;
      EXPECT_FALSE(OpenRaw(spec, raw.Dir())) << status;
      EXPECT_THAT(ui.messages, ElementsAre(std::string("Marjoram Error: ") + text))
          << "status " << status << (asReader ? " from Kelpread" : " from Kelpinfo");
      EXPECT_EQ(spec.NSpec(), 0);
    }
  }
}

TEST(MassLynx, TheReaderIsToldTheArraySizes) {
  test::TempDir tmp;
  RawDirBuilder raw(tmp.File("sizes.raw"));
  raw.Functions(0).Scans({3, 4}).Data(CutExampleData());
  test::TempDir program;
  ProgramDirOverride dir(program.Path());
  CopyFile(RealLibrary("libkelpinfo.so"), program.File("libkelpinfo.so"));
  CopyFile(FakeLibrary("kelp_fake"), program.File("libkelpread.so"));
  EnvVar log("KELPFAKE_LOG", tmp.File("call.log"));
  EnvVar status("KELPFAKE_STATUS", "0");
  test::ScriptedUi ui;
  TSpec spec;
  OpenRaw(spec, raw.Dir());
  EXPECT_EQ(test::ReadAll(tmp.File("call.log")),
            std::to_string(KELP_STATUS_SIZES_FOLLOW) + "\n" + raw.Dir() + "\n7 2\n");
}

TEST(MassLynx, FilesThatGrewAfterCountingAreRefusedNotOverrun) {
  // Kelpinfo's answer stands for an earlier state of the run (three points,
  // two scans); the files now hold seven points. The real reader, told the
  // sizes, refuses instead of writing past the arrays.
  test::TempDir tmp;
  RawDirBuilder raw(tmp.File("grown.raw"));
  raw.Functions(0).Scans({3, 4}).Data(CutExampleData());
  test::TempDir program;
  ProgramDirOverride dir(program.Path());
  CopyFile(FakeLibrary("kelp_fake"), program.File("libkelpinfo.so"));
  CopyFile(RealLibrary("libkelpread.so"), program.File("libkelpread.so"));
  EnvVar points("KELPFAKE_POINTS", "3"), scans("KELPFAKE_SCANS", "2");
  test::ScriptedUi ui;
  TSpec spec;
  EXPECT_FALSE(OpenRaw(spec, raw.Dir()));
  EXPECT_THAT(ui.messages, ElementsAre("Marjoram Error: Subscript/Pointer out of range"));
}

// Counts that the directory's files cannot hold are refused before any
// array is sized by them: the files hold 7 points of format 0 (28 bytes of
// _FUNC001.DAT) and 2 scans (44 bytes of _FUNC001.IDX). Two thousand
// million points would take 16 GB of arrays.
TEST(MassLynx, CountsTheFilesCannotHoldAreRefusedBeforeAllocating) {
  test::TempDir tmp;
  RawDirBuilder raw(tmp.File("claims.raw"));
  raw.Functions(0).Scans({3, 4}).Data(CutExampleData());
  test::TempDir program;
  ProgramDirOverride dir(program.Path());
  CopyFile(FakeLibrary("kelp_fake"), program.File("libkelpinfo.so"));
  CopyFile(RealLibrary("libkelpread.so"), program.File("libkelpread.so"));
  struct Case {
    const char *points, *scans, *format;
    std::string why;
  } cases[] = {
      {"-3", "2", "0", "the run-parameter library gave -3 points and 2 scans"},
      {"7", "-1", "0", "the run-parameter library gave 7 points and -1 scans"},
      {"2000000000", "2", "0",
       "_FUNC001.DAT (28 bytes) holds at most 7 points of data format 0, not 2000000000"},
      {"8", "2", "0", "_FUNC001.DAT (28 bytes) holds at most 7 points of data format 0, not 8"},
      {"3", "3", "0", "_FUNC001.IDX (44 bytes) holds at most 2 scans, not 3"},
      // Format 12 has no points to count.
      {"1", "2", "12", "_FUNC001.DAT (28 bytes) holds at most 0 points of data format 12, not 1"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.why);
    EnvVar points("KELPFAKE_POINTS", c.points), scans("KELPFAKE_SCANS", c.scans),
        format("KELPFAKE_FORMAT", c.format);
    test::ScriptedUi ui;
    TSpec spec;
    EXPECT_FALSE(OpenRaw(spec, raw.Dir()));
    EXPECT_THAT(
        ui.messages,
        ElementsAre("Marjoram Error: Subscript/Pointer out of range: " + raw.Dir() + ": " + c.why));
    EXPECT_EQ(spec.NSpec(), 0);
  }
  // Counts the files hold to the last point and scan are taken.
  EnvVar points("KELPFAKE_POINTS", "7"), scans("KELPFAKE_SCANS", "2");
  test::ScriptedUi ui;
  TSpec spec;
  EXPECT_TRUE(OpenRaw(spec, raw.Dir()));
  EXPECT_EQ(spec.NSpec(), 2);
}

// ------------------------------------------------------------ ReadSpectrum

TEST(MassLynx, ReadSpectrumGivesTheCountedPointsOfOneScan) {
  test::ScriptedUi ui;
  test::TempDir tmp;
  RawDirBuilder raw(tmp.File("one.raw"));
  raw.Functions(0).Scans({3, 4}).Data(CutExampleData());
  TSpec spec;
  TMassLynx reader;
  reader.Spec = &spec;
  // All points of the scan, as the reader hands them back: the repeated
  // mass too.
  EXPECT_THAT(PointsOf(reader.ReadSpectrum(raw.Dir(), 1)),
              ElementsAre(Points::value_type{40, 4}, Points::value_type{55, 5},
                          Points::value_type{55, 6}, Points::value_type{65, 7}));
  EXPECT_THAT(
      PointsOf(reader.ReadSpectrum(raw.Dir(), 0)),
      ElementsAre(Points::value_type{50, 1}, Points::value_type{60, 2}, Points::value_type{70, 3}));
  EXPECT_TRUE(reader.ReadSpectrum(raw.Dir(), 2).empty());
  EXPECT_TRUE(reader.ReadSpectrum(raw.Dir(), -1).empty());
  EXPECT_EQ(reader.OpenMassLynxData, nullptr)
      << "the entry is cleared when the library is unloaded";
  EXPECT_EQ(reader.GetFileParameters, nullptr);
  EXPECT_TRUE(ui.messages.empty());
  EXPECT_EQ(spec.NSpec(), 0) << "ReadSpectrum leaves the store alone";
}

TEST(MassLynx, ReadSpectrumStopsWhereThePointsEnd) {
  // A foreign reader whose counts claim more points than it handed back.
  test::TempDir tmp;
  RawDirBuilder raw(tmp.File("claims.raw"));
  raw.Functions(0).Scans({3, 4}).Data(CutExampleData());
  test::TempDir program;
  ProgramDirOverride dir(program.Path());
  CopyFile(FakeLibrary("kelp_fake"), program.File("libkelpinfo.so"));
  CopyFile(FakeLibrary("kelp_fake"), program.File("libkelpread.so"));
  EnvVar points("KELPFAKE_POINTS", "5"), scans("KELPFAKE_SCANS", "2"), count("KELPFAKE_COUNT", "4");
  test::ScriptedUi ui;
  TSpec spec;
  TMassLynx reader;
  reader.Spec = &spec;
  EXPECT_THAT(PointsOf(reader.ReadSpectrum(raw.Dir(), 1)), ElementsAre(Points::value_type{104, 1}));
  EXPECT_TRUE(reader.ReadSpectrum(raw.Dir(), 2).empty());
}

TEST(MassLynx, ReadSpectrumIsEmptyWhenACallFails) {
  test::TempDir tmp;
  RawDirBuilder raw(tmp.File("fail.raw"));
  raw.Functions(11).Scans({3, 4}).Data(CutExampleData());
  test::ScriptedUi ui;
  TSpec spec;
  TMassLynx reader;
  reader.Spec = &spec;
  EXPECT_TRUE(reader.ReadSpectrum(raw.Dir(), 0).empty());
  EXPECT_THAT(ui.messages, ElementsAre("Marjoram Error: Unknow data format"));
}

// -------------------------------------------------------------- real runs

std::string Fixture(const char* name) {
  return test::TestData(std::string("masslynx/") + name + "/");
}

TEST(MassLynxReal, SelectedIonRunKeepsAll3865Scans) {
  test::ScriptedUi ui;
  TSpec spec;
  ASSERT_TRUE(OpenRaw(spec, Fixture("indigo.raw")));
  EXPECT_TRUE(ui.messages.empty());
  ASSERT_EQ(spec.NSpec(), 3865);
  for (int i = 0; i < spec.NSpec(); ++i) {
    const tXYarray& s = spec.GetMass(i);
    ASSERT_EQ(s.size(), 1u) << "scan " << i;
    ASSERT_EQ(s[0][0], 534.0f) << "scan " << i;
  }
  // Scan 0: word 0x6CC9 -> 3481 * 4 = 13924; 0.0033333334 min -> 0.2 s.
  EXPECT_EQ(spec.GetMass(0)[0][1], 13924.0f);
  EXPECT_EQ(spec.Chrom[0][0], 0.2f);
  EXPECT_EQ(spec.Chrom[0][1], 13922.662109375f);
  EXPECT_NEAR(spec.Chrom.back()[0], 779.977, 0.001);  // 12.999617 min
}

TEST(MassLynxReal, RejectedFormatShowsUnknowDataFormat) {
  test::ScriptedUi ui;
  TSpec spec;
  EXPECT_FALSE(OpenRaw(spec, Fixture("white.raw")));
  EXPECT_THAT(ui.messages, ElementsAre("Marjoram Error: Unknow data format"));
  EXPECT_EQ(spec.NSpec(), 0);
  EXPECT_EQ(spec.FileKind(), fkNone);
}

TEST(MassLynxReal, Format12SaysItsSpectraCannotBeRead) {
  for (std::string dir : {Fixture("blue.raw"), test::SharedData("masslynx/blue.raw")}) {
    if (dir.empty()) continue;
    if (dir.back() != '/') dir += "/";
    test::ScriptedUi ui;
    TSpec spec;
    EXPECT_FALSE(spec.OpenFile(dir + "_HEADER.TXT"));
    EXPECT_THAT(ui.messages,
                ElementsAre("Marjoram Error: Data format 12 is not supported: the spectra in " +
                            dir + " cannot be read"));
    EXPECT_EQ(spec.NSpec(), 0);
    EXPECT_EQ(spec.FileKind(), fkNone);
  }
}

}  // namespace
