#pragma once
// The processing chain of a frame's view with the frame's options: what a
// plot frame runs to redraw its mass spectrum (ProcessMass) or its
// chromatogram (ProcessChrom), and what `sorrel spectrum` runs with the
// mass half of a template.
#include "core/plots/SpOpt.h"
#include "core/processing/ProcessingChain.h"

namespace sorrel {

// The chain settings of the chromatogram's view (`chromatogram` true) or
// of the mass spectrum's: the view's smoothing, baseline and peak settings,
// and for the mass spectrum unit masses when its axis is in nominal units
// (XUnits 1).
ChainSettings ViewChainSettings(const tSpOpt& options, bool chromatogram,
                                bool showDerivative = false);

// The view's chain over `input`. In automatic-threshold mode the level
// the baseline used becomes the view's Threshold, which the frame's
// threshold box shows and a template saves.
ChainResult ProcessView(const tXYarray& input, tSpOpt& options, bool chromatogram,
                        bool showDerivative = false, const LabelScale& labels = {});

}  // namespace sorrel
