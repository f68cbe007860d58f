#include "gui/plots/TPlots.h"

#include <QActionGroup>
#include <QMenu>
#include <QSignalBlocker>
#include <QTabBar>
#include <QTabWidget>
#include <QVBoxLayout>

#include "core/plots/PlotCollection.h"
#include "gui/plots/TfrmPlot.h"

namespace sorrel {

TPlots::TPlots(QWidget* parent) : core_(std::make_unique<PlotCollection>()) {
  PageCtrl = new QTabWidget(parent);
  PageCtrl->setAccessibleName("Plots");
  PageCtrl->setObjectName("Plots");
  PageCtrl->setTabPosition(QTabWidget::South);
  PageCtrl->setDocumentMode(true);
  QFont f = PageCtrl->tabBar()->font();
  f.setPointSize(9);
  f.setBold(true);
  PageCtrl->tabBar()->setFont(f);
  PageCtrl->setStyleSheet("QTabBar::tab { height: 26px; padding: 0 12px; }");
  PageCtrl->hide();
  mPopup = new QMenu(PageCtrl);
  PageCtrl->tabBar()->setContextMenuPolicy(Qt::CustomContextMenu);
  connect(PageCtrl->tabBar(), &QTabBar::customContextMenuRequested, this,
          [this](const QPoint& pos) { ShowPopup(PageCtrl->tabBar()->mapToGlobal(pos)); });
  connect(PageCtrl, &QTabWidget::currentChanged, this, [this](int i) {
    if (i >= 0 && i != core_->Active()) core_->SetActive(i);
  });

  core_->OnAdded = [this](int index) {
    PlotFrame& frame = *core_->Items(index);
    auto* page = new QWidget();
    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(new TfrmPlot(frame, page));
    const QSignalBlocker block(PageCtrl);
    PageCtrl->insertTab(index, page, QString::fromStdString(frame.Name));
    PageCtrl->show();
  };
  core_->OnDeleting = [this](int index) {
    const QSignalBlocker block(PageCtrl);
    QWidget* page = PageCtrl->widget(index);
    PageCtrl->removeTab(index);
    delete page;
  };
  core_->OnActiveChanged = [this](int index) {
    const QSignalBlocker block(PageCtrl);
    PageCtrl->setCurrentIndex(index);
  };
}

TPlots::~TPlots() {
  core_->Clear();
}

int TPlots::Count() const {
  return core_->Count();
}

TfrmPlot* TPlots::Frame(int index) const {
  if (index < 0 || index >= PageCtrl->count()) return nullptr;
  return PageCtrl->widget(index)->findChild<TfrmPlot*>();
}

PlotFrame* TPlots::Items(int index) const {
  return core_->Items(index);
}

int TPlots::Add(const std::string& tml) {
  const int index = core_->Add(tml);
  emit countChanged(Count());
  return index;
}

bool TPlots::Delete(int index) {
  const bool done = core_->Delete(index);
  if (done) {
    const QSignalBlocker block(PageCtrl);
    PageCtrl->setCurrentIndex(core_->Active());
    emit countChanged(Count());
  }
  return done;
}

void TPlots::Clear() {
  core_->Clear();
  emit countChanged(0);
}

int TPlots::Active() const {
  return core_->Active();
}

void TPlots::SetActive(int index) {
  core_->SetActive(index);
}

int TPlots::IdxByFilename(const std::string& fileName) const {
  return core_->IdxByFilename(fileName);
}

void TPlots::ShowPopup(const QPoint& globalPos) {
  // Rebuilt each time: one radio item per frame, the active one checked.
  mPopup->clear();
  auto* group = new QActionGroup(mPopup);
  const auto items = core_->PopupItems();
  for (size_t i = 0; i < items.size(); ++i) {
    QAction* a = mPopup->addAction(QString::fromStdString(items[i].caption));
    a->setCheckable(true);
    a->setChecked(items[i].checked);
    group->addAction(a);
    const int index = static_cast<int>(i);
    connect(a, &QAction::triggered, this, [this, index] { core_->SetActive(index); });
  }
  if (!items.empty()) mPopup->popup(globalPos);
}

}  // namespace sorrel
