#include "core/spectrum/MassLynxRead.h"

#include <dlfcn.h>
#include <sys/stat.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <new>

#include "core/common/Directories.h"
#include "core/common/Errors.h"
#include "core/common/Paths.h"
#include "core/common/TextFile.h"
#include "core/common/UiHooks.h"
#include "core/spectrum/Spec.h"
#include "rawreaders/KelpInterface.h"
#include "rawreaders/common/RawFiles.h"

namespace sorrel {

namespace {

const char* const kErrorCaption = "Marjoram Error";

// The one reader object of the program. Held shared so that an Open in
// progress survives a FreeMassLynx from a re-entered event (AddSSpec lets
// pending events run after every scan).
std::shared_ptr<TMassLynx> g_massLynx;

void ShowError(const std::string& text) {
  Ui().ShowCaptionedMessage(kErrorCaption, text);
}

// Loads `file` from ProgramDir, looks up `entryName`, keeps the entry in
// `entry` while it calls `use`, then unloads the library and clears the
// entry. False, with the message shown, when a step before the call fails.
template <class Entry, class Use>
bool WithLibrary(const char* file, const char* entryName, const std::string& cannotLoad,
                 const std::string& noEntry, Entry& entry, Use use) {
  std::string path = ProgramDir() + file;
  if (!FileExists(path)) {
    Ui().ShowMessage(path + " not found");
    return false;
  }
  void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (handle == nullptr) {
    ShowError(cannotLoad);
    return false;
  }
  struct Unload {
    void* handle;
    Entry& entry;
    ~Unload() {
      entry = nullptr;
      dlclose(handle);
    }
  } unload{handle, entry};
  void* symbol = dlsym(handle, entryName);
  if (symbol == nullptr) {
    ShowError(noEntry);
    return false;
  }
  entry = reinterpret_cast<Entry>(symbol);
  use(entry);
  return true;
}

// A status other than 0 is shown and fails the call.
bool StatusOk(int16_t status) {
  if (status == KELP_OK) return true;
  ShowError(MassLynxStatusText(status));
  return false;
}

std::string Num(size_t n) {
  return std::to_string(n);
}

// Length of a regular file in the raw directory; 0 when there is none.
uint64_t RawFileSize(const std::string& dir, const char* ext) {
  struct stat st {};
  const std::string path = dir + kelp::FunctionFileName(1, ext);
  return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) ? static_cast<uint64_t>(st.st_size)
                                                             : 0;
}

// Why the run-parameter library's counts cannot be the counts of the
// directory's files (empty when they can): the counts come from the sizes
// of _FUNC001.IDX and _FUNC001.DAT by the rules both libraries share, and
// the arrays are sized by them, so a count beyond what the files hold (a
// stand-in library, files cut short since) is refused before anything is
// allocated. Files that grew since are the reader's to refuse.
std::string CountsBeyondFiles(const std::string& dir, int32_t points, int32_t scans,
                              int16_t format) {
  if (points < 0 || scans < 0)
    return "the run-parameter library gave " + std::to_string(points) + " points and " +
           std::to_string(scans) + " scans";
  const uint64_t idx = RawFileSize(dir, "IDX"), dat = RawFileSize(dir, "DAT");
  const uint64_t maxScans = kelp::RoundedCount(idx, kelp::kIndexRecordBytes);
  if (static_cast<uint64_t>(scans) > maxScans)
    return "_FUNC001.IDX (" + std::to_string(idx) + " bytes) holds at most " +
           std::to_string(maxScans) + " scans, not " + std::to_string(scans);
  const uint64_t each = kelp::PointBytes(format);
  const uint64_t maxPoints = each == 0 ? 0 : kelp::RoundedCount(dat, each);
  if (static_cast<uint64_t>(points) > maxPoints)
    return "_FUNC001.DAT (" + std::to_string(dat) + " bytes) holds at most " +
           std::to_string(maxPoints) + " points of data format " + std::to_string(format) +
           ", not " + std::to_string(points);
  return {};
}

// True when the reader's point counts delimit the scans: they account for
// exactly the points handed back.
bool CountsDelimitScans(const std::vector<float>& masses, const std::vector<int32_t>& counts) {
  size_t total = 0;
  for (int32_t c : counts) {
    if (c < 0) return false;
    total += static_cast<size_t>(c);
    if (total > masses.size()) return false;
  }
  return total == masses.size();
}

}  // namespace

