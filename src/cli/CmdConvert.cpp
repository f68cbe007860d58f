// sorrel convert IN OUT
#include "cli/Cli.h"
#include "cli/CliOpen.h"
#include "cli/CliSpectrum.h"
#include "core/common/Errors.h"

namespace sorrel::cli {
namespace {

int Run(const std::vector<std::string>& argv) {
  Args args;
  args.Flag("--force");
  DeclareOpenOptions(args);
  DeclareSelectionOptions(args);
  DeclareProcessingOptions(args);
  args.Parse(argv);
  if (args.Positional().size() != 2) throw UsageError("convert takes IN and OUT");
  const std::string& in = args.Positional()[0];
  const std::string& out = args.Positional()[1];
  tFileKind outKind = FileKindOf(out);
  if (outKind == fkNone || outKind == fkMassLynx || outKind == fkCashe)
    throw UsageError("cannot write " + out +
                     ": the output kind follows its extension (.txt, .cdf, .R01 ...)");
  if (WantsPeaks(args))
    throw UsageError(
        "--peaks prints a peak list, which `sorrel spectrum` does; convert writes spectra");
  for (const char* o : {"--template", "--smooth", "--baseline", "--nominal"})
    if (args.Has(o) && outKind != fkTxt)
      throw UsageError(std::string(o) + " applies only when converting to a text spectrum");
  CheckOverwrite(out, args.Has("--force"));

  TSpec spec;
  OpenInput(spec, in, args);
  bool selecting = args.Has("--scan") || args.Has("--apex") || args.Has("--range");
  if (outKind == fkTxt) {
    if (spec.NSpec() > 0 && !selecting)
      throw UsageError(
          "converting a run to text needs a spectrum: --scan N, --apex or --range S:E[:W]");
    tXYarray s = SelectSpectrum(spec, args, in);
    try {
      ApplyProcessing(args, s);
    } catch (const MathError& e) {  // an arithmetic fault on this file's data
      throw SorrelError(in + ": " + e.what());
    }
    spec.CMass = std::move(s);
    spec.SetMassOnly(true);
  } else if (selecting) {
    throw UsageError("--scan, --apex and --range apply only when converting to a text spectrum");
  }
  TheUi().messages.clear();
  if (!spec.SaveFile(out)) {
    std::string why = TheUi().MessagesText();
    throw SorrelError(out + ": " + (why.empty() ? "could not be written" : why));
  }
  return 0;
}

const bool registered = RegisterCommand(
    {"convert", "open a file and save it in the format of the output's extension",
     "Usage: sorrel convert IN OUT [--force] [--scan N | --apex | --range S:E[:W]...]\n"
     "  Opens IN and saves it as OUT; the format follows OUT's extension: .txt single spectrum,\n"
     "  .cdf ANDI/MS netCDF, .R01 etc. HD run. Converting a run to .txt needs a spectrum\n"
     "  selection, as for `sorrel spectrum`.\n"
     "  --force            overwrite an existing OUT\n"
     "  --first-mass M     first mass of a .prn (Y-only) input (default 1)\n"
     "  --skip-bad         skip text lines with a missing tab or a bad number",
     Run});

}  // namespace
}  // namespace sorrel::cli
