// Text spectra: the file reader on XY and Y-only files. Whatever opens must
// save and read back to the same points.
#include <cstdlib>

#include "FuzzSupport.h"
#include "core/common/Errors.h"
#include "core/spectrum/Spec.h"

using namespace sorrel;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::InstallYesUi();
  if (size == 0) return 0;
  // The first byte chooses the layout; the rest is the file.
  const char* name = (data[0] & 1) ? "in.prn" : "in.txt";
  std::string path = fuzz::WriteScratch(name, data + 1, size - 1);
  TSpec s;
  bool ok = false;
  try {
    ok = s.OpenFile(path);
  } catch (const SorrelError&) {
    return 0;
  }
  if (!ok || s.CMass.empty()) return 0;
  s.SetMassOnly(true);
  std::string out = fuzz::ScratchDir() + "out.txt";
  if (!s.SaveFile(out)) std::abort();
  TSpec back;
  if (!back.OpenFile(out) || back.CMass != s.CMass) std::abort();
  return 0;
}
