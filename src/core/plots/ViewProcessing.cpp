#include "core/plots/ViewProcessing.h"

namespace sorrel {

ChainSettings ViewChainSettings(const tSpOpt& options, bool chromatogram, bool showDerivative) {
  const ToView& v = options.View(chromatogram);
  ChainSettings s;
  s.Chromatogram = chromatogram;
  s.Smooth = v.Smooth;
  s.BLine = v.BLine;
  s.Peak = v.Peak;
  s.NominalMasses = !chromatogram && v.XUnits == 1;
  s.ShowDerivative = showDerivative;
  return s;
}

ChainResult ProcessView(const tXYarray& input, tSpOpt& options, bool chromatogram,
                        bool showDerivative, const LabelScale& labels) {
  ChainResult r =
      ProcessChain(input, ViewChainSettings(options, chromatogram, showDerivative), labels);
  if (r.AutomaticThreshold) options.View(chromatogram).BLine.Threshold = *r.AutomaticThreshold;
  return r;
}

}  // namespace sorrel
