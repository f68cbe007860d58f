// The progress indicator: what its window shows and when, Cancel, errors
// of the work, and the worker-thread modes. The window is a recording
// stand-in supplied by a test host.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "ScriptedUi.h"
#include "core/common/Errors.h"
#include "core/common/ProgressIndicator.h"

using namespace sorrel;
using namespace sorrel::test;

namespace {

// Everything the indicator did to its windows, in order.
struct Log {
  std::vector<std::string> events;
  ProgressWindowSetup setup;
  std::function<void()> cancel;
  int windows = 0;
  std::thread::id windowThread;
};

class RecordingWindow : public IProgressWindow {
 public:
  explicit RecordingWindow(Log& log) : log_(log) {}
  void Show() override { Note("show"); }
  void SetText(const std::string& text) override { Note("text " + text); }
  void SetBar(int maximum, int position, const std::string& percent) override {
    Note("bar " + std::to_string(position) + "/" + std::to_string(maximum) + " " + percent);
  }
  void Close() override { Note("close"); }

 private:
  void Note(const std::string& e) {
    EXPECT_EQ(std::this_thread::get_id(), log_.windowThread) << "window used from another thread";
    log_.events.push_back(e);
  }
  Log& log_;
};

class TestHost : public ProgressHost {
 public:
  explicit TestHost(Log& log) : log_(log) { previous_ = SetProgressHost(this); }
  ~TestHost() override { SetProgressHost(previous_); }
  std::unique_ptr<IProgressWindow> CreateProgressWindow(const ProgressWindowSetup& setup,
                                                        std::function<void()> onCancel) override {
    ++log_.windows;
    log_.setup = setup;
    log_.cancel = std::move(onCancel);
    log_.windowThread = std::this_thread::get_id();
    return std::make_unique<RecordingWindow>(log_);
  }
  // Posted work waits here until the test runs it on its own thread.
  void PostToUiThread(std::function<void()> fn) override {
    std::lock_guard<std::mutex> lock(m_);
    posted_.push_back(std::move(fn));
  }
  int RunPosted() {
    std::vector<std::function<void()>> run;
    {
      std::lock_guard<std::mutex> lock(m_);
      run.swap(posted_);
    }
    for (auto& f : run)
      f();
    return static_cast<int>(run.size());
  }

 private:
  Log& log_;
  ProgressHost* previous_;
  std::mutex m_;
  std::vector<std::function<void()>> posted_;
};

// Records whether the main window is enabled.
class EnablingUi : public ScriptedUi {
 public:
  void EnableMainWindow(bool enabled) override { changes.push_back(enabled); }
  std::vector<bool> changes;
};

}  // namespace

TEST(ProgressIndicator, DefaultsOfANewIndicator) {
  TProgressIndicator p;
  EXPECT_FALSE(p.InThread);
  EXPECT_EQ(p.Caption, "Processing...");
  EXPECT_EQ(p.TextString, "Please wait");
  EXPECT_TRUE(p.ShowDialog);
  EXPECT_FALSE(p.WaitTillFinish);
  EXPECT_TRUE(p.CanCancel);
  EXPECT_EQ(p.UpdateTImes, 1);
  EXPECT_EQ(p.FormPosition, fpCenter);
  EXPECT_FALSE(p.UserCanceled());
}

TEST(ProgressIndicator, WithoutWorkNothingHappens) {
  Log log;
  TestHost host(log);
  TProgressIndicator p;
  bool ended = false;
  p.OnEnd = [&](bool) { ended = true; };
  p.StartProgress(true);
  EXPECT_EQ(log.windows, 0);
  EXPECT_FALSE(ended);
}

// With UpdateTImes 1 the first report is not shown and every later one
// is: reports 0/200, 50/200 and 0/0 show 25% (50 * 100 div 200) and a full
// bar of 1 at 100%.
TEST(ProgressIndicator, KnownCountShowsBarAndPercentage) {
  Log log;
  TestHost host(log);
  ScriptedUi ui;
  TProgressIndicator p;
  p.Caption = "Indexing the file...";
  std::vector<bool> endedWith;
  p.OnEnd = [&](bool cancelled) { endedWith.push_back(cancelled); };
  p.OnProcessItem = [&] {
    p.SetPosition(0, 200);
    p.SetPosition(50, 200);
    p.SetPosition(1, 3);
    p.SetPosition(7, 0);
  };
  p.StartProgress(true);
  EXPECT_EQ(log.setup.caption, "Indexing the file...");
  EXPECT_EQ(log.setup.text, "Please wait");
  EXPECT_TRUE(log.setup.showBar);
  EXPECT_TRUE(log.setup.showCancel);
  EXPECT_EQ(log.events, (std::vector<std::string>{"show", "bar 50/200 25%", "bar 1/3 33%",
                                                  "bar 1/1 100%", "close"}));
  EXPECT_EQ(endedWith, (std::vector<bool>{false}));
  EXPECT_EQ(ui.processMessagesCalls, 4);  // one per report
}

