// Text spectra: reading XY and Y-only files, the questions about bad lines,
// and writing.
#include <gtest/gtest.h>

#include "ScriptedUi.h"
#include "TempDir.h"
#include "core/common/Errors.h"
#include "core/common/TextFile.h"
#include "core/spectrum/Spec.h"
#include "core/spectrum/SpecText.h"

using namespace sorrel;
using test::ScriptedUi;
using test::TempDir;

namespace {
tXYarray Open(const std::string& path, ScriptedUi& ui, bool expectOk = true) {
  TSpec s;
  bool ok = s.OpenFile(path);
  EXPECT_EQ(ok, expectOk) << path;
  EXPECT_EQ(s.FileKind(), ok ? fkTxt : fkNone);
  EXPECT_EQ(ui.busyDepth, 0);
  return s.CMass;
}
}  // namespace

TEST(TextSpectrum, XYLinesWithCommentsParenthesesAndBlanks) {
  ScriptedUi ui;
  TempDir dir;
  std::string f = dir.Write("a.txt",
                            "; a comment\r\n' another\r\n50\t10\r\n  51 \t 20  \n52\t5\r"
                            "45.2 (base peak)\t1000\r\n46.2\t1000 (x)\r\n47\t1e20");
  EXPECT_EQ(Open(f, ui),
            (tXYarray{{50, 10}, {51, 20}, {52, 5}, {45.2f, 1000}, {46.2f, 1000}, {47, 1e20f}}));
  EXPECT_TRUE(ui.questions.empty());
}

TEST(TextSpectrum, YOnlyFilesStepFromTheFirstMass) {
  ScriptedUi ui;
  TempDir dir;
  std::string f = dir.Write("a.PRN", "10\r\n; comment\r\n20\r\nbad\r\n30\r\n");
  ui.QueueInput("100");
  ui.QueueConfirm(true);  // skip "bad"
  EXPECT_EQ(Open(f, ui), (tXYarray{{100, 10}, {101, 20}, {102, 30}}));
  EXPECT_EQ(ui.prompts, std::vector<std::string>{"Input Box|First mass|1"});
  EXPECT_EQ(ui.questions.at(0),
            "Error: Wrong number syntax, line (3) ->bad\n" + f + "\nContinue ?");
}

TEST(TextSpectrum, AWrongFirstMassFails) {
  ScriptedUi ui;
  TempDir dir;
  std::string f = dir.Write("a.prn", "10\r\n");
  ui.QueueInput("abc");
  TSpec s;
  try {
    s.OpenFile(f);
    FAIL();
  } catch (const SorrelError& e) {
    EXPECT_STREQ(e.what(), "Wrong first mass.");
  }
  EXPECT_EQ(s.FileKind(), fkNone);
  EXPECT_EQ(ui.busyDepth, 0);
}

TEST(TextSpectrum, QuestionsAboutBadLines) {
  struct Case {
    const char* line;
    const char* question;  // after "Error: " and before the line index
  } cases[] = {
      {"45,2\t1000", "Wrong number syntax"},
      {"45.2\t1000\t7", "Wrong number syntax"},  // three columns: the 2nd field holds a tab
      {"1.5.2\t3", "Wrong number syntax"},
      {"45.2 1000", "\"tab\" is missing"},
      {"", "\"tab\" is missing"},
      {"1e400\t3", "Wrong number syntax"},  // overflow is a bad number, not infinity
      {"5\t4e38", "Wrong number syntax"},   // beyond the float range
      {"nan\t1", "Wrong number syntax"},
      {"5\tinf", "Wrong number syntax"},
  };
  for (const auto& c : cases) {
    ScriptedUi ui;
    TempDir dir;
    std::string f = dir.Write("b.txt", std::string(c.line) + "\r\n50\t1\r\n");
    ui.QueueConfirm(true);
    EXPECT_EQ(Open(f, ui), (tXYarray{{50, 1}})) << c.line;
    ASSERT_EQ(ui.questions.size(), 1u) << c.line;
    EXPECT_EQ(ui.questions[0], std::string("Error: ") + c.question + ", line (0) ->" + c.line +
                                   "\n" + f + "\nContinue ?");
    // No abandons the read: false, kind none, nothing kept.
    ScriptedUi ui2;
    ui2.QueueConfirm(false);
    TSpec s;
    s.CMass = {{1, 1}};
    EXPECT_FALSE(s.OpenFile(f));
    EXPECT_EQ(s.FileKind(), fkNone);
    EXPECT_TRUE(s.CMass.empty());
  }
}

