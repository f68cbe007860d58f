// The batch classification frame's logic: Run on the active plot frame
// against every checked training of a list, each through a hidden
// reference frame on the training's own template, rows that cannot be
// scored, and the list commands with no list open.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "ScriptedUi.h"
#include "TempDir.h"
#include "core/common/IniFile.h"
#include "core/mainwindow/PCAprocLogic.h"
#include "core/plots/PlotCollection.h"
#include "core/plots/PlotFrame.h"
#include "core/plots/PreprocFrame.h"
#include "core/training/TrainingList.h"

using namespace sorrel;
namespace fs = std::filesystem;

namespace {

const std::string kExamples = std::string(SORREL_TEST_DATA_DIR) + "/../../examples/trainings/";

class PCAprocTest : public ::testing::Test {
 protected:
  void TearDown() override { EXPECT_TRUE(ui.AllAnswersUsed()); }

  // The example trainings and their spectra copied into the scratch
  // directory; the list's path there.
  std::string CopyExamples() {
    for (const auto& e : fs::directory_iterator(kExamples))
      fs::copy_file(e.path(), dir.File(e.path().filename().string()));
    return dir.File("agilent-gcms.trl");
  }

  // A frame of the collection with `path` opened in it, made active.
  PlotFrame& OpenFrame(const std::string& path) {
    const int index = plots.Add("");
    EXPECT_GE(index, 0);
    PlotFrame& frame = *plots.Items(index);
    frame.OpenData(path);
    EXPECT_FALSE(frame.IsEmpty());
    return frame;
  }

  // What the command line gives for `spectrum`: the list's Run on a frame
  // over the bare spectrum store, each reference a store frame processed
  // by its training's template (sorrel classify's path).
  std::vector<TrainingRow> CommandLineRows(const std::string& list, const std::string& spectrum) {
    std::unique_ptr<TTrainingList> l;
    OpenTrainingListByPath(l, list);
    EXPECT_TRUE(l);
    if (!l) return {};
    SpecFrame unknown;
    EXPECT_TRUE(unknown.Open(spectrum));
    l->Run(&unknown);
    return l->Rows;
  }

