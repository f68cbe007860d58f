#pragma once
// The processing chain of a view: what a plot frame runs on every redraw of
// its chromatogram or mass spectrum, and what `sorrel spectrum` runs on the
// spectrum it prints. In this order, each step on the result of the one
// before and each only when its settings enable it:
//
//   S  smoothing (SGSmooth; the mass spectrum's gaps filled first when its
//      FillNull is set, a chromatogram never),
//   B  baseline removal (SubtractBaseline),
//   N  unit masses (NomMassRound; mass spectrum in nominal units only),
//   P  peak detection (FindPeaks; for the mass spectrum's adaptive method,
//      the labels MarkPeaksAdaptive lays out for the chart).
//
// The letters of the steps that ran, in this order, are the view's status;
// an enabled step counts as run even when it refused its settings or had
// an empty spectrum to work on.
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "core/common/Types.h"
#include "core/processing/Peak.h"
#include "core/processing/ProcessingOptions.h"

namespace sorrel {

// The settings of one view's chain.
struct ChainSettings {
  bool Chromatogram = false;  // the chromatogram's chain: no gap filling, no unit masses
  rSmooth Smooth;
  rBLine BLine;
  rPeak Peak;
  bool NominalMasses = false;   // the mass axis in nominal units (XUnits 1)
  bool ShowDerivative = false;  // "Show First Dev.": show the first derivative of method 1
};

// The chart the adaptive labels are laid out for, asked with the spectrum
// it is going to show (the command line fits its chart to the spectrum, a
// frame reads its axes).
using LabelScale = std::function<ChartScale(const tXYarray& shown)>;

// A setting the chain refused: the step's own text ("Smoothing/Wrong peak
// factor", "Peaking/Wrong peak sensitivity", "Peaking/Wrong peak method")
// and what was wrong with which value, for a message.
struct ChainProblem {
  std::string Text;
  std::string Detail;
};

struct ChainResult {
  // What the view shows: the last stage, or the first derivative when it
  // is to be shown and the peak search made one.
  tXYarray Output;
  tPeaks Peaks;         // the view's peak list
  tXYarray Derivative;  // the first derivative when method 1 ran, else empty
  bool HasDerivative = false;
  // The level the baseline subtracted in automatic mode; a frame shows it
  // and keeps it in its options' Threshold.
  std::optional<double> AutomaticThreshold;
  std::string Flags;                   // "S", "B", "N", "P" of the steps that ran
  std::vector<ChainProblem> Problems;  // settings refused, in the order of the steps
};

// Runs the chain over `input` (not changed). A step whose settings are
// refused does what the step does with them (smoothing leaves the
// spectrum unsmoothed, peak detection finds nothing), the chain goes on and
// the refusal is listed in Problems. The adaptive labels are made only when
// `labels` is given. Arithmetic faults (MathError) and spectra beyond the
// steps' limits (SorrelError) are thrown.
ChainResult ProcessChain(const tXYarray& input, const ChainSettings& settings,
                         const LabelScale& labels = {});

}  // namespace sorrel
