// sorrel pca, train and classify: results equal to the core's, files the
// core reads back, and clear refusals.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <map>

#include "RunCli.h"
#include "ScriptedUi.h"
#include "TempDir.h"
#include "cli/Cli.h"
#include "core/common/NumberText.h"
#include "core/common/Paths.h"
#include "core/common/TextFile.h"
#include "core/pca/CrossValidation.h"
#include "core/plots/PreprocFrame.h"
#include "core/training/Training.h"
#include "core/training/TrainingCalc.h"
#include "core/training/TrainingList.h"

using namespace sorrel;
using namespace sorrel::test;

namespace {

// A replicate of a compound's spectrum at integer masses 50 to 70.
tXYarray Replicate(int compound, int variant) {
  tXYarray s;
  for (int m = 50; m <= 70; ++m) {
    const double base = 5 + 100 * std::fabs(std::sin(compound * 1.7 + m * 0.9));
    const double noise = 1 + 0.05 * std::sin(variant * 2.3 + m * 1.3);
    s.push_back({static_cast<float>(m), static_cast<float>(base * noise)});
  }
  return s;
}

std::string Text(const tXYarray& s) {
  std::string out;
  for (const dPoint& p : s)
    out += FloatToStr(p[0]) + "\t" + FloatToStr(p[1]) + "\r\n";
  return out;
}

std::string SpectrumText(int compound, int variant) {
  return Text(Replicate(compound, variant));
}

// Writes `count` replicates of `compound` as <prefix><k>.txt; answers their paths.
std::vector<std::string> WriteSpectra(const TempDir& dir, const std::string& prefix, int compound,
                                      int count) {
  std::vector<std::string> paths;
  for (int k = 0; k < count; ++k)
    paths.push_back(dir.Write(prefix + std::to_string(k) + ".txt", SpectrumText(compound, k)));
  return paths;
}

std::vector<std::string> Args(std::vector<std::string> head, const std::vector<std::string>& tail) {
  head.insert(head.end(), tail.begin(), tail.end());
  return head;
}

// The JSON text of `key`'s array (nested arrays included), as written.
std::string JsonValue(const std::string& json, const std::string& key) {
  const auto p = json.find("\"" + key + "\":");
  if (p == std::string::npos) return "<missing " + key + ">";
  size_t i = p + key.size() + 3, depth = 0;
  const size_t start = i;
  for (; i < json.size(); ++i) {
    if (json[i] == '[') ++depth;
    if (json[i] == ']' && --depth == 0) break;
    if (depth == 0 && (json[i] == ',' || json[i] == '}')) return json.substr(start, i - start);
  }
  return json.substr(start, i + 1 - start);
}

std::string Array(const adouble& v) {
  std::string out = "[";
  for (size_t i = 0; i < v.size(); ++i) {
    if (i) out += ',';
    out += ShortestRoundTrip(v[i]);
  }
  return out + "]";
}

std::string Matrix(const aadouble& m) {
  std::string out = "[";
  for (size_t i = 0; i < m.size(); ++i) {
    if (i) out += ',';
    out += Array(m[i]);
  }
  return out + "]";
}

struct CoreFrames {
  std::vector<std::unique_ptr<SpecFrame>> owned;
  FrameList frames;
  explicit CoreFrames(const std::vector<std::string>& paths) {
    for (const auto& p : paths) {
      owned.push_back(std::make_unique<SpecFrame>());
      EXPECT_TRUE(owned.back()->Open(p)) << p;
      frames.push_back(owned.back().get());
    }
  }
};

}  // namespace

TEST(PcaCli, JsonIsExactlyWhatTheCoreComputes) {
  TempDir dir;
  const auto paths = WriteSpectra(dir, "s", 1, 7);
  CliResult r =
      RunSorrel(Args({"pca", "--json", "--matrix", "--cv", "2", "--compact", "--normalize",
                      "--incsens", "0.5", "--loadings", "3", "--precision", "6"},
                     paths));
  ASSERT_EQ(r.status, 0) << r.err;

  ScriptedUi ui;
  CoreFrames f(paths);
  TTraining t;
  ASSERT_TRUE(UnifiedBounds(f.frames, t.LowBound, t.HighBound));
  t.Normalize = true;
  t.IncSens = 0.5;
  t.PrecPower = 6;
  PcaResults want;
  ASSERT_TRUE(CalculatePCs(t, f.frames, 3, want));
  EXPECT_EQ(JsonValue(r.out, "low"), "50");
  EXPECT_EQ(JsonValue(r.out, "high"), "70");
  EXPECT_EQ(JsonValue(r.out, "xvals"), Array(t.Xvals));
  EXPECT_EQ(JsonValue(r.out, "eigenvalues"), Array(want.Eigenvalues));
  EXPECT_EQ(JsonValue(r.out, "loadings"), Matrix(want.Loadings));
  EXPECT_EQ(JsonValue(r.out, "scores"), Matrix(want.Scores));
  EXPECT_EQ(JsonValue(r.out, "matrix"), Matrix(want.Data));
  EXPECT_EQ(JsonValue(r.out, "mdist"), Array(MDistSeries(want.Data, 2, want.Precision)));
  EXPECT_EQ(JsonValue(r.out, "compact"), Array(CompactSeries(want.Data, 3, want.Precision)));
}

