// Decoding and splitting text files.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <future>

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

// Only regular files are read: a FIFO would make the reader wait for a
// writer, a device (a link to /dev/zero) would never end. Each is refused
// by its kind, before anything is read.
TEST(ReadFileBytes, RefusesWhatIsNotARegularFile) {
  test::TempDir dir;
  const std::string fifo = dir.File("fifo.txt");
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  ASSERT_EQ(symlink("/dev/zero", dir.File("zero.txt").c_str()), 0);
  ASSERT_EQ(symlink(fifo.c_str(), dir.File("tofifo.txt").c_str()), 0);
  struct Case {
    std::string path;
    std::string reason;
  } cases[] = {
      {fifo, "a FIFO (named pipe), not a regular file"},
      {dir.File("tofifo.txt"), "a FIFO (named pipe), not a regular file"},
      {dir.File("zero.txt"), "a character device, not a regular file"},
      {dir.Path(), "a directory, not a file"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path);
    auto reading = std::async(std::launch::async, [&c]() -> std::string {
      try {
        ReadFileBytes(c.path);
        return "read";
      } catch (const SorrelError& e) {
        return e.what();
      }
    });
    if (reading.wait_for(std::chrono::seconds(10)) != std::future_status::ready) {
      // The reader waits for a writer: be one, so that the test ends.
      int w = open(fifo.c_str(), O_WRONLY | O_NONBLOCK);
      if (w >= 0) close(w);
      ADD_FAILURE() << "the reader waited";
    }
    EXPECT_EQ(reading.get(), "Cannot open file " + c.path + ": " + c.reason);
  }
}

TEST(ReadFileBytes, ReadsNoFileBeyondItsLimit) {
  test::TempDir dir;
  const std::string ten = dir.Write("ten.txt", "0123456789");
  EXPECT_EQ(ReadFileBytes(ten, 10), "0123456789");
  EXPECT_EQ(ReadFileBytes(ten), "0123456789");
  try {
    ReadFileBytes(ten, 9);
    FAIL() << "read beyond the limit";
  } catch (const SorrelError& e) {
    EXPECT_EQ(std::string(e.what()), "Cannot read " + ten +
                                         ": it holds 10 bytes, more than the 9 a file of this kind "
                                         "may have");
  }
  // A text file larger than any the system reads (a sparse one: it takes no
  // room on the disk) is refused without being read.
  const std::string huge = dir.File("huge.txt");
  int fd = open(huge.c_str(), O_WRONLY | O_CREAT, 0600);
  ASSERT_GE(fd, 0);
  ASSERT_EQ(ftruncate(fd, static_cast<off_t>(kMaxTextFileBytes + 1)), 0);
  close(fd);
  try {
    ReadTextLines(huge);
    FAIL() << "read a file beyond the limit";
  } catch (const SorrelError& e) {
    EXPECT_NE(
        std::string(e.what()).find(huge + ": it holds " + std::to_string(kMaxTextFileBytes + 1)),
        std::string::npos)
        << e.what();
  }
  // The empty file reads as nothing.
  EXPECT_EQ(ReadFileBytes(dir.Write("empty.txt", "")), "");
}
