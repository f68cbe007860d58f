#include "spectrum/NetCDF.h"

#include "common/UiHooks.h"
#include "spectrum/Spec.h"

namespace sorrel {

// netCDF runs are not read or written yet.
bool TnetCDF::Open(const std::string&) {
  Ui().ShowMessage("netCDF files cannot be opened yet.");
  return false;
}

tXYarray TnetCDF::ReadSpectrum(int32_t) { return {}; }

bool TnetCDF::Save(const std::string&) {
  Ui().ShowMessage("netCDF files cannot be saved yet.");
  return false;
}

}  // namespace sorrel
