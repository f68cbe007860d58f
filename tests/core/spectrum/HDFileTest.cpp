// HD run files: layout, index file, indexer, scan reading, saving and
// writing scan by scan. The small files are built byte by byte here; the
// expected offsets and times are worked out by hand in the comments.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>

#include "ScratchMount.h"
#include "ScriptedUi.h"
#include "TempDir.h"
#include "core/common/Directories.h"
#include "core/common/Errors.h"
#include "core/common/Paths.h"
#include "core/common/ProgressIndicator.h"
#include "core/common/TextFile.h"
#include "core/spectrum/HDIndex.h"
#include "core/spectrum/Spec.h"

using namespace sorrel;
using namespace sorrel::test;

namespace {

struct Peak {
  double mass;
  int32_t intensity;
};

struct ScanDef {
  bool header = true;  // write an 80-byte scan header before the peaks
  uint16_t mode = 2;
  float rate = 0.5f;  // number_of_scans_per_second
  std::vector<Peak> peaks;
  bool terminate = true;
};

template <typename T>
void Put(std::string& s, size_t at, T v) {
  if (s.size() < at + sizeof v) s.resize(at + sizeof v, '\0');
  std::memcpy(s.data() + at, &v, sizeof v);
}

template <typename T>
T Get(const std::string& s, size_t at) {
  T v{};
  EXPECT_LE(at + sizeof v, s.size());
  if (at + sizeof v <= s.size()) std::memcpy(&v, s.data() + at, sizeof v);
  return v;
}

// An HD file: run header (magic at 0, creation_date at 12, number_of_scans
// at 7696), zeros to 23310, then the scans; zero bytes up to `padTo`.
std::string BuildHD(uint16_t magic, uint16_t nScans, const std::vector<ScanDef>& scans,
                    size_t padTo = 24576, uint32_t date = 0) {
  std::string s(kFirstScanOffset, '\0');
  Put<uint16_t>(s, 0, magic);
  Put<uint32_t>(s, 12, date);
  Put<uint16_t>(s, 7696, nScans);
  for (const ScanDef& d : scans) {
    if (d.header) {
      size_t at = s.size();
      s.resize(at + kScanStatsStoredSize, '\0');
      Put<uint16_t>(s, at + 2, d.mode);
      Put<float>(s, at + 8, d.rate);
    }
    for (const Peak& p : d.peaks) {
      size_t at = s.size();
      s.resize(at + kPeakRecordSize, '\0');
      Put<double>(s, at, p.mass);
      Put<int32_t>(s, at + 8, p.intensity);
    }
    if (d.terminate) s.resize(s.size() + kPeakRecordSize, '\0');
  }
  if (s.size() < padTo) s.resize(padTo, '\0');
  return s;
}

// The two-scan file of the format notes: 3 and 2 peaks, stored_mode 2,
// 0.5 scans per second in both headers.
std::vector<ScanDef> TwoScans(bool secondHeader) {
  ScanDef a, b;
  a.peaks = {{50.5, 100}, {60.25, 200}, {70.125, 300}};
  b.header = secondHeader;
  b.peaks = {{55.5, 7}, {65.5, 8}};
  return {a, b};
}

std::vector<ScanDef> ScansWithPeaks(int nScans, int peaksEach, float rate = 2.0f) {
  std::vector<ScanDef> out;
  for (int k = 0; k < nScans; ++k) {
    ScanDef d;
    d.rate = rate;
    for (int i = 0; i < peaksEach; ++i)
      d.peaks.push_back({40.0 + i + 0.25 * k, 10 * i + k + 1});
    out.push_back(d);
  }
  return out;
}

class HDFileTest : public ::testing::Test {
 protected:
  void SetUp() override { SetProgramDir(dir.Path()); }
  void TearDown() override { SetProgramDir(""); }
  TempDir dir;
  ScriptedUi ui;
};

void ExpectSpectrum(const tXYarray& got, const std::vector<std::pair<float, float>>& want) {
  ASSERT_EQ(got.size(), want.size());
  for (size_t i = 0; i < want.size(); ++i) {
    EXPECT_EQ(got[i][0], want[i].first) << "point " << i;
    EXPECT_EQ(got[i][1], want[i].second) << "point " << i;
  }
}

void SetModTime(const std::string& path, time_t seconds) {
  struct timespec times[2] = {{seconds, 0}, {seconds, 0}};
  ASSERT_EQ(utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
}

}  // namespace

// Scan 1 starts at 23310 with its header, so its peaks at 23390. It holds
// 3 peaks and a terminator: 4 * 14 = 56 bytes, so scan 2 starts at 23446.
// With a header of its own its peaks start at 23446 + 80 = 23526; with
// magic 4661 (no headers after the first) at 23446. Times are k / 0.5.
TEST_F(HDFileTest, IndexesBothLayoutsOfTheFormatNotes) {
  struct Case {
    uint16_t magic;
    bool secondHeader;
    uint64_t secondOffset;
  } cases[] = {{0, true, 23526}, {4661, false, 23446}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.magic);
    std::string name = "two" + std::to_string(c.magic) + ".R01";
    std::string path = dir.Write(name, BuildHD(c.magic, 2, TwoScans(c.secondHeader)));
    TSpec spec;
    ASSERT_TRUE(spec.OpenFile(path));
    EXPECT_EQ(spec.FileKind(), fkHD);
    EXPECT_TRUE(spec.FromFileOn());
    ASSERT_TRUE(spec.HDindex());
    EXPECT_EQ(spec.HDindex()->aIndexTable, (std::vector<uint64_t>{23390, c.secondOffset}));
    ASSERT_EQ(spec.NSpec(), 2);
    EXPECT_EQ(spec.Chrom[0][0], 2.0f);
    EXPECT_EQ(spec.Chrom[1][0], 4.0f);
    EXPECT_EQ(spec.Chrom[0][1], 600.0f);  // 100 + 200 + 300
    EXPECT_EQ(spec.Chrom[1][1], 15.0f);   // 7 + 8
    ExpectSpectrum(spec.GetMass(1), {{55.5f, 7.0f}, {65.5f, 8.0f}});
    ExpectSpectrum(spec.GetMass(0), {{50.5f, 100.0f}, {60.25f, 200.0f}, {70.125f, 300.0f}});
    // The same scans when there is no index: the reader steps through the
    // file as it is laid out.
    ExpectSpectrum(ReadHDScan(path, 1, nullptr), {{55.5f, 7.0f}, {65.5f, 8.0f}});
    EXPECT_TRUE(ui.messages.empty());
  }
}

