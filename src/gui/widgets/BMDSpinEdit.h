#pragma once
// TBMDSpinEdit: the decimal spin edit. The value rules live in the core
// (DecimalSpinLogic); this widget shows the text, forwards keys, steps and
// focus changes to it, and emits `changed` when the core says so.
#include <QAbstractSpinBox>

#include "core/common/DecimalSpin.h"

namespace sorrel {

class TBMDSpinEdit : public QAbstractSpinBox {
  Q_OBJECT
 public:
  explicit TBMDSpinEdit(QWidget* parent = nullptr);

  double Value();
  void SetValue(double x);
  void SetMinValue(double v);
  void SetMaxValue(double v);
  void SetIncrement(double v) { logic_.SetIncrement(v); }
  void SetPrecision(int p);
  void SetValueUnit(const QString& unit);
  void SetEditorEnabled(bool enabled);
  DecimalSpinLogic& Logic() { return logic_; }
  QLineEdit* Editor() const { return lineEdit(); }

  void stepBy(int steps) override;

 signals:
  void changed();

 protected:
  StepEnabled stepEnabled() const override { return StepUpEnabled | StepDownEnabled; }
  QValidator::State validate(QString& input, int& pos) const override;
  void focusOutEvent(QFocusEvent* event) override;

 private:
  void ShowText();
  DecimalSpinLogic logic_;
  bool updating_ = false;
};

}  // namespace sorrel
