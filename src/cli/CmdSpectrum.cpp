// sorrel spectrum FILE [selection] [processing] [-o OUT]
#include "Cli.h"
#include "CliOpen.h"
#include "CliSpectrum.h"

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
  ApplyProcessing(args, s);
  bool json = args.Has("--json");
  if (WantsPeaks(args)) {
    WriteOutput(args, PeakTable(args, s, json));
  } else {
    bool toFile = args.Has("-o");
    WriteOutput(args, json ? SpectrumJson(s) : SpectrumText(s, toFile ? "\r\n" : "\n"));
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
     "  -o OUT             write to OUT instead of standard output (--force overwrites)",
     Run});

}  // namespace
}  // namespace sorrel::cli
