// The workbench's state: the precision its last calculation set, used by
// Save Training and the cross-validation whatever happened since, and a
// calculated training whose old results no longer fit it.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>

#include "ScriptedUi.h"
#include "TempDir.h"
#include "core/common/Directories.h"
#include "core/mainwindow/Startup.h"
#include "core/mainwindow/Workbench.h"
#include "core/pca/Mahalanobis.h"
#include "core/pca/Nipals.h"
#include "core/plots/PreprocFrame.h"
#include "core/training/Training.h"

using namespace sorrel;
using sorrel::test::ReadAll;
using sorrel::test::ScriptedUi;
using sorrel::test::TempDir;

namespace {

// Replicates of one compound's spectrum at the masses 50 to 70.
struct Frames {
  std::vector<std::unique_ptr<SpecFrame>> owned;
  FrameList list;
  explicit Frames(int count) {
    for (int v = 0; v < count; ++v) {
      tXYarray s;
      for (int m = 50; m <= 70; ++m) {
        const double base = 5 + 100 * std::fabs(std::sin(1.7 + m * 0.9));
        const double noise = 1 + 0.05 * std::sin(v * 2.3 + m * 1.3);
        s.push_back({static_cast<float>(m), static_cast<float>(base * noise)});
      }
      owned.push_back(std::make_unique<SpecFrame>(s));
      list.push_back(owned.back().get());
    }
  }
};

TTraining Settings(int32_t precPower) {
  TTraining t;
  t.LowBound = 50;
  t.HighBound = 70;
  t.Normalize = true;
  t.PrecPower = precPower;
  t.NLoadings = 3;
  return t;
}

struct Stats {
  aadouble M;
  adouble mean;
  double rcm = 0, rmsg = 0;
};

Stats TrainingStats(const aadouble& X, int a, double precision) {
  Stats s;
  CalcTrainingStats(X, a, precision, s.M, s.mean, s.rcm, s.rmsg);
  return s;
}

}  // namespace

TEST(Workbench, UsesThePrecisionItsLastCalculationSet) {
  ScriptedUi ui;
  Frames frames(8);
  Workbench bench;
  EXPECT_EQ(bench.Precision(), 0.0);
  TTraining t = Settings(6);
  ASSERT_TRUE(bench.Calculate(t, frames.list, 3));
  EXPECT_EQ(bench.Precision(), 1e-6);
  EXPECT_TRUE(t.Calculated);

  // Another calculation elsewhere, at another precision, and the training's
  // precision power changed after calculating: neither reaches this
  // workbench.
  Workbench other;
  TTraining coarse = Settings(1);
  ASSERT_TRUE(other.Calculate(coarse, frames.list, 3));
  EXPECT_EQ(other.Precision(), 0.1);
  t.PrecPower = 1;
  EXPECT_EQ(bench.Precision(), 1e-6);

  // The two precisions give different statistics, so the checks below
  // tell which one was used.
  const aadouble& X = bench.Results().Data;
  const Stats fine = TrainingStats(X, 3, 1e-6);
  ASSERT_NE(fine.M, TrainingStats(X, 3, 0.1).M);
  bench.StoreResults(t);
  EXPECT_EQ(t.MahalMat, fine.M);
  EXPECT_EQ(t.RMSG, fine.rmsg);
  EXPECT_EQ(t.Loadings, bench.Results().Loadings);

  const auto d = bench.CrossValidate(t, frames.list, 2, 2);
  ASSERT_TRUE(d.has_value());
  EXPECT_EQ(*d, *CrossValidateFrame(t, frames.list, 2, 2, 1e-6));
  EXPECT_NE(*d, *CrossValidateFrame(t, frames.list, 2, 2, 0.1));
}

TEST(Workbench, FailedBoundsCheckChangesNothing) {
  ScriptedUi ui;
  Frames frames(6);
  Workbench bench;
  TTraining t = Settings(3);
  ASSERT_TRUE(bench.Calculate(t, frames.list, 2));
  const PcaResults before = bench.Results();
  TTraining wide = Settings(6);
  wide.LowBound = 40;
  EXPECT_FALSE(bench.Calculate(wide, frames.list, 2));
  EXPECT_EQ(ui.messages.back(), "Problem with lower boundary of sp0");
  EXPECT_EQ(bench.Precision(), 1e-3);
  EXPECT_EQ(bench.Results().Loadings, before.Loadings);
  EXPECT_FALSE(wide.Calculated);
}

TEST(Workbench, RecalculatedTrainingIsWrittenAtExitOnlyOnceSaved) {
  // A saved training opened again, recalculated over a narrower window and
  // left without Save Training: its file keeps the loadings of its own
  // spectra and window instead of getting the old loadings under the new
  // window (rows of 21 values where 16 are stored).
  ScriptedUi ui;
  TempDir dir;
  struct ProgramDirOverride {
    explicit ProgramDirOverride(const std::string& d) { SetProgramDir(d); }
    ~ProgramDirOverride() { SetProgramDir(""); }
  } programDir(dir.Path());
  Frames frames(8);
  const std::string file = dir.File("acid.trn");
  {
    Workbench bench;
    TTraining t = Settings(3);
    t.Rename(file, false);
    ASSERT_TRUE(bench.Calculate(t, frames.list, 3));
    bench.StoreResults(t);
    t.Save(true);
  }
  const std::string saved = ReadAll(file);
  TMemIniFile ini = OpenStartupIni();
  TTraining t(file);
  t.Open();
  ASSERT_TRUE(t.HasResults());
  Workbench bench;
  t.LowBound = 55;
  ASSERT_TRUE(bench.Calculate(t, frames.list, 3));
  ShutDown(ini, t);
  EXPECT_EQ(ReadAll(file), saved);
  EXPECT_EQ(OpenStartupIni().ReadInteger("Preprocess", "LowBound", 0), 55);

  // Saved after the calculation, the training's file holds the new window
  // with loadings that fit it.
  bench.StoreResults(t);
  ShutDown(ini, t);
  TTraining back(file);
  back.Open();
  ASSERT_TRUE(back.HasResults());
  EXPECT_EQ(back.LowBound, 55);
  EXPECT_EQ(back.Xvals.size(), 16u);
  EXPECT_EQ(back.Loadings[0].size(), 16u);
}
