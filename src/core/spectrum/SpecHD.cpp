// HD run files of the spectrum store (not built yet).
#include "common/UiHooks.h"
#include "spectrum/HDIndex.h"
#include "spectrum/Spec.h"

namespace sorrel {

bool TSpec::OpenHDFile(const std::string&) {
  Ui().ShowMessage("HD run files cannot be opened yet.");
  return false;
}

tXYarray TSpec::ReadHDSpectrum(int32_t) { return {}; }

bool TSpec::SaveHDFile(const std::string&) {
  Ui().ShowMessage("HD run files cannot be saved yet.");
  return false;
}

bool TSpec::CreateHDFile(const std::string&) { return false; }
bool TSpec::AddHDSpectrum(const tXYarray&) { return false; }
bool TSpec::CloseHDFile() { return false; }

}  // namespace sorrel
