// The disk cache of the spectrum store: the file layout, moving a run in
// and out of the cache, appending, and opening cache files left on disk.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "ScriptedUi.h"
#include "TempDir.h"
#include "core/common/Directories.h"
#include "core/common/Errors.h"
#include "core/common/Paths.h"
#include "core/common/TextFile.h"
#include "core/spectrum/HDIndex.h"
#include "core/spectrum/Spec.h"

using namespace sorrel;
using namespace sorrel::test;

namespace {

// Bytes of (mass, intensity) float pairs.
std::string Pairs(const std::vector<std::pair<float, float>>& pairs) {
  std::string s;
  for (auto [m, a] : pairs) {
    char b[8];
    std::memcpy(b, &m, 4);
    std::memcpy(b + 4, &a, 4);
    s.append(b, 8);
  }
  return s;
}

const std::string kHeader(4, '\0');
const std::string kEnd(8, '\0');

class CacheTest : public ::testing::Test {
 protected:
  void SetUp() override {
    SetProgramDir(dir.Path());
    std::filesystem::create_directory(dir.File("Data"));
  }
  void TearDown() override { SetProgramDir(""); }
  std::string CasheFile(char label) const {
    return dir.File(std::string("Data/SP") + label + ".csh");
  }

  TempDir dir;
  ScriptedUi ui;
};

// Three scans of 2, 0 and 1 points.
void FillThree(TSpec& spec) {
  spec.AddSSpec(1.0, 3.0, {{10.0f, 1.0f}, {11.5f, 2.0f}});
  spec.AddSSpec(2.0, 0.0, {});
  spec.AddSSpec(3.0, 7.0, {{12.25f, 7.0f}});
}

}  // namespace

// Header 4 bytes; scan 0: 2 pairs and its end (24 bytes) from offset 4;
// scan 1: only its end, from 28; scan 2: 1 pair and its end, from 36 to 52.
TEST_F(CacheTest, SwitchingOnWritesTheLayout) {
  TSpec spec;
  FillThree(spec);
  spec.SetCasheOn(true);
  ASSERT_TRUE(spec.CasheOn());
  std::string bytes = ReadAll(CasheFile('1'));
  EXPECT_EQ(bytes.size(), 52u);
  EXPECT_EQ(bytes, kHeader + Pairs({{10.0f, 1.0f}, {11.5f, 2.0f}}) + kEnd + kEnd +
                       Pairs({{12.25f, 7.0f}}) + kEnd);
  EXPECT_TRUE(spec.GetMass(1).empty());
  EXPECT_EQ(spec.GetMass(2), (tXYarray{{12.25f, 7.0f}}));
  EXPECT_EQ(spec.GetMass(0), (tXYarray{{10.0f, 1.0f}, {11.5f, 2.0f}}));
  EXPECT_EQ(spec.LastReadIndex(), 0);
  EXPECT_EQ(spec.Chrom, (tXYarray{{1.0f, 3.0f}, {2.0f, 0.0f}, {3.0f, 7.0f}}));
}

// The scan read last is the store's own: a frame that shows something
// else in CMass (a summed or processed spectrum) does not change what the
// scan reads as, from the cache or from an HD file.
TEST_F(CacheTest, TheCurrentSpectrumIsNotTheReadBuffer) {
  for (bool fromHD : {false, true}) {
    SCOPED_TRACE(fromHD ? "HD file" : "cache");
    TSpec source;
    FillThree(source);
    TSpec spec;
    if (fromHD) {
      ASSERT_TRUE(source.SaveFile(dir.File("buf.R01")));
      ASSERT_TRUE(spec.OpenFile(dir.File("buf.R01")));
    } else {
      FillThree(spec);
      spec.SetCasheOn(true);
    }
    EXPECT_EQ(spec.GetMass(2), (tXYarray{{12.25f, 7.0f}}));
    spec.CMass = {{99.0f, 1.0f}};
    EXPECT_EQ(spec.GetMass(2), (tXYarray{{12.25f, 7.0f}}));
    EXPECT_EQ(spec.CMass, (tXYarray{{99.0f, 1.0f}}));
  }
}

// A single-spectrum store whose run was in the cache gets the run back
// when the cache goes off; it only cannot switch the cache on.
TEST_F(CacheTest, SwitchingOffInSingleSpectrumModeBringsTheRunBack) {
  TSpec spec;
  FillThree(spec);
  spec.SetCasheOn(true);
  spec.SetMassOnly(true);
  spec.SetCasheOn(false);
  EXPECT_FALSE(spec.CasheOn());
  EXPECT_EQ(spec.GetMass(2), (tXYarray{{12.25f, 7.0f}}));
  spec.SetCasheOn(true);
  EXPECT_FALSE(spec.CasheOn());
}

