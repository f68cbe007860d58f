// sorrel classify (TRAINING.trn | LIST.trl) SPECTRUM...
#include <algorithm>
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
  std::optional<Classification> result;  // nothing: the training has no results
};

// Every training file holds a [General] section (its settings, written
// first); a file without one is something else, not a training without
// results.
bool IsTraining(const TTraining& t) {
  return t.SectionExists("General");
}
const char* const kNotATraining = "not a training file (it has no [General] section)";

std::string CsvField(const std::string& s) {
  if (s.find_first_of(",\"\r\n") == std::string::npos) return s;
  std::string out = "\"";
  for (char c : s) {
    if (c == '"') out += '"';
    out += c;
  }
  return out + "\"";
}

std::string Format(const std::vector<Line>& lines, const Args& args) {
  if (args.Has("--json")) {
    Json doc = Json::array();
    for (const Line& l : lines) {
      Json row;
      row["spectrum"] = l.spectrum;
      row["training"] = l.training;
      row["compound"] = l.compound;
      row["answer"] = l.result ? Json(l.result->Answer) : Json(nullptr);
      row["score"] = l.result ? JsonNumber(l.result->Score) : Json(nullptr);
      doc.push_back(row);
    }
    return JsonText(doc);
  }
  std::string out;
  const bool csv = args.Has("--csv");
  for (const Line& l : lines) {
    const std::string answer = l.result ? l.result->Answer : "not calculated";
    const std::string score = l.result ? ScoreText(l.result->Score) : "";
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
      "\"No\" by the training's limits) and score (6 significant digits). A training without "
      "calculated results answers \"not calculated\" (JSON null). --scan, --apex or --range "
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

  // The reference spectrum of a training, in the view it opens on, with the
  // training's own template; a training that names none gets the
  // processing options of the command line. The reference hands its
  // processing on to every spectrum classified against it.
  ReferenceFrameMaker makeReference = [&args](const TTraining& t, const std::string& path) {
    if (!FileExists(path) && FileKindOf(path) != fkMassLynx)
      throw SorrelError("its reference spectrum " + path + " does not exist");
    return std::unique_ptr<PreprocFrame>(OpenReferenceFrame(
        path, args,
        NamesTemplate(t.DefaultTml) ? TemplateProcessing(t.DefaultTml) : ArgsProcessing(args)));
  };
  // Processing options that no training would use are refused rather than
  // ignored.
  auto checkProcessingUsed = [&args, &model](const std::vector<std::string>& templates) {
    if (!HasProcessingOptions(args) || templates.empty()) return;
    for (const std::string& tml : templates)
      if (!NamesTemplate(tml)) return;
    throw UsageError(model + ": classified with its own template " + templates.front() +
                     (templates.size() > 1 ? " (each checked training with its own)" : "") +
                     "; --template, --smooth, --baseline and --nominal apply only to "
                     "trainings that name none");
  };

  std::vector<Line> lines;
  TheUi().messages.clear();
  if (ext == ".TRN") {
    TTraining t(model);
    if (!IsTraining(t)) throw SorrelError(model + ": " + kNotATraining);
    t.Open();
    checkProcessingUsed({t.DefaultTml});
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
          throw SorrelError(model + ": " + e.what() + " (classifying " + s + ")");
        }
      }
      lines.push_back(std::move(line));
    }
  } else {
    TTrainingList list(model);
    // A list holds its trainings in a [List] section (one key per training).
    if (!list.SectionExists("List")) {
      const auto lines = list.GetStrings();
      const bool blank = std::all_of(lines.begin(), lines.end(),
                                     [](const std::string& l) { return TrimBlanks(l).empty(); });
      throw SorrelError(model + (blank ? ": the training list is empty"
                                       : ": not a training list (it has no [List] section)"));
    }
    if (list.ReadSection("List").empty()) throw SorrelError(model + ": the training list is empty");
    if (!list.Open()) throw SorrelError(model + ": " + TheUi().MessagesText());
    list.FillRows();
    for (const auto& entry : list.TrainingS)
      NoteInput(entry.second);
    std::vector<std::string> templates;
    for (size_t i = 0; i < list.Rows.size(); ++i)
      if (list.Rows[i].Checked) {
        TTraining t(list.TrainingS[i].second);
        if (!IsTraining(t))
          throw SorrelError(model + ": its training " + list.TrainingS[i].second + " is " +
                            kNotATraining);
        t.Open();
        templates.push_back(t.DefaultTml);
      }
    if (templates.empty())
      throw SorrelError(model + ": no training of the list is checked (" +
                        std::to_string(list.Rows.size()) + " listed), so nothing is classified");
    checkProcessingUsed(templates);
    for (const std::string& s : spectra) {
      std::unique_ptr<SpecFrame> unknown = OpenFrame(s, args);
      try {
        list.Run(unknown.get(), makeReference);
      } catch (const SorrelError& e) {
        throw SorrelError(std::string(e.what()) + " (classifying " + s + ")");
      }
      for (size_t i = 0; i < list.Rows.size(); ++i) {
        const TrainingRow& row = list.Rows[i];
        if (!row.Checked || row.State == TrainingRow::Status::None) continue;
        Line line{s, list.TrainingS[i].second, row.Caption, std::nullopt};
        if (row.State == TrainingRow::Status::Classified)
          line.result = Classification{true, row.ScoreValue, row.Answer, {}};
        lines.push_back(std::move(line));
      }
    }
  }
  WriteOutput(args, Format(lines, args));
  return 0;
}

const bool registered = RegisterCommand(
    {"classify", "classify spectra against a training or every checked training of a list", Declare,
     Run});

}  // namespace
}  // namespace sorrel::cli
