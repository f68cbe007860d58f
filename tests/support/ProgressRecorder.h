#pragma once
// A progress host for tests: it records the text of every progress window
// opened, and presses Cancel at the first report when asked to.
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "core/common/ProgressIndicator.h"

namespace sorrel::test {

struct ProgressRecorder : ProgressHost {
  struct Window : IProgressWindow {
    ProgressRecorder& host;
    explicit Window(ProgressRecorder& h) : host(h) {}
    void Show() override {}
    void SetText(const std::string&) override {}
    void SetBar(int maximum, int position, const std::string&) override {
      host.maximum = maximum;
      host.positions.push_back(position);
      if (host.cancel && host.onCancel) host.onCancel();
    }
    void Close() override {}
  };
  ProgressRecorder() { previous = SetProgressHost(this); }
  ~ProgressRecorder() override { SetProgressHost(previous); }
  std::unique_ptr<IProgressWindow> CreateProgressWindow(const ProgressWindowSetup& setup,
                                                        std::function<void()> cancel) override {
    texts.push_back(setup.text);
    onCancel = std::move(cancel);
    return std::make_unique<Window>(*this);
  }
  void PostToUiThread(std::function<void()> fn) override { fn(); }
  ProgressHost* previous;
  std::vector<std::string> texts;
  std::vector<int> positions;  // the bar's positions shown, in order
  int maximum = 0;             // the bar's maximum last shown
  std::function<void()> onCancel;
  bool cancel = false;
};

}  // namespace sorrel::test
