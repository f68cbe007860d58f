#pragma once
// The options of a plot frame: the visual settings of its chromatogram and
// mass-spectrum views and the settings of their processing chains
// (smoothing, baseline, peak detection). The object is an INI file, a plot
// template (*.tml): Open reads it, Save writes it back.
//
// Template layout, sections and keys in the order they are written:
//   [General]  MassOnly DataPath
//   [C_Visual] TeeFile AutoY FixY XUnits YUnits      (chromatogram)
//   [C_Smooth] SGDegree Enabled
//   [C_BLine]  Threshold AutoTS Enabled
//   [C_Peak]   Method Sensiv MinHeight MinDist MinArea Enabled
//   [M_Visual] ... [M_Peak]                           (mass spectrum, same keys)
#include <cstdint>
#include <string>

#include "core/common/IniFile.h"
#include "core/processing/ProcessingOptions.h"

namespace sorrel {

// Appearance of a view.
struct rVisual {
  std::string TeeFile;  // file the view's appearance is loaded from; empty for none
  int32_t XUnits = 0;   // chromatogram 0 scan, 1 s, 2 min; mass 0 raw m/z, 1 nominal
  bool AutoY = false;   // automatic Y scaling
  bool FixY = true;     // "Fixed Y"
  bool YUnits = false;  // false absolute, true percent
};

// The options of one view: its appearance followed by its processing
// (rSmooth, rBLine and rPeak, the settings of the processing steps).
struct ToView : rVisual {
  rSmooth Smooth;
  rBLine BLine;
  rPeak Peak;
};
using ToChrom = ToView;
using ToMass = ToView;

bool operator==(const rVisual& a, const rVisual& b);
bool operator==(const ToView& a, const ToView& b);

class tSpOpt : public TMemIniFile {
 public:
  // An options object on `fileName` holding the defaults; the file is not
  // read until Open.
  explicit tSpOpt(const std::string& fileName);

  bool MassOnly = false;
  std::string DataPath;
  ToChrom oChrom;
  ToMass oMass;
  bool Locked = false;  // set while a frame copies the options into its controls

  // Every field to its default; DataPath and both TeeFile empty, the mass
  // spectrum's FillNull true.
  void SetDefaults();

  // Copies MassOnly, DataPath, oChrom, oMass and Locked; the file name stays.
  void Assign(const tSpOpt& Source);

  // Reads every key of the file, each with the value of the same field of
  // `BaseOpt` as its default. Without a base (or with the object itself)
  // the defaults are the base: a key that is missing or does not parse
  // takes its default, and a missing file reads as empty. Locked becomes
  // false and the mass spectrum's FillNull true. Always true; a file that
  // exists but cannot be read throws SorrelError naming it.
  bool Open(const tSpOpt* BaseOpt = nullptr);

  // Writes every key to the file, keeping the keys of the file that are not
  // the object's own. Nothing is written to a file named "empty.tml"
  // (exactly so), the defaults file, and the result is then false. A file
  // that cannot be written throws SorrelError "Unable to write to <file>"
  // followed by ": " and the reason, and leaves the file as it was.
  bool Save();

  // The group of a view: the chromatogram's when `chromatogram` is true,
  // the mass spectrum's otherwise.
  ToView& View(bool chromatogram) { return chromatogram ? oChrom : oMass; }
  const ToView& View(bool chromatogram) const { return chromatogram ? oChrom : oMass; }
};

}  // namespace sorrel
