#pragma once
// The statistics of a training, the projection of a spectrum onto its
// loadings and the Mahalanobis score of the projection.
//
// A training spectrum i becomes the point z[i]: its a scores followed by
// res[i] - RcM, where res[i] is its residual sum of squares and RcM the
// mean of res. MahalMat is Z'Z / (n-1), md[i] = z[i] inv(MahalMat) z[i]',
// and RMSG the sum of md[i]^2 over n-1. The score of a spectrum is its
// quadratic form over RMSG, so the limits of a training are in units of
// its own mean square distance.
#include <functional>
#include <string>

#include "core/common/Types.h"

namespace sorrel {

// Row sums of squares: res[i] = sum over j of E[i][j]^2.
adouble ResidualSums(const aadouble& E);

// The statistics of the data matrix X (n rows) with `a` components: runs
// CalcPCA with `precision` into private outputs and derives MahalMat ((a+1) x (a+1)), the
// mean scores (a values), RcM and RMSG. With `loadings` given it also
// answers the loadings of that same decomposition. Throws (MathError or
// SorrelError) when n is below 2 or not above a (the matrix would be
// singular), when the decomposition fails or MahalMat is singular; the
// outputs are then untouched.
void CalcTrainingStats(const aadouble& X, int a, double precision, aadouble& MahalMat,
                       adouble& meanScores, double& RcM, double& RMSG,
                       aadouble* loadings = nullptr);

// The part of CalcTrainingStats after the decomposition: from the scores T
// (n rows, at least a columns; only the first a are used) and the residual
// sums `res`. `inverse`, when given, receives the inverse of MahalMat.
void TrainingStatsFromScores(const aadouble& T, int a, const adouble& res, aadouble& MahalMat,
                             adouble& meanScores, double& RcM, double& RMSG,
                             aadouble* inverse = nullptr);

// Three points that bracket a minimum of f, found downhill from ax to bx by
// golden-ratio steps with parabolic extrapolation.
struct Bracket {
  double ax = 0, bx = 0, cx = 0;
  double fa = 0, fb = 0, fc = 0;
};
Bracket BracketMinimum(double ax, double bx, const std::function<double(double)>& f);

// Golden-section search of the minimum inside the bracket (ax, bx, cx) to
// the relative tolerance `tol`.
double GoldenSearch(double ax, double bx, double cx, double tol,
                    const std::function<double(double)>& f);

// Upper limit of golden-section steps. A search whose minimum lies exactly
// at 0 can only end when its interval underflows; the limit keeps such a
// search from running on through the subnormal range (it never binds for
// a search that ends by its tolerance).
inline constexpr int kMaxGoldenSteps = 5000;

// Projects the spectrum vector v (m values) onto the first `a` loadings
// (rows of m values): s[k] is the least-squares coordinate of what is left
// of v along loading k, found by BracketMinimum and GoldenSearch starting
// from the value s held; then s[a] = (residual sum of squares) - RcM.
// Throws SorrelError when v and the loadings differ in length, a loading is
// zero, or the minimum cannot be bracketed ("Problem with init.
// conditions "); MathError on an arithmetic fault.
void ProjectSpectrum(int a, const adouble& v, const aadouble& P, double RcM, adouble& s);

// (s inv(M) s') / RMSG over the a+1 values of s. Throws MathError when M is
// singular or RMSG is 0, SorrelError when the shapes do not fit.
double MahalScore(const aadouble& M, int a, const adouble& s, double RMSG);
// The same with the inverse of M already at hand.
double MahalScoreInv(const aadouble& inverse, int a, const adouble& s, double RMSG);

// The answer of classification for the absolute score d: "Yes" up to PPID,
// "Poss." up to PNID, "No" above.
std::string ClassAnswer(double d, double PPID, double PNID);
// The score as batch classification shows it: general format, 6
// significant digits, an exponent of at least three digits.
std::string ScoreText(double d);

}  // namespace sorrel
