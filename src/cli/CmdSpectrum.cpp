// sorrel spectrum FILE [selection] [processing] [-o OUT]
#include "cli/Cli.h"
#include "cli/CliOpen.h"
#include "cli/CliSpectrum.h"
#include "core/common/Errors.h"

namespace sorrel::cli {
namespace {

int Run(const std::vector<std::string>& argv) {
  Args args;
  args.Flag("--json");
  args.Option("-o");
  args.Flag("--force");
  DeclareOpenOptions(args);
  DeclareSelectionOptions(args);
  DeclareProcessingOptions(args);
  args.Parse(argv);
  if (args.Positional().size() != 1) throw UsageError("spectrum takes one FILE");
  const std::string& file = args.Positional()[0];
  if (auto out = args.Value("-o")) CheckOverwrite(*out, args.Has("--force"));
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
    bool toFile = args.Has("-o");
    const tXYarray& out = processed.Output;
    WriteOutput(args, json ? SpectrumJson(out) : SpectrumText(out, toFile ? "\r\n" : "\n"));
  }
  return 0;
}

const bool registered = RegisterCommand(
    {"spectrum", "one mass spectrum as m/z<TAB>intensity lines",
     "Usage: sorrel spectrum FILE [--scan N | --apex | --range START:END[:WEIGHT]...]\n"
     "                       [processing] [-o OUT [--force]] [--json]\n"
     "  Prints one mass spectrum as \"m/z<TAB>intensity\" lines.\n"
     "  --scan N           scan N of a run (counted from 0)\n"
     "  --apex             the first scan of largest total intensity (the default)\n"
     "  --range S:E[:W]    weighted sum of the scans from S to E seconds, on unit masses;\n"
     "                     may be repeated (a negative weight subtracts background)\n"
     "  --first-mass M     first mass of a .prn (Y-only) file (default 1)\n"
     "  --skip-bad         skip text lines with a missing tab or a bad number\n"
     "  -o OUT             write to OUT instead of standard output (--force overwrites)\n"
     "Processing, in this order: smoothing, baseline, nominal masses, peaks.\n"
     "  --template T.tml   the mass-spectrum half of a plot template: its smoothing,\n"
     "                     baseline, units and peak settings. T.tml is a file path used\n"
     "                     as given (not looked up in the Config directory) and must\n"
     "                     exist; the options below override its values\n"
     "  --smooth K         Savitzky-Golay smoothing over 2K+5 points, K = 1 .. 10; gaps\n"
     "                     in the mass axis are first filled with points of intensity 0\n"
     "  --baseline T|auto  subtract the level T (auto: the mean of the intensities below\n"
     "                     twice the mean); intensities below the level become 1\n"
     "  --nominal          sum the intensities onto unit masses (nearest, halves to even)\n"
     "  --peaks            print the peak list instead of the spectrum:\n"
     "                     m/z, intensity, left, right, area (tab-separated; with\n"
     "                     --json, arrays mz, intensity, left, right, area, index)\n"
     "  --peak-method M    std (rising and falling steps, with areas), deriv (zero\n"
     "                     crossings of the first derivative) or adaptive (the peaks a\n"
     "                     1000 x 400 pixel chart of the whole spectrum has room to label;\n"
     "                     left, right and area are 0); default: the template's, else\n"
     "                     adaptive\n"
     "  --sensitivity S    1 .. 11 (default 5): higher finds narrower, smaller peaks\n"
     "  --min-height H     drop peaks lower than H\n"
     "  --min-dist D       of two peaks closer than D, drop the lower\n"
     "  --min-area A       drop peaks of smaller area (std only)",
     Run});

}  // namespace
}  // namespace sorrel::cli