// stored_mode 4 and 6 files carry one header for all scans, whatever the
// magic.
TEST_F(HDFileTest, AccurateModesHaveOneHeaderForAllScans) {
  for (uint16_t mode : {4, 6}) {
    auto scans = TwoScans(false);
    scans[0].mode = mode;
    std::string path = dir.Write("acc.R02", BuildHD(0, 2, scans));
    TSpec spec;
    ASSERT_TRUE(spec.OpenFile(path)) << mode;
    EXPECT_EQ(spec.HDindex()->aIndexTable[1], 23446u);
    ExpectSpectrum(spec.GetMass(1), {{55.5f, 7.0f}, {65.5f, 8.0f}});
  }
}

TEST_F(HDFileTest, IndexFileLayoutAndReuse) {
  std::string path = dir.Write("run.R01", BuildHD(0, 2, TwoScans(true), 24576, 0x01020304));
  std::string index = dir.File("run.x01");
  {
    TSpec spec;
    ASSERT_TRUE(spec.OpenFile(path));
    EXPECT_FALSE(spec.HDindex()->UsedIndexFile);
    EXPECT_EQ(spec.HDindex()->WrittenIndexFile, index);
  }
  // creation date, size in whole KiB (24576 / 1024 = 24), N, then the
  // totals, the times and the offsets of the two scans.
  std::string b = ReadAll(index);
  ASSERT_EQ(b.size(), 10u + 12 * 2);
  EXPECT_EQ(Get<uint32_t>(b, 0), 0x01020304u);
  EXPECT_EQ(Get<uint32_t>(b, 4), 24u);
  EXPECT_EQ(Get<uint16_t>(b, 8), 2u);
  EXPECT_EQ(Get<float>(b, 10), 600.0f);
  EXPECT_EQ(Get<float>(b, 14), 15.0f);
  EXPECT_EQ(Get<float>(b, 18), 2.0f);
  EXPECT_EQ(Get<float>(b, 22), 4.0f);
  EXPECT_EQ(Get<uint32_t>(b, 26), 23390u);
  EXPECT_EQ(Get<uint32_t>(b, 30), 23526u);

  // An unchanged run opens from its index.
  TSpec again;
  ASSERT_TRUE(again.OpenFile(path));
  EXPECT_TRUE(again.HDindex()->UsedIndexFile);
  EXPECT_EQ(again.Chrom, (tXYarray{{2.0f, 600.0f}, {4.0f, 15.0f}}));
  ExpectSpectrum(again.GetMass(1), {{55.5f, 7.0f}, {65.5f, 8.0f}});
}

