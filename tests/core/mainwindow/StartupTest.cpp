// Start-up and shutdown of the main window over startup.ini, without a
// screen: the remembered training, the Data-directory fallback, a new
// training made from the settings last used, and the files shutdown
// writes.
#include <gtest/gtest.h>

#include <filesystem>

#include "ScriptedUi.h"
#include "TempDir.h"
#include "core/common/Directories.h"
#include "core/common/Errors.h"
#include "core/common/Paths.h"
#include "core/mainwindow/Startup.h"
#include "core/training/Training.h"

using namespace sorrel;
using sorrel::test::ReadAll;
using sorrel::test::ScriptedUi;
using sorrel::test::TempDir;

namespace {

// A program directory of its own, with its Data directory.
class ProgramDirTest : public ::testing::Test {
 protected:
  void SetUp() override {
    SetProgramDir(dir.Path());
    std::filesystem::create_directory(dir.File("Data"));
    std::filesystem::create_directory(dir.File("sets"));
  }
  void TearDown() override {
    SetProgramDir("");
    EXPECT_TRUE(ui.questions.empty());
  }
  TempDir dir;
  ScriptedUi ui;
};

std::string Lines(const std::vector<std::string>& lines) {
  std::string out;
  for (const std::string& l : lines)
    out += l + "\r\n";
  return out;
}

// A calculated training with 1 loading over the masses 50 to 52.
TTraining Calculated(const std::string& file) {
  TTraining t(file);
  t.DefaultTml = "/lab/Config/gc.tml";
  t.Compound = "Acid";
  t.NLoadings = 1;
  t.Calculated = true;
  t.PPID = 1.5;
  t.PNID = 4;
  t.PrecPower = 3;
  t.LowBound = 50;
  t.HighBound = 52;
  t.Normalize = true;
  t.IncSens = 0.5;
  t.LoadedSpec = {"a.txt", "b.txt"};
  t.Xvals = {50, 51, 52};
  t.Loadings = {{0.6, 0, 0.8}};
  t.MahalMat = {{2, 0.5}, {0.5, 3}};
  t.RcM = 0.25;
  t.RMSG = 1.75;
  return t;
}

}  // namespace

TEST_F(ProgramDirTest, FirstStartWithoutStartupIni) {
  const TMemIniFile ini = OpenStartupIni();
  EXPECT_EQ(ini.FileName(), dir.File("startup.ini"));
  EXPECT_TRUE(ini.ReadSections().empty());
  const TTraining t = StartUpTraining(ini);
  // The remembered path is empty: the Data directory itself, an empty
  // training.
  EXPECT_EQ(t.FileName(), dir.File("Data/"));
  EXPECT_FALSE(t.Calculated);
  EXPECT_TRUE(t.LoadedSpec.empty());
  EXPECT_TRUE(t.Compound.empty());
  EXPECT_TRUE(ui.messages.empty());
}

TEST_F(ProgramDirTest, RememberedPathAndTheDataFallback) {
  struct Case {
    std::string remembered, want;
  } cases[] = {
      {dir.File("sets/acid.trn"), dir.File("sets/acid.trn")},   // its folder is there
      {dir.File("sets/new.trn"), dir.File("sets/new.trn")},     // the file need not be
      {"/no/such/folder/acid.trn", dir.File("Data/acid.trn")},  // the folder moved
      {dir.File("gone/acid.trn"), dir.File("Data/acid.trn")},
      {"acid.trn", dir.File("Data/acid.trn")},  // no folder at all
      {"", dir.File("Data/")},
  };
  for (const Case& c : cases) {
    TMemIniFile ini;
    ini.WriteString("Target", "Training", c.remembered);
    EXPECT_EQ(RememberedTrainingPath(ini), c.want) << c.remembered;
  }
}

TEST_F(ProgramDirTest, MovedTrainingIsFoundInTheDataDirectory) {
  Calculated(dir.File("Data/acid.trn")).Save(true);
  dir.Write("startup.ini",
            "[General]\r\nCompound=Other\r\n\r\n[Target]\r\nTraining=/old/lab/sets/acid.trn\r\n");
  TMemIniFile ini = OpenStartupIni();
  TTraining t = StartUpTraining(ini);
  EXPECT_EQ(t.FileName(), dir.File("Data/acid.trn"));
  EXPECT_EQ(t.Compound, "Acid");  // the file's, not startup.ini's
  EXPECT_TRUE(t.HasResults());
  EXPECT_EQ(t.Loadings, aadouble({{0.6, 0, 0.8}}));

  // Shutdown remembers where it was found, and the next start opens it
  // from there.
  ShutDown(ini, t);
  const TMemIniFile again = OpenStartupIni();
  EXPECT_EQ(again.ReadString("Target", "Training", ""), dir.File("Data/acid.trn"));
  EXPECT_EQ(StartUpTraining(again).FileName(), dir.File("Data/acid.trn"));
}

