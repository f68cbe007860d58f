#pragma once
// The user-interface operations that the core needs. The core never talks
// to a toolkit: it calls these hooks. Tansy installs a Qt implementation,
// the command-line program a non-interactive one, tests a scripted one.
#include <string>
#include <vector>

namespace sorrel {

// One filter entry of a file dialog: a description and a file pattern
// ("Text files", "*.txt").
struct FileFilter {
  std::string description;
  std::string pattern;
};

struct FileDialogRequest {
  std::string title;
  std::vector<FileFilter> filters;
  std::string defaultExt;
  std::string initialDir;
  bool multiSelect = false;
  // An open dialog that also takes the name of a file that does not exist
  // yet (typed by the user to create it).
  bool allowNewName = false;
  // The filter chosen when the dialog opens, counted from 1.
  int filterIndex = 1;
};

class UiHooks {
 public:
  virtual ~UiHooks() = default;
  // Plain message box with an OK button; returns when closed.
  virtual void ShowMessage(const std::string& text) = 0;
  // Message box with a caption and an OK button.
  virtual void ShowCaptionedMessage(const std::string& caption, const std::string& text) = 0;
  // Yes/No question; true for Yes.
  virtual bool Confirm(const std::string& text) = 0;
  // Input box: the edited text, or `defaultText` when cancelled.
  virtual std::string InputBox(const std::string& caption, const std::string& prompt,
                               const std::string& defaultText) = 0;
  // File dialogs: the chosen paths, empty when cancelled. The save dialog
  // also tells which filter was chosen last (counted from 1) when
  // `chosenFilter` is given.
  virtual std::vector<std::string> OpenFileDialog(const FileDialogRequest& request) = 0;
  virtual std::string SaveFileDialog(const FileDialogRequest& request,
                                     int* chosenFilter = nullptr) = 0;
  // Busy cursor on (true) or back to normal (false).
  virtual void SetBusyCursor(bool busy) = 0;
  // Runs the window events that are waiting, then returns.
  virtual void ProcessMessages() = 0;
  virtual void EnableMainWindow(bool enabled) = 0;
  virtual std::string ClipboardText() = 0;
  virtual void SetClipboardText(const std::string& text) = 0;
  virtual void OpenUrl(const std::string& url) = 0;
};

// The installed implementation. Before any is installed, a non-interactive
// one is used: messages go to standard error, questions are answered No
// (the safe answer: abandon), input boxes give their default, dialogs are
// cancelled.
UiHooks& Ui();
// Installs `hooks` (not owned); nullptr reinstalls the non-interactive one.
// Returns the one installed before.
UiHooks* SetUi(UiHooks* hooks);

// Shows the busy cursor and lets pending events run for the lifetime of the
// object; the normal cursor comes back in every case.
class BusyCursor {
 public:
  BusyCursor() {
    Ui().SetBusyCursor(true);
    Ui().ProcessMessages();
  }
  ~BusyCursor() { Ui().SetBusyCursor(false); }
  BusyCursor(const BusyCursor&) = delete;
  BusyCursor& operator=(const BusyCursor&) = delete;
};

// The non-interactive implementation (standard error, No, defaults).
class ConsoleUi : public UiHooks {
 public:
  void ShowMessage(const std::string& text) override;
  void ShowCaptionedMessage(const std::string& caption, const std::string& text) override;
  bool Confirm(const std::string& text) override;
  std::string InputBox(const std::string& caption, const std::string& prompt,
                       const std::string& defaultText) override;
  std::vector<std::string> OpenFileDialog(const FileDialogRequest& request) override;
  std::string SaveFileDialog(const FileDialogRequest& request,
                             int* chosenFilter = nullptr) override;
  void SetBusyCursor(bool) override {}
  void ProcessMessages() override {}
  void EnableMainWindow(bool) override {}
  std::string ClipboardText() override { return clipboard_; }
  void SetClipboardText(const std::string& text) override { clipboard_ = text; }
  void OpenUrl(const std::string&) override {}

 private:
  std::string clipboard_;
};

}  // namespace sorrel
