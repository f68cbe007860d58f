#pragma once
// The framework of the `sorrel` command-line program: command registry,
// option parsing, output (standard output or -o FILE, never overwriting
// without --force), JSON text, and the non-interactive user interface.
#include <functional>
#include <map>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "core/common/UiHooks.h"

namespace sorrel::cli {

// Wrong usage: exit status 2.
class UsageError : public std::runtime_error {
 public:
  explicit UsageError(const std::string& m) : std::runtime_error(m) {}
};

// Parsed command line of one command. Options are declared by the command
// before parsing; anything undeclared is a usage error.
class Args {
 public:
  // A flag without value (--json).
  void Flag(const std::string& name);
  // An option with a value (--scan N); may be given several times when
  // `repeatable`.
  void Option(const std::string& name, bool repeatable = false);
  // Parses `argv` (the words after the command name).
  void Parse(const std::vector<std::string>& argv);

  bool Has(const std::string& name) const;
  std::optional<std::string> Value(const std::string& name) const;
  std::vector<std::string> Values(const std::string& name) const;
  double Number(const std::string& name, double def) const;  // usage error when not a number
  int Integer(const std::string& name, int def) const;
  const std::vector<std::string>& Positional() const { return positional_; }

 private:
  std::map<std::string, bool> flags_;  // name -> takes a value
  std::map<std::string, bool> repeat_;
  std::map<std::string, std::vector<std::string>> values_;
  std::vector<std::string> positional_;
};

struct Command {
  std::string name;
  std::string summary;  // one line for `sorrel --help`
  std::string usage;    // the text of `sorrel COMMAND --help`
  std::function<int(const std::vector<std::string>&)> run;
};

// Commands register themselves from their own source files:
//   static const bool registered = RegisterCommand({...});
bool RegisterCommand(Command command);
const std::map<std::string, Command>& Commands();

// Writes `text` to standard output, or to the file of -o (refusing an
// existing file without --force; written safely).
void WriteOutput(const Args& args, const std::string& text);
// Refuses an existing output file unless --force is given (exit 1).
void CheckOverwrite(const std::string& path, bool force);

// The user interface of the command line: no questions are asked (every
// question is answered No, the safe answer), input boxes give their
// default, and messages are kept so that a failure can name its cause.
class CliUi : public ConsoleUi {
 public:
  void ShowMessage(const std::string& text) override { messages.push_back(text); }
  void ShowCaptionedMessage(const std::string& caption, const std::string& text) override {
    messages.push_back(caption + ": " + text);
  }
  bool Confirm(const std::string& text) override {
    questions.push_back(text);
    return false;
  }
  // The messages so far, joined by "; " and flattened to one line.
  std::string MessagesText() const;
  std::vector<std::string> messages;
  std::vector<std::string> questions;
};
CliUi& TheUi();

// Minimal JSON text building.
std::string JsonString(const std::string& s);
std::string JsonNumber(double v);  // shortest round-trip form; null for non-finite
std::string JsonArray(const std::vector<double>& v);
std::string JsonMatrix(const std::vector<std::vector<double>>& m);

// One line for a failure: the text with line breaks replaced by blanks.
std::string OneLine(const std::string& text);

}  // namespace sorrel::cli
