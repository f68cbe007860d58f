// Screen Run on the Survey page over plain data: where the trainings come
// from, the hits of a synthetic run, their marks on the chromatogram, and
// a hit chosen: its ranges in the chromatogram's grid and the frame's sum
// of them, the spectrum that was classified.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

#include "ScriptedProgress.h"
#include "ScriptedUi.h"
#include "TempDir.h"
#include "core/common/Errors.h"
#include "core/common/NumberText.h"
#include "core/mainwindow/ScreenProcLogic.h"
#include "core/plots/PlotCollection.h"
#include "tests/core/training/CaffeineTraining.h"

using namespace sorrel;
using sorrel::test::CaffeineTraining;
using sorrel::test::ScratchProgramDir;
using sorrel::test::ScriptedProgress;
using sorrel::test::ScriptedUi;
using sorrel::test::TestData;

namespace {

class ScreenProcTest : public ::testing::Test {
 protected:
  ScreenProcTest() : caffeine(dir.File("caffeine.trn"), tClassModel::Calibrated) {
    dir.Write("raw.trn", "[General]\nCompound=Raw\nCalculated=0\n");
    dir.Write("list.trl", "[List]\ncaffeine=1\nraw=1\n");
    dir.Write("unchecked.trl", "[List]\ncaffeine=0\n");
  }
  void TearDown() override { EXPECT_TRUE(ui.AllAnswersUsed()); }

  // Caffeine (RIKEN's spectrum, not one of the training's) at 200 s and
  // phenanthrene at 320 s, written by tests/data/make-synthetic-run and
  // opened in a frame of its own.
  PlotFrame& SyntheticRunFrame(const std::string& more = "") {
    const std::string file = dir.File("run.cdf");
    const std::string command =
        "/usr/bin/python3 '" + TestData("make-synthetic-run") + "' '" + file + "' " + more +
        " --place '" + TestData("pca/caffeine_MSBNK-RIKEN-PR010011.txt") + "@200:60000' --place '" +
        TestData("pca/phenanthrene_MSBNK-Osaka_Univ-OUF00417.txt") + "@320'";
    EXPECT_EQ(std::system(command.c_str()), 0) << command;
    PlotFrame& f = *plots.Items(plots.Add(""));
    EXPECT_TRUE(f.OpenData(file));
    return f;
  }

  ScratchProgramDir dir;
  ScriptedUi ui;
  CaffeineTraining caffeine;
  PlotCollection plots;
  ScreenProcLogic logic{plots};
};

}  // namespace

TEST_F(ScreenProcTest, TrainingsFromTheBatchListOrAsked) {
  // Nothing open in the batch frame and nothing chosen: the first run
  // asks, later runs use the choice.
  EXPECT_EQ(logic.SourceText(), "a training list or a training, asked for at the first run");
  ui.QueueOpenFiles({dir.File("list.trl")});
  EXPECT_EQ(logic.TrainingPaths(),
            std::vector<std::string>({caffeine.t.FileName(), dir.File("raw.trn")}));
  ASSERT_EQ(ui.dialogs.size(), 1u);
  EXPECT_EQ(ui.dialogs[0].filters[0].pattern, "*.trl *.trn");
  EXPECT_EQ(logic.TrainingPaths().size(), 2u);
  EXPECT_EQ(logic.SourceText(), "the checked trainings of the list list.trl");
  // A single training; a cancelled dialog keeps the choice.
  logic.SetChosenFile(caffeine.t.FileName());
  EXPECT_EQ(logic.TrainingPaths(), std::vector<std::string>({caffeine.t.FileName()}));
  EXPECT_EQ(logic.SourceText(), "the training caffeine.trn");
  ui.QueueOpenFiles({});
  EXPECT_FALSE(logic.ChooseTrainings());
  EXPECT_EQ(logic.ChosenFile(), caffeine.t.FileName());
  // Files that cannot be a choice.
  EXPECT_THROW(logic.SetChosenFile(dir.File("gone.trl")), SorrelError);
  EXPECT_THROW(logic.SetChosenFile(dir.Write("notes.txt", "x")), SorrelError);
  logic.SetChosenFile(dir.File("unchecked.trl"));
  EXPECT_THROW(logic.TrainingPaths(), SorrelError);

  // A list open in the batch frame wins, with its check marks as they
  // are there.
  TTrainingList batch(dir.File("list.trl"));
  ASSERT_TRUE(batch.Open());
  batch.FillRows();
  batch.Rows[0].Checked = false;
  logic.BatchList = [&batch] { return &batch; };
  EXPECT_EQ(logic.TrainingPaths(), std::vector<std::string>({dir.File("raw.trn")}));
  EXPECT_EQ(logic.SourceText(),
            "the checked trainings of the list list.trl (batch classification)");
  batch.Rows[1].Checked = false;
  EXPECT_THROW(logic.TrainingPaths(), SorrelError);
}

TEST_F(ScreenProcTest, RunNeedsARunFrame) {
  logic.SetChosenFile(caffeine.t.FileName());
  EXPECT_THROW(logic.Run(), SorrelError);  // no frame
  PlotFrame& f = *plots.Items(plots.Add(""));
  EXPECT_THROW(logic.Run(), SorrelError);  // an empty frame
  ASSERT_TRUE(f.OpenData(TestData("pca/caffeine_MSBNK-RIKEN-PR010011.txt")));
  try {
    logic.Run();
    ADD_FAILURE() << "a single spectrum was screened";
  } catch (const SorrelError& e) {
    EXPECT_NE(std::string(e.what()).find("single spectrum"), std::string::npos) << e.what();
  }
  EXPECT_TRUE(logic.Hits().empty());
  EXPECT_EQ(logic.Summary(), "");
}

