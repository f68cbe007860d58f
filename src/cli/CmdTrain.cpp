// sorrel train OUT.trn --compound NAME [settings] [--ppid X] [--pnid Y] SPECTRUM...
#include <filesystem>

#include "cli/Cli.h"
#include "cli/CliTraining.h"
#include "core/common/Errors.h"
#include "core/common/Paths.h"
#include "core/common/TextFile.h"
#include "core/plots/TemplateName.h"

namespace sorrel::cli {
namespace {

std::string Directory(const std::string& path) {
  std::error_code ec;
  std::filesystem::path dir = ExtractFilePath(path);
  if (dir.empty()) dir = ".";
  auto canon = std::filesystem::weakly_canonical(std::filesystem::absolute(dir, ec), ec);
  return ec ? dir.lexically_normal().string() : canon.string();
}

// A limit as the options dialog holds it: 0 to 1000, one decimal.
double Limit(const Args& args, const std::string& name, double def) {
  const double v = args.Number(name, def);
  if (!(v >= 0.0 && v <= 1000.0) || OneDecimal(v) != v)
    throw UsageError(name + " takes a limit from 0 to 1000 with at most one decimal, not " +
                     Num(v));
  return v;
}

int Run(const std::vector<std::string>& argv) {
  Args args;
  args.Option("--compound");
  args.Option("--ppid");
  args.Option("--pnid");
  args.Flag("--json");
  args.Flag("--force");
  DeclareTrainingOptions(args);
  args.Parse(argv);
  const auto& pos = args.Positional();
  if (pos.size() < 3) throw UsageError("train needs OUT.trn and at least 2 spectra");
  const std::string out = pos[0];
  const std::vector<std::string> paths(pos.begin() + 1, pos.end());
  if (paths.size() > kMaxTrainingSpectra)
    throw UsageError("a training takes at most " + std::to_string(kMaxTrainingSpectra) +
                     " spectra");
  if (UpperCase(ExtractFileExt(out)) != ".TRN")
    throw UsageError("the training file must have the extension .trn, not \"" + out + "\"");
  const std::string compound = args.Value("--compound").value_or("");
  if (compound.empty()) throw UsageError("The field compound must be filled in. (--compound NAME)");
  const double ppid = Limit(args, "--ppid", 1.0), pnid = Limit(args, "--pnid", 3.0);
  if (ppid > pnid)
    throw UsageError("--ppid " + Num(ppid) + " is above --pnid " + Num(pnid) +
                     ": a positive identification cannot need a larger score than a possible one");
  // The training keeps the template its spectra were processed with, and
  // classification processes every spectrum with it; processing that the
  // template does not hold would not travel with the training.
  if (auto tml = args.Value("--template")) {
    if (!NamesTemplate(*tml))
      throw UsageError("--template " + *tml +
                       ": a template of that name stands for the defaults; give it another name");
    for (const char* o : {"--smooth", "--baseline", "--nominal"})
      if (args.Has(o))
        throw UsageError(std::string(o) +
                         " would change the processing of the template, which the training "
                         "keeps as it is; put the setting in the template");
  }
  CheckOverwrite(out, args.Has("--force"));
  // A training keeps its spectra by file name only and finds them in its
  // own directory.
  const std::string dir = Directory(out);
  for (const std::string& p : paths)
    if (Directory(p) != dir)
      throw SorrelError(p + ": not in the training's directory " + dir +
                        " (a training finds its spectra there by file name)");

  CliFrames frames = OpenFrames(paths, args);
  TTraining t;
  t.Rename(out, false);
  ApplySettings(args, frames, t);
  // StoreSettings: the template of frame 0 (its full name, as a frame holds
  // it) and the spectra's file names.
  if (auto tml = args.Value("--template"))
    t.DefaultTml = std::filesystem::absolute(*tml).lexically_normal().string();
  t.LoadedSpec.clear();
  for (const std::string& p : paths)
    t.LoadedSpec.push_back(ExtractFileName(p));
  const PcaResults r = Calculate(t, frames);
  // Save Training: statistics, then the options dialog's values.
  StoreResults(t, r);
  t.PPID = ppid;
  t.PNID = pnid;
  t.Compound = compound;
  t.Save(true);

  std::string text;
  if (args.Has("--json")) {
    text = "{\"training\":" + JsonString(out) + ",\"compound\":" + JsonString(t.Compound) +
           ",\"spectra\":" + std::to_string(t.LoadedSpec.size()) +
           ",\"loadings\":" + std::to_string(t.NLoadings) +
           ",\"low\":" + std::to_string(t.LowBound) + ",\"high\":" + std::to_string(t.HighBound) +
           ",\"RcM\":" + JsonNumber(t.RcM) + ",\"RMSG\":" + JsonNumber(t.RMSG) +
           ",\"ppid\":" + JsonNumber(t.PPID) + ",\"pnid\":" + JsonNumber(t.PNID) + "}\n";
  } else {
    text = "training\t" + out + "\ncompound\t" + t.Compound + "\nspectra\t" +
           std::to_string(t.LoadedSpec.size()) + "\nloadings\t" + std::to_string(t.NLoadings) +
           "\nlow\t" + std::to_string(t.LowBound) + "\nhigh\t" + std::to_string(t.HighBound) +
           "\nRcM\t" + Num(t.RcM) + "\nRMSG\t" + Num(t.RMSG) + "\n";
  }
  std::fwrite(text.data(), 1, text.size(), stdout);
  return 0;
}

const bool registered = RegisterCommand(
    {"train", "calculate and write a training (.trn) from spectra",
     "Usage: sorrel train OUT.trn --compound NAME [settings] [--ppid X] [--pnid Y]\n"
     "                    [--force] [--json] SPECTRUM SPECTRUM...\n"
     "  Calculates a training from 2 to 35 spectra exactly as Save Training does and writes\n"
     "  it to OUT.trn. The spectra must lie in OUT's directory (the training keeps their\n"
     "  file names only); the first one is the reference spectrum.\n"
     "  --compound NAME    name of the compound (required)\n"
     "  --ppid X           limit of a positive identification (default 1)\n"
     "  --pnid Y           limit of a possible identification (default 3); both from 0 to\n"
     "                     1000 with one decimal, X not above Y\n"
     "  --low L --high H   mass bounds (default: the largest first mass and the smallest last\n"
     "                     mass of the spectra)\n"
     "  --normalize        scale every spectrum to the reference's total intensity\n"
     "  --incsens X        weight intensities by mass^X, X from 0 (none) to 5, one decimal\n"
     "  --loadings A       number of loadings (default: number of spectra - 3, at least 1)\n"
     "  --precision P      NIPALS precision 10^-P (1..10, default 3)\n"
     "  --force            overwrite an existing OUT.trn\n"
     "  --json             print the summary as one JSON object\n"
     "  Runs: --scan N, --apex (default) or --range S:E[:W] choose each spectrum.\n"
     "  Processing (--template, --smooth, --baseline, --nominal) applies to every spectrum.\n"
     "  The training keeps the template's full path, and classify processes every spectrum\n"
     "  with it; --smooth, --baseline and --nominal are not kept (classify needs them\n"
     "  again) and cannot be combined with --template.\n"
     "  --first-mass M     first mass of a .prn (Y-only) file (default 1)\n"
     "  --skip-bad         skip text lines with a missing tab or a bad number",
     Run});

}  // namespace
}  // namespace sorrel::cli