TEST(PcaCli, TextTablesAndTheMatrix) {
  // Two spectra on masses 50..52 and a third reaching further: the bounds
  // are the common range 50..52 and the matrix holds the intensities.
  TempDir dir;
  const std::vector<std::string> paths = {
      dir.Write("a.txt", "50\t10\r\n51\t20\r\n52\t30\r\n"),
      dir.Write("b.txt", "50\t1\r\n51\t2\r\n52\t4\r\n"),
      dir.Write("c.txt", "49\t7\r\n50\t5\r\n51\t1\r\n52\t1\r\n53\t9\r\n")};
  CliResult r = RunSorrel(Args({"pca", "--matrix", "--loadings", "2"}, paths));
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(
      r.out.rfind("# bounds\nlow\t50\nhigh\t52\n# eigenvalues\ncomponent\teigenvalue\n1\t", 0), 0u)
      << r.out;
  EXPECT_NE(r.out.find("# scores\nspectrum\tPC1\tPC2\n" + paths[0] + "\t"), std::string::npos)
      << r.out;
  EXPECT_NE(r.out.find("# loadings\nm/z\tPC1\tPC2\n50\t"), std::string::npos);
  EXPECT_NE(r.out.find("# matrix\nspectrum\t50\t51\t52\n" + paths[0] + "\t10\t20\t30\n" + paths[1] +
                       "\t1\t2\t4\n" + paths[2] + "\t5\t1\t1\n"),
            std::string::npos)
      << r.out;

  // -o writes the same text to a file, and refuses to overwrite it.
  r = RunSorrel(Args({"pca", "-o", dir.File("out.txt")}, paths));
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_NE(ReadAll(dir.File("out.txt")).find("# eigenvalues"), std::string::npos);
  EXPECT_EQ(RunSorrel(Args({"pca", "-o", dir.File("out.txt")}, paths)).status, 1);
}

TEST(PcaCli, RealCaffeineSpectraMatrixHoldsTheFilesIntensities) {
  // Oracle: the peak list of the file itself; the common range of the four
  // GC-EI-TOF caffeine spectra is m/z 85 (OUF00133 starts there) to 196.
  const std::vector<std::string> paths = {TestData("pca/caffeine_MSBNK-Kazusa-KZ000017.txt"),
                                          TestData("pca/caffeine_MSBNK-Kazusa-KZ000113.txt"),
                                          TestData("pca/caffeine_MSBNK-Osaka_Univ-OUF00133.txt"),
                                          TestData("pca/caffeine_MSBNK-RIKEN-PR010011.txt")};
  CliResult r = RunSorrel(Args({"pca", "--json", "--matrix"}, paths));
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(JsonValue(r.out, "low"), "85");
  EXPECT_EQ(JsonValue(r.out, "high"), "196");
  std::map<int, double> peaks;
  for (const std::string& line : ReadTextLines(paths[0])) {
    const auto tab = line.find('\t');
    peaks[std::atoi(line.substr(0, tab).c_str())] = std::strtod(line.c_str() + tab + 1, nullptr);
  }
  adouble row;
  for (int m = 85; m <= 196; ++m)
    row.push_back(peaks.count(m) ? peaks[m] : 0.0);
  const std::string matrix = JsonValue(r.out, "matrix");
  const std::string firstRow = Array(row);
  ASSERT_GT(matrix.size(), firstRow.size());
  EXPECT_EQ(matrix.substr(1, firstRow.size()), firstRow);
  EXPECT_EQ(JsonValue(r.out, "eigenvalues").find(','), std::string::npos);  // 4 - 3 = 1 component
}

