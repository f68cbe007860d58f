// Crash-safe saving.
#include <gtest/gtest.h>

#include <dirent.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <unistd.h>

#include <climits>
#include <cstdlib>
#include <vector>

#include "TempDir.h"
#include "core/common/Errors.h"
#include "core/common/SafeSave.h"
#include "core/common/TextFile.h"

using namespace sorrel;

namespace {
int FilesIn(const std::string& dir) {
  int n = 0;
  if (DIR* d = opendir(dir.c_str())) {
    while (dirent* e = readdir(d))
      if (e->d_name[0] != '.') ++n;
    closedir(d);
  }
  return n;
}
}  // namespace

TEST(SafeSave, ReplacesTheFileAndLeavesNoTemporaryFile) {
  test::TempDir dir;
  std::string path = dir.Write("a.txt", "old");
  chmod(path.c_str(), 0640);
  SafeWriteFile(path, "new contents");
  EXPECT_EQ(test::ReadAll(path), "new contents");
  EXPECT_EQ(FilesIn(dir.Path()), 1);
  struct stat st {};
  stat(path.c_str(), &st);
  EXPECT_EQ(st.st_mode & 0777, 0640u) << "the replaced file keeps its permissions";
}

TEST(SafeSave, AnAbandonedWriterLeavesTheOldFile) {
  test::TempDir dir;
  std::string path = dir.Write("a.txt", "old");
  {
    SafeFileWriter w(path);
    w.Write("half of the new");
    // no Commit: an error in the middle of a save
  }
  EXPECT_EQ(test::ReadAll(path), "old");
  EXPECT_EQ(FilesIn(dir.Path()), 1);
}

TEST(SafeSave, SeekingWritesInPlace) {
  test::TempDir dir;
  std::string path = dir.File("b.bin");
  SafeFileWriter w(path);
  w.Seek(10);
  w.Write("x");
  EXPECT_EQ(w.Tell(), 11u);
  w.Seek(0);
  w.Write("y");
  w.Commit();
  std::string bytes = test::ReadAll(path);
  ASSERT_EQ(bytes.size(), 11u);
  EXPECT_EQ(bytes[0], 'y');
  EXPECT_EQ(bytes[10], 'x');
}

TEST(SafeSave, ErrorsNameTheFile) {
  test::TempDir dir;
  for (std::string bad : {dir.File("no/such/dir/file.txt"), dir.Path()}) {
    try {
      SafeWriteFile(bad, "x");
      FAIL() << bad;
    } catch (const SorrelError& e) {
      EXPECT_NE(std::string(e.what()).find(bad.substr(0, bad.size() - 1)), std::string::npos)
          << e.what();
    }
  }
  EXPECT_THROW(SafeWriteFile("", "x"), SorrelError);
}

TEST(SafeSave, AFullFileSystemKeepsThePreviousFile) {
  // A tiny tmpfs: the new contents cannot fit, the old file must survive.
  test::TempDir dir;
  std::string mnt = dir.File("fs");
  mkdir(mnt.c_str(), 0700);
  if (mount("tmpfs", mnt.c_str(), "tmpfs", 0, "size=64k") != 0)
    GTEST_SKIP() << "cannot mount a tmpfs here (needs root)";
  std::string path = mnt + "/data.txt";
  SafeWriteFile(path, std::string(20000, 'a'));
  bool threw = false;
  try {
    SafeWriteFile(path, std::string(200000, 'b'));
  } catch (const SorrelError& e) {
    threw = true;
    EXPECT_NE(std::string(e.what()).find("data.txt"), std::string::npos);
  }
  std::string after = test::ReadAll(path);
  int files = FilesIn(mnt);
  umount(mnt.c_str());
  EXPECT_TRUE(threw);
  EXPECT_EQ(after, std::string(20000, 'a'));
  EXPECT_EQ(files, 1) << "the temporary file is removed";
}

