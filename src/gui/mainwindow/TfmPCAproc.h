#pragma once
// TfmPCAproc: batch classification on the main window's "Survey" page. The
// result list shows the open training list's rows with check boxes and the
// columns "Compound", "Answer" and "Score"; two tool bars open, save and
// edit the list and copy the results; Run classifies the active plot
// frame's spectrum against every checked training. The logic is the
// core's PCAprocLogic; this frame binds the widgets to it.
#include <memory>

#include "gui/mainwindow/TfmProc.h"

class QAction;
class QToolBar;
class QTreeWidget;
class QTreeWidgetItem;

namespace sorrel {

class PCAprocLogic;
class PlotCollection;

class TfmPCAproc : public TfmProc {
  Q_OBJECT
 public:
  TfmPCAproc(PlotCollection& plots, QWidget* parent = nullptr);
  ~TfmPCAproc() override;

  PCAprocLogic& Logic() { return *logic; }

  QTreeWidget* lvResults = nullptr;
  QToolBar* tbList = nullptr;
  QToolBar* tbEdit = nullptr;
  QAction* tbOpenList = nullptr;
  QAction* tbSaveList = nullptr;
  QAction* tbAdd = nullptr;
  QAction* tbRemove = nullptr;
  QAction* tbCopy = nullptr;

  // The button handlers (also what the tool buttons run).
  void OpenListClick();
  void SaveListClick();
  void AddClick();
  void RemoveClick();
  void CopyClick();
  // Opening a list by path (Open List's second half).
  void OpenListByPath(const QString& path);

  // The result list again from the logic's rows.
  void ShowRows();

 protected:
  void RunProc() override;

 private:
  void RowChanged(QTreeWidgetItem* item, int column);
  std::unique_ptr<PCAprocLogic> logic;
  bool showing_ = false;
};

}  // namespace sorrel
