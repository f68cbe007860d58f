#pragma once
// JSON output of the command line. Documents are built as nlohmann/json
// values (keys in the order they are added) and written as one line.
// Strings are escaped by the library, and a byte that is not UTF-8 (in a
// file name, say) becomes U+FFFD, so the output is always valid UTF-8.
// Numbers are written here: the library's own formatting is not always the
// shortest (it writes -76.02392999999999 for the double nearest -76.02393),
// so every number is written by std::to_chars, the shortest text that
// reads back as the value.
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "core/common/Types.h"

namespace sorrel::cli {

using Json = nlohmann::ordered_json;

// A 64-bit value; null when not finite.
Json JsonNumber(double v);
// A 32-bit value, written as the shortest text that reads back as that
// float (6.57, not 6.570000171661377); null when not finite.
Json JsonNumber(float v);
Json JsonArray(const std::vector<double>& v);
Json JsonArray(const std::vector<float>& v);
Json JsonMatrix(const std::vector<std::vector<double>>& m);
// One column of points (0: X, 1: Y).
Json JsonColumn(const tXYarray& points, int column);

// The document as one line of text, ended by a line feed.
std::string JsonText(const Json& document);

}  // namespace sorrel::cli
