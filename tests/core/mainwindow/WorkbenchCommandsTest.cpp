// The workbench's commands of the main window: Calculate PC's over the open
// frames (1, 2 and more), the boundary messages, the settings stored into
// the training, the cross-validated pages (with Cancel), Save Training
// through the options dialog, New Traning and Open Training.
#include <cmath>
#include <filesystem>

#include "ScriptedProgress.h"
#include "WindowFixture.h"
#include "core/common/Errors.h"
#include "core/common/ProgressIndicator.h"
#include "core/pca/CrossValidation.h"

using namespace sorrel;
using sorrel::test::SpectrumText;

namespace {

using test::ScriptedProgress;

class WorkbenchWindow : public test::WindowTest {
 protected:
  // Spectrum v of one compound with its own small variation, m/z first to
  // last.
  std::string Varied(int v, double first = 40, double last = 60) {
    std::vector<std::pair<double, double>> points;
    for (double m = first; m <= last; m += 1)
      points.push_back(
          {m, 20 + 100 * std::fabs(std::sin(1.3 * m)) * (1 + 0.08 * std::sin(v * 2.1 + m * 0.7))});
    const std::string name = "s" + std::to_string(v) + ".txt";
    return dir.Write("sets/" + name, SpectrumText(points));
  }
  void Open(int count) {
    for (int v = 0; v < count; ++v)
      ASSERT_GE(window.OpenSpectrumFrame(Varied(v)), 0);
    window.UnifyBounds(true);
    window.ApplyEnabling();
  }
};

}  // namespace

TEST_F(WorkbenchWindow, CalculateNeedsTwoFramesAndStoresTheSettings) {
  UseTraining();
  Open(1);
  EXPECT_FALSE(window.CalculatePCs());
  EXPECT_FALSE(window.ResultsVisible());

  ASSERT_GE(window.OpenSpectrumFrame(Varied(1)), 0);
  window.ApplyEnabling();
  EXPECT_FALSE(window.Enabling().PcaMenu);  // two frames: no PCA menu, yet it calculates
  window.Settings().NLoadings.SetMax(2);
  window.Settings().NLoadings.SetValue(2);
  window.Settings().Normalize = true;
  window.Settings().IncSens = 0.5;
  window.Settings().PrecPower.SetValue(6);
  ASSERT_TRUE(window.CalculatePCs());
  EXPECT_TRUE(window.ResultsVisible());
  EXPECT_TRUE(window.Enabling().SaveTraining);
  const TTraining& t = window.Training();
  EXPECT_TRUE(t.Calculated);
  EXPECT_EQ(t.LoadedSpec, (std::vector<std::string>{"s0.txt", "s1.txt"}));
  EXPECT_EQ(t.LowBound, 40);
  EXPECT_EQ(t.HighBound, 60);
  EXPECT_TRUE(t.Normalize);
  EXPECT_EQ(t.IncSens, 0.5);
  EXPECT_EQ(t.NLoadings, 2);
  EXPECT_EQ(t.PrecPower, 6);
  EXPECT_EQ(t.DefaultTml, plots.Items(0)->TmplName());
  EXPECT_EQ(window.Bench().Precision(), 1e-6);
  EXPECT_EQ(window.Bench().Results().Eigenvalues.size(), 2u);
  EXPECT_EQ(window.Bench().Results().Data.size(), 2u);
  EXPECT_EQ(window.RowFrames(), (std::vector<int>{0, 1}));
}

TEST_F(WorkbenchWindow, ALoadingCountBelowTwoBecomesTheFramesLessThree) {
  UseTraining();
  Open(6);
  window.Settings().NLoadings.SetValue(1);
  ASSERT_TRUE(window.CalculatePCs());
  EXPECT_EQ(window.Settings().NLoadings.Value(), 3);
  EXPECT_EQ(window.Bench().Results().Loadings.size(), 3u);
}

