#pragma once
// The in-memory INI file: named sections of ordered key=value lines, loaded
// from its file when created with a name, read and written through typed
// accessors, and written back to disk only by an explicit UpdateFile.
// Section and key names compare without regard to letter case.
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace sorrel {

class TMemIniFile {
 public:
  // An empty object bound to no file.
  TMemIniFile() = default;
  // Loads `fileName` when it exists; a missing file reads as empty. A file
  // that exists but cannot be read throws SorrelError naming it.
  explicit TMemIniFile(std::string fileName);
  virtual ~TMemIniFile() = default;
  TMemIniFile(const TMemIniFile&) = default;
  TMemIniFile& operator=(const TMemIniFile&) = default;

  const std::string& FileName() const { return fileName_; }
  // Binds the object to another file; with `reload` its contents are read
  // from that file (empty when it does not exist).
  void Rename(const std::string& fileName, bool reload);

  std::string ReadString(const std::string& section, const std::string& key,
                         const std::string& def) const;
  // Line breaks in the value become blanks (a value is one line).
  void WriteString(const std::string& section, const std::string& key, const std::string& value);
  // Adds key=value at the end of the section even when the key is there
  // already: for sections whose keys may repeat (a training list that
  // names a training twice).
  void AppendString(const std::string& section, const std::string& key, const std::string& value);
  // A value that is not a whole number gives the default.
  int32_t ReadInteger(const std::string& section, const std::string& key, int32_t def) const;
  void WriteInteger(const std::string& section, const std::string& key, int64_t value);
  // Written as 1 and 0; read as true for any whole number other than 0.
  bool ReadBool(const std::string& section, const std::string& key, bool def) const;
  void WriteBool(const std::string& section, const std::string& key, bool value);
  // Written in general format with 15 significant digits and "."; a value
  // that does not convert gives the default.
  double ReadFloat(const std::string& section, const std::string& key, double def) const;
  void WriteFloat(const std::string& section, const std::string& key, double value);

  bool SectionExists(const std::string& section) const;
  bool ValueExists(const std::string& section, const std::string& key) const;
  std::vector<std::string> ReadSections() const;
  // The keys of a section, in file order.
  std::vector<std::string> ReadSection(const std::string& section) const;
  // The key=value pairs of a section, in file order.
  std::vector<std::pair<std::string, std::string>> ReadSectionValues(
      const std::string& section) const;
  void EraseSection(const std::string& section);
  void DeleteKey(const std::string& section, const std::string& key);
  void Clear();

  // The whole contents as lines ("[section]", "key=value", an empty line
  // after each section) and back.
  std::vector<std::string> GetStrings() const;
  void SetStrings(const std::vector<std::string>& lines);
  // Replaces the whole contents by those of another object (not its name).
  void AssignContents(const TMemIniFile& other);

  // Writes the contents to the file, safely (temporary file and rename).
  // Throws SorrelError naming the file when it cannot be written.
  void UpdateFile() const;

 private:
  struct Section {
    std::string name;
    std::vector<std::pair<std::string, std::string>> values;
  };
  const Section* FindSection(const std::string& name) const;
  Section& AddSection(const std::string& name);
  std::string fileName_;
  std::vector<Section> sections_;
};

// Case-insensitive comparison of ASCII names.
bool SameText(const std::string& a, const std::string& b);

}  // namespace sorrel
