#pragma once
// TnetCDF: GC/MS and LC/MS runs in netCDF files with the ANDI/MS (AIA)
// variable layout. Save exports the run of a store; Open reads such a file
// from any instrument into the store.
#include <cstddef>
#include <cstdint>
#include <string>

#include "core/common/Types.h"

namespace sorrel {

class TSpec;

// Most points (of all scans together) that Save writes.
inline constexpr int64_t kMaxNetCDFPoints = 20000000;
// Size of the netCDF library's I/O buffer when reading a run. With its own
// default (a few kilobytes) the library takes twice as long to hand over
// the point arrays of a large run.
inline constexpr size_t kNetCDFReadBuffer = size_t{256} << 10;

class TnetCDF {
 public:
  explicit TnetCDF(TSpec* spec) : Spec(spec) {}

  // Reads an ANDI/MS file into the linked store as a run held in memory:
  // scan_acquisition_time, total_intensity, scan_index, point_count,
  // mass_values and intensity_values of whatever stored type, with
  // scale_factor and add_offset applied and _FillValue points left out,
  // and the six instrument fields when the file has them. Throws
  // SorrelError naming the file (and the scan) when it is not such a file
  // or does not hold together, before the store is touched.
  bool Open(const std::string& oFilename);
  // Scan `Idx` of the linked store (empty out of range).
  tXYarray ReadSpectrum(int32_t Idx);
  // Writes the linked store's run. Messages: "No data to save", "Too large
  // GC/MS spectrum", and the library's text for a failing call; the result
  // is then false and an existing file of that name is left as it was.
  bool Save(const std::string& sFilename);

  std::string error_log;
  std::string instrument_name, instrument_id, instrument_mfr, instrument_model,
      instrument_os_version, instrument_sw_version;
  int32_t flag_count = 0;
  double a_d_sampling_rate = 0, scan_duration = 0, mass_range_min = 0, mass_range_max = 0,
         resolution = 0;
  TSpec* Spec = nullptr;  // not owned
};

}  // namespace sorrel
