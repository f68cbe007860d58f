// GC/MS run files at realistic size. A run of 50 000 scans (about 500 MB,
// 708 peaks a scan) is written as an HD file in a scratch directory, and
// in the same process are measured: a plain sequential read of the file
// (the baseline), indexing it, reopening it from its index, reading 1000
// random scans, and the peak memory of opening it. A second run of 28 000
// scans (19.8 million points, under the export's limit of 20 million) is
// exported to netCDF, against a plain read of its HD file plus a plain
// write of as many bytes as the export. An ANDI/MS run of about 500 MB
// (44 000 scans of 708 points, masses and intensities as doubles, as an
// instrument writes it with the netCDF library) is opened, against a plain
// read of the file, what the netCDF library alone takes to hand over its
// two point arrays, and what building the store's scans of that size takes
// without reading anything (the memory they need, fresh from the system);
// with the peak memory of opening it against the data the store then
// holds. The files are removed at the end.
//
// All files sit in the page cache after they are written, so reading is
// measured against reading, not against the disk; writes are synced, as
// the program's saving syncs them. The memory of opening is the growth of
// the peak resident size (VmHWM, reset before) over the resident size
// before the opening.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <netcdf.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "BenchSupport.h"
#include "core/common/Errors.h"
#include "core/spectrum/HDIndex.h"
#include "core/spectrum/HDRecords.h"
#include "core/spectrum/NetCDF.h"
#include "core/spectrum/Spec.h"

using namespace sorrel;

