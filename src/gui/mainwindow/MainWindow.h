#pragma once
// TfrmTansy: the main window of the desktop program.
#include <QAction>
#include <QMainWindow>
#include <QMenu>
#include <QStringList>
#include <memory>

namespace sorrel {

class TPlots;

class TfrmTansy : public QMainWindow {
  Q_OBJECT
 public:
  explicit TfrmTansy(QWidget* parent = nullptr);
  ~TfrmTansy() override;

  // Opens each file in a plot frame of its own: a run as a run frame, a
  // single spectrum as a mass-only frame. A file that cannot be opened is
  // reported and leaves no frame behind.
  void OpenFiles(const QStringList& files);

  QAction* mOpenSpec = nullptr;
  QAction* mCloseActive = nullptr;
  QAction* mCloseAll = nullptr;
  QAction* mNewTraining = nullptr;
  QAction* mOpenTraining = nullptr;
  QAction* mSaveTraining = nullptr;
  QAction* mExit = nullptr;
  QAction* mCopyImage = nullptr;
  QAction* mCopyData = nullptr;
  QAction* mOptimize = nullptr;
  QAction* mSurvey = nullptr;
  QAction* mCalculate = nullptr;
  QAction* mContents = nullptr;
  QAction* mTopicSearch = nullptr;
  QAction* mAbout = nullptr;
  QMenu* mnuClose = nullptr;
  QMenu* mnuPCA = nullptr;
  // The plot frames, on the tab pages of plots->PageCtrl.
  std::unique_ptr<TPlots> plots;

 private:
  void BuildMenus();
  void UpdateEnabling();
  void ShowAbout();
  void OpenSpectrumDialog();
};

}  // namespace sorrel