TEST(PcaCli, Refusals) {
  TempDir dir;
  const auto paths = WriteSpectra(dir, "s", 1, 5);
  const std::string zero = dir.Write("zero.txt", "50\t0\r\n60\t0\r\n70\t0\r\n");
  struct Case {
    std::vector<std::string> args;
    int status;
    std::string message;
  } cases[] = {
      {{"pca", paths[0]}, 2, "at least 2"},
      {Args({"pca", "--low", "40"}, paths), 1, paths[0] + ": the spectrum starts at m/z 50"},
      {Args({"pca", "--high", "90"}, paths), 1, "ends at m/z 70"},
      {Args({"pca", "--low", "60", "--high", "55"}, paths), 2, "must be below"},
      {Args({"pca", "--loadings", "6"}, paths), 2, "more than the 5 spectra"},
      {Args({"pca", "--loadings", "0"}, paths), 2, "at least 1"},
      {Args({"pca", "--incsens", "7"}, paths), 2, "--incsens"},
      {Args({"pca", "--precision", "0"}, paths), 2, "--precision"},
      {Args({"pca", "--cv", "0"}, paths), 2, "--cv"},
      {Args({"pca", "--cv", "4"}, paths), 1, "--cv 4: The training statistics of 4 spectra"},
      {Args({"pca", "--compact", "--loadings", "4"}, paths), 1, "--compact: Cross-validation of 5"},
      {Args({"pca", "--peaks"}, paths), 2, "--peaks"},
      {Args({"pca", "--normalize"}, Args(paths, {zero})), 1, "zero.txt"},
      {Args({"pca"}, Args(paths, {dir.File("missing.txt")})), 1, "missing.txt"},
  };
  for (const Case& c : cases) {
    CliResult r = RunSorrel(c.args);
    EXPECT_EQ(r.status, c.status) << c.message << "\n" << r.err;
    EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
    EXPECT_TRUE(r.out.empty());
  }
}

TEST(TrainCli, WritesATrainingTheCoreReadsBack) {
  TempDir dir;
  const auto paths = WriteSpectra(dir, "acid", 2, 8);
  CliResult r =
      RunSorrel(Args({"train", dir.File("acid.trn"), "--compound", "Acetic acid", "--normalize",
                      "--incsens", "0.3", "--loadings", "3", "--precision", "5", "--pnid", "4.5"},
                     paths));
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.out.find("compound\tAcetic acid\nspectra\t8\nloadings\t3\nlow\t50\nhigh\t70\n"),
            std::string::npos)
      << r.out;

  TTraining t(dir.File("acid.trn"));
  t.Open();
  EXPECT_TRUE(t.HasResults());
  EXPECT_EQ(t.Compound, "Acetic acid");
  EXPECT_EQ(t.PPID, 1);
  EXPECT_EQ(t.PNID, 4.5);
  EXPECT_EQ(t.PrecPower, 5);
  EXPECT_TRUE(t.Normalize);
  EXPECT_EQ(t.IncSens, 0.3);
  EXPECT_EQ(t.LoadedSpec.front(), "acid0.txt");
  EXPECT_EQ(t.LoadedSpec.size(), 8u);

  // The same calculation in the core from the settings the file holds, the
  // stored values rounded to 12 significant digits.
  ScriptedUi ui;
  CoreFrames f(paths);
  TTraining want = t;
  PcaResults res;
  ASSERT_TRUE(CalculatePCs(want, f.frames, 3, res));
  StoreResults(want, res);
  ASSERT_EQ(t.Loadings.size(), 3u);
  for (size_t k = 0; k < 3; ++k)
    for (size_t j = 0; j < t.Loadings[k].size(); ++j)
      EXPECT_NEAR(t.Loadings[k][j], want.Loadings[k][j],
                  1e-11 * std::fabs(want.Loadings[k][j]) + 1e-300);
  EXPECT_NEAR(t.RMSG, want.RMSG, 1e-13 * want.RMSG);
  EXPECT_NEAR(t.RcM, want.RcM, 1e-13 * want.RcM);
}

