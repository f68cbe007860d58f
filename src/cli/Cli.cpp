#include "cli/Cli.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <CLI/CLI.hpp>
#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>

#include "core/common/Errors.h"
#include "core/common/FileCheck.h"
#include "core/common/NumberText.h"
#include "core/common/Paths.h"
#include "core/common/SafeSave.h"
#include "core/common/TextEscape.h"

namespace sorrel::cli {

namespace {

constexpr size_t kHelpWidth = 80;
constexpr size_t kNameColumn = 24;

// Word-wraps `text` to `width` columns; lines already broken stay broken.
std::string Wrap(const std::string& text, size_t width) {
  std::string out, line;
  auto flush = [&] {
    if (!out.empty()) out += '\n';
    out += line;
    line.clear();
  };
  size_t start = 0;
  while (start <= text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::string paragraph = text.substr(start, end - start);
    size_t p = 0;
    bool any = false;
    while (p < paragraph.size()) {
      size_t q = paragraph.find(' ', p);
      if (q == std::string::npos) q = paragraph.size();
      std::string word = paragraph.substr(p, q - p);
      if (!line.empty() && line.size() + 1 + word.size() > width) flush();
      if (!line.empty()) line += ' ';
      line += word;
      any = true;
      p = q + 1;
    }
    if (any || paragraph.empty()) flush();
    start = end + 1;
  }
  return out;
}

// One layout for every command: "sorrel CMD: summary", the usage line, the
// positional arguments, the options by group (name and value on the left,
// the wrapped help with its rule and default on the right), the notes.
class HelpFormatter : public CLI::Formatter {
 public:
  HelpFormatter() { column_width(kNameColumn); }
  std::string make_option_desc(const CLI::Option* opt) const override {
    return Wrap(opt->get_description(), kHelpWidth - kNameColumn);
  }
  std::string make_option_opts(const CLI::Option* opt) const override {
    return opt->get_positional() ? std::string() : CLI::Formatter::make_option_opts(opt);
  }
  std::string make_group(std::string group, bool isPositional,
                         std::vector<const CLI::Option*> opts) const override {
    std::string out = "\n" + group + ":\n";
    for (const CLI::Option* opt : opts)
      out += make_option(opt, isPositional);
    return out;
  }
  std::string make_help(const CLI::App* app, std::string name, CLI::AppFormatMode) const override {
    std::string out = name + ": " + app->get_description() + "\n" + make_usage(app, name);
    auto positionals = app->get_options([](const CLI::Option* o) { return o->get_positional(); });
    if (!positionals.empty()) out += make_group("Arguments", true, positionals);
    for (const std::string& group : app->get_groups()) {
      auto opts = app->get_options(
          [&group](const CLI::Option* o) { return o->get_group() == group && o->nonpositional(); });
      if (!opts.empty()) out += make_group(group, false, opts);
    }
    const std::string footer = app->get_footer();
    if (!footer.empty()) out += "\n" + Wrap(footer, kHelpWidth) + "\n";
    return out;
  }
};

// The rule of a number option for the help and the messages; bounds at
// the ends of the float range are left out.
std::string NumberRule(double lo, double hi, bool above) {
  constexpr double kEnd = std::numeric_limits<float>::max();
  const bool noTop = hi >= kEnd, noBottom = lo <= -kEnd;
  if (noBottom && noTop) return "a number";
  if (noTop) return (above ? "a number above " : "a number of at least ") + ShortestRoundTrip(lo);
  if (noBottom) return "a number of at most " + ShortestRoundTrip(hi);
  return (above ? "a number above " + ShortestRoundTrip(lo) + " up to "
                : "a number from " + ShortestRoundTrip(lo) + " to ") +
         ShortestRoundTrip(hi);
}

// A word that is an option, not a value: "-x", "--x", but not "-" (standard
// output) nor a negative number.
bool LooksLikeOption(const std::string& word) {
  if (word.size() < 2 || word[0] != '-') return false;
  const char c = word[1];
  return !(std::isdigit(static_cast<unsigned char>(c)) || c == '.');
}

std::string Quoted(const std::string& value) {
  return "\"" + OneLine(value) + "\"";
}

// CLI11's words for wrong usage, in this program's: one line naming the
// option or argument.
std::string UsageText(const CLI::ParseError& e) {
  std::string what = e.what();
  // "--scan: At Most 1 required but received 2"
  if (auto p = what.find(": At Most "); p != std::string::npos)
    return what.substr(0, p) + " may be given only once";
  return OneLine(what);
}

}  // namespace

// ---- ValueSpec ----

ValueSpec& ValueSpec::Integer(long long lo, long long hi) {
  const std::string rule =
      hi == std::numeric_limits<int32_t>::max()
          ? "a whole number of at least " + std::to_string(lo)
          : "a whole number from " + std::to_string(lo) + " to " + std::to_string(hi);
  return Check(
      [lo, hi, rule](const std::string& v) -> std::string {
        auto n = ParseInt32(v);
        if (!n || *n < lo || *n > hi) return Quoted(v) + " is not " + rule;
        return {};
      },
      rule);
}

ValueSpec& ValueSpec::Number(double lo, double hi, bool above) {
  const std::string rule = NumberRule(lo, hi, above);
  return Check(
      [lo, hi, above, rule](const std::string& v) -> std::string {
        auto n = ParseNumber(TrimBlanks(v));
        if (!n || *n < lo || *n > hi || (above && *n == lo)) return Quoted(v) + " is not " + rule;
        return {};
      },
      rule);
}

ValueSpec& ValueSpec::Choice(std::vector<std::string> words) {
  std::string rule;
  for (size_t i = 0; i < words.size(); ++i)
    rule += (i == 0 ? "" : i + 1 == words.size() ? " or " : ", ") + words[i];
  return Check(
      [words, rule](const std::string& v) -> std::string {
        if (std::find(words.begin(), words.end(), v) == words.end())
          return Quoted(v) + " is none of " + rule;
        return {};
      },
      rule);
}

ValueSpec& ValueSpec::Check(std::function<std::string(const std::string&)> problem,
                            std::string rule) {
  Args::Declared& d = args_->Find(name_);
  d.option->check(CLI::Validator([problem](std::string& value) { return problem(value); }, "", ""));
  if (!rule.empty()) d.rule = d.rule.empty() ? rule : d.rule + "; " + rule;
  return *this;
}

ValueSpec& ValueSpec::Default(std::string text) {
  args_->Find(name_).defaultText = std::move(text);
  return *this;
}

ValueSpec& ValueSpec::Repeatable() {
  Args::Declared& d = args_->Find(name_);
  d.repeatable = true;
  d.option->multi_option_policy(CLI::MultiOptionPolicy::TakeAll);
  return *this;
}

ValueSpec& ValueSpec::Required() {
  args_->Find(name_).option->required();
  return *this;
}

// ---- Args ----

Args::Args(const std::string& command, const std::string& summary)
    : command_(command), app_(std::make_unique<CLI::App>(summary, "sorrel " + command)) {
  app_->formatter(std::make_shared<HelpFormatter>());
  app_->set_help_flag();  // declared last, in Describe, so that it is listed last
}

Args::~Args() = default;

void Args::Group(const std::string& heading) {
  group_ = heading;
}

void Args::Flag(const std::string& name, const std::string& help) {
  Declared& d = declared_[name];
  d.option = app_->add_flag(name, help)->group(group_);
  d.help = help;
}

ValueSpec Args::Option(const std::string& name, const std::string& valueName,
                       const std::string& help) {
  Declared& d = declared_[name];
  d.takesValue = true;
  d.help = help;
  d.option = app_->add_option(name, values_[name], help)
                 ->group(group_)
                 ->expected(1)
                 ->allow_extra_args(false)
                 ->multi_option_policy(CLI::MultiOptionPolicy::Throw)
                 ->option_text(valueName);
  return ValueSpec(this, name);
}

void Args::Positional(const std::string& name, const std::string& help, int max) {
  PositionalValues& p = positionals_.emplace_back();
  p.name = name;
  p.takesMany = max != 1;
  // A list of arguments is counted by the command, whose message says how
  // many it needs.
  if (p.takesMany)
    app_->add_option(name, p.many, help)
        ->expected(0, max < 0 ? CLI::detail::expected_max_vector_size : max);
  else
    app_->add_option(name, p.one, help)->required();
}

void Args::Footer(const std::string& text) {
  app_->footer(text);
}

Args::Declared& Args::Find(const std::string& name) {
  auto it = declared_.find(name);
  if (it == declared_.end()) throw std::logic_error("undeclared option " + name);
  return it->second;
}

const Args::Declared& Args::Find(const std::string& name) const {
  auto it = declared_.find(name);
  if (it == declared_.end()) throw std::logic_error("undeclared option " + name);
  return it->second;
}

void Args::Describe() {
  if (!app_->get_help_ptr()) {
    app_->set_help_flag("-h,--help", "print this help and exit");
    app_->get_help_ptr()->group("Help");
  }
  for (auto& [name, d] : declared_) {
    std::string text = d.help;
    std::string extra = d.rule;
    if (!d.defaultText.empty()) extra += (extra.empty() ? "" : "; ") + ("default " + d.defaultText);
    if (d.repeatable) extra += (extra.empty() ? "" : "; ") + std::string("may be repeated");
    if (!extra.empty()) text += " (" + extra + ")";
    d.option->description(text);
  }
}

void Args::Parse(const std::vector<std::string>& argv) {
  Describe();
  // CLI11 takes the word after an option as its value whatever it is; an
  // option there means the value is missing ("--high --low 60").
  for (size_t i = 0; i < argv.size(); ++i) {
    if (argv[i] == "--") break;
    auto it = declared_.find(argv[i]);
    if (it == declared_.end() || !it->second.takesValue) continue;
    if (i + 1 == argv.size() || LooksLikeOption(argv[i + 1]))
      throw UsageError(argv[i] + " needs a value");
    ++i;
  }
  std::vector<std::string> reversed(argv.rbegin(), argv.rend());
  try {
    app_->parse(reversed);
  } catch (const CLI::CallForHelp&) {
    throw HelpRequested{};
  } catch (const CLI::ExtrasError&) {
    std::string rest;
    for (const std::string& w : app_->remaining())
      rest += (rest.empty() ? "" : " ") + w;
    throw UsageError((LooksLikeOption(rest) ? "unknown option " : "unexpected argument ") +
                     OneLine(rest));
  } catch (const CLI::ParseError& e) {
    throw UsageError(UsageText(e));
  }
}

std::string Args::Help() {
  Describe();
  return app_->help();
}

std::vector<std::string> Args::OptionNames() {
  Describe();  // which declares --help
  std::vector<std::string> names;
  for (const CLI::Option* o : app_->get_options())
    if (o->nonpositional())
      for (const auto& n : o->get_lnames())
        names.push_back("--" + n);
  for (const CLI::Option* o : app_->get_options())
    if (o->nonpositional())
      for (const auto& n : o->get_snames())
        names.push_back("-" + n);
  return names;
}

bool Args::Has(const std::string& name) const {
  return Find(name).option->count() > 0;
}

std::optional<std::string> Args::Value(const std::string& name) const {
  const Declared& d = Find(name);
  if (!d.takesValue) throw std::logic_error(name + " takes no value");
  const auto& v = values_.at(name);
  if (v.empty()) return std::nullopt;
  return v.back();
}

std::vector<std::string> Args::Values(const std::string& name) const {
  Find(name);
  auto it = values_.find(name);
  return it == values_.end() ? std::vector<std::string>{} : it->second;
}

double Args::Number(const std::string& name, double def) const {
  auto v = Value(name);
  if (!v) return def;
  auto n = ParseNumber(TrimBlanks(*v));
  if (!n) throw std::logic_error(name + ": a value that was not checked");
  return *n;
}

double Args::Number(const std::string& name) const {
  const Declared& d = Find(name);
  auto def = ParseNumber(d.defaultText);
  if (!def) throw std::logic_error(name + " has no numeric default");
  return Number(name, *def);
}

int Args::Integer(const std::string& name, int def) const {
  auto v = Value(name);
  if (!v) return def;
  auto n = ParseInt32(*v);
  if (!n) throw std::logic_error(name + ": a value that was not checked");
  return *n;
}

int Args::Integer(const std::string& name) const {
  const Declared& d = Find(name);
  auto def = ParseInt32(d.defaultText);
  if (!def) throw std::logic_error(name + " has no whole-number default");
  return Integer(name, *def);
}

std::vector<std::string> Args::Positional() const {
  std::vector<std::string> all;
  for (const PositionalValues& p : positionals_) {
    if (!p.takesMany) all.push_back(p.one);
    all.insert(all.end(), p.many.begin(), p.many.end());
  }
  return all;
}

// ---- Commands ----

namespace {
std::map<std::string, Command>& Registry() {
  static std::map<std::string, Command> commands;
  return commands;
}
}  // namespace

bool RegisterCommand(Command command) {
  std::string name = command.name;
  Registry()[name] = std::move(command);
  return true;
}

const std::map<std::string, Command>& Commands() {
  return Registry();
}

std::unique_ptr<Args> DeclaredArgs(const Command& command) {
  auto args = std::make_unique<Args>(command.name, command.summary);
  command.declare(*args);
  return args;
}

// ---- Output ----

namespace {

bool MeansStdout(const std::string& path) {
  return path == "-" || path == "/dev/stdout";
}

std::vector<std::string>& NotedInputs() {
  static std::vector<std::string> inputs;
  return inputs;
}

// A file of a raw directory that is read is an input too.
bool InsideDirectory(const std::string& path, const std::string& dir) {
  std::string parent = ExtractFilePath(path);
  if (parent.empty()) parent = ".";
  return SameFile(parent, dir);
}

void WriteDevNull(const std::string& path, const std::string& text) {
  int fd = ::open(path.c_str(), O_WRONLY | O_CLOEXEC | O_NOCTTY);
  if (fd < 0) throw SorrelError("Unable to write to " + path + ": " + std::strerror(errno));
  size_t done = 0;
  while (done < text.size()) {
    ssize_t n = ::write(fd, text.data() + done, text.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    done += static_cast<size_t>(n);
  }
  ::close(fd);
}

}  // namespace

void NoteInput(const std::string& path) {
  NotedInputs().push_back(path);
}

const std::vector<std::string>& InputsRead() {
  return NotedInputs();
}

void DeclareOutputOptions(Args& args) {
  args.Group("Output");
  args.Option("-o", "OUT",
              "write to the file OUT instead of standard output (\"-\" is standard output)");
  args.Flag("--force", "replace OUT when it exists");
}

bool OutputIsFile(const Args& args) {
  auto out = args.Value("-o");
  return out && !MeansStdout(*out);
}

void CheckOutputFile(const std::string& path, bool force, const std::vector<std::string>& inputs) {
  if (MeansStdout(path)) return;
  if (path.empty()) throw UsageError("the output file name is empty");
  if (SameFile(path, "/dev/null")) return;
  for (const std::string& in : inputs) {
    if (SameFile(path, in))
      throw SorrelError(path + ": is the input " + in + " itself; it is not replaced");
    if (DirectoryExists(in) && FileExists(path) && InsideDirectory(path, in))
      throw SorrelError(path + ": lies in the raw directory " + in +
                        " that is read; it is not replaced");
  }
  if (!NameExists(path)) return;
  struct stat st {};
  const bool reached = stat(path.c_str(), &st) == 0;
  if (reached && !S_ISREG(st.st_mode))  // a directory, a device, a FIFO, a socket
    throw SorrelError(path + ": " + RegularFileProblem(path) + "; it is not replaced");
  if (!force) {
    const std::string problem = reached ? std::string() : RegularFileProblem(path);
    // A symbolic link counts, even one that points nowhere or into a loop.
    const std::string what = problem.empty() ? "file" : problem;
    throw SorrelError(path + ": " + what + " exists (use --force to overwrite)");
  }
}

void CheckOutput(const Args& args) {
  if (auto out = args.Value("-o")) CheckOutputFile(*out, args.Has("--force"), args.Positional());
}

void WriteStdout(const std::string& text) {
  if ((!text.empty() && std::fwrite(text.data(), 1, text.size(), stdout) != text.size()) ||
      std::fflush(stdout) != 0)
    throw SorrelError(std::string("cannot write to standard output: ") + std::strerror(errno));
}

bool CloseStdout() {
  if (std::fflush(stdout) != 0 || std::ferror(stdout)) {
    if (errno == 0) errno = EIO;
    return false;
  }
  return std::fclose(stdout) == 0;
}

void WriteOutput(const Args& args, const std::string& text) {
  auto out = args.Value("-o");
  if (!out || MeansStdout(*out)) {
    WriteStdout(text);
    return;
  }
  std::vector<std::string> inputs = args.Positional();
  inputs.insert(inputs.end(), NotedInputs().begin(), NotedInputs().end());
  CheckOutputFile(*out, args.Has("--force"), inputs);
  if (SameFile(*out, "/dev/null"))
    WriteDevNull(*out, text);
  else
    SafeWriteFile(*out, text);
}

// ---- Messages ----

std::string CliUi::MessagesText() const {
  std::string out;
  for (const auto& m : messages) {
    if (!out.empty()) out += "; ";
    out += m;
  }
  return OneLine(out);
}

CliUi& TheUi() {
  static CliUi ui;
  return ui;
}

std::string OneLine(const std::string& text) {
  std::string flat = text;
  for (char& c : flat)
    if (c == '\n' || c == '\r') c = ' ';
  return EscapeControlChars(flat, LineBreaks::Escape);
}

std::string ShownName(const std::string& name) {
  return EscapeControlChars(name, LineBreaks::Escape);
}

std::string Num(double v) {
  return ShortestRoundTrip(v);
}

std::string Num(float v) {
  return ShortestRoundTripFloat(v);
}

std::string CsvField(const std::string& s) {
  if (s.find_first_of(",\"\r\n") == std::string::npos) return s;
  std::string out = "\"";
  for (char c : s) {
    if (c == '"') out += '"';
    out += c;
  }
  return out + "\"";
}

}  // namespace sorrel::cli
