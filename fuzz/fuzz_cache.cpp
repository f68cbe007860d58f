// Spectrum cache files (.csh): any bytes open as a run or are refused
// with the file named. An opened run holds finite points, its
// chromatogram holds each scan's total intensity, and it survives the way
// back into memory and out into a new cache file of the store unchanged.
#include <cmath>
#include <cstdlib>

#include "FuzzSupport.h"
#include "core/common/Directories.h"
#include "core/common/Errors.h"
#include "core/spectrum/Spec.h"

using namespace sorrel;

namespace {

constexpr int32_t kMaxScansChecked = 2000;

std::vector<tXYarray> Scans(TSpec& s) {
  std::vector<tXYarray> out;
  for (int32_t i = 0; i < std::min(s.NSpec(), kMaxScansChecked); ++i)
    out.push_back(s.GetMass(i));
  return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::InstallYesUi();
  SetProgramDir(fuzz::ScratchDir());  // the store's own cache goes to Data/ there
  const std::string path = fuzz::WriteScratch("in.csh", data, size);
  TSpec spec;
  bool ok = false;
  try {
    ok = spec.OpenFile(path);
  } catch (const SorrelError&) {
    return 0;
  }
  if (!ok || !spec.CasheOn() || spec.FileKind() != fkCashe) std::abort();
  const std::vector<tXYarray> scans = Scans(spec);
  for (size_t k = 0; k < scans.size(); ++k) {
    double sum = 0;
    for (const dPoint& p : scans[k]) {
      if (!std::isfinite(p[0]) || !std::isfinite(p[1])) std::abort();
      if (p[0] == 0.0f && p[1] == 0.0f) std::abort();  // that pair ends a scan
      sum += p[1];
    }
    if (spec.Chrom[k] != dPoint{static_cast<float>(k), static_cast<float>(sum)}) std::abort();
  }

  // Into memory and out into the store's own cache file again.
  try {
    spec.SetCasheOn(false);
  } catch (const SorrelError&) {
    return 0;  // too big for memory: refused, and the cache stays on
  }
  if (spec.CasheOn() || Scans(spec) != scans) std::abort();
  spec.Number = 0;
  spec.SetCasheOn(true);
  if (Scans(spec) != scans) std::abort();
  const std::string own = spec.CasheFileName();
  spec.Clear();
  TSpec back;
  if (!back.OpenFile(own) || Scans(back) != scans) std::abort();
  return 0;
}
