// The command line on GC/MS run files: netCDF (ANDI/MS), HD runs and
// cache files through info, convert, spectrum and chrom; damaged files;
// progress on standard error when it is a terminal.
#include <gtest/gtest.h>
#include <netcdf.h>
#include <pty.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <sstream>

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

// A small ANDI/MS run written with the netCDF library: two scans of 2 and
// 3 points at 0 s and 2 s; the file gives the first scan's total (31, not
// the sum 30 of its points) and marks the second's as not recorded
// (-9999), so that it is summed (1 + 2.75 + 3 = 6.75). `scale` multiplies
// the intensities (the totals stay).
std::string WriteMixedTotalsRun(const std::string& path, double scale = 1) {
  const double masses[] = {50.5, 60.25, 41, 42, 43.5};
  const double intensities[] = {10.25 * scale, 20 * scale, 1 * scale, 2.75 * scale, 3 * scale};
  const int scanIndex[] = {0, 2}, pointCount[] = {2, 3};
  const double times[] = {0, 2}, totals[] = {31, -9999};
  int nc = -1, scanDim = -1, pointDim = -1;
  int vIndex, vCount, vTime, vTotal, vMass, vInt;
  bool ok = nc_create(path.c_str(), NC_CLOBBER, &nc) == NC_NOERR &&
            nc_def_dim(nc, "scan_number", 2, &scanDim) == NC_NOERR &&
            nc_def_dim(nc, "point_number", 5, &pointDim) == NC_NOERR &&
            nc_def_var(nc, "scan_index", NC_INT, 1, &scanDim, &vIndex) == NC_NOERR &&
            nc_def_var(nc, "point_count", NC_INT, 1, &scanDim, &vCount) == NC_NOERR &&
            nc_def_var(nc, "scan_acquisition_time", NC_DOUBLE, 1, &scanDim, &vTime) == NC_NOERR &&
            nc_def_var(nc, "total_intensity", NC_DOUBLE, 1, &scanDim, &vTotal) == NC_NOERR &&
            nc_def_var(nc, "mass_values", NC_DOUBLE, 1, &pointDim, &vMass) == NC_NOERR &&
            nc_def_var(nc, "intensity_values", NC_DOUBLE, 1, &pointDim, &vInt) == NC_NOERR &&
            nc_enddef(nc) == NC_NOERR && nc_put_var_int(nc, vIndex, scanIndex) == NC_NOERR &&
            nc_put_var_int(nc, vCount, pointCount) == NC_NOERR &&
            nc_put_var_double(nc, vTime, times) == NC_NOERR &&
            nc_put_var_double(nc, vTotal, totals) == NC_NOERR &&
            nc_put_var_double(nc, vMass, masses) == NC_NOERR &&
            nc_put_var_double(nc, vInt, intensities) == NC_NOERR;
  if (nc >= 0) ok = nc_close(nc) == NC_NOERR && ok;
  EXPECT_TRUE(ok) << path;
  return path;
}

// The "seconds<TAB>total" lines of sorrel chrom as pairs of texts.
std::vector<std::pair<std::string, std::string>> ChromOf(const std::string& file) {
  CliResult r = RunSorrel({"chrom", file});
  EXPECT_EQ(r.status, 0) << r.err;
  std::vector<std::pair<std::string, std::string>> points;
  std::istringstream in(r.out);
  std::string time, total;
  while (std::getline(in, time, '\t') && std::getline(in, total))
    points.emplace_back(time, total);
  return points;
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
                       "\"rt_min\":0,\"rt_max\":1,\"tic_max\":7,\"tic_source\":\"points\"}"),
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

