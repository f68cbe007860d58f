// sorrel classify (TRAINING.trn | LIST.trl) SPECTRUM...
#include <algorithm>
#include <cstdio>
#include <optional>

#include "cli/Cli.h"
#include "cli/CliJson.h"
#include "cli/CliOpen.h"
#include "cli/CliSpectrum.h"
#include "cli/CliTraining.h"
#include "core/common/Errors.h"
#include "core/common/FileCheck.h"
#include "core/common/NumberText.h"
#include "core/common/Paths.h"
#include "core/common/TextFile.h"
#include "core/pca/Mahalanobis.h"
#include "core/plots/TemplateName.h"
#include "core/training/TrainingList.h"

namespace sorrel::cli {
namespace {

struct Line {
  std::string spectrum, training, compound;
  // Nothing: the training has no results. A result without answer holds
  // the reason.
  std::optional<Classification> result;
};

bool Unanswered(const Line& l) {
  return l.result && l.result->Answer.empty();
}

std::string Format(const std::vector<Line>& lines, const Args& args) {
  if (args.Has("--json")) {
    Json doc = Json::array();
    for (const Line& l : lines) {
      Json row;
      row["spectrum"] = l.spectrum;
      row["training"] = l.training;
      row["compound"] = l.compound;
      const bool answered = l.result && !Unanswered(l);
      row["answer"] = answered ? Json(l.result->Answer) : Json(nullptr);
      row["score"] = answered ? JsonNumber(l.result->Score) : Json(nullptr);
      if (Unanswered(l)) row["reason"] = l.result->Reason;
      doc.push_back(row);
    }
    return JsonText(doc);
  }
  std::string out;
  const bool csv = args.Has("--csv");
  for (const Line& l : lines) {
    // A row without answer gives its reason in the place of the score.
    const std::string answer = !l.result       ? "not calculated"
                               : Unanswered(l) ? "no answer"
                                               : l.result->Answer;
    const std::string score = !l.result       ? ""
                              : Unanswered(l) ? ShownName(l.result->Reason)
                                              : ScoreText(l.result->Score);
    const std::string spectrum = ShownName(l.spectrum), compound = ShownName(l.compound);
    if (csv)
      out += CsvField(spectrum) + "," + CsvField(compound) + "," + answer + "," + score + "\n";
    else
      out += spectrum + "\t" + compound + "\t" + answer + "\t" + score + "\n";
  }
  return out;
}

void Declare(Args& args) {
  args.Positional("TRAINING|LIST", "a training (.trn) or a training list (.trl)");
  args.Positional("SPECTRUM", "the spectra to classify", -1);
  DeclareOutputOptions(args);
  args.Flag("--json", "a list of objects: spectrum, training, compound, answer, score");
  args.Flag("--csv", "comma-separated values instead of tabs");
  DeclareOpenOptions(args);
  DeclareSelectionOptions(args);
  DeclareProcessingOptions(args);
  args.Footer(
      "Classifies every spectrum as batch classification does: preprocessed against the "
      "training's reference spectrum with its settings, projected onto its loadings and scored. "
      "One line per spectrum and training: spectrum, compound, answer (\"Yes\", \"Poss.\" or "
      "\"No\" by the training's class model) and score (6 significant digits). A training "
      "without calculated results answers \"not calculated\" (JSON null). A spectrum that "
      "cannot be scored against a training (no intensity in its mass window, say) answers \"no "
      "answer\" with the reason in the place of the score (JSON: answer null and a reason); "
      "the other rows are still printed and the exit status is 1. --scan, --apex or --range "
      "choose each spectrum given; a training's reference spectrum opens on its scan of "
      "largest total intensity. A training that names a template (train --template) is used "
      "with its own template, as batch classification does: the reference spectrum opens with "
      "it and hands it on to every spectrum classified. For trainings that name none, "
      "--template, --smooth, --baseline and --nominal give that processing (none by default); "
      "given when no training would use them, they are refused.");
}

int Run(const Args& args) {
  const auto pos = args.Positional();
  if (pos.size() < 2) throw UsageError("classify needs a training or list and at least 1 spectrum");
  if (args.Has("--json") && args.Has("--csv")) throw UsageError("choose one of --json and --csv");
  CheckOutput(args);
  const std::string model = pos[0];
  const std::vector<std::string> spectra(pos.begin() + 1, pos.end());
  const std::string ext = UpperCase(ExtractFileExt(model));
  if (ext != ".TRN" && ext != ".TRL")
    throw UsageError("the first argument must be a training (.trn) or a training list (.trl)");
  if (auto problem = RegularFileProblem(model); !problem.empty())
    throw SorrelError(model + ": " + problem);
  NoteInput(model);

  const ReferenceFrameMaker makeReference = CliReferenceMaker(args);
  std::vector<Line> lines;
  TheUi().messages.clear();
  if (ext == ".TRN") {
    TTraining t(model);
    if (!IsTrainingFile(t)) throw SorrelError(model + ": " + kNotATraining);
    t.Open();
    CheckProcessingUsed(args, model, {t.DefaultTml});
    for (const std::string& s : spectra) {
      std::unique_ptr<SpecFrame> unknown = OpenFrame(s, args);
      Line line{s, model, t.Compound, std::nullopt};
      if (t.HasResults()) {
        try {
          if (t.LoadedSpec.empty())
            throw SorrelError("the training names no spectrum, so it has no reference spectrum");
          std::unique_ptr<PreprocFrame> reference = makeReference(t, t.DirName() + t.LoadedSpec[0]);
          line.result = Classify(t, *reference, *unknown);
        } catch (const SorrelError& e) {
          Classification c;
          c.Calculated = true;
          c.Reason = e.what();
          line.result = c;
        }
      }
      lines.push_back(std::move(line));
    }
  } else {
    std::unique_ptr<TTrainingList> list = OpenCliTrainingList(model);
    std::vector<std::string> templates;
    for (const std::string& path : CheckedTrainingPaths(*list)) {
      TTraining t(path);
      t.Open();
      templates.push_back(t.DefaultTml);
    }
    CheckProcessingUsed(args, model, templates);
    for (const std::string& s : spectra) {
      std::unique_ptr<SpecFrame> unknown = OpenFrame(s, args);
      list->Run(unknown.get(), makeReference);
      for (size_t i = 0; i < list->Rows.size(); ++i) {
        const TrainingRow& row = list->Rows[i];
        if (!row.Checked || row.State == TrainingRow::Status::None) continue;
        Line line{s, list->TrainingS[i].second, row.Caption, std::nullopt};
        if (row.State == TrainingRow::Status::Classified)
          line.result = Classification{true, row.ScoreValue, row.Answer, {}};
        else if (row.State == TrainingRow::Status::NoAnswer)
          line.result = Classification{true, 0.0, {}, row.Reason};
        lines.push_back(std::move(line));
      }
    }
  }
  WriteOutput(args, Format(lines, args));
  // Every row is printed; then the first row without answer, and how many
  // there are, fail the command.
  const auto first = std::find_if(lines.begin(), lines.end(), Unanswered);
  if (first == lines.end()) return 0;
  const auto count = std::count_if(lines.begin(), lines.end(), Unanswered);
  std::fprintf(
      stderr, "sorrel: %s\n",
      OneLine(first->training + ": no answer for " + first->spectrum + ": " +
              first->result->Reason +
              (count > 1 ? " (and " + std::to_string(count - 1) + " more rows without answer)"
                         : std::string()))
          .c_str());
  return 1;
}

const bool registered = RegisterCommand(
    {"classify", "classify spectra against a training or every checked training of a list", Declare,
     Run});

}  // namespace
}  // namespace sorrel::cli
