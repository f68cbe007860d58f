// What users and attackers hand sorrel: special files and names that are
// no text, lines with terminal sequences, values that make no sense, and
// failures that must name their file and their reason in one line.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>
#include <filesystem>
#include <nlohmann/json.hpp>

#include "RunCli.h"
#include "ScratchMount.h"
#include "TempDir.h"
#include "core/common/Paths.h"
#include "core/common/TextEscape.h"

using namespace sorrel::test;

namespace {

const std::string kCaffeine = TestData("ei/caffeine_MSBNK-Kazusa-KZ000017.txt");
const std::string kTeknivent = TestData("netcdf/TEKNIVNT_CENTSCNH.CDF");

// One line of valid UTF-8 without a control character but its end.
bool PlainLine(const std::string& s) {
  if (s.empty() || s.back() != '\n') return false;
  for (size_t i = 0; i + 1 < s.size();) {
    const size_t len = sorrel::Utf8SequenceLength(s, i);
    if (len == 0 || static_cast<unsigned char>(s[i]) < 0x20 || s[i] == 0x7f) return false;
    i += len;
  }
  return true;
}

std::vector<std::string> Args(std::vector<std::string> head, const std::vector<std::string>& tail) {
  head.insert(head.end(), tail.begin(), tail.end());
  return head;
}

}  // namespace

// A FIFO, a device, a directory, a link to nothing, an over-long name: each
// fails at once (no waiting, no endless read) with one line that names the
// file and says what it is.
TEST(CliInput, SpecialFilesAreRefusedBeforeReading) {
  TempDir dir;
  ASSERT_EQ(mkfifo(dir.File("fifo.txt").c_str(), 0600), 0);
  ASSERT_EQ(mkfifo(dir.File("fifo.tml").c_str(), 0600), 0);
  ASSERT_EQ(mkfifo(dir.File("fifo.trn").c_str(), 0600), 0);
  ASSERT_EQ(symlink("/dev/zero", dir.File("zero.txt").c_str()), 0);
  ASSERT_EQ(symlink("/dev/zero", dir.File("zero.cdf").c_str()), 0);
  ASSERT_EQ(symlink(dir.File("nowhere").c_str(), dir.File("dangling.R01").c_str()), 0);
  mkdir(dir.File("folder.txt").c_str(), 0700);
  const std::string longName = dir.File(std::string(NAME_MAX + 1, 'a') + ".txt");
  const std::string fifo = "a FIFO (named pipe), not a regular file";
  // A raw directory whose data file is a FIFO: the reader library would
  // wait on it.
  std::filesystem::copy(TestData("masslynx/indigo.raw"), dir.File("fifo.raw"));
  std::filesystem::remove(dir.File("fifo.raw/_FUNC001.DAT"));
  ASSERT_EQ(mkfifo(dir.File("fifo.raw/_FUNC001.DAT").c_str(), 0600), 0);
  struct Case {
    std::vector<std::string> args;
    std::string file;
    std::string reason;
  } cases[] = {
      {{"info", dir.File("fifo.txt")}, dir.File("fifo.txt"), fifo},
      {{"spectrum", dir.File("zero.txt")}, dir.File("zero.txt"), "a character device"},
      {{"chrom", dir.File("zero.cdf")}, dir.File("zero.cdf"), "a character device"},
      {{"info", dir.File("dangling.R01")},
       dir.File("dangling.R01"),
       "a symbolic link to a missing file"},
      {{"info", dir.File("folder.txt")}, dir.File("folder.txt"), "a directory, not a file"},
      {{"info", longName}, longName, "the name is too long"},
      {{"spectrum", kCaffeine, "--template", dir.File("fifo.tml")}, dir.File("fifo.tml"), fifo},
      {{"classify", dir.File("fifo.trn"), kCaffeine}, dir.File("fifo.trn"), fifo},
      {{"info", dir.File("fifo.raw")}, dir.File("fifo.raw/"), "_FUNC001.DAT is " + fifo},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.args[0] + " " + c.file);
    CliResult r = RunSorrel(c.args);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(Lines(r.err), 1) << r.err;
    EXPECT_NE(r.err.find(c.file + ": " + c.reason), std::string::npos) << r.err;
  }
}

