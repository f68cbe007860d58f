// The value rules of the decimal spin edit.
#include <gtest/gtest.h>

#include "core/common/DecimalSpin.h"

using namespace sorrel;

TEST(DecimalSpin, ShowsTheValueWithItsPrecision) {
  DecimalSpinLogic s;
  s.SetPrecision(1);
  s.SetValue(0.26);
  EXPECT_EQ(s.Text(), "0.3");
  EXPECT_DOUBLE_EQ(s.Value(), 0.3);
  s.SetMaxValue(1e6);
  s.SetPrecision(-5);
  EXPECT_EQ(s.Precision(), -1);
  s.SetValue(1234.5678);
  EXPECT_EQ(s.Text(), "1235");
  s.SetPrecision(9);
  EXPECT_EQ(s.Precision(), 6);
}

TEST(DecimalSpin, ReadsTypedText) {
  struct Case {
    const char* text;
    double value;
    const char* textAfter;  // what the edit shows after the read
  } cases[] = {
      {",5", 5, ",5"},
      {".5", 0.5, ".5"},
      {"5.", 5, "5."},
      {"-", 0, "-"},
      {"abc", 0, "0.00"},
      {"", 0, "0.00"},
      {"12.5 kg", 12.5, "12.5 kg"},
      {"1-2", 0, "0.00"},
  };
  for (const auto& c : cases) {
    DecimalSpinLogic s;
    s.SetText(c.text);
    EXPECT_DOUBLE_EQ(s.Value(), c.value) << c.text;
    EXPECT_EQ(s.Text(), c.textAfter) << c.text;
  }
}

TEST(DecimalSpin, UnitFollowsTheNumber) {
  DecimalSpinLogic s;
  s.SetValueUnit("s");
  s.SetValue(2);
  EXPECT_EQ(s.Text(), "2.00 s");
  EXPECT_DOUBLE_EQ(s.Value(), 2);
}

TEST(DecimalSpin, LimitsAndSteps) {
  DecimalSpinLogic s;
  s.SetMaxValue(5);
  s.SetIncrement(1);
  s.SetValue(0.5);
  s.StepDown();
  EXPECT_DOUBLE_EQ(s.Value(), 0);
  s.SetValue(4.5);
  s.StepUp();
  EXPECT_DOUBLE_EQ(s.Value(), 5);
  s.SetValue(9);
  EXPECT_DOUBLE_EQ(s.Value(), 5);
  s.SetValue(-3);
  EXPECT_DOUBLE_EQ(s.Value(), 0);
  s.SetMinValue(7);
  s.SetMaxValue(7);  // equal limits: no limit
  s.SetValue(100);
  EXPECT_DOUBLE_EQ(s.Value(), 100);
}

TEST(DecimalSpin, TypedValuesOutsideTheLimitsAreCorrectedOnExit) {
  DecimalSpinLogic s;
  s.SetMaxValue(10);
  s.SetText("50");
  EXPECT_DOUBLE_EQ(s.Value(), 50);
  s.Exit();
  EXPECT_DOUBLE_EQ(s.Value(), 10);
}

TEST(DecimalSpin, TellsChangesButNotWhileLoading) {
  DecimalSpinLogic s;
  int changes = 0;
  s.OnChange = [&] { ++changes; };
  s.SetValue(3);
  s.SetValue(3);
  EXPECT_EQ(changes, 1);
  s.SetLoading(true);
  s.SetValue(4);
  EXPECT_EQ(changes, 1);
  s.SetLoading(false);
  s.SetText("7");
  EXPECT_EQ(changes, 2);
}

TEST(DecimalSpin, KeysThatReachTheText) {
  DecimalSpinLogic s;
  for (char c : std::string("0123456789-+.\b\x7"))
    EXPECT_TRUE(s.AcceptsKey(c)) << int(c);
  for (char c : std::string("a,e E"))
    EXPECT_EQ(s.AcceptsKey(c), c == ' ') << c;
  s.SetEditorEnabled(false);
  EXPECT_FALSE(s.AcceptsKey('5'));
}
