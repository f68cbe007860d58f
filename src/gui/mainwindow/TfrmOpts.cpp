#include "gui/mainwindow/TfrmOpts.h"

#include <QDialogButtonBox>
#include <QVBoxLayout>

namespace sorrel {

TfrmOpts::TfrmOpts(QWidget* parent) : QDialog(parent) {
  setWindowTitle("PCA Options");
  setObjectName("frmOpts");
  auto* layout = new QVBoxLayout(this);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  layout->addWidget(buttons);
}

}  // namespace sorrel
