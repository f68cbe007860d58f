#include "gui/mainwindow/TfrmDirPicker.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QHeaderView>
#include <QStorageInfo>
#include <QTreeView>
#include <QVBoxLayout>

namespace sorrel {

TfrmDirPicker::TfrmDirPicker(QWidget* parent) : QDialog(parent) {
  setWindowTitle("Select Directory");
  setObjectName("frmDirPicker");
  resize(420, 480);
  auto* layout = new QVBoxLayout(this);
  cbDrives = new QComboBox(this);
  cbDrives->setAccessibleName("Drives");
  for (const QStorageInfo& v : QStorageInfo::mountedVolumes())
    if (v.isValid() && v.isReady()) cbDrives->addItem(v.rootPath());
  if (cbDrives->findText("/") < 0) cbDrives->insertItem(0, "/");
  layout->addWidget(cbDrives);

  model_ = new QFileSystemModel(this);
  model_->setFilter(QDir::AllDirs | QDir::NoDotAndDotDot);
  model_->setRootPath("/");
  tvDirs = new QTreeView(this);
  tvDirs->setAccessibleName("Directories");
  tvDirs->setModel(model_);
  for (int c = 1; c < model_->columnCount(); ++c)
    tvDirs->hideColumn(c);
  tvDirs->header()->hide();
  layout->addWidget(tvDirs, 1);

  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  layout->addWidget(buttons);

  connect(cbDrives, &QComboBox::textActivated, this, [this](const QString& root) {
    ShowDrive(root);
    directory_ = root;
  });
  connect(tvDirs->selectionModel(), &QItemSelectionModel::currentChanged, this,
          [this](const QModelIndex& current) {
            if (current.isValid()) directory_ = model_->filePath(current);
          });
  SetDirectory(QDir::homePath());
}

void TfrmDirPicker::ShowDrive(const QString& root) {
  tvDirs->setRootIndex(model_->index(root));
}

void TfrmDirPicker::SetDirectory(const QString& dir) {
  const QFileInfo info(dir);
  if (!info.isDir()) return;
  const QString path = QDir::cleanPath(info.absoluteFilePath());
  // The drive that holds it: the longest mount point it lies below.
  int drive = -1;
  for (int i = 0; i < cbDrives->count(); ++i) {
    const QString root = cbDrives->itemText(i);
    const bool below = root == "/" || path == root || path.startsWith(root + "/");
    if (below && (drive < 0 || root.size() > cbDrives->itemText(drive).size())) drive = i;
  }
  if (drive >= 0) {
    cbDrives->setCurrentIndex(drive);
    ShowDrive(cbDrives->itemText(drive));
  }
  const QModelIndex index = model_->index(path);
  tvDirs->setCurrentIndex(index);
  tvDirs->scrollTo(index);
  directory_ = path;
}

}  // namespace sorrel
