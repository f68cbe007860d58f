// The command line on text spectra: info, convert, spectrum, chrom, and
// the general contract (exit codes, --json, --force, -o).
#include <gtest/gtest.h>

#include "RunCli.h"
#include "TempDir.h"
#include "core/common/Paths.h"
#include "core/common/SafeSave.h"
#include "core/common/TextFile.h"

#include <algorithm>

using namespace sorrel::test;

namespace {
const std::string kCaffeine = TestData("ei/caffeine_MSBNK-Kazusa-KZ000017.txt");
}

TEST(CliGeneral, HelpVersionAndUsageErrors) {
  EXPECT_EQ(RunSorrel({"--help"}).status, 0);
  EXPECT_NE(RunSorrel({"--help"}).out.find("info"), std::string::npos);
  EXPECT_EQ(RunSorrel({"--version"}).status, 0);
  EXPECT_EQ(RunSorrel({}).status, 2);
  EXPECT_EQ(RunSorrel({"frobnicate"}).status, 2);
  EXPECT_EQ(RunSorrel({"info"}).status, 2);
  EXPECT_EQ(RunSorrel({"info", "--bogus", kCaffeine}).status, 2);
  EXPECT_EQ(RunSorrel({"info", "--help"}).status, 0);
  EXPECT_EQ(RunSorrel({"spectrum", kCaffeine, "--scan"}).status, 2);
}

TEST(CliInfo, TextSpectrumAsTextAndJson) {
  // The caffeine record has 50 peaks from m/z 82 to 196 (MassBank record
  // KZ000017, PK$NUM_PEAK 50); their intensities sum to 3815.
  CliResult r = RunSorrel({"info", "--json", kCaffeine});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.out.find("\"kind\":\"txt\",\"scans\":0,\"points\":50,\"mz_min\":82,\"mz_max\":196,"
                       "\"rt_min\":null,\"rt_max\":null,\"tic_max\":3815"),
            std::string::npos)
      << r.out;
  r = RunSorrel({"info", kCaffeine});
  EXPECT_NE(r.out.find("kind\ttxt\nscans\t0\npoints\t50\n"), std::string::npos) << r.out;
}

TEST(CliInfo, FailuresNameTheFileAndLine) {
  TempDir dir;
  std::string bad = dir.Write("bad.txt", "50\t1\r\n51,5\t2\r\n52\t3\r\n");
  CliResult r = RunSorrel({"info", bad});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find(bad + ":2: wrong number syntax"), std::string::npos) << r.err;
  EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << "one line: " << r.err;
  r = RunSorrel({"info", "--json", "--skip-bad", bad});
  EXPECT_EQ(r.status, 0);
  EXPECT_NE(r.out.find("\"points\":2"), std::string::npos) << r.out;

  r = RunSorrel({"info", dir.File("missing.txt")});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("missing.txt"), std::string::npos);
  r = RunSorrel({"info", dir.Write("empty.txt", "")});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("Empty data file"), std::string::npos) << r.err;
  r = RunSorrel({"info", dir.Write("notes.doc", "x")});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("unknown file type"), std::string::npos) << r.err;
  r = RunSorrel({"info", dir.Write("tab.txt", "50 1\r\n")});
  EXPECT_NE(r.err.find(":1: \"tab\" is missing"), std::string::npos) << r.err;
}

TEST(CliInfo, YOnlyFilesTakeTheirFirstMass) {
  TempDir dir;
  std::string prn = dir.Write("y.prn", "5\r\n7\r\n");
  CliResult r = RunSorrel({"info", "--json", "--first-mass", "100", prn});
  EXPECT_NE(r.out.find("\"mz_min\":100,\"mz_max\":101"), std::string::npos) << r.out;
  r = RunSorrel({"info", "--json", prn});
  EXPECT_NE(r.out.find("\"mz_min\":1,\"mz_max\":2"), std::string::npos) << r.out;
  // A first mass that is not a number is wrong usage, named by its option.
  r = RunSorrel({"info", "--first-mass", "x", prn});
  EXPECT_EQ(r.status, 2);
  EXPECT_NE(r.err.find("--first-mass"), std::string::npos) << r.err;
}

TEST(CliConvert, TextToTextAndNeverOverwritesWithoutForce) {
  TempDir dir;
  std::string out = dir.File("copy.txt");
  CliResult r = RunSorrel({"convert", kCaffeine, out});
  ASSERT_EQ(r.status, 0) << r.err;
  std::string written = ReadAll(out);
  EXPECT_EQ(written.substr(0, 11), "82\t763\r\n83\t");
  // The copy holds the same points as the original.
  EXPECT_EQ(RunSorrel({"spectrum", out}).out, RunSorrel({"spectrum", kCaffeine}).out);

  sorrel::SafeWriteFile(out, "keep me");
  r = RunSorrel({"convert", kCaffeine, out});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("--force"), std::string::npos);
  EXPECT_EQ(ReadAll(out), "keep me");
  EXPECT_EQ(RunSorrel({"convert", "--force", kCaffeine, out}).status, 0);
  EXPECT_EQ(ReadAll(out), written);

  r = RunSorrel({"convert", kCaffeine, dir.File("x.doc")});
  EXPECT_EQ(r.status, 2);
  r = RunSorrel({"convert", kCaffeine, dir.File("run.cdf")});
  EXPECT_EQ(r.status, 1) << "a single spectrum is not a run: " << r.err;
  EXPECT_FALSE(sorrel::FileExists(dir.File("run.cdf")));
}

TEST(CliSpectrum, LinesJsonAndOutputFile) {
  TempDir dir;
  CliResult r = RunSorrel({"spectrum", kCaffeine});
  ASSERT_EQ(r.status, 0);
  EXPECT_EQ(r.out.substr(0, 14), "82\t763\n83\t82\n8");
  r = RunSorrel({"spectrum", "--json", kCaffeine});
  EXPECT_EQ(r.out.substr(0, 16), "{\"mz\":[82,83,84,");
  std::string out = dir.File("s.txt");
  EXPECT_EQ(RunSorrel({"spectrum", kCaffeine, "-o", out}).status, 0);
  EXPECT_EQ(ReadAll(out).substr(0, 8), "82\t763\r\n");
  EXPECT_EQ(RunSorrel({"spectrum", kCaffeine, "-o", out}).status, 1);
  // Selecting scans of a single spectrum is a usage error.
  EXPECT_EQ(RunSorrel({"spectrum", "--scan", "0", kCaffeine}).status, 2);
  r = RunSorrel({"chrom", kCaffeine});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("no chromatogram"), std::string::npos);
}