// JSON output is valid UTF-8 whatever the file names: a byte that is not
// UTF-8 becomes U+FFFD (the names go in as arguments, not as files that
// need such a name on the disk).
TEST(CliInput, NamesThatAreNotUtf8InJson) {
  TempDir dir;
  const std::string name = dir.Write("caf\xe9\xff.txt", ReadAll(kCaffeine));
  const std::string shown = dir.Path() + "caf\xef\xbf\xbd\xef\xbf\xbd.txt";
  CliResult r = RunSorrel({"info", "--json", name});
  ASSERT_EQ(r.status, 0) << r.err;
  nlohmann::json info = nlohmann::json::parse(r.out);  // throws on invalid UTF-8
  EXPECT_EQ(info["file"], shown);
  EXPECT_EQ(info["points"], 50);

  // A training file of such a name, and a spectrum to classify (the
  // training's own spectra have names a training file can keep).
  std::vector<std::string> spectra;
  for (const char* n :
       {"caffeine_MSBNK-Kazusa-KZ000017.txt", "caffeine_MSBNK-Kazusa-KZ000113.txt",
        "caffeine_MSBNK-Osaka_Univ-OUF00133.txt", "caffeine_MSBNK-RIKEN-PR010011.txt"})
    spectra.push_back(dir.Write(n, ReadAll(TestData(std::string("pca/") + n))));
  r = RunSorrel(Args({"pca", "--json"}, {name, spectra[1], spectra[2]}));
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(nlohmann::json::parse(r.out)["spectra"][0], shown);
  r = RunSorrel(Args({"train", dir.File("caf\xe9.trn"), "--compound", "Caffeine"}, spectra));
  ASSERT_EQ(r.status, 0) << r.err;
  r = RunSorrel({"classify", "--json", dir.File("caf\xe9.trn"), name});
  ASSERT_EQ(r.status, 0) << r.err;
  nlohmann::json rows = nlohmann::json::parse(r.out);
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_EQ(rows[0]["spectrum"], shown);
  EXPECT_EQ(rows[0]["training"], dir.Path() + "caf\xef\xbf\xbd.trn");
  EXPECT_EQ(rows[0]["compound"], "Caffeine");
}

// A text line with ESC and BEL sequences, binary garbage, and a file name
// with an ESC in it reach the terminal escaped, in messages and in tables.
TEST(CliInput, ControlCharactersAreShownEscaped) {
  TempDir dir;
  const std::string bad = dir.Write("bad.txt", "50\t1\r\n5\x1b[31m1\a\t2\r\n");
  CliResult r = RunSorrel({"info", bad});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err, "sorrel: " + bad + ":2: wrong number syntax in \"5\\x1b[31m1\\x07\\x092\" " +
                       "(--skip-bad skips such lines)\n");
  // An OSC sequence that would retitle the terminal, the 8-bit CSI and a
  // NUL; the bytes that are not UTF-8 are read as Latin-1 (0x9B is U+009B,
  // a C1 control, 0xFF is the letter \u00ff).
  static const char kGarbage[] = "\x1b]0;owned\a\x9b\xff\0\t1\r\n";
  const std::string garbage = dir.Write("garbage.txt", std::string(kGarbage, sizeof kGarbage - 1));
  r = RunSorrel({"info", garbage});
  EXPECT_EQ(r.status, 1);
  EXPECT_TRUE(PlainLine(r.err)) << r.err;
  EXPECT_NE(r.err.find("\"\\x1b]0;owned\\x07\\u009b\xc3\xbf\\x00\\x091\""), std::string::npos)
      << r.err;

  const std::string named = dir.Write("x\x1b[2J.txt", ReadAll(kCaffeine));
  r = RunSorrel({"info", named});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.out.find("file\t" + dir.Path() + "x\\x1b[2J.txt\n"), std::string::npos) << r.out;
  r = RunSorrel({"info", dir.File("gone\x1b[2J.txt")});
  EXPECT_EQ(r.err, "sorrel: " + dir.Path() + "gone\\x1b[2J.txt: no such file\n");
}

