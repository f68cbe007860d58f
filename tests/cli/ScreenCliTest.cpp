// sorrel screen: a synthetic run (tests/data/make-synthetic-run) screened
// against a calibrated caffeine training made with sorrel train, as a user
// would; the rows as the core's screening gives them, in every run format.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "RunCli.h"
#include "ScriptedUi.h"
#include "TempDir.h"
#include "cli/Cli.h"
#include "core/common/NumberText.h"
#include "core/common/Paths.h"
#include "core/pca/Mahalanobis.h"
#include "core/spectrum/Spec.h"
#include "core/training/Screening.h"

using namespace sorrel;
using namespace sorrel::test;

namespace {

std::vector<std::string> SplitLines(const std::string& s) {
  std::vector<std::string> out;
  size_t start = 0;
  for (size_t nl; (nl = s.find('\n', start)) != std::string::npos; start = nl + 1)
    out.push_back(s.substr(start, nl - start));
  return out;
}

// A directory with a calibrated caffeine training of three CC BY-SA
// spectra and a run of 1200 scans holding RIKEN's caffeine spectrum at
// 200 s and phenanthrene at 320 s.
class ScreenFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    std::vector<std::string> args = {"train",       dir.File("caffeine.trn"),
                                     "--compound",  "Caffeine",
                                     "--normalize", "--loadings",
                                     "2",           "--model",
                                     "calibrated"};
    for (const char* name :
         {"caffeine_MSBNK-Kazusa-KZ000017.txt", "caffeine_MSBNK-Kazusa-KZ000113.txt",
          "caffeine_MSBNK-Osaka_Univ-OUF00133.txt"})
      args.push_back(dir.Write(name, ReadAll(TestData(std::string("pca/") + name))));
    const CliResult r = RunSorrel(args);
    ASSERT_EQ(r.status, 0) << r.err;
    const std::string command =
        "/usr/bin/python3 '" + TestData("make-synthetic-run") + "' '" + run + "' --place '" +
        TestData("pca/caffeine_MSBNK-RIKEN-PR010011.txt") + "@200:60000' --place '" +
        TestData("pca/phenanthrene_MSBNK-Osaka_Univ-OUF00417.txt") + "@320'";
    ASSERT_EQ(std::system(command.c_str()), 0) << command;
  }

  TempDir dir;
  const std::string run = dir.File("run.cdf");
};

}  // namespace

TEST_F(ScreenFixture, RowsAsTheCoreScreensThem) {
  CliResult r = RunSorrel({"screen", run, dir.File("caffeine.trn")});
  ASSERT_EQ(r.status, 0) << r.err;
  // The core's screening of the same run with the same training.
  ScriptedUi ui;
  ScratchProgramDir programDir;
  TSpec spec;
  ASSERT_TRUE(spec.OpenFile(run));
  std::vector<ScreenTraining> trainings =
      OpenScreenTrainings({dir.File("caffeine.trn")}, OpenSpecFrame);
  const ScreenResult want = ScreenRun(spec, trainings, ScreenSettings());
  ASSERT_EQ(want.Rows.size(), 2u);
  std::string text;
  for (const ScreenRow& row : want.Rows) {
    const ScreenPeak& p = want.Peaks[row.Peak];
    text += cli::Num(static_cast<float>(p.Rt)) + "\t" + std::to_string(p.First) + "\t" +
            std::to_string(p.Last) + "\tCaffeine\t" + row.Result.Answer + "\t" +
            ScoreText(row.Result.Score) + "\n";
  }
  EXPECT_EQ(r.out, text);
  const std::vector<std::string> lines = SplitLines(r.out);
  EXPECT_EQ(lines[0].rfind("200\t", 0), 0u) << r.out;
  EXPECT_NE(lines[0].find("\tCaffeine\tYes\t"), std::string::npos) << r.out;
  EXPECT_NE(lines[1].find("\tCaffeine\tNo\t"), std::string::npos) << r.out;

  // Only the hits, as JSON and as comma-separated values.
  r = RunSorrel({"screen", "--hits", "--json", run, dir.File("caffeine.trn")});
  ASSERT_EQ(r.status, 0) << r.err;
  const ScreenPeak& p = want.Peaks[0];
  EXPECT_EQ(r.out, "[{\"rt\":200,\"first_scan\":" + std::to_string(p.First) + ",\"last_scan\":" +
                       std::to_string(p.Last) + ",\"compound\":\"Caffeine\",\"training\":\"" +
                       dir.File("caffeine.trn") + "\",\"answer\":\"Yes\",\"score\":" +
                       ShortestRoundTrip(want.Rows[0].Result.Score) + "}]\n");
  r = RunSorrel({"screen", "--hits", "--csv", run, dir.File("caffeine.trn")});
  EXPECT_EQ(r.out, "200," + std::to_string(p.First) + "," + std::to_string(p.Last) +
                       ",Caffeine,Yes," + ScoreText(want.Rows[0].Result.Score) + "\n");

  // The chromatogram's settings change what is found: a signal-to-noise
  // limit above both peaks leaves nothing to screen.
  r = RunSorrel({"screen", "--min-sn", "1000000", run, dir.File("caffeine.trn")});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, "");
}

