// sorrel chrom FILE [--tic | --bpi | --sic START:END[:WEIGHT]...]
#include "cli/Cli.h"
#include "cli/CliOpen.h"
#include "core/common/Errors.h"
#include "core/common/NumberText.h"
#include "core/plots/Extraction.h"

namespace sorrel::cli {
namespace {

WeightedRange ParseMassRange(const std::string& text) {
  WeightedRange r;
  auto c1 = text.find(':');
  auto c2 = c1 == std::string::npos ? c1 : text.find(':', c1 + 1);
  auto start = ParseNumber(TrimBlanks(text.substr(0, c1)));
  std::optional<double> end;
  if (c1 != std::string::npos)
    end = ParseNumber(
        TrimBlanks(text.substr(c1 + 1, c2 == std::string::npos ? std::string::npos : c2 - c1 - 1)));
  if (!start || !end)
    throw UsageError("--sic needs numbers START:END[:WEIGHT], not \"" + text + "\"");
  r.start = *start;
  r.end = *end;
  if (c2 != std::string::npos) {
    auto w = ParseFloat32(TrimBlanks(text.substr(c2 + 1)));
    if (!w) throw UsageError("--sic weight must be a number");
    r.weight = *w;
  }
  return r;
}

int Run(const std::vector<std::string>& argv) {
  Args args;
  args.Flag("--tic");
  args.Flag("--bpi");
  args.Option("--sic", true);
  args.Flag("--json");
  args.Option("-o");
  args.Flag("--force");
  DeclareOpenOptions(args);
  args.Parse(argv);
  if (args.Positional().size() != 1) throw UsageError("chrom takes one FILE");
  int modes =
      (args.Has("--tic") ? 1 : 0) + (args.Has("--bpi") ? 1 : 0) + (args.Has("--sic") ? 1 : 0);
  if (modes > 1) throw UsageError("choose one of --tic, --bpi and --sic");
  const std::string& file = args.Positional()[0];
  if (auto out = args.Value("-o")) CheckOverwrite(*out, args.Has("--force"));
  TSpec spec;
  OpenInput(spec, file, args);
  if (spec.NSpec() == 0) throw SorrelError(file + ": a single spectrum has no chromatogram");

  tXYarray chrom = spec.Chrom;
  if (args.Has("--bpi")) {
    chrom = BuildBPI(spec);
  } else if (args.Has("--sic")) {
    std::vector<WeightedRange> ranges;
    for (const auto& r : args.Values("--sic"))
      ranges.push_back(ParseMassRange(r));
    chrom = BuildSIC(spec, ranges);
  }
  std::string out;
  if (args.Has("--json")) {
    std::vector<double> t, v;
    for (const dPoint& p : chrom) {
      t.push_back(p[0]);
      v.push_back(p[1]);
    }
    out = "{\"time\":" + JsonArray(t) + ",\"value\":" + JsonArray(v) + "}\n";
  } else {
    const char* eol = args.Has("-o") ? "\r\n" : "\n";
    for (const dPoint& p : chrom)
      out += FloatToStr(p[0]) + "\t" + FloatToStr(p[1]) + eol;
  }
  WriteOutput(args, out);
  return 0;
}

const bool registered =
    RegisterCommand({"chrom", "the chromatogram of a run as seconds<TAB>value lines",
                     "Usage: sorrel chrom FILE [--tic | --bpi | --sic START:END[:WEIGHT]...] [-o "
                     "OUT [--force]] [--json]\n"
                     "  --tic              total ion current (the default)\n"
                     "  --bpi              base peak intensity (largest intensity of each scan)\n"
                     "  --sic S:E[:W]      weighted selected-ion chromatogram of the m/z range "
                     "S..E; may be repeated",
                     Run});

}  // namespace
}  // namespace sorrel::cli
