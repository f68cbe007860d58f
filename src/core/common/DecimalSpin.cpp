#include "core/common/DecimalSpin.h"

#include "core/common/NumberText.h"

namespace sorrel {

DecimalSpinLogic::DecimalSpinLogic() {
  text_ = TextOf(0);
}

std::string DecimalSpinLogic::TextOf(double x) const {
  std::string t = precision_ < 0 ? FormatGeneral(x, 4) : FormatFixed(x, precision_);
  if (!unit_.empty()) t += " " + unit_;
  return t;
}

void DecimalSpinLogic::SetText(const std::string& text) {
  text_ = text;
  Changed();
}

double DecimalSpinLogic::Value() {
  if (text_.empty()) {
    text_ = TextOf(min_);
    return min_;
  }
  std::string number;
  auto unitPos = unit_.empty() ? std::string::npos : text_.find(unit_);
  if (unitPos != std::string::npos && unitPos >= 2) {
    number = std::string(TrimBlanks(std::string_view(text_).substr(0, unitPos)));
  } else {
    auto blank = text_.find(' ');
    number = (blank != std::string::npos && blank > 0) ? text_.substr(0, blank) : text_;
  }
  if (number == "-") return 0;
  std::string clean;
  for (char c : number)
    if ((c >= '0' && c <= '9') || c == '-' || c == '.') clean.push_back(c);
  if (!clean.empty() && clean.front() == '.') clean.insert(clean.begin(), '0');
  if (!clean.empty() && clean.back() == '.') clean.push_back('0');
  auto v = ParseNumber(clean);
  if (!v) {
    text_ = TextOf(min_);
    return min_;
  }
  return *v;
}

double DecimalSpinLogic::Limit(double x) const {
  if (min_ != max_) {
    if (x <= min_) return min_;
    if (x >= max_) return max_;
  }
  return x;
}

void DecimalSpinLogic::SetValue(double x) {
  double before = Value();
  text_ = TextOf(Limit(x));
  if (x != before) Changed();
}

void DecimalSpinLogic::SetMinValue(double v) {
  min_ = v;
  SetValue(Value());
}

void DecimalSpinLogic::SetMaxValue(double v) {
  max_ = v;
  SetValue(Value());
}

void DecimalSpinLogic::SetPrecision(int p) {
  if (p < 0) p = -1;
  if (p > 5) p = 6;
  if (p == precision_) return;
  double v = Value();
  precision_ = p;
  text_ = TextOf(Limit(v));
}

void DecimalSpinLogic::SetValueUnit(const std::string& unit) {
  double v = Value();
  unit_ = unit;
  text_ = TextOf(Limit(v));
}

void DecimalSpinLogic::StepUp() {
  double v = Value();
  SetValue(v < max_ - increment_ ? v + increment_ : max_);
}

void DecimalSpinLogic::StepDown() {
  double v = Value();
  SetValue(v > min_ + increment_ ? v - increment_ : min_);
}

bool DecimalSpinLogic::AcceptsKey(char c) const {
  if (!editorEnabled_) return false;
  return (c >= '0' && c <= '9') || c == '-' || c == '+' || c == '.' ||
         static_cast<unsigned char>(c) <= 32;
}

void DecimalSpinLogic::Exit() {
  double v = Value();
  if (Limit(v) != v) SetValue(Limit(v));
}

}  // namespace sorrel
