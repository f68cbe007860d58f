// sorrel chrom FILE [--tic | --bpi | --sic START:END[:WEIGHT]...]
#include "cli/Cli.h"
#include "cli/CliJson.h"
#include "cli/CliOpen.h"
#include "cli/CliSpectrum.h"
#include "core/common/Errors.h"
#include "core/plots/Extraction.h"

namespace sorrel::cli {
namespace {

void Declare(Args& args) {
  args.Positional("FILE", "a run file or a raw directory (NAME.raw)");
  DeclareOutputOptions(args);
  args.Flag("--json", "one JSON object: arrays time and value");
  DeclareOpenOptions(args);
  args.Group("Chromatogram");
  args.Flag("--tic", "total ion current (the default)");
  args.Flag("--bpi", "base peak intensity (the largest intensity of each scan)");
  args.Option("--sic", "S:E[:W]",
              "weighted selected-ion chromatogram of the m/z range S to E; W is 1 when left out")
      .Check(WeightedRangeProblem, "")
      .Repeatable();
  args.Footer(
      "Prints the chromatogram as seconds<TAB>value lines, each value in its shortest exact "
      "form; -o writes 15 significant digits and CR LF, as the desktop program's files.");
}

int Run(const Args& args) {
  int modes =
      (args.Has("--tic") ? 1 : 0) + (args.Has("--bpi") ? 1 : 0) + (args.Has("--sic") ? 1 : 0);
  if (modes > 1) throw UsageError("choose one of --tic, --bpi and --sic");
  const std::string file = args.Positional()[0];
  CheckOutput(args);
  TSpec spec;
  OpenInput(spec, file, args);
  if (spec.NSpec() == 0) throw SorrelError(file + ": a single spectrum has no chromatogram");

  tXYarray chrom = spec.Chrom;
  if (args.Has("--bpi")) {
    chrom = BuildBPI(spec);
  } else if (args.Has("--sic")) {
    std::vector<WeightedRange> ranges;
    for (const auto& r : args.Values("--sic"))
      ranges.push_back(*ReadWeightedRange(r));
    chrom = BuildSIC(spec, ranges);
  }
  std::string out;
  if (args.Has("--json")) {
    Json doc;
    doc["time"] = JsonColumn(chrom, 0);
    doc["value"] = JsonColumn(chrom, 1);
    out = JsonText(doc);
  } else {
    out = SpectrumText(chrom, OutputIsFile(args));  // the same X<TAB>Y lines
  }
  WriteOutput(args, out);
  return 0;
}

const bool registered = RegisterCommand(
    {"chrom", "the chromatogram of a run as seconds<TAB>value lines", Declare, Run});

}  // namespace
}  // namespace sorrel::cli
