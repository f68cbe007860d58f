#pragma once
// Shared pieces of the fuzz targets: a user interface that answers every
// question Yes (so readers go as far as they can), and a scratch directory
// where the fuzzed bytes become files.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "core/common/UiHooks.h"

namespace sorrel::fuzz {

class YesUi : public ConsoleUi {
 public:
  // The last message shown, for targets that tell a refusal from a fault.
  std::string lastMessage;
  void ShowMessage(const std::string& text) override { lastMessage = text; }
  void ShowCaptionedMessage(const std::string&, const std::string& text) override {
    lastMessage = text;
  }
  bool Confirm(const std::string&) override { return true; }
  std::string InputBox(const std::string&, const std::string&, const std::string& def) override {
    return def;
  }
};

inline YesUi& InstallYesUi() {
  static YesUi ui;
  SetUi(&ui);
  return ui;
}

// A private scratch directory for this process, with a trailing "/",
// removed with its contents when the process ends normally.
inline const std::string& ScratchDir() {
  static char path[64] = "/tmp/sorrel-fuzz-XXXXXX";
  static std::string dir = [] {
    if (!mkdtemp(path)) std::abort();
    std::atexit([] {
      std::error_code ec;
      std::filesystem::remove_all(path, ec);
    });
    return std::string(path) + "/";
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
