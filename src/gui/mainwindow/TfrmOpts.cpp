#include "gui/mainwindow/TfrmOpts.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTextEdit>
#include <QVBoxLayout>
#include <climits>

#include "core/training/Training.h"
#include "gui/widgets/BMDSpinEdit.h"
#include "gui/widgets/QtText.h"

namespace sorrel {

namespace {

TBMDSpinEdit* LimitEdit(QWidget* parent, const QString& name, double value) {
  auto* e = new TBMDSpinEdit(parent);
  e->SetMinValue(0);
  e->SetMaxValue(PcaOptionsValues::kMaxLimit);
  e->SetIncrement(1);
  e->SetPrecision(1);
  e->SetValue(value);
  e->setAccessibleName(name);
  e->setMinimumWidth(90);
  return e;
}

}  // namespace

TfrmOpts::TfrmOpts(QWidget* parent) : QDialog(parent) {
  setWindowTitle("PCA Options");
  setObjectName("frmOpts");
  setModal(true);
  resize(520, 420);
  const PcaOptionsValues defaults;

  auto* layout = new QHBoxLayout(this);
  reOptions = new QTextEdit(this);
  reOptions->setReadOnly(true);
  reOptions->setLineWrapMode(QTextEdit::NoWrap);
  reOptions->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  reOptions->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  reOptions->setAccessibleName("Summary");
  layout->addWidget(reOptions, 1);

  auto* side = new QVBoxLayout;
  auto* thresholds = new QGroupBox("Thresholds", this);
  auto* tl = new QFormLayout(thresholds);
  nePPID = LimitEdit(thresholds, "Positive/Possible ID", defaults.PPID);
  nePNID = LimitEdit(thresholds, "Possible/Negative ID", defaults.PNID);
  tl->addRow("Positive/Possible ID", nePPID);
  tl->addRow("Possible/Negative ID", nePNID);
  side->addWidget(thresholds);

  auto* loadings = new QGroupBox("Number of Loadings", this);
  auto* ll = new QVBoxLayout(loadings);
  neNLoadings = new QSpinBox(loadings);
  neNLoadings->setRange(1, INT_MAX);
  neNLoadings->setValue(defaults.NLoadings);
  neNLoadings->setAccessibleName("Number of Loadings");
  ll->addWidget(neNLoadings);
  side->addWidget(loadings);

  auto* compound = new QGroupBox("Compound/Substance", this);
  auto* cl = new QVBoxLayout(compound);
  eComp = new QLineEdit(compound);
  eComp->setAccessibleName("Compound/Substance");
  cl->addWidget(eComp);
  side->addWidget(compound);
  side->addStretch(1);

  auto* buttons = new QDialogButtonBox(
      QDialogButtonBox::Ok | QDialogButtonBox::Cancel | QDialogButtonBox::Help, Qt::Vertical, this);
  bbOK = buttons->button(QDialogButtonBox::Ok);
  connect(buttons, &QDialogButtonBox::accepted, this, &TfrmOpts::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  side->addWidget(buttons);
  layout->addLayout(side);
}

void TfrmOpts::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (!Training) return;
  setWindowTitle("PCA Options " + Q(Training->FileName()));
  PcaOptionsValues v = Values();
  std::vector<std::string> summary;
  if (!LoadOptions(*Training, v, summary)) return;
  nePPID->SetValue(v.PPID);
  nePNID->SetValue(v.PNID);
  // The training uses at most the loadings that were calculated.
  const int calculated = static_cast<int>(Training->Loadings.size());
  neNLoadings->setMaximum(calculated > 0 ? calculated : INT_MAX);
  neNLoadings->setValue(v.NLoadings);
  eComp->setText(Q(v.Compound));
  QStringList lines;
  for (const std::string& l : summary)
    lines << Q(l);
  reOptions->setPlainText(lines.join('\n'));
}

PcaOptionsValues TfrmOpts::Values() {
  PcaOptionsValues v;
  v.PPID = nePPID->Value();
  v.PNID = nePNID->Value();
  v.NLoadings = neNLoadings->value();
  v.Compound = S(eComp->text());
  return v;
}

void TfrmOpts::accept() {
  if (Training && !ApplyOptions(*Training, Values())) {
    reject();
    return;
  }
  QDialog::accept();
}

}  // namespace sorrel
