#pragma once
// Test matrices of the PCA tests and their conversion to Eigen, the
// independent oracle.
#include <Eigen/Dense>
#include <cmath>
#include <random>

#include "core/common/Types.h"

namespace sorrel::test {

inline Eigen::MatrixXd ToEigen(const aadouble& a) {
  Eigen::MatrixXd m(static_cast<Eigen::Index>(a.size()),
                    a.empty() ? 0 : static_cast<Eigen::Index>(a[0].size()));
  for (size_t i = 0; i < a.size(); ++i)
    for (size_t j = 0; j < a[i].size(); ++j)
      m(static_cast<Eigen::Index>(i), static_cast<Eigen::Index>(j)) = a[i][j];
  return m;
}

inline aadouble FromEigen(const Eigen::MatrixXd& m) {
  aadouble a(static_cast<size_t>(m.rows()), adouble(static_cast<size_t>(m.cols())));
  for (Eigen::Index i = 0; i < m.rows(); ++i)
    for (Eigen::Index j = 0; j < m.cols(); ++j)
      a[static_cast<size_t>(i)][static_cast<size_t>(j)] = m(i, j);
  return a;
}

// An n x m matrix U diag(sigma) V' with random orthonormal U and V: its
// singular values are exactly `sigma` (up to rounding).
inline aadouble WithSingularValues(int n, int m, const std::vector<double>& sigma, unsigned seed) {
  std::mt19937 gen(seed);
  std::normal_distribution<double> nd(0.0, 1.0);
  const int r = static_cast<int>(sigma.size());
  Eigen::MatrixXd a(n, r), b(m, r);
  for (int i = 0; i < n; ++i)
    for (int k = 0; k < r; ++k)
      a(i, k) = nd(gen);
  for (int j = 0; j < m; ++j)
    for (int k = 0; k < r; ++k)
      b(j, k) = nd(gen);
  Eigen::MatrixXd u =
      Eigen::HouseholderQR<Eigen::MatrixXd>(a).householderQ() * Eigen::MatrixXd::Identity(n, r);
  Eigen::MatrixXd v =
      Eigen::HouseholderQR<Eigen::MatrixXd>(b).householderQ() * Eigen::MatrixXd::Identity(m, r);
  Eigen::VectorXd s(r);
  for (int k = 0; k < r; ++k)
    s(k) = sigma[static_cast<size_t>(k)];
  return FromEigen(u * s.asDiagonal() * v.transpose());
}

// Rows of a data matrix like the workbench builds from replicate spectra
// of one compound: a sparse EI-like pattern of peaks over m channels, each
// replicate with its own intensity scale, 10 % noise on every peak and a
// few small stray peaks. Column 0 always carries intensity (the workbench's
// lower bound is the first mass of a spectrum).
inline aadouble ReplicateSpectra(int n, int m, unsigned seed) {
  std::mt19937 gen(seed);
  std::uniform_real_distribution<double> u01(0.0, 1.0);
  adouble pattern(static_cast<size_t>(m), 0.0);
  for (int j = 0; j < m; ++j)
    if (j == 0 || u01(gen) < 0.12)
      pattern[static_cast<size_t>(j)] = 1.0 + 999.0 * std::pow(u01(gen), 3.0);
  aadouble x(static_cast<size_t>(n), adouble(static_cast<size_t>(m), 0.0));
  for (int i = 0; i < n; ++i) {
    const double scale = 0.5 + u01(gen);
    for (int j = 0; j < m; ++j) {
      double v = pattern[static_cast<size_t>(j)] * scale * (0.9 + 0.2 * u01(gen));
      if (u01(gen) < 0.02) v += 20.0 * u01(gen);
      x[static_cast<size_t>(i)][static_cast<size_t>(j)] = v;
    }
  }
  return x;
}

}  // namespace sorrel::test
