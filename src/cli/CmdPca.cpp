// sorrel pca [settings] SPECTRUM...
#include "cli/Cli.h"
#include "cli/CliJson.h"
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

void Declare(Args& args) {
  args.Positional("SPECTRUM", "2 to 35 spectra; the first is the reference", -1);
  DeclareOutputOptions(args);
  args.Flag("--json",
            "one JSON object: spectra, low, high, xvals, loadings, scores, eigenvalues (and "
            "matrix, mdist, compact when asked for)");
  args.Group("Results");
  args.Flag("--matrix", "also the preprocessed data matrix, one row per spectrum (JSON matrix)");
  args.Option("--cv", "F",
              "also the leave-one-out Mahalanobis distance of every spectrum with F components "
              "(JSON mdist)")
      .Integer(1, std::numeric_limits<int32_t>::max());
  args.Flag("--compact",
            "also the average leave-one-out distance for 1 .. A components (JSON compact)");
  DeclareTrainingOptions(args);
  args.Footer(
      "Builds the data matrix from the spectra exactly as the workbench does and decomposes it "
      "by NIPALS. Prints the bounds, the eigenvalues, the scores (one row per spectrum) and the "
      "loadings (one row per mass). Each spectrum of a run is chosen by --scan, --apex or "
      "--range; the processing options apply to every spectrum.");
}

int Run(const Args& args) {
  const auto paths = args.Positional();
  if (paths.size() < 2) throw UsageError("pca needs at least 2 spectra");
  if (paths.size() > kMaxTrainingSpectra)
    throw UsageError("pca takes at most " + std::to_string(kMaxTrainingSpectra) + " spectra");
  const int cv = args.Integer("--cv", 0);
  CheckOutput(args);

  CliFrames frames = OpenFrames(paths, args);
  TTraining t;
  ApplySettings(args, frames, t);
  const PcaResults r = Calculate(t, frames);
  adouble mdist, compact;
  try {
    if (args.Has("--cv")) mdist = MDistSeries(r.Data, cv, r.Precision);
  } catch (const SorrelError& e) {
    throw CalculationFailure("--cv " + std::to_string(cv), e, frames);
  }
  try {
    if (args.Has("--compact")) compact = CompactSeries(r.Data, t.NLoadings, r.Precision);
  } catch (const SorrelError& e) {
    throw CalculationFailure("--compact", e, frames);
  }

  const size_t a = r.Eigenvalues.size();
  std::string out;
  if (args.Has("--json")) {
    Json doc;
    doc["spectra"] = frames.names;
    doc["low"] = t.LowBound;
    doc["high"] = t.HighBound;
    doc["xvals"] = JsonArray(t.Xvals);
    doc["loadings"] = JsonMatrix(r.Loadings);
    doc["scores"] = JsonMatrix(r.Scores);
    doc["eigenvalues"] = JsonArray(r.Eigenvalues);
    if (args.Has("--matrix")) doc["matrix"] = JsonMatrix(r.Data);
    if (args.Has("--cv")) doc["mdist"] = JsonArray(mdist);
    if (args.Has("--compact")) doc["compact"] = JsonArray(compact);
    out = JsonText(doc);
  } else {
    out = "# bounds\nlow\t" + std::to_string(t.LowBound) + "\nhigh\t" +
          std::to_string(t.HighBound) + "\n# eigenvalues\ncomponent\teigenvalue\n";
    for (size_t k = 0; k < a; ++k)
      out += std::to_string(k + 1) + "\t" + Num(r.Eigenvalues[k]) + "\n";
    out += "# scores\n" + Header("spectrum", a, "PC");
    for (size_t i = 0; i < r.Scores.size(); ++i)
      out += Row(ShownName(frames.names[i]), r.Scores[i]);
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
        out += Row(ShownName(frames.names[i]), r.Data[i]);
    }
    if (args.Has("--cv")) {
      out += "# mdist (" + std::to_string(cv) + " components)\nspectrum\tdistance\n";
      for (size_t i = 0; i < mdist.size(); ++i)
        out += ShownName(frames.names[i]) + "\t" + Num(mdist[i]) + "\n";
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
    {"pca", "principal components of spectra, as the workbench calculates them", Declare, Run});

}  // namespace
}  // namespace sorrel::cli
