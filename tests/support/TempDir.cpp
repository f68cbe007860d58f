#include "TempDir.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "core/common/Directories.h"

namespace sorrel::test {

TempDir::TempDir() {
  std::string tmpl = (std::filesystem::temp_directory_path() / "sorrel-test-XXXXXX").string();
  char* p = mkdtemp(tmpl.data());
  if (!p) throw std::runtime_error("mkdtemp failed");
  path_ = std::string(p) + "/";
}

TempDir::~TempDir() {
  std::error_code ec;
  // Tests may leave read-only directories behind; make them writable first.
  for (auto& e : std::filesystem::recursive_directory_iterator(path_, ec))
    std::filesystem::permissions(e.path(), std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::add, ec);
  std::filesystem::remove_all(path_, ec);
}

ScratchProgramDir::ScratchProgramDir() {
  std::filesystem::create_directory(Path() + "Config");
  std::filesystem::create_directory(Path() + "Data");
  SetProgramDir(Path());
}

ScratchProgramDir::~ScratchProgramDir() {
  SetProgramDir("");
}

std::string TempDir::Write(const std::string& name, const std::string& bytes) const {
  std::string p = path_ + name;
  std::ofstream out(p, std::ios::binary);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  return p;
}

std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  EXPECT_TRUE(in.good()) << "cannot read " << path;
  std::ostringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

std::string TestData(const std::string& relative) {
  return std::string(SORREL_TEST_DATA_DIR) + "/" + relative;
}

std::string SharedData(const std::string& relative) {
  std::string p = std::string(SORREL_SHARED_DATA_DIR) + "/" + relative;
  if (!std::filesystem::exists(p)) return {};
  return p;
}

}  // namespace sorrel::test
