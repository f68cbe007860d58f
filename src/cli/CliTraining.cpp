#include "cli/CliTraining.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "cli/CliOpen.h"
#include "cli/CliSpectrum.h"
#include "core/common/Errors.h"
#include "core/common/NumberText.h"
#include "core/common/Paths.h"
#include "core/pca/Nipals.h"
#include "core/plots/Extraction.h"
#include "core/plots/TemplateName.h"

namespace sorrel::cli {

void DeclareTrainingOptions(Args& args) {
  args.Group("Training settings");
  args.Option("--low", "L", "lower mass bound of the data matrix")
      .Integer(0, std::numeric_limits<int32_t>::max())
      .Default("the largest first mass of the spectra");
  args.Option("--high", "H", "higher mass bound of the data matrix")
      .Integer(0, std::numeric_limits<int32_t>::max())
      .Default("the smallest last mass of the spectra");
  args.Flag("--normalize", "scale every spectrum to the reference's total intensity");
  args.Option("--incsens", "X",
              "weight intensities by mass^X (0: no weighting), with at most one decimal as the "
              "training file keeps it")
      .Number(0, 5)
      .Default("0");
  args.Option("--loadings", "A", "number of components")
      .Integer(1, std::numeric_limits<int32_t>::max())
      .Default("number of spectra - 3, at least 1");
  args.Option("--precision", "P", "NIPALS stops when the scores change by at most 10^-P")
      .Integer(1, 10)
      .Default("3");
  DeclareOpenOptions(args);
  DeclareSelectionOptions(args);
  DeclareProcessingOptions(args);
}

std::string SpectraText(const CliFrames& frames) {
  std::string out;
  for (const std::string& n : frames.names)
    out += (out.empty() ? "" : ", ") + n;
  return out;
}

SorrelError CalculationFailure(const std::string& about, const SorrelError& e,
                               const CliFrames& frames) {
  std::string why = e.what();
  if (why.find("GAUSSJ") != std::string::npos)
    why +=
        ": the scores of the spectra do not spread over every component (as with identical "
        "spectra), so their covariance matrix has no inverse";
  return SorrelError(about + ": " + why + " (spectra " + SpectraText(frames) + ")");
}

SpecFrame::Processing ArgsProcessing(const Args& args) {
  const Args* options = &args;
  return [options](const tXYarray& in) {
    tXYarray out = in;
    ApplyProcessing(*options, out);
    return out;
  };
}

bool HasProcessingOptions(const Args& args) {
  for (const char* o : {"--template", "--smooth", "--baseline", "--nominal"})
    if (args.Has(o)) return true;
  return false;
}

namespace {

std::unique_ptr<SpecFrame> OpenFrameWith(const std::string& path, const Args& args, bool select,
                                         SpecFrame::Processing processing) {
  if (WantsPeaks(args)) throw UsageError("--peaks gives a peak list; it does not apply here");
  auto frame = std::make_unique<SpecFrame>();
  OpenInput(frame->Spec(), path, args);
  TSpec& spec = frame->Spec();
  tXYarray selected = select             ? SelectSpectrum(spec, args, path)
                      : spec.NSpec() > 0 ? spec.GetMass(InitialScan(spec.Chrom))
                                         : spec.CMass;
  if (selected.empty()) throw SorrelError(path + ": holds no mass spectrum");
  // The processing options are the frame's options: the reference frame
  // hands them on to every spectrum it preprocesses, as in the workbench.
  frame->SetProcessing(std::move(processing));
  frame->Select(std::move(selected));
  frame->SetFileName(path);
  return frame;
}

}  // namespace

std::unique_ptr<SpecFrame> OpenFrame(const std::string& path, const Args& args) {
  return OpenFrameWith(path, args, true, ArgsProcessing(args));
}

std::unique_ptr<SpecFrame> OpenReferenceFrame(const std::string& path, const Args& args,
                                              SpecFrame::Processing processing) {
  return OpenFrameWith(path, args, false, std::move(processing));
}

CliFrames OpenFrames(const std::vector<std::string>& paths, const Args& args) {
  CliFrames f;
  for (const std::string& p : paths) {
    f.owned.push_back(OpenFrame(p, args));
    f.frames.push_back(f.owned.back().get());
    f.names.push_back(p);
  }
  return f;
}

void ApplySettings(const Args& args, const CliFrames& frames, TTraining& t) {
  int32_t low = 0, high = 0;
  if (!UnifiedBounds(frames.frames, low, high))
    throw SorrelError("none of the spectra has a point, so there are no mass bounds");
  const bool given = args.Has("--low") || args.Has("--high");
  low = args.Integer("--low", low);
  high = args.Integer("--high", high);
  if (low >= high) {
    if (given)
      throw UsageError("the lower bound " + std::to_string(low) +
                       " must be below the higher bound " + std::to_string(high));
    throw SorrelError("the spectra have no common mass range: the largest first mass is " +
                      std::to_string(low) + ", the smallest last mass " + std::to_string(high));
  }
  t.LowBound = low;
  t.HighBound = high;
  t.Normalize = args.Has("--normalize");
  // The training file keeps IncSens to one decimal: a value with more
  // would weight the training's spectra otherwise than those classified
  // against it.
  t.IncSens = args.Number("--incsens");
  if (OneDecimal(t.IncSens) != t.IncSens)
    throw UsageError("--incsens takes a value from 0 to 5 with at most one decimal, not " +
                     Num(t.IncSens));
  t.PrecPower = args.Integer("--precision");
  const int n = static_cast<int>(frames.frames.size());
  t.NLoadings = args.Integer("--loadings", std::max(1, n - 3));
  if (t.NLoadings > n)
    throw UsageError("--loadings " + std::to_string(t.NLoadings) + " is more than the " +
                     std::to_string(n) + " spectra");
}

PcaResults Calculate(TTraining& t, const CliFrames& f) {
  TheUi().messages.clear();
  PcaResults r;
  bool calculated = false;
  try {
    calculated = CalculatePCs(t, f.frames, t.NLoadings, r);
  } catch (const SorrelError& e) {
    throw CalculationFailure("the principal components", e, f);
  }
  if (!calculated) {
    // Name the spectrum the bounds check stopped at.
    for (size_t i = 0; i < f.frames.size(); ++i) {
      const tXYarray& s = f.frames[i]->CurrentMass();
      const double first = std::trunc(static_cast<double>(s.front()[0]));
      if (t.LowBound < first)
        throw SorrelError(f.names[i] + ": the spectrum starts at m/z " + Num(first) +
                          ", above the lower bound " + std::to_string(t.LowBound) + " (" +
                          TheUi().MessagesText() + ")");
    }
    for (size_t i = 0; i < f.frames.size(); ++i) {
      const tXYarray& s = f.frames[i]->CurrentMass();
      const double last = std::ceil(static_cast<double>(s.back()[0]));
      if (last < t.HighBound)
        throw SorrelError(f.names[i] + ": the spectrum ends at m/z " + Num(last) +
                          ", below the higher bound " + std::to_string(t.HighBound) + " (" +
                          TheUi().MessagesText() + ")");
    }
    throw SorrelError(TheUi().MessagesText());
  }
  if (r.Loadings.empty())
    throw SorrelError(std::to_string(t.NLoadings) + " loadings need at least as many spectra; " +
                      std::to_string(r.Data.size()) + " were given");
  return r;
}

bool IsTrainingFile(const TTraining& t) {
  return t.SectionExists("General");
}

std::unique_ptr<TTrainingList> OpenCliTrainingList(const std::string& path) {
  auto list = std::make_unique<TTrainingList>(path);
  // A list holds its trainings in a [List] section (one key per training).
  if (!list->SectionExists("List")) {
    const auto lines = list->GetStrings();
    const bool blank = std::all_of(lines.begin(), lines.end(),
                                   [](const std::string& l) { return TrimBlanks(l).empty(); });
    throw SorrelError(path + (blank ? ": the training list is empty"
                                    : ": not a training list (it has no [List] section)"));
  }
  if (list->ReadSection("List").empty()) throw SorrelError(path + ": the training list is empty");
  TheUi().messages.clear();
  if (!list->Open()) throw SorrelError(path + ": " + TheUi().MessagesText());
  list->FillRows();
  for (const auto& entry : list->TrainingS)
    NoteInput(entry.second);
  size_t checked = 0;
  for (size_t i = 0; i < list->Rows.size(); ++i) {
    if (!list->Rows[i].Checked) continue;
    ++checked;
    if (!IsTrainingFile(TTraining(list->TrainingS[i].second)))
      throw SorrelError(path + ": its training " + list->TrainingS[i].second + " is " +
                        kNotATraining);
  }
  if (checked == 0)
    throw SorrelError(path + ": no training of the list is checked (" +
                      std::to_string(list->Rows.size()) + " listed), so nothing is classified");
  return list;
}

ReferenceFrameMaker CliReferenceMaker(const Args& args) {
  return [&args](const TTraining& t, const std::string& path) {
    if (!FileExists(path) && FileKindOf(path) != fkMassLynx)
      throw SorrelError("its reference spectrum " + path + " does not exist");
    return std::unique_ptr<PreprocFrame>(OpenReferenceFrame(
        path, args,
        NamesTemplate(t.DefaultTml) ? TemplateProcessing(t.DefaultTml) : ArgsProcessing(args)));
  };
}

void CheckProcessingUsed(const Args& args, const std::string& model,
                         const std::vector<std::string>& templates) {
  if (!HasProcessingOptions(args) || templates.empty()) return;
  for (const std::string& tml : templates)
    if (!NamesTemplate(tml)) return;
  throw UsageError(model + ": classified with its own template " + templates.front() +
                   (templates.size() > 1 ? " (each checked training with its own)" : "") +
                   "; --template, --smooth, --baseline and --nominal apply only to "
                   "trainings that name none");
}

}  // namespace sorrel::cli
