// Screening a run in memory: 6 000 scans (50 minutes at 2 scans a second,
// m/z 35 to 400, about 150 centroids a scan over bleed and chemical
// noise) holding 60 compound peaks, against a list of 10 trainings of 6
// spectra each (2 loadings).
//
//   Screen/standard     OpenScreenTrainings + ScreenRun, every training by
//                       its Mahalanobis score
//   Screen/calibrated   the same with the calibrated class model
//   ReadRun             the baseline: one pass over every point of the run
//                       (the least any screening has to do)
//
// Goal: a screening under 1 s. Before timing, the program checks that the
// screening finds the trained compounds it placed (each of the 30 peaks of
// a trained compound answered "Yes" or "Poss." by its training) and stops
// if it does not.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "core/common/Directories.h"
#include "core/common/NumberText.h"
#include "core/plots/PreprocFrame.h"
#include "core/spectrum/Spec.h"
#include "core/training/Screening.h"
#include "core/training/TrainingCalc.h"

using namespace sorrel;

namespace {

constexpr int kScans = 6000, kLow = 35, kHigh = 400;
constexpr int kTrainings = 10, kSpectraPerTraining = 6, kCompounds = 20;
constexpr double kInterval = 0.5, kStart = 60.0;

// An EI-like spectrum: 15 to 40 peaks between m/z 40 and 300, intensities
// falling steeply from a base peak, on unit masses.
adouble Compound(std::mt19937& gen) {
  std::uniform_real_distribution<double> u(0.0, 1.0);
  adouble s(kHigh + 1, 0.0);
  const int peaks = 15 + static_cast<int>(25 * u(gen));
  for (int k = 0; k < peaks; ++k)
    s[static_cast<size_t>(40 + static_cast<int>(260 * u(gen)))] += 1000.0 * std::pow(u(gen), 3.0);
  s[static_cast<size_t>(60 + static_cast<int>(240 * u(gen)))] = 1000.0;
  return s;
}

// A spectrum of the compound as another instrument records it: each
// intensity within +-15 %.
tXYarray Variant(const adouble& compound, std::mt19937& gen) {
  std::uniform_real_distribution<double> u(0.85, 1.15);
  tXYarray out;
  for (int m = kLow; m <= kHigh; ++m)
    if (compound[static_cast<size_t>(m)] > 0.0)
      out.push_back(
          {static_cast<float>(m), static_cast<float>(compound[static_cast<size_t>(m)] * u(gen))});
  return out;
}

struct Fixture {
  std::string dir;
  TSpec run;
  std::vector<std::string> paths[2];  // standard, calibrated
  std::vector<double> trainedTimes[kTrainings];
};

void WriteSpectrum(const std::string& path, const tXYarray& s) {
  std::FILE* f = std::fopen(path.c_str(), "wb");
  for (const dPoint& p : s)
    std::fprintf(f, "%s\t%s\r\n", FloatToStr(p[0]).c_str(), FloatToStr(p[1]).c_str());
  std::fclose(f);
}

Fixture& TheFixture() {
  static Fixture* fx = [] {
    auto* f = new Fixture;
    f->dir = (std::filesystem::temp_directory_path() / "sorrel-bench-screening").string() + "/";
    std::filesystem::create_directories(f->dir + "Config");
    SetProgramDir(f->dir);
    std::mt19937 gen(18);
    std::uniform_real_distribution<double> u(0.0, 1.0);
    std::normal_distribution<double> normal(0.0, 1.0);
    std::vector<adouble> compounds;
    for (int c = 0; c < kCompounds; ++c)
      compounds.push_back(Compound(gen));

    // The trainings: compounds 0 to 9, each of 6 variants.
    for (int c = 0; c < kTrainings; ++c) {
      std::vector<std::unique_ptr<SpecFrame>> owned;
      FrameList frames;
      std::vector<std::string> names;
      for (int v = 0; v < kSpectraPerTraining; ++v) {
        const std::string name = "c" + std::to_string(c) + "_" + std::to_string(v) + ".txt";
        WriteSpectrum(f->dir + name, Variant(compounds[static_cast<size_t>(c)], gen));
        owned.push_back(std::make_unique<SpecFrame>());
        owned.back()->Open(f->dir + name);
        frames.push_back(owned.back().get());
        names.push_back(name);
      }
      for (int model = 0; model < 2; ++model) {
        TTraining t(f->dir + "c" + std::to_string(c) + (model ? "_cal" : "_std") + ".trn");
        t.LoadedSpec = names;
        t.Compound = "compound " + std::to_string(c);
        UnifiedBounds(frames, t.LowBound, t.HighBound);
        t.Normalize = true;
        t.PrecPower = 3;
        t.NLoadings = 2;
        t.PPID = 1;
        t.PNID = 3;
        t.ClassModel = model ? tClassModel::Calibrated : tClassModel::Standard;
        PcaResults r;
        CalculatePCs(t, frames, 2, r);
        StoreResults(t, r);
        t.Save(true);
        f->paths[model].push_back(t.FileName());
      }
    }

    // The run: bleed rising over the run, chemical noise on every mass,
    // and 60 peaks (3 of each compound) 40 s apart, Gaussian, sigma 1.5 s.
    std::vector<std::vector<double>> grid(kScans, std::vector<double>(kHigh - kLow + 1, 0.0));
    std::vector<double> chem(kHigh - kLow + 1);
    for (double& x : chem)
      x = 80.0 * u(gen);
    for (int i = 0; i < kScans; ++i) {
      const double ramp = 0.1 + 0.9 * i / (kScans - 1.0);
      for (int m = kLow; m <= kHigh; ++m)
        grid[static_cast<size_t>(i)][static_cast<size_t>(m - kLow)] =
            chem[static_cast<size_t>(m - kLow)] * (0.5 + 0.5 * ramp);
      for (int m : {73, 207, 281, 355})
        grid[static_cast<size_t>(i)][static_cast<size_t>(m - kLow)] += 3000.0 * ramp;
    }
    for (int k = 0; k < 3 * kCompounds; ++k) {
      const int c = k % kCompounds;
      const double rt = kStart + 60.0 + 40.0 * k;
      const double height = 50000.0 + 150000.0 * u(gen);
      if (c < kTrainings) f->trainedTimes[c].push_back(rt);
      const tXYarray s = Variant(compounds[static_cast<size_t>(c)], gen);
      double total = 0;
      for (const dPoint& p : s)
        total += p[1];
      for (int i = 0; i < kScans; ++i) {
        const double t = kStart + kInterval * i;
        const double g = std::exp(-0.5 * std::pow((t - rt) / 1.5, 2.0));
        if (g < 1e-4) continue;
        for (const dPoint& p : s)
          grid[static_cast<size_t>(i)][static_cast<size_t>(p[0] - kLow)] +=
              height * g * p[1] / total;
      }
    }
    tXYarray chrom;
    tMass scans;
    for (int i = 0; i < kScans; ++i) {
      tXYarray s;
      double tic = 0;
      for (int m = kLow; m <= kHigh; ++m) {
        double y = grid[static_cast<size_t>(i)][static_cast<size_t>(m - kLow)];
        y = y * (1.0 + 0.05 * normal(gen)) + 15.0 * normal(gen);
        if (y < 60.0) continue;
        s.push_back({static_cast<float>(m + 0.04 * normal(gen)), static_cast<float>(y)});
        tic += static_cast<float>(y);
      }
      chrom.push_back({static_cast<float>(kStart + kInterval * i), static_cast<float>(tic)});
      scans.push_back(std::move(s));
    }
    f->run.TakeRun(std::move(chrom), std::move(scans));
    return f;
  }();
  return *fx;
}

// Every peak of a trained compound accepted by its training, within 3 s.
bool FindsWhatWasPlaced(int model) {
  Fixture& f = TheFixture();
  std::vector<ScreenTraining> trainings = OpenScreenTrainings(f.paths[model], OpenSpecFrame);
  const ScreenResult r = ScreenRun(f.run, trainings, ScreenSettings());
  bool ok = true;
  for (int c = 0; c < kTrainings; ++c)
    for (double rt : f.trainedTimes[c]) {
      bool found = false;
      for (const ScreenRow& row : r.Rows)
        found = found || (row.Training == static_cast<size_t>(c) &&
                          std::fabs(r.Peaks[row.Peak].Rt - rt) <= 3.0 &&
                          (row.Result.Answer == "Yes" || row.Result.Answer == "Poss."));
      if (!found) {
        std::fprintf(stderr, "%s model: compound %d at %g s not found\n",
                     model ? "calibrated" : "standard", c, rt);
        ok = false;
      }
    }
  std::fprintf(stderr, "%s model: %zu peaks, %zu rows\n", model ? "calibrated" : "standard",
               r.Peaks.size(), r.Rows.size());
  return ok;
}

void BM_Screen(benchmark::State& state) {
  Fixture& f = TheFixture();
  const int model = static_cast<int>(state.range(0));
  size_t rows = 0;
  for (auto _ : state) {
    std::vector<ScreenTraining> trainings = OpenScreenTrainings(f.paths[model], OpenSpecFrame);
    const ScreenResult r = ScreenRun(f.run, trainings, ScreenSettings());
    rows = r.Rows.size();
    benchmark::DoNotOptimize(r.Rows.data());
  }
  state.counters["rows"] = static_cast<double>(rows);
  state.SetLabel(model ? "calibrated" : "standard");
}
BENCHMARK(BM_Screen)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

void BM_ReadRun(benchmark::State& state) {
  Fixture& f = TheFixture();
  for (auto _ : state) {
    double sum = 0;
    for (int i = 0; i < f.run.NSpec(); ++i)
      for (const dPoint& p : f.run.GetMass(i))
        sum += p[1];
    benchmark::DoNotOptimize(sum);
  }
}
BENCHMARK(BM_ReadRun)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  const bool standard = FindsWhatWasPlaced(0), calibrated = FindsWhatWasPlaced(1);
  if (!calibrated) return 1;
  if (!standard) std::fprintf(stderr, "(the standard model misses some; timed all the same)\n");
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  std::filesystem::remove_all(TheFixture().dir);
  return 0;
}
