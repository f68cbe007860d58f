// The command line on GC/MS run files: netCDF (ANDI/MS), HD runs and
// cache files through info, convert, spectrum and chrom; damaged files;
// progress on standard error when it is a terminal.
#include <gtest/gtest.h>
#include <pty.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>

#include "RunCli.h"
#include "TempDir.h"
#include "core/common/Paths.h"
#include "core/common/TextFile.h"

using namespace sorrel::test;

namespace {

// Teknivent Vector/Two export: 19 scans, 1818 points, whole-number
// intensities (SOURCES.md of tests/data, section netcdf/).
const std::string kTeknivent = TestData("netcdf/TEKNIVNT_CENTSCNH.CDF");

// A cache file: 4 zero bytes, then (mass, intensity) float pairs, each
// scan ended by (0, 0).
std::string CacheBytes(const std::vector<std::vector<std::pair<float, float>>>& scans) {
  std::string s(4, '\0');
  for (const auto& scan : scans) {
    for (auto [m, a] : scan) {
      s.append(reinterpret_cast<const char*>(&m), 4);
      s.append(reinterpret_cast<const char*>(&a), 4);
    }
    s.append(8, '\0');
  }
  return s;
}

// Runs sorrel with its standard output and error on a terminal; returns
// what the terminal received.
std::string RunOnTerminal(const std::vector<std::string>& args, int& status) {
  int master = -1;
  pid_t pid = forkpty(&master, nullptr, nullptr, nullptr);
  if (pid == 0) {
    std::vector<std::string> copy = args;
    std::vector<char*> argv;
    std::string exe = SORREL_CLI;
    argv.push_back(exe.data());
    for (auto& a : copy)
      argv.push_back(a.data());
    argv.push_back(nullptr);
    execv(exe.c_str(), argv.data());
    _exit(127);
  }
  std::string out;
  if (pid < 0) {
    status = -1;
    return out;
  }
  char buf[4096];
  for (;;) {
    ssize_t n = read(master, buf, sizeof buf);
    if (n > 0) {
      out.append(buf, static_cast<size_t>(n));
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    break;  // EIO: the child has closed the terminal
  }
  close(master);
  int st = 0;
  waitpid(pid, &st, 0);
  status = WIFEXITED(st) ? WEXITSTATUS(st) : -1;
  return out;
}

}  // namespace

TEST(CliRunFiles, InfoOnEveryKind) {
  TempDir dir;
  CliResult r = RunSorrel({"info", "--json", kTeknivent});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.out.find("\"kind\":\"netcdf\",\"scans\":19,\"points\":1818,"), std::string::npos)
      << r.out;

  std::string hd = dir.File("tek.R01");
  r = RunSorrel({"convert", kTeknivent, hd});
  ASSERT_EQ(r.status, 0) << r.err;
  r = RunSorrel({"info", "--json", hd});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.out.find("\"kind\":\"hd\",\"scans\":19,\"points\":1818,"), std::string::npos)
      << r.out;
  EXPECT_TRUE(sorrel::FileExists(dir.File("tek.x01")));

  // Two scans of 2 and 1 points: times 0 and 1, largest total 3 + 4 = 7.
  std::string csh =
      dir.Write("SP1.csh", CacheBytes({{{10.0f, 3.0f}, {11.0f, 4.0f}}, {{12.0f, 5.0f}}}));
  r = RunSorrel({"info", "--json", csh});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.out.find("\"kind\":\"cache\",\"scans\":2,\"points\":3,\"mz_min\":10,\"mz_max\":12,"
                       "\"rt_min\":0,\"rt_max\":1,\"tic_max\":7}"),
            std::string::npos)
      << r.out;
}

