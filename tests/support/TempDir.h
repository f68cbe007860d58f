#pragma once
// A scratch directory for one test, removed with everything in it.
#include <string>

namespace sorrel::test {

class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  // The directory with a trailing "/".
  const std::string& Path() const { return path_; }
  std::string File(const std::string& name) const { return path_ + name; }
  // Writes bytes to a file in the directory and returns its path.
  std::string Write(const std::string& name, const std::string& bytes) const;

 private:
  std::string path_;
};

// A program directory for one test: ProgramDir answers it, Config/ and
// Data/ are in it (so that no frame asks for them), and the real program
// directory comes back at the end.
class ScratchProgramDir : public TempDir {
 public:
  ScratchProgramDir();
  ~ScratchProgramDir();
  std::string Config(const std::string& name = "") const { return Path() + "Config/" + name; }
  std::string Data(const std::string& name = "") const { return Path() + "Data/" + name; }
};

// Reads a whole file (test helper; fails the test when it cannot).
std::string ReadAll(const std::string& path);

// A fixture of tests/data, or of the shared instrument data (empty when
// that folder is absent: tests using it skip themselves).
std::string TestData(const std::string& relative);
std::string SharedData(const std::string& relative);

}  // namespace sorrel::test