// Wrong usage is exit 2 with one line that names the option and points to
// the command's help, never the whole help; values that make no sense
// (a negative level or first mass, not-a-number) are wrong usage.
TEST(CliInput, UsageErrorsNameTheOptionInOneLine) {
  TempDir dir;
  const std::string prn = dir.Write("y.prn", "5\r\n7\r\n");
  const std::string s = kCaffeine;
  struct Case {
    std::vector<std::string> args;
    std::string message;
  } cases[] = {
      {{"pca", "--high", "--low", "60", s, s}, "sorrel pca: --high needs a value"},
      {{"pca", s, s, "--cv"}, "sorrel pca: --cv needs a value"},
      {{"spectrum", s, "--scan"}, "sorrel spectrum: --scan needs a value"},
      {{"spectrum", s, "-o"}, "sorrel spectrum: -o needs a value"},
      {{"spectrum", s, "--scan", "-1"}, "sorrel spectrum: --scan: \"-1\" is not a whole number"},
      {{"info", prn, "--first-mass", "nan"},
       "sorrel info: --first-mass: \"nan\" is not a number above 0"},
      {{"info", prn, "--first-mass", "inf"}, "sorrel info: --first-mass: \"inf\""},
      {{"info", prn, "--first-mass", "-5"}, "sorrel info: --first-mass: \"-5\""},
      {{"info", prn, "--first-mass", "0"}, "sorrel info: --first-mass: \"0\""},
      {{"spectrum", s, "--baseline", "-5"}, "sorrel spectrum: --baseline: \"-5\""},
      {{"spectrum", s, "--range", "5"}, "sorrel spectrum: --range: \"5\" is not START:END"},
      {{"chrom", kTeknivent, "--sic", "60:50"}, "sorrel chrom: --sic: \"60:50\" is not"},
      {{"spectrum", s, "--scan", "1", "--scan", "2"},
       "sorrel spectrum: --scan may be given only once"},
      {{"info", "--bogus", s}, "sorrel info: unknown option --bogus"},
      {{"info", s, s}, "sorrel info: unexpected argument " + s},
      {{"info"}, "sorrel info: FILE is required"},
      {{"frobnicate"}, "sorrel: unknown command 'frobnicate'"},
      {{}, "sorrel: a command is needed"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.message);
    CliResult r = RunSorrel(c.args);
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err.rfind(c.message, 0), 0u) << r.err;
    EXPECT_EQ(Lines(r.err), 1) << r.err;
    const std::string help = c.args.empty() || c.message.rfind("sorrel: ", 0) == 0
                                 ? "(see sorrel --help)\n"
                                 : "(see sorrel " + c.args[0] + " --help)\n";
    EXPECT_EQ(r.err.substr(r.err.size() - std::min(r.err.size(), help.size())), help);
  }
  // The value of --first-mass is taken as it is: 0.5 is a mass.
  CliResult r = RunSorrel({"spectrum", prn, "--first-mass", "0.5"});
  EXPECT_EQ(r.out, "0.5\t5\n1.5\t7\n") << r.err;
}

