// Number texts: the general formats and the strict number syntax.
#include <gtest/gtest.h>

#include <charconv>
#include <clocale>
#include <cmath>
#include <cstring>
#include <iomanip>
#include <random>
#include <sstream>

#include "core/common/NumberText.h"

using namespace sorrel;

namespace {

// The same value written by the C++ stream library in the classic locale
// with %g rules, its exponent rewritten the way the system writes one
// ("E", sign only when negative, at least `expDigits` digits).
std::string StreamGeneral(double x, int precision, int expDigits) {
  std::ostringstream os;
  os.imbue(std::locale::classic());
  os << std::setprecision(precision) << x;
  std::string s = os.str();
  auto e = s.find('e');
  if (e == std::string::npos) return s;
  std::string mant = s.substr(0, e);
  char sign = s[e + 1];
  std::string digits = s.substr(e + 2);
  while (digits.size() > 1 && digits[0] == '0')
    digits.erase(0, 1);
  while (static_cast<int>(digits.size()) < expDigits)
    digits.insert(0, "0");
  return mant + "E" + (sign == '-' ? "-" : "") + digits;
}

}  // namespace

TEST(FormatGeneral, HandPickedCases) {
  struct Case {
    double x;
    int precision, expDigits;
    const char* text;
  } cases[] = {
      {1234.5678, 7, 3, "1234.568"},
      {0.5, 7, 3, "0.5"},
      {0, 7, 3, "0"},
      {-2.5, 7, 3, "-2.5"},
      {100, 7, 3, "100"},
      {1234567, 7, 3, "1234567"},
      {12345678, 7, 3, "1.234568E007"},
      {0.0001, 7, 3, "0.0001"},
      {0.00001234, 7, 3, "1.234E-005"},
      {1e20, 15, 0, "1E20"},
      {static_cast<double>(123.4567f), 15, 0, "123.456703186035"},
      {1000, 15, 0, "1000"},
      {1.5e-7, 12, 4, "1.5E-0007"},
      {-1.5e-7, 12, 4, "-1.5E-0007"},
      {999999.96, 7, 3, "1000000"},
      {9999999.6, 7, 3, "1E007"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(FormatGeneral(c.x, c.precision, c.expDigits), c.text) << c.x;
  EXPECT_EQ(FormatValue(1234.5678), "1234.568");
  EXPECT_EQ(FloatToStr(static_cast<double>(123.4567f)), "123.456703186035");
}

TEST(FormatGeneral, AgreesWithTheStreamLibraryOnRandomValues) {
  std::mt19937_64 rng(7);
  std::uniform_real_distribution<double> mant(-10, 10);
  std::uniform_int_distribution<int> exp10(-12, 25);
  for (int i = 0; i < 20000; ++i) {
    double x = mant(rng) * std::pow(10.0, exp10(rng));
    for (int p : {6, 7, 12, 15}) {
      int ed = p == 7 ? 3 : p == 12 ? 4 : 0;
      ASSERT_EQ(FormatGeneral(x, p, ed), StreamGeneral(x, p, ed)) << x << " precision " << p;
    }
  }
}

TEST(FormatGeneral, FifteenDigitsReadBackToTheFloatValue) {
  std::mt19937 rng(3);
  std::uniform_real_distribution<float> f(-1e6f, 1e6f);
  for (int i = 0; i < 10000; ++i) {
    float v = f(rng);
    auto back = ParseFloat32(FloatToStr(v));
    ASSERT_TRUE(back);
    ASSERT_EQ(*back, v);
  }
}

// The shortest text of a 32-bit value: it reads back as that float, and
// is no longer than the scientific text of the fewest digits that read
// back (found by writing the value with every precision in turn; all
// locale-independent, as the comma-decimal run of this test demands).
TEST(ShortestRoundTripFloat, ReadsBackAndIsNoLonger) {
  EXPECT_EQ(ShortestRoundTripFloat(6.57f), "6.57");
  EXPECT_EQ(ShortestRoundTrip(static_cast<double>(6.57f)), "6.570000171661377");
  EXPECT_EQ(ShortestRoundTripFloat(82.0f), "82");
  EXPECT_EQ(ShortestRoundTripFloat(0.0f), "0");
  std::mt19937 rng(11);
  for (int i = 0; i < 20000; ++i) {
    uint32_t bits = rng();
    float v;
    std::memcpy(&v, &bits, sizeof v);
    // Powers of two have a narrower interval below them than above, which
    // the nearest text of a precision does not account for.
    if (!std::isfinite(v) || (bits & 0x7FFFFF) == 0) continue;
    const std::string text = ShortestRoundTripFloat(v);
    auto readBack = [](const std::string& t) {
      float f = 0;
      std::from_chars(t.data(), t.data() + t.size(), f);
      return f;
    };
    ASSERT_EQ(readBack(text), v) << text;
    std::string fewest;
    for (int p = 1; p <= 9 && fewest.empty(); ++p) {
      char buf[64];
      auto res = std::to_chars(buf, buf + sizeof buf, static_cast<double>(v),
                               std::chars_format::scientific, p - 1);
      if (readBack(std::string(buf, res.ptr)) == v) fewest.assign(buf, res.ptr);
    }
    ASSERT_FALSE(fewest.empty());
    // Trailing zeros of the mantissa do not count.
    auto e = fewest.find('e');
    std::string mant = fewest.substr(0, e);
    if (mant.find('.') != std::string::npos) {
      while (mant.back() == '0')
        mant.pop_back();
      if (mant.back() == '.') mant.pop_back();
    }
    ASSERT_LE(text.size(), mant.size() + fewest.size() - e) << text << " against " << fewest;
  }
}

TEST(FormatFixed, RoundsAndNeverShowsMinusZero) {
  EXPECT_EQ(FormatFixed(0.26, 1), "0.3");
  EXPECT_EQ(FormatFixed(2.5, 0), "2");  // the binary value 2.5 rounds to even
  EXPECT_EQ(FormatFixed(-0.01, 1), "0.0");
  EXPECT_EQ(FormatFixed(-1.25, 2), "-1.25");
}

TEST(ParseNumber, AcceptsTheNumberSyntaxOnly) {
  struct Case {
    const char* text;
    bool ok;
    double value;
  } cases[] = {
      {"45.2", true, 45.2}, {"  45.2", true, 45.2}, {"+3", true, 3},     {"-3.5e2", true, -350},
      {"1e20", true, 1e20}, {"1E-3", true, 0.001},  {".5", true, 0.5},   {"5.", true, 5},
      {"007", true, 7},     {"1e-400", true, 0},    {"-0.0", true, 0},   {"", false, 0},
      {" ", false, 0},      {".", false, 0},        {"45,2", false, 0},  {"1,000", false, 0},
      {"1.5.2", false, 0},  {"45.2 ", false, 0},    {"1e", false, 0},    {"1e+", false, 0},
      {"e5", false, 0},     {"nan", false, 0},      {"inf", false, 0},   {"1e400", false, 0},
      {"-1e400", false, 0}, {"0x10", false, 0},     {"12abc", false, 0}, {"--1", false, 0},
      {"+-1", false, 0},    {"1 000", false, 0},    {"\t5", false, 0},
  };
  for (const auto& c : cases) {
    auto v = ParseNumber(c.text);
    EXPECT_EQ(v.has_value(), c.ok) << '"' << c.text << '"';
    if (v && c.ok) {
      EXPECT_DOUBLE_EQ(*v, c.value) << c.text;
    }
  }
}

TEST(ParseNumber, ValuesOutsideTheFloatRangeAreBadForSpectra) {
  EXPECT_TRUE(ParseFloat32("3.4e38"));
  EXPECT_FALSE(ParseFloat32("3.5e38"));
  EXPECT_FALSE(ParseFloat32("-1e39"));
  EXPECT_EQ(*ParseFloat32("1e-50"), 0.0f);
  EXPECT_TRUE(ParseNumber("1e300"));
}

TEST(ParseNumber, DoesNotDependOnTheLocale) {
  // Under the comma-decimal run of this suite the C library would read
  // "1,5"; the system never does.
  EXPECT_EQ(*ParseNumber("1.5"), 1.5);
  EXPECT_FALSE(ParseNumber("1,5"));
  EXPECT_EQ(FormatValue(1.5), "1.5");
}

TEST(ParseInt32, WholeNumbersOnly) {
  EXPECT_EQ(*ParseInt32(" 42 "), 42);
  EXPECT_EQ(*ParseInt32("-7"), -7);
  EXPECT_EQ(*ParseInt32("+7"), 7);
  EXPECT_FALSE(ParseInt32("4.2"));
  EXPECT_FALSE(ParseInt32("99999999999"));
  EXPECT_FALSE(ParseInt32(""));
  EXPECT_FALSE(ParseInt32("+-1"));
}
