#include "cli/Cli.h"

#include <cmath>

#include "core/common/Errors.h"
#include "core/common/NumberText.h"
#include "core/common/Paths.h"
#include "core/common/SafeSave.h"
#include "core/common/TextFile.h"

namespace sorrel::cli {

void Args::Flag(const std::string& name) {
  flags_[name] = false;
}

void Args::Option(const std::string& name, bool repeatable) {
  flags_[name] = true;
  repeat_[name] = repeatable;
}

void Args::Parse(const std::vector<std::string>& argv) {
  bool onlyPositional = false;
  for (size_t i = 0; i < argv.size(); ++i) {
    const std::string& a = argv[i];
    if (onlyPositional || a.size() < 2 || a[0] != '-' || (a[1] != '-' && a != "-o")) {
      // "-5" style negative numbers and "-" are positional.
      if (!onlyPositional && a.size() >= 2 && a[0] == '-' && !(a[1] >= '0' && a[1] <= '9') &&
          a[1] != '.')
        throw UsageError("unknown option " + a);
      positional_.push_back(a);
      continue;
    }
    if (a == "--") {
      onlyPositional = true;
      continue;
    }
    std::string name = a, value;
    bool inlineValue = false;
    if (auto eq = a.find('='); eq != std::string::npos && a.rfind("--", 0) == 0) {
      name = a.substr(0, eq);
      value = a.substr(eq + 1);
      inlineValue = true;
    }
    auto it = flags_.find(name);
    if (it == flags_.end()) throw UsageError("unknown option " + name);
    if (!it->second) {
      if (inlineValue) throw UsageError("option " + name + " takes no value");
      values_[name].push_back("");
      continue;
    }
    if (!inlineValue) {
      if (i + 1 >= argv.size()) throw UsageError("option " + name + " needs a value");
      value = argv[++i];
    }
    auto& vals = values_[name];
    if (!vals.empty() && !repeat_[name]) throw UsageError("option " + name + " given twice");
    vals.push_back(value);
  }
}

bool Args::Has(const std::string& name) const {
  return values_.count(name) > 0;
}

std::optional<std::string> Args::Value(const std::string& name) const {
  auto it = values_.find(name);
  if (it == values_.end() || it->second.empty()) return std::nullopt;
  return it->second.back();
}

std::vector<std::string> Args::Values(const std::string& name) const {
  auto it = values_.find(name);
  return it == values_.end() ? std::vector<std::string>{} : it->second;
}

double Args::Number(const std::string& name, double def) const {
  auto v = Value(name);
  if (!v) return def;
  auto n = ParseNumber(TrimBlanks(*v));
  if (!n) throw UsageError("option " + name + " needs a number, not \"" + *v + "\"");
  return *n;
}

int Args::Integer(const std::string& name, int def) const {
  auto v = Value(name);
  if (!v) return def;
  auto n = ParseInt32(*v);
  if (!n) throw UsageError("option " + name + " needs a whole number, not \"" + *v + "\"");
  return *n;
}

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

void CheckOverwrite(const std::string& path, bool force) {
  if (!force && (FileExists(path) || DirectoryExists(path)))
    throw SorrelError(path + ": file exists (use --force to overwrite)");
}

void WriteOutput(const Args& args, const std::string& text) {
  if (auto out = args.Value("-o")) {
    CheckOverwrite(*out, args.Has("--force"));
    SafeWriteFile(*out, text);
  } else {
    std::fwrite(text.data(), 1, text.size(), stdout);
    std::fflush(stdout);
  }
}

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
  std::string out;
  for (char c : text)
    out.push_back((c == '\n' || c == '\r') ? ' ' : c);
  return out;
}

std::string JsonString(const std::string& s) {
  std::string out = "\"";
  for (unsigned char c : s) {
    switch (c) {
      case '"':
        out += "\\\"";
        break;
      case '\\':
        out += "\\\\";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\r':
        out += "\\r";
        break;
      case '\t':
        out += "\\t";
        break;
      default:
        if (c < 0x20) {
          char buf[8];
          std::snprintf(buf, sizeof buf, "\\u%04x", c);
          out += buf;
        } else {
          out.push_back(static_cast<char>(c));
        }
    }
  }
  return out + "\"";
}

std::string JsonNumber(double v) {
  if (!std::isfinite(v)) return "null";
  return ShortestRoundTrip(v);
}

std::string JsonArray(const std::vector<double>& v) {
  std::string out = "[";
  for (size_t i = 0; i < v.size(); ++i) {
    if (i) out += ",";
    out += JsonNumber(v[i]);
  }
  return out + "]";
}

std::string JsonMatrix(const std::vector<std::vector<double>>& m) {
  std::string out = "[";
  for (size_t i = 0; i < m.size(); ++i) {
    if (i) out += ",";
    out += JsonArray(m[i]);
  }
  return out + "]";
}

}  // namespace sorrel::cli
