// Training lists: the list file, rows and check marks, and the
// classification run against every checked training.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <functional>
#include <tuple>

#include "ScriptedUi.h"
#include "TempDir.h"
#include "core/common/Directories.h"
#include "core/common/Errors.h"
#include "core/common/NumberText.h"
#include "core/common/TextFile.h"
#include "core/pca/Mahalanobis.h"
#include "core/pca/Nipals.h"
#include "core/plots/PreprocFrame.h"
#include "core/training/TrainingCalc.h"
#include "core/training/TrainingList.h"

using namespace sorrel;
using sorrel::test::ReadAll;
using sorrel::test::ScriptedUi;
using sorrel::test::TempDir;

namespace {

// A replicate of one compound's spectrum: peaks at masses 50..70 with a
// pattern set by `compound`, perturbed by `variant`.
tXYarray Spectrum(int compound, int variant) {
  tXYarray s;
  for (int m = 50; m <= 70; ++m) {
    double base = 5 + 100 * std::fabs(std::sin(compound * 1.7 + m * 0.9));
    double noise = 1 + 0.05 * std::sin(variant * 2.3 + m * 1.3);
    s.push_back({static_cast<float>(m), static_cast<float>(base * noise)});
  }
  return s;
}

std::string SpectrumText(const tXYarray& s) {
  std::string out;
  for (const dPoint& p : s)
    out += FloatToStr(p[0]) + "\t" + FloatToStr(p[1]) + "\r\n";
  return out;
}

// Writes 8 spectra of `compound` and a calculated training of them (3
// loadings) into `dir` as `name`.trn. With a template name the training
// names it, and its data matrix is made from the spectra as `processed`
// turns them (the files hold them raw).
void MakeTraining(const TempDir& dir, const std::string& name, const std::string& compound,
                  int pattern, const std::string& tml = "",
                  const std::function<tXYarray(tXYarray)>& processed = nullptr) {
  std::vector<std::unique_ptr<SpecFrame>> frames;
  FrameList list;
  TTraining t(dir.File(name + ".trn"));
  for (int v = 0; v < 8; ++v) {
    std::string file = name + "_" + std::to_string(v) + ".txt";
    dir.Write(file, SpectrumText(Spectrum(pattern, v)));
    frames.push_back(std::make_unique<SpecFrame>(
        processed ? processed(Spectrum(pattern, v)) : Spectrum(pattern, v), file));
    list.push_back(frames.back().get());
    t.LoadedSpec.push_back(file);
  }
  t.DefaultTml = tml;
  t.Compound = compound;
  t.LowBound = 50;
  t.HighBound = 70;
  t.Normalize = true;
  t.PrecPower = 6;
  t.NLoadings = 3;
  t.PPID = 1;
  t.PNID = 3;
  PcaResults r;
  ASSERT_TRUE(CalculatePCs(t, list, 3, r));
  StoreResults(t, r);
  t.Save(true);
}

// The program directory of a test, with its Config directory: a frame
// initialised for classification looks for its template there.
class ProgramDirWithConfig {
 public:
  explicit ProgramDirWithConfig(const TempDir& dir) {
    SetProgramDir(dir.Path());
    std::filesystem::create_directory(dir.File("Config"));
  }
  ~ProgramDirWithConfig() { SetProgramDir(""); }
};

std::string ListText(const std::vector<std::pair<std::string, int>>& keys) {
  std::string out = "[List]\r\n";
  for (const auto& k : keys)
    out += k.first + "=" + std::to_string(k.second) + "\r\n";
  return out;
}

}  // namespace

TEST(TrainingList, NewListOnRequestSavesAnEmptyList) {
  ScriptedUi ui;
  TempDir dir;
  std::unique_ptr<TTrainingList> list;
  ui.QueueConfirm(false);
  OpenTrainingListByPath(list, dir.File("new.trl"));
  EXPECT_FALSE(list);
  ui.QueueConfirm(true);
  OpenTrainingListByPath(list, dir.File("new.trl"));
  ASSERT_TRUE(list);
  EXPECT_EQ(ui.questions.back(), "Training list file: \"" + dir.File("new.trl") +
                                     "\" does not exist.\nCreate a new one ?");
  EXPECT_TRUE(list->Rows.empty());
  list->Save();
  TMemIniFile saved(dir.File("new.trl"));
  EXPECT_TRUE(saved.ReadSection("List").empty());
  // An empty path does nothing at all.
  OpenTrainingListByPath(list, "");
  EXPECT_TRUE(list);
}