TEST(ProgressIndicator, UnknownCountShowsTheFormattedText) {
  Log log;
  TestHost host(log);
  TProgressIndicator p;
  p.TextString = "Scan %d read (100%% is the end)";
  p.UpdateTImes = 2;
  p.OnProcessItem = [&] {
    for (int i = 1; i <= 6; ++i)
      p.SetPosition(i, 0);
  };
  p.StartProgress(false);
  EXPECT_FALSE(log.setup.showBar);
  // The counter starts at 0, counts every report and is reset at a
  // refresh before it counts that report: refreshes at reports 3 and 5.
  EXPECT_EQ(log.events, (std::vector<std::string>{"show", "text Scan 3 read (100% is the end)",
                                                  "text Scan 5 read (100% is the end)", "close"}));
}

TEST(ProgressIndicator, CancelIsAFlagTheWorkAsksFor) {
  Log log;
  TestHost host(log);
  TProgressIndicator p;
  int done = 0;
  bool cancelled = false;
  p.OnEnd = [&](bool c) { cancelled = c; };
  p.OnProcessItem = [&] {
    for (int i = 0; i < 100 && !p.UserCanceled(); ++i) {
      if (i == 10) log.cancel();  // the user presses Cancel
      p.SetPosition(i, 100);
      ++done;
    }
  };
  p.StartProgress(true);
  EXPECT_EQ(done, 11);
  EXPECT_TRUE(cancelled);
  // A new run starts uncancelled.
  p.OnProcessItem = [&] { EXPECT_FALSE(p.UserCanceled()); };
  p.StartProgress(true);
  EXPECT_FALSE(cancelled);
}

TEST(ProgressIndicator, WithoutCancelButtonNothingCancels) {
  Log log;
  TestHost host(log);
  TProgressIndicator p;
  p.CanCancel = false;
  bool sawCancel = true;
  p.OnProcessItem = [&] {
    log.cancel();
    sawCancel = p.UserCanceled();
  };
  p.StartProgress(true);
  EXPECT_FALSE(log.setup.showCancel);
  EXPECT_FALSE(sawCancel);
}

TEST(ProgressIndicator, WithoutDialogNoWindowAndNoCancel) {
  Log log;
  TestHost host(log);
  ScriptedUi ui;
  TProgressIndicator p;
  p.ShowDialog = false;
  bool ran = false, cancelled = true;
  p.OnEnd = [&](bool c) { cancelled = c; };
  p.OnProcessItem = [&] {
    p.SetPosition(1, 2);
    ran = true;
  };
  p.StartProgress(true);
  EXPECT_TRUE(ran);
  EXPECT_EQ(log.windows, 0);
  EXPECT_FALSE(cancelled);
  EXPECT_EQ(ui.processMessagesCalls, 1);
}

// An error of the work closes the window, re-enables the main window,
// tells OnEnd and then reaches the caller.
TEST(ProgressIndicator, ErrorOfTheWorkReachesTheCaller) {
  Log log;
  TestHost host(log);
  EnablingUi ui;
  TProgressIndicator p;
  p.WaitTillFinish = true;
  bool ended = false;
  p.OnEnd = [&](bool) { ended = true; };
  p.OnProcessItem = [] { throw SorrelError("The HD file is too small."); };
  EXPECT_THROW(p.StartProgress(true), SorrelError);
  EXPECT_EQ(log.events, (std::vector<std::string>{"show", "close"}));
  EXPECT_TRUE(ended);
  EXPECT_EQ(ui.changes, (std::vector<bool>{false, true}));
  EXPECT_FALSE(p.Running());
}

