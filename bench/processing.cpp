// The processing a plot frame runs on every redraw, on profile spectra of
// 10^4 to 10^6 points: the steps one by one (smoothing, baseline, both peak
// methods) and one redraw through a view's processing chain. The baseline
// of every comparison is a plain copy of the same array, measured in the
// same run; BM_ChainOverCopy and BM_RedrawOverCopy report the ratio
// directly, and the Complexity fits check that each step is linear.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cmath>
#include <random>

#include "core/common/Memory.h"
#include "core/plots/SpOpt.h"
#include "core/plots/ViewProcessing.h"
#include "core/processing/Peak.h"
#include "core/processing/SpMath.h"

using namespace sorrel;

namespace {

// A profile mass spectrum: a peak of random height at every 0.5 m/z with
// 50 points per unit, on a noisy baseline.
tXYarray ProfileSpectrum(size_t n) {
  std::mt19937 rng(42);
  std::uniform_real_distribution<double> noise(0, 40), height(100, 1e5);
  tXYarray s(n);
  double peakHeight = height(rng);
  for (size_t i = 0; i < n; ++i) {
    const double x = 50.0 + static_cast<double>(i) * 0.02;
    const double phase = std::fmod(x, 0.5) - 0.25;
    if (i % 25 == 0) peakHeight = height(rng);
    const double y = 200 + noise(rng) + peakHeight * std::exp(-phase * phase / (2 * 0.03 * 0.03));
    s[i] = {static_cast<float>(x), static_cast<float>(y)};
  }
  return s;
}

tSpOpt ChainOptions() {
  tSpOpt o("");
  o.SetDefaults();  // the mass group: window 11 points, Sensiv 5, gap filling on
  o.oMass.Smooth.Enabled = true;
  o.oMass.BLine.Enabled = true;
  o.oMass.BLine.AutoTS = true;
  o.oMass.Peak.Enabled = true;
  return o;
}

// Smoothing, baseline, and the peaks of both methods on the same baseline.
size_t RunChain(const tXYarray& s, tSpOpt& o) {
  tXYarray smooth, base, deriv;
  tPeaks peaks;
  SGSmooth(s, o.oMass.Smooth, smooth);
  SubtractBaseline(smooth, o.oMass.BLine, base);
  o.oMass.Peak.Method = 0;
  FindPeaks(base, o.oMass.Peak, deriv, peaks);
  size_t found = peaks.bPeaks.size();
  o.oMass.Peak.Method = 1;
  FindPeaks(base, o.oMass.Peak, deriv, peaks);
  return found + peaks.bPeaks.size();
}

void Sizes(benchmark::internal::Benchmark* b) {
  b->Arg(10000)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMicrosecond);
}

void BM_Copy(benchmark::State& state) {
  const tXYarray s = ProfileSpectrum(static_cast<size_t>(state.range(0)));
  for (auto _ : state) {
    tXYarray c = s;
    benchmark::DoNotOptimize(c.data());
    benchmark::ClobberMemory();
  }
  state.SetComplexityN(state.range(0));
}
BENCHMARK(BM_Copy)->Apply(Sizes)->Complexity(benchmark::oN);

void BM_Smooth(benchmark::State& state) {
  const tXYarray s = ProfileSpectrum(static_cast<size_t>(state.range(0)));
  tSpOpt o = ChainOptions();
  for (auto _ : state) {
    tXYarray out;
    SGSmooth(s, o.oMass.Smooth, out);
    benchmark::DoNotOptimize(out.data());
  }
  state.SetComplexityN(state.range(0));
}
BENCHMARK(BM_Smooth)->Apply(Sizes)->Complexity(benchmark::oN);

void BM_Baseline(benchmark::State& state) {
  const tXYarray s = ProfileSpectrum(static_cast<size_t>(state.range(0)));
  tSpOpt o = ChainOptions();
  for (auto _ : state) {
    tXYarray out;
    SubtractBaseline(s, o.oMass.BLine, out);
    benchmark::DoNotOptimize(out.data());
  }
  state.SetComplexityN(state.range(0));
}
BENCHMARK(BM_Baseline)->Apply(Sizes)->Complexity(benchmark::oN);

void PeaksBench(benchmark::State& state, int method) {
  const tXYarray s = ProfileSpectrum(static_cast<size_t>(state.range(0)));
  tSpOpt o = ChainOptions();
  o.oMass.Peak.Method = method;
  for (auto _ : state) {
    tXYarray deriv;
    tPeaks peaks;
    FindPeaks(s, o.oMass.Peak, deriv, peaks);
    benchmark::DoNotOptimize(peaks.bPeaks.data());
    state.counters["peaks"] = static_cast<double>(peaks.Count());
  }
  state.SetComplexityN(state.range(0));
}
void BM_PeaksStandard(benchmark::State& state) {
  PeaksBench(state, 0);
}
void BM_PeaksDerivative(benchmark::State& state) {
  PeaksBench(state, 1);
}
BENCHMARK(BM_PeaksStandard)->Apply(Sizes)->Complexity(benchmark::oN);
BENCHMARK(BM_PeaksDerivative)->Apply(Sizes)->Complexity(benchmark::oN);