TEST(TrainingList, CheckMarksRoundTrip) {
  ScriptedUi ui;
  TempDir dir;
  dir.Write("acid.trn", "[General]\nCompound=Acid\n");
  dir.Write("base.trn", "[Preprocess]\nLowBound=1\n[General]\ncompound = Base\n");
  dir.Write("salt.trn", "[General]\nNLoadings=2\nCompound=Salt\nCompound=Other\n");
  dir.Write("l.trl", ListText({{"acid", 1}, {"base", 0}, {"salt", 1}}));
  std::unique_ptr<TTrainingList> list;
  OpenTrainingListByPath(list, dir.File("l.trl"));
  ASSERT_TRUE(list);
  ASSERT_EQ(list->Rows.size(), 3u);
  EXPECT_EQ(list->Rows[0].Caption, "Acid");
  EXPECT_EQ(list->Rows[1].Caption, "Base");
  EXPECT_EQ(list->Rows[2].Caption, "Salt");
  EXPECT_EQ(list->TrainingS[1].second, dir.File("base.trn"));
  EXPECT_TRUE(list->Rows[0].Checked);
  EXPECT_FALSE(list->Rows[1].Checked);
  list->Rows[1].Checked = true;
  list->Rows[2].Checked = false;
  list->Save();
  EXPECT_EQ(ReadAll(dir.File("l.trl")), "[List]\r\nacid=1\r\nbase=1\r\nsalt=0\r\n\r\n");
  OpenTrainingListByPath(list, dir.File("l.trl"));
  ASSERT_TRUE(list);
  EXPECT_TRUE(list->Rows[1].Checked);
  EXPECT_FALSE(list->Rows[2].Checked);
}

// A key may name a training below or beside the list's directory (a list
// edited by hand): saved, the key stays as it was and names the same file,
// not a file of that name in the list's directory.
TEST(TrainingList, KeysWithAPathSaveAsTheyWereRead) {
  ScriptedUi ui;
  TempDir dir;
  std::filesystem::create_directories(dir.File("lists/sub"));
  dir.Write("lists/sub/acid.trn", "[General]\nCompound=Acid in sub\n");
  dir.Write("lists/acid.trn", "[General]\nCompound=Acid\n");
  dir.Write("outside.trn", "[General]\nCompound=Outside\n");
  dir.Write("lists/l.trl", ListText({{"sub/acid", 1}, {"../outside", 0}, {"acid", 1}}));
  std::unique_ptr<TTrainingList> list;
  OpenTrainingListByPath(list, dir.File("lists/l.trl"));
  ASSERT_TRUE(list);
  ASSERT_EQ(list->Rows.size(), 3u);
  EXPECT_EQ(list->Rows[0].Caption, "Acid in sub");
  EXPECT_EQ(list->Rows[1].Caption, "Outside");
  list->Rows[1].Checked = true;
  list->Save();
  EXPECT_EQ(ReadAll(dir.File("lists/l.trl")),
            "[List]\r\nsub/acid=1\r\n../outside=1\r\nacid=1\r\n\r\n");
  const auto before = list->TrainingS;
  OpenTrainingListByPath(list, dir.File("lists/l.trl"));
  ASSERT_TRUE(list);
  EXPECT_EQ(list->TrainingS, before);
  EXPECT_TRUE(list->Rows[1].Checked);
}

TEST(TrainingList, MissingTrainingFileLeavesNoList) {
  ScriptedUi ui;
  TempDir dir;
  dir.Write("acid.trn", "[General]\nCompound=Acid\n");
  dir.Write("l.trl", ListText({{"acid", 1}, {"gone", 1}}));
  auto list = std::make_unique<TTrainingList>(dir.File("other.trl"));
  OpenTrainingListByPath(list, dir.File("l.trl"));
  EXPECT_FALSE(list);
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_EQ(ui.messages[0],
            "Marjoram Error Message: No such training file ->\n" + dir.File("gone.trn"));
}

