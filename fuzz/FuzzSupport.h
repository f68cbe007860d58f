#pragma once
// Shared pieces of the fuzz targets: a user interface that answers every
// question Yes (so readers go as far as they can), and a scratch directory
// where the fuzzed bytes become files.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "common/UiHooks.h"

namespace sorrel::fuzz {

class YesUi : public ConsoleUi {
 public:
  void ShowMessage(const std::string&) override {}
  void ShowCaptionedMessage(const std::string&, const std::string&) override {}
  bool Confirm(const std::string&) override { return true; }
  std::string InputBox(const std::string&, const std::string&, const std::string& def) override {
    return def;
  }
};

inline void InstallYesUi() {
  static YesUi ui;
  SetUi(&ui);
}

// A private scratch directory for this process, with a trailing "/".
inline const std::string& ScratchDir() {
  static std::string dir = [] {
    char tmpl[] = "/tmp/sorrel-fuzz-XXXXXX";
    char* p = mkdtemp(tmpl);
    if (!p) std::abort();
    return std::string(p) + "/";
  }();
  return dir;
}

inline std::string WriteScratch(const std::string& name, const uint8_t* data, size_t size) {
  std::string path = ScratchDir() + name;
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) std::abort();
  if (size) std::fwrite(data, 1, size, f);
  std::fclose(f);
  return path;
}

}  // namespace sorrel::fuzz