TEST_F(WorkbenchWindow, AFrameOutsideTheBoundsStopsTheCalculation) {
  struct Case {
    int low, high;
    const char* message;
  } cases[] = {
      {39, 60, "Problem with lower boundary of sp0"},
      {45, 61, "Problem with higher boundary of sp0"},
  };
  UseTraining();
  Open(3);
  ASSERT_GE(window.OpenSpectrumFrame(Varied(3, 42, 58)), 0);  // frame 3 covers 42..58
  for (const Case& c : cases) {
    ui.messages.clear();
    window.Settings().LowBound.SetValue(c.low);
    window.Settings().HighBound.SetValue(c.high);
    EXPECT_FALSE(window.CalculatePCs());
    EXPECT_EQ(ui.messages, (std::vector<std::string>{c.message}));
    EXPECT_FALSE(window.ResultsVisible());
    EXPECT_FALSE(window.Enabling().SaveTraining);
  }
  ui.messages.clear();
  window.Settings().LowBound.SetValue(41);
  window.Settings().HighBound.SetValue(58);
  EXPECT_FALSE(window.CalculatePCs());
  EXPECT_EQ(ui.messages, (std::vector<std::string>{"Problem with lower boundary of sp3"}));
}

TEST_F(WorkbenchWindow, CrossValidatedPagesEqualTheDataMatrixsAndCancelDropsAll) {
  UseTraining();
  Open(7);
  window.Settings().NLoadings.SetValue(3);
  ASSERT_TRUE(window.CalculatePCs());
  const PcaResults& r = window.Bench().Results();
  ScriptedProgress progress;

  const std::optional<PageSeries> m = window.MDistSeries(2);
  ASSERT_TRUE(m);
  EXPECT_EQ(m->Y, MDistSeries(r.Data, 2, r.Precision));
  EXPECT_EQ(m->X, (adouble{0, 1, 2, 3, 4, 5, 6}));
  EXPECT_EQ(m->Labels, (std::vector<std::string>{"1", "2", "3", "4", "5", "6", "7"}));
  const std::optional<PageSeries> c = window.CompactSeries();
  ASSERT_TRUE(c);
  // Each average against the leave-one-out scores computed one by one.
  ASSERT_EQ(c->Size(), 3u);
  for (int nf = 1; nf <= 3; ++nf) {
    double sum = 0;
    for (size_t l = 0; l < r.Data.size(); ++l)
      sum += CrossValidate(r.Data, l, nf, r.Precision);
    EXPECT_NEAR(c->Y[static_cast<size_t>(nf - 1)], sum / 7, 1e-9 * std::fabs(sum)) << nf;
  }
  EXPECT_EQ(progress.captions.size(), 2u);
  EXPECT_EQ(progress.positions.back(), 7);

  progress.cancel = true;
  EXPECT_FALSE(window.MDistSeries(2));
  EXPECT_FALSE(window.CompactSeries());
  progress.cancel = false;
  EXPECT_EQ(window.MDistSeries(2)->Y, m->Y);
  EXPECT_EQ(window.CompactSeries()->Y, c->Y);

  // A frame that no longer covers the bounds: one message, no points.
  window.Training().LowBound = 30;
  EXPECT_FALSE(window.MDistSeries(2));
  EXPECT_EQ(ui.messages,
            (std::vector<std::string>{"Problem with lower boundary of sp0", "Wrong boundaries"}));
}

TEST_F(WorkbenchWindow, SaveTrainingWritesOnlyWhenTheDialogSaysOK) {
  UseTraining();
  Open(6);
  window.Settings().NLoadings.SetValue(3);
  ASSERT_TRUE(window.CalculatePCs());
  const std::string file = window.Training().FileName();

  // Cancel (or an empty compound): nothing written, the button stays.
  EXPECT_FALSE(window.SaveTraining([](TTraining&) { return false; }));
  EXPECT_FALSE(std::filesystem::exists(file));
  EXPECT_TRUE(window.Enabling().SaveTraining);
  EXPECT_TRUE(window.Training().HasResults());  // the statistics are computed first

  // OK with fewer loadings than calculated: the matrix follows them.
  ASSERT_TRUE(window.SaveTraining([](TTraining& t) {
    t.Compound = "Test";
    t.NLoadings = 2;
    return true;
  }));
  EXPECT_FALSE(window.Enabling().SaveTraining);
  TTraining back(file);
  back.Open();
  EXPECT_EQ(back.Compound, "Test");
  EXPECT_EQ(back.NLoadings, 2);
  EXPECT_TRUE(back.HasResults());
  EXPECT_EQ(back.LoadedSpec.size(), 6u);

  // More loadings than were calculated: refused, nothing written.
  ASSERT_TRUE(window.CalculatePCs());
  std::filesystem::remove(file);
  EXPECT_THROW(window.SaveTraining([](TTraining& t) {
    t.NLoadings = 4;
    return true;
  }),
               SorrelError);
  EXPECT_FALSE(std::filesystem::exists(file));
  EXPECT_EQ(window.Training().NLoadings, 3);
  EXPECT_TRUE(window.Training().HasResults());
}

