// Control characters and bytes that are not text, shown escaped.
#include <gtest/gtest.h>

#include "core/common/TextEscape.h"

using namespace sorrel;

TEST(TextEscape, ControlCharactersAndBrokenBytesAreEscaped) {
  struct Case {
    std::string text;
    std::string escaped;  // every control character escaped
    std::string kept;     // line feeds, carriage returns and tabs kept
  } cases[] = {
      {"50\t1000", "50\\x091000", "50\t1000"},
      {"red \x1b[31mX\x1b[0m", "red \\x1b[31mX\\x1b[0m", "red \\x1b[31mX\\x1b[0m"},
      {"bell\a", "bell\\x07", "bell\\x07"},
      {"a\r\nb", "a\\x0d\\x0ab", "a\r\nb"},
      {std::string("nul\0x", 5), "nul\\x00x", "nul\\x00x"},
      {"del\x7f", "del\\x7f", "del\\x7f"},
      // U+009B, the 8-bit CSI, and U+0085; U+00A0 is text.
      {"\xc2\x9b"
       "31m\xc2\x85\xc2\xa0",
       "\\u009b31m\\u0085\xc2\xa0", "\\u009b31m\\u0085\xc2\xa0"},
      // Bytes that are no UTF-8: Latin-1 é, a lone continuation byte, a
      // cut sequence, an overlong slash.
      {"caf\xe9\xff", "caf\\xe9\\xff", "caf\\xe9\\xff"},
      {"\x80"
       "a\xe2\x82",
       "\\x80a\\xe2\\x82", "\\x80a\\xe2\\x82"},
      {"\xc0\xaf", "\\xc0\\xaf", "\\xc0\\xaf"},
      // Text passes as it is, a backslash included.
      {"caf\xc3\xa9 \xe2\x82\xac \xf0\x9f\x98\x80 C:\\x1b",
       "caf\xc3\xa9 \xe2\x82\xac \xf0\x9f\x98\x80 C:\\x1b",
       "caf\xc3\xa9 \xe2\x82\xac \xf0\x9f\x98\x80 C:\\x1b"},
      {"", "", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.escaped);
    EXPECT_EQ(EscapeControlChars(c.text, LineBreaks::Escape), c.escaped);
    EXPECT_EQ(EscapeControlChars(c.text, LineBreaks::Keep), c.kept);
  }
}