// An index that does not describe the run is not used: the run is indexed
// again and reads right.
TEST_F(HDFileTest, IndexThatDoesNotMatchIsMadeAgain) {
  struct Case {
    const char* what;
    void (*spoil)(std::string& index, const std::string& runPath);
  } cases[] = {
      {"size in KiB changed",
       [](std::string&, const std::string& run) {
         std::ofstream(run, std::ios::app | std::ios::binary) << std::string(2048, '\0');
       }},
      {"creation date differs",
       [](std::string& ix, const std::string&) { Put<uint32_t>(ix, 0, 7); }},
      {"index cut short", [](std::string& ix, const std::string&) { ix.resize(ix.size() - 3); }},
      {"scan count differs", [](std::string& ix, const std::string&) { Put<uint16_t>(ix, 8, 1); }},
      {"offset beyond the run",
       [](std::string& ix, const std::string&) { Put<uint32_t>(ix, 30, 999999); }},
      {"offsets not ascending",
       [](std::string& ix, const std::string&) { Put<uint32_t>(ix, 30, 23390); }},
      {"time not a number", [](std::string& ix, const std::string&) { Put<float>(ix, 18, NAN); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::string path = dir.Write("m.R01", BuildHD(0, 2, TwoScans(true)));
    std::string indexPath = dir.File("m.x01");
    std::filesystem::remove(indexPath);
    {
      TSpec first;
      ASSERT_TRUE(first.OpenFile(path));
    }
    std::string ix = ReadAll(indexPath);
    c.spoil(ix, path);
    dir.Write("m.x01", ix);
    SetModTime(path, 1000000000);  // the run older than its index
    TSpec spec;
    ASSERT_TRUE(spec.OpenFile(path));
    EXPECT_FALSE(spec.HDindex()->UsedIndexFile);
    EXPECT_EQ(spec.Chrom, (tXYarray{{2.0f, 600.0f}, {4.0f, 15.0f}}));
    ExpectSpectrum(spec.GetMass(1), {{55.5f, 7.0f}, {65.5f, 8.0f}});
  }
}

// A run rewritten with the same size and date keeps a matching stamp; the
// index is older than the run, so it is not trusted.
TEST_F(HDFileTest, RunWrittenAfterItsIndexIsIndexedAgain) {
  std::string path = dir.Write("w.R01", BuildHD(0, 2, TwoScans(true)));
  {
    TSpec first;
    ASSERT_TRUE(first.OpenFile(path));
  }
  auto scans = TwoScans(true);
  scans[1].peaks[1].intensity = 80;
  dir.Write("w.R01", BuildHD(0, 2, scans));
  SetModTime(dir.File("w.x01"), 1000000000);
  TSpec spec;
  ASSERT_TRUE(spec.OpenFile(path));
  EXPECT_FALSE(spec.HDindex()->UsedIndexFile);
  EXPECT_EQ(spec.Chrom[1][1], 87.0f);
}

TEST_F(HDFileTest, IndexFileNames) {
  EXPECT_EQ(HDIndexFileName("/d/run.R01", false), "/d/run.x01");
  EXPECT_EQ(HDIndexFileName("/d/run.R7", false), "/d/run.x7");
  EXPECT_EQ(HDIndexFileName("/d/run.r12", false), "/d/run.x12");
  EXPECT_TRUE(ui.messages.empty());
  EXPECT_EQ(HDIndexFileName("/d/run.S01", true), "/d/run.x01");
  EXPECT_EQ(ui.messages, (std::vector<std::string>{"Error in HD file name"}));
}

TEST_F(HDFileTest, NameWithoutRIsReportedAndStillIndexed) {
  std::string path = dir.Write("odd.S01", BuildHD(0, 2, TwoScans(true)));
  TSpec spec;
  ASSERT_TRUE(spec.OpenHDFile(path));
  EXPECT_EQ(ui.messages, (std::vector<std::string>{"Error in HD file name"}));
  EXPECT_TRUE(FileExists(dir.File("odd.x01")));
}

// A run that cannot be opened leaves an empty store that takes the next
// file; the message says what was wrong.
TEST_F(HDFileTest, BadRunFilesAreRefused) {
  auto withPeaks = [](int nClaimed, int nScans) {
    return BuildHD(0, static_cast<uint16_t>(nClaimed), ScansWithPeaks(nScans, 100), 0);
  };
  std::string tenPeaks;  // one scan of ten peaks: 23310 + 80 + 11 * 14 = 23544 bytes, 22 KiB
  {
    ScanDef d;
    for (int i = 1; i <= 10; ++i)
      d.peaks.push_back({double(i), i});
    tenPeaks = BuildHD(0, 1, {d}, 0);
    EXPECT_EQ(tenPeaks.size(), 23544u);
  }
  std::string cutRecord = withPeaks(2, 2);
  cutRecord.resize(cutRecord.size() - kPeakRecordSize - 7);  // the terminator gone, a record cut
  auto mode = [](uint16_t m) {
    auto s = TwoScans(true);
    s[0].mode = m;
    return BuildHD(0, 2, s);
  };
  auto nanRate = [] {
    auto s = TwoScans(true);
    s[1].rate = NAN;
    return BuildHD(0, 2, s);
  };
  std::string tooMany;  // 100 001 peaks without a terminator
  {
    ScanDef d;
    for (int i = 0; i <= kMaxPeaksWithoutZero; ++i)
      d.peaks.push_back({1.0 + i, 1});
    d.terminate = false;
    tooMany = BuildHD(0, 1, {d});
  }
  struct Case {
    const char* what;
    std::string bytes;
    std::string message;  // the whole message, or its start for "Problem reading R file"
  } cases[] = {
      {"under 24 KiB", tenPeaks, "Problem reading R file\n%: The HD file is too small."},
      {"short run header", std::string(5000, 'x'),
       "Problem reading R file\n%: Error while reading HD run stats"},
      {"no scans", BuildHD(0, 0, TwoScans(true)), "Error while reading HD file"},
      {"raw mode 0", mode(0), "Problem reading R file\n%: RAW HD file format not supported."},
      {"raw mode 1", mode(1), "Problem reading R file\n%: RAW HD file format not supported."},
      {"unknown mode 5", mode(5), "Problem reading R file\n%: Unexpected HD file format."},
      {"more scans claimed than held", withPeaks(5, 2),
       "Problem reading R file\n%: The file ends inside the header of scan 2"},
      {"peak record cut", cutRecord, "Problem reading R file\n%: The file ends inside scan 1"},
      {"no terminator within 100 000 peaks", tooMany,
       "Too many peaks have been read without a zero"},
      {"rate not a number", nanRate(),
       "Problem reading R file\n%: Scan 1 has no usable number_of_scans_per_second (NAN)"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ui.messages.clear();
    std::string path = dir.Write("bad.R01", c.bytes);
    std::filesystem::remove(dir.File("bad.x01"));
    TSpec spec;
    spec.Number = 3;
    EXPECT_FALSE(spec.OpenFile(path));
    EXPECT_EQ(spec.FileKind(), fkNone);
    EXPECT_EQ(spec.NSpec(), 0);
    EXPECT_TRUE(spec.Filename().empty());
    EXPECT_FALSE(spec.FromFileOn());
    EXPECT_FALSE(spec.HDindex());
    std::string want = c.message;
    if (auto p = want.find('%'); p != std::string::npos) want.replace(p, 1, path);
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0], want);
    EXPECT_FALSE(FileExists(dir.File("bad.x01")));
    // Usable afterwards.
    spec.FillSampleValues(20);
    EXPECT_EQ(spec.NSpec(), 10);
  }
}

TEST_F(HDFileTest, ExactlyOneHundredThousandPeaksAreRead) {
  ScanDef d;
  for (int i = 0; i < kMaxPeaksWithoutZero; ++i)
    d.peaks.push_back({1.0 + i, 2});
  std::string path = dir.Write("big.R01", BuildHD(0, 1, {d}));
  TSpec spec;
  ASSERT_TRUE(spec.OpenFile(path));
  EXPECT_EQ(spec.Chrom[0][1], 200000.0f);
  EXPECT_EQ(spec.GetMass(0).size(), size_t(kMaxPeaksWithoutZero));
}

// A rate of 0 is reported once and replaced by 1000 scans per second.
TEST_F(HDFileTest, ZeroScanRateIsReportedOnce) {
  auto scans = TwoScans(true);
  scans[0].rate = 0;
  scans[1].rate = 0;
  std::string path = dir.Write("z.R01", BuildHD(0, 2, scans));
  TSpec spec;
  ASSERT_TRUE(spec.OpenFile(path));
  EXPECT_EQ(ui.messages,
            (std::vector<std::string>{"Problem in R file (number_of_scans_per_second=0)"}));
  EXPECT_EQ(spec.Chrom[0][0], static_cast<float>(1.0 / 1000));
  EXPECT_EQ(spec.Chrom[1][0], static_cast<float>(2.0 / 1000));
}

TEST_F(HDFileTest, ReadingBeyondTheLastScan) {
  std::string path = dir.Write("r.R01", BuildHD(0, 2, TwoScans(true)));
  TSpec spec;
  ASSERT_TRUE(spec.OpenFile(path));
  try {
    spec.ReadHDSpectrum(2);
    FAIL() << "no error";
  } catch (const SorrelError& e) {
    EXPECT_STREQ(e.what(), "This file has only 2Scans!");
  }
  EXPECT_THROW(spec.ReadHDSpectrum(-1), SorrelError);
  EXPECT_TRUE(spec.GetMass(2).empty());
}

TEST_F(HDFileTest, SteppingWithoutIndexStopsAtAScanOfAnotherMode) {
  auto scans = TwoScans(true);
  scans[1].mode = 0;
  std::string path = dir.Write("s.R01", BuildHD(0, 2, scans));
  TSpec spec;
  ASSERT_TRUE(spec.OpenFile(path));
  EXPECT_TRUE(ReadHDScan(path, 1, nullptr).empty());
  EXPECT_EQ(ui.messages, (std::vector<std::string>{
                             "The file is not nominal mass, fast DSP nom mass or slow accurrate HD "
                             "ALG acquired the conversion ends here."}));
}

// The user presses Cancel while the run is indexed: the opening fails
// without a message and no index file is written.
TEST_F(HDFileTest, CancelledIndexingFailsQuietly) {
  struct CancellingHost : ProgressHost {
    struct Window : IProgressWindow {
      std::function<void()> cancel;
      void Show() override {}
      void SetText(const std::string&) override {}
      void SetBar(int, int, const std::string&) override { cancel(); }
      void Close() override {}
    };
    std::string caption;
    std::unique_ptr<IProgressWindow> CreateProgressWindow(const ProgressWindowSetup& s,
                                                          std::function<void()> onCancel) override {
      caption = s.caption;
      auto w = std::make_unique<Window>();
      w->cancel = std::move(onCancel);
      return w;
    }
    void PostToUiThread(std::function<void()> fn) override { fn(); }
  } host;
  ProgressHost* old = SetProgressHost(&host);
  std::string path = dir.Write("c.R01", BuildHD(0, 5, ScansWithPeaks(5, 3)));
  TSpec spec;
  bool ok = spec.OpenFile(path);
  SetProgressHost(old);
  EXPECT_FALSE(ok);
  EXPECT_EQ(host.caption, "Indexing the file...");
  EXPECT_TRUE(ui.messages.empty());
  EXPECT_EQ(spec.NSpec(), 0);
  EXPECT_FALSE(FileExists(dir.File("c.x01")));
}

// Retention times 2.5, 5.0 and 7.5 give 1 / 2.5 = 2 / 5 = 3 / 7.5 = 0.4
// scans per second in every header; intensities are rounded half to even.
TEST_F(HDFileTest, SavingWritesTheLayoutAndReadsBack) {
  TSpec spec;
  spec.AddSSpec(2.5, 3, {{10.0f, 2.5f}, {20.0f, 3.5f}});
  spec.AddSSpec(5.0, 0, {});
  spec.AddSSpec(7.5, 1, {{30.5f, -2.5f}, {40.25f, 0.5f}, {50.0f, 1e6f}});
  std::string path = dir.File("out.R01");
  ASSERT_TRUE(spec.SaveFile(path));
  std::string b = ReadAll(path);
  // header 23310 + scan 1: 80 + 3 records, scan 2: 80 + 1, scan 3: 80 + 4
  // = 23662 bytes, then zeros up to 24 KiB, the least the indexer takes.
  const size_t end = 23310u + 3 * 80 + (3 + 1 + 4) * 14;
  ASSERT_EQ(b.size(), 24576u);
  EXPECT_EQ(b.substr(end), std::string(24576 - end, '\0'));
  EXPECT_EQ(Get<uint16_t>(b, 0), 0u);
  EXPECT_EQ(Get<uint16_t>(b, 7696), 3u);
  EXPECT_EQ(b.substr(9294, 23310 - 9294), std::string(23310 - 9294, '\0'));
  size_t s1 = 23310, s2 = s1 + 80 + 3 * 14, s3 = s2 + 80 + 14;
  for (size_t h : {s1, s2, s3}) {
    EXPECT_EQ(Get<uint16_t>(b, h + 2), 2u);
    EXPECT_EQ(Get<float>(b, h + 8), 0.4f);
  }
  EXPECT_EQ(Get<double>(b, s1 + 80), 10.0);
  EXPECT_EQ(Get<int32_t>(b, s1 + 80 + 8), 2);
  EXPECT_EQ(Get<int32_t>(b, s1 + 80 + 14 + 8), 4);
  EXPECT_EQ(Get<double>(b, s1 + 80 + 28), 0.0);  // terminator
  EXPECT_EQ(Get<int32_t>(b, s3 + 80 + 8), -2);
  EXPECT_EQ(Get<int32_t>(b, s3 + 80 + 14 + 8), 0);
  EXPECT_EQ(Get<int32_t>(b, s3 + 80 + 28 + 8), 1000000);

  TSpec back;
  ASSERT_TRUE(back.OpenFile(path));
  EXPECT_EQ(back.Chrom[0][0], 2.5f);
  EXPECT_EQ(back.Chrom[1][0], 5.0f);
  EXPECT_EQ(back.Chrom[2][0], 7.5f);
  ExpectSpectrum(back.GetMass(0), {{10.0f, 2.0f}, {20.0f, 4.0f}});
  EXPECT_TRUE(back.GetMass(1).empty());
  ExpectSpectrum(back.GetMass(2), {{30.5f, -2.0f}, {40.25f, 0.0f}, {50.0f, 1e6f}});
}

// The file keeps a rate, not a time: the reader gives k / rate rounded to
// a float. For times of real runs (an Agilent GC/MS run steps by about
// 0.59 s) and random ones, the time read back is the saved one or its
// float neighbour (no float rate gives some times back exactly; checked
// against every float near k / t).
TEST_F(HDFileTest, SavedRetentionTimesComeBackWithinOneFloatStep) {
  std::mt19937 rng(42);
  std::uniform_real_distribution<float> step(0.001f, 3.0f);
  struct Case {
    const char* what;
    std::vector<float> times;
  } cases[3];
  cases[0].what = "agilent-like";
  for (int k = 0; k < 6401; ++k)
    cases[0].times.push_back(static_cast<float>(5.25 + k * 0.5897));
  cases[1].what = "random steps";
  float t = 0.01f;
  for (int k = 0; k < 5000; ++k)
    cases[1].times.push_back(t += step(rng));
  cases[2].what = "long run in ms steps";
  for (int k = 0; k < 3000; ++k)
    cases[2].times.push_back(3600.0f + 0.013f * static_cast<float>(k));
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TSpec spec;
    for (float x : c.times)
      spec.AddSSpec(x, 1, {{100.0f, 1.0f}});
    std::string path = dir.File("t.R01");
    ASSERT_TRUE(spec.SaveFile(path));
    TSpec back;
    ASSERT_TRUE(back.OpenFile(path));
    ASSERT_EQ(back.NSpec(), spec.NSpec());
    int exact = 0, far = 0;
    for (int32_t i = 0; i < spec.NSpec(); ++i) {
      float want = spec.Chrom[size_t(i)][0], got = back.Chrom[size_t(i)][0];
      exact += got == want;
      far += got != want && got != std::nextafter(want, 0.0f) && got != std::nextafter(want, 1e30f);
    }
    EXPECT_EQ(far, 0);
    EXPECT_GT(exact, spec.NSpec() * 8 / 10);
  }
}

