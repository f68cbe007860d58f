#include "core/pca/ChiSquare.h"

#include <cmath>
#include <string>

#include "core/common/Errors.h"
#include "core/common/NumberText.h"

namespace sorrel {

namespace {

constexpr double kEps = 1e-16;
constexpr int kMaxTerms = 100000;

// exp(-x + a ln x - ln Gamma(a)), the factor both expansions share.
double Prefactor(double a, double x) {
  return std::exp(-x + a * std::log(x) - std::lgamma(a));
}

// P(a, x) by its series, for x < a + 1.
double SeriesP(double a, double x) {
  double term = 1.0 / a, sum = term;
  for (int n = 1; n < kMaxTerms; ++n) {
    term *= x / (a + n);
    sum += term;
    if (std::fabs(term) < std::fabs(sum) * kEps) break;
  }
  return sum * Prefactor(a, x);
}

// Q(a, x) by its continued fraction (modified Lentz), for x >= a + 1.
double FractionQ(double a, double x) {
  constexpr double tiny = 1e-300;
  double b = x + 1.0 - a, c = 1.0 / tiny, d = 1.0 / b, h = d;
  for (int i = 1; i < kMaxTerms; ++i) {
    const double an = -i * (i - a);
    b += 2.0;
    d = an * d + b;
    if (std::fabs(d) < tiny) d = tiny;
    c = b + an / c;
    if (std::fabs(c) < tiny) c = tiny;
    d = 1.0 / d;
    const double step = d * c;
    h *= step;
    if (std::fabs(step - 1.0) < kEps) break;
  }
  return Prefactor(a, x) * h;
}

}  // namespace

double GammaQ(double a, double x) {
  if (!(a > 0.0) || !(x >= 0.0) || !std::isfinite(a) || !std::isfinite(x))
    throw SorrelError("The incomplete gamma function needs a > 0 and x >= 0 (a = " + FloatToStr(a) +
                      ", x = " + FloatToStr(x) + ")");
  if (x == 0.0) return 1.0;
  if (x < a + 1.0) return 1.0 - SeriesP(a, x);
  return FractionQ(a, x);
}

double ChiSquareUpperTail(double x, double dof) {
  return GammaQ(dof / 2.0, x / 2.0);
}

double ChiSquareQuantile(double alpha, double dof) {
  if (!(alpha > 0.0 && alpha < 1.0) || !(dof > 0.0) || !std::isfinite(dof))
    throw SorrelError(
        "A chi-square limit needs 0 < alpha < 1 and degrees of freedom above 0 "
        "(alpha = " +
        FloatToStr(alpha) + ", degrees of freedom = " + FloatToStr(dof) + ")");
  // The upper tail falls from 1 at 0 to 0: find a point beyond the
  // quantile, then halve the interval until it is as narrow as doubles
  // allow.
  double lo = 0.0, hi = dof + 10.0;
  while (ChiSquareUpperTail(hi, dof) > alpha)
    hi *= 2.0;
  for (int i = 0; i < 2000 && hi - lo > 1e-14 * hi; ++i) {
    const double mid = 0.5 * (lo + hi);
    if (ChiSquareUpperTail(mid, dof) > alpha)
      lo = mid;
    else
      hi = mid;
  }
  return 0.5 * (lo + hi);
}

}  // namespace sorrel
