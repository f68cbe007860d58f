// Decoding and splitting text files.
#include <gtest/gtest.h>

#include "TempDir.h"
#include "core/common/Errors.h"
#include "core/common/Paths.h"
#include "core/common/TextFile.h"

using namespace sorrel;

TEST(SplitLines, EveryLineEndEndsALine) {
  using V = std::vector<std::string>;
  EXPECT_EQ(SplitLines(""), V{});
  EXPECT_EQ(SplitLines("a"), V{"a"});
  EXPECT_EQ(SplitLines("a\r\n"), V{"a"});
  EXPECT_EQ(SplitLines("a\r\nb\nc\rd"), (V{"a", "b", "c", "d"}));
  EXPECT_EQ(SplitLines("\r\n"), V{""});
  EXPECT_EQ(SplitLines("a\n\nb"), (V{"a", "", "b"}));
  EXPECT_EQ(SplitLines("a\r\rb"), (V{"a", "", "b"}));
}

TEST(DecodeText, ByteOrderMarksAndFallbacks) {
  // UTF-8 with a byte-order mark: the mark goes.
  EXPECT_EQ(DecodeText("\xEF\xBB\xBF"
                       "50\t10"),
            "50\t10");
  // UTF-16 little and big endian, with a character beyond ASCII (µ).
  EXPECT_EQ(DecodeText(std::string("\xFF\xFE"
                                   "5\0"
                                   "0\0"
                                   "\xB5\0",
                                   8)),
            "50\xC2\xB5");
  EXPECT_EQ(DecodeText(std::string("\xFE\xFF"
                                   "\0"
                                   "5"
                                   "\0"
                                   "0",
                                   6)),
            "50");
  // A surrogate pair, and an unpaired surrogate that becomes U+FFFD.
  EXPECT_EQ(DecodeText(std::string("\xFF\xFE\x3D\xD8\x00\xDE", 6)), "\xF0\x9F\x98\x80");
  EXPECT_EQ(DecodeText(std::string("\xFF\xFE\x3D\xD8", 4)), "\xEF\xBF\xBD");
  // Valid UTF-8 passes; invalid bytes are read as Latin-1.
  EXPECT_EQ(DecodeText("caf\xC3\xA9"), "caf\xC3\xA9");
  EXPECT_EQ(DecodeText("caf\xE9"), "caf\xC3\xA9");
  EXPECT_EQ(DecodeText("\xC0\xAF"), "\xC3\x80\xC2\xAF");  // overlong form
  EXPECT_EQ(DecodeText(std::string("a\0b", 3)), std::string("a\0b", 3));
}

TEST(FileNames, PartsOfAPath) {
  EXPECT_EQ(ExtractFileName("/a/b/c.txt"), "c.txt");
  EXPECT_EQ(ExtractFilePath("/a/b/c.txt"), "/a/b/");
  EXPECT_EQ(ExtractFilePath("c.txt"), "");
  EXPECT_EQ(ExtractFileExt("/a/b.raw/c"), "");
  EXPECT_EQ(ExtractFileExt("/a/b/c.R01"), ".R01");
  EXPECT_EQ(ChangeFileExt("/a/run.R01", ".x01"), "/a/run.x01");
  EXPECT_EQ(ChangeFileExt("/a.b/run", ".x"), "/a.b/run.x");
}

TEST(ReadFileBytes, NamesTheFileThatCannotBeRead) {
  test::TempDir dir;
  try {
    ReadFileBytes(dir.File("missing.txt"));
    FAIL() << "no error";
  } catch (const SorrelError& e) {
    EXPECT_NE(std::string(e.what()).find("missing.txt"), std::string::npos);
  }
  EXPECT_THROW(ReadFileBytes(dir.Path()), SorrelError);
}
