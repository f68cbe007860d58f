#pragma once
// TfmProc: the base of the procedure frames on the main window's side
// panel: a header (centred text on a soft bevel) above the frame's own
// controls, and a bottom bar with "Run" (a toggle that stays down while a
// run lasts), "Close" and a help button. Close and help do nothing yet.
#include <QFrame>

class QLabel;
class QPushButton;
class QVBoxLayout;

namespace sorrel {

class TfmProc : public QFrame {
  Q_OBJECT
 public:
  TfmProc(const QString& header, QWidget* parent = nullptr);

  QLabel* lbHeader = nullptr;
  QPushButton* bbRun = nullptr;
  QPushButton* bbClose = nullptr;
  QPushButton* bbHelp = nullptr;

  // The frame's hint (tool tip and status bar), given to the header too.
  void SetHint(const QString& hint);

 protected:
  // The frame's own controls go here, between the header and the bar.
  QVBoxLayout* Body() const { return body_; }
  // What Run does; the button is down meanwhile and released after, also
  // when it throws (the error goes to the error box).
  virtual void RunProc() {}

 private:
  QVBoxLayout* body_ = nullptr;
};

}  // namespace sorrel
