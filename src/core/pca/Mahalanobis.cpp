#include "core/pca/Mahalanobis.h"

#include <cmath>
#include <utility>

#include "core/common/Errors.h"
#include "core/common/NumberText.h"
#include "core/pca/MatrixToolkit.h"
#include "core/pca/Nipals.h"

namespace sorrel {

namespace {

std::string Num(size_t v) {
  return std::to_string(v);
}

// The quadratic form s inv s' over p, q = 0..a, summed p-major in one
// running total.
double QuadraticForm(const aadouble& inv, size_t dim, const double* s) {
  double sum = 0.0;
  for (size_t p = 0; p < dim; ++p)
    for (size_t q = 0; q < dim; ++q)
      sum += s[p] * inv[p][q] * s[q];
  return sum;
}

}  // namespace

adouble ResidualSums(const aadouble& E) {
  adouble res(E.size(), 0.0);
  for (size_t i = 0; i < E.size(); ++i) {
    double sum = 0.0;
    for (double v : E[i])
      sum += v * v;
    res[i] = CheckFinite(sum, "the residual sum of squares");
  }
  return res;
}

void TrainingStatsFromScores(const aadouble& T, int a, const adouble& res, aadouble& MahalMat,
                             adouble& meanScores, double& RcM, double& RMSG, aadouble* inverse) {
  const size_t n = T.size();
  if (a < 1) throw SorrelError("The training statistics need at least 1 component");
  const size_t na = static_cast<size_t>(a);
  if (n < 2)
    throw MathError("Division by zero: the training statistics need at least 2 spectra (n - 1 = " +
                    std::to_string(static_cast<long>(n) - 1) + ")");
  if (n <= na)
    throw MathError("The Mahalanobis matrix of " + Num(n) + " spectra with " + Num(na) +
                    " loadings is singular: it needs more spectra than loadings");
  if (res.size() != n) throw SorrelError("The training statistics got residuals of another size");
  for (const adouble& row : T)
    if (row.size() < na) throw SorrelError("The training statistics got too few score columns");

  double total = 0.0;
  for (double r : res)
    total += r;
  const double rcm = CheckFinite(total / static_cast<double>(n), "RcM");

  aadouble z(n, adouble(na + 1));
  for (size_t i = 0; i < n; ++i) {
    for (size_t k = 0; k < na; ++k)
      z[i][k] = T[i][k];
    z[i][na] = res[i] - rcm;
  }
  aadouble zt, m;
  TransposeMatrix(z, zt);
  if (!MultiplyMatrix(zt, z, m)) throw SorrelError("The Mahalanobis matrix cannot be formed");
  const double n1 = static_cast<double>(n - 1);
  for (adouble& row : m)
    for (double& v : row)
      v = CheckFinite(v / n1, "the Mahalanobis matrix");

  aadouble inv;
  GaussJ(m, inv);
  double sumMd2 = 0.0;
  for (size_t i = 0; i < n; ++i) {
    const double md = QuadraticForm(inv, na + 1, z[i].data());
    sumMd2 += md * md;
  }
  const double rmsg = CheckFinite(sumMd2 / n1, "RMSG");

  adouble mean(na, 0.0);
  for (size_t k = 0; k < na; ++k) {
    double sum = 0.0;
    for (size_t i = 0; i < n; ++i)
      sum += T[i][k];
    mean[k] = sum / static_cast<double>(n);
  }

  MahalMat = std::move(m);
  meanScores = std::move(mean);
  RcM = rcm;
  RMSG = rmsg;
  if (inverse) *inverse = std::move(inv);
}

void CalcTrainingStats(const aadouble& X, int a, double precision, aadouble& MahalMat,
                       adouble& meanScores, double& RcM, double& RMSG, aadouble* loadings) {
  const size_t n = X.size();
  if (a >= 1 && (n < 2 || n <= static_cast<size_t>(a)))
    throw MathError("The training statistics of " + Num(n) + " spectra with " + std::to_string(a) +
                    " loadings cannot be computed: " +
                    (n < 2 ? std::string("at least 2 spectra are needed")
                           : std::string("the Mahalanobis matrix would be singular; it needs "
                                         "more spectra than loadings")));
  aadouble E, P, T;
  adouble eig;
  CalcPCA(X, a, precision, E, eig, P, T);
  adouble res = ResidualSums(E);
  TrainingStatsFromScores(T, a, res, MahalMat, meanScores, RcM, RMSG);
  if (loadings) *loadings = std::move(P);
}

Bracket BracketMinimum(double ax, double bx, const std::function<double(double)>& f) {
  constexpr double GOLD = 1.618034, GLIMIT = 100.0, TINY = 1.0e-20;
  auto eval = [&f](double x) {
    CheckFinite(x, "BracketMinimum");
    return CheckFinite(f(x), "BracketMinimum");
  };
  double fa = eval(ax), fb = eval(bx);
  if (fb > fa) {
    std::swap(ax, bx);
    std::swap(fa, fb);
  }
  double cx = bx + GOLD * (bx - ax);
  double fc = eval(cx);
  while (fb >= fc) {
    const double r = (bx - ax) * (fb - fc);
    const double q = (bx - cx) * (fb - fa);
    const double mag = std::fmax(std::fabs(q - r), TINY);
    const double d = (q - r > 0.0) ? mag : -mag;
    double u = bx - ((bx - cx) * q - (bx - ax) * r) / (2.0 * d);
    const double ulim = bx + GLIMIT * (cx - bx);
    double fu;
    if ((bx - u) * (u - cx) > 0.0) {
      fu = eval(u);
      if (fu < fc) {
        ax = bx;
        bx = u;
        fa = fb;
        fb = fu;
        return {ax, bx, cx, fa, fb, fc};
      } else if (fu > fb) {
        cx = u;
        fc = fu;
        return {ax, bx, cx, fa, fb, fc};
      }
      u = cx + GOLD * (cx - bx);
      fu = eval(u);
    } else if ((cx - u) * (u - ulim) > 0.0) {
      fu = eval(u);
      if (fu < fc) {
        bx = cx;
        cx = u;
        u = cx + GOLD * (cx - bx);
        fb = fc;
        fc = fu;
        fu = eval(u);
      }
    } else if ((u - ulim) * (ulim - cx) >= 0.0) {
      u = ulim;
      fu = eval(u);
    } else {
      u = cx + GOLD * (cx - bx);
      fu = eval(u);
    }
    ax = bx;
    bx = cx;
    cx = u;
    fa = fb;
    fb = fc;
    fc = fu;
  }
  return {ax, bx, cx, fa, fb, fc};
}

double GoldenSearch(double ax, double bx, double cx, double tol,
                    const std::function<double(double)>& f) {
  constexpr double R = 0.61803399, C = 0.38196601;
  auto eval = [&f](double x) { return CheckFinite(f(x), "GoldenSearch"); };
  double x0 = ax, x3 = cx, x1, x2;
  if (std::fabs(cx - bx) > std::fabs(bx - ax)) {
    x1 = bx;
    x2 = bx + C * (cx - bx);
  } else {
    x2 = bx;
    x1 = bx - C * (bx - ax);
  }
  double f1 = eval(x1), f2 = eval(x2);
  for (int step = 0;
       std::fabs(x3 - x0) > tol * (std::fabs(x1) + std::fabs(x2)) && step < kMaxGoldenSteps;
       ++step) {
    if (f2 < f1) {
      x0 = x1;
      x1 = x2;
      x2 = R * x2 + C * x3;
      f1 = f2;
      f2 = eval(x2);
    } else {
      x3 = x2;
      x2 = x1;
      x1 = R * x1 + C * x0;
      f2 = f1;
      f1 = eval(x1);
    }
  }
  return f1 < f2 ? x1 : x2;
}

void ProjectSpectrum(int a, const adouble& v, const aadouble& P, double RcM, adouble& s) {
  if (a < 0) throw SorrelError("ProjectSpectrum: negative number of components");
  const size_t na = static_cast<size_t>(a);
  if (P.size() < na)
    throw SorrelError("The training has " + Num(P.size()) + " loadings, " + Num(na) +
                      " are needed");
  for (size_t k = 0; k < na; ++k) {
    if (P[k].size() != v.size())
      throw SorrelError("The spectrum has " + Num(v.size()) + " mass channels but loading " +
                        Num(k + 1) + " of the training has " + Num(P[k].size()) +
                        "; both must be preprocessed with the same mass boundaries");
    double norm2 = 0.0;
    for (double x : P[k])
      norm2 += x * x;
    if (!(norm2 > 0.0) || !std::isfinite(norm2))
      throw SorrelError("Loading " + Num(k + 1) + " of the training is zero or not finite");
  }
  s.resize(na, 0.0);
  adouble r(v);
  for (size_t k = 0; k < na; ++k) {
    const adouble& pk = P[k];
    auto error = [&pk, &r](double x) {
      double sum = 0.0;
      for (size_t j = 0; j < pk.size(); ++j) {
        const double d = x * pk[j] - r[j];
        sum += d * d;
      }
      return sum;
    };
    double ax = 0.0, bx = 100000.0;
    if (s[k] != 0.0) {
      ax = s[k] - 10.0 * std::fabs(s[k]);
      bx = s[k] + 10.0 * std::fabs(s[k]);
    }
    const Bracket b = BracketMinimum(ax, bx, error);
    if (b.fb > b.fa || b.fb > b.fc)
      throw SorrelError("Problem with init. conditions \n" + FloatToStr(b.fa) + "  " +
                        FloatToStr(b.fb) + "  " + FloatToStr(b.fc));
    s[k] = GoldenSearch(b.ax, b.bx, b.cx, 0.001, error);
    for (size_t j = 0; j < v.size(); ++j)
      r[j] -= s[k] * pk[j];
  }
  double sum = 0.0;
  for (double x : r)
    sum += x * x;
  s.resize(na + 1);
  s[na] = CheckFinite(sum - RcM, "ProjectSpectrum");
}

double MahalScoreInv(const aadouble& inverse, int a, const adouble& s, double RMSG) {
  if (a < 0) throw SorrelError("MahalScore: negative number of components");
  const size_t dim = static_cast<size_t>(a) + 1;
  if (inverse.size() != dim || s.size() < dim)
    throw SorrelError("MahalScore: the Mahalanobis matrix has " + Num(inverse.size()) +
                      " rows and the score vector " + Num(s.size()) + " values; " + Num(dim) +
                      " are needed");
  for (const adouble& row : inverse)
    if (row.size() != dim) throw SorrelError("MahalScore: the Mahalanobis matrix is not square");
  const double sum = QuadraticForm(inverse, dim, s.data());
  if (RMSG == 0.0) throw MathError("Division by zero in MahalScore: the training's RMSG is 0");
  return CheckFinite(sum / RMSG, "MahalScore");
}

double MahalScore(const aadouble& M, int a, const adouble& s, double RMSG) {
  const size_t dim = a < 0 ? 0 : static_cast<size_t>(a) + 1;
  if (M.size() != dim)
    throw SorrelError("MahalScore: the Mahalanobis matrix has " + Num(M.size()) + " rows, " +
                      Num(dim) + " are needed");
  aadouble inv;
  GaussJ(M, inv);
  return MahalScoreInv(inv, a, s, RMSG);
}

std::string ClassAnswer(double d, double PPID, double PNID) {
  if (d <= PPID) return "Yes";
  if (d <= PNID) return "Poss.";
  return "No";
}

std::string ScoreText(double d) {
  return FormatGeneral(d, 6, 3);
}

}  // namespace sorrel
