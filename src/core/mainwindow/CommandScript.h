#pragma once
// The command script of the main window. Opening and closing spectra goes
// through one-line commands, which the menu and the tool bar hand to
// Interpret; every line and its result (">OK", ">Problem") goes into the
// command log that the hidden command panel shows.
//
//   OpenSpec                 asks for text spectra of the training's directory
//   OpenSpec   /dir/x.txt    opens that one file (the path starts at the 12th
//                            character: the keyword and three more)
//   CloseSpec All            closes every frame
//   CloseSpec Active         closes the active frame
//
// A line that begins with "'" or ";" is a comment. Keywords are compared
// with their letter case.
#include <deque>
#include <optional>
#include <string>
#include <string_view>

namespace sorrel {

class MainWindowLogic;

// One token of a command line.
struct ScriptToken {
  enum Kind { kEnd, kWord, kNumber, kString, kSymbol };
  Kind kind = kEnd;
  std::string text;
};

// Splits a command line into tokens on demand: a word is a letter or "_"
// followed by letters, digits and "_"; a number is digits with an optional
// fraction and exponent; a string is quoted with ' or " (the quote written
// twice stands for itself); any other character is a symbol. Blanks between
// tokens are skipped.
class ScriptTokenizer {
 public:
  explicit ScriptTokenizer(std::string_view line) : line_(line) {}
  // The next token (kEnd at the end). An unterminated string throws
  // SorrelError.
  ScriptToken Next();

 private:
  std::string_view line_;
  size_t pos_ = 0;
};

class CommandScript {
 public:
  // The log keeps at most this many lines before a result line is added.
  static constexpr size_t kMaxLogLines = 10000;

  explicit CommandScript(MainWindowLogic& window) : window_(window) {}

  // Logs the line, carries it out on the window's plot collection and logs
  // its result. True when the command ran to its end and did what it asked;
  // false when it ran to its end without success (">Problem"). A comment,
  // an empty line and a command that stops early (a syntax error, a
  // cancelled dialog, a missing or refused file) answer true and log no
  // result. After a command that ran to its end the window recomputes the
  // boundaries, resets the results and applies its enabling rules.
  bool Interpret(const std::string& command);

  const std::deque<std::string>& Log() const { return log_; }

 private:
  // Each answers whether a spectrum was kept open, or nothing when the
  // command stopped early.
  std::optional<bool> OpenSpecDialog();
  std::optional<bool> OpenSpecPath(const std::string& command);

  MainWindowLogic& window_;
  std::deque<std::string> log_;
};

}  // namespace sorrel
