#include "core/common/ProgressIndicator.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <exception>
#include <mutex>

#include "core/common/Errors.h"
#include "core/common/UiHooks.h"

namespace sorrel {

namespace {

// Without a toolkit there is no window and no event loop: work posted to
// the user-interface thread runs at once.
class WindowlessHost : public ProgressHost {
 public:
  std::unique_ptr<IProgressWindow> CreateProgressWindow(const ProgressWindowSetup&,
                                                        std::function<void()>) override {
    return nullptr;
  }
  void PostToUiThread(std::function<void()> fn) override { fn(); }
};

WindowlessHost& DefaultHost() {
  static WindowlessHost host;
  return host;
}

std::atomic<ProgressHost*> g_host{nullptr};

}  // namespace

ProgressHost& TheProgressHost() {
  ProgressHost* h = g_host.load();
  return h ? *h : DefaultHost();
}

ProgressHost* SetProgressHost(ProgressHost* host) {
  ProgressHost* old = g_host.exchange(host);
  return old ? old : &DefaultHost();
}

WorkProgressReport::WorkProgressReport(std::string what, int64_t total)
    : what_(std::move(what)), total_(total) {}

WorkProgressReport::~WorkProgressReport() {
  if (reported_) TheProgressHost().WorkDone();
}

void WorkProgressReport::Step(int64_t done) {
  if (done < next_) return;
  TheProgressHost().WorkProgress(what_, done, total_);
  reported_ = true;
  next_ = done + std::max<int64_t>(1, total_ / 200);
}

FormPlace ProgressFormPlace(TFormPositions position, int screenWidth, int screenHeight,
                            int winWidth, int winHeight) {
  switch (position) {
    case fpTopRight:
      return {5, screenWidth - winWidth - 5};
    case fpTopLeft:
      return {5, 5};
    case fpBottomRight:
      return {screenHeight - winHeight - 5, screenWidth - winWidth - 5};
    case fpBottomLeft:
      return {screenHeight - winHeight - 5, 5};
    case fpCenter:
      break;
  }
  return {(screenHeight - winHeight) / 2, (screenWidth - winWidth) / 2};
}

std::string ProgressPercentText(int64_t DoneNum, int64_t FromNum) {
  if (FromNum == 0) return "100%";
  return std::to_string(DoneNum * 100 / FromNum) + "%";
}

std::string FormatProgressText(const std::string& pattern, int64_t DoneNum) {
  std::string out;
  for (size_t i = 0; i < pattern.size(); ++i) {
    char c = pattern[i];
    if (c == '%' && i + 1 < pattern.size()) {
      char d = pattern[i + 1];
      if (d == '%') {
        out += '%';
        ++i;
        continue;
      }
      if (d == 'd' || d == 'i' || d == 'u' || d == 's' || d == 'D') {
        out += std::to_string(DoneNum);
        ++i;
        continue;
      }
    }
    out += c;
  }
  return out;
}

// State shared by the indicator, its worker thread and the functions it
// posts to the user-interface thread (which may run after the indicator
// is gone: they hold only a weak reference).
struct TProgressIndicator::Shared {
  std::mutex m;
  std::condition_variable cv;
  // Touched on the user-interface thread only.
  std::unique_ptr<IProgressWindow> window;
  TProgressEnd onEnd;
  // Settings of the current run, copied at its start.
  bool unknown = false;
  bool inThread = false;
  bool waitTillFinish = false;
  int updateTimes = 1;
  std::string textString;
  // Position reports (under m).
  bool hasWindow = false;
  int counter = 0;
  bool pendingText = false;
  std::string text;
  bool pendingBar = false;
  int barMax = 0, barPos = 0;
  std::string percent;
  std::atomic<bool> applyPosted{false};
  // Cancel and the worker's end.
  std::atomic<bool> canceled{false};
  std::atomic<bool> abandoned{false};
  std::atomic<bool> running{false};
  bool workerDone = false;  // under m
  std::exception_ptr error;

  // Shows the latest reported position (user-interface thread).
  void Apply() {
    bool doText = false, doBar = false;
    std::string t, p;
    int mx = 0, pos = 0;
    {
      std::lock_guard<std::mutex> lock(m);
      doText = pendingText;
      doBar = pendingBar;
      pendingText = pendingBar = false;
      t = text;
      p = percent;
      mx = barMax;
      pos = barPos;
    }
    if (!window) return;
    if (doText) window->SetText(t);
    if (doBar) window->SetBar(mx, pos, p);
  }

