// The main window's logic without a screen: the start from startup.ini
// (first start, a moved training with its spectra), ShowTraining,
// UnifyBounds, the enabling rules, closing the active frame, and what
// shutdown writes.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "WindowFixture.h"
#include "core/common/IniFile.h"
#include "core/common/Paths.h"

using namespace sorrel;
using sorrel::test::ReadAll;
using sorrel::test::WindowTest;

namespace {

// A training file of three spectra (a calculated one when `calculated`).
std::string TrainingText(bool calculated) {
  std::string t = "[General]\r\nDefaultTml=\r\nCompound=Acid\r\nNLoadings=1\r\nCalculated=" +
                  std::string(calculated ? "1" : "0") +
                  "\r\nPositID=1\r\nPossibID=3\r\nPrecPower=4\r\n\r\n"
                  "[Preprocess]\r\nLowBound=42\r\nHighBound=0\r\nNormalize=1\r\nIncSens=0.5\r\n\r\n"
                  "[LoadedSpec]\r\n1=a.txt\r\n2=b.txt\r\n3=c.txt\r\n\r\n";
  if (calculated)
    t += "[PCA]\r\nNPoints=3\r\nRMSG=1\r\nRcM=0\r\nXvals=42\t43\t44\r\n"
         "Loading[1]=0.6\t0\t0.8\r\nMahalMat=2\t0.5\t0.5\t3\r\n\r\n";
  return t;
}

}  // namespace

TEST_F(WindowTest, FirstStartWithoutStartupIni) {
  std::vector<unsigned> changes;
  window.OnChanged = [&](unsigned c) { changes.push_back(c); };
  window.Start();
  EXPECT_EQ(window.Caption(), "Sorrel v2.1 - " + dir.Data());
  EXPECT_EQ(plots.Count(), 0);
  EXPECT_TRUE(window.Enabling().OpenSpec);
  EXPECT_FALSE(window.Enabling().CloseSpectrum);
  EXPECT_FALSE(window.Enabling().PcaMenu);
  EXPECT_FALSE(window.Enabling().SaveTraining);
  // The empty training's settings: no precision in it, so the panel's
  // default; one loading at least.
  EXPECT_EQ(window.Settings().PrecPower.Value(), 3);
  EXPECT_EQ(window.Settings().NLoadings.Value(), 1);
  EXPECT_EQ(window.Settings().LowBound.Value(), 0);
  unsigned all = 0;
  for (unsigned c : changes)
    all |= c;
  EXPECT_EQ(
      all & (MainWindowLogic::kCaption | MainWindowLogic::kEnabling | MainWindowLogic::kSettings),
      MainWindowLogic::kCaption | MainWindowLogic::kEnabling | MainWindowLogic::kSettings);
  EXPECT_TRUE(ui.messages.empty());
  EXPECT_TRUE(ui.questions.empty());
}

