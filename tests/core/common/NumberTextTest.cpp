#include <gtest/gtest.h>
#include "common/NumberText.h"
using namespace sorrel;
TEST(NumberText, Placeholder) { EXPECT_EQ(FormatValue(1234.5678), "1234.568"); }
