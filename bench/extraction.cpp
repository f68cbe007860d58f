// What a plot frame computes on every mouse release over its charts in
// range mode: the weighted sum of the scans in the chromatogram ranges and
// the selected-ion chromatogram of the mass ranges, over a run of 50 000
// scans of 708 peaks (35 million points), held in memory and read from an
// HD run file. The baseline is a plain pass over the same scans in the same
// process: each scan taken from the store and its intensities added up.
//
// Measured: the sum of the whole run and of a peak with two background
// ranges, the ion chromatogram of two masses, the base peak chromatogram,
// and the frame's own handling of a release (the sum or the ion
// chromatogram through the view's chain into the chart's series). Goals: in
// memory every release under 100 ms; from the file within 2 times the
// plain pass.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "BenchSupport.h"
#include "core/common/Directories.h"
#include "core/common/Errors.h"
#include "core/plots/Extraction.h"
#include "core/plots/PlotFrame.h"
#include "core/spectrum/Spec.h"

using namespace sorrel;
using bench::Measure;
using bench::Ratio;

namespace {

constexpr int kScans = 50000;
constexpr int kPeaks = 708;

// Every measurement is of the processor time of the thread (reading the
// page cache included): the machines these run on are shared, and the time
// on the clock varies with what else runs.
constexpr bool kCpu = true;

std::string g_dir, g_run;
TSpec* g_memory = nullptr;  // the run in memory
TSpec* g_file = nullptr;    // the same run read from its HD file

std::vector<double> ScanIndices() {
  std::vector<double> x(kScans);
  for (int i = 0; i < kScans; ++i)
    x[static_cast<size_t>(i)] = i;
  return x;
}

// A peak over 300 scans with background ranges of 100 scans after it.
const std::vector<WeightedRange> kPeakRanges = {
    {20000, 20299, 1}, {20300, 20399, -1}, {20400, 20499, -1}};
const std::vector<WeightedRange> kWholeRun = {{0, kScans - 1, 1}};
// Two ions, as a mass view's grid gives single masses.
const std::vector<WeightedRange> kIons = {{90.5, 91.5, 1}, {104.5, 105.5, 1}};

// Every point read once, as fast as the machine adds: four running sums,
// so that no addition waits for the one before.
double PlainPass(TSpec& spec) {
  double sum[4] = {0, 0, 0, 0};
  for (int32_t i = 0; i < spec.NSpec(); ++i) {
    const tXYarray& s = spec.GetMass(i);
    size_t k = 0;
    for (; k + 4 <= s.size(); k += 4)
      for (size_t j = 0; j < 4; ++j)
        sum[j] += s[k + j][1];
    for (; k < s.size(); ++k)
      sum[0] += s[k][1];
  }
  const double total = sum[0] + sum[1] + sum[2] + sum[3];
  benchmark::DoNotOptimize(total);
  return total;
}

void Sum(TSpec& spec, const std::vector<WeightedRange>& ranges) {
  bool any = false;
  const tXYarray s = SumRangeMass(spec, ScanIndices(), ranges, any);
  if (!any || s.empty()) throw SorrelError("nothing summed");
  benchmark::DoNotOptimize(s.data());
}

void BM_PlainPass(benchmark::State& state) {
  TSpec& spec = state.range(0) ? *g_file : *g_memory;
  Measure(
      state, state.range(0) ? "plain pass, file" : "plain pass, memory", [&] { PlainPass(spec); },
      kCpu);
}

void BM_RangeSumWholeRun(benchmark::State& state) {
  const bool file = state.range(0) != 0;
  const std::string name = file ? "sum of the whole run, file" : "sum of the whole run, memory";
  Measure(
      state, name, [&] { Sum(file ? *g_file : *g_memory, kWholeRun); }, kCpu);
  Ratio(state, "to_plain_pass", name, {file ? "plain pass, file" : "plain pass, memory"});
}

void BM_RangeSumPeakLessBackground(benchmark::State& state) {
  Measure(
      state, "sum of a peak less background, memory", [] { Sum(*g_memory, kPeakRanges); }, kCpu);
}

void BM_IonChromatogram(benchmark::State& state) {
  const bool file = state.range(0) != 0;
  const std::string name = file ? "ion chromatogram, file" : "ion chromatogram, memory";
  Measure(
      state, name,
      [&] {
        const tXYarray sic = BuildSIC(file ? *g_file : *g_memory, kIons);
        benchmark::DoNotOptimize(sic.data());
      },
      kCpu);
  Ratio(state, "to_plain_pass", name, {file ? "plain pass, file" : "plain pass, memory"});
}

void BM_BasePeakChromatogram(benchmark::State& state) {
  Measure(
      state, "base peak chromatogram, memory",
      [] {
        const tXYarray bpi = BuildBPI(*g_memory);
        benchmark::DoNotOptimize(bpi.data());
      },
      kCpu);
  Ratio(state, "to_plain_pass", "base peak chromatogram, memory", {"plain pass, memory"});
}

// A frame on the run in memory, both views in range mode: a release over
// the chromatogram sums its ranges and shows the sum, a release over the
// mass spectrum builds and shows the ion chromatogram.
void BM_FrameRelease(benchmark::State& state) {
  PlotFrame frame;
  frame.Initialise("");
  frame.Spec.SetAutoRefresh(false);
  tXYarray chrom(static_cast<size_t>(kScans));
  tMass scans(static_cast<size_t>(kScans));
  for (int32_t i = 0; i < kScans; ++i) {
    scans[static_cast<size_t>(i)] = g_memory->GetMass(i);
    chrom[static_cast<size_t>(i)] = g_memory->Chrom[static_cast<size_t>(i)];
  }
  frame.Spec.TakeRun(std::move(chrom), std::move(scans));
  frame.Spec.SetAutoRefresh(true);
  frame.SetIniPos();
  const bool mass = state.range(0) != 0;
  if (mass) {
    frame.sgRangesMass.SetRow(1, "91", "-", "1");
    frame.sgRangesMass.SetRow(2, "105", "-", "1");
    frame.chrMass.SetZoomMode(false);
  } else {
    frame.sgRangesChrom.SetRow(1, "20000", "20299", "1");
    frame.sgRangesChrom.SetRow(2, "20300", "20399", "-1");
    frame.sgRangesChrom.SetRow(3, "20400", "20499", "-1");
    frame.chrChrom.SetZoomMode(false);
  }
  const std::string name =
      mass ? "frame: release over the mass spectrum" : "frame: release over the chromatogram";
  Measure(
      state, name,
      [&] {
        // What a release ends with: the view tells the frame its ranges
        // changed.
        if (mass)
          frame.UpdateRanges(false);
        else
          frame.UpdateRanges(true);
      },
      kCpu);
}

BENCHMARK(BM_PlainPass)->Arg(0)->Iterations(5)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RangeSumWholeRun)
    ->Arg(0)
    ->Iterations(5)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RangeSumPeakLessBackground)
    ->Iterations(20)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_IonChromatogram)
    ->Arg(0)
    ->Iterations(5)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BasePeakChromatogram)->Iterations(5)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FrameRelease)
    ->Arg(0)
    ->Arg(1)
    ->Iterations(5)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PlainPass)->Arg(1)->Iterations(3)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RangeSumWholeRun)
    ->Arg(1)
    ->Iterations(3)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_IonChromatogram)
    ->Arg(1)
    ->Iterations(3)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  std::string tmpl =
      (std::filesystem::temp_directory_path() / "sorrel-bench-extraction-XXXXXX").string();
  if (!mkdtemp(tmpl.data())) {
    std::perror("mkdtemp");
    return 1;
  }
  g_dir = tmpl;
  g_run = g_dir + "/run.R01";
  int rc = 0;
  try {
    // The frame's template and cache directories, so that nothing asks.
    std::filesystem::create_directories(g_dir + "/Config");
    std::filesystem::create_directories(g_dir + "/Data");
    SetProgramDir(g_dir + "/");
    bench::WriteHDRun(g_run, kScans, kPeaks);
    TSpec file, memory;
    if (!file.OpenFile(g_run) || file.NSpec() != kScans) throw SorrelError("cannot open the run");
    memory.SetAutoRefresh(false);
    for (int32_t i = 0; i < kScans; ++i) {
      const tXYarray& s = file.GetMass(i);
      double total = 0;
      for (const dPoint& p : s)
        total += p[1];
      memory.AddSSpec(file.Chrom[static_cast<size_t>(i)][0], total, s);
    }
    g_file = &file;
    g_memory = &memory;
    std::printf("run: %d scans of %d peaks (%.1f million points), HD file %.1f MB\n", kScans,
                kPeaks, kScans * kPeaks / 1e6, std::filesystem::file_size(g_run) / 1e6);
    benchmark::RunSpecifiedBenchmarks();
    auto ms = [](const char* name) {
      auto& s = bench::MeanSeconds();
      return s.count(name) ? 1000 * s[name] : -1.0;
    };
    std::printf("\nprocessor time; in memory (goal: every release under 100 ms)\n");
    for (const char* n : {"plain pass, memory", "sum of the whole run, memory",
                          "sum of a peak less background, memory", "ion chromatogram, memory",
                          "base peak chromatogram, memory", "frame: release over the chromatogram",
                          "frame: release over the mass spectrum"})
      std::printf("  %-40s %8.1f ms\n", n, ms(n));
    std::printf("from the HD file (goal: within 2x the plain pass)\n");
    std::printf("  sum of the whole run / plain pass      %.2f\n",
                bench::RatioOf("sum of the whole run, file", {"plain pass, file"}));
    std::printf("  ion chromatogram / plain pass          %.2f\n",
                bench::RatioOf("ion chromatogram, file", {"plain pass, file"}));
    std::printf("  (plain pass %.1f ms)\n", ms("plain pass, file"));
    g_file = g_memory = nullptr;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "bench_extraction: %s\n", e.what());
    rc = 1;
  }
  std::error_code ec;
  std::filesystem::remove_all(g_dir, ec);
  benchmark::Shutdown();
  return rc;
}
