// sorrel screen RUN (TRAINING.trn | LIST.trl) [--json | --csv] [--hits]
#include <algorithm>
#include <cstdio>

#include "cli/Cli.h"
#include "cli/CliJson.h"
#include "cli/CliOpen.h"
#include "cli/CliSpectrum.h"
#include "cli/CliTraining.h"
#include "core/common/Errors.h"
#include "core/common/FileCheck.h"
#include "core/common/Paths.h"
#include "core/pca/Mahalanobis.h"
#include "core/training/Screening.h"

namespace sorrel::cli {
namespace {

bool IsHit(const Classification& c) {
  return c.Answer == "Yes" || c.Answer == "Poss.";
}

std::string Format(const ScreenResult& r, const std::vector<ScreenTraining>& trainings,
                   const Args& args) {
  const bool hits = args.Has("--hits");
  if (args.Has("--json")) {
    Json doc = Json::array();
    for (const ScreenRow& row : r.Rows) {
      if (hits && !IsHit(row.Result)) continue;
      const ScreenPeak& p = r.Peaks[row.Peak];
      const bool answered = !row.Result.Answer.empty();
      Json j;
      j["rt"] = JsonNumber(static_cast<float>(p.Rt));
      j["first_scan"] = p.First;
      j["last_scan"] = p.Last;
      j["compound"] = trainings[row.Training].Compound;
      j["training"] = trainings[row.Training].Path;
      j["answer"] = answered ? Json(row.Result.Answer) : Json(nullptr);
      j["score"] = answered ? JsonNumber(row.Result.Score) : Json(nullptr);
      if (!answered) j["reason"] = row.Result.Reason;
      doc.push_back(j);
    }
    return JsonText(doc);
  }
  const bool csv = args.Has("--csv");
  const std::string sep = csv ? "," : "\t";
  std::string out;
  for (const ScreenRow& row : r.Rows) {
    if (hits && !IsHit(row.Result)) continue;
    const ScreenPeak& p = r.Peaks[row.Peak];
    const bool answered = !row.Result.Answer.empty();
    // A row without answer gives its reason in the place of the score.
    const std::string compound = ShownName(trainings[row.Training].Compound);
    const std::string last = answered ? ScoreText(row.Result.Score) : ShownName(row.Result.Reason);
    out += Num(static_cast<float>(p.Rt)) + sep + std::to_string(p.First) + sep +
           std::to_string(p.Last) + sep + (csv ? CsvField(compound) : compound) + sep +
           (answered ? row.Result.Answer : "no answer") + sep + (csv ? CsvField(last) : last) +
           "\n";
  }
  return out;
}

void Declare(Args& args) {
  args.Positional("RUN", "the run to screen (any run file the program reads)");
  args.Positional("TRAINING|LIST", "a training (.trn) or a training list (.trl)");
  DeclareOutputOptions(args);
  args.Flag("--json",
            "a list of objects: rt, first_scan, last_scan, compound, training, answer, score, "
            "and reason where there is no answer");
  args.Flag("--csv", "comma-separated values instead of tabs");
  args.Flag("--hits", "only the rows answered \"Yes\" or \"Poss.\"");
  args.Group("Chromatogram peaks");
  args.Option("--chrom-smooth", "K",
              "Savitzky-Golay window index of the chromatogram's smoothing (2K+5 scans); 0 "
              "smooths not")
      .Integer(0, 10)
      .Default("2");
  args.Flag("--no-chrom-baseline", "search the chromatogram without removing its baseline level");
  args.Option("--chrom-sensitivity", "S",
              "sensitivity of the standard peak search (half-window 12 - S scans)")
      .Integer(1, 11)
      .Default("8");
  args.Option("--min-sn", "X",
              "smallest peak height, in times the chromatogram's noise (the median step "
              "between neighbouring scans); 0 keeps every peak")
      .Number(0, 1e9)
      .Default("10");
  args.Option("--background", "N", "scans of background after each peak, subtracted from it")
      .Integer(0, 100000)
      .Default("5");
  DeclareOpenOptions(args);
  DeclareProcessingOptions(args);
  args.Footer(
      "Finds the peaks of the run's chromatogram (total ion current, smoothed, its automatic "
      "baseline level removed, the standard peak search) and sums each peak's spectrum as a "
      "run frame sums its ranges: the scans above half the peak's height, less the background "
      "scans just after it. Every spectrum is classified against the training, or every "
      "checked training of the list, as classify does (each with its own template and class "
      "model). One row per peak and training: retention time of the apex (seconds), first and "
      "last scan summed (from 0), compound, answer and score; a row without answer gives the "
      "reason in the place of the score (no intensity in the training's mass window, say). "
      "Exit status 1 when a training cannot be used (not found, its reference spectrum or "
      "template missing) or a peak cannot be summed; every row is printed first. "
      "--template, --smooth, --baseline and --nominal give the processing of the spectra for "
      "trainings that name no template.");
}

int Run(const Args& args) {
  const auto pos = args.Positional();
  if (pos.size() != 2) throw UsageError("screen needs a run and a training or a training list");
  if (args.Has("--json") && args.Has("--csv")) throw UsageError("choose one of --json and --csv");
  CheckOutput(args);
  const std::string runPath = pos[0], model = pos[1];
  const std::string ext = UpperCase(ExtractFileExt(model));
  if (ext != ".TRN" && ext != ".TRL")
    throw UsageError("the second argument must be a training (.trn) or a training list (.trl)");
  if (auto problem = RegularFileProblem(model); !problem.empty())
    throw SorrelError(model + ": " + problem);
  NoteInput(model);

  std::vector<std::string> paths;
  if (ext == ".TRN") {
    if (!IsTrainingFile(TTraining(model))) throw SorrelError(model + ": " + kNotATraining);
    paths.push_back(model);
  } else {
    paths = CheckedTrainingPaths(*OpenCliTrainingList(model));
  }
  std::vector<std::string> templates;
  for (const std::string& path : paths) {
    TTraining t(path);
    t.Open();
    templates.push_back(t.DefaultTml);
  }
  CheckProcessingUsed(args, model, templates);

  ScreenSettings settings;
  settings.Smooth.Enabled = args.Integer("--chrom-smooth") > 0;
  if (settings.Smooth.Enabled) settings.Smooth.SGDegree = args.Integer("--chrom-smooth");
  settings.BLine.Enabled = !args.Has("--no-chrom-baseline");
  settings.Peak.Sensiv = args.Integer("--chrom-sensitivity");
  settings.MinSignalToNoise = args.Number("--min-sn");
  settings.BackgroundScans = args.Integer("--background");

  TSpec run;
  OpenInput(run, runPath, args);
  if (run.NSpec() == 0)
    throw SorrelError(runPath + ": a single spectrum, not a run: it has no chromatogram to screen");
  std::vector<ScreenTraining> trainings = OpenScreenTrainings(paths, CliReferenceMaker(args));
  ScreenResult result;
  try {
    result = ScreenRun(run, trainings, settings);
  } catch (const SorrelError& e) {
    throw SorrelError(runPath + ": " + e.what());
  }
  WriteOutput(args, Format(result, trainings, args));

  // Every row is printed; then a training that could not be used, or a
  // peak that could not be summed, fails the command.
  std::vector<std::string> failures;
  for (const ScreenTraining& t : trainings)
    if (!t.Problem.empty() && t.Problem != kTrainingNotCalculated)
      failures.push_back(t.Path + ": " + t.Problem);
  for (const ScreenPeak& p : result.Peaks)
    if (!p.Problem.empty())
      failures.push_back(runPath + ": the peak at " + Num(static_cast<float>(p.Rt)) +
                         " s: " + p.Problem);
  if (failures.empty()) return 0;
  std::fprintf(
      stderr, "sorrel: %s\n",
      OneLine(failures.front() + (failures.size() > 1
                                      ? " (and " + std::to_string(failures.size() - 1) + " more)"
                                      : std::string()))
          .c_str());
  return 1;
}

const bool registered = RegisterCommand(
    {"screen",
     "find a run's chromatographic peaks and classify each against a training or every checked "
     "training of a list",
     Declare, Run});

}  // namespace
}  // namespace sorrel::cli
