#pragma once
// Leave-one-out cross-validation of a data matrix: the Mahalanobis score of
// each spectrum against the training made of all the others. The workbench
// shows it as "M.Dist" (every spectrum with one component count) and as
// "Compact" (the average over every spectrum for each count from 1 up).
// Every decomposition iterates to `precision` (the workbench passes the
// precision of its last calculation).
#include <cstddef>

#include "core/common/Types.h"

namespace sorrel {

// The score of `leftOut` (a preprocessed spectrum) against the training
// built from `others` with nf components: CalcTrainingStats of `others`
// (keeping the loadings of that decomposition), ProjectSpectrum of
// `leftOut` starting from the mean scores, MahalScore. The signed score
// is answered; callers take the absolute value for classification.
double CrossValidateSpectrum(const aadouble& others, const adouble& leftOut, int nf,
                             double precision);

// CrossValidateSpectrum of row `leftOut` of X against all its other rows.
double CrossValidate(const aadouble& X, size_t leftOut, int nf, double precision);

// "M.Dist": CrossValidate of every row of X with nf components.
adouble MDistSeries(const aadouble& X, int nf, double precision);

// "Compact": for nf = 1 to a, the average over every row l of X of
// CrossValidate(X, l, nf). One decomposition per left-out row serves
// every component count (the first nf components of a decomposition into
// a components are those of a decomposition into nf), so the values are
// exactly those of CrossValidate, a times faster and more.
adouble CompactSeries(const aadouble& X, int a, double precision);

// The distances behind CompactSeries: result[l][nf-1] is
// CrossValidate(X, l, nf) for nf = 1 to a.
aadouble LeaveOneOutTable(const aadouble& X, int a, double precision);

// One row of that table: the distances of row `l` for nf = 1 to a (one
// decomposition of the other rows). The workbench computes the table row by
// row under its progress window.
adouble LeaveOneOutRow(const aadouble& X, size_t l, int a, double precision);

// The average of each column of a table (the "Compact" series of a
// leave-one-out table).
adouble ColumnAverages(const aadouble& table);

}  // namespace sorrel