TEST_F(WindowTest, AMovedTrainingOpensFromTheDataDirectoryWithItsSpectra) {
  for (const char* name : {"a.txt", "b.txt", "c.txt"})
    Spectrum(name, 40, 60, "Data/");
  dir.Write("Data/acid.trn", TrainingText(true));
  dir.Write("startup.ini", "[Target]\r\nTraining=/no/such/folder/acid.trn\r\n");
  window.Start();
  EXPECT_EQ(window.Training().FileName(), dir.Data("acid.trn"));
  EXPECT_EQ(window.Caption(), "Sorrel v2.1 - " + dir.Data("acid.trn"));
  EXPECT_EQ(Files(),
            (std::vector<std::string>{dir.Data("a.txt"), dir.Data("b.txt"), dir.Data("c.txt")}));
  for (int i = 0; i < plots.Count(); ++i) {
    EXPECT_TRUE(plots.Items(i)->MassOnly());
    EXPECT_EQ(plots.Items(i)->Name, std::string("Sp") + char('1' + i));
  }
  EXPECT_TRUE(window.Enabling().PcaMenu);
  EXPECT_TRUE(window.Enabling().CloseSpectrum);
  // The settings from the training; HighBound 0 is taken from the spectra.
  const SettingsPanel& s = window.Settings();
  EXPECT_TRUE(s.Normalize);
  EXPECT_EQ(s.IncSens, 0.5);
  EXPECT_EQ(s.PrecPower.Value(), 4);
  EXPECT_EQ(s.LowBound.Value(), 42);
  EXPECT_EQ(s.HighBound.Value(), 60);
  // NLoadings 1 (< 2): the number of frames less 3, kept at least 1; at
  // most the number of frames.
  EXPECT_EQ(s.NLoadings.Value(), 1);
  EXPECT_EQ(s.NLoadings.Max(), 3);
  EXPECT_FALSE(window.Training().Locked);

  // Shutdown: startup.ini remembers where the training was found and holds
  // its settings without "PCA"; the calculated training is written again.
  window.Training().Compound = "Acetic acid";
  window.ShutDown();
  TMemIniFile ini(dir.File("startup.ini"));
  EXPECT_EQ(ini.ReadString("Target", "Training", ""), dir.Data("acid.trn"));
  EXPECT_EQ(ini.ReadSections(),
            (std::vector<std::string>{"General", "Preprocess", "LoadedSpec", "Target"}));
  EXPECT_EQ(ini.ReadString("LoadedSpec", "3", ""), "c.txt");
  std::string written = TrainingText(true);
  written.replace(written.find("Acid"), 4, "Acetic acid");
  EXPECT_EQ(ReadAll(dir.Data("acid.trn")), written);
}

TEST_F(WindowTest, SpectraThatCannotBeOpenedAreReportedTogether) {
  Spectrum("b.txt");
  dir.Write("sets/acid.trn", TrainingText(false));
  UseTraining("acid.trn");
  window.ShowTraining(true);
  EXPECT_EQ(Files(), std::vector<std::string>{dir.File("sets/b.txt")});
  ASSERT_EQ(ui.messages.size(), 1u);
  const std::string& m = ui.messages[0];
  EXPECT_NE(
      m.find("Marjoram Error Message: Some spectra of the training " + dir.File("sets/acid.trn")),
      std::string::npos)
      << m;
  for (const char* missing : {"a.txt", "c.txt"})
    EXPECT_NE(m.find("\nFile <" + dir.File("sets/") + missing + "> does not exist."),
              std::string::npos)
        << m;
  EXPECT_TRUE(window.Enabling().CloseSpectrum);
  EXPECT_FALSE(window.Enabling().PcaMenu);
  EXPECT_FALSE(window.Training().Locked);

  // Without reopening, the frames stay as they are.
  window.Training().LoadedSpec.clear();
  window.ShowTraining(false);
  EXPECT_EQ(plots.Count(), 1);
}

TEST_F(WindowTest, UnifyBounds) {
  // Two spectra spanning 35.7 to 300.2 and 41.2 to 290.0: the lower
  // boundary is the larger first mass truncated (41), the higher the
  // smaller last mass rounded up (290); a training's own non-zero value
  // is kept unless recomputing.
  UseTraining();
  ASSERT_GE(window.OpenSpectrumFrame(Spectrum("a.txt", 35.7, 300.2)), 0);
  ASSERT_GE(window.OpenSpectrumFrame(Spectrum("b.txt", 41.2, 290)), 0);
  struct Case {
    int low, high;
    bool recompute;
    int wantLow, wantHigh;
  } cases[] = {
      {40, 0, false, 40, 290},  {0, 0, false, 41, 290},   {40, 200, false, 40, 200},
      {40, 200, true, 41, 290}, {0, 310, false, 41, 310},
  };
  for (const Case& c : cases) {
    window.Training().LowBound = c.low;
    window.Training().HighBound = c.high;
    window.UnifyBounds(c.recompute);
    EXPECT_EQ(window.Settings().LowBound.Value(), c.wantLow) << c.low << " " << c.high;
    EXPECT_EQ(window.Settings().HighBound.Value(), c.wantHigh) << c.low << " " << c.high;
  }
}

