#pragma once
// The Qt implementation of the core's user-interface hooks.
#include <QPointer>
#include <QStringList>
#include <QWidget>

#include "core/common/UiHooks.h"

namespace sorrel {

class QtUiHooks : public UiHooks {
 public:
  // Dialogs are parented to `window` (the main window) when it exists.
  void SetMainWindow(QWidget* window) { window_ = window; }

  void ShowMessage(const std::string& text) override;
  void ShowCaptionedMessage(const std::string& caption, const std::string& text) override;
  bool Confirm(const std::string& text) override;
  std::string InputBox(const std::string& caption, const std::string& prompt,
                       const std::string& defaultText) override;
  std::vector<std::string> OpenFileDialog(const FileDialogRequest& request) override;
  std::string SaveFileDialog(const FileDialogRequest& request,
                             int* chosenFilter = nullptr) override;
  void SetBusyCursor(bool busy) override;
  void ProcessMessages() override;
  void EnableMainWindow(bool enabled) override;
  std::string ClipboardText() override;
  void SetClipboardText(const std::string& text) override;
  void OpenUrl(const std::string& url) override;

 private:
  QPointer<QWidget> window_;
};

// The text of a message box, question or prompt: line breaks and tabs as
// they are, every other control character and every byte that is not
// UTF-8 escaped (\x1b), so that a quoted file line cannot garble the box.
QString MessageBoxText(const std::string& text);

// Turns "Text files|*.txt|All|*.*" style filters into a Qt filter string,
// and into the list of its filters.
QString QtFilterString(const std::vector<FileFilter>& filters);
QStringList QtFilterList(const std::vector<FileFilter>& filters);

}  // namespace sorrel
