// Processing options of the spectrum commands. The processing chain is not
// built yet: no option is declared, so none can be asked for.
#include "CliSpectrum.h"

namespace sorrel::cli {

void DeclareProcessingOptions(Args&) {}

void ApplyProcessing(const Args&, tXYarray&) {}

bool WantsPeaks(const Args&) {
  return false;
}

std::string PeakTable(const Args&, const tXYarray&, bool) {
  return {};
}

}  // namespace sorrel::cli