TEST_F(ScreenProcTest, HitsMarkedAndAHitChosen) {
  PlotFrame& f = SyntheticRunFrame();
  ui.QueueOpenFiles({dir.File("list.trl")});
  ASSERT_TRUE(logic.Run());
  // One hit: caffeine within a few seconds of where it was placed; the
  // training that is not calculated is named in the summary.
  ASSERT_EQ(logic.Hits().size(), 1u);
  const ScreenHit& h = logic.Hits()[0];
  EXPECT_NEAR(h.Rt, 200.0, 3.0);
  EXPECT_EQ(h.Compound, "Caffeine");
  EXPECT_EQ(h.Answer, "Yes");
  EXPECT_EQ(logic.CopyText(), h.RtText + "\tCaffeine\tYes\t" + h.ScoreText + "\n");
  EXPECT_EQ(std::stof(h.RtText), static_cast<float>(h.Rt));
  EXPECT_EQ(logic.Summary(), "2 peaks of run.cdf screened against 2 trainings: 1 hit.\n" +
                                 dir.File("raw.trn") + ": the training is not calculated");
  logic.Copy();
  EXPECT_EQ(ui.clipboard, logic.CopyText());

  // The hit is marked over its apex on the chromatogram.
  const ScreenPeak& peak = logic.Result().Peaks[h.Peak];
  EXPECT_EQ(f.chrChrom.Notes(), (std::vector<ChartViewLogic::PointNote>{{peak.Apex, "Caffeine"}}));

  // Chosen with the chromatogram in minutes: the grid holds the peak and
  // its background in minutes, the chromatogram is in range mode, and the
  // frame's sum of the grid's ranges is the spectrum classified.
  f.SetXUnits(true, 2);
  ASSERT_EQ(f.chrChrom.X()[10], f.Spec.Chrom[10][0] / 60.0);
  logic.ChooseHit(0);
  EXPECT_EQ(logic.ChosenHit(), 0);
  EXPECT_FALSE(f.chrChrom.ZoomMode());
  ASSERT_EQ(peak.Ranges.size(), 2u);
  const double* x = f.chrChrom.X().data();
  for (int row = 1; row <= 2; ++row) {
    const WeightedRange& r = peak.Ranges[static_cast<size_t>(row - 1)];
    EXPECT_EQ(f.sgRangesChrom.Cell(RangesGrid::kStart, row), FormatValue(r.start / 60.0));
    EXPECT_EQ(f.sgRangesChrom.Cell(RangesGrid::kEnd, row), FormatValue(r.end / 60.0));
    EXPECT_EQ(f.sgRangesChrom.Weight(row), r.weight);
  }
  EXPECT_EQ(f.sgRangesChrom.Cell(RangesGrid::kStart, 3), "");
  EXPECT_EQ(f.sgRangesChrom.IsInside(x[peak.First], true), 1);
  EXPECT_EQ(f.sgRangesChrom.IsInside(x[peak.Last], true), 1);
  EXPECT_EQ(f.sgRangesChrom.IsInside(x[peak.First - 1], true), -1);
  EXPECT_EQ(f.sgRangesChrom.IsInside(x[peak.Last + 1], true), -1);
  EXPECT_EQ(f.Spec.CMass, peak.Spectrum);

  // Another file opened in the frame: its marks go, and the hits are of
  // a run no longer there.
  ASSERT_TRUE(f.OpenData(TestData("pca/caffeine_MSBNK-RIKEN-PR010011.txt")));
  EXPECT_TRUE(f.chrChrom.Notes().empty());
  EXPECT_THROW(logic.ChooseHit(0), SorrelError);
  EXPECT_TRUE(logic.Hits().empty());
}

TEST_F(ScreenProcTest, ALongRunReadFromAFileShowsProgressAndCanBeCancelled) {
  // The synthetic run, 2400 scans, read through the disk cache.
  PlotFrame& f = SyntheticRunFrame("--scans 2400");
  f.Spec.SetCasheOn(true);
  ASSERT_NE(f.Spec.ScanPlace(), TSpec::tScanPlace::Memory);
  logic.SetChosenFile(caffeine.t.FileName());
  ScriptedProgress progress;
  // Cancel: nothing screened, nothing marked.
  progress.cancel = true;
  EXPECT_FALSE(logic.Run());
  EXPECT_EQ(progress.texts, std::vector<std::string>({"Screening run.cdf..."}));
  EXPECT_TRUE(logic.Hits().empty());
  EXPECT_EQ(logic.Summary(), "");
  EXPECT_TRUE(f.chrChrom.Notes().empty());
  // To the end: the bar rises to its end, the hit is found.
  progress.cancel = false;
  progress.positions.clear();
  ASSERT_TRUE(logic.Run());
  EXPECT_EQ(progress.texts.size(), 2u);
  ASSERT_FALSE(progress.positions.empty());
  EXPECT_TRUE(std::is_sorted(progress.positions.begin(), progress.positions.end()));
  EXPECT_EQ(progress.positions.back(), progress.maximum);
  EXPECT_GE(progress.maximum, 2 * static_cast<int>(logic.Result().Peaks.size()));
  ASSERT_EQ(logic.Hits().size(), 1u);
  EXPECT_NEAR(logic.Hits()[0].Rt, 200.0, 3.0);
}
