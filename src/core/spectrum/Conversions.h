#pragma once
// Conversions that put spectra on a grid of nominal (integer) masses, the
// cut of a spectrum to a mass window, and the search for its highest point.
// Each writes a new array; the input is never changed.
#include "core/common/Types.h"

namespace sorrel {

// Largest number of points a nominal-mass output may have. A spectrum
// whose masses span more than this (a corrupt file with a mass of 1e30,
// say) is refused with SorrelError instead of exhausting the memory.
inline constexpr double kMaxNominalPoints = 1.0e7;

// Nominal-mass spectrum: the intensity at a fractional mass is shared
// linearly between the two neighbouring integer masses. The output has
// ceil(last) - trunc(first) + 2 points. An empty input leaves `out` as it is.
void NomMassSplit(const tXYarray& spectrum, tXYarray& out);

// Nominal-mass spectrum: every intensity goes to the nearest integer mass,
// a mass halfway between two integers to the even one. The output runs
// from floor(first) to ceil(last). An empty input leaves `out` as it is.
void NomMassRound(const tXYarray& spectrum, tXYarray& out);
tXYarray NomMassRound(const tXYarray& spectrum);

// The points with Low <= X <= High, on an output of
// ceil(High) - trunc(Low) + 1 points padded with (0, 0). An empty input or
// Low >= High leaves `out` as it is.
void CutToBounds(const tXYarray& spectrum, double low, double high, tXYarray& out);

// The first point with the largest Y; (0, 0) for an empty spectrum.
dPoint HighestPoint(const tXYarray& spectrum);

}  // namespace sorrel
