// Main of every core test program. It takes the locale from the
// environment, as a desktop program does, so that the run under a
// comma-decimal locale proves that no number text depends on it.
#include <gtest/gtest.h>

#include <clocale>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <locale>

int main(int argc, char** argv) {
  std::setlocale(LC_ALL, "");
  try {
    std::locale::global(std::locale(""));
  } catch (const std::exception&) {
    // An unknown locale name leaves the classic locale.
  }
  if (std::getenv("SORREL_EXPECT_COMMA_LOCALE")) {
    // The comma-decimal run is only a proof when the locale is really active.
    const char* dp = std::localeconv()->decimal_point;
    if (!dp || std::strcmp(dp, ",") != 0) {
      std::cerr << "the comma-decimal locale is not available (decimal point '" << (dp ? dp : "")
                << "'); generate de_DE.UTF-8 (scripts/setup does)\n";
      return 1;
    }
  }
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
