#include "core/processing/ProcessingChain.h"

#include <utility>

#include "core/processing/SpMath.h"
#include "core/spectrum/Conversions.h"

namespace sorrel {

namespace {

std::string SmoothingProblem(const rSmooth& s) {
  return "the smoothing window index " + std::to_string(s.SGDegree) + " is outside 1 to 10";
}

std::string PeakProblem(const rPeak& p) {
  if (!ValidSensiv(p.Sensiv))
    return "the peak sensitivity " + std::to_string(p.Sensiv) + " is outside 1 to 11";
  return "the peak method " + std::to_string(p.Method) +
         " is none of 0 (standard), 1 (first derivative) and 2 (adaptive)";
}

}  // namespace

ChainResult ProcessChain(const tXYarray& input, const ChainSettings& settings,
                         const LabelScale& labels) {
  ChainResult r;
  // The input is read in place; each step that runs writes the next stage.
  tXYarray stage;
  const tXYarray* cur = &input;
  auto advance = [&](tXYarray&& next) {
    stage = std::move(next);
    cur = &stage;
  };

  if (settings.Smooth.Enabled) {
    rSmooth smooth = settings.Smooth;
    if (settings.Chromatogram) smooth.FillNull = false;  // only mass axes have holes to fill
    tXYarray next;
    const StepResult s = SGSmooth(*cur, smooth, next);
    if (!s.Error.empty()) r.Problems.push_back({s.Error, SmoothingProblem(smooth)});
    advance(std::move(next));
    r.Flags += 'S';
  }

  if (settings.BLine.Enabled) {
    tXYarray next;
    const BaselineResult b = SubtractBaseline(*cur, settings.BLine, next);
    if (b.Done) {
      advance(std::move(next));
      if (settings.BLine.AutoTS) r.AutomaticThreshold = b.Threshold;
    }
    r.Flags += 'B';
  }

  if (!settings.Chromatogram && settings.NominalMasses) {
    advance(NomMassRound(*cur));
    r.Flags += 'N';
  }

  if (settings.Peak.Enabled) {
    if (!settings.Chromatogram && settings.Peak.Method == 2) {
      if (labels) MarkPeaksAdaptive(*cur, labels(*cur), r.Peaks);
    } else {
      const StepResult p = FindPeaks(*cur, settings.Peak, r.Derivative, r.Peaks);
      if (!p.Error.empty()) r.Problems.push_back({p.Error, PeakProblem(settings.Peak)});
      r.HasDerivative = p.Done && settings.Peak.Method == 1;
    }
    r.Flags += 'P';
  }

  if (settings.ShowDerivative && r.HasDerivative)
    r.Output = r.Derivative;
  else if (cur == &input)
    r.Output = input;
  else
    r.Output = std::move(stage);
  return r;
}

}  // namespace sorrel