TEST(TrainCli, Refusals) {
  TempDir dir, other;
  const auto paths = WriteSpectra(dir, "s", 1, 5);
  const std::string far = other.Write("far.txt", SpectrumText(1, 9));
  const std::string existing = dir.Write("old.trn", "[General]\nCompound=Old\n");
  struct Case {
    std::vector<std::string> args;
    int status;
    std::string message;
  } cases[] = {
      {Args({"train", dir.File("t.trn")}, paths), 2, "compound"},
      {Args({"train", dir.File("t.txt"), "--compound", "X"}, paths), 2, ".trn"},
      {Args({"train", dir.File("t.trn"), "--compound", "X", "--ppid", "-1"}, paths), 2, "--ppid"},
      // The file keeps IncSens and the options dialog the limits to one
      // decimal: more would classify otherwise than the training computed.
      {Args({"train", dir.File("t.trn"), "--compound", "X", "--incsens", "0.25"}, paths), 2,
       "--incsens takes a value from 0 to 5 with at most one decimal, not 0.25"},
      {Args({"train", dir.File("t.trn"), "--compound", "X", "--pnid", "2.55"}, paths), 2,
       "--pnid takes a limit"},
      {Args({"train", dir.File("t.trn"), "--compound", "X", "--ppid", "4"}, paths), 2,
       "--ppid 4 is above --pnid 3"},
      {Args({"train", dir.File("t.trn"), "--compound", "X"}, Args(paths, {far})), 1,
       "far.txt: not in"},
      {Args({"train", existing, "--compound", "X"}, paths), 1, "file exists"},
      {Args({"train", dir.File("t.trn"), "--compound", "X", "--loadings", "5"}, paths), 1,
       "singular"},
      {{"train", dir.File("t.trn"), "--compound", "X", paths[0]}, 2, "at least 2"},
  };
  for (const Case& c : cases) {
    CliResult r = RunSorrel(c.args);
    EXPECT_EQ(r.status, c.status) << c.message << "\n" << r.err;
    EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
    EXPECT_FALSE(FileExists(dir.File("t.trn")));
  }
  EXPECT_EQ(ReadAll(existing), "[General]\nCompound=Old\n");
  EXPECT_EQ(RunSorrel(Args({"train", existing, "--compound", "X", "--force"}, paths)).status, 0);
}

TEST(ClassifyCli, TrainingAndList) {
  TempDir dir;
  ASSERT_EQ(RunSorrel(Args({"train", dir.File("alpha.trn"), "--compound", "Alpha", "--normalize",
                            "--loadings", "3", "--precision", "6"},
                           WriteSpectra(dir, "a", 1, 8)))
                .status,
            0);
  ASSERT_EQ(RunSorrel(Args({"train", dir.File("beta.trn"), "--compound", "Beta, pure",
                            "--normalize", "--loadings", "3", "--precision", "6"},
                           WriteSpectra(dir, "b", 5, 8)))
                .status,
            0);
  dir.Write("hollow.trn", "[General]\nCompound=Hollow\nCalculated=1\nNLoadings=2\n");
  dir.Write("raw.trn", "[General]\nCompound=Raw\n");
  dir.Write("l.trl", "[List]\r\nalpha=1\r\nraw=0\r\nbeta=1\r\nhollow=1\r\n");
  const std::string unknown = dir.Write("unknown.txt", SpectrumText(1, 20));

  CliResult r = RunSorrel({"classify", dir.File("alpha.trn"), unknown});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out.rfind(unknown + "\tAlpha\t", 0), 0u) << r.out;
  EXPECT_EQ(std::count(r.out.begin(), r.out.end(), '\n'), 1);

  r = RunSorrel({"classify", dir.File("l.trl"), unknown, dir.File("b3.txt")});
  ASSERT_EQ(r.status, 0) << r.err;
  const std::vector<std::string> lines = SplitLines(r.out);
  ASSERT_EQ(lines.size(), 6u) << r.out;
  EXPECT_EQ(lines[0].rfind(unknown + "\tAlpha\t", 0), 0u);
  EXPECT_EQ(lines[1].rfind(unknown + "\tBeta, pure\tNo\t", 0), 0u);
  EXPECT_EQ(lines[2], unknown + "\tHollow\tnot calculated\t");
  EXPECT_EQ(lines[4].rfind(dir.File("b3.txt") + "\tBeta, pure\t", 0), 0u);
  EXPECT_EQ(lines[4].find("\tNo\t"), std::string::npos);  // a training spectrum of beta

  r = RunSorrel({"classify", "--json", dir.File("l.trl"), unknown});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_NE(
      r.out.find("{\"spectrum\":\"" + unknown + "\",\"training\":\"" + dir.File("hollow.trn") +
                 "\",\"compound\":\"Hollow\",\"answer\":null,\"score\":null}"),
      std::string::npos)
      << r.out;
  r = RunSorrel({"classify", "--csv", dir.File("l.trl"), unknown});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.out.find(unknown + ",\"Beta, pure\",No,"), std::string::npos) << r.out;
}

