// The command script without a screen: the tokenizer, comments and syntax
// errors, both forms of OpenSpec against the training's directory,
// CloseSpec, the result lines and the limit of the log.
#include <gtest/gtest.h>

#include <deque>
#include <string>
#include <vector>

#include "WindowFixture.h"
#include "core/common/Errors.h"
#include "core/mainwindow/CommandScript.h"

using namespace sorrel;
using sorrel::test::WindowTest;

namespace {

std::vector<std::string> Tokens(const std::string& line) {
  std::vector<std::string> out;
  ScriptTokenizer t(line);
  for (ScriptToken k = t.Next(); k.kind != ScriptToken::kEnd; k = t.Next()) {
    const char* kind[] = {"end", "word", "number", "string", "symbol"};
    out.push_back(std::string(kind[k.kind]) + ":" + k.text);
  }
  return out;
}

using Log = std::deque<std::string>;

class ScriptTest : public WindowTest {
 protected:
  ScriptTest() {
    a = Spectrum("a.txt", 35.7, 300.2);
    b = Spectrum("b.txt", 41.2, 290);
    c = Spectrum("c.txt");
    UseTraining();
  }
  std::string a, b, c;
};

}  // namespace

TEST(ScriptTokenizerTest, SplitsALineIntoTokens) {
  struct Case {
    std::string line;
    std::vector<std::string> tokens;
  } cases[] = {
      {"OpenSpec", {"word:OpenSpec"}},
      {"  CloseSpec   All ", {"word:CloseSpec", "word:All"}},
      {"_a1 b_2", {"word:_a1", "word:b_2"}},
      {"OpenSpec   /d/x.txt",
       {"word:OpenSpec", "symbol:/", "word:d", "symbol:/", "word:x", "symbol:.", "word:txt"}},
      {"12 3.5 1e-3 7.", {"number:12", "number:3.5", "number:1e-3", "number:7", "symbol:."}},
      {"'it''s' \"q\"", {"string:it's", "string:q"}},
      {"", {}},
  };
  for (const Case& c : cases)
    EXPECT_EQ(Tokens(c.line), c.tokens) << c.line;
  EXPECT_THROW(Tokens("CloseSpec 'All"), SorrelError);
}

TEST_F(ScriptTest, CommentsAndBlankLinesAreOnlyLogged) {
  for (const std::string line : {"; OpenSpec", "'CloseSpec All", "", "   "})
    EXPECT_TRUE(window.Interpret(line)) << line;
  EXPECT_EQ(window.Log(), (Log{"; OpenSpec", "'CloseSpec All", "", "   "}));
  EXPECT_TRUE(ui.messages.empty());
  EXPECT_TRUE(ui.dialogs.empty());
}

TEST_F(ScriptTest, SyntaxErrorsAndUnknownCommands) {
  struct Case {
    std::string line;
    bool result;
    std::string message;     // empty: none
    std::string resultLine;  // empty: none
  } cases[] = {
      {"openspec", false, "", ">Problem"},  // keywords keep their letter case
      {"Calculate", false, "", ">Problem"},
      {"CloseSpec", true, "Wrong command syntax.", ""},
      {"CloseSpec 12", true, "Wrong command syntax.", ""},
      {"3 OpenSpec", true, "Wrong command syntax.", ""},
      {" ;comment", true, "Wrong command syntax.", ""},
      {"CloseSpec 'All", true, "Unterminated string in the command CloseSpec 'All", ""},
      {"CloseSpec Some", true, "", ">OK"},  // closes nothing
  };
  ASSERT_GE(window.OpenSpectrumFrame(a), 0);
  for (const Case& c : cases) {
    ui.messages.clear();
    const size_t before = window.Log().size();
    EXPECT_EQ(window.Interpret(c.line), c.result) << c.line;
    EXPECT_EQ(ui.messages,
              c.message.empty() ? std::vector<std::string>{} : std::vector<std::string>{c.message})
        << c.line;
    Log want{c.line};
    if (!c.resultLine.empty()) want.push_back(c.resultLine);
    EXPECT_EQ(Log(window.Log().begin() + static_cast<long>(before), window.Log().end()), want)
        << c.line;
    EXPECT_EQ(plots.Count(), 1) << c.line;
  }
}