TEST_F(ProgramDirTest, NewTrainingStartsWithTheSettingsLastUsed) {
  dir.Write("startup.ini", Lines({"[Target]",
                                  "Training=" + dir.File("sets/new.trn"),
                                  "",
                                  "[General]",
                                  "DefaultTml=/lab/Config/gc.tml",
                                  "Compound=Caffeine",
                                  "NLoadings=2",
                                  "Calculated=0",
                                  "PositID=1.5",
                                  "PossibID=4",
                                  "PrecPower=5",
                                  "",
                                  "[Preprocess]",
                                  "LowBound=85",
                                  "HighBound=196",
                                  "Normalize=1",
                                  "IncSens=0.5",
                                  "",
                                  "[LoadedSpec]",
                                  "1=a.txt",
                                  "2=b.txt",
                                  ""}));
  const TTraining t = StartUpTraining(OpenStartupIni());
  EXPECT_EQ(t.FileName(), dir.File("sets/new.trn"));
  EXPECT_FALSE(FileExists(dir.File("sets/new.trn")));  // it gets its file when saved
  EXPECT_EQ(t.DefaultTml, "/lab/Config/gc.tml");
  EXPECT_EQ(t.Compound, "Caffeine");
  EXPECT_EQ(t.NLoadings, 2);
  EXPECT_EQ(t.PPID, 1.5);
  EXPECT_EQ(t.PNID, 4);
  EXPECT_EQ(t.PrecPower, 5);
  EXPECT_EQ(t.LowBound, 85);
  EXPECT_EQ(t.HighBound, 196);
  EXPECT_TRUE(t.Normalize);
  EXPECT_EQ(t.IncSens, 0.5);
  EXPECT_EQ(t.LoadedSpec, std::vector<std::string>({"a.txt", "b.txt"}));
  EXPECT_FALSE(t.Calculated);
}

TEST_F(ProgramDirTest, ShutdownWritesTheSettingsWithoutPcaAndTheCalculatedTraining) {
  dir.Write("startup.ini", "[Old]\r\nkey=gone\r\n");
  TMemIniFile ini = OpenStartupIni();
  TTraining t = Calculated(dir.File("sets/acid.trn"));
  t.ClassModel = tClassModel::Calibrated;
  t.Calibration.Spectra = {{1, 2, 3}, {2, 2, 3}, {1, 3, 3}};
  t.Calibration.YesLimit = 0.1;
  t.Calibration.PossLimit = 0.2;
  ShutDown(ini, t);
  // Written by hand from the training's fields: its sections in the
  // training file's order, "PCA" and the class model left out, [Target]
  // last.
  EXPECT_EQ(ReadAll(dir.File("startup.ini")), Lines({"[General]",
                                                     "DefaultTml=/lab/Config/gc.tml",
                                                     "Compound=Acid",
                                                     "NLoadings=1",
                                                     "Calculated=1",
                                                     "PositID=1.5",
                                                     "PossibID=4",
                                                     "PrecPower=3",
                                                     "",
                                                     "[Preprocess]",
                                                     "LowBound=50",
                                                     "HighBound=52",
                                                     "Normalize=1",
                                                     "IncSens=0.5",
                                                     "",
                                                     "[LoadedSpec]",
                                                     "1=a.txt",
                                                     "2=b.txt",
                                                     "",
                                                     "[Target]",
                                                     "Training=" + dir.File("sets/acid.trn"),
                                                     ""}));
  TTraining back(dir.File("sets/acid.trn"));
  back.Open();
  EXPECT_TRUE(back.HasResults());
  EXPECT_EQ(back.MahalMat, t.MahalMat);
  EXPECT_EQ(back.RMSG, 1.75);
  EXPECT_EQ(back.ClassModel, tClassModel::Calibrated);
  EXPECT_EQ(back.Calibration.Spectra, t.Calibration.Spectra);
}

TEST_F(ProgramDirTest, ShutdownLeavesTheFileOfATrainingWithoutResults) {
  const std::string file = dir.File("sets/acid.trn");
  const std::string text = "[General]\r\nCompound=Acid\r\nCalculated=1\r\nNLoadings=2\r\n";
  dir.Write("sets/acid.trn", text);
  dir.Write("startup.ini", "[Target]\r\nTraining=" + file + "\r\n");
  TMemIniFile ini = OpenStartupIni();
  TTraining t = StartUpTraining(ini);
  t.Compound = "Renamed";
  ShutDown(ini, t);
  EXPECT_EQ(ReadAll(file), text);  // marked calculated, but no results to write
  EXPECT_EQ(OpenStartupIni().ReadString("General", "Compound", ""), "Renamed");
}

TEST_F(ProgramDirTest, UnwritableStartupIniStillSavesTheTraining) {
  // A directory where startup.ini should be: it cannot be replaced.
  std::filesystem::create_directory(dir.File("startup.ini"));
  TMemIniFile ini = OpenStartupIni();
  TTraining t = Calculated(dir.File("sets/acid.trn"));
  try {
    ShutDown(ini, t);
    ADD_FAILURE() << "no error";
  } catch (const SorrelError& e) {
    EXPECT_NE(std::string(e.what()).find(dir.File("startup.ini")), std::string::npos) << e.what();
  }
  TTraining back(dir.File("sets/acid.trn"));
  back.Open();
  EXPECT_TRUE(back.HasResults());
}
