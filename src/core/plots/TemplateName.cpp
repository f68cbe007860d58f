#include "core/plots/TemplateName.h"

#include "core/common/Directories.h"
#include "core/common/Paths.h"

namespace sorrel {

namespace {

constexpr const char* kDefaultsFile = "empty.tml";

}  // namespace

bool NamesTemplate(const std::string& name) {
  return !name.empty() && name != "<none>" &&
         UpperCase(ExtractFileName(name)) != UpperCase(kDefaultsFile);
}

std::string ResolveTemplateName(const std::string& name) {
  if (!NamesTemplate(name)) return {};
  std::string file = name;
  if (ExtractFileExt(file).empty()) file += ".tml";
  if (ExtractFilePath(file).empty()) file = ConfigDir() + file;
  return file;
}

std::string TemplateFileOf(const std::string& name) {
  if (NamesTemplate(name)) return ResolveTemplateName(name);
  const std::string config = ConfigDir();
  return config.empty() ? std::string() : config + kDefaultsFile;
}

}  // namespace sorrel
