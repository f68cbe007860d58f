#pragma once
// TMassLynx: MassLynx raw directories, read through the two reader
// libraries beside the program. For every read it loads libkelpinfo.so for
// the counts and libkelpread.so for the points, each by file name from
// ProgramDir, calls its one export and unloads it again; it then cuts the
// flat point list into scans and adds them to the store one by one.
#include <cstdint>
#include <string>
#include <vector>

#include "core/common/Types.h"

namespace sorrel {

class TSpec;

// File names of the two libraries in ProgramDir.
inline constexpr const char* kKelpinfoFile = "libkelpinfo.so";
inline constexpr const char* kKelpreadFile = "libkelpread.so";

// The message text of a library status.
std::string MassLynxStatusText(int status);

class TMassLynx {
 public:
  using TGetFileParameters = void (*)(int16_t*, const char*, int32_t*, int32_t*, int16_t*);
  using TOpenMassLynxData = void (*)(int16_t*, const char*, float*, float*, float*, float*,
                                     int32_t*);

  // The entries of the libraries while they are loaded (empty otherwise).
  TOpenMassLynxData OpenMassLynxData = nullptr;
  TGetFileParameters GetFileParameters = nullptr;
  // The store that receives the run (not owned).
  TSpec* Spec = nullptr;

  // Reads the run in the directory into Spec; true when both library calls
  // succeeded and the run holds spectra this program can read.
  bool Open(const std::string& sRAWDirectory);
  // Reads the whole directory again and returns the points of scan
  // `iIndex` (from 0), as the reader's point counts delimit them; empty
  // when the index is out of range or a library call fails.
  tXYarray ReadSpectrum(const std::string& sRAWDirectory, int32_t iIndex);

 private:
  // What the two library calls give for one directory.
  struct RawRun {
    int16_t format = 0;
    std::vector<float> masses, intensities, totalIonCurrents, retentionTimes;
    std::vector<int32_t> pointCounts;
  };
  bool ReadRun(const std::string& sRAWDirectory, RawRun& run);
  bool CallGetFileParameters(const std::string& dir, int32_t& points, int32_t& scans,
                             int16_t& format);
  bool CallOpenMassLynxData(const std::string& dir, RawRun& run);
  void AddScans(const std::string& dir, const RawRun& run);
};

// Frees the program-wide reader object (TSpec::Clear of any store does).
void FreeMassLynx();
// Replaces the program-wide reader object by a new one linked to `spec` and
// reads the raw directory `rawDirectory` into it.
bool OpenMassLynx(TSpec& spec, const std::string& rawDirectory);

}  // namespace sorrel
