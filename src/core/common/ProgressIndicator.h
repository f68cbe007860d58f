#pragma once
// TProgressIndicator: runs one long piece of work and shows its progress in
// a small window (a text, a bar, a percentage and a Cancel button). The work
// is a callback of the owner; it reports its position with SetPosition and
// asks UserCanceled. The indicator runs the work on the calling thread
// (letting window messages through at every report) or on a worker thread.
//
// The core has no toolkit: the window comes from the installed
// ProgressHost. Tansy installs one with a real window, the command line one
// that writes to standard error when it is a terminal, tests a scripted
// one. Without a host the indicator runs its work without a window.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <thread>

namespace sorrel {

enum TFormPositions { fpTopRight, fpTopLeft, fpBottomRight, fpBottomLeft, fpCenter };

using TProcessItemEvent = std::function<void()>;
using TProgressEnd = std::function<void(bool Cancelled)>;

// What the progress window shows when it is created.
struct ProgressWindowSetup {
  std::string caption;
  std::string text;
  bool showBar = true;     // the count is known: bar and percentage are shown
  bool showCancel = true;  // without it the window is shorter by the button
  TFormPositions position = fpCenter;
};

// The progress window as the indicator drives it. Every call comes from the
// user-interface thread.
class IProgressWindow {
 public:
  virtual ~IProgressWindow() = default;
  virtual void Show() = 0;  // modeless
  virtual void SetText(const std::string& text) = 0;
  // Bar maximum and position, and the percentage text ("25%").
  virtual void SetBar(int maximum, int position, const std::string& percent) = 0;
  virtual void Close() = 0;
};

class ProgressHost {
 public:
  virtual ~ProgressHost() = default;
  // A window for one run of an indicator, or nullptr when this host shows
  // none. The window calls `onCancel` (on the user-interface thread) when
  // Cancel is pressed.
  virtual std::unique_ptr<IProgressWindow> CreateProgressWindow(const ProgressWindowSetup& setup,
                                                                std::function<void()> onCancel) = 0;
  // Runs `fn` later on the user-interface thread (called from any thread).
  virtual void PostToUiThread(std::function<void()> fn) = 0;
  // Progress of long work that has no window of its own (reading and
  // writing large files): `done` of `total` units of `what`. The command
  // line prints it; the desktop program leaves it to the busy cursor.
  virtual void WorkProgress(const std::string& what, int64_t done, int64_t total) {}
  // The work reported by WorkProgress has ended.
  virtual void WorkDone() {}
};

// The installed host; a window-less one before any is installed (its
// PostToUiThread runs the function at once: there is no event loop).
ProgressHost& TheProgressHost();
// Installs `host` (not owned); nullptr reinstalls the window-less one.
// Returns the one installed before.
ProgressHost* SetProgressHost(ProgressHost* host);

// Reports the progress of long work to the host, at most about 200 times
// per run, and says it has ended when destroyed.
class WorkProgressReport {
 public:
  WorkProgressReport(std::string what, int64_t total);
  ~WorkProgressReport();
  WorkProgressReport(const WorkProgressReport&) = delete;
  WorkProgressReport& operator=(const WorkProgressReport&) = delete;
  void Step(int64_t done);

 private:
  std::string what_;
  int64_t total_;
  int64_t next_ = 0;
  bool reported_ = false;
};

// Top-left corner of a window of winWidth x winHeight on a screen of
// screenWidth x screenHeight for each placement.
struct FormPlace {
  int top = 0;
  int left = 0;
};
FormPlace ProgressFormPlace(TFormPositions position, int screenWidth, int screenHeight,
                            int winWidth, int winHeight);

// DoneNum * 100 div FromNum followed by "%" ("100%" when FromNum is 0).
std::string ProgressPercentText(int64_t DoneNum, int64_t FromNum);
// TextString of an unknown count with the position put in: "%d" (also
// "%i", "%u" and "%s") takes the number, "%%" is a percent sign; any other
// text stays as it is.
std::string FormatProgressText(const std::string& pattern, int64_t DoneNum);

class TProgressIndicator {
 public:
  TProgressIndicator();
  // Waits for a worker thread that is still running.
  ~TProgressIndicator();
  TProgressIndicator(const TProgressIndicator&) = delete;
  TProgressIndicator& operator=(const TProgressIndicator&) = delete;

  // Published properties and their defaults.
  TProcessItemEvent OnProcessItem;
  TProgressEnd OnEnd;
  bool InThread = false;
  std::string Caption = "Processing...";
  std::string TextString = "Please wait";
  bool ShowDialog = true;
  bool WaitTillFinish = false;
  bool CanCancel = true;
  int UpdateTImes = 1;
  TFormPositions FormPosition = fpCenter;

  // Runs the work. On the calling thread, an error raised by the work still
  // closes the window and re-enables the main window, then reaches the
  // caller. Starting while a worker thread still runs is an error.
  void StartProgress(bool NumKnown);
  // Called by the work to report its position.
  void SetPosition(int DoneNum, int FromNum);
  // True once the user has pressed Cancel (always false without a window).
  bool UserCanceled() const;
  // A worker thread of this indicator is running (or its ending is still
  // waiting for the user-interface thread).
  bool Running() const;

 private:
  struct Shared;
  void RunOnThisThread();
  void RunInThread();
  std::shared_ptr<Shared> s_;
  std::thread worker_;
};

}  // namespace sorrel
