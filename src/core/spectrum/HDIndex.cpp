#include "spectrum/HDIndex.h"

namespace sorrel {

bool THDIndex::IndexFile(const std::string& sFileName) {
  s_FileName = sFileName;
  return false;
}

}  // namespace sorrel
