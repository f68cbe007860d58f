// Preprocessing of a frame's spectrum into a data-matrix row, and the
// workbench steps built on it (bounds, data matrix, training results).
#include <gtest/gtest.h>

#include "ScriptedUi.h"
#include "core/common/Errors.h"
#include "core/pca/CrossValidation.h"
#include "core/pca/Nipals.h"
#include "core/plots/PreprocFrame.h"
#include "core/training/Training.h"
#include "core/training/TrainingCalc.h"

using namespace sorrel;
using sorrel::test::ScriptedUi;

namespace {

TTraining Settings(int32_t low, int32_t high, bool normalize = false, double incSens = 0) {
  TTraining t;
  t.LowBound = low;
  t.HighBound = high;
  t.Normalize = normalize;
  t.IncSens = incSens;
  return t;
}

}  // namespace

TEST(Preproc, PlainRowIsTheCutNominalSpectrum) {
  // NomMassSplit of (40, 10), (41.25, 8), (43, 5): mass 41 gets 0.75 * 8 = 6,
  // mass 42 gets 0.25 * 8 = 2; the window 40..44 adds 44 with 0.
  SpecFrame f({{40.0f, 10.0f}, {41.25f, 8.0f}, {43.0f, 5.0f}});
  TTraining t = Settings(40, 44);
  EXPECT_EQ(t.Preproc(f, f), adouble({10, 6, 2, 5, 0}));
  EXPECT_EQ(t.Xvals, adouble({40, 41, 42, 43, 44}));
}

TEST(Preproc, IntensitiesStayExactAsDoubles) {
  // A float intensity such as 0.1f is carried as the same value in double.
  SpecFrame f({{10.0f, 0.1f}, {11.0f, 3.3f}, {12.0f, 1e-7f}});
  TTraining t = Settings(10, 12);
  EXPECT_EQ(t.Preproc(f, f), adouble({static_cast<double>(0.1f), static_cast<double>(3.3f),
                                      static_cast<double>(1e-7f)}));
}

TEST(Preproc, Normalisation) {
  SpecFrame ref({{50.0f, 30.0f}, {51.0f, 10.0f}, {52.0f, 60.0f}, {60.0f, 500.0f}});
  SpecFrame x({{50.0f, 1.0f}, {51.0f, 2.0f}, {52.0f, 2.0f}});
  TTraining t = Settings(50, 52, true);
  // The reference against itself: factor 1.
  EXPECT_EQ(t.Preproc(ref, ref), adouble({30, 10, 60}));
  // Sum of the reference in the window 100, of x 5: factor 20.
  EXPECT_EQ(t.Preproc(ref, x), adouble({20, 40, 40}));
}

TEST(Preproc, IncreasingSensitivity) {
  SpecFrame f({{99.0f, 1.0f}, {100.0f, 4.0f}});
  struct Case {
    double incSens, want;
  } cases[] = {{1.0, 400.0}, {0.5, 40.0}, {2.0, 40000.0}};
  for (const Case& c : cases) {
    TTraining t = Settings(99, 100, false, c.incSens);
    adouble row = t.Preproc(f, f);
    ASSERT_EQ(row.size(), 2u);
    EXPECT_DOUBLE_EQ(row[1], c.want) << c.incSens;
  }
}

TEST(Preproc, EmptyFramesChangeNothing) {
  SpecFrame empty, full({{10.0f, 1.0f}, {11.0f, 2.0f}});
  TTraining t = Settings(10, 11);
  t.Xvals = {7, 8};
  EXPECT_TRUE(t.Preproc(empty, full).empty());
  EXPECT_TRUE(t.Preproc(full, empty).empty());
  EXPECT_EQ(t.Xvals, adouble({7, 8}));
}

TEST(Preproc, BoundsNotInOrderGiveAnEmptyRow) {
  SpecFrame f({{10.0f, 1.0f}, {11.0f, 2.0f}});
  TTraining t = Settings(11, 11);
  t.Xvals = {7};
  EXPECT_TRUE(t.Preproc(f, f).empty());
  EXPECT_TRUE(t.Xvals.empty());
}

TEST(Preproc, SpectrumShorterThanTheWindowKeepsItsMasses) {
  // Ends below the higher bound: zeros at the end. Starts above the lower
  // bound: its intensities stay at their own masses.
  SpecFrame early({{40.0f, 1.0f}, {41.0f, 2.0f}});
  SpecFrame late({{42.0f, 3.0f}, {43.0f, 4.0f}});
  TTraining t = Settings(40, 44);
  EXPECT_EQ(t.Preproc(early, early), adouble({1, 2, 0, 0, 0}));
  EXPECT_EQ(t.Preproc(early, late), adouble({0, 0, 3, 4, 0}));
  EXPECT_EQ(t.Xvals, adouble({40, 41, 42, 43, 44}));
}

