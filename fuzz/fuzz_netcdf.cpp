// netCDF (ANDI/MS) files: any bytes open as a run or are refused with the
// file named. An opened run holds finite points in ascending order of mass
// in every scan and ascending retention times; exported as netCDF and read
// again it is the same run.
#include <cmath>
#include <cstdlib>

#include "FuzzSupport.h"
#include "core/common/Errors.h"
#include "core/spectrum/NetCDF.h"
#include "core/spectrum/Spec.h"

using namespace sorrel;

namespace {

std::vector<tXYarray> Scans(TSpec& s) {
  std::vector<tXYarray> out;
  for (int32_t i = 0; i < s.NSpec(); ++i)
    out.push_back(s.GetMass(i));
  return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::InstallYesUi();
  const std::string path = fuzz::WriteScratch("in.cdf", data, size);
  TSpec spec;
  bool ok = false;
  try {
    ok = spec.OpenFile(path);
  } catch (const SorrelError&) {
    return 0;
  }
  if (!ok) return 0;
  if (spec.NSpec() == 0) std::abort();
  const std::vector<tXYarray> scans = Scans(spec);
  int64_t points = 0;
  for (size_t k = 0; k < scans.size(); ++k) {
    if (k > 0 && !(spec.Chrom[k - 1][0] < spec.Chrom[k][0])) std::abort();
    if (!std::isfinite(spec.Chrom[k][0]) || !std::isfinite(spec.Chrom[k][1])) std::abort();
    for (size_t j = 0; j < scans[k].size(); ++j) {
      const dPoint& p = scans[k][j];
      if (!std::isfinite(p[0]) || !std::isfinite(p[1])) std::abort();
      if (j > 0 && p[0] < scans[k][j - 1][0]) std::abort();
    }
    points += static_cast<int64_t>(scans[k].size());
  }
  if (points > kMaxNetCDFPoints) return 0;

  const std::string out = fuzz::ScratchDir() + "out.cdf";
  if (!spec.SaveFile(out)) std::abort();
  TSpec back;
  if (!back.OpenFile(out) || back.NSpec() != spec.NSpec() || Scans(back) != scans) std::abort();
  // -9999 marks a time or total that was not recorded (ANDI/MS): a run
  // whose own values are -9999 reads back with those values missing.
  bool null = false;
  for (const dPoint& c : spec.Chrom)
    null = null || c[0] == -9999.0f || c[1] == -9999.0f;
  if (!null && back.Chrom != spec.Chrom) std::abort();
  return 0;
}
