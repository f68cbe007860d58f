#pragma once
// TfrmTansy: the main window of the desktop program.
#include <QAction>
#include <QMainWindow>
#include <QMenu>
#include <QStringList>
#include <QTabWidget>

namespace sorrel {

class TfrmTansy : public QMainWindow {
  Q_OBJECT
 public:
  explicit TfrmTansy(QWidget* parent = nullptr);

  // Opens each file in a page of its own (spectra and runs).
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
  QTabWidget* pages = nullptr;

 private:
  void BuildMenus();
  void UpdateEnabling();
  void ShowAbout();
  void OpenSpectrumDialog();
};

}  // namespace sorrel
