// sorrel convert IN OUT
#include <cstdio>

#include "cli/Cli.h"
#include "cli/CliOpen.h"
#include "cli/CliSpectrum.h"
#include "core/common/Errors.h"

namespace sorrel::cli {
namespace {

void Declare(Args& args) {
  args.Positional("IN", "the file to convert (any kind sorrel reads)");
  args.Positional("OUT",
                  "the file to write: .txt single spectrum, .cdf ANDI/MS netCDF, .R01 etc. HD run");
  args.Group("Output");
  args.Flag("--force", "replace OUT when it exists");
  DeclareOpenOptions(args);
  DeclareSelectionOptions(args);
  DeclareProcessingOptions(args);
  args.Footer(
      "The format follows OUT's extension. Converting a run to .txt needs a spectrum "
      "selection (--scan, --apex or --range), as for sorrel spectrum; the processing options "
      "apply only then. A single spectrum converts to .txt only: .cdf and HD files hold runs. "
      "An HD file holds whole-number intensities, retention times that follow from its scan "
      "rates (none at 0) and no totals (a scan's total is the sum of its points): what it "
      "cannot keep of IN is named in one warning line on standard error, and OUT is written "
      "all the same.");
}

int Run(const Args& args) {
  const std::string in = args.Positional()[0];
  const std::string out = args.Positional()[1];
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
  CheckOutputFile(out, args.Has("--force"), {in});

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
    if (s.empty())
      throw SorrelError(in + ": the spectrum holds no points; nothing to save in " + out);
    spec.CMass = std::move(s);
    spec.SetMassOnly(true);
  } else if (selecting) {
    throw UsageError("--scan, --apex and --range apply only when converting to a text spectrum");
  } else if (spec.NSpec() == 0) {
    throw SorrelError(in + ": a single spectrum, not a run; " + out +
                      " would need a run (convert a single spectrum to .txt)");
  }
  TheUi().messages.clear();
  bool saved = false;
  std::string why;
  try {
    saved = spec.SaveFile(out);
    why = TheUi().MessagesText();
  } catch (const SorrelError& e) {
    why = OneLine(e.what());
  }
  if (!saved) {
    if (why.empty()) why = "could not be written";
    // The savers' messages do not always name the file; some do.
    throw SorrelError(why.find(out) == std::string::npos ? out + ": " + why : why);
  }
  // Written, but not as IN holds it (an HD file's whole-number intensities,
  // its retention times, its totals as the sums of the points).
  const std::string lost = SaveLossText(spec.LastSaveLosses());
  if (!lost.empty()) std::fprintf(stderr, "sorrel: warning: %s\n", OneLine(lost).c_str());
  return 0;
}

const bool registered = RegisterCommand(
    {"convert", "open a file and save it in the format of the output's extension", Declare, Run});

}  // namespace
}  // namespace sorrel::cli