namespace {

constexpr int kScans = 50000;
constexpr int kExportScans = 28000;
constexpr int kAndiScans = 44000;
constexpr int kPeaks = 708;

std::string g_dir;
std::string g_run, g_exportRun, g_export, g_andi;
double g_peakFraction = -1;
double g_andiPeakOfData = -1;

void WriteRun(const std::string& path, int scans) {
  bench::WriteHDRun(path, scans, kPeaks);
}

void Nc(int status, const char* what) {
  if (status != NC_NOERR) throw SorrelError(std::string(what) + ": " + nc_strerror(status));
}

// Writes an ANDI/MS run as an instrument's software does with the netCDF
// library (classic format): the scan tables, and the masses and
// intensities of each scan as doubles.
void WriteAndiRun(const std::string& path, int scans) {
  int nc = -1;
  size_t chunk = size_t{1} << 20;
  Nc(nc__create(path.c_str(), NC_CLOBBER, 0, &chunk, &nc), "nc__create");
  int oldFill = 0;
  Nc(nc_set_fill(nc, NC_NOFILL, &oldFill), "nc_set_fill");
  const size_t total = static_cast<size_t>(scans) * kPeaks;
  int scanDim = 0, pointDim = 0;
  Nc(nc_def_dim(nc, "scan_number", static_cast<size_t>(scans), &scanDim), "nc_def_dim");
  Nc(nc_def_dim(nc, "point_number", total, &pointDim), "nc_def_dim");
  int vIndex, vCount, vTime, vTotal, vMass, vInten;
  Nc(nc_def_var(nc, "scan_index", NC_INT, 1, &scanDim, &vIndex), "nc_def_var");
  Nc(nc_def_var(nc, "point_count", NC_INT, 1, &scanDim, &vCount), "nc_def_var");
  Nc(nc_def_var(nc, "scan_acquisition_time", NC_DOUBLE, 1, &scanDim, &vTime), "nc_def_var");
  Nc(nc_def_var(nc, "total_intensity", NC_DOUBLE, 1, &scanDim, &vTotal), "nc_def_var");
  Nc(nc_def_var(nc, "mass_values", NC_DOUBLE, 1, &pointDim, &vMass), "nc_def_var");
  Nc(nc_def_var(nc, "intensity_values", NC_DOUBLE, 1, &pointDim, &vInten), "nc_def_var");
  Nc(nc_enddef(nc), "nc_enddef");
  std::vector<int> index(static_cast<size_t>(scans)), count(static_cast<size_t>(scans), kPeaks);
  std::vector<double> times(static_cast<size_t>(scans)), totals(static_cast<size_t>(scans));
  std::mt19937 rng(2);
  std::uniform_int_distribution<int32_t> intensity(1, 1000000);
  std::vector<double> m(kPeaks), a(kPeaks);
  for (int k = 0; k < scans; ++k) {
    double sum = 0;
    for (int i = 0; i < kPeaks; ++i) {
      m[static_cast<size_t>(i)] = 35.0 + 0.5 * i + 0.001 * (k % 97);
      a[static_cast<size_t>(i)] = intensity(rng);
      sum += a[static_cast<size_t>(i)];
    }
    size_t at = static_cast<size_t>(k) * kPeaks, n = kPeaks;
    Nc(nc_put_vara_double(nc, vMass, &at, &n, m.data()), "nc_put_vara_double");
    Nc(nc_put_vara_double(nc, vInten, &at, &n, a.data()), "nc_put_vara_double");
    index[static_cast<size_t>(k)] = static_cast<int>(at);
    times[static_cast<size_t>(k)] = 0.5 * (k + 1);
    totals[static_cast<size_t>(k)] = sum;
  }
  size_t start = 0, len = static_cast<size_t>(scans);
  Nc(nc_put_vara_int(nc, vIndex, &start, &len, index.data()), "nc_put_vara_int");
  Nc(nc_put_vara_int(nc, vCount, &start, &len, count.data()), "nc_put_vara_int");
  Nc(nc_put_vara_double(nc, vTime, &start, &len, times.data()), "nc_put_vara_double");
  Nc(nc_put_vara_double(nc, vTotal, &start, &len, totals.data()), "nc_put_vara_double");
  Nc(nc_close(nc), "nc_close");
}

uint64_t FileSize(const std::string& path) {
  return std::filesystem::file_size(path);
}

// Reads a whole file with plain read() calls.
uint64_t PlainRead(const std::string& path) {
  int fd = ::open(path.c_str(), O_RDONLY);
  std::vector<char> buf(1 << 20);
  uint64_t total = 0, sum = 0;
  for (;;) {
    ssize_t n = ::read(fd, buf.data(), buf.size());
    if (n <= 0) break;
    total += static_cast<uint64_t>(n);
    sum += static_cast<unsigned char>(buf[0]);
  }
  ::close(fd);
  benchmark::DoNotOptimize(sum);
  return total;
}

// Writes `bytes` bytes with plain write() calls and syncs them.
void PlainWrite(const std::string& path, uint64_t bytes) {
  int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  std::vector<char> buf(1 << 20, 1);
  for (uint64_t done = 0; done < bytes;) {
    size_t n = static_cast<size_t>(std::min<uint64_t>(buf.size(), bytes - done));
    if (::write(fd, buf.data(), n) != static_cast<ssize_t>(n)) break;
    done += n;
  }
  ::fsync(fd);
  ::close(fd);
}

// Peak resident memory (VmHWM) in bytes; ResetPeak starts a new peak.
uint64_t PeakResident() {
  std::ifstream in("/proc/self/status");
  std::string key;
  while (in >> key) {
    if (key == "VmHWM:") {
      uint64_t kb = 0;
      in >> kb;
      return kb * 1024;
    }
    std::getline(in, key);
  }
  return 0;
}
uint64_t Resident() {
  std::ifstream in("/proc/self/status");
  std::string key;
  while (in >> key) {
    if (key == "VmRSS:") {
      uint64_t kb = 0;
      in >> kb;
      return kb * 1024;
    }
    std::getline(in, key);
  }
  return 0;
}
void ResetPeak() {
  std::ofstream("/proc/self/clear_refs") << "5";
}

using bench::Measure;
using bench::Ratio;

void BM_PlainSequentialRead(benchmark::State& state) {
  Measure(state, "plain read", [] { PlainRead(g_run); });
  state.SetBytesProcessed(static_cast<int64_t>(FileSize(g_run)) * state.iterations());
}

void BM_IndexRun(benchmark::State& state) {
  uint64_t peak = 0;
  Measure(state, "index", [&] {
    std::filesystem::remove(HDIndexFileName(g_run, false));
    uint64_t before = Resident();
    ResetPeak();
    TSpec spec;
    if (!spec.OpenFile(g_run) || spec.NSpec() != kScans) throw SorrelError("indexing failed");
    peak = std::max(peak, PeakResident() - std::min(PeakResident(), before));
  });
  g_peakFraction = static_cast<double>(peak) / static_cast<double>(FileSize(g_run));
  state.counters["peak_memory_of_file"] = g_peakFraction;
  Ratio(state, "to_plain_read", "index", {"plain read"});
}

void BM_ReopenFromIndex(benchmark::State& state) {
  {
    TSpec spec;
    spec.OpenFile(g_run);  // makes sure the index is there
  }
  Measure(state, "reopen", [] {
    TSpec spec;
    if (!spec.OpenFile(g_run) || !spec.HDindex()->UsedIndexFile) throw SorrelError("no index used");
  });
  Ratio(state, "to_first_opening", "reopen", {"index"});
}

void BM_Read1000RandomScans(benchmark::State& state) {
  TSpec spec;
  spec.OpenFile(g_run);
  std::mt19937 rng(3);
  std::uniform_int_distribution<int32_t> pick(0, kScans - 1);
  Measure(state, "1000 random scans", [&] {
    size_t points = 0;
    for (int i = 0; i < 1000; ++i)
      points += spec.GetMass(pick(rng)).size();
    if (points != 1000u * kPeaks) throw SorrelError("wrong scans");
  });
  state.counters["ms_per_scan"] = bench::MeanSeconds()["1000 random scans"];  // 1000 scans: s -> ms
}

void BM_PlainReadWriteOfExportBytes(benchmark::State& state) {
  std::string scratch = g_dir + "/plain.bin";
  Measure(state, "plain read+write", [&] {
    PlainRead(g_exportRun);
    PlainWrite(scratch, FileSize(g_export));
  });
  std::filesystem::remove(scratch);
}

void BM_ExportToNetCDF(benchmark::State& state) {
  TSpec spec;
  spec.OpenFile(g_exportRun);
  std::string out = g_dir + "/again.cdf";
  Measure(state, "export", [&] {
    if (!spec.SaveFile(out)) throw SorrelError("export failed");
  });
  std::filesystem::remove(out);
  Ratio(state, "to_plain_read_write", "export", {"plain read+write"});
}

void BM_PlainReadOfAndi(benchmark::State& state) {
  Measure(state, "plain read of ANDI run", [] { PlainRead(g_andi); });
  state.SetBytesProcessed(static_cast<int64_t>(FileSize(g_andi)) * state.iterations());
}

// What the netCDF library alone takes to hand over the two point arrays
// (it decodes the file's big-endian doubles), in the blocks the reader
// uses: the floor of any reader built on it. `buffer` is the library's I/O
// buffer (0: its own default, a few kilobytes).
void LibraryRead(const std::string& path, size_t buffer) {
  int nc = -1, vm = -1, vi = -1;
  int status = buffer == 0 ? nc_open(path.c_str(), NC_NOWRITE, &nc)
                           : nc__open(path.c_str(), NC_NOWRITE, &buffer, &nc);
  if (status != NC_NOERR) throw SorrelError("nc_open");
  nc_inq_varid(nc, "mass_values", &vm);
  nc_inq_varid(nc, "intensity_values", &vi);
  const size_t total = static_cast<size_t>(kAndiScans) * kPeaks, block = size_t{1} << 16;
  std::vector<double> buf(block);
  double sum = 0;
  for (size_t at = 0; at < total; at += block) {
    size_t n = std::min(block, total - at);
    nc_get_vara_double(nc, vm, &at, &n, buf.data());
    sum += buf[0];
    nc_get_vara_double(nc, vi, &at, &n, buf.data());
    sum += buf[0];
  }
  nc_close(nc);
  benchmark::DoNotOptimize(sum);
}

void BM_LibraryReadOfAndi(benchmark::State& state) {
  Measure(state, "library read of ANDI run", [] { LibraryRead(g_andi, 0); });
  Ratio(state, "to_plain_read", "library read of ANDI run", {"plain read of ANDI run"});
}

// The same with the I/O buffer the reader gives the library.
void BM_LibraryReadOfAndiReaderBuffer(benchmark::State& state) {
  Measure(state, "library read of ANDI run, reader's buffer",
          [] { LibraryRead(g_andi, kNetCDFReadBuffer); });
  Ratio(state, "to_plain_read", "library read of ANDI run, reader's buffer",
        {"plain read of ANDI run"});
}

// The store's scans of the ANDI run's size built from nothing: the memory
// they take, fresh from the system, written once. No reader can hand over
// a run in less.
void BM_FreshScansOfAndiSize(benchmark::State& state) {
  Measure(state, "fresh scans", [] {
    tMass scans(kAndiScans);
    for (tXYarray& s : scans)
      s.assign(kPeaks, dPoint{1.0f, 2.0f});
    benchmark::DoNotOptimize(scans.data());
  });
}

void BM_OpenAndi(benchmark::State& state) {
  uint64_t peak = 0;
  Measure(state, "open ANDI run", [&] {
    uint64_t before = Resident();
    ResetPeak();
    TSpec spec;
    if (!spec.OpenFile(g_andi) || spec.NSpec() != kAndiScans) throw SorrelError("open failed");
    peak = std::max(peak, PeakResident() - std::min(PeakResident(), before));
  });
  // The data the store holds: every point and the chromatogram, as pairs
  // of 32-bit floats.
  const double data = static_cast<double>(kAndiScans) * (kPeaks + 1) * sizeof(dPoint);
  g_andiPeakOfData = static_cast<double>(peak) / data;
  state.counters["peak_memory_of_data"] = g_andiPeakOfData;
  Ratio(state, "to_plain_read", "open ANDI run", {"plain read of ANDI run"});
  Ratio(state, "to_library_read", "open ANDI run", {"library read of ANDI run"});
  Ratio(state, "to_library_read_same_buffer", "open ANDI run",
        {"library read of ANDI run, reader's buffer"});
  Ratio(state, "to_library_read_and_fresh_scans", "open ANDI run",
        {"library read of ANDI run, reader's buffer", "fresh scans"});
}

}  // namespace

