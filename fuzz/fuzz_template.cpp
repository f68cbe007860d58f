// Plot templates (tSpOpt): any file opens. The options read from it, saved
// and opened again, are the same options (numbers to their 15 written
// digits), and a second round changes nothing in the file; the keys of the
// file that are not options survive the save.
#include <cstdlib>

#include "FuzzSupport.h"
#include "core/common/IniFile.h"
#include "core/common/NumberText.h"
#include "core/plots/SpOpt.h"

using namespace sorrel;

namespace {

// Floating-point options are kept with 15 significant digits: they compare
// as their texts.
bool Same(double a, double b) {
  return FloatToStr(a) == FloatToStr(b);
}

bool SameView(const ToView& a, const ToView& b) {
  return static_cast<const rVisual&>(a) == static_cast<const rVisual&>(b) && a.Smooth == b.Smooth &&
         Same(a.BLine.Threshold, b.BLine.Threshold) && a.BLine.AutoTS == b.BLine.AutoTS &&
         a.BLine.Enabled == b.BLine.Enabled && a.Peak.Method == b.Peak.Method &&
         a.Peak.Sensiv == b.Peak.Sensiv && Same(a.Peak.MinHeight, b.Peak.MinHeight) &&
         Same(a.Peak.MinDist, b.Peak.MinDist) && Same(a.Peak.MinArea, b.Peak.MinArea) &&
         a.Peak.Enabled == b.Peak.Enabled;
}

bool SameOptions(const tSpOpt& a, const tSpOpt& b) {
  return a.MassOnly == b.MassOnly && a.DataPath == b.DataPath && SameView(a.oChrom, b.oChrom) &&
         SameView(a.oMass, b.oMass);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::InstallYesUi();
  const std::string in = fuzz::WriteScratch("in.tml", data, size);
  tSpOpt opened(in);
  opened.Open();

  // Saved over a copy of the file itself, so that its foreign keys are
  // there to keep.
  const std::string out = fuzz::WriteScratch("out.tml", data, size);
  tSpOpt saved(out);
  saved.Assign(opened);
  if (!saved.Save()) std::abort();
  tSpOpt back(out);
  back.Open();
  if (!SameOptions(back, opened)) std::abort();

  // Every key of the original that is not an option is still there with
  // its value.
  const TMemIniFile original(in), written(out);
  for (const std::string& section : original.ReadSections())
    for (const auto& [key, value] : original.ReadSectionValues(section)) {
      if (!written.ValueExists(section, key)) std::abort();
    }

  // A second save of what was read back writes the very same file.
  if (!back.Save()) std::abort();
  const TMemIniFile again(out);
  if (again.GetStrings() != written.GetStrings()) std::abort();
  return 0;
}
