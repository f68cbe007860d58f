#include "ScriptedUi.h"

#include <gtest/gtest.h>

namespace sorrel::test {

ScriptedUi::ScriptedUi() : previous_(SetUi(this)) {}

ScriptedUi::~ScriptedUi() {
  SetUi(previous_);
}

void ScriptedUi::Unexpected(const std::string& what) {
  if (onUnexpected)
    onUnexpected(what);
  else
    ADD_FAILURE() << what;
}

void ScriptedUi::ShowMessage(const std::string& text) {
  messages.push_back(text);
}

void ScriptedUi::ShowCaptionedMessage(const std::string& caption, const std::string& text) {
  messages.push_back(caption + ": " + text);
}

bool ScriptedUi::Confirm(const std::string& text) {
  questions.push_back(text);
  if (confirms_.empty()) {
    Unexpected("unexpected question: " + text);
    return false;
  }
  bool a = confirms_.front();
  confirms_.pop_front();
  return a;
}

std::string ScriptedUi::InputBox(const std::string& caption, const std::string& prompt,
                                 const std::string& defaultText) {
  prompts.push_back(caption + "|" + prompt + "|" + defaultText);
  if (inputs_.empty()) {
    Unexpected("unexpected input box: " + prompt);
    return defaultText;
  }
  std::string a = inputs_.front();
  inputs_.pop_front();
  return a;
}

std::vector<std::string> ScriptedUi::OpenFileDialog(const FileDialogRequest& request) {
  dialogs.push_back(request);
  if (openFiles_.empty()) {
    Unexpected("unexpected open dialog: " + request.title);
    return {};
  }
  auto a = openFiles_.front();
  openFiles_.pop_front();
  return a;
}

std::string ScriptedUi::SaveFileDialog(const FileDialogRequest& request, int* chosenFilter) {
  dialogs.push_back(request);
  if (saveFiles_.empty()) {
    Unexpected("unexpected save dialog: " + request.title);
    return {};
  }
  auto a = saveFiles_.front();
  saveFiles_.pop_front();
  const int filter = saveFilters_.front();
  saveFilters_.pop_front();
  if (chosenFilter) *chosenFilter = filter > 0 ? filter : request.filterIndex;
  return a;
}

void ScriptedUi::SetBusyCursor(bool busy) {
  busyDepth += busy ? 1 : -1;
  if (busyDepth > maxBusyDepth) maxBusyDepth = busyDepth;
}

}  // namespace sorrel::test