TEST(ClassifyCli, Refusals) {
  TempDir dir;
  ASSERT_EQ(RunSorrel(Args({"train", dir.File("alpha.trn"), "--compound", "Alpha"},
                           WriteSpectra(dir, "a", 1, 6)))
                .status,
            0);
  const std::string unknown = dir.Write("unknown.txt", SpectrumText(1, 20));
  dir.Write("gone.trl", "[List]\r\nalpha=1\r\nnothere=1\r\n");
  struct Case {
    std::vector<std::string> args;
    int status;
    std::string message;
  } cases[] = {
      {{"classify", dir.File("alpha.trn")}, 2, "at least 1 spectrum"},
      {{"classify", unknown, unknown}, 2, ".trn"},
      {{"classify", dir.File("none.trn"), unknown}, 1, "none.trn: no such file"},
      {{"classify", dir.File("gone.trl"), unknown},
       1,
       "No such training file -> " + dir.File("nothere.trn")},
      {{"classify", "--json", "--csv", dir.File("alpha.trn"), unknown}, 2, "one of"},
  };
  for (const Case& c : cases) {
    CliResult r = RunSorrel(c.args);
    EXPECT_EQ(r.status, c.status) << c.message << "\n" << r.err;
    EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
  }
  // The reference spectrum of the training is gone.
  std::filesystem::remove(dir.File("a0.txt"));
  CliResult r = RunSorrel({"classify", dir.File("alpha.trn"), unknown});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("a0.txt"), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("alpha.trn"), std::string::npos) << r.err;
}

TEST(ClassifyCli, RealSpectraCaffeineTraining) {
  // Four GC-EI-TOF caffeine spectra from three laboratories make the
  // training; phenanthrene is rejected, the caffeine spectra are not.
  TempDir dir;
  std::vector<std::string> caffeine;
  for (const char* name :
       {"caffeine_MSBNK-Kazusa-KZ000017.txt", "caffeine_MSBNK-Kazusa-KZ000113.txt",
        "caffeine_MSBNK-Osaka_Univ-OUF00133.txt", "caffeine_MSBNK-RIKEN-PR010011.txt"})
    caffeine.push_back(dir.Write(name, ReadAll(TestData(std::string("pca/") + name))));
  const std::string phen = TestData("pca/phenanthrene_MSBNK-Osaka_Univ-OUF00417.txt");
  CliResult r = RunSorrel(Args({"train", dir.File("caffeine.trn"), "--compound", "Caffeine",
                                "--normalize", "--loadings", "2"},
                               caffeine));
  ASSERT_EQ(r.status, 0) << r.err;
  r = RunSorrel(Args({"classify", "--csv", dir.File("caffeine.trn"), phen}, caffeine));
  ASSERT_EQ(r.status, 0) << r.err;
  const std::vector<std::string> lines = SplitLines(r.out);
  ASSERT_EQ(lines.size(), 5u);
  EXPECT_NE(lines[0].find(",Caffeine,No,"), std::string::npos) << lines[0];
  for (size_t i = 1; i < 5; ++i)
    EXPECT_EQ(lines[i].find(",No,"), std::string::npos) << lines[i];
}

TEST(ClassifyCli, SpectraThatCannotBeJudgedGiveTheirReasonAndExitOne) {
  // Alpha's window is m/z 50 to 70; "far" holds peaks at 100 to 120 only.
  // Its row has no answer but the reason, the other rows are printed, and
  // the command fails at the end naming the training and the spectrum.
  TempDir dir;
  ASSERT_EQ(RunSorrel(Args({"train", dir.File("alpha.trn"), "--compound", "Alpha", "--normalize"},
                           WriteSpectra(dir, "a", 1, 6)))
                .status,
            0);
  ASSERT_EQ(RunSorrel(Args({"train", dir.File("beta.trn"), "--compound", "Beta", "--normalize"},
                           WriteSpectra(dir, "b", 5, 6)))
                .status,
            0);
  dir.Write("l.trl", "[List]\r\nalpha=1\r\nbeta=1\r\n");
  tXYarray far;
  for (int m = 100; m <= 120; ++m)
    far.push_back({static_cast<float>(m), 40.0f});
  const std::string unknown = dir.Write("unknown.txt", SpectrumText(1, 20));
  const std::string faraway = dir.Write("far.txt", Text(far));
  const std::string reason = "no intensity between m/z 50 and 70";

  CliResult r = RunSorrel({"classify", dir.File("alpha.trn"), faraway, unknown});
  EXPECT_EQ(r.status, 1);
  std::vector<std::string> lines = SplitLines(r.out);
  ASSERT_EQ(lines.size(), 2u) << r.out;
  EXPECT_EQ(lines[0], faraway + "\tAlpha\tno answer\t" + reason);
  EXPECT_EQ(lines[1].rfind(unknown + "\tAlpha\t", 0), 0u) << lines[1];
  EXPECT_EQ(lines[1].find("no answer"), std::string::npos) << lines[1];
  EXPECT_EQ(r.err, "sorrel: " + dir.File("alpha.trn") + ": no answer for " + faraway + ": " +
                       reason + "\n");

  r = RunSorrel({"classify", "--json", dir.File("l.trl"), faraway});
  EXPECT_EQ(r.status, 1);
  for (const char* training : {"alpha", "beta"})
    EXPECT_NE(r.out.find("\"training\":\"" + dir.File(std::string(training) + ".trn") +
                         "\",\"compound\":\"" + (training[0] == 'a' ? "Alpha" : "Beta") +
                         "\",\"answer\":null,\"score\":null,\"reason\":\"" + reason + "\"}"),
              std::string::npos)
        << r.out;
  EXPECT_NE(r.err.find("(and 1 more rows without answer)"), std::string::npos) << r.err;
  r = RunSorrel({"classify", "--csv", dir.File("l.trl"), unknown});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out.find("no answer"), std::string::npos) << r.out;
}

