// Screening a run: the peaks of its chromatogram, each peak's spectrum less
// its background, classified against every training; and a synthetic run
// written by tests/data/make-synthetic-run screened as a user would.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <tuple>

#include "CaffeineTraining.h"
#include "ScriptedUi.h"
#include "TempDir.h"
#include "core/common/Errors.h"
#include "core/plots/PreprocFrame.h"
#include "core/spectrum/Spec.h"
#include "core/training/Screening.h"
#include "core/training/TrainingCalc.h"

using namespace sorrel;
using sorrel::test::CaffeineTraining;
using sorrel::test::ScratchProgramDir;
using sorrel::test::ScriptedUi;
using sorrel::test::SharedData;
using sorrel::test::TempDir;
using sorrel::test::TestData;

namespace {

// A run of 60 scans, one a second: m/z 50 at 10 in every scan (the
// background) and a compound at m/z 60 and 61 around scan 30. Total ion
// currents: 10 everywhere but 20, 70, 110, 70, 20 at scans 28 to 32.
void HandRun(TSpec& run) {
  const float m60[] = {7, 42, 70, 42, 7}, m61[] = {3, 18, 30, 18, 3};
  tXYarray chrom;
  tMass scans;
  for (int i = 0; i < 60; ++i) {
    tXYarray s = {{50.0f, 10.0f}};
    if (i >= 28 && i <= 32) {
      s.push_back({60.0f, m60[i - 28]});
      s.push_back({61.0f, m61[i - 28]});
    }
    float tic = 0;
    for (const dPoint& p : s)
      tic += p[1];
    chrom.push_back({static_cast<float>(i), tic});
    scans.push_back(std::move(s));
  }
  run.TakeRun(std::move(chrom), std::move(scans));
}

// The chromatogram as it is, searched by the standard method alone.
ScreenSettings Unprocessed() {
  ScreenSettings s;
  s.Smooth.Enabled = false;
  s.BLine.Enabled = false;
  s.MinSignalToNoise = 0;
  return s;
}

}  // namespace

TEST(Screening, PeakRangesAndTheirBackgroundWorkedByHand) {
  // The standard search with sensitivity 8 (s = 4): step threshold
  // 0.4 * 4 * 200/58 = 5.5; the rise starts at scan 27, the apex is scan
  // 30, the end scan 34 (the first settled step more than 1.5 s from the
  // apex). The apex stands 100 above the line from start to end (10 at
  // both); above half that: scans 29 to 31. Background: scans 35 to 39,
  // weight -3/5.
  TSpec run;
  HandRun(run);
  std::vector<ScreenPeak> peaks = FindScreenPeaks(run, Unprocessed());
  ASSERT_EQ(peaks.size(), 1u);
  const ScreenPeak& p = peaks[0];
  EXPECT_EQ(p.Apex, 30);
  EXPECT_EQ(p.First, 29);
  EXPECT_EQ(p.Last, 31);
  EXPECT_EQ(p.Rt, 30.0);
  EXPECT_EQ(p.Height, 100.0);
  ASSERT_EQ(p.Ranges.size(), 2u);
  EXPECT_EQ(std::tie(p.Ranges[0].start, p.Ranges[0].end, p.Ranges[0].weight),
            std::make_tuple(29.0, 31.0, 1.0f));
  EXPECT_EQ(std::tie(p.Ranges[1].start, p.Ranges[1].end, p.Ranges[1].weight),
            std::make_tuple(35.0, 39.0, -0.6f));
  // m/z 50: 3 x 10 less 0.6 x 5 x 10; m/z 60: 42 + 70 + 42; m/z 61:
  // 18 + 30 + 18; nothing between.
  ASSERT_EQ(p.Spectrum.size(), 12u);
  EXPECT_EQ(p.Spectrum.front()[0], 50.0f);
  EXPECT_NEAR(p.Spectrum.front()[1], 0.0f, 1e-5);
  for (size_t k = 1; k < 10; ++k)
    EXPECT_EQ(p.Spectrum[k][1], 0.0f) << k;
  EXPECT_EQ(p.Spectrum[10][0], 60.0f);
  EXPECT_EQ(p.Spectrum[10][1], 154.0f);
  EXPECT_EQ(p.Spectrum[11][1], 66.0f);

  // Without background scans the peak is summed alone; a run too short to
  // hold the background takes what there is.
  ScreenSettings none = Unprocessed();
  none.BackgroundScans = 0;
  peaks = FindScreenPeaks(run, none);
  ASSERT_EQ(peaks.size(), 1u);
  EXPECT_EQ(peaks[0].Ranges.size(), 1u);
  EXPECT_EQ(peaks[0].Spectrum.front()[1], 30.0f);
  ScreenSettings wide = Unprocessed();
  wide.BackgroundScans = 100;
  peaks = FindScreenPeaks(run, wide);
  ASSERT_EQ(peaks.size(), 1u);
  EXPECT_EQ(peaks[0].Ranges[1].end, 59.0);
  EXPECT_FLOAT_EQ(peaks[0].Ranges[1].weight, -3.0f / 25);
}

