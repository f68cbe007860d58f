#pragma once
// Text spectra: XY text (mass TAB intensity per line) and Y-only text (one
// intensity per line, masses stepping by 1 from a first mass).
#include <string>

#include "core/common/Types.h"

namespace sorrel {

// Writes points as XY text, each number through FormatValue, lines ended
// by CR LF. Throws SorrelError naming the file when it cannot be written.
void SaveXYList(const tXYarray& points, const std::string& fileName);

// The text of an XY text file of `points`: each number in the 15-digit
// general format of the 32-bit value widened to 64 bits.
std::string XYText(const tXYarray& points);

// True when the name's extension is .prn (any letter case).
bool IsYOnlyName(const std::string& fileName);

}  // namespace sorrel
