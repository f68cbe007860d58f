// The calibrated class model: the dissimilarity it measures, its limits
// from the training's own spectra, its answers, and its place in the
// training file.
#include <gtest/gtest.h>

#include <cmath>
#include <tuple>

#include "CaffeineTraining.h"
#include "ScriptedUi.h"
#include "TempDir.h"
#include "core/common/Errors.h"
#include "core/common/TextFile.h"
#include "core/plots/PreprocFrame.h"
#include "core/training/ClassModel.h"
#include "core/training/TrainingCalc.h"
#include "core/training/TrainingList.h"

using namespace sorrel;
using sorrel::test::CaffeineTraining;
using sorrel::test::ScriptedUi;
using sorrel::test::TempDir;
using sorrel::test::TestData;

namespace {

// Chi-square points exceeded with probability 0.05 and 0.001, as tables
// print them: 1 and 100 degrees of freedom.
constexpr double kChi05Dof1 = 3.841459, kChi001Dof1 = 10.827566;
constexpr double kChi05Dof100 = 124.342113, kChi001Dof100 = 149.449253;

// Three spectra on four channels of one mass (the mass weight is then the
// same everywhere): each cosine between two of them, after the square
// roots, is (2 + 2 + 1) / 6 = 5/6, so each leave-one-out dissimilarity is
// 1/6.
const adouble kMasses = {4, 4, 4, 4};
const aadouble kSymmetric = {{4, 1, 1, 0}, {1, 4, 1, 0}, {1, 1, 4, 0}};

}  // namespace

TEST(ClassModel, SimilarityVectorWorkedByHand) {
  // sqrt(intensity) * sqrt(m/z): (2*1, 0, 3*2, 0) over its length sqrt(40);
  // a negative intensity counts as none.
  const adouble w = SimilarityVector({4, 0, 9, -1}, {1, 2, 4, 5});
  const double n = std::sqrt(40.0);
  ASSERT_EQ(w.size(), 4u);
  EXPECT_DOUBLE_EQ(w[0], 2 / n);
  EXPECT_EQ(w[1], 0.0);
  EXPECT_DOUBLE_EQ(w[2], 6 / n);
  EXPECT_EQ(w[3], 0.0);
  EXPECT_EQ(SimilarityVector({0, 0}, {1, 2}), adouble({0, 0}));
  EXPECT_THROW(SimilarityVector({1, 2}, {1, 2, 3}), SorrelError);
  // The nearest spectrum counts; one of the same shape is at 0, one that
  // shares no mass at 1.
  EXPECT_DOUBLE_EQ(NearestDissimilarity({8, 2, 2, 0}, kSymmetric, kMasses), 0.0);
  EXPECT_DOUBLE_EQ(NearestDissimilarity({0, 0, 0, 5}, kSymmetric, kMasses), 1.0);
}

TEST(ClassModel, LimitsFromTheLeaveOneOutDissimilarities) {
  // Equal dissimilarities have no spread: the fit takes the most degrees
  // of freedom, 100, and the limits are m * chi2(alpha, 100) / 100.
  const tCalibration even = Calibrate(kSymmetric, kMasses);
  for (double d : even.Distances)
    EXPECT_NEAR(d, 1.0 / 6, 1e-15);
  EXPECT_EQ(even.DoF, 100.0);
  EXPECT_NEAR(even.YesLimit, kChi05Dof100 / 600, 1e-8);
  EXPECT_NEAR(even.PossLimit, kChi001Dof100 / 600, 1e-8);
  EXPECT_EQ(even.Spectra, kSymmetric);

  // Two equal spectra and a third: dissimilarities 0, 0 and 1/6, mean 1/18,
  // variance 1/108, so h = 2 m^2 / v = 2/3, taken as 1: the limits are
  // m * chi2(alpha, 1).
  const tCalibration twins = Calibrate({kSymmetric[0], kSymmetric[0], kSymmetric[1]}, kMasses);
  EXPECT_NEAR(twins.Distances[2], 1.0 / 6, 1e-15);
  EXPECT_NEAR(twins.Mean, 1.0 / 18, 1e-15);
  EXPECT_EQ(twins.DoF, 1.0);
  EXPECT_NEAR(twins.YesLimit, kChi05Dof1 / 18, 1e-7);
  EXPECT_NEAR(twins.PossLimit, kChi001Dof1 / 18, 1e-7);

  // Spectra closer than measurement noise would leave them: the "Yes"
  // limit is raised to 0.02, the "Poss." limit in proportion.
  const tCalibration close =
      Calibrate({{1.001, 1, 1, 0}, {1, 1.001, 1, 0}, {1, 1, 1.001, 0}}, kMasses);
  EXPECT_LT(close.Mean, 1e-6);
  EXPECT_EQ(close.DoF, 100.0);
  EXPECT_EQ(close.YesLimit, 0.02);
  EXPECT_NEAR(close.PossLimit, 0.02 * kChi001Dof100 / kChi05Dof100, 1e-9);

  // Other significances move the limits along the same fit.
  const tCalibration strict = Calibrate(kSymmetric, kMasses, 0.001, 0.001);
  EXPECT_EQ(strict.YesLimit, strict.PossLimit);
  EXPECT_EQ(strict.YesLimit, even.PossLimit);
}

