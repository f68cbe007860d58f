// The chi-square distribution behind the calibrated class limits, held
// against published values and closed forms.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <tuple>

#include "core/common/Errors.h"
#include "core/pca/ChiSquare.h"

using namespace sorrel;

TEST(ChiSquare, QuantilesOfTheTables) {
  // Upper-tail points of the chi-square distribution to six decimals, as
  // statistical tables print them (the last two checked by integrating the
  // density numerically, Simpson's rule on 400 000 intervals); they hold to
  // half the last digit.
  for (auto [alpha, dof, want] :
       {std::tuple{0.05, 1.0, 3.841459}, std::tuple{0.05, 2.0, 5.991465},
        std::tuple{0.05, 5.0, 11.070498}, std::tuple{0.05, 10.0, 18.307038},
        std::tuple{0.05, 100.0, 124.342113}, std::tuple{0.001, 1.0, 10.827566},
        std::tuple{0.001, 10.0, 29.588298}, std::tuple{0.001, 100.0, 149.449253},
        std::tuple{0.99, 3.0, 0.114832}, std::tuple{0.5, 30.0, 29.336032}}) {
    EXPECT_NEAR(ChiSquareQuantile(alpha, dof), want, 5e-7) << alpha << " " << dof;
  }
}

TEST(ChiSquare, ClosedForms) {
  // Two degrees of freedom: the tail is exp(-x/2), so the point exceeded
  // with probability alpha is -2 ln alpha. One degree of freedom: the
  // tail is erfc(sqrt(x/2)).
  for (double alpha : {0.9, 0.5, 0.05, 1e-3, 1e-9}) {
    const double x = -2.0 * std::log(alpha);
    EXPECT_NEAR(ChiSquareQuantile(alpha, 2.0), x, 1e-12 * x) << alpha;
    EXPECT_NEAR(ChiSquareUpperTail(x, 2.0), alpha, 1e-13 * alpha) << alpha;
  }
  for (double x : {1e-6, 0.3, 1.0, 3.0, 7.5, 20.0, 60.0}) {
    const double want = std::erfc(std::sqrt(x / 2.0));
    EXPECT_NEAR(ChiSquareUpperTail(x, 1.0), want, 1e-13 * want + 1e-300) << x;
  }
  EXPECT_EQ(ChiSquareUpperTail(0.0, 3.0), 1.0);
  // Degrees of freedom need not be whole: 2.5 lies between 2 and 3.
  const double q = ChiSquareQuantile(0.05, 2.5);
  EXPECT_GT(q, 5.991465);
  EXPECT_LT(q, 7.814728);
  EXPECT_NEAR(ChiSquareUpperTail(q, 2.5), 0.05, 1e-13);
}

TEST(ChiSquare, RefusesWhatHasNoMeaning) {
  for (auto [alpha, dof] :
       {std::tuple{0.0, 2.0}, std::tuple{1.0, 2.0}, std::tuple{0.05, 0.0}, std::tuple{0.05, -1.0},
        std::tuple{std::nan(""), 2.0}, std::tuple{0.05, std::numeric_limits<double>::infinity()}})
    EXPECT_THROW(ChiSquareQuantile(alpha, dof), SorrelError) << alpha << " " << dof;
  EXPECT_THROW(GammaQ(1.0, -1.0), SorrelError);
  EXPECT_THROW(GammaQ(0.0, 1.0), SorrelError);
}