TEST_F(ScriptTest, PathFormOpensOneSpectrumOfTheTrainingDirectory) {
  EXPECT_TRUE(window.Interpret("OpenSpec   " + a + "  "));
  EXPECT_TRUE(window.Interpret("OpenSpec = " + b));  // any three characters
  EXPECT_EQ(Files(), (std::vector<std::string>{a, b}));
  EXPECT_TRUE(plots.Items(0)->MassOnly());
  EXPECT_EQ(window.Log(), (Log{"OpenSpec   " + a + "  ", ">OK", "OpenSpec = " + b, ">OK"}));
  // After the command: the bounds from the spectra (41.2 truncated, 290
  // rounded up), two frames: Close Spectrum but not the PCA menu.
  EXPECT_EQ(window.Settings().LowBound.Value(), 41);
  EXPECT_EQ(window.Settings().HighBound.Value(), 290);
  EXPECT_TRUE(window.Enabling().CloseSpectrum);
  EXPECT_FALSE(window.Enabling().PcaMenu);
  EXPECT_TRUE(window.Interpret("OpenSpec   " + c));
  EXPECT_TRUE(window.Enabling().PcaMenu);
  EXPECT_TRUE(ui.messages.empty());
}

TEST_F(ScriptTest, PathFormRefusals) {
  const std::string outside = Spectrum("x.txt", 40, 60, "");
  const std::string unknown = dir.Write("sets/x.xyz", "40\t1\r\n");
  struct Case {
    std::string line;
    std::string message;
  } cases[] = {
      // The path starts after the keyword and three characters: with one
      // blank the first two characters of the path are lost.
      {"OpenSpec " + a, "File does not exist. " + a.substr(2)},
      {"OpenSpec   " + dir.File("sets/none.txt"),
       "File does not exist. " + dir.File("sets/none.txt")},
      {"OpenSpec   " + outside, "All the spectra must be in the training directory !"},
  };
  for (const Case& c : cases) {
    ui.messages.clear();
    EXPECT_TRUE(window.Interpret(c.line)) << c.line;
    EXPECT_EQ(ui.messages, std::vector<std::string>{c.message}) << c.line;
    EXPECT_EQ(window.Log().back(), c.line);  // no result line
  }
  EXPECT_EQ(plots.Count(), 0);

  // A file the store does not recognise gives an empty frame: deleted, and
  // the command did not succeed.
  ui.messages.clear();
  EXPECT_FALSE(window.Interpret("OpenSpec   " + unknown));
  EXPECT_EQ(window.Log().back(), ">Problem");
  EXPECT_EQ(plots.Count(), 0);

  // A spectrum already open: No ends the command, Yes opens another copy.
  ASSERT_TRUE(window.Interpret("OpenSpec   " + a));
  ui.QueueConfirm(false);
  EXPECT_TRUE(window.Interpret("OpenSpec   " + a));
  EXPECT_EQ(window.Log().back(), "OpenSpec   " + a);
  ui.QueueConfirm(true);
  EXPECT_TRUE(window.Interpret("OpenSpec   " + a));
  EXPECT_EQ(Files(), (std::vector<std::string>{a, a}));
  EXPECT_EQ(ui.questions.back(),
            "The file \"" + a + "\"\nhas been already opened. Open another copy?");
}