// A point at mass 0 would end its scan in the file; it is written so that
// it reads back as mass 0 and the scans stay as they were.
TEST_F(HDFileTest, PointAtMassZeroDoesNotSplitTheScan) {
  TSpec spec;
  spec.AddSSpec(1, 0, {{0.0f, 5.0f}, {10.0f, 6.0f}});
  spec.AddSSpec(2, 0, {{-0.0f, 1.0f}});
  spec.AddSSpec(3, 0, {{20.0f, 7.0f}});
  std::string path = dir.File("zero.R01");
  ASSERT_TRUE(spec.SaveFile(path));
  TSpec back;
  ASSERT_TRUE(back.OpenFile(path));
  ASSERT_EQ(back.NSpec(), 3);
  ExpectSpectrum(back.GetMass(0), {{0.0f, 5.0f}, {10.0f, 6.0f}});
  ExpectSpectrum(back.GetMass(1), {{0.0f, 1.0f}});
  ExpectSpectrum(back.GetMass(2), {{20.0f, 7.0f}});
}

// A save that fails half-way leaves the file that was there, and no
// temporary file behind.
TEST_F(HDFileTest, FailedSaveKeepsTheOldFile) {
  std::string path = dir.Write("keep.R01", "the old contents");
  TSpec spec;
  spec.AddSSpec(1, 0, {{10.0f, 1.0f}});
  spec.AddSSpec(2, 0, {{10.0f, 3e9f}});  // not a 32-bit whole number
  EXPECT_THROW(spec.SaveFile(path), SorrelError);
  EXPECT_EQ(ReadAll(path), "the old contents");
  int files = 0;
  for (auto& e : std::filesystem::directory_iterator(dir.Path()))
    files += e.is_regular_file();
  EXPECT_EQ(files, 1);
}

