#pragma once
// Savitzky-Golay convolution weights, derived from the least-squares fit of
// a polynomial to equally spaced points instead of being copied from a
// printed table. Both sets are exact integers over a common norm:
//
// - smoothing: the value at the centre of a degree-4 fit (the same as
//   degree 5) over 2h+1 points, h = 3 .. 12 (windows 7 .. 25). The centre
//   gets c[0], the points at distance j on either side c[j]; the smoothed
//   value is (c0 y0 + sum cj (y-j + yj)) / norm.
// - first derivative: the slope at the centre of a degree-3 fit (the same
//   as degree 4) over 2m+1 points, m = 2 .. 12 (windows 5 .. 25). The
//   derivative is (sum wj (yj - y-j)) / norm, j = 1 .. m.
//
// The fit is solved exactly in integers: by the symmetry of the points the
// even and the odd powers separate, so each weight is a short polynomial in
// the distance j whose coefficients are cofactors of the normal-equation
// matrix of power sums; the weights and the determinant are then reduced
// by their greatest common divisor.
#include <array>
#include <cstdint>

namespace sorrel {

struct SGSmoothWeights {
  int half = 0;                    // h: the window has 2h+1 points
  int64_t norm = 0;                // c0 + 2 (c1 + ... + ch)
  std::array<int64_t, 13> c = {};  // c[0] .. c[h]
};

struct SGDerivWeights {
  int half = 0;                    // m: the window has 2m+1 points
  int64_t norm = 0;                // the common denominator
  std::array<int64_t, 13> w = {};  // w[1] .. w[m]; w[0] is 0
};

// Smoothing weights of window index k = 1 .. 10 (half-window k + 2).
// Other k give a record with half 0.
const SGSmoothWeights& SmoothingWeights(int k);

// First-derivative weights of working half-window s = 1 .. 11 (2s+3
// points). Other s give a record with half 0.
const SGDerivWeights& DerivativeWeights(int s);

// The least-squares derivation itself, for any half-window the integer
// arithmetic can hold (smoothing h = 2 .. 12, derivative m = 2 .. 12), in
// lowest terms.
SGSmoothWeights DeriveSmoothingWeights(int half);
SGDerivWeights DeriveDerivativeWeights(int half);

}  // namespace sorrel
