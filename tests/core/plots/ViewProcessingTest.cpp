// A frame's view through its processing chain with the frame's options:
// the settings of the view chosen, and the automatic threshold kept in the
// options and so in the template.
#include <gtest/gtest.h>

#include "TempDir.h"
#include "core/plots/ViewProcessing.h"

using namespace sorrel;
using sorrel::test::ReadAll;
using sorrel::test::TempDir;

TEST(ViewChainSettings, TheViewsOwnSettings) {
  tSpOpt o("");
  o.oChrom.Smooth.SGDegree = 4;
  o.oChrom.XUnits = 1;  // seconds: no unit masses for a chromatogram
  o.oChrom.Peak.Method = 1;
  o.oMass.Smooth.SGDegree = 7;
  o.oMass.BLine.Threshold = 3;
  o.oMass.Peak.Sensiv = 9;
  const ChainSettings c = ViewChainSettings(o, true, true);
  EXPECT_TRUE(c.Chromatogram);
  EXPECT_EQ(c.Smooth, o.oChrom.Smooth);
  EXPECT_EQ(c.Peak, o.oChrom.Peak);
  EXPECT_FALSE(c.NominalMasses);
  EXPECT_TRUE(c.ShowDerivative);

  ChainSettings m = ViewChainSettings(o, false);
  EXPECT_FALSE(m.Chromatogram);
  EXPECT_EQ(m.Smooth, o.oMass.Smooth);
  EXPECT_TRUE(m.Smooth.FillNull) << "the mass spectrum fills its gaps";
  EXPECT_EQ(m.BLine, o.oMass.BLine);
  EXPECT_EQ(m.Peak, o.oMass.Peak);
  EXPECT_FALSE(m.NominalMasses);
  EXPECT_FALSE(m.ShowDerivative);
  o.oMass.XUnits = 1;
  EXPECT_TRUE(ViewChainSettings(o, false).NominalMasses);
}

TEST(ProcessView, KeepsTheAutomaticThresholdOfTheViewInTheTemplate) {
  TempDir dir;
  tSpOpt o(dir.File("frame.tml"));
  o.oChrom.BLine.Enabled = true;
  o.oChrom.BLine.AutoTS = true;
  o.oChrom.BLine.Threshold = 2;
  o.oMass.BLine.Enabled = true;
  o.oMass.BLine.Threshold = 50;
  const tXYarray in = {{0, 1}, {1, 1}, {2, 1}, {3, 1}, {4, 100}};

  // The chromatogram's level is found (1: only the four 1s lie below twice
  // the mean 20.8) and kept; the mass spectrum's stays.
  ChainResult r = ProcessView(in, o, true);
  EXPECT_EQ(r.Output, (tXYarray{{0, 0}, {1, 0}, {2, 0}, {3, 0}, {4, 99}}));
  EXPECT_EQ(o.oChrom.BLine.Threshold, 1.0);
  EXPECT_EQ(o.oMass.BLine.Threshold, 50.0);
  r = ProcessView(in, o, false);
  EXPECT_EQ(r.Output, (tXYarray{{0, 1}, {1, 1}, {2, 1}, {3, 1}, {4, 50}}));
  EXPECT_EQ(o.oMass.BLine.Threshold, 50.0) << "a given level is not rewritten";

  // The template saves the level the frame last used.
  ASSERT_TRUE(o.Save());
  EXPECT_NE(ReadAll(dir.File("frame.tml")).find("[C_BLine]\r\nThreshold=1\r\n"), std::string::npos);

  // An empty view finds no level and keeps the one before.
  r = ProcessView({}, o, true);
  EXPECT_FALSE(r.AutomaticThreshold);
  EXPECT_EQ(o.oChrom.BLine.Threshold, 1.0);
}
