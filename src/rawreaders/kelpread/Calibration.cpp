#include "rawreaders/kelpread/Calibration.h"

#include <charconv>
#include <cmath>

#include "rawreaders/common/RawFiles.h"
#include "rawreaders/kelpread/CalibrationKernels.h"

namespace kelp {

namespace {

std::string_view TrimField(std::string_view f) {
  size_t b = 0, e = f.size();
  while (b < e && (f[b] == ' ' || f[b] == '\t' || f[b] == '\r'))
    ++b;
  while (e > b && (f[e - 1] == ' ' || f[e - 1] == '\t' || f[e - 1] == '\r'))
    --e;
  return f.substr(b, e - b);
}

// A coefficient field: a whole number text, locale-free. Nothing at all
// counts as 0, as an empty value after the entry's colon.
bool ParseCoefficient(std::string_view f, double& value) {
  f = TrimField(f);
  if (f.empty()) {
    value = 0;
    return true;
  }
  if (f.front() == '+') f.remove_prefix(1);
  auto [end, ec] = std::from_chars(f.data(), f.data() + f.size(), value);
  return ec == std::errc() && end == f.data() + f.size() && std::isfinite(value);
}

// The fields of the text: split at commas and at line ends. A line end
// after the last field of the text opens no further field.
template <class Visit>
bool ForEachField(std::string_view text, Visit visit) {
  size_t pos = 0;
  while (pos < text.size()) {
    size_t eol = text.find('\n', pos);
    std::string_view line = text.substr(pos, eol == std::string_view::npos ? eol : eol - pos);
    pos = eol == std::string_view::npos ? text.size() : eol + 1;
    size_t start = 0;
    while (true) {
      size_t comma = line.find(',', start);
      std::string_view field =
          line.substr(start, comma == std::string_view::npos ? comma : comma - start);
      if (!visit(TrimField(field))) return false;
      if (comma == std::string_view::npos) break;
      start = comma + 1;
    }
  }
  return true;
}

}  // namespace

int16_t ParseCalibration(std::string_view text, int function, Calibration& cal) {
  const std::string prefix = "$$ Cal Function " + std::to_string(function) + ":";
  std::vector<double> coefficients;
  bool inEntry = false;
  bool squareRoot = false;
  int16_t status = KELP_OK;

  ForEachField(text, [&](std::string_view field) {
    if (!inEntry) {
      if (field.substr(0, prefix.size()) == prefix) {
        // A later entry for the same function replaces one that a "$$"
        // field ended.
        inEntry = true;
        coefficients.clear();
        double c;
        if (!ParseCoefficient(field.substr(prefix.size()), c)) {
          status = KELP_UNKNOWN_FORMAT;
          return false;
        }
        coefficients.push_back(c);
      }
      return true;
    }
    if (field == "T1" || field == "T0" || field.empty()) {
      squareRoot = field == "T1";
      inEntry = false;
      return false;  // reading stops at the entry's end
    }
    if (field.substr(0, 2) == "$$") {
      coefficients.push_back(0);
      squareRoot = false;
      inEntry = false;
      return true;
    }
    double c;
    if (!ParseCoefficient(field, c)) {
      status = KELP_UNKNOWN_FORMAT;
      return false;
    }
    coefficients.push_back(c);
    return true;
  });
  if (status != KELP_OK) return status;
  // A header cut off inside the entry may have lost coefficients or digits.
  if (inEntry) return KELP_INPUT_PAST_END;

  // A negligible last coefficient is dropped (one at most). Coefficients
  // that sum to 1 are taken as the identity.
  if (!coefficients.empty() && std::fabs(coefficients.back()) < 1e-20) coefficients.pop_back();
  double sum = 0;
  for (double c : coefficients)
    sum += c;
  cal.coefficients = coefficients;
  cal.squareRoot = squareRoot;
  cal.active = !coefficients.empty() && !(std::fabs(sum - 1.0) <= 1e-6);
  return KELP_OK;
}

int16_t ReadCalibration(const std::string& dir, int function, Calibration& cal) {
  RawFile file;
  int16_t status = file.Open(dir + "_HEADER.TXT");
  if (status != KELP_OK) return status;
  std::string text(static_cast<size_t>(file.Size()), '\0');
  status = file.ReadExact(text.data(), text.size());
  if (status != KELP_OK) return status;
  return ParseCalibration(text, function, cal);
}

void Calibrate(const Calibration& cal, float* masses, size_t count) {
  if (!cal.active || cal.coefficients.empty()) return;
  static const VectorIsa isa = BestIsa();
  CalibrateMasses(isa, cal.coefficients.data(), cal.coefficients.size(), cal.squareRoot, masses,
                  count);
}

}  // namespace kelp
