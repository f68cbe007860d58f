#include "gui/mainwindow/TfmProc.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "gui/widgets/UserAction.h"

namespace sorrel {

TfmProc::TfmProc(const QString& header, QWidget* parent) : QFrame(parent) {
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(2, 2, 2, 2);
  lbHeader = new QLabel(header, this);
  lbHeader->setAlignment(Qt::AlignCenter);
  lbHeader->setFrameStyle(QFrame::Panel | QFrame::Raised);
  lbHeader->setLineWidth(1);
  lbHeader->setMargin(3);
  layout->addWidget(lbHeader);
  body_ = new QVBoxLayout();
  body_->setContentsMargins(0, 0, 0, 0);
  layout->addLayout(body_, 1);

  auto* bar = new QHBoxLayout();
  bbRun = new QPushButton("Run", this);
  bbRun->setCheckable(true);
  bbClose = new QPushButton("Close", this);
  bbHelp = new QPushButton("?", this);
  bbHelp->setAccessibleName("Help");
  bbHelp->setToolTip("Help");
  bar->addWidget(bbRun);
  bar->addWidget(bbClose);
  bar->addStretch(1);
  bar->addWidget(bbHelp);
  layout->addLayout(bar);

  // A click presses the toggle; it stays down until the run has ended.
  connect(bbRun, &QPushButton::clicked, this, [this](bool down) {
    if (!down) {
      bbRun->setChecked(true);  // a click while a run lasts does not release it
      return;
    }
    UserAction([this] { RunProc(); });
    bbRun->setChecked(false);
  });
}

void TfmProc::SetHint(const QString& hint) {
  setToolTip(hint);
  setStatusTip(hint);
  lbHeader->setToolTip(hint);
  lbHeader->setStatusTip(hint);
}

}  // namespace sorrel
