#pragma once
// The one-character labels of plot frames: 0..9, then A..Z (35 frames at most).

namespace sorrel {

// 0..9 -> '0'..'9', 10..35 -> 'A'..'Z', anything else -> '\0'.
char IndexChar(int n);
// '0'..'9' -> 0..9, 'A'..'Z' -> 10..35, anything else -> -1.
int CharIndex(char c);

}  // namespace sorrel