TEST(Screening, SettingsAndRunsWithoutPeaks) {
  TSpec run;
  EXPECT_TRUE(FindScreenPeaks(run, ScreenSettings()).empty());  // no scans
  HandRun(run);
  // A peak below the signal-to-noise limit is not screened: the noise of a
  // run flat but for a step of 1 at every scan is 1, and the apex stands
  // 99.4 above the line from its start (11) to its end (10).
  tXYarray chrom = run.Chrom;
  tMass scans;
  for (int i = 0; i < run.NSpec(); ++i)
    scans.push_back(run.GetMass(i));
  for (size_t i = 0; i < chrom.size(); ++i)
    chrom[i][1] += static_cast<float>(i % 2);
  run.TakeRun(chrom, scans);
  ScreenSettings s = Unprocessed();
  s.MinSignalToNoise = 100;
  EXPECT_TRUE(FindScreenPeaks(run, s).empty());
  s.MinSignalToNoise = 99;
  EXPECT_EQ(FindScreenPeaks(run, s).size(), 1u);
  // Refused settings are an error, not an empty screening.
  for (auto change : {+[](ScreenSettings& x) { x.Smooth.SGDegree = 11; },
                      +[](ScreenSettings& x) { x.Peak.Sensiv = 0; },
                      +[](ScreenSettings& x) { x.BackgroundScans = -1; }}) {
    ScreenSettings bad;
    change(bad);
    EXPECT_THROW(FindScreenPeaks(run, bad), SorrelError);
  }
}

TEST(Screening, ProgressCountsEveryPeakTwiceAndCanStop) {
  // The hand-made run's one peak against two trainings that cannot be
  // used: 2 steps, one for its sum and one for its classifications.
  ScriptedUi ui;
  TempDir dir;
  std::vector<ScreenTraining> trainings =
      OpenScreenTrainings({dir.File("a.trn"), dir.File("b.trn")}, OpenSpecFrame);
  TSpec run;
  HandRun(run);
  std::vector<std::pair<int64_t, int64_t>> told;
  const ScreenResult r = ScreenRun(run, trainings, Unprocessed(), [&](int64_t done, int64_t all) {
    told.emplace_back(done, all);
    return true;
  });
  EXPECT_EQ(r.Rows.size(), 2u);
  EXPECT_EQ(told, (std::vector<std::pair<int64_t, int64_t>>{{0, 2}, {1, 2}, {1, 2}, {2, 2}}));
  // Stopped at any step, the screening gives nothing.
  for (size_t stop = 0; stop < told.size(); ++stop) {
    size_t calls = 0;
    EXPECT_THROW(
        ScreenRun(run, trainings, Unprocessed(), [&](int64_t, int64_t) { return calls++ != stop; }),
        WorkCancelled)
        << stop;
  }
}

namespace {

// Writes a synthetic run with the generator of tests/data.
std::string SyntheticRun(const TempDir& dir, const std::vector<std::string>& places,
                         const std::string& more = "") {
  std::string command = "/usr/bin/python3 '" + TestData("make-synthetic-run") + "' '" +
                        dir.File("run.cdf") + "' " + more;
  for (const std::string& p : places)
    command += " --place '" + p + "'";
  EXPECT_EQ(std::system(command.c_str()), 0) << command;
  return dir.File("run.cdf");
}

bool Accepted(const Classification& c) {
  return c.Answer == "Yes" || c.Answer == "Poss.";
}

}  // namespace

