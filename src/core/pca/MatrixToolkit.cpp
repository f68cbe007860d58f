#include "core/pca/MatrixToolkit.h"

#include <cmath>
#include <string>
#include <utility>

#include "core/common/Errors.h"
#include "core/common/UiHooks.h"

namespace sorrel {

void CopyMatrix(const aadouble& A, aadouble& out) {
  aadouble copy(A);
  out = std::move(copy);
}

void TransposeMatrix(const aadouble& A, aadouble& out) {
  if (A.empty()) {
    out.clear();
    return;
  }
  const size_t n = A.size(), m = A[0].size();
  for (size_t i = 1; i < n; ++i)
    if (A[i].size() != m)
      throw SorrelError("TransposeMatrix: row " + std::to_string(i) + " has " +
                        std::to_string(A[i].size()) + " values, row 0 has " + std::to_string(m));
  aadouble result(m, adouble(n));
  for (size_t i = 0; i < n; ++i)
    for (size_t j = 0; j < m; ++j)
      result[j][i] = A[i][j];
  out = std::move(result);
}

bool MultiplyMatrix(const aadouble& A, const aadouble& B, aadouble& C) {
  bool ok = !A.empty() && !B.empty();
  if (ok) {
    for (const adouble& row : A)
      if (row.size() != B.size()) ok = false;
    for (const adouble& row : B)
      if (row.size() != B[0].size()) ok = false;
  }
  if (!ok) {
    Ui().ShowMessage("Wrong matrix dim");
    return false;
  }
  const size_t q = B[0].size();
  aadouble result(A.size(), adouble(q));
  for (size_t i = 0; i < A.size(); ++i) {
    const adouble& a = A[i];
    for (size_t j = 0; j < q; ++j) {
      double sum = 0.0;
      for (size_t p = 0; p < B.size(); ++p)
        sum += a[p] * B[p][j];
      result[i][j] = sum;
    }
  }
  C = std::move(result);
  return true;
}

void GaussJ(const aadouble& A, aadouble& out) {
  const size_t n = A.size();
  for (const adouble& row : A)
    if (row.size() != n)
      throw SorrelError("GaussJ: the matrix is not square (" + std::to_string(n) +
                        " rows, a row of " + std::to_string(row.size()) + " values)");
  aadouble w(A);
  std::vector<int> ipiv(n, 0);
  std::vector<size_t> indxr(n, 0), indxc(n, 0);
  size_t irow = 0, icol = 0;
  for (size_t i = 0; i < n; ++i) {
    double big = 0.0;
    for (size_t j = 0; j < n; ++j) {
      if (ipiv[j] == 1) continue;
      for (size_t k = 0; k < n; ++k) {
        if (ipiv[k] == 0) {
          // Greater or equal: among equal magnitudes the last one wins, and a
          // zero candidate is still taken when nothing larger exists.
          if (std::fabs(w[j][k]) >= big) {
            big = std::fabs(w[j][k]);
            irow = j;
            icol = k;
          }
        } else if (ipiv[k] > 1) {
          throw MathError("pause 1 in GAUSSJ - singular matrix");
        }
      }
    }
    ++ipiv[icol];
    if (irow != icol) std::swap(w[irow], w[icol]);
    indxr[i] = irow;
    indxc[i] = icol;
    if (w[icol][icol] == 0.0) throw MathError("pause 2 in GAUSSJ - singular matrix");
    const double pivinv = 1.0 / w[icol][icol];
    w[icol][icol] = 1.0;
    for (double& v : w[icol])
      v *= pivinv;
    for (size_t r = 0; r < n; ++r) {
      if (r == icol) continue;
      const double f = w[r][icol];
      w[r][icol] = 0.0;
      for (size_t c = 0; c < n; ++c)
        w[r][c] -= w[icol][c] * f;
    }
  }
  for (size_t l = n; l-- > 0;) {
    if (indxr[l] != indxc[l])
      for (size_t k = 0; k < n; ++k)
        std::swap(w[k][indxr[l]], w[k][indxc[l]]);
  }
  // A pivot that is tiny but not exactly zero can overflow the elimination;
  // such a result is an arithmetic fault, not an inverse.
  for (const adouble& row : w)
    for (double v : row)
      CheckFinite(v, "GaussJ (the matrix is nearly singular)");
  out = std::move(w);
}

}  // namespace sorrel
