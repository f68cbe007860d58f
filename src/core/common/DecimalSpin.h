#pragma once
// The value rules of the decimal spin edit: a floating-point value shown
// with a fixed number of decimals (or 4 significant digits), kept within
// limits, stepped by an increment, optionally followed by a unit. The
// widget in the desktop program is a thin shell over this.
#include <functional>
#include <string>

namespace sorrel {

class DecimalSpinLogic {
 public:
  DecimalSpinLogic();

  // The text in the edit box, as typed or as written by the value.
  const std::string& Text() const { return text_; }
  // A typed change of the text; tells OnChange.
  void SetText(const std::string& text);

  // The number in the text. Empty or unreadable text is replaced by
  // MinValue, which is the answer then.
  double Value();
  // Shows the limited value; tells OnChange when x differs from the value
  // before (not while loading).
  void SetValue(double x);

  double MinValue() const { return min_; }
  double MaxValue() const { return max_; }
  void SetMinValue(double v);
  void SetMaxValue(double v);
  double Increment() const { return increment_; }
  void SetIncrement(double v) { increment_ = v; }
  int Precision() const { return precision_; }
  void SetPrecision(int p);
  const std::string& ValueUnit() const { return unit_; }
  void SetValueUnit(const std::string& unit);
  bool EditorEnabled() const { return editorEnabled_; }
  void SetEditorEnabled(bool v) { editorEnabled_ = v; }
  void SetLoading(bool v) { loading_ = v; }

  // x kept within the limits (unchanged when MinValue equals MaxValue).
  double Limit(double x) const;
  // The text of a value in the current format and unit.
  std::string TextOf(double x) const;
  // Up and down buttons and arrow keys.
  void StepUp();
  void StepDown();
  // Whether a typed character reaches the text.
  bool AcceptsKey(char c) const;
  // Leaving the edit: a value outside the limits is replaced by the limit.
  void Exit();

  std::function<void()> OnChange;

 private:
  void Changed() {
    if (OnChange && !loading_) OnChange();
  }
  std::string text_;
  double min_ = 0, max_ = 100, increment_ = 1;
  int precision_ = 2;
  std::string unit_;
  bool editorEnabled_ = true;
  bool loading_ = false;
};

}  // namespace sorrel