TEST(Screening, EveryPeakAgainstEveryTraining) {
  ScriptedUi ui;
  ScratchProgramDir dir;  // a Config directory: no question about one
  const CaffeineTraining c(dir.File("caffeine.trn"), tClassModel::Calibrated);
  const std::string caffeine = c.t.FileName();
  dir.Write("raw.trn", "[General]\nCompound=Raw\nCalculated=0\n");
  dir.Write("list.trl", "[List]\ncaffeine=1\nraw=0\nraw=1\n");
  TTrainingList list(dir.File("list.trl"));
  ASSERT_TRUE(list.Open());
  list.FillRows();
  std::vector<std::string> paths = CheckedTrainingPaths(list);
  EXPECT_EQ(paths, std::vector<std::string>({caffeine, dir.File("raw.trn")}));
  paths.push_back(dir.File("gone.trn"));
  std::vector<ScreenTraining> trainings = OpenScreenTrainings(paths, OpenSpecFrame);
  ASSERT_EQ(trainings.size(), 3u);
  EXPECT_EQ(trainings[0].Compound, "Caffeine");
  EXPECT_EQ(trainings[0].Problem, "");
  EXPECT_EQ(trainings[1].Problem, "the training is not calculated");
  EXPECT_EQ(trainings[2].Problem, "no such training file");

  // The hand-made run's one peak (m/z 50 to 61) lies below caffeine's
  // window: no answer, and why; the others say what is wrong with them.
  TSpec run;
  HandRun(run);
  ScreenResult r = ScreenRun(run, trainings, Unprocessed());
  ASSERT_EQ(r.Peaks.size(), 1u);
  ASSERT_EQ(r.Rows.size(), 3u);
  for (size_t t = 0; t < 3; ++t) {
    EXPECT_EQ(r.Rows[t].Peak, 0u);
    EXPECT_EQ(r.Rows[t].Training, t);
    EXPECT_TRUE(r.Rows[t].Result.Answer.empty());
  }
  TTraining t(caffeine);
  t.Open();
  EXPECT_EQ(r.Rows[0].Result.Reason, NoIntensityReason(t.LowBound, t.HighBound));
  EXPECT_FALSE(r.Rows[1].Result.Calculated);
  EXPECT_EQ(r.Rows[1].Result.Reason, "the training is not calculated");
  EXPECT_TRUE(r.Rows[2].Result.Calculated);
  EXPECT_EQ(r.Rows[2].Result.Reason, "no such training file");

  // A peak whose scans cannot be summed (a mass of 1e30 at its apex) has
  // no spectrum: its rows say why, the screening goes on.
  tXYarray chrom = run.Chrom;
  tMass scans;
  for (int i = 0; i < run.NSpec(); ++i)
    scans.push_back(run.GetMass(i));
  scans[30].push_back({1e30f, 0.0f});
  run.TakeRun(chrom, scans);
  r = ScreenRun(run, trainings, Unprocessed());
  ASSERT_EQ(r.Peaks.size(), 1u);
  EXPECT_NE(r.Peaks[0].Problem.find("too large"), std::string::npos) << r.Peaks[0].Problem;
  EXPECT_EQ(r.Rows[0].Result.Reason, r.Peaks[0].Problem);
  EXPECT_EQ(r.Rows[1].Result.Reason, "the training is not calculated");

  // The training's reference spectrum gone: every row says so.
  std::filesystem::remove(dir.File("caffeine_MSBNK-Kazusa-KZ000017.txt"));
  trainings = OpenScreenTrainings({caffeine}, OpenSpecFrame);
  EXPECT_NE(trainings[0].Problem.find("caffeine_MSBNK-Kazusa-KZ000017.txt"), std::string::npos)
      << trainings[0].Problem;
}

TEST(Screening, SyntheticRunOfRedistributableSpectra) {
  // Caffeine (RIKEN's spectrum, not one of the training's) at 200 s and
  // phenanthrene at 320 s in a run of bleed and noise: the caffeine
  // training finds the first within a few seconds and nothing else.
  ScriptedUi ui;
  ScratchProgramDir dir;
  const CaffeineTraining c(dir.File("caffeine.trn"), tClassModel::Calibrated);
  const std::string caffeine = c.t.FileName();
  const std::string file =
      SyntheticRun(dir, {TestData("pca/caffeine_MSBNK-RIKEN-PR010011.txt") + "@200:60000",
                         TestData("pca/phenanthrene_MSBNK-Osaka_Univ-OUF00417.txt") + "@320"});
  TSpec run;
  ASSERT_TRUE(run.OpenFile(file));
  ASSERT_EQ(run.NSpec(), 1200);
  std::vector<ScreenTraining> trainings = OpenScreenTrainings({caffeine}, OpenSpecFrame);
  const ScreenResult r = ScreenRun(run, trainings, ScreenSettings());
  EXPECT_EQ(r.Peaks.size(), 2u);
  int found = 0;
  for (const ScreenRow& row : r.Rows) {
    const double rt = r.Peaks[row.Peak].Rt;
    std::printf("%7.1f s  %-6s %g %s\n", rt, row.Result.Answer.c_str(), row.Result.Score,
                row.Result.Reason.c_str());
    if (!Accepted(row.Result)) continue;
    EXPECT_NEAR(rt, 200.0, 3.0);
    ++found;
  }
  EXPECT_EQ(found, 1);
}