void BM_Chain(benchmark::State& state) {
  const tXYarray s = ProfileSpectrum(static_cast<size_t>(state.range(0)));
  tSpOpt o = ChainOptions();
  for (auto _ : state)
    benchmark::DoNotOptimize(RunChain(s, o));
  state.SetComplexityN(state.range(0));
}
BENCHMARK(BM_Chain)->Apply(Sizes)->Complexity(benchmark::oN);

// `work` and a plain copy of `s`, alternated in the same loop; the counter
// "ratio" is the time of `work` over the time of the copy.
template <typename Work>
void OverCopy(benchmark::State& state, const tXYarray& s, Work work) {
  using Clock = std::chrono::steady_clock;
  Clock::duration copyTime{}, workTime{};
  for (auto _ : state) {
    auto t0 = Clock::now();
    {
      tXYarray c = s;
      benchmark::DoNotOptimize(c.data());
      benchmark::ClobberMemory();
    }
    auto t1 = Clock::now();
    work();
    auto t2 = Clock::now();
    copyTime += t1 - t0;
    workTime += t2 - t1;
  }
  state.counters["ratio"] = std::chrono::duration<double>(workTime).count() /
                            std::chrono::duration<double>(copyTime).count();
}

// The whole chain over the copy (goal: at most 20).
void BM_ChainOverCopy(benchmark::State& state) {
  const tXYarray s = ProfileSpectrum(static_cast<size_t>(state.range(0)));
  tSpOpt o = ChainOptions();
  OverCopy(state, s, [&] { benchmark::DoNotOptimize(RunChain(s, o)); });
}
BENCHMARK(BM_ChainOverCopy)->Apply(Sizes);

// One redraw of a mass view as a frame runs it (the view's processing
// chain): smoothing, the automatic baseline and first-derivative peaks, the
// processed spectrum handed back as the view's own array; over the copy.
void BM_RedrawOverCopy(benchmark::State& state) {
  const tXYarray s = ProfileSpectrum(static_cast<size_t>(state.range(0)));
  tSpOpt o = ChainOptions();
  o.oMass.Peak.Method = 1;
  OverCopy(state, s, [&] {
    ChainResult r = ProcessView(s, o, false);
    benchmark::DoNotOptimize(r.Output.data());
    benchmark::DoNotOptimize(r.Peaks.bPeaks.data());
  });
}
BENCHMARK(BM_RedrawOverCopy)->Apply(Sizes);

// The same redraw through the chain and through its steps called one by
// one, alternated in the same loop: the counter "ratio" is the chain's
// time over the steps' time, what the chain itself costs.
void BM_ChainOverSteps(benchmark::State& state) {
  const tXYarray s = ProfileSpectrum(static_cast<size_t>(state.range(0)));
  tSpOpt o = ChainOptions();
  o.oMass.Peak.Method = 1;
  using Clock = std::chrono::steady_clock;
  Clock::duration stepsTime{}, chainTime{};
  for (auto _ : state) {
    auto t0 = Clock::now();
    {
      tXYarray smooth, base, deriv;
      tPeaks peaks;
      SGSmooth(s, o.oMass.Smooth, smooth);
      SubtractBaseline(smooth, o.oMass.BLine, base);
      FindPeaks(base, o.oMass.Peak, deriv, peaks);
      benchmark::DoNotOptimize(base.data());
      benchmark::DoNotOptimize(peaks.bPeaks.data());
    }
    auto t1 = Clock::now();
    {
      ChainResult r = ProcessView(s, o, false);
      benchmark::DoNotOptimize(r.Output.data());
      benchmark::DoNotOptimize(r.Peaks.bPeaks.data());
    }
    auto t2 = Clock::now();
    stepsTime += t1 - t0;
    chainTime += t2 - t1;
  }
  state.counters["ratio"] = std::chrono::duration<double>(chainTime).count() /
                            std::chrono::duration<double>(stepsTime).count();
}
BENCHMARK(BM_ChainOverSteps)->Apply(Sizes);

}  // namespace

// The programs keep freed heap for reuse (TuneHeapForLargeSpectra); the
// benchmark measures under the same settings.
int main(int argc, char** argv) {
  sorrel::TuneHeapForLargeSpectra();
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
