#pragma once
// The logic of the "PCA Options" dialog that closes Save Training: the
// values it edits (the two identification limits, the number of loadings
// used, the compound), the summary of how the training was calculated, and
// the rules of showing it and of OK.
#include <string>
#include <vector>

namespace sorrel {

class TTraining;

struct PcaOptionsValues {
  // The limits' spin edits: 0 to 1000, one decimal.
  static constexpr double kMaxLimit = 1000.0;
  double PPID = 2.0;
  double PNID = 5.0;
  int NLoadings = 4;
  std::string Compound;
};

// The summary lines: normalisation, increased sensitivity, precision, the
// mass boundaries, an empty line, "Proceeded spectra:" and the spectra.
std::vector<std::string> OptionsSummary(const TTraining& training);

// On show: a training that is not calculated gives the error box "PC's
// are not calculated yet." and false, and the values stay as they were.
// Otherwise the values are taken from the training (the compound, or the
// file's name without directory and extension when it has none; each limit
// only when it is above 0) and `summary` gets its lines.
bool LoadOptions(const TTraining& training, PcaOptionsValues& values,
                 std::vector<std::string>& summary);

// On OK: the values go into the training. Without a compound the error box
// "The field compound must be filled in." is shown and false answered (the
// dialog then closes as cancelled; the values stay in the training).
bool ApplyOptions(TTraining& training, const PcaOptionsValues& values);

}  // namespace sorrel
