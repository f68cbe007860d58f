#pragma once
// THDIndex: the index of an HD run file.
#include <cstdint>
#include <string>
#include <vector>

namespace sorrel {

class THDIndex {
 public:
  bool IndexFile(const std::string& sFileName);

  std::string s_FileName;
  bool ErrorFlag = false;
  std::vector<uint32_t> aIndexTable;
  std::vector<float> aTIC;
  std::vector<float> aRetTime;
};

}  // namespace sorrel
