#include "Nipals.h"

#include <cmath>
#include <string>
#include <utility>

#include "common/Errors.h"
#include "common/NumberText.h"
#include "common/UiHooks.h"

namespace sorrel {

namespace {

std::string Component(int k) {
  return "component " + std::to_string(k + 1);
}

}  // namespace

void CalcPCAStages(const aadouble& X, int a, aadouble& E, adouble& eigenvalues, aadouble& P,
                   aadouble& T, const ComponentObserver& observer) {
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
    for (size_t i = 0; i < n; ++i)
      score[i] = e[i][0];
    double ev = 0.0;
    for (long iter = 0;; ++iter) {
      if (iter >= kMaxNipalsIterations) {
        double change = 0.0;
        for (size_t i = 0; i < n; ++i)
          change += (scoreOld[i] - score[i]) * (scoreOld[i] - score[i]);
        throw MathError("CalcPCA: " + Component(static_cast<int>(k)) + " did not converge in " +
                        std::to_string(kMaxNipalsIterations) + " iterations (last change " +
                        FloatToStr(change) + ", precision " + FloatToStr(PCAPrecision) +
                        "); choose a lower precision");
      }
      scoreOld = score;
      ev = 0.0;
      for (size_t i = 0; i < n; ++i)
        ev += score[i] * score[i];
      CheckFinite(ev, "CalcPCA (eigenvalue)");
      if (ev == 0.0)
        throw MathError("Division by zero in CalcPCA: the start column of " +
                        Component(static_cast<int>(k)) +
                        " (the first mass channel of the residual) is zero in every spectrum");
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
      for (size_t i = 0; i < n; ++i) {
        const double* ei = e[i].data();
        double sum = 0.0;
        for (size_t j = 0; j < m; ++j)
          sum += ei[j] * load[j] / s;
        score[i] = sum;
      }
      double d = 0.0;
      for (size_t i = 0; i < n; ++i)
        d += (scoreOld[i] - score[i]) * (scoreOld[i] - score[i]);
      CheckFinite(d, "CalcPCA (scores)");
      if (d <= PCAPrecision) break;
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

void CalcPCA(const aadouble& X, int a, aadouble& E, adouble& eigenvalues, aadouble& P,
             aadouble& T) {
  CalcPCAStages(X, a, E, eigenvalues, P, T, nullptr);
}

}  // namespace sorrel