// netCDF -> HD -> netCDF: every scan comes back the same (the intensities
// of this file are whole numbers, which is all an HD file stores).
TEST(CliRunFiles, ConvertAroundAndCompareSpectra) {
  TempDir dir;
  std::string hd = dir.File("t.R01"), cdf = dir.File("t.cdf");
  ASSERT_EQ(RunSorrel({"convert", kTeknivent, hd}).status, 0);
  CliResult r = RunSorrel({"convert", hd, cdf});
  ASSERT_EQ(r.status, 0) << r.err;
  for (const char* scan : {"0", "9", "18"}) {
    SCOPED_TRACE(scan);
    CliResult a = RunSorrel({"spectrum", "--scan", scan, kTeknivent});
    CliResult b = RunSorrel({"spectrum", "--scan", scan, hd});
    CliResult c = RunSorrel({"spectrum", "--scan", scan, cdf});
    ASSERT_EQ(a.status, 0) << a.err;
    EXPECT_GT(Lines(a.out), 10);
    EXPECT_EQ(a.out, b.out);
    EXPECT_EQ(a.out, c.out);
  }
  CliResult ca = RunSorrel({"chrom", hd});
  CliResult cb = RunSorrel({"chrom", cdf});
  ASSERT_EQ(ca.status, 0) << ca.err;
  EXPECT_EQ(Lines(ca.out), 19);
  EXPECT_EQ(ca.out, cb.out);
  // The cache file as a run: one line per scan, times 0 and 1.
  std::string csh = dir.Write("SP2.csh", CacheBytes({{{10.0f, 3.0f}}, {{12.0f, 5.0f}}}));
  CliResult cc = RunSorrel({"chrom", csh});
  ASSERT_EQ(cc.status, 0) << cc.err;
  EXPECT_EQ(cc.out, "0\t3\n1\t5\n");
  cc = RunSorrel({"spectrum", "--scan", "1", csh});
  EXPECT_EQ(cc.out, "12\t5\n");
  // And into an HD run and a netCDF file.
  ASSERT_EQ(RunSorrel({"convert", csh, dir.File("c.R02")}).status, 0);
  ASSERT_EQ(RunSorrel({"convert", csh, dir.File("c.cdf")}).status, 0);
  EXPECT_EQ(RunSorrel({"spectrum", "--scan", "1", dir.File("c.R02")}).out, "12\t5\n");
  EXPECT_EQ(RunSorrel({"chrom", dir.File("c.cdf")}).out, "0\t3\n1\t5\n");
}

// Damaged and foreign files fail with one line naming the file.
TEST(CliRunFiles, BadFilesFailWithOneLine) {
  TempDir dir;
  std::string shortRun =
      dir.Write("short.R01", std::string(30000, '\0').replace(7696, 2, "\x05\x00", 2));
  struct Case {
    std::string file;
    std::string reason;
  } cases[] = {
      {TestData("netcdf/TEKNIVNT_CONTINUM_zip.CDF"), "cannot be read as a netCDF file"},
      {TestData("netcdf/agilent-gcms-tic.cdf"), "not an ANDI/MS mass spectrometry run"},
      {dir.Write("odd.csh", std::string(4, '\0') + "123"), "is not a spectrum cache file"},
      {shortRun, "Problem reading R file"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file);
    CliResult r = RunSorrel({"info", c.file});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(Lines(r.err), 1) << r.err;
    EXPECT_NE(r.err.find(c.file), std::string::npos) << r.err;
    EXPECT_NE(r.err.find(c.reason), std::string::npos) << r.err;
  }
}

// Indexing a run prints its progress to a terminal, and only there.
TEST(CliRunFiles, ProgressOnATerminalOnly) {
  TempDir dir;
  std::string hd = dir.File("p.R01");
  ASSERT_EQ(RunSorrel({"convert", kTeknivent, hd}).status, 0);
  int status = -1;
  std::string shown = RunOnTerminal({"info", hd}, status);
  EXPECT_EQ(status, 0) << shown;
  EXPECT_NE(shown.find("Indexing the file... 100%"), std::string::npos) << shown;
  EXPECT_NE(shown.find("\r\033[K"), std::string::npos) << "the line is cleared at the end";
  EXPECT_NE(shown.find("kind\thd"), std::string::npos) << shown;

  std::filesystem::remove(dir.File("p.x01"));
  CliResult r = RunSorrel({"info", hd});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.err, "");
}
