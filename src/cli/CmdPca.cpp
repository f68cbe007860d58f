// sorrel pca [settings] SPECTRUM...
#include "cli/Cli.h"
#include "cli/CliTraining.h"
#include "core/common/Errors.h"
#include "core/pca/CrossValidation.h"

namespace sorrel::cli {
namespace {

std::string Header(const std::string& first, size_t count, const std::string& prefix) {
  std::string out = first;
  for (size_t k = 1; k <= count; ++k)
    out += "\t" + prefix + std::to_string(k);
  return out + "\n";
}

std::string Row(const std::string& first, const adouble& values) {
  std::string out = first;
  for (double v : values) {
    out += '\t';
    out += Num(v);
  }
  return out + "\n";
}

int Run(const std::vector<std::string>& argv) {
  Args args;
  args.Flag("--json");
  args.Flag("--matrix");
  args.Option("--cv");
  args.Flag("--compact");
  args.Option("-o");
  args.Flag("--force");
  DeclareTrainingOptions(args);
  args.Parse(argv);
  const auto& paths = args.Positional();
  if (paths.size() < 2) throw UsageError("pca needs at least 2 spectra");
  if (paths.size() > kMaxTrainingSpectra)
    throw UsageError("pca takes at most " + std::to_string(kMaxTrainingSpectra) + " spectra");
  const int cv = args.Integer("--cv", 0);
  if (args.Has("--cv") && cv < 1)
    throw UsageError("--cv needs a number of components of at least 1");
  if (auto out = args.Value("-o")) CheckOverwrite(*out, args.Has("--force"));

  CliFrames frames = OpenFrames(paths, args);
  TTraining t;
  ApplySettings(args, frames, t);
  const PcaResults r = Calculate(t, frames);
  adouble mdist, compact;
  try {
    if (args.Has("--cv")) mdist = MDistSeries(r.Data, cv, r.Precision);
  } catch (const SorrelError& e) {
    throw SorrelError("--cv " + std::to_string(cv) + ": " + e.what());
  }
  try {
    if (args.Has("--compact")) compact = CompactSeries(r.Data, t.NLoadings, r.Precision);
  } catch (const SorrelError& e) {
    throw SorrelError("--compact: " + std::string(e.what()));
  }

  const size_t a = r.Eigenvalues.size();
  std::string out;
  if (args.Has("--json")) {
    std::string names = "[";
    for (size_t i = 0; i < frames.names.size(); ++i) {
      if (i) names += ',';
      names += JsonString(frames.names[i]);
    }
    names += "]";
    out = "{\"spectra\":" + names + ",\"low\":" + std::to_string(t.LowBound) +
          ",\"high\":" + std::to_string(t.HighBound) + ",\"xvals\":" + JsonArray(t.Xvals) +
          ",\"loadings\":" + JsonMatrix(r.Loadings) + ",\"scores\":" + JsonMatrix(r.Scores) +
          ",\"eigenvalues\":" + JsonArray(r.Eigenvalues);
    if (args.Has("--matrix")) out += ",\"matrix\":" + JsonMatrix(r.Data);
    if (args.Has("--cv")) out += ",\"mdist\":" + JsonArray(mdist);
    if (args.Has("--compact")) out += ",\"compact\":" + JsonArray(compact);
    out += "}\n";
  } else {
    out = "# bounds\nlow\t" + std::to_string(t.LowBound) + "\nhigh\t" +
          std::to_string(t.HighBound) + "\n# eigenvalues\ncomponent\teigenvalue\n";
    for (size_t k = 0; k < a; ++k)
      out += std::to_string(k + 1) + "\t" + Num(r.Eigenvalues[k]) + "\n";
    out += "# scores\n" + Header("spectrum", a, "PC");
    for (size_t i = 0; i < r.Scores.size(); ++i)
      out += Row(frames.names[i], r.Scores[i]);
    out += "# loadings\n" + Header("m/z", a, "PC");
    for (size_t j = 0; j < t.Xvals.size(); ++j) {
      adouble column;
      for (const adouble& p : r.Loadings)
        column.push_back(p[j]);
      out += Row(Num(t.Xvals[j]), column);
    }
    if (args.Has("--matrix")) {
      out += "# matrix\nspectrum";
      for (double x : t.Xvals) {
        out += '\t';
        out += Num(x);
      }
      out += "\n";
      for (size_t i = 0; i < r.Data.size(); ++i)
        out += Row(frames.names[i], r.Data[i]);
    }
    if (args.Has("--cv")) {
      out += "# mdist (" + std::to_string(cv) + " components)\nspectrum\tdistance\n";
      for (size_t i = 0; i < mdist.size(); ++i)
        out += frames.names[i] + "\t" + Num(mdist[i]) + "\n";
    }
    if (args.Has("--compact")) {
      out += "# compact\ncomponents\tdistance\n";
      for (size_t k = 0; k < compact.size(); ++k)
        out += std::to_string(k + 1) + "\t" + Num(compact[k]) + "\n";
    }
  }
  WriteOutput(args, out);
  return 0;
}

const bool registered = RegisterCommand(
    {"pca", "principal components of spectra, as the workbench calculates them",
     "Usage: sorrel pca [settings] [--matrix] [--cv F] [--compact] [--json] [-o OUT [--force]]\n"
     "                  SPECTRUM SPECTRUM...\n"
     "  Builds the data matrix from 2 to 35 spectra exactly as the workbench does (the first\n"
     "  spectrum is the reference) and decomposes it by NIPALS. Prints the bounds, the\n"
     "  eigenvalues, the scores (one row per spectrum) and the loadings (one row per mass).\n"
     "  --low L --high H   mass bounds of the data matrix (default: the largest first mass\n"
     "                     and the smallest last mass of the spectra)\n"
     "  --normalize        scale every spectrum to the reference's total intensity\n"
     "  --incsens X        weight intensities by mass^X, X from 0 (none) to 5, one decimal\n"
     "  --loadings A       number of components (default: number of spectra - 3, at least 1)\n"
     "  --precision P      NIPALS stops when the scores change by at most 10^-P (1..10,\n"
     "                     default 3)\n"
     "  --matrix           also print the preprocessed data matrix (JSON key matrix)\n"
     "  --cv F             also the leave-one-out Mahalanobis distance of every spectrum with\n"
     "                     F components (JSON key mdist)\n"
     "  --compact          also the average leave-one-out distance for 1 .. A components\n"
     "                     (JSON key compact)\n"
     "  --json             one JSON object: spectra, low, high, xvals, loadings, scores,\n"
     "                     eigenvalues (and matrix, mdist, compact when asked for)\n"
     "  Runs: --scan N, --apex (default) or --range S:E[:W] choose each spectrum.\n"
     "  Processing (--template, --smooth, --baseline, --nominal) applies to every spectrum.\n"
     "  --first-mass M     first mass of a .prn (Y-only) file (default 1)\n"
     "  --skip-bad         skip text lines with a missing tab or a bad number",
     Run});

}  // namespace
}  // namespace sorrel::cli