TEST_F(ScreenFixture, EveryRunFormatTheStoreReads) {
  // The run saved as an HD run screens the same: the same peaks and
  // answers, the scores within a thousandth (the HD file keeps the values
  // in its own precision).
  const std::vector<std::string> want =
      SplitLines(RunSorrel({"screen", run, dir.File("caffeine.trn")}).out);
  ASSERT_EQ(RunSorrel({"convert", run, dir.File("run.R01")}).status, 0);
  CliResult r = RunSorrel({"screen", dir.File("run.R01"), dir.File("caffeine.trn")});
  ASSERT_EQ(r.status, 0) << r.err;
  const std::vector<std::string> got = SplitLines(r.out);
  ASSERT_EQ(got.size(), want.size()) << r.out;
  for (size_t i = 0; i < got.size(); ++i) {
    const size_t cut = want[i].rfind('\t');
    EXPECT_EQ(got[i].substr(0, cut + 1), want[i].substr(0, cut + 1));
    const double a = *ParseNumber(got[i].substr(cut + 1)),
                 b = *ParseNumber(want[i].substr(cut + 1));
    EXPECT_NEAR(a, b, 1e-3 * b) << got[i];
  }
  // A selected-ion MassLynx run (one channel, m/z 534) has nothing in
  // caffeine's window: every row says so, which is no failure.
  r = RunSorrel({"screen", TestData("masslynx/indigo.raw"), dir.File("caffeine.trn")});
  ASSERT_EQ(r.status, 0) << r.err;
  ASSERT_GT(Lines(r.out), 0) << r.out;
  for (const std::string& line : SplitLines(r.out))
    EXPECT_NE(line.find("\tCaffeine\tno answer\tno intensity between m/z 85 and 196"),
              std::string::npos)
        << line;
}

TEST_F(ScreenFixture, ATrainingThatCannotBeUsedFailsAfterTheRows) {
  // A list of the caffeine training and a copy whose reference spectrum is
  // gone: the copy's rows give the reason, the command exits 1 naming it.
  std::filesystem::create_directory(dir.File("gone"));
  std::filesystem::copy_file(dir.File("caffeine.trn"), dir.File("gone/caffeine.trn"));
  dir.Write("gone/l.trl", "[List]\r\ncaffeine=1\r\n");
  dir.Write("l.trl", "[List]\r\ncaffeine=1\r\n");
  CliResult r = RunSorrel({"screen", run, dir.File("gone/l.trl")});
  EXPECT_EQ(r.status, 1);
  const std::string reason = "its reference spectrum " +
                             dir.File("gone/caffeine_MSBNK-Kazusa-KZ000017.txt") +
                             " does not exist";
  EXPECT_EQ(Lines(r.out), 2);
  for (const std::string& line : SplitLines(r.out))
    EXPECT_NE(line.find("\tCaffeine\tno answer\t" + reason), std::string::npos) << line;
  EXPECT_EQ(r.err, "sorrel: " + dir.File("gone/caffeine.trn") + ": " + reason + "\n");
  r = RunSorrel({"screen", "--json", run, dir.File("l.trl")});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.out.find("\"answer\":\"Yes\""), std::string::npos) << r.out;
}

TEST_F(ScreenFixture, Refusals) {
  const std::string spectrum = TestData("pca/caffeine_MSBNK-RIKEN-PR010011.txt");
  struct Case {
    std::vector<std::string> args;
    int status;
    std::string message;
  } cases[] = {
      {{"screen", spectrum, dir.File("caffeine.trn")}, 1, "not a run"},
      {{"screen", run}, 2, "TRAINING|LIST is required"},
      {{"screen", run, spectrum}, 2, ".trn"},
      {{"screen", "--json", "--csv", run, dir.File("caffeine.trn")}, 2, "one of"},
      {{"screen", "--chrom-smooth", "11", run, dir.File("caffeine.trn")}, 2, "--chrom-smooth"},
      {{"screen", dir.File("none.cdf"), dir.File("caffeine.trn")}, 1, "none.cdf"},
      {{"screen", run, dir.File("none.trn")}, 1, "none.trn"},
  };
  for (const Case& c : cases) {
    const CliResult r = RunSorrel(c.args);
    EXPECT_EQ(r.status, c.status) << c.message << "\n" << r.err;
    EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
    EXPECT_EQ(r.out, "") << c.message;
  }
}