// A name of the longest length a directory entry allows can be saved: the
// temporary file's name is cut to fit.
TEST(SafeSave, TheLongestFileNameCanBeSaved) {
  test::TempDir dir;
  std::string path = dir.File(std::string(NAME_MAX - 4, 'n') + ".txt");
  SafeWriteFile(path, "first");
  SafeWriteFile(path, "second");
  EXPECT_EQ(test::ReadAll(path), "second");
  EXPECT_EQ(FilesIn(dir.Path()), 1);
}

// Saving through a symbolic link writes the file it points to and keeps
// the link.
TEST(SafeSave, ALinkIsSavedThrough) {
  test::TempDir dir;
  std::string real = dir.Write("real.trn", "old");
  std::string link = dir.File("link.trn");
  ASSERT_EQ(symlink(real.c_str(), link.c_str()), 0);
  SafeWriteFile(link, "new");
  struct stat st {};
  ASSERT_EQ(lstat(link.c_str(), &st), 0);
  EXPECT_TRUE(S_ISLNK(st.st_mode)) << "the link stays a link";
  EXPECT_EQ(test::ReadAll(real), "new");
  EXPECT_EQ(FilesIn(dir.Path()), 2);
}

// Saving over a FIFO, a device node or a socket (or a link to one) would
// rename a regular file over it: root saving to /dev/null would replace
// /dev/null. Such a target is refused and stays what it was. The device is
// a node of our own (made where root may make one), never a real one.
TEST(SafeSave, WhatIsNotARegularFileIsNeverReplaced) {
  test::TempDir dir;
  const std::string fifo = dir.File("fifo.txt"), node = dir.File("null.txt");
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  ASSERT_EQ(symlink(fifo.c_str(), dir.File("tofifo.txt").c_str()), 0);
  struct Case {
    std::string path;
    mode_t kind;
    std::string what;
  };
  std::vector<Case> cases = {{fifo, S_IFIFO, "a FIFO (named pipe)"},
                             {dir.File("tofifo.txt"), S_IFIFO, "a FIFO (named pipe)"}};
  if (mknod(node.c_str(), S_IFCHR | 0666, makedev(1, 3)) == 0)
    cases.push_back({node, S_IFCHR, "a character device"});
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path);
    const int before = FilesIn(dir.Path());
    try {
      SafeWriteFile(c.path, "data");
      ADD_FAILURE() << "saved over it";
    } catch (const SorrelError& e) {
      EXPECT_EQ(std::string(e.what()), "Unable to write to " + c.path + ": it is " + c.what +
                                           ", not a regular file, and is not replaced");
    }
    struct stat st {};
    ASSERT_EQ(stat(c.path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & S_IFMT, c.kind) << "it is still what it was";
    EXPECT_EQ(FilesIn(dir.Path()), before) << "no temporary file is left";
  }
}

// A file its owner made read-only is not replaced behind its back (in a
// directory where renaming over it would be allowed). Root may write any
// file, so the save runs in a child process as an ordinary user.
TEST(SafeSave, AWriteProtectedFileIsNotReplaced) {
  test::TempDir dir;
  std::string path = dir.Write("locked.txt", "keep me");
  chmod(path.c_str(), 0444);
  chmod(dir.Path().c_str(), 0777);
  if (geteuid() == 0) {
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      int code = 3;
      if (setgid(65534) == 0 && setuid(65534) == 0) {
        try {
          SafeWriteFile(path, "replaced");
          code = 1;
        } catch (const SorrelError& e) {
          code = std::string(e.what()).find(path) != std::string::npos ? 0 : 2;
        }
      }
      _exit(code);
    }
    int status = 0;
    waitpid(child, &status, 0);
    ASSERT_TRUE(WIFEXITED(status));
    if (WEXITSTATUS(status) == 3) GTEST_SKIP() << "cannot become an ordinary user";
    EXPECT_EQ(WEXITSTATUS(status), 0) << "1: replaced, 2: error without the file name";
  } else {
    EXPECT_THROW(SafeWriteFile(path, "replaced"), SorrelError);
  }
  EXPECT_EQ(test::ReadAll(path), "keep me");
  EXPECT_EQ(FilesIn(dir.Path()), 1);
}