// Failures deep in the store and the PCA engine name the file (or the
// spectra) and the real reason, in one line.
TEST(CliInput, FailuresNameTheFileAndTheReason) {
  TempDir dir;
  auto write = [&dir](const std::string& name, const std::string& text) {
    return dir.Write(name, text);
  };
  const std::string flat = "50\t1\r\n51\t1\r\n52\t1\r\n", zero = "50\t0\r\n51\t0\r\n52\t0\r\n";
  std::vector<std::string> same, zeros;
  for (int k = 0; k < 4; ++k) {
    same.push_back(write("z" + std::to_string(k) + ".txt", flat));
    zeros.push_back(write("o" + std::to_string(k) + ".txt", zero));
  }
  // A cache file of 70000 scans of one point each (4 zero bytes, then each
  // scan's (mass, intensity) floats and (0, 0)): more than an HD file holds.
  std::string cache(4, '\0');
  for (int k = 0; k < 70000; ++k) {
    const float point[4] = {50.0f, 1.0f, 0.0f, 0.0f};
    cache.append(reinterpret_cast<const char*>(point), sizeof point);
  }
  const std::string many = write("SP7.csh", cache);
  const std::string comments = write("comments.txt", ";only a comment\r\n");
  struct Case {
    std::vector<std::string> args;
    std::vector<std::string> named;
  } cases[] = {
      {{"convert", many, dir.File("many.R01")}, {dir.File("many.R01"), "70000 scans"}},
      {{"convert", comments, dir.File("c.txt")}, {comments, "no points", dir.File("c.txt")}},
      {{"convert", kCaffeine, dir.File("x.cdf")},
       {kCaffeine, "a single spectrum, not a run", "x.cdf"}},
      {{"convert", kCaffeine, dir.File("x.R01")},
       {kCaffeine, "a single spectrum, not a run", "x.R01"}},
      {Args({"train", dir.File("t.trn"), "--compound", "Z"}, same),
       {dir.File("t.trn"), "GAUSSJ", "identical spectra", same[0], same[3]}},
      {Args({"pca", "--cv", "1"}, same), {"--cv 1", "GAUSSJ", same[0], same[3]}},
      {Args({"pca"}, zeros), {"Division by zero in CalcPCA", zeros[0], zeros[3]}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.args[0] + " " + c.args[1]);
    CliResult r = RunSorrel(c.args);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(Lines(r.err), 1) << r.err;
    for (const std::string& n : c.named)
      EXPECT_NE(r.err.find(n), std::string::npos) << n << " in " << r.err;
  }
  for (const char* name : {"many.R01", "c.txt", "x.cdf", "x.R01", "t.trn"})
    EXPECT_FALSE(sorrel::FileExists(dir.File(name))) << name;
}

// A full disk: the message names the output once, with the system's reason.
TEST(CliInput, AFullDiskNamesTheOutputOnce) {
  TempDir dir;
  ScratchMount fs(dir.File("fs"), 64 * 1024);
  if (!fs.Mounted()) GTEST_SKIP() << "cannot mount a tmpfs here (needs root)";
  ASSERT_TRUE(fs.Fill());
  for (const char* name : {"a.cdf", "a.R01", "a.txt"}) {
    SCOPED_TRACE(name);
    const std::string out = fs.Path() + name;
    std::vector<std::string> args = {"convert", kTeknivent, out};
    if (std::string(name) == "a.txt") args.push_back("--apex");
    CliResult r = RunSorrel(args);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(Lines(r.err), 1) << r.err;
    size_t count = 0;
    for (size_t p = r.err.find(out); p != std::string::npos; p = r.err.find(out, p + 1))
      ++count;
    EXPECT_EQ(count, 1u) << r.err;
    EXPECT_NE(r.err.find(std::strerror(ENOSPC)), std::string::npos) << r.err;
    EXPECT_FALSE(sorrel::FileExists(out));
  }
}