TEST(Preproc, NormalisingAZeroSumIsAnError) {
  SpecFrame ref({{10.0f, 1.0f}, {11.0f, 1.0f}});
  SpecFrame zero({{10.0f, 0.0f}, {11.0f, 0.0f}, {30.0f, 5.0f}}, "zero.txt");
  TTraining t = Settings(10, 11, true);
  t.Xvals = {1};
  try {
    t.Preproc(ref, zero);
    ADD_FAILURE() << "no error";
  } catch (const MathError& e) {
    EXPECT_NE(std::string(e.what()).find("zero.txt"), std::string::npos) << e.what();
  }
  EXPECT_EQ(t.Xvals, adouble({1}));
}

TEST(Preproc, TheFrameTakesTheReferenceOptions) {
  SpecFrame ref({{10.0f, 1.0f}, {11.0f, 1.0f}});
  ref.SetProcessing([](const tXYarray& s) {
    tXYarray out = s;
    for (dPoint& p : out)
      p[1] *= 2;
    return out;
  });
  SpecFrame x({{10.0f, 3.0f}, {11.0f, 4.0f}});
  TTraining t = Settings(10, 11);
  EXPECT_EQ(t.Preproc(ref, x), adouble({6, 8}));
  // The frame keeps the options it took over.
  EXPECT_EQ(x.CurrentMass(), tXYarray({{10.0f, 6.0f}, {11.0f, 8.0f}}));
  EXPECT_EQ(x.Selected(), tXYarray({{10.0f, 3.0f}, {11.0f, 4.0f}}));
}

TEST(Workbench, UnifiedAndCheckedBounds) {
  SpecFrame a({{35.7f, 1.0f}, {300.2f, 1.0f}}), b({{41.2f, 1.0f}, {290.0f, 1.0f}}), empty;
  FrameList frames = {&a, &empty, &b};
  int32_t low = 0, high = 0;
  ASSERT_TRUE(UnifiedBounds(frames, low, high));
  EXPECT_EQ(low, 41);
  EXPECT_EQ(high, 290);
  FrameList none = {&empty};
  EXPECT_FALSE(UnifiedBounds(none, low, high));

  ScriptedUi ui;
  TTraining t = Settings(41, 290);
  EXPECT_TRUE(CheckBounds(t, frames));
  t.LowBound = 40;
  EXPECT_FALSE(CheckBounds(t, frames));
  t.LowBound = 41;
  t.HighBound = 291;
  EXPECT_FALSE(CheckBounds(t, frames));
  EXPECT_EQ(ui.messages, std::vector<std::string>({"Problem with lower boundary of sp2",
                                                   "Problem with higher boundary of sp2"}));
}

TEST(Workbench, CalculateAndStoreResults) {
  ScriptedUi ui;
  std::vector<std::unique_ptr<SpecFrame>> owned;
  FrameList frames;
  for (int i = 0; i < 6; ++i) {
    tXYarray s;
    for (int m = 50; m <= 60; ++m)
      s.push_back(
          {static_cast<float>(m), static_cast<float>((m * 7 + i * 13) % 11 + 1 + i * (m % 3))});
    owned.push_back(std::make_unique<SpecFrame>(s));
    frames.push_back(owned.back().get());
  }
  SpecFrame empty;
  frames.insert(frames.begin() + 2, &empty);
  TTraining t = Settings(50, 60, true);
  t.PrecPower = 6;
  t.NLoadings = 3;
  PcaResults r;
  ASSERT_TRUE(CalculatePCs(t, frames, 3, r));
  EXPECT_EQ(r.Precision, 1e-6);
  EXPECT_EQ(r.Data.size(), 6u);  // the empty frame gives no row
  EXPECT_EQ(r.Loadings.size(), 3u);
  StoreResults(t, r);
  EXPECT_TRUE(t.Calculated);
  EXPECT_TRUE(t.HasResults());
  EXPECT_EQ(t.Loadings, r.Loadings);
  EXPECT_EQ(t.Xvals.size(), 11u);
  EXPECT_GT(t.RMSG, 0);

  // CrossValidate of a frame: the same as leaving its row out of the data.
  auto d = CrossValidateFrame(t, frames, 3, 2, r.Precision);
  ASSERT_TRUE(d.has_value());
  EXPECT_EQ(*d, CrossValidate(r.Data, 2, 2, r.Precision));  // frame 3 is row 2 (frame 2 is empty)
  EXPECT_FALSE(CrossValidateFrame(t, frames, 9, 2, r.Precision).has_value());
  t.LowBound = 10;
  EXPECT_FALSE(CrossValidateFrame(t, frames, 3, 2, r.Precision).has_value());
  EXPECT_EQ(ui.messages.back(), "Wrong boundaries");
}