  // The ending (user-interface thread): close the window, tell OnEnd.
  void Ending() {
    bool cancelled = false;
    if (window) {
      cancelled = canceled.load();
      std::unique_ptr<IProgressWindow> w = std::move(window);
      {
        std::lock_guard<std::mutex> lock(m);
        hasWindow = false;
      }
      w->Close();
    }
    running = false;
    if (onEnd) onEnd(cancelled);
  }
};

TProgressIndicator::TProgressIndicator() : s_(std::make_shared<Shared>()) {}

TProgressIndicator::~TProgressIndicator() {
  if (worker_.joinable()) {
    // The owner goes away: ask the work to stop, then wait for it.
    s_->abandoned = true;
    worker_.join();
  }
}

bool TProgressIndicator::UserCanceled() const {
  return s_->canceled || s_->abandoned;
}

bool TProgressIndicator::Running() const {
  return s_->running;
}

void TProgressIndicator::StartProgress(bool NumKnown) {
  if (s_->running) throw SorrelError("The progress indicator is already running");
  if (worker_.joinable()) worker_.join();  // a worker that has ended
  Shared& s = *s_;
  {
    std::lock_guard<std::mutex> lock(s.m);
    s.unknown = !NumKnown;
    s.counter = 0;
    s.pendingText = s.pendingBar = false;
    s.workerDone = false;
    s.error = nullptr;
    s.inThread = InThread;
    s.waitTillFinish = WaitTillFinish;
    s.updateTimes = UpdateTImes;
    s.textString = TextString;
  }
  s.canceled = false;
  s.abandoned = false;
  if (!OnProcessItem) return;
  s.onEnd = OnEnd;
  if (ShowDialog) {
    ProgressWindowSetup setup;
    setup.caption = Caption;
    setup.text = TextString;
    setup.showBar = NumKnown;
    setup.showCancel = CanCancel;
    setup.position = FormPosition;
    std::weak_ptr<Shared> weak = s_;
    std::function<void()> onCancel;
    if (CanCancel)
      onCancel = [weak] {
        if (auto sp = weak.lock()) sp->canceled = true;
      };
    else
      onCancel = [] {};
    s.window = TheProgressHost().CreateProgressWindow(setup, std::move(onCancel));
  }
  {
    std::lock_guard<std::mutex> lock(s.m);
    s.hasWindow = s.window != nullptr;
  }
  s.running = true;
  if (s.window) s.window->Show();
  if (InThread)
    RunInThread();
  else
    RunOnThisThread();
}

void TProgressIndicator::RunOnThisThread() {
  Shared& s = *s_;
  bool disable = ShowDialog && WaitTillFinish;
  if (disable) Ui().EnableMainWindow(false);
  try {
    OnProcessItem();
  } catch (...) {
    try {
      s.Ending();
    } catch (...) {
    }
    if (disable) Ui().EnableMainWindow(true);
    throw;
  }
  try {
    s.Ending();
  } catch (...) {
    if (disable) Ui().EnableMainWindow(true);
    throw;
  }
  if (disable) Ui().EnableMainWindow(true);
}

void TProgressIndicator::RunInThread() {
  std::shared_ptr<Shared> sp = s_;
  bool wait = ShowDialog && WaitTillFinish;
  TProcessItemEvent work = OnProcessItem;
  worker_ = std::thread([sp, work, wait] {
    try {
      work();
    } catch (...) {
      std::lock_guard<std::mutex> lock(sp->m);
      sp->error = std::current_exception();
    }
    {
      std::lock_guard<std::mutex> lock(sp->m);
      sp->workerDone = true;
    }
    sp->cv.notify_all();
    if (wait) return;  // the waiting user-interface thread ends the run
    std::weak_ptr<Shared> weak = sp;
    TheProgressHost().PostToUiThread([weak] {
      auto s = weak.lock();
      if (!s) return;
      s->Apply();
      std::exception_ptr error;
      {
        std::lock_guard<std::mutex> lock(s->m);
        error = s->error;
      }
      s->Ending();
      // Nobody waits for a worker of this kind: its failure is reported
      // like any other error of the program.
      if (error) {
        try {
          std::rethrow_exception(error);
        } catch (const std::exception& e) {
          Ui().ShowMessage(e.what());
        } catch (...) {
          Ui().ShowMessage("The work in progress failed");
        }
      }
    });
  });
  if (!wait) return;

  // Modal: the main window is disabled and the window's messages run
  // until the worker has ended.
  Shared& s = *s_;
  Ui().EnableMainWindow(false);
  for (;;) {
    {
      std::unique_lock<std::mutex> lock(s.m);
      if (s.workerDone) break;
      s.cv.wait_for(lock, std::chrono::milliseconds(20));
      if (s.workerDone) break;
    }
    Ui().ProcessMessages();
    s.Apply();
  }
  worker_.join();
  s.Apply();
  std::exception_ptr error;
  {
    std::lock_guard<std::mutex> lock(s.m);
    error = s.error;
  }
  try {
    s.Ending();
  } catch (...) {
    Ui().EnableMainWindow(true);
    throw;
  }
  Ui().EnableMainWindow(true);
  if (error) std::rethrow_exception(error);
}

void TProgressIndicator::SetPosition(int DoneNum, int FromNum) {
  Shared& s = *s_;
  bool refresh = false;
  bool inThread, wait;
  {
    std::lock_guard<std::mutex> lock(s.m);
    inThread = s.inThread;
    wait = s.waitTillFinish;
    if (s.hasWindow) {
      if (s.counter == s.updateTimes) {
        s.counter = 0;
        if (s.unknown) {
          s.text = FormatProgressText(s.textString, DoneNum);
          s.pendingText = true;
        } else if (FromNum != 0) {
          s.barMax = FromNum;
          s.barPos = DoneNum;
          s.percent = ProgressPercentText(DoneNum, FromNum);
          s.pendingBar = true;
        } else {
          s.barMax = s.barPos = 1;
          s.percent = "100%";
          s.pendingBar = true;
        }
        refresh = true;
      }
      ++s.counter;
    }
  }
  if (!inThread) {
    if (refresh) s.Apply();
    Ui().ProcessMessages();  // repaint, and let Cancel be pressed
    return;
  }
  // On a worker thread: the window belongs to the user-interface thread.
  // A modal run polls the position itself; otherwise one update at a time
  // is posted there.
  if (refresh && !wait && !s.applyPosted.exchange(true)) {
    std::weak_ptr<Shared> weak = s_;
    TheProgressHost().PostToUiThread([weak] {
      if (auto sp = weak.lock()) {
        sp->applyPosted = false;
        sp->Apply();
      }
    });
  }
}

}  // namespace sorrel
