// What a name stands for, before a file is read or written.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <climits>

#include "TempDir.h"
#include "core/common/Errors.h"
#include "core/common/FileCheck.h"

using namespace sorrel;

TEST(FileCheck, RegularFilesPassEverythingElseSaysWhatItIs) {
  test::TempDir dir;
  const std::string file = dir.Write("a.txt", "50\t1\r\n");
  ASSERT_EQ(mkfifo(dir.File("fifo.txt").c_str(), 0600), 0);
  ASSERT_EQ(symlink(file.c_str(), dir.File("link.txt").c_str()), 0);
  ASSERT_EQ(symlink("/dev/zero", dir.File("zero.txt").c_str()), 0);
  ASSERT_EQ(symlink(dir.File("nowhere").c_str(), dir.File("dangling.txt").c_str()), 0);
  ASSERT_EQ(symlink(dir.File("loop2.txt").c_str(), dir.File("loop1.txt").c_str()), 0);
  ASSERT_EQ(symlink(dir.File("loop1.txt").c_str(), dir.File("loop2.txt").c_str()), 0);
  const std::string longName = dir.File(std::string(NAME_MAX + 1, 'a') + ".txt");
  struct Case {
    std::string path;
    std::string problem;
  } cases[] = {
      {file, ""},
      {dir.File("link.txt"), ""},  // a link to a regular file is that file
      {dir.File("missing.txt"), "no such file"},
      {dir.Path(), "a directory, not a file"},
      {dir.File("fifo.txt"), "a FIFO (named pipe), not a regular file"},
      {dir.File("zero.txt"), "a character device, not a regular file"},
      {dir.File("dangling.txt"), "a symbolic link to a missing file"},
      {dir.File("loop1.txt"), "symbolic links in a loop"},
      {longName, "the name is too long"},
      {file + "/x.txt", "a part of its path is not a directory"},
      {"", "no file name"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path);
    EXPECT_EQ(RegularFileProblem(c.path), c.problem);
    if (c.problem.empty()) {
      EXPECT_NO_THROW(CheckRegularFile(c.path));
    } else {
      try {
        CheckRegularFile(c.path);
        ADD_FAILURE() << "accepted";
      } catch (const SorrelError& e) {
        EXPECT_EQ(std::string(e.what()), "Cannot open file " + c.path + ": " + c.problem);
      }
    }
  }
  // A name is there even when it is a link that leads nowhere.
  EXPECT_TRUE(NameExists(dir.File("dangling.txt")));
  EXPECT_TRUE(NameExists(dir.File("loop1.txt")));
  EXPECT_FALSE(NameExists(dir.File("missing.txt")));
}

TEST(FileCheck, SameFileComparesDeviceAndInode) {
  test::TempDir dir;
  const std::string a = dir.Write("a.txt", "x"), b = dir.Write("b.txt", "x");
  ASSERT_EQ(link(a.c_str(), dir.File("hard.txt").c_str()), 0);
  ASSERT_EQ(symlink(a.c_str(), dir.File("soft.txt").c_str()), 0);
  EXPECT_TRUE(SameFile(a, a));
  EXPECT_TRUE(SameFile(a, dir.File("hard.txt")));
  EXPECT_TRUE(SameFile(dir.File("soft.txt"), a));
  EXPECT_TRUE(SameFile(a, dir.Path() + "./a.txt"));
  EXPECT_FALSE(SameFile(a, b));  // same contents, another file
  EXPECT_FALSE(SameFile(a, dir.File("missing.txt")));
  EXPECT_FALSE(SameFile(dir.File("missing.txt"), dir.File("missing.txt")));
}

// A raw directory is read file by file by the reader libraries: a FIFO or
// a device among its files is refused before they open it.
TEST(FileCheck, DirectoriesHoldOnlyRegularFiles) {
  test::TempDir dir;
  dir.Write("_FUNCTNS.INF", "x");
  mkdir(dir.File("sub").c_str(), 0700);
  ASSERT_EQ(symlink(dir.File("_FUNCTNS.INF").c_str(), dir.File("_HEADER.TXT").c_str()), 0);
  ASSERT_EQ(symlink(dir.File("gone").c_str(), dir.File("_FUNC002.IDX").c_str()), 0);
  EXPECT_NO_THROW(CheckDirectoryFiles(dir.Path()));  // a dangling link is the reader's to report
  EXPECT_NO_THROW(CheckDirectoryFiles(dir.File("missing")));
  for (const char* name : {"_FUNC001.DAT", "_FUNC001.IDX"}) {
    SCOPED_TRACE(name);
    const std::string path = dir.File(name);
    if (std::string(name) == "_FUNC001.DAT")
      ASSERT_EQ(mkfifo(path.c_str(), 0600), 0);
    else
      ASSERT_EQ(symlink("/dev/zero", path.c_str()), 0);
    try {
      CheckDirectoryFiles(dir.Path());
      ADD_FAILURE() << "accepted";
    } catch (const SorrelError& e) {
      EXPECT_EQ(
          std::string(e.what()),
          "Cannot open " + dir.Path() + ": " + name + " is " +
              (std::string(name) == "_FUNC001.DAT" ? "a FIFO (named pipe)" : "a character device") +
              ", not a regular file");
    }
    unlink(path.c_str());
  }
}
