#include "core/mainwindow/CommandScript.h"

#include <algorithm>

#include "core/common/Errors.h"
#include "core/common/IniFile.h"
#include "core/common/Paths.h"
#include "core/common/UiHooks.h"
#include "core/mainwindow/MainWindowLogic.h"
#include "core/plots/PlotCollection.h"
#include "core/plots/PlotFrame.h"

namespace sorrel {

namespace {

const char* const kSyntaxError = "Wrong command syntax.";
const char* const kOutsideTraining = "All the spectra must be in the training directory !";
// The keyword "OpenSpec" and the three characters that follow it.
constexpr size_t kPathStart = 11;

bool IsLetter(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_';
}

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

bool IsBlank(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

std::string Trim(const std::string& s) {
  size_t b = 0, e = s.size();
  while (b < e && IsBlank(s[b]))
    ++b;
  while (e > b && IsBlank(s[e - 1]))
    --e;
  return s.substr(b, e - b);
}

// Directories compared without regard to letter case and to a trailing "/".
bool SameDirectory(std::string a, std::string b) {
  while (a.size() > 1 && a.back() == '/')
    a.pop_back();
  while (b.size() > 1 && b.back() == '/')
    b.pop_back();
  return SameText(a, b);
}

bool OpenAnotherCopy(const std::string& path) {
  return Ui().Confirm("The file \"" + path + "\"\nhas been already opened. Open another copy?");
}

}  // namespace

ScriptToken ScriptTokenizer::Next() {
  while (pos_ < line_.size() && IsBlank(line_[pos_]))
    ++pos_;
  ScriptToken t;
  if (pos_ >= line_.size()) return t;
  const size_t start = pos_;
  const char c = line_[pos_];
  if (IsLetter(c)) {
    t.kind = ScriptToken::kWord;
    while (pos_ < line_.size() && (IsLetter(line_[pos_]) || IsDigit(line_[pos_])))
      ++pos_;
    t.text = line_.substr(start, pos_ - start);
  } else if (IsDigit(c)) {
    t.kind = ScriptToken::kNumber;
    while (pos_ < line_.size() && IsDigit(line_[pos_]))
      ++pos_;
    if (pos_ + 1 < line_.size() && line_[pos_] == '.' && IsDigit(line_[pos_ + 1])) {
      ++pos_;
      while (pos_ < line_.size() && IsDigit(line_[pos_]))
        ++pos_;
    }
    if (pos_ < line_.size() && (line_[pos_] == 'e' || line_[pos_] == 'E')) {
      size_t e = pos_ + 1;
      if (e < line_.size() && (line_[e] == '+' || line_[e] == '-')) ++e;
      if (e < line_.size() && IsDigit(line_[e])) {
        pos_ = e;
        while (pos_ < line_.size() && IsDigit(line_[pos_]))
          ++pos_;
      }
    }
    t.text = line_.substr(start, pos_ - start);
  } else if (c == '\'' || c == '"') {
    t.kind = ScriptToken::kString;
    ++pos_;
    for (;;) {
      if (pos_ >= line_.size())
        throw SorrelError("Unterminated string in the command " + std::string(line_));
      if (line_[pos_] == c) {
        // A quote written twice stands for itself.
        if (pos_ + 1 < line_.size() && line_[pos_ + 1] == c) {
          t.text.push_back(c);
          pos_ += 2;
          continue;
        }
        ++pos_;
        break;
      }
      t.text.push_back(line_[pos_++]);
    }
  } else {
    t.kind = ScriptToken::kSymbol;
    t.text = std::string(1, c);
    ++pos_;
  }
  return t;
}

bool CommandScript::Interpret(const std::string& command) {
  log_.push_back(command);
  window_.LogChanged();
  if (!command.empty() && (command[0] == '\'' || command[0] == ';')) return true;
  // A blank line is nothing to do, like a comment.
  if (Trim(command).empty()) return true;
  while (log_.size() > kMaxLogLines)
    log_.pop_front();

  bool success = false;
  try {
    ScriptTokenizer tokens(command);
    const ScriptToken first = tokens.Next();
    if (first.kind != ScriptToken::kWord) {
      Ui().ShowMessage(kSyntaxError);
      return true;
    }
    if (first.text == "OpenSpec") {
      const ScriptToken next = tokens.Next();
      const std::optional<bool> kept =
          next.kind == ScriptToken::kEnd ? OpenSpecDialog() : OpenSpecPath(command);
      if (!kept) return true;
      success = *kept;
    } else if (first.text == "CloseSpec") {
      const ScriptToken next = tokens.Next();
      if (next.kind != ScriptToken::kWord) {
        Ui().ShowMessage(kSyntaxError);
        return true;
      }
      // Closing the active frame as many times as there can be frames
      // closes them all.
      const int times = next.text == "All"      ? PlotCollection::MaxNPlots
                        : next.text == "Active" ? 1
                                                : 0;
      for (int i = 0; i < times; ++i)
        window_.CloseActive();
      success = true;
    }
  } catch (const SorrelError& e) {
    // A line that cannot be split into tokens.
    Ui().ShowMessage(e.what());
    return true;
  }
  log_.push_back(success ? ">OK" : ">Problem");
  window_.LogChanged();
  window_.AfterCommand();
  return success;
}

std::optional<bool> CommandScript::OpenSpecDialog() {
  const TTraining& training = window_.Training();
  FileDialogRequest r;
  r.title = "Open XY Spec File(s) - multiselect";
  r.filters = {{"XY text (*.txt)", "*.txt"}};
  r.defaultExt = "txt";
  r.initialDir = training.DirName();
  r.multiSelect = true;
  const std::vector<std::string> files = Ui().OpenFileDialog(r);
  if (files.empty()) return std::nullopt;

  PlotCollection& plots = window_.Plots();
  // One frame number stays free.
  const int room = std::max(0, PlotCollection::MaxNPlots - plots.Count() - 1);
  const size_t taken = std::min(files.size(), static_cast<size_t>(room));
  bool kept = false;
  for (size_t i = 0; i < taken; ++i) {
    const std::string& file = files[i];
    if (plots.IdxByFilename(file) >= 0 && !OpenAnotherCopy(file)) continue;
    // The file chosen, not the frame's file after opening: a file the store
    // cannot read leaves the frame without a name, and it is not outside
    // the training's directory for that.
    if (!SameDirectory(ExtractFilePath(file), training.DirName())) {
      Ui().ShowMessage(kOutsideTraining);
      return std::nullopt;
    }
    if (window_.OpenSpectrumFrame(file) >= 0) kept = true;
  }
  return kept;
}

std::optional<bool> CommandScript::OpenSpecPath(const std::string& command) {
  const std::string path = Trim(command.size() > kPathStart ? command.substr(kPathStart) : "");
  if (!FileExists(path)) {
    Ui().ShowMessage("File does not exist. " + path);
    return std::nullopt;
  }
  if (!SameDirectory(ExtractFilePath(path), window_.Training().DirName())) {
    Ui().ShowMessage(kOutsideTraining);
    return std::nullopt;
  }
  if (window_.Plots().IdxByFilename(path) >= 0 && !OpenAnotherCopy(path)) return std::nullopt;
  return window_.OpenSpectrumFrame(path) >= 0;
}

}  // namespace sorrel
