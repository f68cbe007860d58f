// sorrel spectrum FILE [selection] [processing] [-o OUT]
#include "cli/Cli.h"
#include "cli/CliOpen.h"
#include "cli/CliSpectrum.h"
#include "core/common/Errors.h"

namespace sorrel::cli {
namespace {

void Declare(Args& args) {
  args.Positional("FILE", "a spectrum or run file, or a raw directory (NAME.raw)");
  DeclareOutputOptions(args);
  args.Flag("--json", "one JSON object: arrays mz and intensity");
  DeclareOpenOptions(args);
  DeclareSelectionOptions(args);
  DeclareProcessingOptions(args);
  args.Footer(
      "Prints one mass spectrum as m/z<TAB>intensity lines, each value in its shortest exact "
      "form; -o writes a text spectrum as the desktop program does (15 significant digits, "
      "CR LF).");
}

int Run(const Args& args) {
  const std::string file = args.Positional()[0];
  CheckOutput(args);
  TSpec spec;
  OpenInput(spec, file, args);
  tXYarray s = SelectSpectrum(spec, args, file);
  bool json = args.Has("--json");
  ChainResult processed;
  try {
    processed = ProcessSpectrum(args, s);
  } catch (const MathError& e) {  // an arithmetic fault on this file's data
    throw SorrelError(file + ": " + e.what());
  }
  if (WantsPeaks(args)) {
    WriteOutput(args, PeakTable(args, processed.Peaks, json));
  } else {
    const tXYarray& out = processed.Output;
    WriteOutput(args, json ? SpectrumJson(out) : SpectrumText(out, OutputIsFile(args)));
  }
  return 0;
}

const bool registered =
    RegisterCommand({"spectrum", "one mass spectrum as m/z<TAB>intensity lines", Declare, Run});

}  // namespace
}  // namespace sorrel::cli
