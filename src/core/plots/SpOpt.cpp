#include "core/plots/SpOpt.h"

#include "core/common/Errors.h"
#include "core/common/Paths.h"
#include "core/common/TextFile.h"

namespace sorrel {

bool operator==(const rVisual& a, const rVisual& b) {
  return a.TeeFile == b.TeeFile && a.XUnits == b.XUnits && a.AutoY == b.AutoY && a.FixY == b.FixY &&
         a.YUnits == b.YUnits;
}
bool operator==(const ToView& a, const ToView& b) {
  return static_cast<const rVisual&>(a) == static_cast<const rVisual&>(b) && a.Smooth == b.Smooth &&
         a.BLine == b.BLine && a.Peak == b.Peak;
}

namespace {

void ViewDefaults(ToView& v, int32_t peakMethod) {
  v.TeeFile.clear();
  v.AutoY = false;
  v.FixY = true;
  v.XUnits = 0;
  v.YUnits = false;
  v.Smooth.SGDegree = 3;
  v.Smooth.Enabled = false;
  v.BLine.Threshold = 0;
  v.BLine.AutoTS = false;
  v.BLine.Enabled = false;
  v.Peak.Method = peakMethod;
  v.Peak.Sensiv = 5;
  v.Peak.MinHeight = 0;
  v.Peak.MinDist = 0;
  v.Peak.MinArea = 0;
  v.Peak.Enabled = false;
}

// The keys of one view, in file order; `p` is "C" or "M".
void ReadView(const TMemIniFile& ini, const std::string& p, ToView& v, const ToView& def) {
  const std::string vis = p + "_Visual", sm = p + "_Smooth", bl = p + "_BLine", pk = p + "_Peak";
  v.TeeFile = ini.ReadString(vis, "TeeFile", def.TeeFile);
  v.AutoY = ini.ReadBool(vis, "AutoY", def.AutoY);
  v.FixY = ini.ReadBool(vis, "FixY", def.FixY);
  v.XUnits = ini.ReadInteger(vis, "XUnits", def.XUnits);
  v.YUnits = ini.ReadBool(vis, "YUnits", def.YUnits);
  v.Smooth.SGDegree = ini.ReadInteger(sm, "SGDegree", def.Smooth.SGDegree);
  v.Smooth.Enabled = ini.ReadBool(sm, "Enabled", def.Smooth.Enabled);
  v.BLine.Threshold = ini.ReadFloat(bl, "Threshold", def.BLine.Threshold);
  v.BLine.AutoTS = ini.ReadBool(bl, "AutoTS", def.BLine.AutoTS);
  v.BLine.Enabled = ini.ReadBool(bl, "Enabled", def.BLine.Enabled);
  v.Peak.Method = ini.ReadInteger(pk, "Method", def.Peak.Method);
  v.Peak.Sensiv = ini.ReadInteger(pk, "Sensiv", def.Peak.Sensiv);
  v.Peak.MinHeight = ini.ReadFloat(pk, "MinHeight", def.Peak.MinHeight);
  v.Peak.MinDist = ini.ReadFloat(pk, "MinDist", def.Peak.MinDist);
  v.Peak.MinArea = ini.ReadFloat(pk, "MinArea", def.Peak.MinArea);
  v.Peak.Enabled = ini.ReadBool(pk, "Enabled", def.Peak.Enabled);
}

void WriteView(TMemIniFile& ini, const std::string& p, const ToView& v) {
  const std::string vis = p + "_Visual", sm = p + "_Smooth", bl = p + "_BLine", pk = p + "_Peak";
  ini.WriteString(vis, "TeeFile", v.TeeFile);
  ini.WriteBool(vis, "AutoY", v.AutoY);
  ini.WriteBool(vis, "FixY", v.FixY);
  ini.WriteInteger(vis, "XUnits", v.XUnits);
  ini.WriteBool(vis, "YUnits", v.YUnits);
  ini.WriteInteger(sm, "SGDegree", v.Smooth.SGDegree);
  ini.WriteBool(sm, "Enabled", v.Smooth.Enabled);
  ini.WriteFloat(bl, "Threshold", v.BLine.Threshold);
  ini.WriteBool(bl, "AutoTS", v.BLine.AutoTS);
  ini.WriteBool(bl, "Enabled", v.BLine.Enabled);
  ini.WriteInteger(pk, "Method", v.Peak.Method);
  ini.WriteInteger(pk, "Sensiv", v.Peak.Sensiv);
  ini.WriteFloat(pk, "MinHeight", v.Peak.MinHeight);
  ini.WriteFloat(pk, "MinDist", v.Peak.MinDist);
  ini.WriteFloat(pk, "MinArea", v.Peak.MinArea);
  ini.WriteBool(pk, "Enabled", v.Peak.Enabled);
}

}  // namespace

tSpOpt::tSpOpt(const std::string& fileName) {
  // Bound to the file without reading it: the fields are read by Open.
  Rename(fileName, false);
  SetDefaults();
  oChrom.Smooth.FillNull = false;
}

void tSpOpt::SetDefaults() {
  MassOnly = false;
  DataPath.clear();
  ViewDefaults(oChrom, 0);
  ViewDefaults(oMass, 2);
  oMass.Smooth.FillNull = true;
}

void tSpOpt::Assign(const tSpOpt& Source) {
  if (&Source == this) return;
  MassOnly = Source.MassOnly;
  DataPath = Source.DataPath;
  oChrom = Source.oChrom;
  oMass = Source.oMass;
  Locked = Source.Locked;
}

bool tSpOpt::Open(const tSpOpt* BaseOpt) {
  Locked = false;
  if (BaseOpt == nullptr || BaseOpt == this) SetDefaults();
  const tSpOpt& base = BaseOpt ? *BaseOpt : *this;
  // Snapshot of the defaults: the reads below overwrite this object's
  // fields, which are the defaults themselves when the base is this object.
  const bool defMassOnly = base.MassOnly;
  const std::string defDataPath = base.DataPath;
  const ToView defChrom = base.oChrom, defMass = base.oMass;

  Rename(FileName(), true);  // the file as it is now; empty when missing

  MassOnly = ReadBool("General", "MassOnly", defMassOnly);
  DataPath = ReadString("General", "DataPath", defDataPath);
  const bool chromFill = oChrom.Smooth.FillNull;
  ReadView(*this, "C", oChrom, defChrom);
  ReadView(*this, "M", oMass, defMass);
  // FillNull is not kept in the file: the chromatogram keeps its own, the
  // mass spectrum always fills its gaps after opening.
  oChrom.Smooth.FillNull = chromFill;
  oMass.Smooth.FillNull = true;
  return true;
}

bool tSpOpt::Save() {
  if (ExtractFileName(FileName()) == "empty.tml") return false;
  // Start from the file as it is on disk, so that keys that are not ours
  // survive; a file that cannot even be read is not overwritten.
  TMemIniFile image;
  try {
    image.Rename(FileName(), true);
  } catch (const SorrelError& e) {
    throw SorrelError("Unable to write to " + FileName() + ": " + e.what());
  }
  image.WriteBool("General", "MassOnly", MassOnly);
  image.WriteString("General", "DataPath", DataPath);
  WriteView(image, "C", oChrom);
  WriteView(image, "M", oMass);
  // The error names the file and says why ("Unable to write to <file>:
  // <reason>").
  image.UpdateFile();
  AssignContents(image);
  return true;
}

}  // namespace sorrel