TEST(TrainCli, CalibratedModel) {
  // The calibrated model's limits, kept in the training; classify answers
  // by them, exactly as the core classifies with the training read back.
  TempDir dir;
  const auto paths = WriteSpectra(dir, "acid", 2, 6);
  CliResult r = RunSorrel(Args({"train", dir.File("acid.trn"), "--compound", "Acid", "--normalize",
                                "--loadings", "2", "--model", "calibrated"},
                               paths));
  ASSERT_EQ(r.status, 0) << r.err;
  TTraining t(dir.File("acid.trn"));
  t.Open();
  ASSERT_EQ(t.ClassModel, tClassModel::Calibrated);
  EXPECT_EQ(t.ClassModelProblem(), "");
  EXPECT_EQ(t.Calibration.Spectra.size(), 6u);
  EXPECT_NE(r.out.find("\nmodel\tcalibrated\nyes_limit\t" + cli::Num(t.Calibration.YesLimit) +
                       "\nposs_limit\t" + cli::Num(t.Calibration.PossLimit) + "\n"),
            std::string::npos)
      << r.out;

  const std::string unknown = dir.Write("unknown.txt", SpectrumText(2, 20));
  const std::string other = dir.Write("other.txt", SpectrumText(7, 1));
  r = RunSorrel({"classify", "--json", dir.File("acid.trn"), unknown, other});
  ASSERT_EQ(r.status, 0) << r.err;
  ScriptedUi ui;
  CoreFrames f(paths);
  for (const std::string& s : {unknown, other}) {
    SpecFrame frame;
    ASSERT_TRUE(frame.Open(s));
    const Classification c = Classify(t, *f.frames[0], frame);
    EXPECT_NE(r.out.find("\"spectrum\":\"" + s + "\",\"training\":\"" + dir.File("acid.trn") +
                         "\",\"compound\":\"Acid\",\"answer\":\"" + c.Answer +
                         "\",\"score\":" + ShortestRoundTrip(c.Score) + "}"),
              std::string::npos)
        << r.out;
  }
  EXPECT_NE(r.out.find("\"answer\":\"No\""), std::string::npos) << r.out;

  // The default is the standard model; a calibrated one needs 3 spectra.
  r = RunSorrel(Args({"train", dir.File("std.trn"), "--compound", "Acid", "--json"}, paths));
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.out.find("\"model\":\"spec\""), std::string::npos) << r.out;
  TTraining plain(dir.File("std.trn"));
  EXPECT_FALSE(plain.SectionExists(kClassModelSection));
  r = RunSorrel({"train", dir.File("two.trn"), "--compound", "Acid", "--loadings", "1", "--model",
                 "calibrated", paths[0], paths[1]});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("at least 3 spectra"), std::string::npos) << r.err;
  EXPECT_FALSE(FileExists(dir.File("two.trn")));
  EXPECT_EQ(
      RunSorrel(Args({"train", dir.File("x.trn"), "--compound", "Acid", "--model", "bayes"}, paths))
          .status,
      2);
}

