#pragma once
// What the benchmarks over run files share: writing a synthetic HD run,
// and timing a measurement (its mean kept by name) with ratios of one
// measurement to others of the same process.
#include <benchmark/benchmark.h>

#include <time.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "core/common/Errors.h"
#include "core/spectrum/HDRecords.h"

namespace sorrel::bench {

// Writes an HD run of `scans` scans of `peaks` peaks: header, then each
// scan with its header (stored_mode 2, 2 scans per second), its peaks (m/z
// 35 + 0.5 i, a little apart from scan to scan; random intensities of 1
// to 10^6) and terminator.
inline void WriteHDRun(const std::string& path, int scans, int peaks, unsigned seed = 1) {
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) throw SorrelError("cannot create " + path);
  std::vector<char> head(kFirstScanOffset, 0);
  rRun_Stats run{};
  run.number_of_scans = static_cast<uint16_t>(scans);
  run.creation_date = 20240101;
  std::memcpy(head.data(), &run, kRunStatsStoredSize);
  std::fwrite(head.data(), 1, head.size(), f);
  std::mt19937 rng(seed);
  std::uniform_int_distribution<int32_t> intensity(1, 1000000);
  std::vector<char> scan(kScanStatsStoredSize + (static_cast<size_t>(peaks) + 1) * kPeakRecordSize,
                         0);
  rScan_stats sh{};
  sh.stored_mode = 2;
  sh.number_of_scans_per_second = 2.0f;
  std::memcpy(scan.data(), &sh, kScanStatsStoredSize);
  for (int k = 0; k < scans; ++k) {
    char* p = scan.data() + kScanStatsStoredSize;
    for (int i = 0; i < peaks; ++i, p += kPeakRecordSize) {
      double m = 35.0 + 0.5 * i + 0.001 * (k % 97);
      int32_t a = intensity(rng);
      std::memcpy(p, &m, 8);
      std::memcpy(p + 8, &a, 4);
    }
    std::fwrite(scan.data(), 1, scan.size(), f);
  }
  if (std::fclose(f) != 0) throw SorrelError("cannot write " + path);
}

// Mean seconds per iteration of each measurement, by name.
inline std::map<std::string, double>& MeanSeconds() {
  static std::map<std::string, double> seconds;
  return seconds;
}

template <typename F>
double Seconds(F&& f) {
  auto t0 = std::chrono::steady_clock::now();
  f();
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
}

// The processor time `f` takes on this thread: on a machine shared with
// other work it varies far less than the time on the clock.
template <typename F>
double CpuSeconds(F&& f) {
  timespec t0{}, t1{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t0);
  f();
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t1);
  return static_cast<double>(t1.tv_sec - t0.tv_sec) +
         1e-9 * static_cast<double>(t1.tv_nsec - t0.tv_nsec);
}

// Runs `f` once per iteration as the measured (manual) time and keeps the
// mean under `name`.
template <typename F>
void Measure(benchmark::State& state, const std::string& name, F&& f, bool cpu = false) {
  double total = 0;
  int n = 0;
  for (auto _ : state) {
    double s = cpu ? CpuSeconds(f) : Seconds(f);
    state.SetIterationTime(s);
    total += s;
    ++n;
  }
  MeanSeconds()[name] = total / n;
}

// Measurement `a` over the sum of the `baseline` measurements; -1 when one
// of them has not run.
inline double RatioOf(const std::string& a, const std::vector<std::string>& baseline) {
  auto& s = MeanSeconds();
  double base = 0;
  for (const auto& b : baseline) {
    if (!s.count(b)) return -1;
    base += s[b];
  }
  return s.count(a) ? s[a] / base : -1;
}

// The same as a counter of the benchmark.
inline void Ratio(benchmark::State& state, const char* counter, const std::string& a,
                  const std::vector<std::string>& baseline) {
  const double r = RatioOf(a, baseline);
  if (r >= 0) state.counters[counter] = r;
}

}  // namespace sorrel::bench
