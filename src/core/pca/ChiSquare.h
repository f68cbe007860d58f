#pragma once
// The chi-square distribution, for limits of class models: a statistic
// whose values over a class follow a scaled chi-square distribution
// g * chi2(h) has the limit g * x where x is exceeded with probability
// alpha. Degrees of freedom need not be whole numbers.
namespace sorrel {

// The regularised upper incomplete gamma function Q(a, x) = 1 - P(a, x):
// the probability that a gamma(a) variable exceeds x. Computed by its
// series below a + 1 and by its continued fraction above, each to double
// precision. Throws SorrelError for a <= 0, x < 0 or values that are not
// finite.
double GammaQ(double a, double x);

// The probability that a chi-square variable with `dof` degrees of freedom
// exceeds x: GammaQ(dof / 2, x / 2).
double ChiSquareUpperTail(double x, double dof);

// The value that a chi-square variable with `dof` degrees of freedom
// exceeds with probability `alpha` (0 < alpha < 1), to a relative
// precision of about 1e-13.
double ChiSquareQuantile(double alpha, double dof);

}  // namespace sorrel
