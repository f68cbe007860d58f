#pragma once
// A user interface for tests: answers are queued in advance, every message
// and question is recorded. A question with no queued answer fails the
// test (and answers No), so no test silently depends on a default.
#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "core/common/UiHooks.h"

namespace sorrel::test {

class ScriptedUi : public UiHooks {
 public:
  ScriptedUi();
  ~ScriptedUi() override;  // reinstalls the interface that was there before

  // Answers, used in order.
  void QueueConfirm(bool yes) { confirms_.push_back(yes); }
  void QueueInput(const std::string& text) { inputs_.push_back(text); }
  void QueueOpenFiles(const std::vector<std::string>& files) { openFiles_.push_back(files); }
  // A save dialog's answer; `filter` is the filter chosen (counted from
  // 1), 0 to leave the one the dialog opened with.
  void QueueSaveFile(const std::string& file, int filter = 0) {
    saveFiles_.push_back(file);
    saveFilters_.push_back(filter);
  }

  // What the core showed and asked, in order.
  std::vector<std::string> messages;       // plain and captioned ("caption: text")
  std::vector<std::string> questions;      // confirmations
  std::vector<std::string> prompts;        // input boxes ("caption|prompt|default")
  std::vector<FileDialogRequest> dialogs;  // file dialogs, open and save
  int busyDepth = 0;
  int maxBusyDepth = 0;
  int processMessagesCalls = 0;
  std::string clipboard;
  std::vector<std::string> openedUrls;

  // Told of a question or dialog that no answer was queued for; without
  // it the GoogleTest test fails (widget tests report to QtTest instead).
  std::function<void(const std::string& what)> onUnexpected;

  bool AllAnswersUsed() const {
    return confirms_.empty() && inputs_.empty() && openFiles_.empty() && saveFiles_.empty();
  }

  void ShowMessage(const std::string& text) override;
  void ShowCaptionedMessage(const std::string& caption, const std::string& text) override;
  bool Confirm(const std::string& text) override;
  std::string InputBox(const std::string& caption, const std::string& prompt,
                       const std::string& defaultText) override;
  std::vector<std::string> OpenFileDialog(const FileDialogRequest& request) override;
  std::string SaveFileDialog(const FileDialogRequest& request, int* chosenFilter) override;
  void SetBusyCursor(bool busy) override;
  void ProcessMessages() override { ++processMessagesCalls; }
  void EnableMainWindow(bool) override {}
  std::string ClipboardText() override { return clipboard; }
  void SetClipboardText(const std::string& text) override { clipboard = text; }
  void OpenUrl(const std::string& url) override { openedUrls.push_back(url); }

 private:
  void Unexpected(const std::string& what);
  UiHooks* previous_;
  std::deque<bool> confirms_;
  std::deque<std::string> inputs_;
  std::deque<std::vector<std::string>> openFiles_;
  std::deque<std::string> saveFiles_;
  std::deque<int> saveFilters_;
};

}  // namespace sorrel::test
