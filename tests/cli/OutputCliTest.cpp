// Where the output of sorrel goes: never over a device, a FIFO or an input,
// never over an existing name (a link too) without --force, never lost
// without a word; and its numbers, shortest on standard output, in the
// desktop program's formats in files.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <cstring>
#include <filesystem>

#include "RunCli.h"
#include "TempDir.h"
#include "core/common/NumberText.h"

using namespace sorrel::test;

namespace {

const std::string kCaffeine = TestData("ei/caffeine_MSBNK-Kazusa-KZ000017.txt");
const std::string kTeknivent = TestData("netcdf/TEKNIVNT_CENTSCNH.CDF");

mode_t KindOf(const std::string& path) {
  struct stat st {};
  return lstat(path.c_str(), &st) == 0 ? (st.st_mode & S_IFMT) : 0;
}

}  // namespace

// A FIFO, a device node, a link to either, or a directory as -o: refused
// with --force too, and left as it was. The device is a node of our own,
// never a real one.
TEST(CliOutput, SpecialFilesAreNeverReplaced) {
  TempDir dir;
  const std::string fifo = dir.File("fifo.txt");
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  ASSERT_EQ(symlink(fifo.c_str(), dir.File("tofifo.txt").c_str()), 0);
  mkdir(dir.File("dir.txt").c_str(), 0700);
  struct Case {
    std::string name;
    std::string reason;
  };
  std::vector<Case> cases = {{fifo, "a FIFO (named pipe), not a regular file"},
                             {dir.File("tofifo.txt"), "a FIFO (named pipe), not a regular file"},
                             {dir.File("dir.txt"), "a directory, not a file"}};
  if (mknod(dir.File("node.txt").c_str(), S_IFCHR | 0666, makedev(1, 3)) == 0)
    cases.push_back({dir.File("node.txt"), "a character device, not a regular file"});
  for (const Case& c : cases) {
    const mode_t before = KindOf(c.name);
    for (const auto& args :
         std::vector<std::vector<std::string>>{{"spectrum", kCaffeine, "-o", c.name, "--force"},
                                               {"chrom", kTeknivent, "-o", c.name, "--force"},
                                               {"convert", kCaffeine, c.name, "--force"}}) {
      SCOPED_TRACE(args[0] + " to " + c.name);
      CliResult r = RunSorrel(args);
      EXPECT_EQ(r.status, 1);
      EXPECT_EQ(r.err, "sorrel: " + c.name + ": " + c.reason + "; it is not replaced\n");
      EXPECT_EQ(KindOf(c.name), before);
    }
  }
}

// "-" and /dev/stdout are standard output; /dev/null is written to, never
// replaced, and needs no --force.
TEST(CliOutput, StandardOutputAndDevNull) {
  const std::string lines = RunSorrel({"spectrum", kCaffeine}).out;
  ASSERT_EQ(Lines(lines), 50);
  for (const char* out : {"-", "/dev/stdout"}) {
    CliResult r = RunSorrel({"spectrum", kCaffeine, "-o", out});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, lines) << out;
  }
  struct stat before {
  }, after{};
  ASSERT_EQ(stat("/dev/null", &before), 0);
  CliResult r = RunSorrel({"spectrum", kCaffeine, "-o", "/dev/null"});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, "");
  ASSERT_EQ(stat("/dev/null", &after), 0);
  EXPECT_TRUE(S_ISCHR(after.st_mode));
  EXPECT_EQ(after.st_rdev, before.st_rdev);
  EXPECT_EQ(after.st_ino, before.st_ino);
}

// A full standard output is a failure, exit 1 with one line saying so,
// whatever the command; a reader that has gone ends the program quietly
// by SIGPIPE, as it ends any program of a pipeline.
TEST(CliOutput, LostStandardOutputIsAFailure) {
  TempDir dir;
  std::vector<std::string> spectra;
  for (int k = 0; k < 4; ++k) {
    std::string text;
    for (int m = 50; m <= 60; ++m)
      text += std::to_string(m) + "\t" + std::to_string(10 + (m * (k + 3)) % 17) + "\r\n";
    spectra.push_back(dir.Write("s" + std::to_string(k) + ".txt", text));
  }
  std::vector<std::string> train = {"train", dir.File("t.trn"), "--compound", "X", "--loadings",
                                    "1",     "--force"};
  train.insert(train.end(), spectra.begin(), spectra.end());
  const std::vector<std::vector<std::string>> commands = {
      {"--help"},
      {"chrom", "--help"},
      {"info", kCaffeine},
      {"info", "--json", kTeknivent},
      {"spectrum", kCaffeine},
      {"chrom", kTeknivent},
      {"pca", spectra[0], spectra[1], spectra[2], spectra[3]},
      train,
      {"classify", dir.File("t.trn"), spectra[0]},
  };
  for (const auto& args : commands) {
    SCOPED_TRACE(args[0] + " " + args.back());
    CliResult r = RunSorrel(args, "", StdoutTo::DevFull);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, std::string("sorrel: cannot write to standard output: ") +
                         std::strerror(ENOSPC) + "\n");
    r = RunSorrel(args, "", StdoutTo::ClosedPipe);
    EXPECT_EQ(r.status, 128 + SIGPIPE);
    EXPECT_EQ(r.err, "");
  }
}

