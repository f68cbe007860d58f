// Paste of a mass spectrum from the clipboard: the layouts, the first
// mass, the questions and error boxes, and what a paste that stops leaves.
#include <gtest/gtest.h>

#include <optional>

#include "ScriptedUi.h"
#include "core/spectrum/Spec.h"
#include "core/spectrum/SpecPaste.h"

using namespace sorrel;
using test::ScriptedUi;

namespace {

const std::string kBox = "Marjoram Error Message: ";

std::string Question(int line) {
  return "Error: Wrong number syntax, line (" + std::to_string(line) + ")Continue ?";
}

struct Case {
  const char* what;
  std::string text;
  std::vector<std::string> inputs;  // answers of the input box
  std::vector<bool> confirms;       // answers of the questions
  bool ok;
  tXYarray points;  // CMass afterwards (for a stopped paste: the old one)
  std::vector<std::string> messages;
  std::vector<std::string> questions;
  int prompts = 0;
};

const tXYarray kBefore = {{1.0f, 2.0f}, {3.0f, 4.0f}};

}  // namespace

TEST(Paste, Cases) {
  const std::string longField = std::string(250, ' ') + "12345" + "tail beyond 255";
  const Case cases[] = {
      {"three XY lines",
       "10\t100\r\n11\t200\r\n12\t300",
       {},
       {},
       true,
       {{10, 100}, {11, 200}, {12, 300}},
       {},
       {}},
      {"a first mass line, then Y-only lines",
       ";fm=40\n5\n7\n",
       {},
       {},
       true,
       {{40, 5}, {41, 7}},
       {},
       {}},
      {"the first mass from the input box",
       "5\n7",
       {"40"},
       {},
       true,
       {{40, 5}, {41, 7}},
       {},
       {},
       1},
      {"a header line is skipped on Yes",
       "Mass\tIntensity\n50\t10\n51\t20",
       {},
       {true},
       true,
       {{50, 10}, {51, 20}},
       {},
       {Question(0)}},
      {"only comment lines", "'one\n'two", {}, {}, true, {}, {}, {}},
      {"comment lines count in the line numbers",
       "'c\n50\tx\n51\t2",
       {},
       {true},
       true,
       {{51, 2}},
       {},
       {Question(1)}},
      {"';' starts no comment",
       ";note\t1\n50\t10",
       {},
       {true},
       true,
       {{50, 10}},
       {},
       {Question(0)}},
      {"parentheses are kept",
       "45.2 (base)\t1000\n46\t1",
       {},
       {true},
       true,
       {{46, 1}},
       {},
       {Question(0)}},
      {"leading blanks pass", "  50\t  10", {}, {}, true, {{50, 10}}, {}, {}},
      {"a trailing blank after the mass fails", "50 \t10", {}, {true}, true, {}, {}, {Question(0)}},
      {"a trailing blank after the intensity fails",
       "50\t10 ",
       {},
       {true},
       true,
       {},
       {},
       {Question(0)}},
      {"the field after the tab is cut at 255 characters",
       "50\t" + longField,
       {},
       {},
       true,
       {{50, 12345}},
       {},
       {}},
      {"XY lines, then Y-only from the first line without a tab",
       "10\t1\n20\n30",
       {"50"},
       {},
       true,
       {{10, 1}, {50, 20}, {51, 30}},
       {},
       {},
       1},
      {"in first-mass mode the intensity follows the tab",
       ";fm=100\n7\t5\n8\t6",
       {},
       {},
       true,
       {{100, 5}, {101, 6}},
       {},
       {}},
      {"a second ;fm= line is a bad value line",
       ";fm=100\n;fm=7\n5",
       {},
       {true},
       true,
       {{100, 5}},
       {},
       {Question(1)}},
      {"skipped lines do not step the mass",
       ";fm=100\n5\nx\n6",
       {},
       {true},
       true,
       {{100, 5}, {101, 6}},
       {},
       {Question(2)}},
      {"an empty line asks for the first mass and is a bad value",
       "\n5",
       {"10"},
       {true},
       true,
       {{10, 5}},
       {},
       {Question(0)},
       1},
      {"the first mass is cut at 255 characters",
       ";fm=" + longField + "\n7",
       {},
       {},
       true,
       {{12345, 7}},
       {},
       {}},
      {"empty clipboard", "", {}, {}, false, kBefore, {kBox + "Empty/incorrect data."}, {}},
      {"a bad ;fm= value stops",
       ";fm=abc\n5",
       {},
       {},
       false,
       kBefore,
       {kBox + "Wrong first mass."},
       {}},
      {"a bad answer in the input box stops",
       "5\n6",
       {"x1"},
       {},
       false,
       kBefore,
       {kBox + "Wrong first mass."},
       {},
       1},
      {"No stops the paste and keeps the spectrum",
       "50\t10\n51\tbad\n52\t3",
       {},
       {false},
       false,
       kBefore,
       {},
       {Question(1)}},
      {"a decimal comma is a bad number",
       "45,2\t1000",
       {},
       {false},
       false,
       kBefore,
       {},
       {Question(0)}},
      {"an intensity beyond the float range is a bad number",
       "50\t4e38",
       {},
       {false},
       false,
       kBefore,
       {},
       {Question(0)}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ScriptedUi ui;
    for (const auto& in : c.inputs)
      ui.QueueInput(in);
    for (bool yes : c.confirms)
      ui.QueueConfirm(yes);
    TSpec store;
    store.SetMassOnly(true);
    store.CMass = kBefore;
    int refreshes = 0;
    store.RefreshPlot = [&] { ++refreshes; };
    EXPECT_EQ(PasteSpectrum(c.text, store), c.ok);
    EXPECT_EQ(store.CMass, c.points);
    EXPECT_EQ(refreshes, c.ok ? 1 : 0) << "redrawn only after a complete paste";
    EXPECT_EQ(ui.messages, c.messages);
    EXPECT_EQ(ui.questions, c.questions);
    EXPECT_EQ(static_cast<int>(ui.prompts.size()), c.prompts);
    for (const auto& p : ui.prompts)
      EXPECT_EQ(p, "Input Box|First mass|1");
    EXPECT_TRUE(ui.AllAnswersUsed());
    EXPECT_TRUE(store.MassOnly());
  }
}

// A store that held a run becomes a single-spectrum store with only the
// pasted spectrum.
TEST(Paste, ARunStoreBecomesASingleSpectrum) {
  ScriptedUi ui;
  TSpec store;
  store.AddSSpec(1.0, 10.0, {{50.0f, 10.0f}});
  store.AddSSpec(2.0, 20.0, {{51.0f, 20.0f}});
  ASSERT_EQ(store.NSpec(), 2);
  EXPECT_TRUE(PasteSpectrum("60\t6\r\n", store));
  EXPECT_TRUE(store.MassOnly());
  EXPECT_EQ(store.NSpec(), 0);
  EXPECT_EQ(store.CMass, (tXYarray{{60.0f, 6.0f}}));
  EXPECT_EQ(store.FileKind(), fkTxt);
}

// Masses stepped on from a first mass keep counting exactly where the
// float itself could no longer add 1.
TEST(Paste, MassesStepFromTheFirstMassWithoutDrift) {
  ScriptedUi ui;
  TSpec store;
  std::string text = ";fm=16777216\n";
  for (int k = 0; k < 4; ++k)
    text += "1\n";
  ASSERT_TRUE(PasteSpectrum(text, store));
  ASSERT_EQ(store.CMass.size(), 4u);
  // 16777216 + k as the nearest float, ties to even: ..216, ..216, ..218,
  // ..220 (a float counter would stay at ..216).
  const float expected[] = {16777216.0f, 16777216.0f, 16777218.0f, 16777220.0f};
  for (size_t k = 0; k < 4; ++k)
    EXPECT_EQ(store.CMass[k][0], expected[k]) << k;
}
