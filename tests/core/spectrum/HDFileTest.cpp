// HD run files: layout, index file, indexer, scan reading, saving and
// writing scan by scan. The small files are built byte by byte here; the
// expected offsets and times are worked out by hand in the comments.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cmath>
#include <cstring>
#include <ctime>
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
  // totals, the times and the offsets of the two scans; then the stamp of
  // the run: tag, length in bytes, inode, modification time.
  std::string b = ReadAll(index);
  ASSERT_EQ(b.size(), 10u + 12 * 2 + 32);
  EXPECT_EQ(Get<uint32_t>(b, 0), 0x01020304u);
  EXPECT_EQ(Get<uint32_t>(b, 4), 24u);
  EXPECT_EQ(Get<uint16_t>(b, 8), 2u);
  EXPECT_EQ(Get<float>(b, 10), 600.0f);
  EXPECT_EQ(Get<float>(b, 14), 15.0f);
  EXPECT_EQ(Get<float>(b, 18), 2.0f);
  EXPECT_EQ(Get<float>(b, 22), 4.0f);
  EXPECT_EQ(Get<uint32_t>(b, 26), 23390u);
  EXPECT_EQ(Get<uint32_t>(b, 30), 23526u);
  struct stat st {};
  ASSERT_EQ(stat(path.c_str(), &st), 0);
  EXPECT_EQ(b.substr(34, 8), "SorrelIx");
  EXPECT_EQ(Get<uint64_t>(b, 42), 24576u);
  EXPECT_EQ(Get<uint64_t>(b, 50), uint64_t(st.st_ino));
  EXPECT_EQ(Get<int64_t>(b, 58), int64_t(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec);

  // An unchanged run opens from its index.
  TSpec again;
  ASSERT_TRUE(again.OpenFile(path));
  EXPECT_TRUE(again.HDindex()->UsedIndexFile);
  EXPECT_EQ(again.Chrom, (tXYarray{{2.0f, 600.0f}, {4.0f, 15.0f}}));
  ExpectSpectrum(again.GetMass(1), {{55.5f, 7.0f}, {65.5f, 8.0f}});
}

