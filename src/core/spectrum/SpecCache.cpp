// The disk cache of the spectrum store (not built yet: the cache stays off).
#include "common/Directories.h"
#include "common/Errors.h"
#include "common/UiHooks.h"
#include "spectrum/Spec.h"

namespace sorrel {

void TSpec::SetCasheOn(bool value) {
  if (value) throw SorrelError("The spectrum disk cache is not available yet.");
  fCasheOn = false;
}

void TSpec::CasheReadScan(int32_t) { CMass.clear(); }
void TSpec::CasheAppendScan(const tXYarray&) {}
void TSpec::CasheAppendPoint(float, float) {}
void TSpec::CasheClose() {
  if (DiskCashe) std::fclose(DiskCashe);
  DiskCashe = nullptr;
}

bool TSpec::OpenCasheFile(const std::string&) {
  Ui().ShowMessage("Cache files cannot be opened yet.");
  return false;
}

std::string TSpec::CasheFileName() const {
  std::string dir = DataDir();
  if (dir.empty()) return {};
  return dir + "SP" + IndexChar(Number + 1) + ".csh";
}

}  // namespace sorrel