TEST_F(HDFileTest, RunsAnHDFileCannotHoldAreRefused) {
  TSpec empty;
  EXPECT_THROW(empty.SaveFile(dir.File("e.R01")), SorrelError);
  EXPECT_FALSE(FileExists(dir.File("e.R01")));
  TSpec big;
  for (int k = 1; k <= kMaxHDScans + 1; ++k)
    big.AddSSpec(k, 0, {});
  try {
    big.SaveFile(dir.File("big.R01"));
    FAIL() << "no error";
  } catch (const SorrelError& e) {
    EXPECT_STREQ(e.what(), "The run has 65536 scans; an HD file holds at most 65535.");
  }
  EXPECT_FALSE(FileExists(dir.File("big.R01")));
}

// Saving an opened HD run back over its own file, and saving a run whose
// file had no per-scan headers (magic 4661): the new file has a header
// for every scan, so it must not keep that magic.
TEST_F(HDFileTest, SavingAnOpenedRun) {
  std::string path = dir.Write("own.R01", BuildHD(4661, 2, TwoScans(false)));
  TSpec spec;
  ASSERT_TRUE(spec.OpenFile(path));
  ASSERT_TRUE(spec.SaveFile(path));
  EXPECT_EQ(Get<uint16_t>(ReadAll(path), 0), 0u);
  EXPECT_TRUE(spec.FromFileOn());
  EXPECT_EQ(spec.Chrom, (tXYarray{{2.0f, 600.0f}, {4.0f, 15.0f}}));
  ExpectSpectrum(spec.GetMass(1), {{55.5f, 7.0f}, {65.5f, 8.0f}});
  ExpectSpectrum(spec.GetMass(0), {{50.5f, 100.0f}, {60.25f, 200.0f}, {70.125f, 300.0f}});
}

