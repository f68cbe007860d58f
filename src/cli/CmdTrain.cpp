// sorrel train OUT.trn --compound NAME [settings] [--ppid X] [--pnid Y] SPECTRUM...
#include <filesystem>

#include "cli/Cli.h"
#include "cli/CliJson.h"
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

// A limit as the options dialog holds it: 0 to 1000 (checked when parsed),
// one decimal.
double Limit(const Args& args, const std::string& name) {
  const double v = args.Number(name);
  if (OneDecimal(v) != v)
    throw UsageError(name + " takes a limit from 0 to 1000 with at most one decimal, not " +
                     Num(v));
  return v;
}

void Declare(Args& args) {
  args.Positional("OUT.trn", "the training file to write");
  args.Positional("SPECTRUM", "2 to 35 spectra in OUT's directory; the first is the reference", -1);
  args.Group("Output");
  args.Flag("--force", "replace OUT.trn when it exists");
  args.Flag("--json",
            "print the summary as one JSON object: training, compound, spectra, loadings, low, "
            "high, RcM, RMSG, ppid, pnid, model (and yes_limit, poss_limit for the calibrated "
            "model)");
  args.Group("Training");
  args.Option("--compound", "NAME", "name of the compound").Required();
  args.Option("--ppid", "X", "limit of a positive identification, with at most one decimal")
      .Number(0, 1000)
      .Default("1");
  args.Option("--pnid", "Y",
              "limit of a possible identification, with at most one decimal; not below --ppid")
      .Number(0, 1000)
      .Default("3");
  args.Option("--model", "spec|calibrated",
              "the class model classify and screen answer by: spec, the Mahalanobis score "
              "against --ppid and --pnid; calibrated, limits computed from the training's own "
              "spectra (at least 3), kept in a section of their own")
      .Choice({"spec", "calibrated"})
      .Default("spec");
  DeclareTrainingOptions(args);
  args.Footer(
      "Calculates a training exactly as Save Training does and writes it to OUT.trn. The "
      "spectra must lie in OUT's directory: the training keeps their file names only. Each "
      "spectrum of a run is chosen by --scan, --apex or --range; the processing options apply "
      "to every spectrum. The training keeps the template's full path, and classify processes "
      "every spectrum with it; --smooth, --baseline and --nominal are not kept (classify needs "
      "them again) and cannot be combined with --template.");
}

int Run(const Args& args) {
  const auto pos = args.Positional();
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
  const double ppid = Limit(args, "--ppid"), pnid = Limit(args, "--pnid");
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
  CheckOutputFile(out, args.Has("--force"), paths);
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
  const bool calibrated = args.Value("--model").value_or("spec") == "calibrated";
  t.ClassModel = calibrated ? tClassModel::Calibrated : tClassModel::Standard;
  const PcaResults r = Calculate(t, frames);
  // Save Training: statistics, then the options dialog's values.
  try {
    StoreResults(t, r);
  } catch (const SorrelError& e) {
    throw CalculationFailure(out + ": the training statistics", e, frames);
  }
  t.PPID = ppid;
  t.PNID = pnid;
  t.Compound = compound;
  // The template and every spectrum read are inputs that must not be replaced.
  CheckOutputFile(out, args.Has("--force"), InputsRead());
  t.Save(true);

  std::string text;
  if (args.Has("--json")) {
    Json doc;
    doc["training"] = out;
    doc["compound"] = t.Compound;
    doc["spectra"] = t.LoadedSpec.size();
    doc["loadings"] = t.NLoadings;
    doc["low"] = t.LowBound;
    doc["high"] = t.HighBound;
    doc["RcM"] = JsonNumber(t.RcM);
    doc["RMSG"] = JsonNumber(t.RMSG);
    doc["ppid"] = JsonNumber(t.PPID);
    doc["pnid"] = JsonNumber(t.PNID);
    doc["model"] = calibrated ? "calibrated" : "spec";
    if (calibrated) {
      doc["yes_limit"] = JsonNumber(t.Calibration.YesLimit);
      doc["poss_limit"] = JsonNumber(t.Calibration.PossLimit);
    }
    text = JsonText(doc);
  } else {
    text = "training\t" + ShownName(out) + "\ncompound\t" + ShownName(t.Compound) + "\nspectra\t" +
           std::to_string(t.LoadedSpec.size()) + "\nloadings\t" + std::to_string(t.NLoadings) +
           "\nlow\t" + std::to_string(t.LowBound) + "\nhigh\t" + std::to_string(t.HighBound) +
           "\nRcM\t" + Num(t.RcM) + "\nRMSG\t" + Num(t.RMSG) + "\nmodel\t" +
           (calibrated ? "calibrated\nyes_limit\t" + Num(t.Calibration.YesLimit) +
                             "\nposs_limit\t" + Num(t.Calibration.PossLimit)
                       : std::string("spec")) +
           "\n";
  }
  WriteStdout(text);
  return 0;
}

const bool registered =
    RegisterCommand({"train", "calculate and write a training (.trn) from spectra", Declare, Run});

}  // namespace
}  // namespace sorrel::cli
