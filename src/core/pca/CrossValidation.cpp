#include "core/pca/CrossValidation.h"

#include <string>

#include "core/common/Errors.h"
#include "core/pca/Mahalanobis.h"
#include "core/pca/Nipals.h"

namespace sorrel {

namespace {

aadouble WithoutRow(const aadouble& X, size_t leftOut) {
  aadouble rows;
  rows.reserve(X.size() - 1);
  for (size_t i = 0; i < X.size(); ++i)
    if (i != leftOut) rows.push_back(X[i]);
  return rows;
}

void CheckLeftOut(const aadouble& X, size_t leftOut) {
  if (leftOut >= X.size())
    throw SorrelError("Cross-validation: there is no spectrum " + std::to_string(leftOut + 1) +
                      " (the data matrix has " + std::to_string(X.size()) + " rows)");
}

// A leave-one-out table of n spectra with up to a components.
void CheckTableShape(size_t n, int a) {
  if (a < 1) throw SorrelError("Cross-validation needs at least 1 component");
  if (n < 3 || n - 1 <= static_cast<size_t>(a))
    throw MathError("Cross-validation of " + std::to_string(n) + " spectra with up to " +
                    std::to_string(a) +
                    " loadings cannot be computed: leaving one spectrum out "
                    "must leave more spectra than loadings, and at least 2");
}

}  // namespace

double CrossValidateSpectrum(const aadouble& others, const adouble& leftOut, int nf,
                             double precision) {
  aadouble mahal, loadings;
  adouble mean;
  double rcm = 0, rmsg = 0;
  CalcTrainingStats(others, nf, precision, mahal, mean, rcm, rmsg, &loadings);
  adouble s = mean;
  ProjectSpectrum(nf, leftOut, loadings, rcm, s);
  return MahalScore(mahal, nf, s, rmsg);
}

double CrossValidate(const aadouble& X, size_t leftOut, int nf, double precision) {
  CheckLeftOut(X, leftOut);
  return CrossValidateSpectrum(WithoutRow(X, leftOut), X[leftOut], nf, precision);
}

adouble MDistSeries(const aadouble& X, int nf, double precision) {
  adouble out(X.size());
  for (size_t l = 0; l < X.size(); ++l)
    out[l] = CrossValidate(X, l, nf, precision);
  return out;
}

adouble LeaveOneOutRow(const aadouble& X, size_t l, int a, double precision) {
  CheckTableShape(X.size(), a);
  const size_t na = static_cast<size_t>(a);
  CheckLeftOut(X, l);
  adouble out(na, 0.0);
  const aadouble rows = WithoutRow(X, l);
  std::vector<adouble> res(na);
  aadouble E, P, T;
  adouble eig;
  CalcPCAStages(rows, a, precision, E, eig, P, T,
                [&res](int k, const aadouble& residual) { res[k] = ResidualSums(residual); });
  for (size_t nf = 1; nf <= na; ++nf) {
    aadouble mahal, inverse;
    adouble mean;
    double rcm = 0, rmsg = 0;
    TrainingStatsFromScores(T, static_cast<int>(nf), res[nf - 1], mahal, mean, rcm, rmsg, &inverse);
    adouble s = mean;
    ProjectSpectrum(static_cast<int>(nf), X[l], P, rcm, s);
    out[nf - 1] = MahalScoreInv(inverse, static_cast<int>(nf), s, rmsg);
  }
  return out;
}

aadouble LeaveOneOutTable(const aadouble& X, int a, double precision) {
  CheckTableShape(X.size(), a);
  aadouble table;
  for (size_t l = 0; l < X.size(); ++l)
    table.push_back(LeaveOneOutRow(X, l, a, precision));
  return table;
}

adouble ColumnAverages(const aadouble& table) {
  if (table.empty()) return {};
  adouble out(table[0].size(), 0.0);
  for (size_t nf = 0; nf < out.size(); ++nf) {
    double sum = 0.0;
    for (const adouble& row : table)
      sum += row[nf];
    out[nf] = sum / static_cast<double>(table.size());
  }
  return out;
}

adouble CompactSeries(const aadouble& X, int a, double precision) {
  return ColumnAverages(LeaveOneOutTable(X, a, precision));
}

}  // namespace sorrel
