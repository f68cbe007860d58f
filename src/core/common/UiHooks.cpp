#include "core/common/UiHooks.h"

#include <cstdio>

namespace sorrel {

namespace {
ConsoleUi& DefaultUi() {
  static ConsoleUi ui;
  return ui;
}
UiHooks* g_ui = nullptr;
}  // namespace

UiHooks& Ui() {
  return g_ui ? *g_ui : DefaultUi();
}

UiHooks* SetUi(UiHooks* hooks) {
  UiHooks* old = g_ui ? g_ui : &DefaultUi();
  g_ui = hooks;
  return old;
}

void ConsoleUi::ShowMessage(const std::string& text) {
  std::fprintf(stderr, "%s\n", text.c_str());
}

void ConsoleUi::ShowCaptionedMessage(const std::string& caption, const std::string& text) {
  std::fprintf(stderr, "%s: %s\n", caption.c_str(), text.c_str());
}

bool ConsoleUi::Confirm(const std::string& text) {
  std::fprintf(stderr, "%s -> No\n", text.c_str());
  return false;
}

std::string ConsoleUi::InputBox(const std::string&, const std::string&, const std::string& def) {
  return def;
}

std::vector<std::string> ConsoleUi::OpenFileDialog(const FileDialogRequest&) {
  return {};
}

std::string ConsoleUi::SaveFileDialog(const FileDialogRequest&, int*) {
  return {};
}

}  // namespace sorrel
