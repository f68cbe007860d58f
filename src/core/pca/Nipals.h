#pragma once
// The principal-component decomposition of a data matrix by the NIPALS
// iteration. The rows are taken exactly as they come: the columns are
// neither centred nor scaled, so the first component carries mostly the
// average spectrum of the set.
#include <functional>

#include "core/common/Types.h"

namespace sorrel {

// The convergence threshold of a training's precision power: 10^-PrecPower.
// The iteration of a component stops as soon as the summed squared change
// of its scores is at most this value. The workbench sets it from the
// training each time it calculates, and its later decompositions (training
// statistics, cross-validation) use the value it set last.
double NipalsPrecision(int precPower);

// Upper limit of iterations for one component. The iteration itself has no
// limit; this one only turns an iteration that can never reach the
// precision (a precision below the rounding noise of large scores, or two
// equal eigenvalues) into an error instead of a frozen program.
inline constexpr long kMaxNipalsIterations = 100000;

// Decomposes X (n rows of m values) into `a` components, iterating each
// until its scores change by at most `precision`:
//   P  loadings, a rows of m values of unit length;
//   T  scores, n rows of a values;
//   eigenvalues, a values: the sum of squares of the scores at the start of
//      the last iteration of each component;
//   E  residual: X less the first a-1 components (the last one is not
//      subtracted; with a = 1, E equals X).
// With a greater than n nothing is computed and the four outputs keep their
// contents. The iteration of a component starts from the first mass channel
// of the residual that is not zero in every spectrum. Arithmetic faults (a
// residual of zeros, a zero loading,
// overflow) and an iteration that does not converge throw MathError, an
// empty or ragged X or a < 1 throws SorrelError; the outputs are then
// untouched. Pending user-interface events run once after
// each component but the last.
void CalcPCA(const aadouble& X, int a, double precision, aadouble& E, adouble& eigenvalues,
             aadouble& P, aadouble& T);

// CalcPCA that also reports each component k (from 0) as soon as it has
// converged, together with the residual at that moment (X less components
// 0 to k-1): exactly the residual a decomposition into k+1 components
// answers. Since NIPALS computes its components one after the other, the
// first k+1 components of a decomposition into `a` components are those of
// a decomposition into k+1; the cross-validation uses this to get every
// component count from one decomposition.
using ComponentObserver = std::function<void(int k, const aadouble& residual)>;
void CalcPCAStages(const aadouble& X, int a, double precision, aadouble& E, adouble& eigenvalues,
                   aadouble& P, aadouble& T, const ComponentObserver& observer);

}  // namespace sorrel
