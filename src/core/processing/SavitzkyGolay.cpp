#include "core/processing/SavitzkyGolay.h"

#include <numeric>

namespace sorrel {

namespace {

// Sum of t^p over t = -half .. half.
int64_t PowerSum(int half, int p) {
  int64_t sum = 0;
  for (int64_t t = -half; t <= half; ++t) {
    int64_t v = 1;
    for (int i = 0; i < p; ++i)
      v *= t;
    sum += v;
  }
  return sum;
}

int64_t Gcd(int64_t a, int64_t b) {
  return std::gcd(a < 0 ? -a : a, b < 0 ? -b : b);
}

// The 23-point window is kept over 6555, three times its lowest terms, as
// the classic weight tables write it: the same integers then give the same
// double sums, and so the same 32-bit results, to the last bit.
int64_t TableScale(int k) {
  return k == 9 ? 3 : 1;
}

}  // namespace

SGSmoothWeights DeriveSmoothingWeights(int half) {
  SGSmoothWeights r;
  if (half < 2 || half > 12) return r;
  // Normal equations of the even part a0 + a2 t^2 + a4 t^4 (the odd part
  // does not touch the value at t = 0):
  //   | S0 S2 S4 |
  //   | S2 S4 S6 |   M,  value at the centre = e0' M^-1 [1 t^2 t^4]'.
  //   | S4 S6 S8 |
  // With the adjugate, c(t) = A00 + A01 t^2 + A02 t^4 over det M.
  const int64_t s0 = PowerSum(half, 0), s2 = PowerSum(half, 2), s4 = PowerSum(half, 4),
                s6 = PowerSum(half, 6), s8 = PowerSum(half, 8);
  const int64_t a00 = s4 * s8 - s6 * s6;
  const int64_t a01 = -(s2 * s8 - s4 * s6);
  const int64_t a02 = s2 * s6 - s4 * s4;
  int64_t det = s0 * a00 + s2 * a01 + s4 * a02;
  int64_t g = det;
  for (int64_t t = 0; t <= half; ++t) {
    r.c[t] = a00 + a01 * t * t + a02 * t * t * t * t;
    g = Gcd(g, r.c[t]);
  }
  if (det < 0) g = -g;  // keep the norm positive
  for (int t = 0; t <= half; ++t)
    r.c[t] /= g;
  r.norm = det / g;
  r.half = half;
  return r;
}

SGDerivWeights DeriveDerivativeWeights(int half) {
  SGDerivWeights r;
  if (half < 2 || half > 12) return r;
  // Odd part a1 t + a3 t^3; the slope at the centre is a1:
  //   | S2 S4 |
  //   | S4 S6 |  M,  a1 = e0' M^-1 [t t^3]'  =  (S6 t - S4 t^3) / det M.
  const int64_t s2 = PowerSum(half, 2), s4 = PowerSum(half, 4), s6 = PowerSum(half, 6);
  int64_t det = s2 * s6 - s4 * s4;
  int64_t g = det;
  for (int64_t t = 1; t <= half; ++t) {
    r.w[t] = s6 * t - s4 * t * t * t;
    g = Gcd(g, r.w[t]);
  }
  if (det < 0) g = -g;
  for (int t = 1; t <= half; ++t)
    r.w[t] /= g;
  r.norm = det / g;
  r.half = half;
  return r;
}

const SGSmoothWeights& SmoothingWeights(int k) {
  static const std::array<SGSmoothWeights, 11> table = [] {
    std::array<SGSmoothWeights, 11> t{};
    for (int k = 1; k <= 10; ++k) {
      t[k] = DeriveSmoothingWeights(k + 2);
      const int64_t scale = TableScale(k);
      for (auto& c : t[k].c)
        c *= scale;
      t[k].norm *= scale;
    }
    return t;
  }();
  return (k >= 1 && k <= 10) ? table[k] : table[0];
}

const SGDerivWeights& DerivativeWeights(int s) {
  static const std::array<SGDerivWeights, 12> table = [] {
    std::array<SGDerivWeights, 12> t{};
    for (int s = 1; s <= 11; ++s)
      t[s] = DeriveDerivativeWeights(s + 1);
    return t;
  }();
  return (s >= 1 && s <= 11) ? table[s] : table[0];
}

}  // namespace sorrel
