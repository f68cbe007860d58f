#pragma once
// What `pca`, `train` and `classify` share: spectra opened as frames with
// the command line's selection and processing, the training settings, and
// the workbench's calculation.
#include <memory>
#include <string>
#include <vector>

#include "cli/Cli.h"
#include "core/common/Errors.h"
#include "core/plots/PreprocFrame.h"
#include "core/training/Training.h"
#include "core/training/TrainingCalc.h"
#include "core/training/TrainingList.h"

namespace sorrel::cli {

// The most spectra a training takes: one per plot frame of the desktop
// program.
inline constexpr size_t kMaxTrainingSpectra = 35;

// --low, --high, --normalize, --incsens, --loadings, --precision, plus the
// open, selection and processing options of the spectra.
void DeclareTrainingOptions(Args& args);

// A spectrum file as a frame: opened as the desktop program opens it, a run
// reduced to the selected spectrum, the processing options as the frame's
// options.
std::unique_ptr<SpecFrame> OpenFrame(const std::string& path, const Args& args);

// The processing options of the command line as a frame's processing.
SpecFrame::Processing ArgsProcessing(const Args& args);
// Whether any of --template, --smooth, --baseline and --nominal is given.
bool HasProcessingOptions(const Args& args);

// A training's reference spectrum as a frame: opened with the open options
// (--first-mass, --skip-bad), in the view it opens on (a run's scan of
// largest total intensity; the selection options are for the spectra
// given), with `processing`.
std::unique_ptr<SpecFrame> OpenReferenceFrame(const std::string& path, const Args& args,
                                              SpecFrame::Processing processing);

struct CliFrames {
  std::vector<std::unique_ptr<SpecFrame>> owned;
  FrameList frames;
  std::vector<std::string> names;  // as given on the command line
};
CliFrames OpenFrames(const std::vector<std::string>& paths, const Args& args);

// Fills the training's settings from the options: bounds (default: the
// workbench's unified bounds of the spectra), Normalize, IncSens,
// PrecPower, NLoadings (default: number of spectra - 3, at least 1).
void ApplySettings(const Args& args, const CliFrames& frames, TTraining& training);

// The workbench's Calculate PC's with the training's NLoadings. A bounds
// problem or too many components fail with a message naming the spectrum
// or the counts.
PcaResults Calculate(TTraining& training, const CliFrames& frames);

// The spectra's names as given, for messages.
std::string SpectraText(const CliFrames& frames);
// A failure of the calculation (an arithmetic fault, a singular matrix)
// as one message: what failed, why (a singular matrix says why it is one),
// and the spectra it was calculated from.
SorrelError CalculationFailure(const std::string& about, const SorrelError& e,
                               const CliFrames& frames);

// The trainings `classify` and `screen` use: a training (.trn) or the
// checked trainings of a list (.trl).

// Whether the file is a training at all: every training file holds a
// [General] section (its settings, written first); a file without one is
// something else, not a training without results.
bool IsTrainingFile(const TTraining& t);
// Why such a file is refused.
inline constexpr const char* kNotATraining = "not a training file (it has no [General] section)";

// The list at `path`, opened and its rows filled: refused with a message
// naming it when it is empty, no list, names a training that is missing
// or is no training, or has no training checked. Its trainings count as
// inputs (no output replaces them).
std::unique_ptr<TTrainingList> OpenCliTrainingList(const std::string& path);

// The reference spectrum of a training as the command line opens it: in
// the view it opens on, with the training's own template; a training that
// names none gets the processing options of the command line. It hands its
// processing on to every spectrum classified against it.
ReferenceFrameMaker CliReferenceMaker(const Args& args);

// Refuses processing options that no training would use (every one of
// `templates` names its own template) rather than ignoring them.
void CheckProcessingUsed(const Args& args, const std::string& model,
                         const std::vector<std::string>& templates);

}  // namespace sorrel::cli
