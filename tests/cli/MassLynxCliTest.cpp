// The command line on MassLynx raw directories: info, spectrum and chrom
// open a directory named *.raw, or any file inside it, through the reader
// libraries beside the program.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <sstream>

#include "RunCli.h"
#include "TempDir.h"
#include "tests/rawreaders/RawDirBuilder.h"

using namespace sorrel::test;
using namespace sorrel::test::raw;

namespace {

std::string Fixture(const char* name) {
  return TestData(std::string("masslynx/") + name);
}

// "x<TAB>y" lines as numbers.
std::vector<std::pair<double, double>> Pairs(const std::string& text) {
  std::vector<std::pair<double, double>> result;
  std::istringstream in(text);
  std::string line;
  while (std::getline(in, line)) {
    size_t tab = line.find('\t');
    if (tab == std::string::npos) continue;
    result.emplace_back(std::strtod(line.substr(0, tab).c_str(), nullptr),
                        std::strtod(line.substr(tab + 1).c_str(), nullptr));
  }
  return result;
}

}  // namespace

TEST(CliMassLynx, InfoOfASelectedIonRun) {
  // indigo.raw: 3865 scans of one point at m/z 534 from 0.0033333334 to
  // 12.999617 minutes (see tests/rawreaders/RealRawTest.cpp); the first time
  // in seconds is stored as the 32-bit float nearest 0.2, written as "0.2".
  for (std::string input :
       {Fixture("indigo.raw"), Fixture("indigo.raw/"), Fixture("indigo.raw/_FUNC001.IDX")}) {
    CliResult r = RunSorrel({"info", "--json", input});
    ASSERT_EQ(r.status, 0) << input << ": " << r.err;
    EXPECT_NE(r.out.find("\"kind\":\"masslynx\",\"scans\":3865,\"points\":3865,\"mz_min\":534,"
                         "\"mz_max\":534,\"rt_min\":0.2,"),
              std::string::npos)
        << r.out;
  }
}

TEST(CliMassLynx, SpectrumAndChromatogramOfTheRealRun) {
  CliResult r = RunSorrel({"spectrum", Fixture("indigo.raw"), "--scan", "0"});
  ASSERT_EQ(r.status, 0) << r.err;
  // Word 0x6CC9: (0x6CC8 / 8) * 4 = 13924.
  EXPECT_EQ(Pairs(r.out), (std::vector<std::pair<double, double>>{{534, 13924}}));
  r = RunSorrel({"chrom", Fixture("indigo.raw")});
  ASSERT_EQ(r.status, 0) << r.err;
  auto chrom = Pairs(r.out);
  ASSERT_EQ(chrom.size(), 3865u);
  EXPECT_FLOAT_EQ(static_cast<float>(chrom.front().first), 0.2f);
  EXPECT_FLOAT_EQ(static_cast<float>(chrom.front().second), 13922.662109375f);
  EXPECT_TRUE(std::is_sorted(chrom.begin(), chrom.end()));
}

TEST(CliMassLynx, RunsThatCannotBeReadFailWithTheirReason) {
  struct Case {
    const char* dir;
    std::string reason;
  };
  const Case cases[] = {
      {"white.raw", "Marjoram Error: Unknow data format"},
      {"blue.raw", "Marjoram Error: Data format 12 is not supported"},
  };
  for (const Case& c : cases) {
    for (const char* command : {"info", "spectrum", "chrom"}) {
      CliResult r = RunSorrel({command, Fixture(c.dir)});
      EXPECT_EQ(r.status, 1) << command << " " << c.dir;
      EXPECT_NE(r.err.find(Fixture(c.dir)), std::string::npos) << r.err;
      EXPECT_NE(r.err.find(c.reason), std::string::npos) << r.err;
      EXPECT_TRUE(r.out.empty()) << r.out;
    }
  }
}

TEST(CliMassLynx, SyntheticRunScanByScan) {
  TempDir tmp;
  RawDirBuilder raw(tmp.File("synthetic.raw"));
  raw.Functions(0).Scans({3, 4}).Data(Format0(50, 1) + Format0(60, 2) + Format0(70, 3) +
                                      Format0(40, 4) + Format0(55, 5) + Format0(55, 6) +
                                      Format0(65, 7));
  CliResult r = RunSorrel({"spectrum", raw.Dir() + "_FUNC001.DAT", "--scan", "1"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(Pairs(r.out), (std::vector<std::pair<double, double>>{{40, 4}, {55, 5}, {65, 7}}));
  r = RunSorrel({"chrom", raw.Dir()});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(Pairs(r.out), (std::vector<std::pair<double, double>>{{30, 1000}, {60, 2000}}));
}

TEST(CliMassLynx, DamagedRunNamesTheDirectoryAndTheStatus) {
  TempDir tmp;
  RawDirBuilder raw(tmp.File("cut.raw"));
  // Format 8 data of 1000 bytes: the last of its 167 points lacks 2 bytes.
  raw.Functions(8).Scans({167}).Data(std::string(1000, '\0'));
  CliResult r = RunSorrel({"info", raw.Dir()});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("cut.raw"), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("Marjoram Error: Input past end"), std::string::npos) << r.err;
}
