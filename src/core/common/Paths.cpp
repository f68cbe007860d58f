#include "core/common/Paths.h"

#include <sys/stat.h>

#include <algorithm>
#include <cctype>

namespace sorrel {

std::string ExtractFileName(const std::string& path) {
  auto p = path.find_last_of('/');
  return p == std::string::npos ? path : path.substr(p + 1);
}

std::string ExtractFilePath(const std::string& path) {
  auto p = path.find_last_of('/');
  return p == std::string::npos ? std::string() : path.substr(0, p + 1);
}

std::string ExtractFileExt(const std::string& path) {
  auto p = path.find_last_of("./");
  if (p == std::string::npos || path[p] != '.') return std::string();
  return path.substr(p);
}

std::string ChangeFileExt(const std::string& path, const std::string& ext) {
  auto p = path.find_last_of("./");
  if (p == std::string::npos || path[p] != '.') return path + ext;
  return path.substr(0, p) + ext;
}

std::string UpperCase(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) {
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : static_cast<char>(c);
  });
  return text;
}

bool FileExists(const std::string& path) {
  struct stat st {};
  return stat(path.c_str(), &st) == 0 && !S_ISDIR(st.st_mode);
}

bool DirectoryExists(const std::string& path) {
  struct stat st {};
  return !path.empty() && stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

}  // namespace sorrel
