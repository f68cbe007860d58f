#include "core/training/Training.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <string_view>

#include "core/common/NumberText.h"
#include "core/common/Paths.h"
#include "core/common/TextFile.h"
#include "core/plots/PreprocFrame.h"

namespace sorrel {

namespace {

const char* const kGeneral = "General";
const char* const kPreprocess = "Preprocess";
const char* const kLoadedSpec = "LoadedSpec";
const char* const kPCA = "PCA";

std::string LoadingKey(int k) {
  return "Loading[" + std::to_string(k) + "]";
}

std::string SpectrumKey(size_t k) {
  return "Spectrum[" + std::to_string(k) + "]";
}

const char* const kCalibratedName = "calibrated";

// Numbers separated by single tabs, each written by `text`.
std::string JoinRow(const adouble& values, std::string (*text)(double)) {
  std::string out;
  for (size_t i = 0; i < values.size(); ++i) {
    if (i) out += '\t';
    out += text(values[i]);
  }
  return out;
}

// The class model's numbers are written in their shortest exact form, so
// that a training read back answers exactly as the one that was saved.
std::string ExactRow(const adouble& values) {
  return JoinRow(values, ShortestRoundTrip);
}

// The number of a key, or NaN when it is missing or not a number (the
// model then reports itself incomplete).
double ReadExact(const TMemIniFile& ini, const char* key) {
  const auto v = ParseNumber(ini.ReadString(kClassModelSection, key, ""));
  return v ? *v : std::nan("");
}

}  // namespace

double OneDecimal(double x) {
  // A value whose tenfold overflows is a whole number already. nearbyint
  // rounds halves to the even neighbour in the default rounding mode.
  const double scaled = x * 10.0;
  if (!std::isfinite(scaled)) return x;
  return std::nearbyint(scaled) / 10.0;
}

std::string RowValueText(double x) {
  if (x == 0.0 || !std::isfinite(x)) return FormatGeneral(x, 12);
  char buf[64];
  auto res = std::to_chars(buf, buf + sizeof buf, std::fabs(x), std::chars_format::scientific, 11);
  std::string_view s(buf, static_cast<size_t>(res.ptr - buf));
  const size_t ePos = s.find('e');
  std::string digits;
  for (char c : s.substr(0, ePos))
    if (c != '.') digits.push_back(c);
  while (digits.size() > 1 && digits.back() == '0')
    digits.pop_back();
  int e = 0;
  std::string_view ex = s.substr(ePos + 1);
  if (!ex.empty() && ex[0] == '+') ex.remove_prefix(1);
  std::from_chars(ex.data(), ex.data() + ex.size(), e);

  std::string out = x < 0 ? "-" : "";
  if (e < -5 || e >= 12) {
    out += digits[0];
    if (digits.size() > 1) {
      out += '.';
      out.append(digits, 1, std::string::npos);
    }
    out += 'E';
    if (e < 0) out += '-';
    std::string exp = std::to_string(e < 0 ? -e : e);
    if (exp.size() < 4) exp.insert(0, 4 - exp.size(), '0');
    out += exp;
  } else if (e < 0) {
    out += "0.";
    out.append(static_cast<size_t>(-e - 1), '0');
    out += digits;
  } else {
    const size_t intDigits = static_cast<size_t>(e) + 1;
    if (digits.size() <= intDigits) {
      out += digits;
      out.append(intDigits - digits.size(), '0');
    } else {
      out.append(digits, 0, intDigits);
      out += '.';
      out.append(digits, intDigits, std::string::npos);
    }
  }
  return out;
}

std::string WriteRow(const adouble& values) {
  return JoinRow(values, RowValueText);
}

void ReadRow(const std::string& text, size_t count, adouble& values) {
  if (text.empty()) return;
  adouble result(count, 0.0);
  size_t filled = 0, fields = 0, start = 0;
  while (fields < count) {
    const size_t tab = text.find('\t', start);
    const std::string_view field = std::string_view(text).substr(
        start, tab == std::string::npos ? std::string::npos : tab - start);
    ++fields;
    if (auto v = ParseNumber(field)) result[filled++] = *v;
    if (tab == std::string::npos) break;
    start = tab + 1;
  }
  values = std::move(result);
}

TTraining::TTraining(const std::string& fileName) : TMemIniFile(fileName) {}

void TTraining::Open() {
  Locked = false;
  LoadedSpec.clear();
  DefaultTml = ReadString(kGeneral, "DefaultTml", "");
  Compound = ReadString(kGeneral, "Compound", "");
  NLoadings = ReadInteger(kGeneral, "NLoadings", 0);
  Calculated = ReadBool(kGeneral, "Calculated", false);
  PPID = ReadFloat(kGeneral, "PositID", 1);
  PNID = ReadFloat(kGeneral, "PossibID", 3);
  PrecPower = ReadInteger(kGeneral, "PrecPower", 0);
  LowBound = ReadInteger(kPreprocess, "LowBound", 0);
  HighBound = ReadInteger(kPreprocess, "HighBound", 0);
  Normalize = ReadBool(kPreprocess, "Normalize", Normalize);
  IncSens = ReadFloat(kPreprocess, "IncSens", IncSens);
  for (int k = 1; k <= kMaxLoadedSpec; ++k) {
    std::string name = ReadString(kLoadedSpec, std::to_string(k), "");
    if (!name.empty()) LoadedSpec.push_back(std::move(name));
  }
  ReadClassModel();
  if (!Calculated) return;
  const int32_t nPoints = ReadInteger(kPCA, "NPoints", 0);
  // A missing, negative or absurd point count leaves the training marked
  // calculated without results (HasResults tells).
  if (nPoints <= 0 || nPoints > kMaxTrainingPoints) return;
  RMSG = ReadFloat(kPCA, "RMSG", 1);
  RcM = ReadFloat(kPCA, "RcM", 0);
  ReadRow(ReadString(kPCA, "Xvals", ""), static_cast<size_t>(nPoints), Xvals);
  Calculated = NLoadings > 0 && NLoadings <= kMaxTrainingLoadings;
  if (!Calculated) return;
  Loadings.assign(static_cast<size_t>(NLoadings), adouble());
  for (int k = 1; k <= NLoadings; ++k) {
    adouble& row = Loadings[static_cast<size_t>(k - 1)];
    ReadRow(ReadString(kPCA, LoadingKey(k), ""), static_cast<size_t>(nPoints), row);
    if (row.empty()) {
      Calculated = false;
      return;
    }
  }
  // The matrix row holds (NLoadings+1)^2 values whatever the point count:
  // reading it with NPoints values would cut the matrix of a training whose
  // mass window is narrower than that.
  const size_t dim = static_cast<size_t>(NLoadings) + 1;
  adouble flat;
  ReadRow(ReadString(kPCA, "MahalMat", ""), dim * dim, flat);
  Calculated = !flat.empty();
  if (!Calculated) return;
  MahalMat.assign(dim, adouble(dim, 0.0));
  for (size_t p = 0; p < dim; ++p)
    for (size_t q = 0; q < dim; ++q)
      MahalMat[p][q] = flat[p * dim + q];
}

void TTraining::Save(bool Update) {
  Clear();
  WriteString(kGeneral, "DefaultTml", DefaultTml);
  WriteString(kGeneral, "Compound", Compound);
  if (Loadings.size() < static_cast<size_t>(std::max<int32_t>(NLoadings, 0)))
    NLoadings = static_cast<int32_t>(Loadings.size());
  WriteInteger(kGeneral, "NLoadings", NLoadings);
  Calculated = Calculated && NLoadings > 0 && !MahalMat.empty();
  WriteBool(kGeneral, "Calculated", Calculated);
  WriteFloat(kGeneral, "PositID", PPID);
  WriteFloat(kGeneral, "PossibID", PNID);
  WriteInteger(kGeneral, "PrecPower", PrecPower);
  WriteInteger(kPreprocess, "LowBound", LowBound);
  WriteInteger(kPreprocess, "HighBound", HighBound);
  WriteBool(kPreprocess, "Normalize", Normalize);
  // One decimal; the field itself keeps its value.
  WriteFloat(kPreprocess, "IncSens", OneDecimal(IncSens));
  for (size_t i = 0; i < LoadedSpec.size(); ++i)
    WriteString(kLoadedSpec, std::to_string(i + 1), LoadedSpec[i]);
  if (Calculated) {
    WriteInteger(kPCA, "NPoints", static_cast<int64_t>(Xvals.size()));
    WriteFloat(kPCA, "RMSG", RMSG);
    WriteFloat(kPCA, "RcM", RcM);
    WriteString(kPCA, "Xvals", WriteRow(Xvals));
    for (int k = 1; k <= NLoadings; ++k)
      WriteString(kPCA, LoadingKey(k), WriteRow(Loadings[static_cast<size_t>(k - 1)]));
    adouble flat;
    for (const adouble& row : MahalMat)
      flat.insert(flat.end(), row.begin(), row.end());
    WriteString(kPCA, "MahalMat", WriteRow(flat));
  }
  WriteClassModel();
  if (Update) UpdateFile();
}

std::string TTraining::DirName() const {
  return ExtractFilePath(FileName());
}

adouble TTraining::Preproc(PreprocFrame& pl0, PreprocFrame& plX) {
  adouble row;
  PreprocessSpectrum({LowBound, HighBound, Normalize, IncSens}, pl0, plX, row, Xvals);
  return row;
}

void TTraining::ReadClassModel() {
  ClassModel = tClassModel::Standard;
  Calibration = tCalibration();
  unknownModel_.clear();
  if (!SectionExists(kClassModelSection)) return;
  const std::string model = ReadString(kClassModelSection, "Model", "");
  if (!SameText(model, kCalibratedName)) {
    unknownModel_ = ReadSectionValues(kClassModelSection);
    return;
  }
  ClassModel = tClassModel::Calibrated;
  tCalibration& c = Calibration;
  c.Significance = ReadExact(*this, "Significance");
  c.PossSignificance = ReadExact(*this, "PossSignificance");
  c.Mean = ReadExact(*this, "Mean");
  c.DoF = ReadExact(*this, "DoF");
  c.YesLimit = ReadExact(*this, "YesLimit");
  c.PossLimit = ReadExact(*this, "PossLimit");
  const int32_t nSpectra = ReadInteger(kClassModelSection, "NSpectra", 0);
  const int32_t nPoints = ReadInteger(kPCA, "NPoints", 0);
  // Within the limits of the training itself; anything else leaves the
  // model incomplete, which ClassModelProblem reports.
  if (nSpectra <= 0 || nSpectra > kMaxLoadedSpec || nPoints <= 0 || nPoints > kMaxTrainingPoints)
    return;
  ReadRow(ReadString(kClassModelSection, "Distances", ""), static_cast<size_t>(nSpectra),
          c.Distances);
  for (int32_t k = 1; k <= nSpectra; ++k) {
    adouble row;
    ReadRow(ReadString(kClassModelSection, SpectrumKey(static_cast<size_t>(k)), ""),
            static_cast<size_t>(nPoints), row);
    if (row.empty()) return;
    c.Spectra.push_back(std::move(row));
  }
}

void TTraining::WriteClassModel() {
  if (!unknownModel_.empty()) {
    for (const auto& [key, value] : unknownModel_)
      AppendString(kClassModelSection, key, value);
    return;
  }
  // The limits belong to the training's results: a training that is not
  // (or no longer) calculated has none.
  if (ClassModel != tClassModel::Calibrated || !Calculated) return;
  const tCalibration& c = Calibration;
  WriteString(kClassModelSection, "Model", kCalibratedName);
  WriteString(kClassModelSection, "Significance", ShortestRoundTrip(c.Significance));
  WriteString(kClassModelSection, "PossSignificance", ShortestRoundTrip(c.PossSignificance));
  WriteString(kClassModelSection, "YesLimit", ShortestRoundTrip(c.YesLimit));
  WriteString(kClassModelSection, "PossLimit", ShortestRoundTrip(c.PossLimit));
  WriteString(kClassModelSection, "Mean", ShortestRoundTrip(c.Mean));
  WriteString(kClassModelSection, "DoF", ShortestRoundTrip(c.DoF));
  WriteInteger(kClassModelSection, "NSpectra", static_cast<int64_t>(c.Spectra.size()));
  WriteString(kClassModelSection, "Distances", ExactRow(c.Distances));
  for (size_t k = 0; k < c.Spectra.size(); ++k)
    WriteString(kClassModelSection, SpectrumKey(k + 1), ExactRow(c.Spectra[k]));
}

std::string TTraining::ClassModelProblem() const {
  if (!unknownModel_.empty())
    return "its class model \"" + ReadString(kClassModelSection, "Model", "") +
           "\" is not known to this program";
  if (ClassModel != tClassModel::Calibrated) return {};
  const std::string problem = Calibration.Problem(Xvals.size());
  return problem.empty() ? problem : "its calibrated class model is incomplete: " + problem;
}

bool TTraining::HasResults() const {
  if (!Calculated || NLoadings <= 0 || Loadings.size() < static_cast<size_t>(NLoadings))
    return false;
  const size_t m = Loadings[0].size();
  if (m == 0) return false;
  for (int k = 0; k < NLoadings; ++k)
    if (Loadings[static_cast<size_t>(k)].size() != m) return false;
  const size_t dim = static_cast<size_t>(NLoadings) + 1;
  if (MahalMat.size() != dim) return false;
  for (const adouble& row : MahalMat)
    if (row.size() != dim) return false;
  return true;
}

}  // namespace sorrel
