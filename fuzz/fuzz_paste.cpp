// Clipboard paste of a mass spectrum: any text pastes or stops without
// harm. A paste that stops leaves the spectrum as it was; a complete paste
// holds finite points only, and those points copied as XY text paste back
// to the same points.
#include <cmath>
#include <cstdlib>

#include "FuzzSupport.h"
#include "core/spectrum/Spec.h"
#include "core/spectrum/SpecPaste.h"
#include "core/spectrum/SpecText.h"

using namespace sorrel;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::InstallYesUi();
  const std::string text(reinterpret_cast<const char*>(data), size);
  const tXYarray before = {{7.0f, 8.0f}};
  TSpec store;
  store.SetMassOnly(true);
  store.CMass = before;
  int refreshes = 0;
  store.RefreshPlot = [&] { ++refreshes; };
  const bool ok = PasteSpectrum(text, store);
  if (!ok) {
    if (store.CMass != before || refreshes != 0) std::abort();
    return 0;
  }
  if (refreshes != 1) std::abort();
  for (const dPoint& p : store.CMass)
    if (!std::isfinite(p[0]) || !std::isfinite(p[1])) std::abort();
  if (store.CMass.empty()) return 0;

  TSpec back;
  if (!PasteSpectrum(XYText(store.CMass), back) || back.CMass != store.CMass) std::abort();
  return 0;
}