// A text spectrum opened into a store that reads its run from an HD file
// becomes the current spectrum; the run still reads from its own file.
TEST_F(HDFileTest, ATextSpectrumOpenedIntoAFileBackedStore) {
  std::string path = dir.Write("keep.R01", BuildHD(0, 2, TwoScans(true)));
  std::string text = dir.Write("one.txt", "50\t10\r\n");
  TSpec spec;
  ASSERT_TRUE(spec.OpenFile(path));
  ASSERT_TRUE(spec.OpenFile(text));
  EXPECT_EQ(spec.FileKind(), fkTxt);
  EXPECT_EQ(spec.CMass, (tXYarray{{50.0f, 10.0f}}));
  ASSERT_EQ(spec.NSpec(), 2);
  ExpectSpectrum(spec.GetMass(1), {{55.5f, 7.0f}, {65.5f, 8.0f}});
}

// Writing scan by scan: AddSSpec feeds the file; the store shows the last
// scan; the file appears only when it is closed and reopens with times 1,
// 2, 3.
TEST_F(HDFileTest, WritingScanByScan) {
  std::string path = dir.Write("sbs.R01", "an older run");
  TSpec spec;
  EXPECT_FALSE(spec.AddHDSpectrum({{1.0f, 1.0f}}));
  EXPECT_FALSE(spec.CloseHDFile());
  ASSERT_TRUE(spec.CreateHDFile(path));
  EXPECT_EQ(spec.FileKind(), fkHD);
  EXPECT_TRUE(spec.FromFileOn());
  std::vector<tXYarray> scans = {{{40.0f, 10.0f}, {41.0f, 11.0f}}, {}, {{50.0f, 5.0f}}};
  for (int k = 0; k < 200; ++k)
    scans.push_back({{60.0f + k, float(k)}});
  double t = 10;
  for (const tXYarray& s : scans) {
    int32_t r = spec.AddSSpec(t += 10, 1, s);
    EXPECT_EQ(r, spec.HDnSpec() - 1);
  }
  EXPECT_EQ(spec.NSpec(), int32_t(scans.size()));
  ExpectSpectrum(spec.GetMass(0), {{259.0f, 199.0f}});  // while writing: the last scan
  // The scans are only in the file being written: they cannot go into the
  // cache before it is closed.
  EXPECT_THROW(spec.SetCasheOn(true), SorrelError);
  EXPECT_FALSE(spec.CasheOn());
  EXPECT_EQ(ReadAll(path), "an older run");
  ASSERT_TRUE(spec.CloseHDFile());
  EXPECT_EQ(spec.HDnSpec(), -1);
  ASSERT_TRUE(spec.HDindex());
  ExpectSpectrum(spec.GetMass(0), {{40.0f, 10.0f}, {41.0f, 11.0f}});

  TSpec back;
  ASSERT_TRUE(back.OpenFile(path));
  ASSERT_EQ(back.NSpec(), int32_t(scans.size()));
  for (int32_t i = 0; i < back.NSpec(); ++i) {
    EXPECT_EQ(back.Chrom[size_t(i)][0], float(i + 1));
    EXPECT_EQ(back.GetMass(i), scans[size_t(i)]) << i;
  }
}

