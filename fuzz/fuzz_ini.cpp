// The INI file: any bytes load; the contents written out load back to the
// same contents; typed reads never fail.
#include <cstdlib>

#include "FuzzSupport.h"
#include "core/common/IniFile.h"

using namespace sorrel;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::InstallYesUi();
  std::string path = fuzz::WriteScratch("in.ini", data, size);
  TMemIniFile ini(path);
  for (const auto& section : ini.ReadSections())
    for (const auto& key : ini.ReadSection(section)) {
      ini.ReadInteger(section, key, 0);
      ini.ReadFloat(section, key, 0);
      ini.ReadBool(section, key, false);
    }
  ini.Rename(fuzz::ScratchDir() + "out.ini", false);
  ini.UpdateFile();
  TMemIniFile back(fuzz::ScratchDir() + "out.ini");
  if (back.GetStrings() != ini.GetStrings()) std::abort();
  return 0;
}