TEST_F(ScriptTest, DialogFormOpensTheChosenSpectra) {
  ui.QueueOpenFiles({a, b, c});
  EXPECT_TRUE(window.Interpret("OpenSpec"));
  ASSERT_EQ(ui.dialogs.size(), 1u);
  const FileDialogRequest& r = ui.dialogs[0];
  EXPECT_EQ(r.title, "Open XY Spec File(s) - multiselect");
  ASSERT_EQ(r.filters.size(), 1u);
  EXPECT_EQ(r.filters[0].pattern, "*.txt");
  EXPECT_EQ(r.defaultExt, "txt");
  EXPECT_EQ(r.initialDir, dir.File("sets/"));
  EXPECT_TRUE(r.multiSelect);
  EXPECT_EQ(Files(), (std::vector<std::string>{a, b, c}));
  EXPECT_EQ(window.Log(), (Log{"OpenSpec", ">OK"}));
  EXPECT_TRUE(window.Enabling().PcaMenu);

  // Cancelled: no result line, nothing changes.
  ui.QueueOpenFiles({});
  EXPECT_TRUE(window.Interpret("OpenSpec"));
  EXPECT_EQ(window.Log().back(), "OpenSpec");

  // A file already open is skipped on No; one outside the training's
  // directory stops the command, the frames opened before it stay.
  const std::string d = Spectrum("d.txt");
  const std::string outside = Spectrum("x.txt", 40, 60, "");
  ui.QueueOpenFiles({a, d, outside, c});
  ui.QueueConfirm(false);
  EXPECT_TRUE(window.Interpret("OpenSpec"));
  EXPECT_EQ(Files(), (std::vector<std::string>{a, b, c, d}));
  EXPECT_EQ(ui.messages,
            std::vector<std::string>{"All the spectra must be in the training directory !"});
  EXPECT_EQ(window.Log().back(), "OpenSpec");
}

TEST_F(ScriptTest, DialogFormAcceptsTheTrainingDirectoryInOtherLetterCase) {
  window.Training().Rename(dir.File("SETS/t.trn"), false);
  ui.QueueOpenFiles({a});
  EXPECT_TRUE(window.Interpret("OpenSpec"));
  EXPECT_EQ(Files(), std::vector<std::string>{a});
  EXPECT_TRUE(ui.messages.empty());
}

TEST_F(ScriptTest, DialogFormLeavesOneFrameFree) {
  for (int i = 0; i < 33; ++i)
    ASSERT_GE(window.OpenSpectrumFrame(c), 0);
  // 33 open: one more is taken, the second is ignored.
  ui.QueueOpenFiles({a, b});
  EXPECT_TRUE(window.Interpret("OpenSpec"));
  EXPECT_EQ(plots.Count(), 34);
  EXPECT_EQ(plots.Items(33)->Spec.Filename(), a);
  // 34 open: none is taken.
  ui.QueueOpenFiles({b});
  EXPECT_FALSE(window.Interpret("OpenSpec"));
  EXPECT_EQ(window.Log().back(), ">Problem");
  EXPECT_EQ(plots.Count(), 34);
}

TEST_F(ScriptTest, CloseSpec) {
  EXPECT_TRUE(window.Interpret("CloseSpec All"));  // nothing open
  EXPECT_EQ(window.Log(), (Log{"CloseSpec All", ">OK"}));
  for (const std::string& f : {a, b, c})
    ASSERT_TRUE(window.Interpret("OpenSpec   " + f));
  plots.SetActive(1);
  EXPECT_TRUE(window.Interpret("CloseSpec Active"));
  EXPECT_EQ(Files(), (std::vector<std::string>{a, c}));
  EXPECT_FALSE(window.Enabling().PcaMenu);
  EXPECT_TRUE(window.Interpret("CloseSpec All"));
  EXPECT_EQ(plots.Count(), 0);
  EXPECT_FALSE(window.Enabling().CloseSpectrum);
  EXPECT_FALSE(window.Enabling().PcaMenu);
}

TEST_F(ScriptTest, TheLogKeepsTenThousandLinesBeforeAResult) {
  // Comments are not trimmed away; the next command trims the oldest lines
  // first, then adds its result.
  for (int i = 0; i < 10000; ++i)
    window.Interpret("; " + std::to_string(i));
  EXPECT_EQ(window.Log().size(), 10000u);
  window.Interpret("CloseSpec None");
  EXPECT_EQ(window.Log().size(), 10001u);
  EXPECT_EQ(window.Log().front(), "; 1");
  EXPECT_EQ(window.Log().back(), ">OK");
  window.Interpret("CloseSpec None");
  EXPECT_EQ(window.Log().size(), 10001u);
  EXPECT_EQ(window.Log().front(), "; 3");
}