TEST_F(CacheTest, FileNameFollowsTheFrameLabel) {
  TSpec spec;
  spec.Number = 9;  // the tenth frame, labelled "A"
  FillThree(spec);
  spec.SetCasheOn(true);
  EXPECT_TRUE(FileExists(CasheFile('A')));
  EXPECT_EQ(spec.CasheFileName(), CasheFile('A'));
}

TEST_F(CacheTest, SwitchingOffBringsTheRunBackAndKeepsTheFile) {
  TSpec spec;
  FillThree(spec);
  spec.SetCasheOn(true);
  spec.SetCasheOn(false);
  EXPECT_FALSE(spec.CasheOn());
  EXPECT_EQ(spec.GetMass(0), (tXYarray{{10.0f, 1.0f}, {11.5f, 2.0f}}));
  EXPECT_TRUE(spec.GetMass(1).empty());
  EXPECT_EQ(spec.GetMass(2), (tXYarray{{12.25f, 7.0f}}));
  EXPECT_TRUE(FileExists(CasheFile('1')));
  // Switching on again writes the same file.
  spec.SetCasheOn(true);
  EXPECT_EQ(ReadAll(CasheFile('1')).size(), 52u);
}

// The totals a run's file gave stay the file's while the run moves into
// the cache and back or is copied to another store; a run read from a
// file that keeps no totals (an HD file, a cache file) has its sums.
TEST_F(CacheTest, TheFilesTotalsGoWithTheRun) {
  TSpec spec;
  FillThree(spec);
  spec.SetTotalsFromFile(3);
  spec.SetCasheOn(true);
  EXPECT_EQ(spec.TotalsFromFile(), 3);
  spec.SetCasheOn(false);
  EXPECT_EQ(spec.TotalsFromFile(), 3);
  TSpec copy;
  copy.AssignSpec(spec);
  EXPECT_EQ(copy.TotalsFromFile(), 3);
  spec.SetCasheOn(true);
  for (const std::string& file : {dir.File("run.R01"), CasheFile('1')}) {
    SCOPED_TRACE(file);
    if (file != CasheFile('1')) {
      ASSERT_TRUE(spec.SaveFile(file));
    }
    TSpec back;
    back.SetTotalsFromFile(3);
    ASSERT_TRUE(back.OpenFile(file));
    EXPECT_EQ(back.TotalsFromFile(), 0);
  }
  copy.Clear();
  EXPECT_EQ(copy.TotalsFromFile(), 0);
}

// A cache file of 4 + 8 * (2 499 998 + 1) = 19 999 996 bytes comes back
// into memory; one of 20 000 004 bytes is over the limit, and
// 20 000 004 / 1024 = 19531.25 shows as 19531 k.
TEST_F(CacheTest, OnlyFilesUpToTheLimitComeBackIntoMemory) {
  struct Case {
    size_t points;
    size_t fileSize;
    bool fits;
  } cases[] = {{2499998, 19999996, true}, {2499999, 20000004, false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.points);
    TSpec spec;
    tXYarray scan(c.points);
    for (size_t i = 0; i < c.points; ++i)
      scan[i] = {float(i + 1), 1.0f};
    spec.AddSSpec(1, 0, scan);
    spec.SetCasheOn(true);
    EXPECT_EQ(std::filesystem::file_size(CasheFile('1')), c.fileSize);
    if (c.fits) {
      spec.SetCasheOn(false);
      EXPECT_FALSE(spec.CasheOn());
      EXPECT_EQ(spec.GetMass(0), scan);
    } else {
      try {
        spec.SetCasheOn(false);
        ADD_FAILURE() << "no error";
      } catch (const SorrelError& e) {
        EXPECT_EQ(std::string(e.what()),
                  "The file " + CasheFile('1') + " is too big (19531 k) to fit into the memory.");
      }
      EXPECT_TRUE(spec.CasheOn());
      EXPECT_EQ(spec.GetMass(0).size(), c.points);
    }
  }
}

TEST_F(CacheTest, SingleSpectrumHasNoCache) {
  TSpec spec;
  spec.SetMassOnly(true);
  spec.CMass = {{1.0f, 2.0f}};
  spec.SetCasheOn(true);
  EXPECT_FALSE(spec.CasheOn());
  EXPECT_FALSE(FileExists(CasheFile('1')));
}

