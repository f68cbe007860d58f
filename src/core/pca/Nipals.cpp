#include "core/pca/Nipals.h"

#include <algorithm>
#include <cmath>
#include <string>
#include <utility>

#include "core/common/Errors.h"
#include "core/common/NumberText.h"
#include "core/common/UiHooks.h"

namespace sorrel {

namespace {

std::string Component(int k) {
  return "component " + std::to_string(k + 1);
}

// t[i] = sum over j of E[i][j] * p[j] / s, every sum in ascending j. Four
// rows run side by side, two to a vector register, so that their running
// sums and divisions overlap in the processor; each lane still forms
// exactly the same products, quotients and sums in the same order as a
// plain loop over one row (vector lanes round like scalars). s is the
// squared length of a just normalised loading; where it is exactly 1,
// dividing by it changes nothing and is left out.
typedef double V2 __attribute__((vector_size(16)));

template <bool kDivide>
void ScoresRows(const aadouble& e, const double* p, size_t m, double s, double* t) {
  const size_t n = e.size();
  const V2 sv = {s, s};
  size_t i = 0;
  for (; i + 4 <= n; i += 4) {
    const double *e0 = e[i].data(), *e1 = e[i + 1].data(), *e2 = e[i + 2].data(),
                 *e3 = e[i + 3].data();
    V2 a = {0.0, 0.0}, b = {0.0, 0.0};
    for (size_t j = 0; j < m; ++j) {
      const V2 pj = {p[j], p[j]};
      const V2 x = {e0[j], e1[j]}, y = {e2[j], e3[j]};
      if constexpr (kDivide) {
        a += x * pj / sv;
        b += y * pj / sv;
      } else {
        a += x * pj;
        b += y * pj;
      }
    }
    t[i] = a[0];
    t[i + 1] = a[1];
    t[i + 2] = b[0];
    t[i + 3] = b[1];
  }
  for (; i < n; ++i) {
    const double* ei = e[i].data();
    double sum = 0.0;
    for (size_t j = 0; j < m; ++j) {
      if constexpr (kDivide)
        sum += ei[j] * p[j] / s;
      else
        sum += ei[j] * p[j];
    }
    t[i] = sum;
  }
}

void ScoresPass(const aadouble& e, const double* p, size_t m, double s, double* t) {
  if (s == 1.0)
    ScoresRows<false>(e, p, m, s, t);
  else
    ScoresRows<true>(e, p, m, s, t);
}

}  // namespace

double NipalsPrecision(int precPower) {
  return std::pow(10.0, -static_cast<double>(precPower));
}

void CalcPCAStages(const aadouble& X, int a, double precision, aadouble& E, adouble& eigenvalues,
                   aadouble& P, aadouble& T, const ComponentObserver& observer) {
  if (X.empty()) throw SorrelError("CalcPCA: the data matrix has no rows");
  if (a < 1)
    throw SorrelError("CalcPCA: the number of components must be at least 1, not " +
                      std::to_string(a));
  const size_t n = X.size();
  if (static_cast<size_t>(a) > n) return;
  const size_t m = X[0].size();
  if (m == 0) throw SorrelError("CalcPCA: the data matrix has no columns");
  for (size_t i = 1; i < n; ++i)
    if (X[i].size() != m)
      throw SorrelError("CalcPCA: row " + std::to_string(i + 1) + " of the data matrix has " +
                        std::to_string(X[i].size()) + " values, row 1 has " + std::to_string(m));

  const size_t na = static_cast<size_t>(a);
  aadouble e(X);
  adouble eig(na, 0.0);
  aadouble p(na, adouble(m, 0.0));
  aadouble t(n, adouble(na, 0.0));
  adouble score(n), scoreOld(n);

  for (size_t k = 0; k < na; ++k) {
    adouble& load = p[k];
    // The iteration starts from the first mass channel of the residual
    // that is not zero in every spectrum (a channel of zeros, such as a
    // mass below every peak, gives no start); with none, the eigenvalue
    // check below reports the residual of zeros.
    size_t start = 0;
    while (start + 1 < m && std::all_of(e.begin(), e.end(),
                                        [start](const adouble& row) { return row[start] == 0.0; }))
      ++start;
    for (size_t i = 0; i < n; ++i)
      score[i] = e[i][start];
    double ev = 0.0;
    for (long iter = 0;; ++iter) {
      if (iter >= kMaxNipalsIterations) {
        double change = 0.0;
        for (size_t i = 0; i < n; ++i)
          change += (scoreOld[i] - score[i]) * (scoreOld[i] - score[i]);
        throw MathError("CalcPCA: " + Component(static_cast<int>(k)) + " did not converge in " +
                        std::to_string(kMaxNipalsIterations) + " iterations (last change " +
                        FloatToStr(change) + ", precision " + FloatToStr(precision) +
                        "); choose a lower precision");
      }
      scoreOld = score;
      ev = 0.0;
      for (size_t i = 0; i < n; ++i)
        ev += score[i] * score[i];
      CheckFinite(ev, "CalcPCA (eigenvalue)");
      if (ev == 0.0)
        throw MathError("Division by zero in CalcPCA: the residual of " +
                        Component(static_cast<int>(k)) + " is zero in every spectrum");
      // p[j] = sum over i of t[i] * E[i][j] / eigenvalue, summed over i in
      // ascending order for every j.
      for (size_t j = 0; j < m; ++j)
        load[j] = 0.0;
      for (size_t i = 0; i < n; ++i) {
        const double ti = score[i];
        const double* ei = e[i].data();
        for (size_t j = 0; j < m; ++j)
          load[j] += ti * ei[j] / ev;
      }
      double norm2 = 0.0;
      for (size_t j = 0; j < m; ++j)
        norm2 += load[j] * load[j];
      CheckFinite(norm2, "CalcPCA (loading)");
      if (norm2 == 0.0)
        throw MathError("Division by zero in CalcPCA: the loading of " +
                        Component(static_cast<int>(k)) + " is zero");
      const double norm = std::sqrt(norm2);
      for (size_t j = 0; j < m; ++j)
        load[j] /= norm;
      double s = 0.0;
      for (size_t j = 0; j < m; ++j)
        s += load[j] * load[j];
      if (s == 0.0)
        throw MathError("Division by zero in CalcPCA: the loading of " +
                        Component(static_cast<int>(k)) + " vanished after normalisation");
      ScoresPass(e, load.data(), m, s, score.data());
      double d = 0.0;
      for (size_t i = 0; i < n; ++i)
        d += (scoreOld[i] - score[i]) * (scoreOld[i] - score[i]);
      CheckFinite(d, "CalcPCA (scores)");
      if (d <= precision) break;
    }
    eig[k] = ev;
    for (size_t i = 0; i < n; ++i)
      t[i][k] = score[i];
    if (observer) observer(static_cast<int>(k), e);
    if (k + 1 == na) break;  // the last component is not subtracted
    for (size_t i = 0; i < n; ++i) {
      const double ti = score[i];
      double* ei = e[i].data();
      for (size_t j = 0; j < m; ++j) {
        ei[j] -= ti * load[j];
        // Scores and loadings are finite here, so only an overflow of the
        // product can bring a non-finite value.
        if (!std::isfinite(ei[j])) CheckFinite(ei[j], "CalcPCA (residual)");
      }
    }
    Ui().ProcessMessages();
  }
  E = std::move(e);
  eigenvalues = std::move(eig);
  P = std::move(p);
  T = std::move(t);
}

void CalcPCA(const aadouble& X, int a, double precision, aadouble& E, adouble& eigenvalues,
             aadouble& P, aadouble& T) {
  CalcPCAStages(X, a, precision, E, eigenvalues, P, T, nullptr);
}

}  // namespace sorrel
