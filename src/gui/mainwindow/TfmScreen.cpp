#include "gui/mainwindow/TfmScreen.h"

#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QToolBar>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "core/mainwindow/ScreenProcLogic.h"
#include "gui/widgets/QtText.h"
#include "gui/widgets/UserAction.h"

namespace sorrel {

namespace {

enum Column { kRt, kCompound, kAnswer, kScore };

QLabel* WrappedLabel(QWidget* parent, const QString& name) {
  auto* l = new QLabel(parent);
  l->setWordWrap(true);
  l->setAccessibleName(name);
  l->setTextInteractionFlags(Qt::TextSelectableByMouse);
  return l;
}

}  // namespace

TfmScreen::TfmScreen(PlotCollection& plots, QWidget* parent)
    : TfmProc(ScreenProcLogic::kHeader, parent), logic(std::make_unique<ScreenProcLogic>(plots)) {
  setObjectName("fmScreen");
  SetHint("Find the peaks of the active run and classify each against the trainings");
  bbRun->setText(ScreenProcLogic::kHeader);
  auto* layout = Body();
  lbSource = WrappedLabel(this, "Screened against");
  layout->addWidget(lbSource);
  tbHits = new QToolBar("Hits", this);
  tbHits->setToolButtonStyle(Qt::ToolButtonTextOnly);
  tbHits->setAccessibleName("Hits");
  auto button = [this](const QString& caption, const QString& tip) {
    QAction* a = tbHits->addAction(caption);
    a->setToolTip(tip);
    a->setStatusTip(tip);
    if (QWidget* w = tbHits->widgetForAction(a)) w->setAccessibleName(caption.trimmed());
    return a;
  };
  tbTrainings = button(" Trainings ",
                       "Choose the training list or training to screen against "
                       "when no list is open for batch classification");
  tbCopy = button(" Copy Hits ", "Copy the hits to the clipboard");
  layout->addWidget(tbHits);

  lvHits = new QTreeWidget(this);
  lvHits->setAccessibleName("Hit list");
  lvHits->setRootIsDecorated(false);
  lvHits->setSelectionBehavior(QAbstractItemView::SelectRows);
  lvHits->setSelectionMode(QAbstractItemView::SingleSelection);
  lvHits->setHeaderLabels({"Ret.time [s]", "Compound", "Answer", "Score"});
  lvHits->header()->setSectionsClickable(false);
  lvHits->setColumnWidth(kRt, 62);
  lvHits->setColumnWidth(kCompound, 100);
  lvHits->setColumnWidth(kAnswer, 42);
  layout->addWidget(lvHits, 1);
  lbSummary = WrappedLabel(this, "Screening summary");
  layout->addWidget(lbSummary);

  connect(tbTrainings, &QAction::triggered, this, [this] { TrainingsClick(); });
  connect(tbCopy, &QAction::triggered, this, [this] { CopyClick(); });
  // A hit chosen by click or keyboard shows its peak in the frame.
  connect(lvHits, &QTreeWidget::currentItemChanged, this, [this](QTreeWidgetItem* item) {
    if (showing_ || !item) return;
    const int row = lvHits->indexOfTopLevelItem(item);
    if (row >= 0 && row != logic->ChosenHit())
      UserAction([&] { logic->ChooseHit(static_cast<size_t>(row)); });
  });
  logic->OnChanged = [this] { ShowHits(); };
  ShowHits();
}

TfmScreen::~TfmScreen() {
  logic->OnChanged = nullptr;
}

void TfmScreen::RunProc() {
  // The hit list follows even when the screening stopped with an error.
  struct Show {
    TfmScreen* frame;
    ~Show() { frame->ShowHits(); }
  } show{this};
  logic->Run();
}

void TfmScreen::TrainingsClick() {
  UserAction([this] { logic->ChooseTrainings(); });
}

void TfmScreen::CopyClick() {
  UserAction([this] { logic->Copy(); });
}

void TfmScreen::ShowHits() {
  showing_ = true;
  lbSource->setText("Against " + Q(logic->SourceText()));
  const auto& hits = logic->Hits();
  // The rows are made anew only when the hits changed: choosing a hit
  // (from the list's own signal) leaves them as they are.
  const std::string shown = logic->CopyText();
  if (shown != shownHits_) {
    shownHits_ = shown;
    lvHits->clear();
    for (const ScreenHit& h : hits) {
      auto* item =
          new QTreeWidgetItem(lvHits, {Q(h.RtText), Q(h.Compound), Q(h.Answer), Q(h.ScoreText)});
      item->setTextAlignment(kRt, Qt::AlignRight | Qt::AlignVCenter);
      item->setTextAlignment(kScore, Qt::AlignRight | Qt::AlignVCenter);
    }
  }
  const int chosen = logic->ChosenHit();
  lvHits->setCurrentItem(chosen >= 0 ? lvHits->topLevelItem(chosen) : nullptr);
  lbSummary->setText(Q(logic->Summary()));
  tbCopy->setEnabled(!hits.empty());
  showing_ = false;
}

}  // namespace sorrel
