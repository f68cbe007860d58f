// The training file: row format, Save/Open round trips, defaults, and
// damaged files.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>

#include "ScriptedUi.h"
#include "TempDir.h"
#include "core/common/Errors.h"
#include "core/common/Paths.h"
#include "core/common/TextFile.h"
#include "core/plots/PreprocFrame.h"
#include "core/training/Training.h"
#include "core/training/TrainingCalc.h"
#include "core/training/TrainingList.h"

using namespace sorrel;
using sorrel::test::ReadAll;
using sorrel::test::TempDir;

namespace {

// A calculated training with NLoadings loadings over m channels.
TTraining Calculated(const std::string& file, int nl, int m) {
  TTraining t(file);
  t.Compound = "Naphthalene";
  t.DefaultTml = "ei.tml";
  t.NLoadings = nl;
  t.Calculated = true;
  t.PPID = 1.5;
  t.PNID = 4.25;
  t.PrecPower = 3;
  t.LowBound = 40;
  t.HighBound = 40 + m - 1;
  t.Normalize = true;
  t.IncSens = 0.5;
  t.LoadedSpec = {"a.txt", "b.txt", "c.txt"};
  for (int j = 0; j < m; ++j)
    t.Xvals.push_back(40 + j);
  for (int k = 0; k < nl; ++k) {
    adouble row;
    for (int j = 0; j < m; ++j)
      row.push_back(std::sin(1.0 + k * 31 + j) / (1 + j) * std::pow(10.0, (j % 9) - 6));
    t.Loadings.push_back(row);
  }
  for (int p = 0; p <= nl; ++p) {
    adouble row;
    for (int q = 0; q <= nl; ++q)
      row.push_back(1.0 / (1 + p + q) * (p == q ? 1e12 : -3.3));
    t.MahalMat.push_back(row);
  }
  t.RcM = 12345.678901234567;
  t.RMSG = 0.1 / 3;
  return t;
}

double Round12(double x) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.11e", x);
  return std::strtod(buf, nullptr);
}

std::string Training(const std::string& pca,
                     const std::string& general = "NLoadings=2\nCalculated=1\n") {
  return "[General]\nCompound=Acid\n" + general + "[Preprocess]\nLowBound=40\nHighBound=42\n" + pca;
}

}  // namespace

