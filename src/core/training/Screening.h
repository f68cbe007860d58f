#pragma once
// Screening a whole GC/MS run against trainings: which of the compounds
// are in the run, and where.
//
//   1. The run's chromatogram (total ion current) goes through the
//      chromatogram's processing chain: smoothing, baseline, peak search
//      (ScreenSettings, the same steps and settings a plot frame's
//      chromatogram view has).
//   2. Each peak's spectrum is the weighted sum over chromatogram ranges,
//      as a run frame sums its ranges (SumRangeMass): the scans of the peak
//      above half its height (over the line joining its start and end)
//      with weight 1, then the scans just after the
//      peak's end, the background, with the weight -(peak scans /
//      background scans). A frame given the same ranges shows the same
//      spectrum. (The background is taken after the peak because the
//      frame's sum never goes below 0 on the way: a negative range before
//      the peak would subtract from nothing.)
//   3. Each peak's spectrum is classified against every training, each
//      with its own template and class model, as batch classification
//      does.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "core/common/Types.h"
#include "core/plots/Extraction.h"
#include "core/processing/ProcessingOptions.h"
#include "core/training/TrainingList.h"

namespace sorrel {

class TSpec;

struct ScreenSettings {
  // The chromatogram's chain before the search: Savitzky-Golay window
  // index 2 (9 scans), the automatic baseline level.
  rSmooth Smooth{2, false, true};
  rBLine BLine{0, true, true};
  // The standard peak search, sensitivity 8 (half-window 4 scans).
  rPeak Peak{0, 8, 0, 0, 0, true};
  // Peaks lower than this many times the noise of the chromatogram (the
  // median absolute step between neighbouring scans of the total ion
  // current as read) are not screened; 0 keeps every peak the search finds. A peak's height
  // is measured from the straight line joining its start and end.
  double MinSignalToNoise = 10;
  // Scans of background after each peak.
  int32_t BackgroundScans = 5;
};

struct ScreenPeak {
  int32_t Apex = 0;   // scan of the apex (from 0)
  int32_t First = 0;  // first and last scan summed for the peak
  int32_t Last = 0;
  double Rt = 0;  // retention time of the apex, seconds
  // Of the apex in the processed chromatogram, above the straight line
  // joining the peak's start and end.
  double Height = 0;
  // The chromatogram ranges (seconds) whose weighted sum is the spectrum:
  // the peak, then the background when there is one.
  std::vector<WeightedRange> Ranges;
  tXYarray Spectrum;
  // Why the peak has no spectrum (its scans cannot be summed); its rows
  // then give this reason.
  std::string Problem;
};

// Told as a screening goes on: steps done and steps in all (each peak
// summed, then each peak classified; the count is known once the peaks are
// found). Answering false stops the screening, which then throws
// WorkCancelled.
using ScreenProgress = std::function<bool(int64_t done, int64_t total)>;

// The peaks of the run in order of retention time, each with its summed
// spectrum. A run without scans has none. Throws SorrelError when the
// settings are refused (a smoothing window or sensitivity out of range),
// MathError on an arithmetic fault. `progress` hears of each peak summed,
// out of twice the peaks (their classification follows in ScreenRun).
std::vector<ScreenPeak> FindScreenPeaks(TSpec& run, const ScreenSettings& settings,
                                        const ScreenProgress& progress = {});

// One training of a screening: its file, compound, the training itself
// and its reference spectrum (opened with the training's template), or why
// it cannot be used.
struct ScreenTraining {
  std::string Path;
  std::string Compound;
  std::unique_ptr<TTraining> Training;
  std::unique_ptr<PreprocFrame> Reference;
  std::string Problem;  // why it gives no answers; empty when it can
};

// The Problem of a training that is not calculated.
inline constexpr const char* kTrainingNotCalculated = "the training is not calculated";

// Opens each training file and its reference spectrum once for the whole
// screening. A file that cannot be read, a training that is not
// calculated, a reference or template that is missing: the training is
// kept with its Problem.
std::vector<ScreenTraining> OpenScreenTrainings(const std::vector<std::string>& paths,
                                                const ReferenceFrameMaker& makeReference);

struct ScreenRow {
  size_t Peak = 0;      // index into the peaks
  size_t Training = 0;  // index into the trainings
  // As Classify answers; a training with a Problem gives no answer and
  // that reason (Calculated false for one that is not calculated).
  Classification Result;
};

struct ScreenResult {
  std::vector<ScreenPeak> Peaks;
  // One row per peak and training, peak by peak, the trainings in order.
  std::vector<ScreenRow> Rows;
};

// Screens the run against the trainings. Long runs show their progress
// (WorkProgressReport), and `progress` hears of every step.
ScreenResult ScreenRun(TSpec& run, std::vector<ScreenTraining>& trainings,
                       const ScreenSettings& settings, const ScreenProgress& progress = {});

}  // namespace sorrel