// On a worker thread, modal: the call returns when the work has ended;
// the window is only touched on the calling thread.
TEST(ProgressIndicator, WorkerThreadWaitedFor) {
  Log log;
  TestHost host(log);
  EnablingUi ui;
  TProgressIndicator p;
  p.InThread = true;
  p.WaitTillFinish = true;
  std::thread::id workThread;
  bool cancelled = true;
  p.OnEnd = [&](bool c) { cancelled = c; };
  p.OnProcessItem = [&] {
    workThread = std::this_thread::get_id();
    for (int i = 0; i <= 100; ++i)
      p.SetPosition(i, 100);
  };
  p.StartProgress(true);
  EXPECT_NE(workThread, std::this_thread::get_id());
  EXPECT_FALSE(cancelled);
  ASSERT_GE(log.events.size(), 3u);
  EXPECT_EQ(log.events.front(), "show");
  EXPECT_EQ(log.events[log.events.size() - 2], "bar 100/100 100%");  // the last report shown
  EXPECT_EQ(log.events.back(), "close");
  EXPECT_EQ(ui.changes, (std::vector<bool>{false, true}));
  EXPECT_FALSE(p.Running());

  p.OnProcessItem = [] { throw SorrelError("failed in the worker"); };
  EXPECT_THROW(p.StartProgress(true), SorrelError);
}

// On a worker thread, not modal: the call returns at once; the positions
// and the ending reach the window through the user-interface thread.
TEST(ProgressIndicator, WorkerThreadNotWaitedFor) {
  Log log;
  TestHost host(log);
  ScriptedUi ui;
  TProgressIndicator p;
  p.InThread = true;
  std::atomic<bool> go{false};
  bool ended = false;
  p.OnEnd = [&](bool) { ended = true; };
  p.OnProcessItem = [&] {
    while (!go)
      std::this_thread::yield();
    p.SetPosition(1, 4);
    p.SetPosition(2, 4);
  };
  p.StartProgress(true);
  EXPECT_TRUE(p.Running());
  EXPECT_THROW(p.StartProgress(true), SorrelError);  // one run at a time
  go = true;
  while (p.Running()) {
    host.RunPosted();
    std::this_thread::yield();
  }
  EXPECT_TRUE(ended);
  EXPECT_EQ(log.events, (std::vector<std::string>{"show", "bar 2/4 50%", "close"}));
}

// An indicator that goes away while its worker runs asks the work to
// stop and waits for it.
TEST(ProgressIndicator, DestroyedWhileTheWorkerRuns) {
  Log log;
  TestHost host(log);
  std::atomic<int> rounds{0};
  {
    TProgressIndicator p;
    p.InThread = true;
    p.ShowDialog = false;
    p.OnProcessItem = [&] {
      while (!p.UserCanceled())
        ++rounds;
    };
    p.StartProgress(true);
    while (rounds == 0)
      std::this_thread::yield();
  }
  EXPECT_GT(rounds.load(), 0);
  host.RunPosted();  // the ending of a gone indicator does nothing
}

TEST(ProgressIndicator, WindowPlacement) {
  // A window of 337 x 78 on a screen of 1920 x 1080.
  struct Case {
    TFormPositions pos;
    int top, left;
  } cases[] = {{fpTopRight, 5, 1920 - 337 - 5},
               {fpTopLeft, 5, 5},
               {fpBottomRight, 1080 - 78 - 5, 1920 - 337 - 5},
               {fpBottomLeft, 1080 - 78 - 5, 5},
               {fpCenter, (1080 - 78) / 2, (1920 - 337) / 2}};
  for (const Case& c : cases) {
    FormPlace at = ProgressFormPlace(c.pos, 1920, 1080, 337, 78);
    EXPECT_EQ(at.top, c.top) << c.pos;
    EXPECT_EQ(at.left, c.left) << c.pos;
  }
}

TEST(ProgressIndicator, Texts) {
  EXPECT_EQ(ProgressPercentText(50, 200), "25%");
  EXPECT_EQ(ProgressPercentText(1, 3), "33%");
  EXPECT_EQ(ProgressPercentText(3, 0), "100%");
  EXPECT_EQ(ProgressPercentText(2000000000, 2000000000), "100%");  // no overflow in * 100
  EXPECT_EQ(FormatProgressText("Please wait", 5), "Please wait");
  EXPECT_EQ(FormatProgressText("%d of them", 12), "12 of them");
  EXPECT_EQ(FormatProgressText("50%% at %s", 3), "50% at 3");
  EXPECT_EQ(FormatProgressText("trailing %", 3), "trailing %");
}