std::string MassLynxStatusText(int status) {
  switch (status) {
    case 5:
      return "Unknow data format";
    case 7:
      return "Out of memory";
    case 9:
      return "Subscript/Pointer out of range";
    case 24:
      return "Device Time-Out";
    case 51:
      return "Internal error";
    case 52:
      return "Bad file name or number";
    case 53:
      return "File not found";
    case 54:
      return "Bad file mode";
    case 55:
      return "File is already open";
    case 57:
      return "Device I/O error";
    case 58:
      return "File already exists";
    case 61:
      return "Disk full";
    case 62:
      return "Input past end";
    case 63:
      return "Bad record number";
    case 64:
      return "Bad file name";
    case 67:
      return "Too many files";
    case 68:
      return "Device unavailable";
    case 70:
      return "Permission denied";
    case 71:
      return "Disk not ready";
    case 72:
      return "Disk media error";
    case 74:
      return "Rename across disks";
    case 75:
      return "Path/file access error";
    case 76:
      return "Path not found";
    default:
      return "Filter Error";
  }
}

bool TMassLynx::CallGetFileParameters(const std::string& dir, int32_t& points, int32_t& scans,
                                      int16_t& format) {
  int16_t status = 1;
  bool called = WithLibrary(
      kKelpinfoFile, "GetFileParameters", std::string("Cannot load ") + kKelpinfoFile,
      "Unable to call function in KELPINFO", GetFileParameters,
      [&](TGetFileParameters call) { call(&status, dir.c_str(), &points, &scans, &format); });
  return called && StatusOk(status);
}

bool TMassLynx::CallOpenMassLynxData(const std::string& dir, RawRun& run) {
  // The array sizes travel after the directory's NUL, announced by the
  // status preset, so that the reader never writes past the arrays even
  // when the files change after they were counted.
  std::string text = dir;
  text.push_back('\0');
  text += std::to_string(run.masses.size()) + " " + std::to_string(run.retentionTimes.size());
  int16_t status = KELP_STATUS_SIZES_FOLLOW;
  bool called = WithLibrary(
      kKelpreadFile, "OpenMassLynxData", std::string("Cannot load ") + kKelpreadFile,
      "Unable to call function in Kelpread", OpenMassLynxData, [&](TOpenMassLynxData call) {
        call(&status, text.c_str(), run.masses.data(), run.intensities.data(),
             run.totalIonCurrents.data(), run.retentionTimes.data(), run.pointCounts.data());
      });
  return called && StatusOk(status);
}

bool TMassLynx::ReadRun(const std::string& sRAWDirectory, RawRun& run) {
  int32_t points = 0, scans = 0;
  int16_t format = 0;
  if (!CallGetFileParameters(sRAWDirectory, points, scans, format)) return false;
  std::string dir = sRAWDirectory;
  if (!dir.empty() && dir.back() != '/') dir.push_back('/');
  if (std::string beyond = CountsBeyondFiles(dir, points, scans, format); !beyond.empty()) {
    ShowError(MassLynxStatusText(KELP_OUT_OF_RANGE) + ": " + sRAWDirectory + ": " + beyond);
    return false;
  }
  run.format = format;
  try {
    run.masses.assign(static_cast<size_t>(points), 0.0f);
    run.intensities.assign(static_cast<size_t>(points), 0.0f);
    run.totalIonCurrents.assign(static_cast<size_t>(scans), 0.0f);
    run.retentionTimes.assign(static_cast<size_t>(scans), 0.0f);
    run.pointCounts.assign(static_cast<size_t>(scans), 0);
  } catch (const std::bad_alloc&) {
    run = RawRun();
    ShowError(MassLynxStatusText(KELP_OUT_OF_MEMORY));
    return false;
  }
  return CallOpenMassLynxData(sRAWDirectory, run);
}

