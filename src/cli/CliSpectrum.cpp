#include "cli/CliSpectrum.h"

#include "core/common/Errors.h"
#include "core/common/NumberText.h"
#include "core/plots/Extraction.h"

namespace sorrel::cli {

void DeclareSelectionOptions(Args& args) {
  args.Option("--scan");
  args.Flag("--apex");
  args.Option("--range", true);
}

namespace {

WeightedRange ParseRange(const std::string& text) {
  WeightedRange r;
  auto c1 = text.find(':');
  if (c1 == std::string::npos)
    throw UsageError("--range needs START:END[:WEIGHT], not \"" + text + "\"");
  auto c2 = text.find(':', c1 + 1);
  auto start = ParseNumber(TrimBlanks(text.substr(0, c1)));
  auto end = ParseNumber(
      TrimBlanks(text.substr(c1 + 1, c2 == std::string::npos ? std::string::npos : c2 - c1 - 1)));
  if (!start || !end)
    throw UsageError("--range needs numbers START:END[:WEIGHT], not \"" + text + "\"");
  r.start = *start;
  r.end = *end;
  if (c2 != std::string::npos) {
    auto w = ParseFloat32(TrimBlanks(text.substr(c2 + 1)));
    if (!w)
      throw UsageError("--range weight must be a number, not \"" + text.substr(c2 + 1) + "\"");
    r.weight = *w;
  }
  return r;
}

}  // namespace

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
      ranges.push_back(ParseRange(r));
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
    if (scan < 0 || scan >= spec.NSpec())
      throw SorrelError(fileName + ": scan " + std::to_string(scan) +
                        " does not exist (the run has " + std::to_string(spec.NSpec()) +
                        " scans, counted from 0)");
  }
  return spec.GetMass(scan);
}

std::string SpectrumText(const tXYarray& spectrum, const char* lineEnd) {
  std::string out;
  for (const dPoint& p : spectrum) {
    out += FloatToStr(p[0]);
    out += '\t';
    out += FloatToStr(p[1]);
    out += lineEnd;
  }
  return out;
}

std::string SpectrumJson(const tXYarray& spectrum) {
  std::vector<double> mz, in;
  for (const dPoint& p : spectrum) {
    mz.push_back(p[0]);
    in.push_back(p[1]);
  }
  return "{\"mz\":" + JsonArray(mz) + ",\"intensity\":" + JsonArray(in) + "}\n";
}

}  // namespace sorrel::cli
