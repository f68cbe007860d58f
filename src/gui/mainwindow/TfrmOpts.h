#pragma once
// TfrmOpts: the "PCA Options" dialog that closes the saving of a training:
// a read-only summary of how the training was calculated, the two
// identification limits, the number of loadings used and the compound's
// name. Created once with the main window and reused; the caller sets
// Training and shows it modally. On show it reads the training, on OK it
// writes the four values into it (PcaOptions.h has the rules); it never
// writes the training's file.
#include <QDialog>

#include "core/mainwindow/PcaOptions.h"

class QLineEdit;
class QPushButton;
class QSpinBox;
class QTextEdit;

namespace sorrel {

class TBMDSpinEdit;
class TTraining;

class TfrmOpts : public QDialog {
  Q_OBJECT
 public:
  explicit TfrmOpts(QWidget* parent = nullptr);

  TTraining* Training = nullptr;  // not owned

  TBMDSpinEdit* nePPID = nullptr;
  TBMDSpinEdit* nePNID = nullptr;
  QSpinBox* neNLoadings = nullptr;
  QLineEdit* eComp = nullptr;
  QTextEdit* reOptions = nullptr;
  QPushButton* bbOK = nullptr;

  // OK: the values into the training; without a compound the dialog
  // closes as cancelled.
  void accept() override;

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  PcaOptionsValues Values();
};

}  // namespace sorrel
