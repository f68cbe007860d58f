#pragma once
// Preprocessing for PCA: one spectrum becomes one row of the data matrix on
// the training's grid of nominal masses (nominal-mass split, cut to the
// training's bounds, optional normalisation to a reference spectrum,
// optional intensity weighting by mass). The frames a training takes its
// spectra from (plots/PreprocFrame.h) come down to this.
#include <cstdint>
#include <string>

#include "core/common/Types.h"

namespace sorrel {

// The training's preprocessing settings.
struct PreprocSettings {
  int32_t LowBound = 0;
  int32_t HighBound = 0;
  bool Normalize = false;
  double IncSens = 0.0;  // 0 means no weighting
};

// Preprocesses `spectrum` with `reference` as the normalisation reference:
//   1. S = NomMassSplit(spectrum) on the grid of integer masses LowBound
//      to HighBound: S[i] is mass LowBound + i, with the intensity the
//      nominal spectrum has there (0 where it has none). For a spectrum
//      that covers the bounds this is CutToBounds(LowBound, HighBound);
//      one that does not keeps its intensities at their own masses;
//   2. xvals[i] = LowBound + i;
//   3. factor = (sum of Y of the reference cut the same way) / (sum of Y of
//      S) with Normalize, else 1;
//   4. row[i] = |xvals[i]|^IncSens * (factor * Y of S[i]), or factor * Y
//      when IncSens is 0.
// LowBound not below HighBound gives an empty row and empty xvals. With
// Normalize, a spectrum whose intensities sum to 0 in the window throws
// MathError naming `name` (the spectrum's file, when there is one); row and
// xvals are then untouched.
void PreprocessRow(const PreprocSettings& settings, const tXYarray& reference,
                   const tXYarray& spectrum, adouble& row, adouble& xvals,
                   const std::string& name = {});

}  // namespace sorrel