TEST(ClassModel, AnswersByTheLimits) {
  // An unknown (4, 1, 1, s) is nearest to the first spectrum, at
  // D = 1 - sqrt(6 / (6 + s)). The limits of the symmetric set are 0.20724
  // ("Yes") and 0.24908 ("Poss.").
  const tCalibration model = Calibrate(kSymmetric, kMasses);
  for (auto [s, want] : {std::tuple{0.0, "Yes"}, std::tuple{2.0, "Yes"}, std::tuple{4.0, "Poss."},
                         std::tuple{6.0, "No"}, std::tuple{100.0, "No"}}) {
    const CalibratedAnswer a = ClassifyCalibrated(model, {4, 1, 1, s}, kMasses);
    const double d = 1 - std::sqrt(6 / (6 + s));
    EXPECT_NEAR(a.Dissimilarity, d, 1e-15) << s;
    EXPECT_NEAR(a.Score, d / model.YesLimit, 1e-14) << s;
    EXPECT_EQ(a.Answer, want) << s;
  }
}

TEST(ClassModel, CalibrationRefusesSetsItCannotMeasure) {
  for (const aadouble& rows : {aadouble{kSymmetric[0], kSymmetric[1]},
                               aadouble{kSymmetric[0], {0, 0, 0, 0}, kSymmetric[1]},
                               aadouble{kSymmetric[0], kSymmetric[0], {8, 2, 2, 0}}}) {
    EXPECT_THROW(Calibrate(rows, kMasses), SorrelError);
  }
  EXPECT_THROW(Calibrate(kSymmetric, {4, 4, 4}), SorrelError);
}

namespace {

Classification ClassifyFile(TTraining& t, PreprocFrame& reference, const std::string& name) {
  SpecFrame unknown;
  EXPECT_TRUE(unknown.Open(TestData("pca/" + name)));
  return Classify(t, reference, unknown);
}

}  // namespace

TEST(ClassModel, CaffeineTrainingJudgesAnotherInstrumentAndPhenanthrene) {
  ScriptedUi ui;
  TempDir dir;
  CaffeineTraining c(dir.File("caffeine.trn"), tClassModel::Calibrated);
  ASSERT_EQ(c.t.Calibration.Spectra.size(), 3u);
  const Classification riken = ClassifyFile(c.t, *c.frames[0], "caffeine_MSBNK-RIKEN-PR010011.txt");
  EXPECT_EQ(riken.Answer, "Yes") << riken.Score;
  const Classification phen =
      ClassifyFile(c.t, *c.frames[0], "phenanthrene_MSBNK-Osaka_Univ-OUF00417.txt");
  EXPECT_EQ(phen.Answer, "No") << phen.Score;
  // The standard model of the same training answers by the Mahalanobis
  // score, as before.
  CaffeineTraining standard(dir.File("standard.trn"), tClassModel::Standard);
  EXPECT_TRUE(standard.t.Calibration.Spectra.empty());
  EXPECT_NE(ClassifyFile(standard.t, *c.frames[0], "caffeine_MSBNK-RIKEN-PR010011.txt").Score,
            riken.Score);
}