// An HD run on a read-only medium still opens: its index goes to the Temp
// folder beside the program (which info's help says).
TEST(CliInput, IndexOfARunOnAReadOnlyMedium) {
  TempDir dir;
  ScratchMount medium(dir.File("ro"));
  if (!medium.Mounted()) GTEST_SKIP() << "cannot mount a tmpfs here (needs root)";
  // A name of its own, so that no other run's index is taken for it.
  const std::string name = "ro" + std::to_string(getpid());
  const std::string run = medium.Path() + name + ".R01";
  ASSERT_EQ(RunSorrel({"convert", kTeknivent, run}).status, 0);
  std::filesystem::remove(medium.Path() + name + ".x01");
  ASSERT_TRUE(medium.SetReadOnly(true));
  const std::string temp = sorrel::ExtractFilePath(SORREL_CLI) + "Temp/" + name + ".x01";
  CliResult r = RunSorrel({"info", "--json", run});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.out.find("\"kind\":\"hd\",\"scans\":19,\"points\":1818,"), std::string::npos)
      << r.out;
  EXPECT_FALSE(sorrel::FileExists(medium.Path() + name + ".x01"));
  EXPECT_TRUE(sorrel::FileExists(temp));
  std::filesystem::remove(temp);
  const std::string help = RunSorrel({"info", "--help"}).out;
  EXPECT_NE(help.find("run.x01"), std::string::npos) << help;
  EXPECT_NE(help.find("Temp"), std::string::npos) << help;
}

// --peaks lists the peaks of the standard method unless told otherwise.
TEST(CliInput, PeaksDefaultToTheStandardMethod) {
  TempDir dir;
  // By hand (as in the standard method's own test): 0 0 0 10 20 10 0 0 0 0
  // from m/z 100 with sensitivity 11 is one peak at 104, 102 to 107, area 40.
  std::string text;
  const int y[] = {0, 0, 0, 10, 20, 10, 0, 0, 0, 0};
  for (int i = 0; i < 10; ++i)
    text += std::to_string(100 + i) + "\t" + std::to_string(y[i]) + "\r\n";
  const std::string f = dir.Write("p.txt", text);
  CliResult r = RunSorrel({"spectrum", f, "--peaks", "--sensitivity", "11"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, "104\t20\t102\t107\t40\n");
  r = RunSorrel({"spectrum", f, "--peaks", "--peak-method", "adaptive"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.out, "104\t20\t102\t107\t40\n") << "adaptive is still there, and other";
}

// A file that is no training or no training list is an error naming it,
// not a training "not calculated" nor an empty answer; an empty list says
// it is empty.
TEST(CliInput, WhatIsNotATrainingOrAListIsRefused) {
  TempDir dir;
  const std::string spectrum = dir.Write("s.txt", ReadAll(kCaffeine));
  const std::string garbage = dir.Write("garbage.trn", std::string("\x7f"
                                                                   "ELF\x02\x01\x01\0\0",
                                                                   9));
  const std::string text = dir.Write("text.trn", "Compound=Caffeine\r\n");
  const std::string hollow = dir.Write("hollow.trn", "[General]\r\nCompound=Hollow\r\n");
  struct Case {
    std::string model;
    std::string message;
  } cases[] = {
      {garbage, garbage + ": not a training file (it has no [General] section)"},
      {text, text + ": not a training file (it has no [General] section)"},
      {dir.Write("empty.trn", ""), dir.File("empty.trn") + ": not a training file"},
      {dir.Write("empty.trl", ""), dir.File("empty.trl") + ": the training list is empty"},
      {dir.Write("blank.trl", "\r\n \r\n"), dir.File("blank.trl") + ": the training list is empty"},
      {dir.Write("none.trl", "[List]\r\n"), dir.File("none.trl") + ": the training list is empty"},
      {dir.Write("other.trl", "[Lists]\r\nhollow=1\r\n"),
       dir.File("other.trl") + ": not a training list (it has no [List] section)"},
      {dir.Write("g.trl", "[List]\r\nhollow=1\r\ngarbage=1\r\n"),
       dir.File("g.trl") + ": its training " + garbage + " is not a training file"},
      {dir.Write("off.trl", "[List]\r\nhollow=0\r\n"),
       dir.File("off.trl") + ": no training of the list is checked (1 listed)"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.model);
    CliResult r = RunSorrel({"classify", c.model, spectrum});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err.rfind("sorrel: " + c.message, 0), 0u) << r.err;
    EXPECT_EQ(Lines(r.err), 1) << r.err;
  }
  // A training without results is still one.
  CliResult r = RunSorrel({"classify", hollow, spectrum});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, spectrum + "\tHollow\tnot calculated\t\n");
}