BENCHMARK(BM_PlainSequentialRead)->Iterations(3)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_IndexRun)->Iterations(3)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReopenFromIndex)->Iterations(5)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Read1000RandomScans)->Iterations(5)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PlainReadWriteOfExportBytes)
    ->Iterations(2)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ExportToNetCDF)->Iterations(2)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PlainReadOfAndi)->Iterations(3)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LibraryReadOfAndi)->Iterations(3)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LibraryReadOfAndiReaderBuffer)
    ->Iterations(3)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FreshScansOfAndiSize)->Iterations(3)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OpenAndi)->Iterations(3)->UseManualTime()->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  std::string tmpl = (std::filesystem::temp_directory_path() / "sorrel-bench-runs-XXXXXX").string();
  if (!mkdtemp(tmpl.data())) {
    std::perror("mkdtemp");
    return 1;
  }
  g_dir = tmpl;
  g_run = g_dir + "/large.R01";
  g_exportRun = g_dir + "/export.R02";
  g_export = g_dir + "/export.cdf";
  g_andi = g_dir + "/andi.cdf";
  int rc = 0;
  try {
    WriteRun(g_run, kScans);
    WriteRun(g_exportRun, kExportScans);
    {
      TSpec spec;
      if (!spec.OpenFile(g_exportRun) || !spec.SaveFile(g_export))
        throw SorrelError("cannot prepare the export");
    }
    WriteAndiRun(g_andi, kAndiScans);
    std::printf(
        "HD run: %d scans, %.1f MB; export run: %d scans, %.1f million points, netCDF %.1f MB; "
        "ANDI run: %d scans, %.1f million points, %.1f MB\n",
        kScans, FileSize(g_run) / 1e6, kExportScans, kExportScans * kPeaks / 1e6,
        FileSize(g_export) / 1e6, kAndiScans, kAndiScans * kPeaks / 1e6, FileSize(g_andi) / 1e6);
    benchmark::RunSpecifiedBenchmarks();
    const auto ratio = bench::RatioOf;
    std::printf("\nindexing / plain read                  %.2f (goal <= 2)\n",
                ratio("index", {"plain read"}));
    std::printf("reopening from index / first opening   %.4f (goal < 0.05)\n",
                ratio("reopen", {"index"}));
    if (bench::MeanSeconds().count("1000 random scans"))
      std::printf("random scan read                       %.3f ms (goal < 1 ms)\n",
                  bench::MeanSeconds()["1000 random scans"]);
    std::printf("netCDF export / plain read+write       %.2f (goal <= 3)\n",
                ratio("export", {"plain read+write"}));
    std::printf("ANDI open / plain read                 %.2f\n",
                ratio("open ANDI run", {"plain read of ANDI run"}));
    std::printf("netCDF library read / plain read       %.2f (the library's own decoding)\n",
                ratio("library read of ANDI run", {"plain read of ANDI run"}));
    std::printf("ANDI open / library read               %.2f (goal <= 1.5)\n",
                ratio("open ANDI run", {"library read of ANDI run"}));
    std::printf("ANDI open / library read, same buffer  %.2f\n",
                ratio("open ANDI run", {"library read of ANDI run, reader's buffer"}));
    std::printf(
        "ANDI open / (that + fresh scans)       %.2f\n",
        ratio("open ANDI run", {"library read of ANDI run, reader's buffer", "fresh scans"}));
    if (g_andiPeakOfData >= 0)
      std::printf("peak memory of ANDI open / its data    %.3f (goal <= 1.2)\n", g_andiPeakOfData);
    if (g_peakFraction >= 0)
      std::printf("peak memory of opening / file size     %.4f (goal < 0.10)\n", g_peakFraction);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "bench_runfiles: %s\n", e.what());
    rc = 1;
  }
  std::error_code ec;
  std::filesystem::remove_all(g_dir, ec);
  benchmark::Shutdown();
  return rc;
}
