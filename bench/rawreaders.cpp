// Decoding speed of the raw reader library against a plain read of the
// same file, in the same process.
//
// For every data format a synthetic run with a DAT file of about 200 MB
// (SORREL_BENCH_MB overrides the size) is written to a scratch directory.
// Each iteration first reads the DAT file whole into a buffer with read(2)
// (the baseline), then calls libkelpread.so's OpenMassLynxData on the
// directory as the program does, into arrays allocated once beforehand.
// The counters give both times and their ratio, decode / read; the aim is
// a ratio within 3. The "cal" variants add a calibration to format 0: a
// five-term polynomial (cal 1, T0) or a square-root one (cal 2, T1).
#include <benchmark/benchmark.h>
#include <dlfcn.h>
#include <fcntl.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

#include "core/common/Directories.h"
#include "rawreaders/KelpInterface.h"

namespace {

using Clock = std::chrono::steady_clock;

size_t TargetBytes() {
  const char* mb = std::getenv("SORREL_BENCH_MB");
  return static_cast<size_t>(mb ? std::atol(mb) : 200) * 1000 * 1000;
}

void Put16(std::string& s, uint16_t v) {
  s.push_back(static_cast<char>(v & 0xFF));
  s.push_back(static_cast<char>(v >> 8));
}
void Put32(std::string& s, uint32_t v) {
  Put16(s, static_cast<uint16_t>(v & 0xFFFF));
  Put16(s, static_cast<uint16_t>(v >> 16));
}
void PutF32(std::string& s, float f) {
  uint32_t b;
  std::memcpy(&b, &f, sizeof b);
  Put32(s, b);
}

// A run of scans with masses rising from 50 within each scan and random
// intensities, written in `format`.
struct SyntheticRun {
  std::string dir;
  size_t points = 0, scans = 0;

  SyntheticRun(int format, int calibration) {
    const bool calibrated = calibration != 0;
    dir = (std::filesystem::temp_directory_path() /
           ("sorrel-bench-" + std::to_string(::getpid()) + "-f" + std::to_string(format) +
            (calibrated ? "cal" + std::to_string(calibration) : "") + ".raw"))
              .string() +
          "/";
    std::filesystem::create_directories(dir);
    // Selected-ion runs: 32 channels per scan; the others 1000 points.
    const size_t perScan = format == 2 ? 32 : 1000;
    const size_t pointBytes = format == 0 ? 4 : format == 1 ? 5 : format == 2 ? 2 : 6;
    scans = TargetBytes() / (perScan * pointBytes);
    points = scans * perScan;

    std::string inf(416, '\0');
    uint16_t word = static_cast<uint16_t>(format << 10);
    std::memcpy(inf.data(), &word, 2);
    for (size_t c = 0; c < 32; ++c) {
      float channel = 100.0f + 10.0f * static_cast<float>(c);
      std::memcpy(inf.data() + 160 + 4 * c, &channel, 4);
    }
    Write("_FUNCTNS.INF", inf);

    std::string idx;
    idx.reserve(scans * 22);
    for (size_t i = 0; i < scans; ++i) {
      Put32(idx, 0);
      Put32(idx, static_cast<uint32_t>(perScan) | (calibrated ? (1u << 30) : 0));
      PutF32(idx, 1e6f);
      PutF32(idx, 0.001f * static_cast<float>(i + 1));
      idx.append(6, '\0');
    }
    Write("_FUNC001.IDX", idx);

    std::mt19937 rng(12345);
    std::string dat;
    dat.reserve(points * pointBytes);
    for (size_t k = 0; k < points; k += (format == 1 ? 2 : 1)) {
      uint32_t r = rng();
      double mass = 50.0 + static_cast<double>(k % perScan) * 0.9;
      switch (format) {
        case 0:
          Put32(dat, (static_cast<uint32_t>(mass * 128) << 11) | (r & 0x7FF));
          break;
        case 1:
          Put16(dat, static_cast<uint16_t>(r));
          Put16(dat, static_cast<uint16_t>(r >> 16));
          Put16(dat, static_cast<uint16_t>((mass - 64 * static_cast<int>(mass / 64)) * 1024));
          Put16(dat, static_cast<uint16_t>((static_cast<int>(mass / 64) & 0xFF) * 0x0101));
          Put16(dat, static_cast<uint16_t>((mass + 0.9 - 64 * static_cast<int>(mass / 64)) * 1024));
          break;
        case 2:
          Put16(dat, static_cast<uint16_t>(r));
          break;
        case 8:
          Put16(dat, static_cast<uint16_t>(r));
          Put32(dat, (static_cast<uint32_t>(mass * 2048) & 0xFFFFFFF0u) | ((r >> 16) & 7));
          break;
        case 9:
          Put16(dat, static_cast<uint16_t>(r));
          Put32(dat, (static_cast<uint32_t>(mass / 1024 * 4294967296.0) & 0xFFFFFE00u) |
                         (10u << 4) | ((r >> 16) & 15));
          break;
      }
    }
    Write("_FUNC001.DAT", dat);
    Write("_HEADER.TXT",
          calibration == 2
              ? "$$ Cal Function 1: 1.2e-3,1.000117,-2.4e-6,T1\r\n"
              : "$$ Cal Function 1: -3.924445963614183e-1,1.000252977448459e0,"
                "-2.429571643077414e-7,1.123763027703513e-10,-1.751552988608531e-14,T0\r\n");
  }
  ~SyntheticRun() {
    std::error_code ec;
    std::filesystem::remove_all(dir, ec);
  }
  void Write(const std::string& name, const std::string& bytes) const {
    std::ofstream out(dir + name, std::ios::binary);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out) throw std::runtime_error("cannot write " + dir + name);
  }
};

