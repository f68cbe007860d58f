// Progress of long work on the command line: when standard error is a
// terminal, the work in progress and its percentage are shown on one line
// there (rewritten in place, cleared at the end). Redirected to a file or
// a pipe, standard error gets nothing but the messages.
#include <unistd.h>

#include <cstdio>
#include <string>

#include "core/common/ProgressIndicator.h"

namespace sorrel::cli {
namespace {

bool StderrIsTerminal() {
  static const bool tty = isatty(STDERR_FILENO) == 1;
  return tty;
}

void ShowLine(const std::string& text) {
  std::fprintf(stderr, "\r%s\033[K", text.c_str());
  std::fflush(stderr);
}

void ClearLine() {
  std::fputs("\r\033[K", stderr);
  std::fflush(stderr);
}

// The progress window of the command line: one line of standard error.
class StderrProgressWindow : public IProgressWindow {
 public:
  explicit StderrProgressWindow(std::string caption) : caption_(std::move(caption)) {}
  void Show() override { ShowLine(caption_); }
  void SetText(const std::string& text) override { ShowLine(caption_ + " " + text); }
  void SetBar(int, int, const std::string& percent) override {
    if (percent == last_) return;
    last_ = percent;
    ShowLine(caption_ + " " + percent);
  }
  void Close() override { ClearLine(); }

 private:
  std::string caption_;
  std::string last_;
};

class CliProgressHost : public ProgressHost {
 public:
  std::unique_ptr<IProgressWindow> CreateProgressWindow(const ProgressWindowSetup& setup,
                                                        std::function<void()>) override {
    if (!StderrIsTerminal()) return nullptr;
    return std::make_unique<StderrProgressWindow>(setup.caption);
  }
  // The command line runs no worker threads of its own: nothing waits on
  // another thread, so posted work runs at once.
  void PostToUiThread(std::function<void()> fn) override { fn(); }
  void WorkProgress(const std::string& what, int64_t done, int64_t total) override {
    if (!StderrIsTerminal() || total <= 0) return;
    int64_t percent = done * 100 / total;
    if (what == what_ && percent == percent_) return;
    what_ = what;
    percent_ = percent;
    ShowLine(what + ": " + std::to_string(percent) + "%");
  }
  void WorkDone() override {
    if (!StderrIsTerminal() || what_.empty()) return;
    what_.clear();
    percent_ = -1;
    ClearLine();
  }

 private:
  std::string what_;
  int64_t percent_ = -1;
};

CliProgressHost& Host() {
  static CliProgressHost host;
  return host;
}

// Installed when the program starts, like the commands register themselves.
const bool installed = (SetProgressHost(&Host()), true);

}  // namespace
}  // namespace sorrel::cli
