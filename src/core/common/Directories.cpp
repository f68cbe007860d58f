#include "Directories.h"

#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>
#include <cstring>

#include "Errors.h"
#include "NumberText.h"
#include "TextFile.h"
#include "UiHooks.h"

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

char IndexChar(int n) {
  if (n >= 0 && n <= 9) return static_cast<char>('0' + n);
  if (n >= 10 && n <= 35) return static_cast<char>('A' + n - 10);
  return '\0';
}

int CharIndex(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'Z') return c - 'A' + 10;
  return -1;
}

std::string ErrorBoxText(const std::string& msg, const std::string& a1, const std::string& a2,
                         const std::string& a3) {
  std::string text = msg;
  if (auto n = ParseInt32(msg); n && TrimBlanks(msg) == msg)
    text = "Internal error #" + std::to_string(*n);
  const std::string* args[] = {&a1, &a2, &a3};
  size_t from = 0;
  for (const std::string* a : args) {
    auto p = text.find("###", from);
    if (p == std::string::npos) break;
    text.replace(p, 3, *a);
    from = p + a->size();
  }
  return text;
}

void ShowErrorBox(const std::string& msg, const std::string& a1, const std::string& a2,
                  const std::string& a3) {
  Ui().ShowCaptionedMessage("Marjoram Error Message", ErrorBoxText(msg, a1, a2, a3));
}

}  // namespace sorrel
