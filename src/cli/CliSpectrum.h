#pragma once
// Choosing and processing one mass spectrum of an opened file, shared by
// `spectrum`, `convert` and the commands that read spectra.
#include <optional>
#include <string>

#include "cli/Cli.h"
#include "core/plots/Extraction.h"
#include "core/processing/ProcessingChain.h"
#include "core/spectrum/Spec.h"

namespace sorrel::cli {

// --scan N, --apex, --range START:END[:WEIGHT] (repeatable).
void DeclareSelectionOptions(Args& args);
// The selected spectrum of an opened store: a single spectrum as it is; for
// a run the scan, the apex scan (default) or the weighted range sum.
tXYarray SelectSpectrum(TSpec& spec, const Args& args, const std::string& fileName);

// START:END[:WEIGHT] (numbers, the weight a 32-bit float, 1 when left
// out; START not above END), or nothing when the text is not that.
std::optional<WeightedRange> ReadWeightedRange(const std::string& text);
// The check of an option whose values are such ranges.
std::string WeightedRangeProblem(const std::string& text);

// Processing options (--template, --smooth, --baseline, --nominal, --peaks
// and the peak method options): the options of a frame's mass view, run
// through its processing chain. Settings of a template that the chain
// refuses fail naming the template.
void DeclareProcessingOptions(Args& args);
ChainResult ProcessSpectrum(const Args& args, const tXYarray& spectrum);
// The processed spectrum alone.
void ApplyProcessing(const Args& args, tXYarray& spectrum);
// With --peaks: the chain's peak list as text or JSON.
bool WantsPeaks(const Args& args);
std::string PeakTable(const Args& args, const tPeaks& peaks, bool json);

// "m/z<TAB>intensity" lines (or any X<TAB>Y): on standard output the
// shortest text of each value; in a file (`toFile`) the text spectrum
// format, 15 significant digits and CR LF.
std::string SpectrumText(const tXYarray& spectrum, bool toFile);
std::string SpectrumJson(const tXYarray& spectrum);

}  // namespace sorrel::cli