  test::ScratchProgramDir dir;
  test::ScriptedUi ui;
  PlotCollection plots;
  PCAprocLogic logic{plots};
};

TEST_F(PCAprocTest, RunOnTheActiveFrameAnswersAsTheCommandLine) {
  const std::string list = CopyExamples();
  for (const char* unknown : {"rt399-2.txt", "naphthalene-4.txt", "rt626-1.txt"}) {
    SCOPED_TRACE(unknown);
    OpenFrame(dir.File(unknown));
    logic.OpenListByPath(list);
    ASSERT_TRUE(logic.TrainingList);
    ASSERT_TRUE(logic.Run());
    const auto expected = CommandLineRows(list, dir.File(unknown));
    const auto& rows = logic.TrainingList->Rows;
    ASSERT_EQ(rows.size(), 4u);
    ASSERT_EQ(expected.size(), rows.size());
    int yes = 0;
    for (size_t i = 0; i < rows.size(); ++i) {
      EXPECT_EQ(rows[i].State, TrainingRow::Status::Classified);
      EXPECT_EQ(rows[i].Answer, expected[i].Answer) << rows[i].Caption;
      EXPECT_EQ(rows[i].Score, expected[i].Score) << rows[i].Caption;
      yes += rows[i].Answer == "Yes";
    }
    // A replicate of one trained peak is that compound and no other.
    EXPECT_EQ(yes, 1);
  }
}

TEST_F(PCAprocTest, EachTrainingClassifiesWithItsOwnTemplate) {
  const std::string list = CopyExamples();
  // The naphthalene training names a template that smooths the mass
  // spectrum; the other trainings name none.
  const std::string tml = dir.Config("smooth.tml");
  {
    TMemIniFile t(tml);
    t.WriteBool("M_Smooth", "Enabled", true);
    t.WriteInteger("M_Smooth", "SGDegree", 2);
    t.UpdateFile();
    TMemIniFile trn(dir.File("naphthalene.trn"));
    trn.WriteString("General", "DefaultTml", tml);
    trn.UpdateFile();
  }
  PlotFrame& active = OpenFrame(dir.File("naphthalene-2.txt"));
  logic.OpenListByPath(list);
  ASSERT_TRUE(logic.TrainingList);
  // Only the naphthalene training: the active frame shows the spectrum as
  // the last training classified it.
  for (size_t i = 1; i < logic.TrainingList->Rows.size(); ++i)
    logic.TrainingList->Rows[i].Checked = false;
  ASSERT_TRUE(logic.Run());
  const auto expected = CommandLineRows(list, dir.File("naphthalene-2.txt"));
  const std::string smoothed = logic.TrainingList->Rows[0].Score;
  EXPECT_EQ(smoothed, expected[0].Score);
  EXPECT_EQ(logic.TrainingList->Rows[0].Answer, expected[0].Answer);
  EXPECT_TRUE(active.SpOpt().oMass.Smooth.Enabled);

  // Without the template the same spectrum scores otherwise, again as the
  // command line scores it.
  TMemIniFile trn(dir.File("naphthalene.trn"));
  trn.WriteString("General", "DefaultTml", "");
  trn.UpdateFile();
  ASSERT_TRUE(logic.Run());
  EXPECT_NE(logic.TrainingList->Rows[0].Score, smoothed);
  EXPECT_EQ(logic.TrainingList->Rows[0].Score,
            CommandLineRows(list, dir.File("naphthalene-2.txt"))[0].Score);
  EXPECT_FALSE(active.SpOpt().oMass.Smooth.Enabled);

  // A template that has gone: the row says so, nothing is answered for it.
  trn.WriteString("General", "DefaultTml", dir.Config("gone.tml"));
  trn.UpdateFile();
  ASSERT_TRUE(logic.Run());
  EXPECT_EQ(logic.TrainingList->Rows[0].State, TrainingRow::Status::NoAnswer);
  EXPECT_NE(logic.Reason(0).find("gone.tml does not exist"), std::string::npos) << logic.Reason(0);
}

TEST_F(PCAprocTest, RowsThatCannotBeScoredSayWhyAndTheRunGoesOn) {
  const std::string list = CopyExamples();
  // rt250's reference spectrum has gone; rt399 is not calculated.
  fs::remove(dir.File("rt250-1.txt"));
  {
    TMemIniFile trn(dir.File("rt399.trn"));
    trn.EraseSection("PCA");
    trn.WriteBool("General", "Calculated", false);
    trn.UpdateFile();
  }
  OpenFrame(dir.File("rt626-3.txt"));
  logic.OpenListByPath(list);
  ASSERT_TRUE(logic.TrainingList);
  ASSERT_TRUE(logic.Run());
  const auto& rows = logic.TrainingList->Rows;
  ASSERT_EQ(rows.size(), 4u);
  EXPECT_EQ(rows[0].State, TrainingRow::Status::Classified);
  EXPECT_EQ(logic.Reason(0), "");
  EXPECT_EQ(rows[1].State, TrainingRow::Status::NoAnswer);
  const std::string why = logic.Reason(1);
  EXPECT_NE(why.find(dir.File("rt250-1.txt")), std::string::npos) << why;
  EXPECT_EQ(why.find(dir.File("rt250.trn")), std::string::npos) << why;
  EXPECT_EQ(rows[2].State, TrainingRow::Status::NotCalculated);
  EXPECT_EQ(rows[2].Answer + rows[2].Score, "");
  EXPECT_EQ(rows[3].State, TrainingRow::Status::Classified);
  EXPECT_EQ(rows[3].Answer, "Yes");
  // Every row checked as before the run.
  for (const TrainingRow& r : rows)
    EXPECT_TRUE(r.Checked);
  EXPECT_EQ(logic.CopyText(), rows[0].Caption + "\n\t" + rows[0].Answer + "\t" + rows[0].Score +
                                  "\n" + rows[1].Caption + "\n\t" + why + "\n" + rows[2].Caption +
                                  "\n\n" + rows[3].Caption + "\n\tYes\t" + rows[3].Score + "\n");
  logic.Copy();
  EXPECT_EQ(ui.clipboard, logic.CopyText());
}

TEST_F(PCAprocTest, NoFrameOpenClassifiesNothing) {
  logic.OpenListByPath(CopyExamples());
  ASSERT_TRUE(logic.TrainingList);
  EXPECT_FALSE(logic.Run());
  EXPECT_EQ(ui.messages,
            (std::vector<std::string>{"Marjoram Error Message: No spec to consider."}));
  for (const TrainingRow& r : logic.TrainingList->Rows)
    EXPECT_EQ(r.State, TrainingRow::Status::None);
}

// A GC/MS run classified against trainings of text spectra stays a run:
// the frame takes over the reference's processing, not its kind.
TEST_F(PCAprocTest, ARunFrameStaysARun) {
  const std::string run = test::SharedData("netcdf/cheminfo-netcdf-gcms/agilent-gcms.cdf");
  if (run.empty()) GTEST_SKIP() << "../shared/data is absent";
  const std::string list = CopyExamples();
  PlotFrame& active = OpenFrame(run);
  ASSERT_FALSE(active.MassOnly());
  const int scans = active.Spec.NSpec();
  const tXYarray before = active.CurrentMass();
  logic.OpenListByPath(list);
  ASSERT_TRUE(logic.Run());
  EXPECT_FALSE(active.MassOnly());
  EXPECT_EQ(active.Spec.NSpec(), scans);
  EXPECT_EQ(active.CurrentMass().size(), before.size());
  for (const TrainingRow& r : logic.TrainingList->Rows)
    EXPECT_EQ(r.State, TrainingRow::Status::Classified) << r.Caption << logic.Reason(0);
}

TEST_F(PCAprocTest, SaveAndAddWithNoListAskForAListFile) {
  CopyExamples();
  // Save List: the file asked for gets an empty list and is the open list.
  const std::string fresh = dir.File("fresh.trl");
  ui.QueueSaveFile(fresh);
  ASSERT_TRUE(logic.SaveList());
  ASSERT_TRUE(logic.TrainingList);
  EXPECT_EQ(logic.ListHint(), "The training list file is " + fresh);
  ASSERT_TRUE(fs::exists(fresh));
  EXPECT_TRUE(TMemIniFile(fresh).ReadSection("List").empty());

  // Add: a list is asked for first (a new name, created on request), then
  // the training.
  logic.TrainingList.reset();
  const std::string other = dir.File("other.trl");
  ui.QueueOpenFiles({other});
  ui.QueueConfirm(true);
  ui.QueueOpenFiles({dir.File("rt399.trn")});
  ASSERT_TRUE(logic.Add());
  ASSERT_EQ(ui.dialogs.size(), 3u);
  EXPECT_EQ(ui.dialogs[1].title, "Open Traning List (type a new name to create a new list)");
  EXPECT_TRUE(ui.dialogs[1].allowNewName);
  EXPECT_EQ(ui.dialogs[2].defaultExt, "trn");
  EXPECT_EQ(ui.questions, (std::vector<std::string>{"Training list file: \"" + other +
                                                    "\" does not exist.\nCreate a new one ?"}));
  ASSERT_EQ(logic.TrainingList->Rows.size(), 1u);
  EXPECT_EQ(logic.TrainingList->Rows[0].Caption, "Peak RT 399.2 s");
  EXPECT_FALSE(logic.TrainingList->Rows[0].Checked);

  // Add with the list dialog cancelled: nothing.
  logic.TrainingList.reset();
  ui.QueueOpenFiles({});
  EXPECT_FALSE(logic.Add());
  EXPECT_FALSE(logic.TrainingList);
}

}  // namespace