void TMassLynx::AddScans(const std::string& dir, const RawRun& run) {
  const std::vector<float>& masses = run.masses;
  const std::vector<float>& intensities = run.intensities;
  const size_t nScans = run.retentionTimes.size();
  const bool byCounts = CountsDelimitScans(masses, run.pointCounts);

  for (size_t k = 0; k < masses.size(); ++k) {
    if (std::isfinite(masses[k]) && std::isfinite(intensities[k])) continue;
    std::string where = "point " + Num(k);
    if (byCounts) {
      size_t u = 0, end = 0;
      while (u < nScans && (end += static_cast<size_t>(run.pointCounts[u])) <= k)
        ++u;
      where = "scan " + Num(u);
    }
    throw MathError(dir + ": " + where + " holds a mass or intensity that is not a finite number");
  }

  // The directory's run replaces whatever the store held; its scans are
  // added one by one, as an acquisition adds them.
  Spec->CMass.clear();
  Spec->TakeRun({}, {});
  auto addScan = [&](size_t u, const tXYarray& spectrum) {
    float rt = run.retentionTimes[u], tic = run.totalIonCurrents[u];
    if (!std::isfinite(rt) || !std::isfinite(tic))
      throw MathError(dir + ": scan " + Num(u) +
                      " has a retention time or total ion current that is not a finite number");
    try {
      Spec->AddSSpec(static_cast<double>(rt) * 60.0, static_cast<double>(tic), spectrum);
    } catch (const MathError&) {
      throw;
    } catch (const SorrelError& e) {
      throw SorrelError(dir + ": scan " + Num(u) + ": " + e.what());
    }
  };

  if (byCounts) {
    // Every scan of the index becomes a scan of the run, also where its
    // first mass does not fall below the last scan's (a selected-ion run
    // repeats the same masses in every scan). Within a scan the points are
    // taken in order of mass (a selected-ion function may list its channels
    // in any order; other scans are in order already) and as below: zero
    // intensities are not stored, a repeated mass is dropped.
    size_t first = 0;
    tXYarray spectrum;
    std::vector<size_t> order;
    for (size_t u = 0; u < nScans; ++u) {
      const size_t n = static_cast<size_t>(run.pointCounts[u]);
      order.resize(n);
      for (size_t j = 0; j < n; ++j)
        order[j] = first + j;
      if (!std::is_sorted(masses.begin() + static_cast<ptrdiff_t>(first),
                          masses.begin() + static_cast<ptrdiff_t>(first + n)))
        std::stable_sort(order.begin(), order.end(),
                         [&](size_t a, size_t b) { return masses[a] < masses[b]; });
      spectrum.clear();
      for (size_t j = 0; j < n; ++j) {
        size_t k = order[j];
        if (j > 0 && !(masses[k] > masses[order[j - 1]])) continue;
        if (intensities[k] != 0) spectrum.push_back({masses[k], intensities[k]});
      }
      addScan(u, spectrum);
      first += n;
    }
    return;
  }

  // Without usable point counts a new scan starts where the mass falls.
  tXYarray spectrum;
  size_t u = 0;
  auto startsBeyondIndex = [&] {
    return SorrelError(dir + ": _FUNC001.DAT holds more scans than _FUNC001.IDX lists (" +
                       Num(nScans) + ")");
  };
  for (size_t w = 0; w < masses.size(); ++w) {
    float m = masses[w], intensity = intensities[w];
    if (w > 0 && m < masses[w - 1]) {
      if (u >= nScans) throw startsBeyondIndex();
      addScan(u, spectrum);
      ++u;
      spectrum.clear();
      if (intensity != 0) spectrum.push_back({m, intensity});
    } else if (w == 0 || m > masses[w - 1]) {
      if (intensity != 0) spectrum.push_back({m, intensity});
    }
  }
  if (!masses.empty()) {
    if (u >= nScans) throw startsBeyondIndex();
    addScan(u, spectrum);
  }
}

bool TMassLynx::Open(const std::string& sRAWDirectory) {
  if (Spec == nullptr) return false;
  TSpec& spec = *Spec;
  spec.SetAutoRefresh(false);
  bool ok = false;
  try {
    RawRun run;
    if (ReadRun(sRAWDirectory, run)) {
      if (run.format == 12) {
        // The reader accepts this format but decodes none of its points;
        // an empty run would look like a successful read.
        ShowError("Data format 12 is not supported: the spectra in " + sRAWDirectory +
                  " cannot be read");
      } else {
        AddScans(sRAWDirectory, run);
        // Every scan's total is the total ion current of the index.
        spec.SetTotalsFromFile(spec.NSpec());
        ok = true;
      }
    }
  } catch (...) {
    try {
      spec.SetAutoRefresh(true);
    } catch (...) {
      // The reading error is the one to report.
    }
    throw;
  }
  spec.SetAutoRefresh(true);
  return ok;
}

tXYarray TMassLynx::ReadSpectrum(const std::string& sRAWDirectory, int32_t iIndex) {
  RawRun run;
  if (!ReadRun(sRAWDirectory, run)) return {};
  if (iIndex < 0 || static_cast<size_t>(iIndex) >= run.pointCounts.size()) return {};
  size_t first = 0;
  for (int32_t i = 0; i < iIndex; ++i)
    first += static_cast<size_t>(std::max(run.pointCounts[static_cast<size_t>(i)], 0));
  size_t count = static_cast<size_t>(std::max(run.pointCounts[static_cast<size_t>(iIndex)], 0));
  // Counts that run past the points end where the points end.
  if (first >= run.masses.size()) return {};
  count = std::min(count, run.masses.size() - first);
  tXYarray result(count);
  for (size_t j = 0; j < count; ++j)
    result[j] = {run.masses[first + j], run.intensities[first + j]};
  return result;
}

void FreeMassLynx() {
  g_massLynx.reset();
}

bool OpenMassLynx(TSpec& spec, const std::string& rawDirectory) {
  std::shared_ptr<TMassLynx> reader = std::make_shared<TMassLynx>();
  g_massLynx = reader;
  reader->Spec = &spec;
  return reader->Open(rawDirectory);
}

}  // namespace sorrel
