#pragma once
// A progress host for tests: it records the windows the core opens (their
// captions and texts) and every bar position they show, and presses Cancel
// at each report while `cancel` is set. Installed for its lifetime.
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "core/common/ProgressIndicator.h"

namespace sorrel::test {

struct ScriptedProgress : ProgressHost {
  struct Window : IProgressWindow {
    ScriptedProgress& host;
    explicit Window(ScriptedProgress& h) : host(h) {}
    void Show() override {}
    void SetText(const std::string&) override {}
    void SetBar(int maximum, int position, const std::string&) override {
      host.maximum = maximum;
      host.positions.push_back(position);
      if (host.cancel && host.onCancel) host.onCancel();
    }
    void Close() override {}
  };
  ScriptedProgress() { previous = SetProgressHost(this); }
  ~ScriptedProgress() override { SetProgressHost(previous); }
  ScriptedProgress(const ScriptedProgress&) = delete;
  ScriptedProgress& operator=(const ScriptedProgress&) = delete;
  std::unique_ptr<IProgressWindow> CreateProgressWindow(
      const ProgressWindowSetup& setup, std::function<void()> onCancelPressed) override {
    captions.push_back(setup.caption);
    texts.push_back(setup.text);
    onCancel = std::move(onCancelPressed);
    return std::make_unique<Window>(*this);
  }
  void PostToUiThread(std::function<void()> fn) override { fn(); }

  ProgressHost* previous;
  std::vector<std::string> captions, texts;
  std::vector<int> positions;  // the bar's positions shown, in order
  int maximum = 0;             // the bar's maximum last shown
  std::function<void()> onCancel;
  bool cancel = false;
};

}  // namespace sorrel::test
