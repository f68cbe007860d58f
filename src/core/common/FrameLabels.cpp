#include "core/common/FrameLabels.h"

namespace sorrel {

char IndexChar(int n) {
  if (n >= 0 && n <= 9) return static_cast<char>('0' + n);
  if (n >= 10 && n <= 35) return static_cast<char>('A' + n - 10);
  return '\0';
}

int CharIndex(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'Z') return c - 'A' + 10;
  return -1;
}

}  // namespace sorrel
