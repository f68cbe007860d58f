#include "cli/CliJson.h"

#include <charconv>
#include <cmath>

#include "core/common/NumberText.h"

namespace sorrel::cli {

Json JsonNumber(double v) {
  if (!std::isfinite(v)) return nullptr;
  return v;
}

Json JsonNumber(float v) {
  if (!std::isfinite(v)) return nullptr;
  // The double nearest to the float's shortest text has that same text as
  // its own shortest form, so the writer below gives the float's digits,
  // and a reader that takes them back as a float gets the stored value.
  const std::string text = ShortestRoundTripFloat(v);
  double d = 0;
  std::from_chars(text.data(), text.data() + text.size(), d);
  return d;
}

Json JsonArray(const std::vector<double>& v) {
  Json a = Json::array();
  for (double x : v)
    a.push_back(JsonNumber(x));
  return a;
}

Json JsonArray(const std::vector<float>& v) {
  Json a = Json::array();
  for (float x : v)
    a.push_back(JsonNumber(x));
  return a;
}

Json JsonMatrix(const std::vector<std::vector<double>>& m) {
  Json a = Json::array();
  for (const auto& row : m)
    a.push_back(JsonArray(row));
  return a;
}

Json JsonColumn(const tXYarray& points, int column) {
  Json a = Json::array();
  for (const dPoint& p : points)
    a.push_back(JsonNumber(p[static_cast<size_t>(column)]));
  return a;
}

namespace {

void Write(std::string& out, const Json& j) {
  switch (j.type()) {
    case Json::value_t::object: {
      out += '{';
      bool first = true;
      for (auto it = j.begin(); it != j.end(); ++it) {
        if (!first) out += ',';
        first = false;
        out += Json(it.key()).dump(-1, ' ', false, Json::error_handler_t::replace);
        out += ':';
        Write(out, it.value());
      }
      out += '}';
      break;
    }
    case Json::value_t::array: {
      out += '[';
      bool first = true;
      for (const Json& e : j) {
        if (!first) out += ',';
        first = false;
        Write(out, e);
      }
      out += ']';
      break;
    }
    case Json::value_t::number_float: {
      const double v = j.get<double>();
      out += std::isfinite(v) ? ShortestRoundTrip(v) : "null";
      break;
    }
    default:
      // Strings (invalid UTF-8 replaced by U+FFFD), whole numbers, Booleans, null.
      out += j.dump(-1, ' ', false, Json::error_handler_t::replace);
  }
}

}  // namespace

std::string JsonText(const Json& document) {
  std::string out;
  Write(out, document);
  out += '\n';
  return out;
}

}  // namespace sorrel::cli
