#include "gui/mainwindow/TfmPCAproc.h"

#include <QHeaderView>
#include <QLabel>
#include <QToolBar>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "core/common/UiHooks.h"
#include "core/mainwindow/PCAprocLogic.h"
#include "gui/widgets/QtText.h"
#include "gui/widgets/UserAction.h"

namespace sorrel {

namespace {

enum Column { kCompound, kAnswer, kScore };

// A tool button captioned `caption` with `hint`, named by its caption
// without the padding.
QAction* ToolButton(QToolBar* bar, const QString& caption, const QString& hint) {
  QAction* a = bar->addAction(caption);
  a->setToolTip(hint);
  a->setStatusTip(hint);
  if (QWidget* w = bar->widgetForAction(a)) w->setAccessibleName(caption.trimmed());
  return a;
}

QToolBar* ToolBar(QWidget* parent, const QString& name) {
  auto* bar = new QToolBar(name, parent);
  bar->setToolButtonStyle(Qt::ToolButtonTextOnly);
  bar->setAccessibleName(name);
  return bar;
}

}  // namespace

TfmPCAproc::TfmPCAproc(PlotCollection& plots, QWidget* parent)
    : TfmProc(PCAprocLogic::kHeader, parent), logic(std::make_unique<PCAprocLogic>(plots)) {
  setObjectName("fmPCAproc");
  tbList = ToolBar(this, "Training list");
  tbOpenList = ToolButton(tbList, " Open List", "Open training list file");
  tbSaveList = ToolButton(tbList, " Save List ", "Save training list file");
  tbEdit = ToolBar(this, "Results");
  tbAdd = ToolButton(tbEdit, "   Add", "Add a new training file (Compound) to the training list");
  tbRemove = ToolButton(tbEdit, "Remove ",
                        "Remove selected training file (Compound) from the training list");
  tbCopy = ToolButton(tbEdit, "  Copy", "Copy classification results to the clipboard");

  lvResults = new QTreeWidget(this);
  lvResults->setAccessibleName("Classification results");
  lvResults->setRootIsDecorated(false);
  lvResults->setSelectionBehavior(QAbstractItemView::SelectRows);
  lvResults->setSelectionMode(QAbstractItemView::SingleSelection);
  lvResults->setHeaderLabels({"Compound", "Answer", "Score"});
  lvResults->header()->setSectionsClickable(false);
  lvResults->setColumnWidth(kCompound, 90);
  lvResults->setColumnWidth(kAnswer, 60);
  lvResults->setColumnWidth(kScore, 65);

  Body()->addWidget(tbList);
  Body()->addWidget(lvResults, 1);
  Body()->addWidget(tbEdit);

  connect(tbOpenList, &QAction::triggered, this, [this] { OpenListClick(); });
  connect(tbSaveList, &QAction::triggered, this, [this] { SaveListClick(); });
  connect(tbAdd, &QAction::triggered, this, [this] { AddClick(); });
  connect(tbRemove, &QAction::triggered, this, [this] { RemoveClick(); });
  connect(tbCopy, &QAction::triggered, this, [this] { CopyClick(); });
  connect(lvResults, &QTreeWidget::itemChanged, this, &TfmPCAproc::RowChanged);
}

TfmPCAproc::~TfmPCAproc() = default;

void TfmPCAproc::OpenListClick() {
  UserAction([this] { logic->OpenList(); });
  ShowRows();
}

void TfmPCAproc::OpenListByPath(const QString& path) {
  UserAction([&] { logic->OpenListByPath(S(path)); });
  ShowRows();
}

void TfmPCAproc::SaveListClick() {
  UserAction([this] { logic->SaveList(); });
  ShowRows();
}

void TfmPCAproc::AddClick() {
  UserAction([this] { logic->Add(); });
  ShowRows();
}

void TfmPCAproc::RemoveClick() {
  QTreeWidgetItem* item = lvResults->currentItem();
  if (!item || !item->isSelected()) return;
  UserAction([&] { logic->Remove(lvResults->indexOfTopLevelItem(item)); });
  ShowRows();
}

void TfmPCAproc::CopyClick() {
  UserAction([this] { logic->Copy(); });
}

void TfmPCAproc::RunProc() {
  // The cells are emptied and shown so before the classifications start.
  logic->ClearResults();
  ShowRows();
  lvResults->repaint();
  try {
    logic->Run();
  } catch (...) {
    ShowRows();
    throw;
  }
  ShowRows();
}

void TfmPCAproc::ShowRows() {
  const QString hint = Q(logic->ListHint());
  SetHint(hint);
  showing_ = true;
  const int current = lvResults->indexOfTopLevelItem(lvResults->currentItem());
  lvResults->clear();
  if (const TTrainingList* list = logic->TrainingList.get()) {
    for (size_t i = 0; i < list->Rows.size(); ++i) {
      const TrainingRow& row = list->Rows[i];
      auto* item = new QTreeWidgetItem(lvResults);
      item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
      item->setText(kCompound, Q(row.Caption));
      item->setCheckState(kCompound, row.Checked ? Qt::Checked : Qt::Unchecked);
      const std::string reason = logic->Reason(i);
      if (!reason.empty()) {
        // The row says why it has no answer: the whole reason on the row's
        // tip, its start in the Answer cell.
        item->setText(kAnswer, Q(reason));
        QFont italic = item->font(kAnswer);
        italic.setItalic(true);
        item->setFont(kAnswer, italic);
        for (int c : {kCompound, kAnswer, kScore})
          item->setToolTip(c, Q(reason));
      } else {
        // The compound's whole name where its column cuts it.
        item->setToolTip(kCompound, Q(row.Caption));
        item->setText(kAnswer, Q(row.Answer));
        item->setText(kScore, Q(row.Score));
      }
    }
    if (current >= 0 && current < lvResults->topLevelItemCount())
      lvResults->setCurrentItem(lvResults->topLevelItem(current));
  }
  showing_ = false;
}

void TfmPCAproc::RowChanged(QTreeWidgetItem* item, int column) {
  if (showing_ || column != kCompound) return;
  TTrainingList* list = logic->TrainingList.get();
  const int row = lvResults->indexOfTopLevelItem(item);
  if (!list || row < 0 || static_cast<size_t>(row) >= list->Rows.size()) return;
  list->Rows[static_cast<size_t>(row)].Checked = item->checkState(kCompound) == Qt::Checked;
}

}  // namespace sorrel