TEST_F(WindowTest, UnifyBoundsSetsTheNumberOfLoadings) {
  UseTraining();
  for (int i = 0; i < 6; ++i)
    ASSERT_GE(window.OpenSpectrumFrame(Spectrum("s" + std::to_string(i) + ".txt")), 0);
  struct Case {
    int trainingLoadings, panel, want;
  } cases[] = {
      {0, 5, 3},  // fewer than 2 in the training: frames less 3
      {1, 5, 3},
      {2, 5, 5},  // otherwise the panel keeps its value
      {2, 9, 6},  // within the number of frames
  };
  for (const Case& c : cases) {
    window.Training().NLoadings = c.trainingLoadings;
    window.Settings().NLoadings.SetMax(100);
    window.Settings().NLoadings.SetValue(c.panel);
    window.UnifyBounds(false);
    EXPECT_EQ(window.Settings().NLoadings.Max(), 6);
    EXPECT_EQ(window.Settings().NLoadings.Value(), c.want) << c.trainingLoadings << " " << c.panel;
  }
  // With no frame open nothing changes.
  plots.Clear();
  window.Settings().LowBound.SetValue(7);
  window.UnifyBounds(true);
  EXPECT_EQ(window.Settings().LowBound.Value(), 7);
}

TEST_F(WindowTest, ClosingTheActiveFrameResetsTheResultsAndTheMenus) {
  UseTraining();
  for (const char* name : {"a.txt", "b.txt", "c.txt"})
    ASSERT_GE(window.OpenSpectrumFrame(Spectrum(name)), 0);
  window.ApplyEnabling();
  EXPECT_TRUE(window.Enabling().PcaMenu);
  unsigned seen = 0;
  window.OnChanged = [&](unsigned c) { seen |= c; };
  plots.SetActive(0);
  window.CloseActive();
  EXPECT_EQ(Files(), (std::vector<std::string>{dir.File("sets/b.txt"), dir.File("sets/c.txt")}));
  EXPECT_EQ(plots.Active(), 0);
  EXPECT_FALSE(window.Enabling().PcaMenu);  // two frames: no PCA menu
  EXPECT_TRUE(window.Enabling().CloseSpectrum);
  EXPECT_FALSE(window.ResultsVisible());
  EXPECT_TRUE(seen & MainWindowLogic::kResults);
  EXPECT_TRUE(window.Log().empty());  // nothing logged
  window.CloseActive();
  window.CloseActive();
  window.CloseActive();  // none left: nothing happens
  EXPECT_EQ(plots.Count(), 0);
  EXPECT_FALSE(window.Enabling().CloseSpectrum);
}

TEST_F(WindowTest, FilesFromTheCommandLineOpenInFramesOfTheirKind) {
  const std::string spectrum = Spectrum("a.txt");
  const std::string run = test::TestData("netcdf/HP_CENTSIDH.CDF");
  window.OpenFiles({spectrum, run, dir.File("missing.txt")});
  EXPECT_EQ(Files(), (std::vector<std::string>{spectrum, run}));
  EXPECT_TRUE(plots.Items(0)->MassOnly());
  EXPECT_FALSE(plots.Items(1)->MassOnly());
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_NE(ui.messages[0].find("missing.txt> does not exist."), std::string::npos);
  EXPECT_TRUE(window.Enabling().CloseSpectrum);
}

TEST(StatusBarTextTest, ABlankAndTheLongPartOfTheHint) {
  struct Case {
    std::string hint, want;
  } cases[] = {
      {"Short|Long part", " Long part"},
      {"Only one", " Only one"},
      {"", " "},
      {"a|b|c", " b|c"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(StatusBarText(c.hint), c.want) << c.hint;
}

TEST(IntSpinValueTest, KeepsItsValueWithinItsLimits) {
  IntSpinValue v(1, 100, 5);
  v.SetValue(0);
  EXPECT_EQ(v.Value(), 1);
  v.SetValue(250);
  EXPECT_EQ(v.Value(), 100);
  v.SetMax(3);
  EXPECT_EQ(v.Value(), 3);
  v.SetMax(-2);  // below the minimum
  EXPECT_EQ(v.Max(), 1);
  EXPECT_EQ(v.Value(), 1);
}