// Converting to an HD run says in one warning line what the file cannot
// keep, and writes it all the same; a conversion that keeps everything says
// nothing.
TEST(CliRunFiles, ConvertToHDNamesWhatItCannotKeep) {
  TempDir dir;
  // The small run by hand: scan 0 at 0 s reads back at 1 s (1 scan per
  // second, the rate that keeps scan 1 at 2 s); 10.25 and 2.75 are written
  // as 10 and 3; the totals read back as the sums of the written points,
  // 30 (not 31) and 1 + 3 + 3 = 7 (not 6.75).
  const std::string mixed = WriteMixedTotalsRun(dir.File("mixed.cdf"));
  const std::string mixedHD = dir.File("mixed.R01");
  CliResult r = RunSorrel({"convert", mixed, mixedHD});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.err, "sorrel: warning: " + mixedHD +
                       " cannot hold the run as it is: the retention time of 1 scan changes "
                       "(scan 0: 0 s becomes 1 s); 2 intensities are rounded to whole numbers "
                       "(scan 0: 10.25 becomes 10); the total intensities of 2 scans become the "
                       "sums of their points (scan 0: 31 becomes 30)\n");
  EXPECT_EQ(ChromOf(mixedHD),
            (std::vector<std::pair<std::string, std::string>>{{"1", "30"}, {"2", "7"}}));

  // A real run of fractional intensities and totals that are not the sums
  // of its points: the counts of changed times and totals are those of
  // the two chromatograms compared line by line.
  const std::string fisons = TestData("netcdf/FISONS_A_CENTSIDH.CDF");
  const std::string fisonsHD = dir.File("fisons.R01");
  r = RunSorrel({"convert", fisons, fisonsHD});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(Lines(r.err), 1) << r.err;
  EXPECT_EQ(r.err.rfind("sorrel: warning: " + fisonsHD + " cannot hold the run as it is: ", 0), 0u)
      << r.err;
  const auto before = ChromOf(fisons), after = ChromOf(fisonsHD);
  ASSERT_EQ(before.size(), after.size());
  ASSERT_GT(before.size(), 100u);
  int times = 0, totals = 0;
  for (size_t i = 0; i < before.size(); ++i) {
    times += before[i].first != after[i].first;
    totals += before[i].second != after[i].second;
  }
  ASSERT_GT(times, 1);
  ASSERT_GT(totals, 1);
  EXPECT_NE(r.err.find("the retention times of " + std::to_string(times) + " scans change"),
            std::string::npos)
      << r.err;
  EXPECT_NE(r.err.find("intensities are rounded to whole numbers"), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("the total intensities of " + std::to_string(totals) +
                       " scans become the sums of their points"),
            std::string::npos)
      << r.err;

  // What an HD run holds goes into another HD run and into netCDF as it is.
  for (const std::string& out : {dir.File("again.R02"), dir.File("again.cdf")}) {
    SCOPED_TRACE(out);
    r = RunSorrel({"convert", fisonsHD, out});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(ChromOf(out), after);
  }
}

// info tells whether its totals are the file's own or the sums of the
// points.
TEST(CliRunFiles, InfoTellsWhereItsTotalsComeFrom) {
  TempDir dir;
  const std::string hd = dir.File("tek.R01");
  ASSERT_EQ(RunSorrel({"convert", kTeknivent, hd}).status, 0);
  const std::string csh = dir.Write("SP3.csh", CacheBytes({{{10.0f, 3.0f}}, {{12.0f, 5.0f}}}));
  struct Case {
    std::string file;
    std::string source;
  } cases[] = {
      {kTeknivent, "file"},                                   // total_intensity
      {WriteMixedTotalsRun(dir.File("mixed.cdf")), "mixed"},  // one total of two
      {TestData("netcdf/EXTREL_CENTSCNL.CDF"), "points"},     // every total -9999
      {hd, "points"},                                         // HD runs hold no totals
      {csh, "points"},                                        // nor do cache files
      {dir.Write("s.txt", "41\t1\r\n42\t2\r\n"), "points"},   // a single spectrum
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file);
    CliResult r = RunSorrel({"info", "--json", c.file});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("\"tic_source\":\"" + c.source + "\"}"), std::string::npos) << r.out;
    r = RunSorrel({"info", c.file});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("\ntic_source\t" + c.source + "\n"), std::string::npos) << r.out;
  }
}

// Two HD runs written one after the other (as a rule in the same second),
// of the same size and number of scans: the index of one copied beside the
// other is not taken for it, so info gives the run's own totals, as
// spectrum reads its points.
TEST(CliRunFiles, AnotherRunsIndexBesideARunIsNotTaken) {
  TempDir dir;
  const std::string a = dir.File("a.R01"), b = dir.File("b.R01");
  // By hand: a's totals are 10 + 20 = 30 and 1 + 3 + 3 = 7 (as written to
  // an HD file); b's intensities are four times as large, its totals
  // 41 + 80 = 121 and 4 + 11 + 12 = 27.
  ASSERT_EQ(RunSorrel({"convert", WriteMixedTotalsRun(dir.File("a.cdf")), a}).status, 0);
  ASSERT_EQ(RunSorrel({"convert", WriteMixedTotalsRun(dir.File("b.cdf"), 4), b}).status, 0);
  ASSERT_EQ(std::filesystem::file_size(a), std::filesystem::file_size(b));
  for (const std::string& run : {a, b})
    ASSERT_EQ(RunSorrel({"info", run}).status, 0);  // each gets its index
  std::filesystem::copy_file(dir.File("b.x01"), dir.File("a.x01"),
                             std::filesystem::copy_options::overwrite_existing);
  CliResult r = RunSorrel({"info", "--json", a});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.out.find("\"rt_min\":1,\"rt_max\":2,\"tic_max\":30,"), std::string::npos) << r.out;
  EXPECT_EQ(ChromOf(a),
            (std::vector<std::pair<std::string, std::string>>{{"1", "30"}, {"2", "7"}}));
  EXPECT_EQ(RunSorrel({"spectrum", "--scan", "0", a}).out, "50.5\t10\n60.25\t20\n");
}