// The baseline: the whole DAT file into a buffer.
void PlainRead(const std::string& path, std::vector<char>& buffer) {
  int fd = ::open(path.c_str(), O_RDONLY);
  if (fd < 0) throw std::runtime_error("cannot open " + path);
  size_t done = 0;
  while (done < buffer.size()) {
    ssize_t got = ::read(fd, buffer.data() + done, buffer.size() - done);
    if (got <= 0) break;
    done += static_cast<size_t>(got);
  }
  ::close(fd);
  benchmark::DoNotOptimize(buffer.data());
}

void BM_Decode(benchmark::State& state) {
  const int format = static_cast<int>(state.range(0));
  const int calibration = static_cast<int>(state.range(1));
  std::string lib = sorrel::ProgramDir() + "libkelpread.so";
  void* handle = dlopen(lib.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!handle) {
    state.SkipWithError(("cannot load " + lib).c_str());
    return;
  }
  auto read = reinterpret_cast<KelpOpenMassLynxData>(dlsym(handle, "OpenMassLynxData"));
  SyntheticRun run(format, calibration);
  std::vector<float> masses(run.points), intensities(run.points), tic(run.scans), rt(run.scans);
  std::vector<int32_t> counts(run.scans);
  std::vector<char> buffer(std::filesystem::file_size(run.dir + "_FUNC001.DAT"));
  std::string text = run.dir;
  text.push_back('\0');
  text += std::to_string(run.points) + " " + std::to_string(run.scans);

  double readSeconds = 0, decodeSeconds = 0;
  for (auto _ : state) {
    auto t0 = Clock::now();
    PlainRead(run.dir + "_FUNC001.DAT", buffer);
    auto t1 = Clock::now();
    int16_t status = KELP_STATUS_SIZES_FOLLOW;
    read(&status, text.c_str(), masses.data(), intensities.data(), tic.data(), rt.data(),
         counts.data());
    auto t2 = Clock::now();
    if (status != 0) {
      state.SkipWithError(("status " + std::to_string(status)).c_str());
      break;
    }
    benchmark::DoNotOptimize(masses.data());
    readSeconds += std::chrono::duration<double>(t1 - t0).count();
    decodeSeconds += std::chrono::duration<double>(t2 - t1).count();
  }
  const double n = static_cast<double>(state.iterations());
  state.counters["MB"] = static_cast<double>(buffer.size()) / 1e6;
  state.counters["read_ms"] = 1e3 * readSeconds / n;
  state.counters["decode_ms"] = 1e3 * decodeSeconds / n;
  state.counters["ratio"] = decodeSeconds / readSeconds;
  dlclose(handle);
}

BENCHMARK(BM_Decode)
    ->ArgNames({"format", "cal"})
    ->Args({0, 0})
    ->Args({0, 1})
    ->Args({0, 2})
    ->Args({1, 0})
    ->Args({2, 0})
    ->Args({8, 0})
    ->Args({9, 0})
    ->Iterations(5)
    ->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
