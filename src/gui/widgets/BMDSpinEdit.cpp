#include "gui/widgets/BMDSpinEdit.h"

#include <QLineEdit>

namespace sorrel {

TBMDSpinEdit::TBMDSpinEdit(QWidget* parent) : QAbstractSpinBox(parent) {
  logic_.OnChange = [this] { emit changed(); };
  connect(lineEdit(), &QLineEdit::textEdited, this, [this](const QString& text) {
    if (!updating_) logic_.SetText(text.toStdString());
  });
  ShowText();
}

void TBMDSpinEdit::ShowText() {
  updating_ = true;
  lineEdit()->setText(QString::fromStdString(logic_.Text()));
  updating_ = false;
}

double TBMDSpinEdit::Value() {
  double v = logic_.Value();
  ShowText();
  return v;
}

void TBMDSpinEdit::SetValue(double x) {
  logic_.SetValue(x);
  ShowText();
}

void TBMDSpinEdit::SetMinValue(double v) {
  logic_.SetMinValue(v);
  ShowText();
}

void TBMDSpinEdit::SetMaxValue(double v) {
  logic_.SetMaxValue(v);
  ShowText();
}

void TBMDSpinEdit::SetPrecision(int p) {
  logic_.SetPrecision(p);
  ShowText();
}

void TBMDSpinEdit::SetValueUnit(const QString& unit) {
  logic_.SetValueUnit(unit.toStdString());
  ShowText();
}

void TBMDSpinEdit::SetEditorEnabled(bool enabled) {
  logic_.SetEditorEnabled(enabled);
  lineEdit()->setReadOnly(!enabled);
}

void TBMDSpinEdit::stepBy(int steps) {
  setFocus();
  for (int i = 0; i < std::abs(steps); ++i) {
    if (steps > 0)
      logic_.StepUp();
    else
      logic_.StepDown();
  }
  ShowText();
  selectAll();
}

QValidator::State TBMDSpinEdit::validate(QString& input, int&) const {
  // Units and blanks written by the value itself stay; typed characters
  // are filtered by the core's key rule.
  QString number = input;
  if (!logic_.ValueUnit().empty()) number.remove(QString::fromStdString(logic_.ValueUnit()));
  for (QChar c : number) {
    char ch = c.unicode() < 128 ? static_cast<char>(c.unicode()) : 'x';
    if (!logic_.AcceptsKey(ch)) return QValidator::Invalid;
  }
  return QValidator::Acceptable;
}

void TBMDSpinEdit::focusOutEvent(QFocusEvent* event) {
  logic_.Exit();
  ShowText();
  QAbstractSpinBox::focusOutEvent(event);
}

}  // namespace sorrel
