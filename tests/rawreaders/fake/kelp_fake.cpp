// A stand-in for either raw reader library, whose answers the test sets
// through the environment:
//   KELPFAKE_STATUS   the status to give ("keep": leave the preset alone)
//   KELPFAKE_POINTS, KELPFAKE_SCANS, KELPFAKE_FORMAT   what GetFileParameters says
//   KELPFAKE_COUNT    OpenMassLynxData: the point count of every scan; the
//                     masses are 100, 101, ... in one run, intensities 1,
//                     retention times 1, 2, ... minutes
//   KELPFAKE_LOG      OpenMassLynxData writes the status preset and the
//                     text after the directory's NUL (when the preset
//                     announces sizes) to this file
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <locale>
#include <string>

#include "rawreaders/KelpInterface.h"

#define FAKE_EXPORT extern "C" __attribute__((visibility("default")))

namespace {

long Env(const char* name, long fallback) {
  const char* v = std::getenv(name);
  return v ? std::strtol(v, nullptr, 10) : fallback;
}

bool KeepStatus() {
  const char* v = std::getenv("KELPFAKE_STATUS");
  return v && std::strcmp(v, "keep") == 0;
}

}  // namespace

FAKE_EXPORT void GetFileParameters(int16_t* status, const char*, int32_t* points, int32_t* scans,
                                   int16_t* format) {
  if (KeepStatus()) return;
  *points = static_cast<int32_t>(Env("KELPFAKE_POINTS", 0));
  *scans = static_cast<int32_t>(Env("KELPFAKE_SCANS", 0));
  *format = static_cast<int16_t>(Env("KELPFAKE_FORMAT", 0));
  *status = static_cast<int16_t>(Env("KELPFAKE_STATUS", 0));
}

FAKE_EXPORT void OpenMassLynxData(int16_t* status, const char* directory, float* masses,
                                  float* intensities, float* tics, float* rts, int32_t* counts) {
  if (const char* log = std::getenv("KELPFAKE_LOG")) {
    std::ofstream out(log);
    out.imbue(std::locale::classic());
    out << *status << "\n" << directory << "\n";
    if (*status == KELP_STATUS_SIZES_FOLLOW) out << directory + std::strlen(directory) + 1 << "\n";
  }
  if (KeepStatus()) return;
  long points = Env("KELPFAKE_POINTS", 0), scans = Env("KELPFAKE_SCANS", 0);
  long count = Env("KELPFAKE_COUNT", 0);
  for (long k = 0; k < points; ++k) {
    masses[k] = 100.0f + static_cast<float>(k);
    intensities[k] = 1.0f;
  }
  for (long i = 0; i < scans; ++i) {
    tics[i] = 10.0f;
    rts[i] = static_cast<float>(i + 1);
    counts[i] = static_cast<int32_t>(count);
  }
  *status = static_cast<int16_t>(Env("KELPFAKE_STATUS", 0));
}
