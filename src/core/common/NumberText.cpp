#include "core/common/NumberText.h"

#include <charconv>
#include <cmath>
#include <limits>
#include <system_error>

namespace sorrel {

namespace {

// Splits x (finite, not zero) into its significant digits (trailing zeros
// removed) and its decimal exponent e, so that x = d.ddd × 10^e.
void SignificantDigits(double x, int precision, std::string& digits, int& exponent) {
  char buf[64];
  auto res = std::to_chars(buf, buf + sizeof buf, std::fabs(x), std::chars_format::scientific,
                           precision - 1);
  std::string_view s(buf, res.ptr - buf);
  auto ePos = s.find('e');
  digits.clear();
  for (char c : s.substr(0, ePos))
    if (c != '.') digits.push_back(c);
  int e = 0;
  std::from_chars(s.data() + ePos + 1 + (s[ePos + 1] == '+' ? 1 : 0), s.data() + s.size(), e);
  exponent = e;
  while (digits.size() > 1 && digits.back() == '0')
    digits.pop_back();
}

}  // namespace

std::string FormatGeneral(double x, int precision, int minExpDigits) {
  if (std::isnan(x)) return "NAN";
  if (std::isinf(x)) return x > 0 ? "INF" : "-INF";
  if (x == 0.0) return "0";
  if (precision < 1) precision = 1;
  if (precision > 17) precision = 17;
  std::string digits;
  int e = 0;
  SignificantDigits(x, precision, digits, e);
  std::string out;
  if (x < 0) out.push_back('-');
  if (e >= precision || e < -4) {
    out.push_back(digits[0]);
    if (digits.size() > 1) {
      out.push_back('.');
      out.append(digits, 1, std::string::npos);
    }
    out.push_back('E');
    if (e < 0) out.push_back('-');
    std::string ex = std::to_string(e < 0 ? -e : e);
    if (static_cast<int>(ex.size()) < minExpDigits) out.append(minExpDigits - ex.size(), '0');
    out += ex;
  } else if (e < 0) {
    out += "0.";
    out.append(static_cast<size_t>(-e - 1), '0');
    out += digits;
  } else {
    size_t intDigits = static_cast<size_t>(e) + 1;
    if (digits.size() <= intDigits) {
      out += digits;
      out.append(intDigits - digits.size(), '0');
    } else {
      out.append(digits, 0, intDigits);
      out.push_back('.');
      out.append(digits, intDigits, std::string::npos);
    }
  }
  return out;
}

std::string FormatValue(double x) {
  return FormatGeneral(x, 7, 3);
}

std::string FloatToStr(double x) {
  return FormatGeneral(x, 15, 0);
}

std::string FormatFixed(double x, int decimals) {
  if (!std::isfinite(x)) return FormatGeneral(x, 15);
  if (decimals < 0) decimals = 0;
  char buf[400];
  auto res = std::to_chars(buf, buf + sizeof buf, x, std::chars_format::fixed, decimals);
  std::string s(buf, res.ptr);
  // "-0.0" reads oddly in an edit box; a value that rounds to zero is zero.
  if (s[0] == '-' && s.find_first_not_of("-0.") == std::string::npos) s.erase(0, 1);
  return s;
}

std::string ShortestRoundTrip(double x) {
  char buf[64];
  auto res = std::to_chars(buf, buf + sizeof buf, x);
  return std::string(buf, res.ptr);
}

std::string ShortestRoundTripFloat(float x) {
  char buf[64];
  auto res = std::to_chars(buf, buf + sizeof buf, x);
  return std::string(buf, res.ptr);
}

std::optional<double> ParseNumber(std::string_view text) {
  size_t i = 0, n = text.size();
  while (i < n && text[i] == ' ')
    ++i;
  bool negative = false;
  if (i < n && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  size_t mantStart = i;
  size_t intDigits = 0, fracDigits = 0, leadingZeros = 0;
  bool seenNonZero = false;
  while (i < n && text[i] >= '0' && text[i] <= '9') {
    if (text[i] != '0') seenNonZero = true;
    if (!seenNonZero) ++leadingZeros;
    ++intDigits;
    ++i;
  }
  if (i < n && text[i] == '.') {
    ++i;
    while (i < n && text[i] >= '0' && text[i] <= '9') {
      ++fracDigits;
      ++i;
    }
  }
  if (intDigits + fracDigits == 0) return std::nullopt;
  size_t mantEnd = i;
  long long exp10 = 0;
  if (i < n && (text[i] == 'e' || text[i] == 'E')) {
    ++i;
    bool expNeg = false;
    if (i < n && (text[i] == '+' || text[i] == '-')) expNeg = text[i++] == '-';
    size_t expStart = i;
    while (i < n && text[i] >= '0' && text[i] <= '9') {
      if (exp10 < 100000) exp10 = exp10 * 10 + (text[i] - '0');
      ++i;
    }
    if (i == expStart) return std::nullopt;
    if (expNeg) exp10 = -exp10;
  }
  if (i != n) return std::nullopt;

  std::string_view body = text.substr(mantStart, i - mantStart);
  double value = 0.0;
  auto res =
      std::from_chars(body.data(), body.data() + body.size(), value, std::chars_format::general);
  if (res.ec == std::errc::result_out_of_range) {
    // Decide between overflow and underflow from the decimal magnitude.
    long long magnitude = exp10 + static_cast<long long>(intDigits - leadingZeros);
    if (intDigits == leadingZeros) {
      // No significant integer digit: count the zeros after the point.
      size_t pos = mantStart + intDigits + 1, zeros = 0;
      while (pos < mantEnd && text[pos] == '0') {
        ++zeros;
        ++pos;
      }
      magnitude = exp10 - static_cast<long long>(zeros);
    }
    if (magnitude > 0) return std::nullopt;
    value = 0.0;
  } else if (res.ec != std::errc() || res.ptr != body.data() + body.size()) {
    return std::nullopt;
  }
  if (!std::isfinite(value)) return std::nullopt;
  return negative ? -value : value;
}

std::optional<float> ParseFloat32(std::string_view text) {
  auto v = ParseNumber(text);
  if (!v) return std::nullopt;
  // FLT_MAX plus half an ulp: anything at or beyond it rounds to infinity.
  constexpr double kFloatOverflow = 3.4028235677973366e38;
  if (std::fabs(*v) >= kFloatOverflow) return std::nullopt;
  return static_cast<float>(*v);
}

std::optional<int32_t> ParseInt32(std::string_view text) {
  text = TrimBlanks(text);
  if (text.empty()) return std::nullopt;
  size_t start = text[0] == '+' ? 1 : 0;
  int32_t v = 0;
  auto res = std::from_chars(text.data() + start, text.data() + text.size(), v);
  if (res.ec != std::errc() || res.ptr != text.data() + text.size()) return std::nullopt;
  if (start == 1 && text.size() > 1 && text[1] == '-') return std::nullopt;
  return v;
}

std::string_view TrimBlanks(std::string_view text) {
  size_t b = 0, e = text.size();
  while (b < e && static_cast<unsigned char>(text[b]) <= 32)
    ++b;
  while (e > b && static_cast<unsigned char>(text[e - 1]) <= 32)
    --e;
  return text.substr(b, e - b);
}

}  // namespace sorrel
