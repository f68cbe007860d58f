#include "gui/mainwindow/MainWindow.h"

#include <QApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFileInfo>
#include <QLabel>
#include <QMenuBar>
#include <QStatusBar>
#include <QToolBar>
#include <QVBoxLayout>

#include "core/common/Directories.h"
#include "core/common/ErrorBox.h"
#include "core/common/Errors.h"
#include "core/common/UiHooks.h"
#include "core/plots/PlotFrame.h"
#include "gui/plots/TPlots.h"

namespace sorrel {

TfrmTansy::TfrmTansy(QWidget* parent) : QMainWindow(parent) {
  setWindowTitle("Sorrel v2.1");
  resize(1100, 750);
  plots = std::make_unique<TPlots>(this);
  setCentralWidget(plots->PageCtrl);
  connect(plots.get(), &TPlots::countChanged, this, &TfrmTansy::UpdateEnabling);
  BuildMenus();
  statusBar()->showMessage(" ");
  // With no remembered training the program starts on an empty training
  // in the Data directory.
  setWindowTitle("Sorrel v2.1 - " + QString::fromStdString(ProgramDir() + "Data/"));
  UpdateEnabling();
}

// The frames go before the window's widgets do.
TfrmTansy::~TfrmTansy() {
  plots.reset();
}

void TfrmTansy::BuildMenus() {
  QMenu* file = menuBar()->addMenu("&File");
  mOpenSpec = file->addAction("Open Specrum...", this, &TfrmTansy::OpenSpectrumDialog);
  mOpenSpec->setShortcut(QKeySequence("Ctrl+O"));
  mnuClose = file->addMenu("Close Spectrum");
  mCloseActive = mnuClose->addAction("Active", this, [this] { plots->Delete(plots->Active()); });
  mCloseActive->setShortcut(QKeySequence("Ctrl+W"));
  mCloseAll = mnuClose->addAction("All", this, [this] { plots->Clear(); });
  mNewTraining = file->addAction("New Traning");
  mOpenTraining = file->addAction("Open Training");
  mSaveTraining = file->addAction("Save Training");
  mSaveTraining->setEnabled(false);
  file->addSeparator();
  mExit = file->addAction("Exit", this, &QWidget::close);
  mExit->setShortcut(QKeySequence("Alt+F4"));

  QMenu* edit = menuBar()->addMenu("&Edit");
  mCopyImage = edit->addAction("Copy Image");
  mCopyData = edit->addAction("Copy Data");

  mnuPCA = menuBar()->addMenu("&PCA");
  mOptimize = mnuPCA->addAction("Optimize Param.");
  mOptimize->setVisible(false);
  mOptimize->setEnabled(false);
  mSurvey = mnuPCA->addAction("Survey");
  mCalculate = mnuPCA->addAction("Calculate PC's");
  mCalculate->setShortcut(QKeySequence("F9"));

  QMenu* help = menuBar()->addMenu("&Help");
  mContents = help->addAction("Contents");
  mContents->setShortcut(QKeySequence("F1"));
  mTopicSearch = help->addAction("Topic Search");
  mAbout = help->addAction("About...", this, &TfrmTansy::ShowAbout);

  QToolBar* tools = addToolBar("Tools");
  tools->setToolButtonStyle(Qt::ToolButtonTextOnly);
  QAction* tbOpenSpec = tools->addAction(" Open Spec ", this, &TfrmTansy::OpenSpectrumDialog);
  Q_UNUSED(tbOpenSpec);
  QAction* tbOpenTraining = tools->addAction("  Open Training ");
  Q_UNUSED(tbOpenTraining);
  QAction* tbSave = tools->addAction(" Save Training ");
  tbSave->setEnabled(false);
  QAction* tbCalc = tools->addAction(" Calculate PC's");
  tbCalc->setEnabled(false);
}

void TfrmTansy::UpdateEnabling() {
  int frames = plots->Count();
  mnuPCA->setEnabled(frames > 2);
  mSurvey->setEnabled(frames > 2);
  mCalculate->setEnabled(frames > 2);
  mnuClose->setEnabled(frames >= 1);
  mCloseActive->setEnabled(frames >= 1);
  mCloseAll->setEnabled(frames >= 1);
}

void TfrmTansy::OpenFiles(const QStringList& files) {
  for (const QString& f : files) {
    // Names from a shell or a file manager are relative to where the
    // program was started.
    const std::string name = QFileInfo(f).absoluteFilePath().toStdString();
    int index = -1;
    bool ok = false;
    try {
      index = plots->Add("");
      if (index < 0) break;  // all frames in use: the collection said so
      ok = plots->Items(index)->OpenData(name);
      if (!ok) ShowErrorBox("Cannot open " + name);
    } catch (const std::exception& e) {
      ShowErrorBox(e.what());
    }
    if (!ok && index >= 0) plots->Delete(index);
  }
  UpdateEnabling();
}

void TfrmTansy::OpenSpectrumDialog() {
  FileDialogRequest r;
  r.title = "Open Spectrum";
  r.filters = {{"Spectra and runs", "*.txt;*.prn;*.cdf;*.R*;*.csh"}, {"All files", "*"}};
  r.multiSelect = true;
  QStringList files;
  for (const auto& f : Ui().OpenFileDialog(r))
    files << QString::fromStdString(f);
  OpenFiles(files);
}

void TfrmTansy::ShowAbout() {
  QDialog box(this);
  box.setWindowTitle("About");
  auto* layout = new QVBoxLayout(&box);
  for (const char* line : {"Tansy", "Version 2.1.0.13", "PCA training preparation",
                           "for in-Marjoram or ", "stand-alone classification"})
    layout->addWidget(new QLabel(line, &box));
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, &box);
  connect(buttons, &QDialogButtonBox::accepted, &box, &QDialog::accept);
  layout->addWidget(buttons);
  box.exec();
}

}  // namespace sorrel
