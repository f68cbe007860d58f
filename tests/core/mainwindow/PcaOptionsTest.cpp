// The PCA options dialog's logic: the summary of a calculated training, the
// values taken on show (limits of 0 keep what was shown), the refusal of a
// training that is not calculated, and OK without a compound.
#include <gtest/gtest.h>

#include "ScriptedUi.h"
#include "core/mainwindow/PcaOptions.h"
#include "core/training/Training.h"

using namespace sorrel;

namespace {

TTraining Calculated() {
  TTraining t;
  t.Rename("/data/sets/Benzene 2.trn", false);
  t.Calculated = true;
  t.PrecPower = 3;
  t.LowBound = 45;
  t.HighBound = 300;
  t.NLoadings = 3;
  t.LoadedSpec = {"a.txt", "b.txt"};
  return t;
}

}  // namespace

TEST(PcaOptions, SummaryLines) {
  struct Case {
    bool normalize;
    double incSens;
    const char* first;
    const char* second;
  } cases[] = {
      {false, 0, "Normalized = NO", "Increased Sensitivity = NO"},
      {true, 0.5, "Normalized = YES", "Increased Sensitivity = 0.5"},
      {false, 2, "Normalized = NO", "Increased Sensitivity = 2"},
  };
  for (const Case& c : cases) {
    TTraining t = Calculated();
    t.Normalize = c.normalize;
    t.IncSens = c.incSens;
    EXPECT_EQ(OptionsSummary(t),
              (std::vector<std::string>{c.first, c.second, "Calculation Precision = 1E-3",
                                        "Low Mass Boundary = 45", "High Mass Boundary = 300", "",
                                        "Proceeded spectra:", "a.txt", "b.txt"}));
  }
}

TEST(PcaOptions, ShowTakesTheTrainingsValues) {
  test::ScriptedUi ui;
  PcaOptionsValues v;
  std::vector<std::string> summary;
  TTraining t = Calculated();
  ASSERT_TRUE(LoadOptions(t, v, summary));
  EXPECT_EQ(v.Compound, "Benzene 2");  // the file's name without its extension
  EXPECT_EQ(v.PPID, 2.0);              // limits of 0 keep the values shown
  EXPECT_EQ(v.PNID, 5.0);
  EXPECT_EQ(v.NLoadings, 3);
  EXPECT_EQ(summary.size(), 9u);

  t.Compound = "Benzene";
  t.PPID = 1.5;
  t.PNID = 4;
  ASSERT_TRUE(LoadOptions(t, v, summary));
  EXPECT_EQ(v.Compound, "Benzene");
  EXPECT_EQ(v.PPID, 1.5);
  EXPECT_EQ(v.PNID, 4.0);

  TTraining none;
  summary = {"kept"};
  const PcaOptionsValues before = v;
  EXPECT_FALSE(LoadOptions(none, v, summary));
  EXPECT_EQ(ui.messages.size(), 1u);
  EXPECT_NE(ui.messages[0].find("PC's are not calculated yet."), std::string::npos);
  EXPECT_EQ(summary, (std::vector<std::string>{"kept"}));
  EXPECT_EQ(v.Compound, before.Compound);
}

TEST(PcaOptions, OkWritesTheValuesAndRefusesAnEmptyCompound) {
  test::ScriptedUi ui;
  TTraining t = Calculated();
  PcaOptionsValues v;
  v.PPID = 1;
  v.PNID = 3;
  v.NLoadings = 2;
  v.Compound = "Toluene";
  EXPECT_TRUE(ApplyOptions(t, v));
  EXPECT_EQ(t.Compound, "Toluene");
  EXPECT_EQ(t.NLoadings, 2);
  EXPECT_TRUE(ui.messages.empty());

  v.Compound.clear();
  v.PPID = 7;
  EXPECT_FALSE(ApplyOptions(t, v));
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_NE(ui.messages[0].find("The field compound must be filled in."), std::string::npos);
  EXPECT_EQ(t.PPID, 7.0);  // what was written stays
}
