#include "core/common/UiHooks.h"

#include <cstdio>

#include "core/common/TextEscape.h"

namespace sorrel {

namespace {
ConsoleUi& DefaultUi() {
  static ConsoleUi ui;
  return ui;
}
UiHooks* g_ui = nullptr;

// Messages may quote file contents and names: control characters go to
// the terminal escaped.
std::string Shown(const std::string& text) {
  return EscapeControlChars(text, LineBreaks::Keep);
}
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
  std::fprintf(stderr, "%s\n", Shown(text).c_str());
}

void ConsoleUi::ShowCaptionedMessage(const std::string& caption, const std::string& text) {
  std::fprintf(stderr, "%s: %s\n", Shown(caption).c_str(), Shown(text).c_str());
}

bool ConsoleUi::Confirm(const std::string& text) {
  std::fprintf(stderr, "%s -> No\n", Shown(text).c_str());
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
