#pragma once
// TfrmDirPicker: a dialog to choose a directory, with a list of the
// mounted drives and the directory tree of the chosen one, and OK and
// Cancel buttons. Created once with the main window.
#include <QDialog>
#include <QString>

class QComboBox;
class QFileSystemModel;
class QTreeView;

namespace sorrel {

class TfrmDirPicker : public QDialog {
  Q_OBJECT
 public:
  explicit TfrmDirPicker(QWidget* parent = nullptr);

  // The directory chosen in the list (an absolute path without a trailing
  // "/", except for "/" itself).
  QString Directory() const { return directory_; }
  // Shows `dir` in the list: its drive is chosen and the directory
  // selected. A directory that does not exist changes nothing.
  void SetDirectory(const QString& dir);

  QComboBox* cbDrives = nullptr;
  QTreeView* tvDirs = nullptr;

 private:
  void ShowDrive(const QString& root);
  QFileSystemModel* model_ = nullptr;
  QString directory_;
};

}  // namespace sorrel