TEST_F(CacheTest, NoDataDirectoryNoCache) {
  std::filesystem::remove(dir.File("Data"));
  TSpec spec;
  FillThree(spec);
  ui.QueueConfirm(false);  // "... does not exist. Do you want to create one ?"
  EXPECT_THROW(spec.SetCasheOn(true), SorrelError);
  EXPECT_FALSE(spec.CasheOn());
  EXPECT_EQ(spec.GetMass(2), (tXYarray{{12.25f, 7.0f}}));
}

// With the cache on, AddSSpec appends to the file; a point added to the
// last scan becomes part of it, also for a later opening of the file.
TEST_F(CacheTest, AppendingScansAndPoints) {
  TSpec spec;
  FillThree(spec);
  spec.SetCasheOn(true);
  EXPECT_EQ(spec.AddSSpec(4.0, 9.0, {{20.0f, 4.0f}, {21.0f, 5.0f}}), 3);
  EXPECT_EQ(spec.AddMass(22.0f, 6.0f, 3), 3);
  EXPECT_EQ(spec.GetMass(3), (tXYarray{{20.0f, 4.0f}, {21.0f, 5.0f}, {22.0f, 6.0f}}));
  EXPECT_THROW(spec.AddMass(1.0f, 1.0f, 1), SorrelError);  // "Internal error <AddMass> #1"
  EXPECT_EQ(spec.AddMass(1.0f, 1.0f, 4), -1);
  EXPECT_THROW(spec.AddSSpec(4.0, 1.0, {}), SorrelError);  // times must ascend
  EXPECT_EQ(spec.NSpec(), 4);

  TSpec again;
  ASSERT_TRUE(again.OpenFile(CasheFile('1')));
  ASSERT_EQ(again.NSpec(), 4);
  EXPECT_EQ(again.GetMass(3), (tXYarray{{20.0f, 4.0f}, {21.0f, 5.0f}, {22.0f, 6.0f}}));
}

// A scan added to a run that is read from its HD file moves the run into
// the cache first.
TEST_F(CacheTest, AddingToAnHDRunSwitchesTheCacheOn) {
  TSpec source;
  FillThree(source);
  std::string run = dir.File("run.R01");
  ASSERT_TRUE(source.SaveFile(run));
  TSpec spec;
  ASSERT_TRUE(spec.OpenFile(run));
  ASSERT_TRUE(spec.FromFileOn());
  spec.AddSSpec(10.0, 5.0, {{30.0f, 5.0f}});
  EXPECT_TRUE(spec.CasheOn());
  EXPECT_FALSE(spec.FromFileOn());
  ASSERT_EQ(spec.NSpec(), 4);
  EXPECT_EQ(spec.GetMass(0), (tXYarray{{10.0f, 1.0f}, {11.5f, 2.0f}}));
  EXPECT_EQ(spec.GetMass(3), (tXYarray{{30.0f, 5.0f}}));
}

// A file-backed run whose file went bad stays file-backed when the cache
// cannot take it.
TEST_F(CacheTest, FailedSwitchOnLeavesTheRunWhereItWas) {
  TSpec source;
  for (int k = 1; k <= 300; ++k)
    source.AddSSpec(k, 1, {{50.0f, float(k)}});
  std::string run = dir.File("cut.R01");
  ASSERT_TRUE(source.SaveFile(run));
  TSpec spec;
  ASSERT_TRUE(spec.OpenFile(run));
  std::filesystem::resize_file(run, 23310 + 150 * (80 + 28));  // scans 150 and on are gone
  EXPECT_THROW(spec.SetCasheOn(true), SorrelError);
  EXPECT_FALSE(spec.CasheOn());
  EXPECT_TRUE(spec.FromFileOn());
  EXPECT_EQ(spec.GetMass(10), (tXYarray{{50.0f, 11.0f}}));
}

// An opened cache file gives a run whose times are the scan numbers.
TEST_F(CacheTest, OpeningACacheFileOfTenScans) {
  TSpec spec;
  spec.FillSampleValues(30);
  spec.SetCasheOn(true);
  TSpec opened;
  ASSERT_TRUE(opened.OpenFile(CasheFile('1')));
  EXPECT_EQ(opened.FileKind(), fkCashe);
  EXPECT_TRUE(opened.CasheOn());
  ASSERT_EQ(opened.NSpec(), 10);
  for (int32_t i = 0; i < 10; ++i) {
    EXPECT_EQ(opened.Chrom[size_t(i)][0], float(i));
    tXYarray s = spec.GetMass(i);
    double sum = 0;
    for (const dPoint& p : s)
      sum += p[1];
    EXPECT_EQ(opened.Chrom[size_t(i)][1], float(sum));
    EXPECT_EQ(opened.GetMass(i), s);
  }
}

