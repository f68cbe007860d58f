#pragma once
// The calibrated class model of a training: limits computed from the
// training's own spectra, so that "Yes" means "as close to this compound
// as its own spectra are to each other" at a stated significance.
//
// The statistic is a spectral dissimilarity on the training's mass grid:
// every spectrum (a preprocessed row) is weighted as mass-spectral library
// search weights it, sqrt(intensity) * sqrt(m/z), so that the many small
// fragments count beside the base peak and heavier ions a little more, and
// scaled to unit length; the dissimilarity of an unknown is
// D = 1 - (the largest cosine between it and a training spectrum), the
// distance to its nearest training spectrum. Nearest, not the mean: the
// spectra of one compound from different instruments or ionisation
// energies may form groups, and an unknown close to any of them belongs.
//
// The limits come from leave-one-out: each training spectrum's
// dissimilarity to the others, d_j. Their distribution is taken as a
// scaled chi-square g * chi2(h) with the moments of the d_j (g = v / 2m,
// h = 2m^2 / v, h between 1 and 100), as class-modelling tools treat their
// distances; "Yes" is D up to the limit exceeded with probability
// Significance, "Poss." D up to the limit of PossSignificance.
//
// Spectra of one compound from one instrument can be so alike that their
// limits fall below what the noise of a measured spectrum alone makes of
// D: a caffeine training of three GC-EI-TOF library spectra has a "Yes"
// limit of 0.0025, while the same compound's spectrum summed from a
// synthetic run with bleed and noise lies at 0.0086. The "Yes" limit is
// therefore never below kDissimilarityFloor (0.02, a cosine of 0.98);
// where it is raised, the "Poss." limit is raised in proportion.
#include <string>

#include "core/common/Types.h"

namespace sorrel {

// The answer a training gives.
enum class tClassModel {
  Standard,    // the Mahalanobis score against the limits PPID and PNID
  Calibrated,  // the spectral dissimilarity against the calibrated limits
};

struct tCalibration {
  double Significance = 0.05;       // of the "Yes" limit
  double PossSignificance = 0.001;  // of the "Poss." limit
  adouble Distances;                // leave-one-out dissimilarity of each training spectrum
  double Mean = 0;                  // their mean m
  double DoF = 0;                   // h of the scaled chi-square fitted to them
  double YesLimit = 0;
  double PossLimit = 0;
  aadouble Spectra;  // the training's preprocessed spectra, on its mass grid

  // Complete and consistent: spectra of `points` values (at least 3 of
  // them), limits above 0 with PossLimit not below YesLimit, significances
  // between 0 and 1. Otherwise the reason.
  std::string Problem(size_t points) const;
};

// The fewest spectra a calibrated model is computed from: each spectrum's
// nearest neighbour among at least two others.
inline constexpr size_t kMinCalibrationSpectra = 3;
// The lowest "Yes" limit (see above).
inline constexpr double kDissimilarityFloor = 0.02;

// The unit vector of a row on the masses `xvals` as the dissimilarity
// compares it (see above); all zeros when the row has no positive
// intensity.
adouble SimilarityVector(const adouble& row, const adouble& xvals);

// 1 - the largest cosine between `row` and the spectra (rows on `xvals`).
// Throws SorrelError when the lengths differ or `spectra` is empty.
double NearestDissimilarity(const adouble& row, const aadouble& spectra, const adouble& xvals);

// The model of the rows of a training's data matrix on `xvals`. Throws
// SorrelError with the reason when there are fewer than 3 rows, a row has
// no intensity, or the rows are all the same (no spread to calibrate on),
// MathError on an arithmetic fault.
tCalibration Calibrate(const aadouble& rows, const adouble& xvals, double significance = 0.05,
                       double possSignificance = 0.001);

// The answer of the calibrated model for a preprocessed row: the score is
// D / YesLimit (so "Yes" up to 1), the answer "Yes", "Poss." or "No".
struct CalibratedAnswer {
  double Dissimilarity = 0;
  double Score = 0;
  std::string Answer;
};
CalibratedAnswer ClassifyCalibrated(const tCalibration& model, const adouble& row,
                                    const adouble& xvals);

}  // namespace sorrel