// An index that does not describe the run is not used: the run is indexed
// again and reads right. The index files of the format (without this
// program's stamp) are checked for what they hold; an index with the stamp
// is taken only for the very file it was made from. The first case of
// each kind spoils nothing and is taken.
TEST_F(HDFileTest, IndexThatDoesNotMatchIsMadeAgain) {
  struct Case {
    const char* what;
    bool stamped;  // keep the stamp (else the index is cut to what the format defines)
    void (*spoil)(std::string& index, const std::string& runPath);
    bool used;
  } cases[] = {
      {"format's index, as made", false, [](std::string&, const std::string&) {}, true},
      {"size in KiB changed", false,
       [](std::string&, const std::string& run) {
         std::ofstream(run, std::ios::app | std::ios::binary) << std::string(2048, '\0');
       },
       false},
      {"creation date differs", false,
       [](std::string& ix, const std::string&) { Put<uint32_t>(ix, 0, 7); }, false},
      {"index cut short", false,
       [](std::string& ix, const std::string&) { ix.resize(ix.size() - 3); }, false},
      {"index longer than its scans", false,
       [](std::string& ix, const std::string&) { ix += std::string(100, 'x'); }, false},
      {"scan count differs", false,
       [](std::string& ix, const std::string&) { Put<uint16_t>(ix, 8, 1); }, false},
      {"offset beyond the run", false,
       [](std::string& ix, const std::string&) { Put<uint32_t>(ix, 30, 999999); }, false},
      {"offsets not ascending", false,
       [](std::string& ix, const std::string&) { Put<uint32_t>(ix, 30, 23390); }, false},
      {"time not a number", false,
       [](std::string& ix, const std::string&) { Put<float>(ix, 18, NAN); }, false},
      {"stamped index, as made", true, [](std::string&, const std::string&) {}, true},
      {"stamp of another length", true,
       [](std::string& ix, const std::string&) { Put<uint64_t>(ix, 42, 24577); }, false},
      {"stamp of another inode", true,
       [](std::string& ix, const std::string&) {
         Put<uint64_t>(ix, 50, Get<uint64_t>(ix, 50) + 1);
       },
       false},
      {"stamp of another time", true,
       [](std::string& ix, const std::string&) { Put<int64_t>(ix, 58, Get<int64_t>(ix, 58) - 1); },
       false},
      {"stamp without its tag", true, [](std::string& ix, const std::string&) { ix[34] = 's'; },
       false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::string path = dir.Write("m.R01", BuildHD(0, 2, TwoScans(true), 24576, 20240101));
    std::string indexPath = dir.File("m.x01");
    std::filesystem::remove(indexPath);
    {
      TSpec first;
      ASSERT_TRUE(first.OpenFile(path));
    }
    std::string ix = ReadAll(indexPath);
    ASSERT_EQ(ix.size(), 34u + 32);
    if (!c.stamped) {
      ix.resize(34);
      SetModTime(path, 1000000000);  // the run older than its index
    }
    c.spoil(ix, path);
    dir.Write("m.x01", ix);
    TSpec spec;
    ASSERT_TRUE(spec.OpenFile(path));
    EXPECT_EQ(spec.HDindex()->UsedIndexFile, c.used);
    EXPECT_EQ(spec.Chrom, (tXYarray{{2.0f, 600.0f}, {4.0f, 15.0f}}));
    ExpectSpectrum(spec.GetMass(1), {{55.5f, 7.0f}, {65.5f, 8.0f}});
  }
}

// Two runs of the same layout, size, creation date and number of scans,
// with other intensities: their stamps of the format are the same. The
// index of one beside the other (copied there, or left there when the run
// is replaced by the other) is not taken for it; nor is an index without
// this program's stamp for a run of creation date 0 (as this program
// wrote them before), which cannot tell runs apart.
TEST_F(HDFileTest, AnotherRunsIndexIsNotTakenForARun) {
  auto other = TwoScans(true);
  for (ScanDef& d : other)
    for (Peak& p : d.peaks)
      p.intensity += 1000;
  const std::string otherBytes = BuildHD(0, 2, other, 24576, 77);
  const tXYarray own{{2.0f, 600.0f}, {4.0f, 15.0f}}, others{{2.0f, 3600.0f}, {4.0f, 2015.0f}};
  struct Case {
    const char* what;
    void (*make)(TempDir& d, const std::string& otherBytes);  // leaves r.R01 and r.x01
    tXYarray chrom;
  } cases[] = {
      {"the other run's index copied beside the run",
       [](TempDir& d, const std::string& o) {
         d.Write("r.R01", BuildHD(0, 2, TwoScans(true), 24576, 77));
         d.Write("o.R01", o);
         TSpec s;
         ASSERT_TRUE(s.OpenFile(d.File("o.R01")));
         d.Write("r.x01", ReadAll(d.File("o.x01")));
       },
       own},
      {"the run replaced by an older one, its index left",
       [](TempDir& d, const std::string& o) {
         d.Write("o.R01", o);
         SetModTime(d.File("o.R01"), 1000000000);
         d.Write("r.R01", BuildHD(0, 2, TwoScans(true), 24576, 77));
         TSpec s;
         ASSERT_TRUE(s.OpenFile(d.File("r.R01")));
         std::filesystem::rename(d.File("o.R01"), d.File("r.R01"));
       },
       others},
      {"an index of the format for a run of creation date 0",
       [](TempDir& d, const std::string& o) {
         d.Write("o.R01", o.substr(0, 12) + std::string(4, '\0') + o.substr(16));
         d.Write("r.R01", BuildHD(0, 2, TwoScans(true), 24576, 0));
         TSpec s;
         ASSERT_TRUE(s.OpenFile(d.File("o.R01")));
         d.Write("r.x01", ReadAll(d.File("o.x01")).substr(0, 34));
       },
       own},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TempDir d;
    c.make(d, otherBytes);
    TSpec spec;
    ASSERT_TRUE(spec.OpenFile(d.File("r.R01")));
    EXPECT_FALSE(spec.HDindex()->UsedIndexFile);
    EXPECT_EQ(spec.Chrom, c.chrom);
    EXPECT_EQ(spec.Chrom[1][1], spec.GetMass(1)[0][1] + spec.GetMass(1)[1][1]);
    // The index made now is the run's own.
    TSpec again;
    ASSERT_TRUE(again.OpenFile(d.File("r.R01")));
    EXPECT_TRUE(again.HDindex()->UsedIndexFile);
    EXPECT_EQ(again.Chrom, c.chrom);
  }
}

// A name where the index would be that is not a regular file is never
// read (a FIFO would wait for a writer, /dev/zero never end) nor replaced
// (a link could point anywhere, here at a file of the user's): the run is
// indexed, and its index goes to Temp beside the program.
TEST_F(HDFileTest, AnIndexNameThatIsNoRegularFileIsLeftAlone) {
  const std::string precious = dir.Write("precious.txt", "keep me");
  struct Case {
    const char* what;
    std::string target;  // of the link; empty: a FIFO
  } cases[] = {{"FIFO", ""}, {"link to /dev/zero", "/dev/zero"}, {"link to a file", precious}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TempDir d;
    std::string path = d.Write("f.R01", BuildHD(0, 2, TwoScans(true), 24576, 5));
    const std::string index = d.File("f.x01");
    if (c.target.empty())
      ASSERT_EQ(mkfifo(index.c_str(), 0600), 0);
    else
      std::filesystem::create_symlink(c.target, index);
    TSpec spec;
    ASSERT_TRUE(spec.OpenFile(path));
    EXPECT_FALSE(spec.HDindex()->UsedIndexFile);
    EXPECT_EQ(spec.Chrom, (tXYarray{{2.0f, 600.0f}, {4.0f, 15.0f}}));
    EXPECT_EQ(spec.HDindex()->WrittenIndexFile, dir.File("Temp/f.x01"));
    std::filesystem::remove(dir.File("Temp/f.x01"));
    auto status = std::filesystem::symlink_status(index);
    if (c.target.empty())
      EXPECT_TRUE(std::filesystem::is_fifo(status));
    else
      EXPECT_EQ(std::filesystem::read_symlink(index), c.target);
  }
  EXPECT_EQ(ReadAll(precious), "keep me");
  EXPECT_TRUE(std::filesystem::is_character_file("/dev/zero"));
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
      {"under 24 KiB", tenPeaks,
       "Problem reading R file\n%: The HD file is too small. (23544 bytes; an HD run has at least "
       "24 KiB)"},
      {"short run header", std::string(5000, 'x'),
       "Problem reading R file\n%: Error while reading HD run stats"},
      {"no scans", BuildHD(0, 0, TwoScans(true)),
       "Error while reading HD file %: its header gives no scans (number_of_scans 0)"},
      {"raw mode 0", mode(0),
       "Problem reading R file\n%: RAW HD file format not supported. (stored_mode 0)"},
      {"raw mode 1", mode(1),
       "Problem reading R file\n%: RAW HD file format not supported. (stored_mode 1)"},
      {"unknown mode 5", mode(5),
       "Problem reading R file\n%: Unexpected HD file format. (stored_mode 5)"},
      {"more scans claimed than held", withPeaks(5, 2),
       "Problem reading R file\n%: The file ends inside the header of scan 2"},
      // 24 576 - 23 390 = 1186 bytes hold the zero records of 84 scans at most.
      {"more scans claimed than the file can hold", BuildHD(0, 65535, TwoScans(true)),
       "Problem reading R file\n%: its header gives 65535 scans; a file of 24576 bytes holds at "
       "most 84"},
      {"peak record cut", cutRecord, "Problem reading R file\n%: The file ends inside scan 1"},
      {"no terminator within 100 000 peaks", tooMany,
       "Too many peaks have been read without a zero: %, scan 0 has more than 100000 peaks "
       "without the zero record that ends a scan"},
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
            (std::vector<std::string>{"Problem in R file (number_of_scans_per_second=0): " + path +
                                      ", scan 0 on; 1000 scans per second are taken instead"}));
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
    EXPECT_EQ(std::string(e.what()), path + ": This file has only 2Scans! (scan 2 was asked for)");
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
  const uint32_t before = static_cast<uint32_t>(std::time(nullptr));
  ASSERT_TRUE(spec.SaveFile(path));
  const uint32_t after = static_cast<uint32_t>(std::time(nullptr));
  std::string b = ReadAll(path);
  // header 23310 + scan 1: 80 + 3 records, scan 2: 80 + 1, scan 3: 80 + 4
  // = 23662 bytes, then zeros up to 24 KiB, the least the indexer takes.
  const size_t end = 23310u + 3 * 80 + (3 + 1 + 4) * 14;
  ASSERT_EQ(b.size(), 24576u);
  EXPECT_EQ(b.substr(end), std::string(24576 - end, '\0'));
  EXPECT_EQ(Get<uint16_t>(b, 0), 0u);
  // The creation date is the time of saving (seconds since 1970), so that
  // runs saved at different times do not share the stamp of their index.
  EXPECT_GE(Get<uint32_t>(b, 12), before);
  EXPECT_LE(Get<uint32_t>(b, 12), after);
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

// What an HD file cannot hold is reported, as plain data and as one line:
// a first retention time of 0 (written as the rate 1, it reads back as
// 1 s; 1 s at scan 2 is the rate 2 and reads back exactly), an intensity
// that is not a whole number (2.5 is written as 2), and a total intensity
// other than the sum of the scan's points as written (5.5 becomes 2 + 3,
// 100 becomes 7). The file is written all the same.
TEST_F(HDFileTest, ASaveSaysWhatTheFileCannotHold) {
  TSpec spec;
  spec.AddSSpec(0, 3, {{10.0f, 1.0f}, {20.0f, 2.0f}});
  spec.AddSSpec(1, 5.5, {{10.0f, 2.5f}, {20.0f, 3.0f}});
  spec.AddSSpec(2, 100, {{30.0f, 7.0f}});
  const std::string path = dir.File("lossy.R01");
  ASSERT_TRUE(spec.SaveFile(path));
  const SaveLosses& l = spec.LastSaveLosses();
  EXPECT_EQ(l.file, path);
  EXPECT_EQ(l.timesChanged, 1);
  EXPECT_EQ(l.intensitiesRounded, 1);
  EXPECT_EQ(l.totalsChanged, 2);
  EXPECT_EQ(SaveLossText(l),
            path +
                " cannot hold the run as it is: the retention time of 1 scan changes (scan 0: 0 s "
                "becomes 1 s); 1 intensity is rounded to a whole number (scan 1: 2.5 becomes 2); "
                "the total intensities of 2 scans become the sums of their points (scan 1: 5.5 "
                "becomes 5)");
  TSpec back;
  ASSERT_TRUE(back.OpenFile(path));
  EXPECT_EQ(back.Chrom, (tXYarray{{1.0f, 3.0f}, {1.0f, 5.0f}, {2.0f, 7.0f}}));

  // What the file holds as it is gives no report, nor does a text or
  // netCDF file, which keep what they are given.
  TSpec exact;
  exact.AddSSpec(2.5, 3, {{10.0f, 1.0f}, {20.0f, 2.0f}});
  exact.AddSSpec(5, 0, {});
  for (const char* name : {"exact.R01", "lossy.cdf"}) {
    TSpec& s = std::string(name) == "exact.R01" ? exact : spec;
    ASSERT_TRUE(s.SaveFile(dir.File(name)));
    EXPECT_FALSE(s.LastSaveLosses().Any()) << name;
    EXPECT_EQ(SaveLossText(s.LastSaveLosses()), "") << name;
  }
}

// The report counts exactly what reads back otherwise, held against the
// file read again: random times (a whole number of milliseconds, some
// read back one float step away), intensities with and without fractions,
// totals that are or are not the sums of the points.
TEST_F(HDFileTest, TheReportedChangesAreWhatReadsBackOtherwise) {
  std::mt19937 rng(7);
  std::uniform_int_distribution<int> coin(0, 3), ms(1, 5000), whole(0, 100000);
  TSpec spec;
  double t = 0;
  for (int k = 0; k < 2000; ++k) {
    tXYarray scan;
    double sum = 0;
    for (int i = 0; i < 5; ++i) {
      float a = static_cast<float>(whole(rng));
      if (coin(rng) == 0) a += 0.25f;
      scan.push_back({50.0f + i, a});
      sum += a;
    }
    spec.AddSSpec(t, coin(rng) == 0 ? sum + 1 : sum, scan);
    t += ms(rng) / 1000.0;
  }
  const std::string path = dir.File("random.R01");
  ASSERT_TRUE(spec.SaveFile(path));
  TSpec back;
  ASSERT_TRUE(back.OpenFile(path));
  ASSERT_EQ(back.NSpec(), spec.NSpec());
  int32_t times = 0, totals = 0;
  int64_t intensities = 0;
  for (int32_t k = 0; k < spec.NSpec(); ++k) {
    times += back.Chrom[size_t(k)][0] != spec.Chrom[size_t(k)][0];
    totals += back.Chrom[size_t(k)][1] != spec.Chrom[size_t(k)][1];
    const tXYarray a = spec.GetMass(k), b = back.GetMass(k);
    ASSERT_EQ(a.size(), b.size());
    for (size_t i = 0; i < a.size(); ++i)
      intensities += a[i][1] != b[i][1];
  }
  const SaveLosses& l = spec.LastSaveLosses();
  EXPECT_GT(times, 1);  // the first time (0) and some float steps
  EXPECT_GT(intensities, 0);
  EXPECT_GT(totals, 0);
  EXPECT_EQ(l.timesChanged, times);
  EXPECT_EQ(l.intensitiesRounded, intensities);
  EXPECT_EQ(l.totalsChanged, totals);
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
  TSpec big;
  for (int k = 1; k <= kMaxHDScans + 1; ++k)
    big.AddSSpec(k, 0, {});
  try {
    big.SaveFile(dir.File("big.R01"));
    FAIL() << "no error";
  } catch (const SorrelError& e) {
    EXPECT_EQ(std::string(e.what()), "Cannot save " + dir.File("big.R01") +
                                         ": the run has 65536 scans; an HD file holds at most "
                                         "65535");
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
  // Written scan by scan the times read back as 1, 2, 3 ... s (here 20,
  // 30, 40 ... were given), and each total as the sum of the points.
  EXPECT_EQ(spec.LastSaveLosses().timesChanged, int32_t(scans.size()));
  EXPECT_EQ(spec.LastSaveLosses().time.to, 1.0);
  // All totals were given as 1: only the scan of one point of intensity 1
  // keeps it.
  EXPECT_EQ(spec.LastSaveLosses().totalsChanged, int32_t(scans.size()) - 1);
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
    EXPECT_EQ(ReadAll(dir.File("Temp/q.x01")).size(), 10u + 12 * 2 + 32);
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