// An output that is one of the inputs (by another name, a hard or a
// symbolic link too) is refused with --force, and the input is kept.
TEST(CliOutput, AnInputIsNeverTheOutput) {
  TempDir dir;
  const std::string run = dir.Write("run.cdf", ReadAll(kTeknivent));
  const std::string spectrum = dir.Write("s.txt", ReadAll(kCaffeine));
  const std::string tml = dir.Write("t.tml", "[M_Smooth]\r\nSGDegree=1\r\nEnabled=1\r\n");
  ASSERT_EQ(link(run.c_str(), dir.File("hard.cdf").c_str()), 0);
  // A raw directory: the files inside it are what is read.
  std::filesystem::copy(TestData("masslynx/indigo.raw"), dir.File("indigo.raw"));
  const std::string dat = dir.File("indigo.raw/_FUNC001.DAT");
  ASSERT_EQ(symlink(spectrum.c_str(), dir.File("soft.txt").c_str()), 0);
  struct Case {
    std::vector<std::string> args;
    std::string input;
  } cases[] = {
      {{"chrom", run, "-o", run, "--force"}, run},
      {{"chrom", run, "-o", dir.File("hard.cdf"), "--force"}, run},
      {{"spectrum", spectrum, "-o", dir.File("soft.txt"), "--force"}, spectrum},
      {{"spectrum", spectrum, "--template", tml, "-o", tml, "--force"}, tml},
      {{"convert", spectrum, dir.File("soft.txt"), "--force"}, spectrum},
      {{"convert", run, dir.File("hard.cdf"), "--force"}, run},
      {{"chrom", dir.File("indigo.raw"), "-o", dat, "--force"}, dat},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.args[0] + " " + c.args[c.args.size() - 2]);
    const std::string before = ReadAll(c.input);
    CliResult r = RunSorrel(c.args);
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find(c.args[c.args.size() - 2] + ": "), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("it is not replaced"), std::string::npos) << r.err;
    EXPECT_EQ(Lines(r.err), 1);
    EXPECT_EQ(ReadAll(c.input), before);
  }
}

// An existing name needs --force, whether a file or a link that points
// nowhere or into a loop; with --force the name is written.
TEST(CliOutput, LinksAreExistingNames) {
  TempDir dir;
  ASSERT_EQ(symlink(dir.File("nowhere").c_str(), dir.File("dangling.txt").c_str()), 0);
  ASSERT_EQ(symlink(dir.File("loop2.txt").c_str(), dir.File("loop1.txt").c_str()), 0);
  ASSERT_EQ(symlink(dir.File("loop1.txt").c_str(), dir.File("loop2.txt").c_str()), 0);
  for (const char* name : {"dangling.txt", "loop1.txt"}) {
    SCOPED_TRACE(name);
    const std::string path = dir.File(name);
    CliResult r = RunSorrel({"convert", kCaffeine, path});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find(path + ": "), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("--force"), std::string::npos) << r.err;
    EXPECT_EQ(KindOf(path), S_IFLNK) << "the link is still there";
    r = RunSorrel({"spectrum", kCaffeine, "-o", path});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(KindOf(path), S_IFLNK);
    r = RunSorrel({"convert", kCaffeine, path, "--force"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(RunSorrel({"spectrum", path}).out, RunSorrel({"spectrum", kCaffeine}).out);
  }
}

// Numbers on standard output are the shortest text that reads back as the
// stored 32-bit value; a file written with -o keeps the text spectrum
// format (15 significant digits of the widened value, CR LF).
TEST(CliOutput, ShortestNumbersOnStandardOutputFileFormatsInFiles) {
  TempDir dir;
  const float values[] = {6.57f, 123.4567f, 1e-7f, 3.4e38f, 0.1f, 1000.0f};
  std::string file, shortest, fifteen;
  for (float v : values) {
    const std::string text = sorrel::ShortestRoundTripFloat(v);
    file += "50\t" + text + "\r\n";
    shortest += "50\t" + text + "\n";
    fifteen += "50\t" + sorrel::FloatToStr(v) + "\r\n";
  }
  // By hand: the float nearest 6.57 is 6.57000017166138 to 15 digits.
  ASSERT_EQ(sorrel::FloatToStr(6.57f), "6.57000017166138");
  const std::string in = dir.Write("v.txt", file);
  CliResult r = RunSorrel({"spectrum", in});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, shortest);
  EXPECT_EQ(r.out.substr(0, 8), "50\t6.57\n");
  r = RunSorrel({"spectrum", in, "-o", dir.File("o.txt")});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(ReadAll(dir.File("o.txt")), fifteen);
  r = RunSorrel({"chrom", kTeknivent});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out.substr(0, 6), "0.006\t") << "the 32-bit time 0.006 s, not 0.00600000005215406";
}