// A store that goes away while it writes leaves no half file.
TEST_F(HDFileTest, AbandonedWritingLeavesNothing) {
  std::string path = dir.File("gone.R01");
  {
    TSpec spec;
    ASSERT_TRUE(spec.CreateHDFile(path));
    spec.AddSSpec(1, 1, {{1.0f, 1.0f}});
  }
  EXPECT_TRUE(std::filesystem::is_empty(dir.Path()));
}

// The run lies on a read-only medium: a tmpfs mounted read-only, which
// stops root too (where mounting is impossible, a read-only directory,
// which stops other users).
TEST_F(HDFileTest, IndexOfAWriteProtectedRunGoesToTemp) {
  std::string sub = dir.File("ro/");
  test::ScratchMount medium(sub);
  if (!medium.Mounted() && geteuid() == 0)
    GTEST_SKIP() << "cannot mount, and root writes into read-only directories";
  std::filesystem::create_directory(sub);
  std::string path = sub + "p.R01";
  std::string bytes = BuildHD(0, 2, TwoScans(true));
  std::ofstream(path, std::ios::binary) << bytes;
  if (medium.Mounted())
    ASSERT_TRUE(medium.SetReadOnly(true));
  else
    chmod(sub.c_str(), 0555);
  TSpec spec;
  bool ok = spec.OpenFile(path);
  if (!medium.Mounted()) chmod(sub.c_str(), 0755);
  ASSERT_TRUE(ok);
  EXPECT_FALSE(FileExists(sub + "p.x01"));
  EXPECT_EQ(spec.HDindex()->WrittenIndexFile, dir.File("Temp/p.x01"));
  EXPECT_TRUE(FileExists(dir.File("Temp/p.x01")));
}

