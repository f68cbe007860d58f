#include "core/common/IniFile.h"

#include "core/common/NumberText.h"
#include "core/common/Paths.h"
#include "core/common/SafeSave.h"
#include "core/common/TextFile.h"

namespace sorrel {

bool SameText(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    unsigned char x = static_cast<unsigned char>(a[i]), y = static_cast<unsigned char>(b[i]);
    if (x >= 'a' && x <= 'z') x -= 32;
    if (y >= 'a' && y <= 'z') y -= 32;
    if (x != y) return false;
  }
  return true;
}

TMemIniFile::TMemIniFile(std::string fileName) : fileName_(std::move(fileName)) {
  if (FileExists(fileName_)) SetStrings(ReadTextLines(fileName_));
}

void TMemIniFile::Rename(const std::string& fileName, bool reload) {
  fileName_ = fileName;
  if (reload) {
    Clear();
    if (FileExists(fileName_)) SetStrings(ReadTextLines(fileName_));
  }
}

const TMemIniFile::Section* TMemIniFile::FindSection(const std::string& name) const {
  for (const auto& s : sections_)
    if (SameText(s.name, name)) return &s;
  return nullptr;
}

TMemIniFile::Section& TMemIniFile::AddSection(const std::string& name) {
  for (auto& s : sections_)
    if (SameText(s.name, name)) return s;
  sections_.push_back(Section{name, {}});
  return sections_.back();
}

std::string TMemIniFile::ReadString(const std::string& section, const std::string& key,
                                    const std::string& def) const {
  if (const Section* s = FindSection(section))
    for (const auto& kv : s->values)
      if (SameText(kv.first, key)) return kv.second;
  return def;
}

namespace {

// A value as one line: a line break inside it would end the line in the
// file and let the rest read as a key or a section of its own.
std::string OneLine(std::string value) {
  for (char& c : value)
    if (c == '\r' || c == '\n') c = ' ';
  return value;
}

}  // namespace

void TMemIniFile::WriteString(const std::string& section, const std::string& key,
                              const std::string& rawValue) {
  const std::string value = OneLine(rawValue);
  Section& s = AddSection(section);
  for (auto& kv : s.values)
    if (SameText(kv.first, key)) {
      kv.second = value;
      return;
    }
  s.values.emplace_back(key, value);
}

void TMemIniFile::AppendString(const std::string& section, const std::string& key,
                               const std::string& value) {
  AddSection(section).values.emplace_back(key, OneLine(value));
}

int32_t TMemIniFile::ReadInteger(const std::string& section, const std::string& key,
                                 int32_t def) const {
  if (!ValueExists(section, key)) return def;
  auto v = ParseInt32(ReadString(section, key, ""));
  return v ? *v : def;
}

void TMemIniFile::WriteInteger(const std::string& section, const std::string& key, int64_t value) {
  WriteString(section, key, std::to_string(value));
}

bool TMemIniFile::ReadBool(const std::string& section, const std::string& key, bool def) const {
  return ReadInteger(section, key, def ? 1 : 0) != 0;
}

void TMemIniFile::WriteBool(const std::string& section, const std::string& key, bool value) {
  WriteString(section, key, value ? "1" : "0");
}

double TMemIniFile::ReadFloat(const std::string& section, const std::string& key,
                              double def) const {
  if (!ValueExists(section, key)) return def;
  auto v = ParseNumber(TrimBlanks(ReadString(section, key, "")));
  return v ? *v : def;
}

void TMemIniFile::WriteFloat(const std::string& section, const std::string& key, double value) {
  WriteString(section, key, FloatToStr(value));
}

bool TMemIniFile::SectionExists(const std::string& section) const {
  return FindSection(section) != nullptr;
}

bool TMemIniFile::ValueExists(const std::string& section, const std::string& key) const {
  if (const Section* s = FindSection(section))
    for (const auto& kv : s->values)
      if (SameText(kv.first, key)) return true;
  return false;
}

std::vector<std::string> TMemIniFile::ReadSections() const {
  std::vector<std::string> out;
  for (const auto& s : sections_)
    out.push_back(s.name);
  return out;
}

std::vector<std::string> TMemIniFile::ReadSection(const std::string& section) const {
  std::vector<std::string> out;
  if (const Section* s = FindSection(section))
    for (const auto& kv : s->values)
      out.push_back(kv.first);
  return out;
}

std::vector<std::pair<std::string, std::string>> TMemIniFile::ReadSectionValues(
    const std::string& section) const {
  if (const Section* s = FindSection(section)) return s->values;
  return {};
}

void TMemIniFile::EraseSection(const std::string& section) {
  for (auto it = sections_.begin(); it != sections_.end(); ++it)
    if (SameText(it->name, section)) {
      sections_.erase(it);
      return;
    }
}

void TMemIniFile::DeleteKey(const std::string& section, const std::string& key) {
  for (auto& s : sections_)
    if (SameText(s.name, section)) {
      for (auto it = s.values.begin(); it != s.values.end(); ++it)
        if (SameText(it->first, key)) {
          s.values.erase(it);
          return;
        }
    }
}

void TMemIniFile::Clear() {
  sections_.clear();
}

std::vector<std::string> TMemIniFile::GetStrings() const {
  std::vector<std::string> lines;
  for (const auto& s : sections_) {
    lines.push_back("[" + s.name + "]");
    for (const auto& kv : s.values)
      lines.push_back(kv.first + "=" + kv.second);
    lines.emplace_back();
  }
  return lines;
}

void TMemIniFile::SetStrings(const std::vector<std::string>& lines) {
  Clear();
  Section* current = nullptr;
  for (const auto& raw : lines) {
    std::string_view line = TrimBlanks(raw);
    if (line.empty() || line[0] == ';') continue;
    if (line.front() == '[' && line.back() == ']' && line.size() >= 2) {
      current = &AddSection(std::string(TrimBlanks(line.substr(1, line.size() - 2))));
      continue;
    }
    if (!current) continue;  // lines before the first section belong nowhere
    auto eq = line.find('=');
    if (eq == std::string_view::npos) {
      current->values.emplace_back(std::string(line), std::string());
    } else {
      current->values.emplace_back(std::string(TrimBlanks(line.substr(0, eq))),
                                   std::string(TrimBlanks(line.substr(eq + 1))));
    }
  }
}

void TMemIniFile::AssignContents(const TMemIniFile& other) {
  if (&other != this) sections_ = other.sections_;
}

void TMemIniFile::UpdateFile() const {
  SafeWriteFile(fileName_, JoinLinesCRLF(GetStrings()));
}

}  // namespace sorrel
