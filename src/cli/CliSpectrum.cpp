#include "cli/CliSpectrum.h"

#include <limits>

#include "cli/CliJson.h"
#include "core/common/Errors.h"
#include "core/common/NumberText.h"

namespace sorrel::cli {

void DeclareSelectionOptions(Args& args) {
  args.Group("Selection (runs)");
  args.Option("--scan", "N", "scan N of a run, counted from 0")
      .Integer(0, std::numeric_limits<int32_t>::max());
  args.Flag("--apex", "the first scan of largest total intensity (the default)");
  args.Option("--range", "S:E[:W]",
              "weighted sum of the scans from S to E seconds, on unit masses; a negative "
              "weight W subtracts background; W is 1 when left out")
      .Check(WeightedRangeProblem, "")
      .Repeatable();
}

std::optional<WeightedRange> ReadWeightedRange(const std::string& text) {
  const auto c1 = text.find(':');
  if (c1 == std::string::npos) return std::nullopt;
  const auto c2 = text.find(':', c1 + 1);
  auto start = ParseNumber(TrimBlanks(text.substr(0, c1)));
  auto end = ParseNumber(
      TrimBlanks(text.substr(c1 + 1, c2 == std::string::npos ? std::string::npos : c2 - c1 - 1)));
  if (!start || !end || *start > *end) return std::nullopt;
  WeightedRange r;
  r.start = *start;
  r.end = *end;
  if (c2 != std::string::npos) {
    auto w = ParseFloat32(TrimBlanks(text.substr(c2 + 1)));
    if (!w) return std::nullopt;
    r.weight = *w;
  }
  return r;
}

std::string WeightedRangeProblem(const std::string& text) {
  if (ReadWeightedRange(text)) return {};
  return "\"" + OneLine(text) + "\" is not START:END[:WEIGHT], numbers with START not above END";
}

tXYarray SelectSpectrum(TSpec& spec, const Args& args, const std::string& fileName) {
  int modes =
      (args.Has("--scan") ? 1 : 0) + (args.Has("--apex") ? 1 : 0) + (args.Has("--range") ? 1 : 0);
  if (modes > 1) throw UsageError("choose one of --scan, --apex and --range");
  if (spec.NSpec() == 0) {
    if (modes > 0 && spec.FileKind() == fkTxt)
      throw UsageError("--scan, --apex and --range select scans of a run; " + fileName +
                       " is a single spectrum");
    return spec.CMass;
  }
  if (args.Has("--range")) {
    std::vector<WeightedRange> ranges;
    for (const auto& r : args.Values("--range"))
      ranges.push_back(*ReadWeightedRange(r));
    std::vector<double> x;
    for (const dPoint& p : spec.Chrom)
      x.push_back(p[0]);
    bool any = false;
    tXYarray sum = SumRangeMass(spec, x, ranges, any);
    if (!any) throw SorrelError(fileName + ": no scan lies inside the given retention-time ranges");
    return sum;
  }
  int32_t scan = InitialScan(spec.Chrom);
  if (args.Has("--scan")) {
    scan = args.Integer("--scan", 0);
    if (scan >= spec.NSpec())
      throw SorrelError(fileName + ": scan " + std::to_string(scan) +
                        " does not exist (the run has " + std::to_string(spec.NSpec()) +
                        " scans, counted from 0)");
  }
  return spec.GetMass(scan);
}

std::string SpectrumText(const tXYarray& spectrum, bool toFile) {
  std::string out;
  for (const dPoint& p : spectrum) {
    out += toFile ? FloatToStr(p[0]) : Num(p[0]);
    out += '\t';
    out += toFile ? FloatToStr(p[1]) : Num(p[1]);
    out += toFile ? "\r\n" : "\n";
  }
  return out;
}

std::string SpectrumJson(const tXYarray& spectrum) {
  Json doc;
  doc["mz"] = JsonColumn(spectrum, 0);
  doc["intensity"] = JsonColumn(spectrum, 1);
  return JsonText(doc);
}

}  // namespace sorrel::cli