// Where the index cannot be written beside the run (here a directory is
// in its way, which stops root as well as anyone) it goes to Temp beside
// the program; where it cannot be written at all, the run still opens.
TEST_F(HDFileTest, IndexThatCannotBeWrittenBesideTheRun) {
  std::string path = dir.Write("q.R01", BuildHD(0, 2, TwoScans(true)));
  std::filesystem::create_directory(dir.File("q.x01"));
  {
    TSpec spec;
    ASSERT_TRUE(spec.OpenFile(path));
    EXPECT_EQ(spec.HDindex()->WrittenIndexFile, dir.File("Temp/q.x01"));
    EXPECT_EQ(ReadAll(dir.File("Temp/q.x01")).size(), 10u + 12 * 2);
  }
  std::filesystem::remove(dir.File("Temp/q.x01"));
  std::filesystem::create_directories(dir.File("Temp/q.x01"));
  TSpec spec;
  ASSERT_TRUE(spec.OpenFile(path));
  EXPECT_EQ(spec.HDindex()->WrittenIndexFile, "");
  EXPECT_FALSE(spec.HDindex()->UsedIndexFile);
  EXPECT_EQ(spec.Chrom, (tXYarray{{2.0f, 600.0f}, {4.0f, 15.0f}}));
  ExpectSpectrum(spec.GetMass(1), {{55.5f, 7.0f}, {65.5f, 8.0f}});
  EXPECT_TRUE(ui.messages.empty());
}