TEST(TrainingRow, ValueTexts) {
  struct Case {
    double x;
    const char* text;
  } cases[] = {
      {0, "0"},
      {1.5e-7, "1.5E-0007"},
      {-1.5e-7, "-1.5E-0007"},
      {0.00001, "0.00001"},
      {0.00005, "0.00005"},
      {0.000009, "9E-0006"},
      {1.0 / 3, "0.333333333333"},
      {2.0 / 3, "0.666666666667"},
      {-0.5, "-0.5"},
      {128, "128"},
      {123456789012.0, "123456789012"},
      {1234567890123.0, "1.23456789012E0012"},
      {999999999999.7, "1E0012"},
      {1e300, "1E0300"},
      {12345.678901234567, "12345.6789012"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(RowValueText(c.x), c.text) << c.x;
  EXPECT_EQ(WriteRow({1, 2.5, -3}), "1\t2.5\t-3");
  EXPECT_EQ(WriteRow({}), "");
}

TEST(TrainingRow, Reading) {
  struct Case {
    const char* text;
    size_t count;
    adouble want;
  } cases[] = {
      {"1\t2\t3", 3, {1, 2, 3}},
      {"1\t2", 4, {1, 2, 0, 0}},     // missing places stay 0
      {"1\t2\t3\t4", 2, {1, 2}},     // fields beyond the count are ignored
      {"1\tx\t3", 3, {1, 3, 0}},     // a bad field leaves no place
      {"x\t1\t2\t3", 3, {1, 2, 0}},  // only the first `count` fields are looked at
      {" 1.5E-0007\t-2e3\t+4", 3, {1.5e-7, -2000, 4}},
      {"1\t\t2", 3, {1, 2, 0}},           // an empty field is not a number
      {"1e999\tnan\tinf", 3, {0, 0, 0}},  // nor is what a double cannot hold
  };
  for (const Case& c : cases) {
    adouble v = {99};
    ReadRow(c.text, c.count, v);
    EXPECT_EQ(v, c.want) << c.text;
  }
  adouble v = {99};
  ReadRow("", 5, v);
  EXPECT_EQ(v, adouble({99}));
}

TEST(TrainingFile, SaveOpenRoundTrip) {
  TempDir dir;
  TTraining t = Calculated(dir.File("acid.trn"), 5, 40);
  t.Save(true);
  TTraining r(dir.File("acid.trn"));
  r.Open();
  EXPECT_TRUE(r.Calculated);
  EXPECT_TRUE(r.HasResults());
  EXPECT_EQ(r.Compound, "Naphthalene");
  EXPECT_EQ(r.DefaultTml, "ei.tml");
  EXPECT_EQ(r.NLoadings, 5);
  EXPECT_EQ(r.PPID, 1.5);
  EXPECT_EQ(r.PNID, 4.25);
  EXPECT_EQ(r.PrecPower, 3);
  EXPECT_EQ(r.LowBound, 40);
  EXPECT_EQ(r.HighBound, 79);
  EXPECT_TRUE(r.Normalize);
  EXPECT_EQ(r.IncSens, 0.5);
  EXPECT_EQ(r.LoadedSpec, t.LoadedSpec);
  EXPECT_NEAR(r.RcM, t.RcM, 1e-10);  // 15 significant digits
  EXPECT_NEAR(r.RMSG, t.RMSG, 1e-15);
  ASSERT_EQ(r.Xvals.size(), 40u);
  ASSERT_EQ(r.Loadings.size(), 5u);
  ASSERT_EQ(r.MahalMat.size(), 6u);
  EXPECT_EQ(r.Xvals, t.Xvals);
  for (size_t k = 0; k < 5; ++k)
    for (size_t j = 0; j < 40; ++j)
      EXPECT_EQ(r.Loadings[k][j], Round12(t.Loadings[k][j])) << k << "," << j;
  for (size_t p = 0; p < 6; ++p)
    for (size_t q = 0; q < 6; ++q)
      EXPECT_EQ(r.MahalMat[p][q], Round12(t.MahalMat[p][q]));
  EXPECT_FALSE(r.Locked);
}

TEST(TrainingFile, LayoutOfAFiveLoadingTraining) {
  TempDir dir;
  TTraining t = Calculated(dir.File("acid.trn"), 5, 40);
  t.Save(true);
  const std::string text = ReadAll(dir.File("acid.trn"));
  EXPECT_EQ(
      text.rfind("[General]\r\nDefaultTml=ei.tml\r\nCompound=Naphthalene\r\nNLoadings=5\r\n"
                 "Calculated=1\r\nPositID=1.5\r\nPossibID=4.25\r\nPrecPower=3\r\n\r\n"
                 "[Preprocess]\r\nLowBound=40\r\nHighBound=79\r\nNormalize=1\r\nIncSens=0.5\r\n\r\n"
                 "[LoadedSpec]\r\n1=a.txt\r\n2=b.txt\r\n3=c.txt\r\n\r\n[PCA]\r\nNPoints=40\r\n",
                 0),
      0u)
      << text.substr(0, 400);
  for (int k = 1; k <= 5; ++k)
    EXPECT_NE(text.find("\r\nLoading[" + std::to_string(k) + "]="), std::string::npos) << k;
  EXPECT_EQ(text.find("Loading[6]"), std::string::npos);
  TMemIniFile ini(dir.File("acid.trn"));
  const std::string mahal = ini.ReadString("PCA", "MahalMat", "");
  EXPECT_EQ(std::count(mahal.begin(), mahal.end(), '\t'), 35);
  EXPECT_NE(mahal.back(), '\t');
}

TEST(TrainingFile, SaveRules) {
  TempDir dir;
  TTraining t = Calculated(dir.File("t.trn"), 3, 10);
  t.NLoadings = 5;  // only 3 rows held
  t.IncSens = 0.25;
  for (int i = 0; i < 40; ++i)
    t.LoadedSpec.push_back("s" + std::to_string(i) + ".txt");
  t.WriteString("Junk", "key", "value");
  t.Save(false);
  EXPECT_EQ(t.NLoadings, 3);
  EXPECT_EQ(t.ReadString("General", "NLoadings", ""), "3");
  EXPECT_EQ(t.ReadString("Preprocess", "IncSens", ""), "0.2");
  EXPECT_EQ(t.IncSens, 0.25);  // the field keeps its value
  EXPECT_FALSE(t.SectionExists("Junk"));
  EXPECT_EQ(t.ReadString("LoadedSpec", "43", ""), "s39.txt");
  EXPECT_FALSE(FileExists(dir.File("t.trn")));  // Save(false) writes nothing

  t.IncSens = 0.75;
  t.Save(false);
  EXPECT_EQ(t.ReadString("Preprocess", "IncSens", ""), "0.8");
  // A value whose tenfold is beyond the range of a double is a whole
  // number already and is written as it is, not as "INF" (found by
  // fuzz_startup: 1e308 in a hand-edited file came back as 0).
  t.IncSens = 1e308;
  t.Save(false);
  EXPECT_EQ(t.ReadFloat("Preprocess", "IncSens", 0), 1e308);

  // Only the first 36 spectrum names are read back.
  t.Open();
  EXPECT_EQ(t.LoadedSpec.size(), 36u);
  EXPECT_EQ(t.LoadedSpec.back(), "s32.txt");

  // Without a Mahalanobis matrix the training is saved as not calculated,
  // and its PCA section is not written.
  t.MahalMat.clear();
  t.Save(false);
  EXPECT_FALSE(t.Calculated);
  EXPECT_FALSE(t.SectionExists("PCA"));
}

TEST(TrainingFile, DefaultsForMissingAndGarbageValues) {
  TempDir dir;
  TTraining t(dir.Write("g.trn",
                        "[General]\nNLoadings=abc\nCalculated=yes\nPositID=1,5\nPossibID=\n"
                        "PrecPower=3.5\n[Preprocess]\nLowBound=\nNormalize=x\nIncSens=bad\n"
                        "[LoadedSpec]\n1=a.txt\n2=\n5=e.txt\n37=late.txt\n"));
  t.Normalize = true;
  t.IncSens = 1.5;
  t.Open();
  EXPECT_EQ(t.NLoadings, 0);
  EXPECT_FALSE(t.Calculated);
  EXPECT_EQ(t.PPID, 1);
  EXPECT_EQ(t.PNID, 3);
  EXPECT_EQ(t.PrecPower, 0);
  EXPECT_EQ(t.LowBound, 0);
  EXPECT_EQ(t.HighBound, 0);
  EXPECT_TRUE(t.Normalize);  // the field's own value is the default
  EXPECT_EQ(t.IncSens, 1.5);
  EXPECT_EQ(t.LoadedSpec, std::vector<std::string>({"a.txt", "e.txt"}));

  // A missing file opens as an empty training.
  TTraining none(dir.File("missing.trn"));
  none.Open();
  EXPECT_FALSE(none.Calculated);
  EXPECT_EQ(none.PPID, 1);
  EXPECT_TRUE(none.LoadedSpec.empty());
}

TEST(TrainingFile, DamagedPcaSections) {
  TempDir dir;
  const std::string mahal9 = "MahalMat=1\t0\t0\t0\t1\t0\t0\t0\t1\n";
  struct Case {
    const char* what;
    std::string file;
    bool calculated, hasResults;
  } cases[] = {
      {"no PCA section", Training(""), true, false},
      {"NPoints 0", Training("[PCA]\nNPoints=0\n"), true, false},
      {"NPoints negative", Training("[PCA]\nNPoints=-5\nXvals=1\n"), true, false},
      {"NPoints absurd",
       Training("[PCA]\nNPoints=2000000000\nXvals=1\nLoading[1]=1\nLoading[2]=1\n" + mahal9), true,
       false},
      {"NLoadings absurd",
       Training("[PCA]\nNPoints=3\nXvals=40\t41\t42\n", "NLoadings=1000000\nCalculated=1\n"), false,
       false},
      {"missing loading",
       Training("[PCA]\nNPoints=3\nXvals=40\t41\t42\nLoading[1]=1\t0\t0\n" + mahal9), false, false},
      {"empty matrix",
       Training("[PCA]\nNPoints=3\nXvals=40\t41\t42\nLoading[1]=1\t0\t0\nLoading[2]=0\t1\t0\n"),
       false, false},
      {"complete",
       Training("[PCA]\nNPoints=3\nXvals=40\t41\t42\nLoading[1]=1\t0\t0\nLoading[2]=0\t1\t0\n" +
                mahal9),
       true, true},
      {"rows of other lengths",
       Training("[PCA]\nNPoints=3\nXvals=40\t41\nLoading[1]=1\t0\t0\t7\t7\nLoading[2]=0\n" +
                mahal9),
       true, true},
      {"garbage rows",
       Training("[PCA]\nNPoints=3\nXvals=a\tb\tc\nLoading[1]=x\nLoading[2]=y\n" + mahal9), true,
       true},
      {"not marked calculated",
       Training("[PCA]\nNPoints=3\nXvals=40\t41\t42\nLoading[1]=1\t0\t0\n"
                "Loading[2]=0\t1\t0\n" +
                    mahal9,
                "NLoadings=2\nCalculated=0\n"),
       false, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TTraining t(dir.Write("d.trn", c.file));
    t.Open();
    EXPECT_EQ(t.Calculated, c.calculated);
    EXPECT_EQ(t.HasResults(), c.hasResults);
    for (const adouble& row : t.Loadings)
      EXPECT_LE(row.size(), 3u);
    if (c.hasResults) {
      EXPECT_EQ(t.Loadings[0].size(), 3u);
      EXPECT_EQ(t.Xvals.size(), 3u);
    }
  }
}

TEST(TrainingFile, MissingLoadingKeepsWhatWasRead) {
  TempDir dir;
  TTraining t(dir.Write(
      "m.trn", Training("[PCA]\nNPoints=3\nRMSG=2.5\nXvals=40\t41\t42\nLoading[1]=1\t0\t0\n",
                        "NLoadings=3\nCalculated=1\n")));
  t.Open();
  EXPECT_FALSE(t.Calculated);
  EXPECT_EQ(t.RMSG, 2.5);
  EXPECT_EQ(t.Xvals, adouble({40, 41, 42}));
  ASSERT_EQ(t.Loadings.size(), 3u);
  EXPECT_EQ(t.Loadings[0], adouble({1, 0, 0}));
}

TEST(TrainingFile, MatrixLargerThanThePointCountIsReadWhole) {
  // Three mass channels and two loadings: the matrix has 9 values, more
  // than NPoints; all of them come back.
  TempDir dir;
  TTraining t = Calculated(dir.File("narrow.trn"), 2, 3);
  t.Save(true);
  TTraining r(dir.File("narrow.trn"));
  r.Open();
  ASSERT_TRUE(r.HasResults());
  for (size_t p = 0; p < 3; ++p)
    for (size_t q = 0; q < 3; ++q)
      EXPECT_EQ(r.MahalMat[p][q], Round12(t.MahalMat[p][q]));
}

TEST(TrainingFile, DirName) {
  TempDir dir;
  std::filesystem::create_directory(dir.File("set1"));
  TTraining t(dir.File("set1/acid.trn"));
  EXPECT_EQ(t.DirName(), dir.File("set1/"));
  TTraining bare("acid.trn");
  EXPECT_EQ(bare.DirName(), "");
}

TEST(TrainingFile, UnwritableTargetKeepsTheOldFile) {
  TempDir dir;
  TTraining t = Calculated(dir.File("keep.trn"), 2, 5);
  t.Save(true);
  const std::string before = ReadAll(dir.File("keep.trn"));
  TTraining bad(dir.File("no-such-dir/keep.trn"));
  bad.Compound = "x";
  EXPECT_THROW(bad.Save(true), SorrelError);
  EXPECT_EQ(ReadAll(dir.File("keep.trn")), before);
}

TEST(TrainingFile, StoredTrainingClassifiesAsTheFreshOne) {
  // tests/data/pca/caffeine.trn was written by `sorrel train --normalize
  // --loadings 2` from the four caffeine spectra beside it, and
  // caffeine-calibrated.trn the same with `--model calibrated`. The
  // standard model's rows are rounded to 12 digits: scores computed from it
  // agree with those of the same training computed afresh to the
  // projection's own precision (the golden-section search stops at a
  // relative 10^-3). The calibrated model keeps its numbers exactly: its
  // scores are those of the fresh training to the last bit.
  sorrel::test::ScriptedUi ui;
  const std::string dir = sorrel::test::TestData("pca/");
  for (const char* file : {"caffeine.trn", "caffeine-calibrated.trn"}) {
    TTraining stored(dir + file);
    stored.Open();
    ASSERT_TRUE(stored.HasResults()) << file;
    ASSERT_EQ(stored.LoadedSpec.size(), 4u);
    const bool calibrated = stored.ClassModel == tClassModel::Calibrated;
    EXPECT_EQ(calibrated, std::string(file) == "caffeine-calibrated.trn");

    std::vector<std::unique_ptr<SpecFrame>> frames;
    FrameList list;
    for (const std::string& name : stored.LoadedSpec) {
      frames.push_back(std::make_unique<SpecFrame>());
      ASSERT_TRUE(frames.back()->Open(dir + name));
      list.push_back(frames.back().get());
    }
    TTraining fresh;
    fresh.LowBound = stored.LowBound;
    fresh.HighBound = stored.HighBound;
    fresh.Normalize = stored.Normalize;
    fresh.PrecPower = stored.PrecPower;
    fresh.NLoadings = stored.NLoadings;
    fresh.PPID = stored.PPID;
    fresh.PNID = stored.PNID;
    fresh.ClassModel = stored.ClassModel;
    PcaResults r;
    ASSERT_TRUE(CalculatePCs(fresh, list, fresh.NLoadings, r));
    StoreResults(fresh, r);

    SpecFrame& reference = *frames[0];
    struct Case {
      const char* file;
      bool caffeine;
    } cases[] = {{"caffeine_MSBNK-Kazusa-KZ000017.txt", true},
                 {"caffeine_MSBNK-Osaka_Univ-OUF00133.txt", true},
                 {"phenanthrene_MSBNK-Osaka_Univ-OUF00417.txt", false}};
    for (const Case& c : cases) {
      SpecFrame unknown;
      ASSERT_TRUE(unknown.Open(dir + c.file));
      const Classification a = Classify(stored, reference, unknown);
      const Classification b = Classify(fresh, reference, unknown);
      if (calibrated)
        EXPECT_EQ(a.Score, b.Score) << c.file;
      else
        EXPECT_NEAR(a.Score, b.Score, 2e-3 * b.Score) << c.file;
      EXPECT_EQ(a.Answer, b.Answer) << c.file;
      EXPECT_EQ(a.Answer == "No", !c.caffeine) << file << " " << c.file << " " << a.Score;
    }
  }
}