TEST(Screening, SyntheticRunOfSevenCompounds) {
  // Six spectra of the shared EI set placed in a run, two of them partly
  // co-eluting (phenanthrene and biphenyl 6 s apart) and one small
  // (benzoic acid, 30000 at its apex over a background of 12000); each
  // compound has a calibrated training of its other spectra, and
  // quinoline, which is not in the run, one of all of its spectra.
  // Screening finds each placed compound within 3 s of its time and no
  // compound anywhere else.
  const std::string shared = SharedData("ei-spectra");
  if (shared.empty()) GTEST_SKIP() << "shared EI spectra not present";
  ScriptedUi ui;
  ScratchProgramDir dir;
  const std::map<std::string, std::pair<std::string, int>> placed = {
      {"naphthalene", {"naphthalene_MSBNK-Fac_Eng_Univ_Tokyo-JP004284.txt", 150}},
      {"benzoic_acid", {"benzoic_acid_MSBNK-Fac_Eng_Univ_Tokyo-JP009208.txt", 200}},
      {"phenanthrene", {"phenanthrene_MSBNK-Osaka_Univ-OUF00417.txt", 300}},
      {"biphenyl", {"biphenyl_MSBNK-Fac_Eng_Univ_Tokyo-JP006789.txt", 306}},
      {"caffeine", {"caffeine_MSBNK-RIKEN-PR010011.txt", 420}},
      {"methyl_stearate", {"methyl_stearate_MSBNK-Fac_Eng_Univ_Tokyo-JP007105.txt", 560}}};
  const std::map<std::string, std::string> heights = {{"benzoic_acid", ":30000"},
                                                      {"phenanthrene", ":150000"},
                                                      {"biphenyl", ":100000"},
                                                      {"caffeine", ":80000"},
                                                      {"methyl_stearate", ":60000"}};
  std::vector<std::string> places;
  for (const auto& [compound, where] : placed) {
    const auto h = heights.find(compound);
    places.push_back(shared + "/" + where.first + "@" + std::to_string(where.second) +
                     (h == heights.end() ? "" : h->second));
  }
  const std::string file = SyntheticRun(dir, places);

  // One calibrated training per compound, of its spectra not in the run.
  std::map<std::string, std::vector<std::string>> byCompound;
  for (const auto& e : std::filesystem::directory_iterator(shared)) {
    const std::string name = e.path().filename().string();
    if (e.path().extension() != ".txt") continue;
    const std::string compound = name.substr(0, name.find("_MSBNK"));
    const auto p = placed.find(compound);
    if (p != placed.end() && p->second.first == name) continue;
    std::filesystem::copy_file(e.path(), dir.File(name));
    byCompound[compound].push_back(name);
  }
  std::vector<std::string> paths;
  for (auto& [compound, names] : byCompound) {
    std::sort(names.begin(), names.end());
    std::vector<std::unique_ptr<SpecFrame>> owned;
    FrameList frames;
    TTraining t(dir.File(compound + ".trn"));
    for (const std::string& name : names) {
      owned.push_back(std::make_unique<SpecFrame>());
      ASSERT_TRUE(owned.back()->Open(dir.File(name)));
      frames.push_back(owned.back().get());
      t.LoadedSpec.push_back(name);
    }
    UnifiedBounds(frames, t.LowBound, t.HighBound);
    t.Compound = compound;
    t.Normalize = true;
    t.PrecPower = 3;
    t.NLoadings = 2;
    t.ClassModel = tClassModel::Calibrated;
    PcaResults pr;
    ASSERT_TRUE(CalculatePCs(t, frames, 2, pr));
    StoreResults(t, pr);
    t.Save(true);
    paths.push_back(t.FileName());
  }
  ASSERT_EQ(paths.size(), 7u);

  TSpec run;
  ASSERT_TRUE(run.OpenFile(file));
  std::vector<ScreenTraining> trainings = OpenScreenTrainings(paths, OpenSpecFrame);
  const ScreenResult r = ScreenRun(run, trainings, ScreenSettings());
  std::map<std::string, int> found;
  for (const ScreenRow& row : r.Rows) {
    if (!Accepted(row.Result)) continue;
    const std::string& compound = trainings[row.Training].Compound;
    const double rt = r.Peaks[row.Peak].Rt;
    std::printf("%7.1f s  %-16s %-6s %g\n", rt, compound.c_str(), row.Result.Answer.c_str(),
                row.Result.Score);
    const auto p = placed.find(compound);
    ASSERT_NE(p, placed.end()) << compound << " found at " << rt << " s but not in the run";
    EXPECT_NEAR(rt, p->second.second, 3.0) << compound;
    ++found[compound];
  }
  for (const auto& [compound, where] : placed)
    EXPECT_EQ(found[compound], 1) << compound;
}