TEST(TextSpectrum, EmptyFilesAndCommentOnlyFiles) {
  ScriptedUi ui;
  TempDir dir;
  Open(dir.Write("e.txt", ""), ui, false);
  EXPECT_EQ(ui.messages, std::vector<std::string>{"Empty data file"});
  EXPECT_TRUE(Open(dir.Write("c.txt", "; only\r\n; comments\r\n"), ui).empty());
}

TEST(TextSpectrum, EncodingsAndLineEnds) {
  ScriptedUi ui;
  TempDir dir;
  // UTF-16 with a byte-order mark, CR-only line ends.
  std::string utf16 = "\xFF\xFE";
  for (char c : std::string("50\t10\r51\t20\r")) {
    utf16.push_back(c);
    utf16.push_back('\0');
  }
  EXPECT_EQ(Open(dir.Write("u16.txt", utf16), ui), (tXYarray{{50, 10}, {51, 20}}));
  EXPECT_EQ(Open(dir.Write("bom.txt",
                           "\xEF\xBB\xBF"
                           "50\t10\r\n"),
                 ui),
            (tXYarray{{50, 10}}));
  // A Latin-1 comment among the points.
  EXPECT_EQ(Open(dir.Write("l1.txt", "; \xB5g\r\n50\t10\r\n"), ui), (tXYarray{{50, 10}}));
}

TEST(TextSpectrum, GarbageNeverCrashesAndEachLineIsAsked) {
  ScriptedUi ui;
  TempDir dir;
  std::string garbage;
  for (int i = 0; i < 4096; ++i)
    garbage.push_back(static_cast<char>((i * 7919) % 251));
  std::string f = dir.Write("g.txt", garbage);
  for (int i = 0; i < 100; ++i)
    ui.QueueConfirm(true);
  TSpec s;
  s.OpenFile(f);  // skipping every bad line
  EXPECT_LT(ui.questions.size(), 100u);
  // A 10 MB line: the question shows a cut line, the read goes on.
  std::string huge(10 << 20, '7');
  std::string f2 = dir.Write("huge.txt", huge + "\r\n60\t1\r\n");
  ScriptedUi ui2;
  ui2.QueueConfirm(true);
  TSpec s2;
  EXPECT_TRUE(s2.OpenFile(f2));
  EXPECT_EQ(s2.CMass, (tXYarray{{60, 1}}));
  EXPECT_LT(ui2.questions.at(0).size(), 1000u);
  // NUL bytes inside a line make it a bad line, not a shortened one.
  std::string f3 = dir.Write("nul.txt", std::string("50\t1\0"
                                                    "9\r\n",
                                                    8));
  ScriptedUi ui3;
  ui3.QueueConfirm(false);
  TSpec s3;
  EXPECT_FALSE(s3.OpenFile(f3));
}

TEST(TextSpectrum, WritingUsesFifteenDigitsAndCRLF) {
  ScriptedUi ui;
  TempDir dir;
  TSpec s;
  s.SetMassOnly(true);
  s.CMass = {{123.4567f, 1000}, {50, 0.5f}, {1e-7f, 3e20f}};
  std::string f = dir.File("w.txt");
  ASSERT_TRUE(s.SaveFile(f));
  EXPECT_EQ(test::ReadAll(f),
            "123.456703186035\t1000\r\n50\t0.5\r\n1.0000000116861E-7\t3.00000006012263E20\r\n");
  // Expected texts: the float values printed by Python (numpy.float32) with
  // %.15g, the exponent rewritten. And the file reads back to the same floats.
  TSpec back;
  ASSERT_TRUE(back.OpenFile(f));
  EXPECT_EQ(back.CMass, s.CMass);
}

TEST(TextSpectrum, SaveXYListUsesSevenDigits) {
  TempDir dir;
  std::string f = dir.File("list.txt");
  SaveXYList({{1234.5678f, 0.5f}, {12345678, 1e-6f}}, f);
  EXPECT_EQ(test::ReadAll(f), "1234.568\t0.5\r\n1.234568E007\t1E-006\r\n");
}
