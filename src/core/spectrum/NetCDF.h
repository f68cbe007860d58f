#pragma once
// TnetCDF: ANDI/MS netCDF runs.
#include <cstdint>
#include <string>

#include "common/Types.h"

namespace sorrel {

class TSpec;

class TnetCDF {
 public:
  explicit TnetCDF(TSpec* spec) : Spec(spec) {}
  bool Open(const std::string& oFilename);
  tXYarray ReadSpectrum(int32_t Idx);
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