TEST(TrainingList, AddRemoveAndCopy) {
  ScriptedUi ui;
  TempDir dir, other;
  dir.Write("acid.trn", "[General]\nCompound=Acid\n");
  dir.Write("base.trn", "[General]\nCompound=Base\n");
  dir.Write("a=b.trn", "[General]\nCompound=Odd\n");
  other.Write("far.trn", "[General]\nCompound=Far\n");
  TTrainingList list(dir.File("l.trl"));
  ASSERT_TRUE(list.Open());
  EXPECT_TRUE(list.Add(dir.File("acid.trn")));
  EXPECT_TRUE(list.Add(dir.Path() + "./base.trn"));
  EXPECT_FALSE(list.Add(other.File("far.trn")));
  EXPECT_FALSE(list.Add(dir.File("a=b.trn")));
  ASSERT_EQ(ui.messages.size(), 2u);
  EXPECT_EQ(ui.messages[0],
            "Marjoram Error Message: All training files must be in training list directory.");
  ASSERT_EQ(list.Rows.size(), 2u);
  EXPECT_FALSE(list.Rows[1].Checked);

  list.Rows[0].Checked = true;
  list.Rows[0].Answer = "Yes";
  list.Rows[0].Score = "0.5";
  list.Rows[1].Checked = true;
  EXPECT_EQ(list.CopyText(), "Acid\n\tYes\t0.5\nBase\n\n");
  list.Rows[1].Checked = false;
  EXPECT_EQ(list.CopyText(), "Acid\n\tYes\t0.5\n");

  list.Remove(1);
  list.Remove(7);  // no such row
  ASSERT_EQ(list.Rows.size(), 1u);
  ASSERT_EQ(list.TrainingS.size(), 1u);
  EXPECT_EQ(list.TrainingS[0].first, "Acid");
  list.Save();
  EXPECT_EQ(ReadAll(dir.File("l.trl")), "[List]\r\nacid=1\r\n\r\n");
}

TEST(TrainingList, GetTraining) {
  ScriptedUi ui;
  TempDir dir;
  dir.Write("acid.trn", "[General]\nCompound=Acid\nNLoadings=4\n");
  dir.Write("l.trl", ListText({{"acid", 1}}));
  TTrainingList list(dir.File("l.trl"));
  ASSERT_TRUE(list.Open());
  TTraining* t = list.GetTraining("Acid");
  ASSERT_TRUE(t);
  EXPECT_EQ(t->NLoadings, 4);
  EXPECT_EQ(list.LoadedTrn.get(), t);
  EXPECT_EQ(list.GetTraining("Nothing"), nullptr);
  EXPECT_EQ(ui.messages.back(), "Marjoram Error Message: No such training");
}

TEST(TrainingList, RunClassifiesAgainstEveryCheckedTraining) {
  ScriptedUi ui;
  TempDir dir;
  ProgramDirWithConfig programDir(dir);
  MakeTraining(dir, "alpha", "Alpha", 1);
  MakeTraining(dir, "beta", "Beta", 5);
  dir.Write("raw.trn", "[General]\nCompound=Raw\nCalculated=0\n");
  dir.Write("hollow.trn", "[General]\nCompound=Hollow\nCalculated=1\nNLoadings=3\n");
  dir.Write("l.trl",
            ListText({{"alpha", 1}, {"beta", 1}, {"raw", 1}, {"hollow", 1}, {"alpha", 0}}));
  std::unique_ptr<TTrainingList> list;
  OpenTrainingListByPath(list, dir.File("l.trl"));
  ASSERT_TRUE(list);

  EXPECT_FALSE(list->Run(nullptr));
  EXPECT_EQ(ui.messages.back(), "Marjoram Error Message: No spec to consider.");

  SpecFrame unknown(Spectrum(1, 20), "unknown.txt");
  ASSERT_TRUE(list->Run(&unknown));
  const auto& rows = list->Rows;
  EXPECT_EQ(rows[0].State, TrainingRow::Status::Classified);
  EXPECT_NE(rows[0].Answer, "No");  // a new replicate of alpha
  EXPECT_EQ(rows[1].State, TrainingRow::Status::Classified);
  EXPECT_EQ(rows[1].Answer, "No");  // not beta
  EXPECT_GT(rows[1].ScoreValue, 3);
  EXPECT_EQ(rows[1].Score, ScoreText(rows[1].ScoreValue));
  EXPECT_EQ(rows[2].State, TrainingRow::Status::NotCalculated);
  EXPECT_EQ(rows[3].State, TrainingRow::Status::NotCalculated);  // marked calculated, no results
  EXPECT_TRUE(rows[3].Answer.empty());
  EXPECT_EQ(rows[4].State, TrainingRow::Status::None);  // unchecked

  // A limit exactly on the score: the answer is the limit's own side.
  TTraining t(dir.File("alpha.trn"));
  t.Open();
  SpecFrame reference(Spectrum(1, 0));
  const double score = Classify(t, reference, unknown).Score;
  EXPECT_EQ(score, rows[0].ScoreValue);
  for (auto [ppid, pnid, want] :
       {std::tuple{score, score * 2, "Yes"}, std::tuple{score / 2, score, "Poss."},
        std::tuple{score / 3, score / 2, "No"}}) {
    t.PPID = ppid;
    t.PNID = pnid;
    const Classification c = Classify(t, reference, unknown);
    EXPECT_TRUE(c.Calculated);
    EXPECT_EQ(c.Score, score);
    EXPECT_EQ(c.Answer, want);
  }
  // A training without results is not classified and nothing is computed.
  TTraining hollow(dir.File("hollow.trn"));
  hollow.Open();
  EXPECT_FALSE(Classify(hollow, reference, unknown).Calculated);
}