TEST(ClassifyCli, EachTrainingWithItsOwnTemplate) {
  // Oracle: the baseline of 20 worked by hand (an intensity of at least 20
  // less 20, a lower one 1, in 32-bit floats). "base" is trained with a
  // template that removes that baseline, "hand" without template from the
  // spectra processed by hand; the two trainings are the same, and so must
  // be the answers for an unknown given raw to the first and processed by
  // hand to the second.
  auto byHand = [](tXYarray s) {
    for (dPoint& p : s)
      p[1] = p[1] >= 20.0f ? static_cast<float>(static_cast<double>(p[1]) - 20.0) : 1.0f;
    return s;
  };
  TempDir dir;
  const std::string tml =
      dir.Write("bl20.tml", "[M_BLine]\r\nThreshold=20\r\nAutoTS=0\r\nEnabled=1\r\n");
  std::vector<std::string> raw, hand;
  for (int v = 0; v < 8; ++v) {
    raw.push_back(dir.Write("r" + std::to_string(v) + ".txt", Text(Replicate(1, v))));
    hand.push_back(dir.Write("h" + std::to_string(v) + ".txt", Text(byHand(Replicate(1, v)))));
  }
  const std::vector<std::string> settings = {
      "--compound", "Alpha", "--normalize", "--loadings", "3", "--precision", "6"};
  CliResult r =
      RunSorrel(Args(Args({"train", dir.File("base.trn"), "--template", tml}, settings), raw));
  ASSERT_EQ(r.status, 0) << r.err;
  r = RunSorrel(Args(Args({"train", dir.File("hand.trn")}, settings), hand));
  ASSERT_EQ(r.status, 0) << r.err;
  TTraining base(dir.File("base.trn"));
  base.Open();
  EXPECT_EQ(base.DefaultTml, tml);  // the full name, as a frame holds it

  // An unknown far from the training spectra, so that its processing
  // matters: a replicate of another compound raised by 30.
  tXYarray u = Replicate(2, 9);
  for (dPoint& p : u)
    p[1] += 30.0f;
  const std::string unknown = dir.Write("u.txt", Text(u));
  const std::string unknownByHand = dir.Write("hu.txt", Text(byHand(u)));
  auto answer = [](const CliResult& c) {
    const auto tab = c.out.find('\t', c.out.find('\t') + 1);
    return tab == std::string::npos ? c.out : c.out.substr(tab + 1);
  };
  r = RunSorrel({"classify", dir.File("base.trn"), unknown});
  ASSERT_EQ(r.status, 0) << r.err;
  CliResult want = RunSorrel({"classify", dir.File("hand.trn"), unknownByHand});
  ASSERT_EQ(want.status, 0) << want.err;
  EXPECT_EQ(answer(r), answer(want));
  EXPECT_NE(answer(r), "");

  // A list uses each training with its own: the template for "base",
  // nothing for "hand".
  dir.Write("l.trl", "[List]\r\nbase=1\r\nhand=1\r\n");
  r = RunSorrel({"classify", dir.File("l.trl"), unknown, unknownByHand});
  ASSERT_EQ(r.status, 0) << r.err;
  const std::vector<std::string> lines = SplitLines(r.out);
  ASSERT_EQ(lines.size(), 4u) << r.out;
  EXPECT_EQ(lines[0], unknown + "\tAlpha\t" + answer(want).substr(0, answer(want).size() - 1));
  EXPECT_EQ(lines[3],
            unknownByHand + "\tAlpha\t" + answer(want).substr(0, answer(want).size() - 1));

  // Processing options are for trainings that name no template.
  r = RunSorrel({"classify", "--baseline", "20", dir.File("base.trn"), unknown});
  EXPECT_EQ(r.status, 2);
  EXPECT_NE(r.err.find("classified with its own template " + tml), std::string::npos) << r.err;
  // Trained with the option instead of the template, the training keeps no
  // processing, and classify needs the option again.
  r = RunSorrel(Args(Args({"train", dir.File("opt.trn"), "--baseline", "20"}, settings), raw));
  ASSERT_EQ(r.status, 0) << r.err;
  r = RunSorrel({"classify", "--baseline", "20", dir.File("opt.trn"), unknown});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(answer(r), answer(want));
  EXPECT_EQ(RunSorrel({"classify", "--smooth", "3", dir.File("l.trl"), unknown}).status, 0);

  // A template that is gone: no answer for spectra it would have processed.
  std::filesystem::remove(tml);
  r = RunSorrel({"classify", dir.File("base.trn"), unknown});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("its template " + tml + " does not exist"), std::string::npos) << r.err;
}

