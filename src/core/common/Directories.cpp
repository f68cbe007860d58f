#include "core/common/Directories.h"

#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>
#include <cstring>

#include "core/common/Errors.h"
#include "core/common/NumberText.h"
#include "core/common/Paths.h"
#include "core/common/TextFile.h"
#include "core/common/UiHooks.h"

namespace sorrel {

namespace {
std::string g_programDirOverride;

std::string ExecutableDir() {
  std::string buf(4096, '\0');
  ssize_t n = readlink("/proc/self/exe", buf.data(), buf.size() - 1);
  if (n <= 0) return "./";
  buf.resize(static_cast<size_t>(n));
  return ExtractFilePath(buf);
}

std::string AskForDir(const std::string& path) {
  if (DirectoryExists(path)) return path;
  if (!Ui().Confirm(path + " does not exist.\nDo you want to create one ?")) return std::string();
  if (mkdir(path.c_str(), 0777) != 0 && errno != EEXIST)
    throw SorrelError("Unable to create directory " + path + ": " + std::strerror(errno));
  return path;
}
}  // namespace

std::string ProgramDir() {
  if (!g_programDirOverride.empty()) return g_programDirOverride;
  static const std::string dir = ExecutableDir();
  return dir;
}

void SetProgramDir(const std::string& dir) {
  g_programDirOverride = dir;
  if (!dir.empty() && dir.back() != '/') g_programDirOverride.push_back('/');
}

std::string ConfigDir() {
  return AskForDir(ProgramDir() + "Config/");
}

std::string DataDir() {
  return AskForDir(ProgramDir() + "Data/");
}

}  // namespace sorrel