TEST(ClassModel, KeptInItsOwnSectionOfTheTrainingFile) {
  ScriptedUi ui;
  TempDir dir;
  CaffeineTraining c(dir.File("caffeine.trn"), tClassModel::Calibrated);
  c.t.Save(true);
  TTraining back(dir.File("caffeine.trn"));
  back.Open();
  ASSERT_TRUE(back.HasResults());
  EXPECT_EQ(back.ClassModel, tClassModel::Calibrated);
  EXPECT_EQ(back.ClassModelProblem(), "");
  // Every number of the model comes back exactly, so the answers do.
  EXPECT_EQ(back.Calibration.Spectra, c.t.Calibration.Spectra);
  EXPECT_EQ(back.Calibration.Distances, c.t.Calibration.Distances);
  for (auto [got, want] : {std::pair{back.Calibration.YesLimit, c.t.Calibration.YesLimit},
                           std::pair{back.Calibration.PossLimit, c.t.Calibration.PossLimit},
                           std::pair{back.Calibration.Mean, c.t.Calibration.Mean},
                           std::pair{back.Calibration.DoF, c.t.Calibration.DoF},
                           std::pair{back.Calibration.Significance, 0.05},
                           std::pair{back.Calibration.PossSignificance, 0.001}})
    EXPECT_EQ(got, want);
  const std::string riken = "caffeine_MSBNK-RIKEN-PR010011.txt";
  EXPECT_EQ(ClassifyFile(back, *c.frames[0], riken).Score,
            ClassifyFile(c.t, *c.frames[0], riken).Score);

  // The sections a reader of the standard training knows are as a
  // standard training writes them; the model is a section of its own.
  CaffeineTraining standard(dir.File("standard.trn"), tClassModel::Standard);
  standard.t.Save(true);
  TMemIniFile calibrated(dir.File("caffeine.trn")), plain(dir.File("standard.trn"));
  EXPECT_FALSE(plain.SectionExists(kClassModelSection));
  EXPECT_EQ(calibrated.ReadString(kClassModelSection, "Model", ""), "calibrated");
  for (const char* section : {"General", "Preprocess", "LoadedSpec", "PCA"})
    EXPECT_EQ(calibrated.ReadSectionValues(section), plain.ReadSectionValues(section)) << section;

  // A training that is no longer calculated keeps no limits.
  back.MahalMat.clear();
  back.Save(false);
  EXPECT_FALSE(back.SectionExists(kClassModelSection));
}

TEST(ClassModel, DamagedOrUnknownModelsGiveNoAnswer) {
  ScriptedUi ui;
  TempDir dir;
  CaffeineTraining c(dir.File("caffeine.trn"), tClassModel::Calibrated);
  c.t.Save(true);
  const std::string riken = "caffeine_MSBNK-RIKEN-PR010011.txt";

  // A spectrum row gone: the model is incomplete, and says so instead of
  // answering by the standard model.
  TTraining damaged(dir.File("caffeine.trn"));
  damaged.DeleteKey(kClassModelSection, "Spectrum[2]");
  damaged.Open();
  Classification a = ClassifyFile(damaged, *c.frames[0], riken);
  EXPECT_TRUE(a.Answer.empty());
  EXPECT_EQ(a.Reason,
            "its calibrated class model is incomplete: it holds 1 spectra, at least 3 are needed");
  TTraining limits(dir.File("caffeine.trn"));
  limits.WriteString(kClassModelSection, "YesLimit", "none");
  limits.Open();
  EXPECT_NE(limits.ClassModelProblem().find("limits"), std::string::npos);

  // A model this program does not know: no answer, and the section is
  // saved back as it was.
  TTraining other(dir.File("caffeine.trn"));
  other.EraseSection(kClassModelSection);
  other.WriteString(kClassModelSection, "Model", "bayes");
  other.WriteString(kClassModelSection, "Prior", "0.5");
  other.Open();
  a = ClassifyFile(other, *c.frames[0], riken);
  EXPECT_EQ(a.Reason, "its class model \"bayes\" is not known to this program");
  other.Save(true);
  TMemIniFile saved(dir.File("caffeine.trn"));
  EXPECT_EQ(
      saved.ReadSectionValues(kClassModelSection),
      (std::vector<std::pair<std::string, std::string>>{{"Model", "bayes"}, {"Prior", "0.5"}}));
}

TEST(ClassModel, TrainingThatCannotBeCalibratedIsNotStored) {
  // Two spectra make a standard training of one loading, but no
  // calibrated model: Save Training's calculation stops and changes
  // nothing.
  ScriptedUi ui;
  SpecFrame a, b;
  ASSERT_TRUE(a.Open(TestData("pca/caffeine_MSBNK-Kazusa-KZ000017.txt")));
  ASSERT_TRUE(b.Open(TestData("pca/caffeine_MSBNK-Osaka_Univ-OUF00133.txt")));
  TTraining t;
  UnifiedBounds({&a, &b}, t.LowBound, t.HighBound);
  t.Normalize = true;
  t.PrecPower = 6;
  t.NLoadings = 1;
  t.ClassModel = tClassModel::Calibrated;
  PcaResults r;
  ASSERT_TRUE(CalculatePCs(t, {&a, &b}, 1, r));
  try {
    StoreResults(t, r);
    ADD_FAILURE() << "no error";
  } catch (const SorrelError& e) {
    EXPECT_NE(std::string(e.what()).find("at least 3 spectra"), std::string::npos) << e.what();
  }
  EXPECT_FALSE(t.Calculated);
  EXPECT_TRUE(t.MahalMat.empty());
  t.ClassModel = tClassModel::Standard;
  StoreResults(t, r);
  EXPECT_TRUE(t.HasResults());
}