TEST(ClassifyCli, TemplateTrainingRefusals) {
  TempDir dir;
  const auto paths = WriteSpectra(dir, "s", 1, 5);
  const std::string tml = dir.Write("bl.tml", "[M_BLine]\r\nThreshold=20\r\nEnabled=1\r\n");
  const std::string defaults = dir.Write("Empty.tml", "[M_BLine]\r\nThreshold=20\r\nEnabled=1\r\n");
  struct Case {
    std::vector<std::string> args;
    std::string message;
  } cases[] = {
      // The training would not keep what these change in the template.
      {{"--template", tml, "--smooth", "2"},
       "--smooth would change the processing of the template"},
      {{"--template", tml, "--nominal"}, "--nominal would change"},
      // A template of that name stands for "no template" in a training.
      {{"--template", defaults}, "stands for the defaults"},
  };
  for (const Case& c : cases) {
    CliResult r =
        RunSorrel(Args(Args({"train", dir.File("t.trn"), "--compound", "X"}, c.args), paths));
    EXPECT_EQ(r.status, 2) << c.message;
    EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
    EXPECT_FALSE(FileExists(dir.File("t.trn")));
  }
}

TEST(ClassifyCli, ScanOfARunAgainstATrainingOfTextSpectra) {
  // The selection picks the scans of the runs classified; the training's
  // reference spectrum is a text spectrum and is taken as it is. A cache
  // file (4 zero bytes, then mass and intensity float pairs, each scan
  // ended by 0, 0) holds the unknown as its scan 1, between two scans of
  // larger total intensity.
  TempDir dir;
  CliResult r = RunSorrel(Args({"train", dir.File("alpha.trn"), "--compound", "Alpha",
                                "--normalize", "--loadings", "3", "--precision", "6"},
                               WriteSpectra(dir, "a", 1, 8)));
  ASSERT_EQ(r.status, 0) << r.err;
  const tXYarray unknown = Replicate(1, 20);
  std::string csh(4, '\0');
  for (const tXYarray& scan : {Replicate(5, 0), unknown, Replicate(5, 1)}) {
    for (const dPoint& p : scan) {
      const float scaled[2] = {p[0], scan == unknown ? p[1] : 10 * p[1]};
      csh.append(reinterpret_cast<const char*>(scaled), sizeof scaled);
    }
    csh.append(8, '\0');
  }
  const std::string run = dir.Write("SP1.csh", csh);
  const std::string text = dir.Write("u.txt", Text(unknown));
  r = RunSorrel({"classify", dir.File("alpha.trn"), run, "--scan", "1"});
  ASSERT_EQ(r.status, 0) << r.err;
  const CliResult want = RunSorrel({"classify", dir.File("alpha.trn"), text});
  ASSERT_EQ(want.status, 0) << want.err;
  EXPECT_EQ(r.out.substr(run.size()), want.out.substr(text.size()));
  EXPECT_EQ(want.out.find("\tNo\t"), std::string::npos) << want.out;  // a replicate of alpha
  // The run's own opening scan is another compound.
  r = RunSorrel({"classify", dir.File("alpha.trn"), run});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.out.find("\tNo\t"), std::string::npos) << r.out;
}

TEST(ClassifyCli, RealNaphthaleneTrainingWithABaselineTemplate) {
  // Eight EI naphthalene spectra from different instruments (MassBank,
  // CC BY-NC-SA, read from the shared data folder) make a training whose
  // template removes a baseline of 20; the ninth, left out, is recognised
  // once it gets the same processing.
  const std::string shared = SharedData("ei-spectra");
  if (shared.empty()) GTEST_SKIP() << "shared EI spectra not present";
  TempDir dir;
  std::vector<std::string> names;
  for (const auto& e : std::filesystem::directory_iterator(shared))
    if (e.path().filename().string().rfind("naphthalene_", 0) == 0)
      names.push_back(e.path().filename().string());
  std::sort(names.begin(), names.end());
  ASSERT_EQ(names.size(), 9u);
  std::vector<std::string> training;
  for (const std::string& n : names)
    if (n != "naphthalene_MSBNK-Fac_Eng_Univ_Tokyo-JP004111.txt")
      training.push_back(dir.Write(n, ReadAll(shared + "/" + n)));
  const std::string tml =
      dir.Write("bl20.tml", "[M_BLine]\r\nThreshold=20\r\nAutoTS=0\r\nEnabled=1\r\n");
  CliResult r = RunSorrel(Args({"train", dir.File("naph.trn"), "--compound", "Naphthalene",
                                "--template", tml, "--normalize"},
                               training));
  ASSERT_EQ(r.status, 0) << r.err;
  r = RunSorrel({"classify", dir.File("naph.trn"),
                 shared + "/naphthalene_MSBNK-Fac_Eng_Univ_Tokyo-JP004111.txt"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.out.find("\tNaphthalene\tYes\t"), std::string::npos) << r.out;
}
