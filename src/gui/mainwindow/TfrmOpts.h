#pragma once
// TfrmOpts: the "PCA Options" dialog that closes the saving of a training
// (the identification limits, the number of loadings used, the compound's
// name, and a summary of the calculation). Created once with the main
// window and reused. For now it holds only its OK and Cancel buttons: its
// controls come with Save Training.
#include <QDialog>

namespace sorrel {

class TfrmOpts : public QDialog {
  Q_OBJECT
 public:
  explicit TfrmOpts(QWidget* parent = nullptr);
};

}  // namespace sorrel