TEST_F(WorkbenchWindow, NewTraningAsksForItsFileAndBeforeOverwriting) {
  UseTraining();
  Open(3);
  const std::string existing = dir.Write("sets/old.trn", "[General]\r\n");

  ui.QueueSaveFile("");  // cancelled: the spectra stay closed
  EXPECT_FALSE(window.NewTraining());
  EXPECT_EQ(plots.Count(), 0);
  ASSERT_EQ(ui.dialogs.size(), 1u);
  EXPECT_EQ(ui.dialogs[0].title,
            "Give a name for the new training file; all the spectra must be in the same dir");
  EXPECT_EQ(ui.dialogs[0].defaultExt, "trn");

  ui.QueueSaveFile(existing);
  ui.QueueConfirm(false);
  EXPECT_FALSE(window.NewTraining());
  EXPECT_EQ(ui.questions.back(), "File " + existing + " exists.\nOverwrite it ?");
  EXPECT_NE(window.Training().FileName(), existing);

  window.Settings().PrecPower.SetValue(7);
  ui.QueueSaveFile(existing);
  ui.QueueConfirm(true);
  EXPECT_TRUE(window.NewTraining());
  EXPECT_EQ(window.Training().FileName(), existing);
  EXPECT_EQ(window.Training().PrecPower, 7);
  EXPECT_TRUE(window.Training().LoadedSpec.empty());
  EXPECT_EQ(window.Caption(), "Sorrel v2.1 - " + existing);
  EXPECT_FALSE(window.Enabling().PcaMenu);
  EXPECT_FALSE(window.Enabling().CloseSpectrum);
  EXPECT_FALSE(window.Enabling().SaveTraining);
  EXPECT_EQ(test::ReadAll(existing), "[General]\r\n");  // not written until saved
}

TEST_F(WorkbenchWindow, OpenTrainingShowsItWithItsSpectra) {
  UseTraining("a.trn");
  Open(4);
  window.Settings().NLoadings.SetValue(2);
  ASSERT_TRUE(window.CalculatePCs());
  ASSERT_TRUE(window.SaveTraining([](TTraining& t) {
    t.Compound = "A";
    return true;
  }));
  const std::string saved = window.Training().FileName();
  UseTraining("b.trn");
  plots.Clear();

  ui.QueueOpenFiles({});
  EXPECT_FALSE(window.OpenTraining());
  ui.QueueOpenFiles({saved});
  ASSERT_TRUE(window.OpenTraining());
  EXPECT_EQ(ui.dialogs.back().title, "Open PCA training file");
  EXPECT_EQ(window.Training().FileName(), saved);
  EXPECT_EQ(window.Training().Compound, "A");
  EXPECT_EQ(plots.Count(), 4);
  EXPECT_EQ(window.Settings().NLoadings.Value(), 2);
  EXPECT_TRUE(window.Enabling().PcaMenu);
  EXPECT_FALSE(window.ResultsVisible());

  // Retrieve: the training's settings back into the panel; the frames stay
  // unless asked for.
  window.Settings().NLoadings.SetValue(4);
  plots.Delete(3);
  window.Retrieve(false);
  EXPECT_EQ(window.Settings().NLoadings.Value(), 2);
  EXPECT_EQ(plots.Count(), 3);
  window.Retrieve(true);
  EXPECT_EQ(plots.Count(), 4);
}
