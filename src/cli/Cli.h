#pragma once
// The framework of the `sorrel` command-line program: the command registry,
// the options of each command (declared on CLI11, with type, range, default
// and help), output to standard output or to -o FILE (never replacing
// without --force, never a device, never an input), and the
// non-interactive user interface.
#include <functional>
#include <list>
#include <map>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "core/common/UiHooks.h"

namespace CLI {
class App;
class Option;
}  // namespace CLI

namespace sorrel::cli {

// Wrong usage: exit status 2.
class UsageError : public std::runtime_error {
 public:
  explicit UsageError(const std::string& m) : std::runtime_error(m) {}
};

// `sorrel CMD --help`: the help goes to standard output, exit status 0.
struct HelpRequested {};

class Args;

// The kind and range of an option's value, checked when the command line
// is parsed: a command only ever reads values that passed. Returned by
// Args::Option; every setter returns itself for chaining.
class ValueSpec {
 public:
  // A whole number from `lo` to `hi`.
  ValueSpec& Integer(long long lo, long long hi);
  // A number in the system's syntax ("." decimal, no nan or inf) from `lo`
  // to `hi`; with `above`, strictly above `lo`.
  ValueSpec& Number(double lo, double hi, bool above = false);
  // One of the words.
  ValueSpec& Choice(std::vector<std::string> words);
  // Any other rule: `problem` answers why a value is wrong (empty when it
  // is right); `rule` says in the help what is allowed.
  ValueSpec& Check(std::function<std::string(const std::string&)> problem, std::string rule);
  // The value taken when the option is not given (shown in the help; also
  // what Args::Number and Args::Integer answer without a default of their
  // own). Free text where the default depends on the data.
  ValueSpec& Default(std::string text);
  // May be given several times; every value is kept.
  ValueSpec& Repeatable();
  // Must be given.
  ValueSpec& Required();

 private:
  friend class Args;
  ValueSpec(Args* args, std::string name) : args_(args), name_(std::move(name)) {}
  Args* args_;
  std::string name_;
};

// The command line of one command: its options and positional arguments
// are declared first (each once, with its help text), then parsed, then
// read. Wrong usage throws UsageError with one line that names the option.
class Args {
 public:
  Args(const std::string& command, const std::string& summary);
  ~Args();
  Args(const Args&) = delete;
  Args& operator=(const Args&) = delete;

  // Options declared after this call are listed under `heading`.
  void Group(const std::string& heading);
  // An option without value (--json).
  void Flag(const std::string& name, const std::string& help);
  // An option with a value (--scan N); `valueName` is the value's name in
  // the help.
  ValueSpec Option(const std::string& name, const std::string& valueName, const std::string& help);
  // The next positional argument, required; `max` < 0 (or above 1) makes it
  // a list, which the command counts itself (its message says how many it
  // needs).
  void Positional(const std::string& name, const std::string& help, int max = 1);
  // Notes printed after the options in the help.
  void Footer(const std::string& text);

  // Parses the words after the command name. Throws UsageError for wrong
  // usage and HelpRequested for --help.
  void Parse(const std::vector<std::string>& argv);
  // The help text of `sorrel CMD --help`.
  std::string Help();
  // Every declared option by its name ("--scan", "-o"), --help included.
  std::vector<std::string> OptionNames();
  const std::string& Command() const { return command_; }

  bool Has(const std::string& name) const;
  std::optional<std::string> Value(const std::string& name) const;
  std::vector<std::string> Values(const std::string& name) const;
  // The value as a number; without it, `def` (or the declared default).
  double Number(const std::string& name, double def) const;
  double Number(const std::string& name) const;
  int Integer(const std::string& name, int def) const;
  int Integer(const std::string& name) const;
  // The positional arguments in their order.
  std::vector<std::string> Positional() const;

 private:
  friend class ValueSpec;
  struct Declared {
    CLI::Option* option = nullptr;
    std::string help;
    std::string rule;
    std::string defaultText;
    bool takesValue = false;
    bool repeatable = false;
  };
  Declared& Find(const std::string& name);
  const Declared& Find(const std::string& name) const;
  void Describe();  // every option's help line from its declaration

  std::string command_;
  std::unique_ptr<CLI::App> app_;
  std::string group_ = "Options";
  std::map<std::string, Declared> declared_;
  std::map<std::string, std::vector<std::string>> values_;
  struct PositionalValues {
    std::string name;
    std::string one;                // a positional that takes one value
    std::vector<std::string> many;  // one that takes several
    bool takesMany = false;
  };
  // A list: CLI11 keeps the address of each positional's values.
  std::list<PositionalValues> positionals_;
};

struct Command {
  std::string name;
  std::string summary;  // one line, in `sorrel --help` and atop `sorrel CMD --help`
  std::function<void(Args&)> declare;
  std::function<int(const Args&)> run;
};

// Commands register themselves from their own source files:
//   const bool registered = RegisterCommand({...});
bool RegisterCommand(Command command);
const std::map<std::string, Command>& Commands();
// The command's Args with every option declared, ready to parse.
std::unique_ptr<Args> DeclaredArgs(const Command& command);

// -o OUT and --force, the options of every command that writes a table.
void DeclareOutputOptions(Args& args);
// True when -o names a file (not "-" or /dev/stdout, which mean standard
// output): the output then takes the file formats of the desktop program.
bool OutputIsFile(const Args& args);
// Checks before any work that -o may be written: see CheckOutputFile; the
// command's positional arguments are its inputs.
void CheckOutput(const Args& args);
// Refuses (exit 1, nothing written) an output name that exists without
// --force (a symbolic link too, even one that points nowhere), one that is
// not a regular file (a device, a FIFO, a directory), and one that is the
// same file as an input. /dev/null is accepted: it is written, not replaced.
void CheckOutputFile(const std::string& path, bool force, const std::vector<std::string>& inputs);
// Writes `text` to standard output, or to the file of -o (checked again
// against every input read, then written safely).
void WriteOutput(const Args& args, const std::string& text);
// Writes to standard output; a failed write (a full disk, a closed file)
// throws SorrelError.
void WriteStdout(const std::string& text);
// Flushes and closes standard output at the end; false (with errno set)
// when what was written is lost.
bool CloseStdout();

// Every file a command reads is noted, so that no output replaces it.
void NoteInput(const std::string& path);
const std::vector<std::string>& InputsRead();

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

// One line for a message: line breaks become blanks, every other control
// character and every byte that is not UTF-8 is escaped (\x1b).
std::string OneLine(const std::string& text);
// A file or compound name in a text table: control characters escaped, so
// that a name cannot break the table or drive the terminal.
std::string ShownName(const std::string& name);

// A field of comma-separated values: quoted (quotes doubled) when it holds
// a comma, a quote or a line break.
std::string CsvField(const std::string& s);

// Numbers on standard output: the shortest text that reads back as the
// stored value (6.57 for the 32-bit float 6.57).
std::string Num(double v);
std::string Num(float v);

}  // namespace sorrel::cli