// A point (0, 0) is the end mark of a scan: written inside a scan it
// splits the scan when the file is opened again.
TEST_F(CacheTest, ZeroPointSplitsTheScanOnReopening) {
  TSpec spec;
  spec.AddSSpec(1, 0, {{5.0f, 1.0f}, {0.0f, 0.0f}, {6.0f, 2.0f}});
  spec.SetCasheOn(true);
  EXPECT_EQ(spec.GetMass(0).size(), 3u);
  TSpec opened;
  ASSERT_TRUE(opened.OpenFile(CasheFile('1')));
  ASSERT_EQ(opened.NSpec(), 2);
  EXPECT_EQ(opened.GetMass(0), (tXYarray{{5.0f, 1.0f}}));
  EXPECT_EQ(opened.GetMass(1), (tXYarray{{6.0f, 2.0f}}));
}

// Points after the last end mark (the file was cut while a scan was
// written) are kept as the last scan, and the file gets its end mark so
// that a scan added later stays apart.
TEST_F(CacheTest, UnfinishedLastScanIsKept) {
  std::string path = dir.Write(
      "cut.csh", kHeader + Pairs({{1.0f, 2.0f}}) + kEnd + Pairs({{3.0f, 4.0f}, {5.0f, 6.0f}}));
  TSpec spec;
  ASSERT_TRUE(spec.OpenFile(path));
  ASSERT_EQ(spec.NSpec(), 2);
  EXPECT_EQ(spec.GetMass(1), (tXYarray{{3.0f, 4.0f}, {5.0f, 6.0f}}));
  EXPECT_EQ(spec.Chrom[1][1], 10.0f);
  spec.AddSSpec(5.0, 0, {{7.0f, 8.0f}});
  EXPECT_EQ(spec.GetMass(1), (tXYarray{{3.0f, 4.0f}, {5.0f, 6.0f}}));
  EXPECT_EQ(spec.GetMass(2), (tXYarray{{7.0f, 8.0f}}));
  EXPECT_EQ(ReadAll(path), kHeader + Pairs({{1.0f, 2.0f}}) + kEnd +
                               Pairs({{3.0f, 4.0f}, {5.0f, 6.0f}}) + kEnd + Pairs({{7.0f, 8.0f}}) +
                               kEnd);
}

TEST_F(CacheTest, BadCacheFilesAreRefused) {
  const float nan = std::nanf("");
  struct Case {
    const char* what;
    std::string bytes;
    std::string message;  // after the file name
  } cases[] = {
      {"shorter than the header", std::string(2, '\0'),
       " is not a spectrum cache file: it is shorter than its header"},
      {"odd length", kHeader + Pairs({{1.0f, 2.0f}}) + kEnd + "abc",
       " is not a spectrum cache file or is cut short: its length (23 bytes) is not 4 plus a "
       "multiple of 8"},
      {"header not zero", "\x01\x02\x03\x04" + Pairs({{1.0f, 2.0f}}) + kEnd,
       " is not a spectrum cache file: its first four bytes are not zero"},
      {"not a number", kHeader + Pairs({{1.0f, 2.0f}}) + kEnd + Pairs({{nan, 1.0f}}) + kEnd,
       ": scan 1 holds a value that is not a number"},
      {"total too large", kHeader + Pairs({{1.0f, 3e38f}, {2.0f, 3e38f}}) + kEnd,
       ": the total intensity of scan 0 is too large"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::string path = dir.Write("bad.csh", c.bytes);
    TSpec spec;
    try {
      spec.OpenFile(path);
      ADD_FAILURE() << "no error";
    } catch (const SorrelError& e) {
      EXPECT_EQ(e.what(), path + c.message);
    }
    EXPECT_EQ(spec.FileKind(), fkNone);
    EXPECT_EQ(spec.NSpec(), 0);
    EXPECT_FALSE(spec.CasheOn());
    spec.FillSampleValues(20);  // usable afterwards
    EXPECT_EQ(spec.NSpec(), 10);
  }
}

TEST_F(CacheTest, ClearClosesTheCache) {
  TSpec spec;
  FillThree(spec);
  spec.SetCasheOn(true);
  spec.Clear();
  EXPECT_FALSE(spec.CasheOn());
  EXPECT_EQ(spec.NSpec(), 0);
  spec.FillSampleValues(20);
  EXPECT_EQ(spec.NSpec(), 10);
  EXPECT_FALSE(spec.CasheOn());
}