TEST(TrainingList, SameCompoundTwiceUsesEachRowsOwnTraining) {
  ScriptedUi ui;
  TempDir dir;
  ProgramDirWithConfig programDir(dir);
  MakeTraining(dir, "one", "Same", 1);
  MakeTraining(dir, "two", "Same", 5);
  dir.Write("l.trl", ListText({{"one", 1}, {"two", 1}}));
  std::unique_ptr<TTrainingList> list;
  OpenTrainingListByPath(list, dir.File("l.trl"));
  ASSERT_TRUE(list);
  SpecFrame unknown(Spectrum(5, 30));
  ASSERT_TRUE(list->Run(&unknown));
  EXPECT_EQ(list->Rows[0].Answer, "No");
  EXPECT_NE(list->Rows[1].Answer, "No");
  EXPECT_NE(list->Rows[0].ScoreValue, list->Rows[1].ScoreValue);
  // Saving keeps both trainings in the list.
  list->Save();
  TMemIniFile saved(dir.File("l.trl"));
  EXPECT_EQ(saved.ReadSection("List"), std::vector<std::string>({"one", "two"}));
}

TEST(TrainingList, RowsThatCannotBeAnsweredSayWhyAndTheRunGoesOn) {
  ScriptedUi ui;
  TempDir dir;
  ProgramDirWithConfig programDir(dir);
  MakeTraining(dir, "alpha", "Alpha", 1);
  MakeTraining(dir, "beta", "Beta", 5);
  dir.Write("l.trl", ListText({{"alpha", 1}, {"beta", 1}}));
  std::unique_ptr<TTrainingList> list;
  OpenTrainingListByPath(list, dir.File("l.trl"));
  ASSERT_TRUE(list);
  SpecFrame unknown(Spectrum(1, 3));
  auto runAlpha = [&](const std::string& wantInReason) {
    ASSERT_TRUE(list->Run(&unknown));
    const TrainingRow& alpha = list->Rows[0];
    EXPECT_EQ(alpha.State, TrainingRow::Status::NoAnswer);
    EXPECT_TRUE(alpha.Answer.empty());
    EXPECT_TRUE(alpha.Score.empty());
    EXPECT_NE(alpha.Reason.find(wantInReason), std::string::npos) << alpha.Reason;
    // The next training still answers.
    EXPECT_EQ(list->Rows[1].State, TrainingRow::Status::Classified);
    EXPECT_EQ(list->Rows[1].Answer, "No");
    EXPECT_EQ(list->CopyText(),
              "Alpha\n\t" + alpha.Reason + "\nBeta\n\tNo\t" + list->Rows[1].Score + "\n");
  };

  // The reference spectrum is gone.
  std::filesystem::remove(dir.File("alpha_0.txt"));
  runAlpha(dir.File("alpha_0.txt"));

  // A training whose RMSG is 0: an arithmetic fault, not an infinite score.
  dir.Write("alpha_0.txt", SpectrumText(Spectrum(1, 0)));
  TTraining t(dir.File("alpha.trn"));
  t.Open();
  t.RMSG = 0;
  t.Save(true);
  runAlpha("Division by zero");

  // A training whose mass window differs from its loadings' length.
  t.RMSG = 1;
  t.HighBound = 80;
  t.Save(true);
  runAlpha("same mass boundaries");

  // A run that answers again clears the reasons.
  t.HighBound = 70;
  t.Save(true);
  ASSERT_TRUE(list->Run(&unknown));
  EXPECT_EQ(list->Rows[0].State, TrainingRow::Status::Classified);
  EXPECT_TRUE(list->Rows[0].Reason.empty());
}

