#pragma once
// TfrmTansy: the main window of the desktop program. Its logic lives in the
// core (MainWindowLogic: start-up from startup.ini, the training shown, the
// command script, the enabling rules, shutdown); the window binds menus,
// tool buttons, the settings panel, the results area, the side panel and
// the caption to it.
//
// Layout: the plot frames' tabs in the upper left, the settings panel on
// the upper right, the results area below (hidden until a calculation),
// and a hidden side panel on the left with the command log (its tab never
// shown) and the "Survey" page.
#include <QAction>
#include <QMainWindow>
#include <QMenu>
#include <QStringList>
#include <array>
#include <memory>

class QCheckBox;
class QCustomPlot;
class QPlainTextEdit;
class QPushButton;
class QSpinBox;
class QTabWidget;
class QWidget;

namespace sorrel {

class MainWindowLogic;
class TAboutBox;
class TBMDSpinEdit;
class TfrmDirPicker;
class TfrmOpts;
class TfmScreen;
class TfmPCAproc;
class TPlots;
class TResultsArea;

class TfrmTansy : public QMainWindow {
  Q_OBJECT
 public:
  // Builds the window and brings it up from startup.ini (the remembered
  // training with its spectra).
  explicit TfrmTansy(QWidget* parent = nullptr);
  ~TfrmTansy() override;

  // Opens each file in a plot frame of its own and of its kind (files
  // given on the command line).
  void OpenFiles(const QStringList& files);

  MainWindowLogic& Logic() { return *logic; }

  // ---- menus and tool buttons
  QMenu* mnuFile = nullptr;
  QAction* mOpenSpec = nullptr;
  QMenu* mnuClose = nullptr;
  QAction* mCloseActive = nullptr;
  QAction* mCloseAll = nullptr;
  QAction* mNewTraining = nullptr;
  QAction* mOpenTraining = nullptr;
  QAction* mSaveTraining = nullptr;
  QAction* mExit = nullptr;
  QAction* mCopyImage = nullptr;
  QAction* mCopyData = nullptr;
  QMenu* mnuPCA = nullptr;
  QAction* mOptimize = nullptr;
  QAction* mSurvey = nullptr;
  QAction* mCalculate = nullptr;
  QAction* mContents = nullptr;
  QAction* mTopicSearch = nullptr;
  QAction* mAbout = nullptr;
  QAction* tbOpenSpec = nullptr;
  QAction* tbOpenTraining = nullptr;
  QAction* tbSaveTraining = nullptr;
  QAction* tbCalculate = nullptr;

  // ---- the settings panel
  QWidget* pnlSettings = nullptr;
  QCheckBox* chkNormalize = nullptr;
  TBMDSpinEdit* fseIncSens = nullptr;
  QSpinBox* seLowBound = nullptr;
  QSpinBox* seHighBound = nullptr;
  QSpinBox* seNLoadings = nullptr;
  QSpinBox* sePrecPower = nullptr;
  QPushButton* bbRetrieve = nullptr;
  QCheckBox* chkIncludingSpectra = nullptr;

  // ---- the results area: six pages, one chart each, in page order
  QTabWidget* pcResults = nullptr;
  TResultsArea* results = nullptr;  // the same widget as pcResults
  std::array<QCustomPlot*, 6> Charts{};

  // ---- the side panel: the command log and the "Survey" page
  QTabWidget* pnlLeft = nullptr;
  QWidget* tsOptimization = nullptr;
  QPlainTextEdit* mmLog = nullptr;
  QWidget* tsSurvey = nullptr;
  // Run screening on the "Survey" page.
  TfmScreen* fmScreen = nullptr;
  // Batch classification, made on the "Survey" page the first time PCA >
  // Survey is chosen.
  TfmPCAproc* fmPCAproc = nullptr;

  // ---- the dialogs created once with the window
  TAboutBox* AboutBox = nullptr;
  TfrmDirPicker* DirPicker = nullptr;
  TfrmOpts* Opts = nullptr;

  // The plot frames, on the tab pages of plots->PageCtrl.
  std::unique_ptr<TPlots> plots;

 protected:
  // Shutdown: startup.ini and the calculated training are written. When a
  // file cannot be written the user is told which and may stay.
  void closeEvent(QCloseEvent* event) override;
  // The hint handler: the status bar shows a blank and the hint's long part.
  bool event(QEvent* event) override;

 private:
  void BuildMenus();
  void BuildSettingsPanel();
  void BuildResultsArea();
  void BuildSidePanel();
  void Sync(unsigned changes);
  void ShowSidePage(QWidget* page);
  // The workbench's commands (Calculate PC's: menu, F9, tool button).
  void CalculatePCs();
  void SaveTraining();
  void CopyImage();
  void CopyData();
  void ShowSurvey();

  bool hintsOff_ = false;

  std::unique_ptr<MainWindowLogic> logic;
};

}  // namespace sorrel
