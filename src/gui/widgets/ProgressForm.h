#pragma once
// TProgressForm: the progress window of Tansy (message, bar, percentage,
// Cancel), and the progress host that gives the core's progress indicator
// these windows. The indicator's logic lives in the core
// (common/ProgressIndicator.h); this is only the window.
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QWidget>

#include "core/common/ProgressIndicator.h"

namespace sorrel {

class TProgressForm : public QWidget {
  Q_OBJECT
 public:
  // Client area 337 x 78, shorter by the button's height without Cancel.
  static constexpr int kWidth = 337;
  static constexpr int kHeight = 78;
  static constexpr int kButtonHeight = 25;

  explicit TProgressForm(const ProgressWindowSetup& setup, QWidget* parent = nullptr);

  QLabel* lblText;
  QLabel* lblProg;
  QProgressBar* bar;
  QPushButton* btnCancel;
  bool Canceled = false;

 signals:
  void cancelPressed();
};

// Creates TProgressForm windows and runs posted work on the Qt event loop.
class QtProgressHost : public ProgressHost {
 public:
  std::unique_ptr<IProgressWindow> CreateProgressWindow(const ProgressWindowSetup& setup,
                                                        std::function<void()> onCancel) override;
  void PostToUiThread(std::function<void()> fn) override;
};

}  // namespace sorrel