TEST(TrainingList, SpectraWithoutIntensityInTheWindowAreNotJudged) {
  // The training's window is m/z 50 to 70. Each unknown has no positive
  // intensity there: it gets no answer, whatever its score would be (a
  // spectrum of zeros sits at the centre of the scores).
  ScriptedUi ui;
  TempDir dir;
  ProgramDirWithConfig programDir(dir);
  MakeTraining(dir, "alpha", "Alpha", 1);
  TTraining t(dir.File("alpha.trn"));
  t.Open();
  SpecFrame reference(Spectrum(1, 0));
  tXYarray zeros = Spectrum(1, 4), above, negative = Spectrum(1, 4);
  for (dPoint& p : zeros)
    p[1] = 0.0f;
  for (int m = 80; m <= 120; ++m)
    above.push_back({static_cast<float>(m), 50.0f});
  for (dPoint& p : negative)
    p[1] = -p[1];
  for (bool normalize : {true, false}) {
    t.Normalize = normalize;
    for (const tXYarray& s : {zeros, above, negative}) {
      SpecFrame unknown(s);
      const Classification c = Classify(t, reference, unknown);
      EXPECT_TRUE(c.Calculated);
      EXPECT_TRUE(c.Answer.empty());
      EXPECT_EQ(c.Reason, "no intensity between m/z 50 and 70");
    }
  }
  // One point inside the window is enough to be judged (by the standard
  // model a faint one is close to the centre of the scores: "Yes").
  above.insert(above.begin(), {70.0f, 1.0f});
  SpecFrame unknown(above);
  const Classification c = Classify(t, reference, unknown);
  EXPECT_EQ(c.Answer, "Yes");
  EXPECT_TRUE(c.Reason.empty());
}

TEST(TrainingList, RunUsesEachTrainingsOwnTemplate) {
  // Oracle: a baseline of 20 worked by hand (an intensity of at least 20
  // less 20, a lower one 1, in 32-bit floats). "base" is made from the
  // spectra processed that way and names a template that removes the same
  // baseline; its spectrum files are the raw ones. Classified by Run, a raw
  // unknown must score exactly as the unknown processed by hand scores
  // against frames processed by hand.
  ScriptedUi ui;
  TempDir dir;
  ProgramDirWithConfig programDir(dir);
  auto byHand = [](tXYarray s) {
    for (dPoint& p : s)
      p[1] = p[1] >= 20.0f ? static_cast<float>(static_cast<double>(p[1]) - 20.0) : 1.0f;
    return s;
  };
  dir.Write("Config/bl20.tml", "[M_BLine]\r\nThreshold=20\r\nAutoTS=0\r\nEnabled=1\r\n");
  MakeTraining(dir, "base", "Base", 1, "bl20", byHand);  // a bare name: Config/bl20.tml
  MakeTraining(dir, "plain", "Plain", 1);
  dir.Write("l.trl", ListText({{"base", 1}, {"plain", 1}}));
  std::unique_ptr<TTrainingList> list;
  OpenTrainingListByPath(list, dir.File("l.trl"));
  ASSERT_TRUE(list);

  SpecFrame unknown(Spectrum(1, 20), "unknown.txt");
  ASSERT_TRUE(list->Run(&unknown));
  SpecFrame handReference(byHand(Spectrum(1, 0))), handUnknown(byHand(Spectrum(1, 20)));
  TTraining stored(dir.File("base.trn"));  // rows as the file rounds them
  stored.Open();
  const Classification want = Classify(stored, handReference, handUnknown);
  EXPECT_EQ(list->Rows[0].ScoreValue, want.Score);
  EXPECT_EQ(list->Rows[0].Answer, want.Answer);
  // The training without template classifies the spectrum as it is.
  SpecFrame rawReference(Spectrum(1, 0)), rawUnknown(Spectrum(1, 20));
  TTraining plain(dir.File("plain.trn"));
  plain.Open();
  EXPECT_EQ(list->Rows[1].ScoreValue, Classify(plain, rawReference, rawUnknown).Score);
  EXPECT_TRUE(ui.questions.empty());

  // A template that is gone gives no answer, naming the template, rather
  // than an answer for spectra processed otherwise.
  std::filesystem::remove(dir.File("Config/bl20.tml"));
  ASSERT_TRUE(list->Run(&unknown));
  EXPECT_EQ(list->Rows[0].State, TrainingRow::Status::NoAnswer);
  EXPECT_EQ(list->Rows[0].Reason,
            "its template " + dir.File("Config/bl20.tml") + " does not exist");
  EXPECT_EQ(list->Rows[1].State, TrainingRow::Status::Classified);
}
