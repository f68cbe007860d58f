#pragma once
// Inner loops shared by the smoothing, the baseline and the peak finder:
// the Savitzky-Golay convolution of the intensities of a spectrum and long
// sums. Internal to the processing folder.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>

#include "core/common/Types.h"

namespace sorrel::detail {

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#define SORREL_WIDE_VECTORS 1
#endif

// The results of `count` points: r[t] from y[t .. t + 2H] (centre y[t + H]).
// The sum runs in 64 bits in the same order for every point (centre, then
// j = 1 .. H) and is rounded once to 32 bits.
template <int H, bool Symmetric>
inline __attribute__((always_inline)) void ConvolveBlock(const double* y, float* r, size_t count,
                                                         const double* cw, double norm) {
  for (size_t t = 0; t < count; ++t) {
    const double* yc = y + H + t;
    double acc = Symmetric ? cw[0] * yc[0] : 0.0;
#pragma GCC unroll 16
    for (int j = 1; j <= H; ++j) {
      if constexpr (Symmetric)
        acc += cw[j] * (yc[-j] + yc[j]);
      else
        acc += cw[j] * (yc[j] - yc[-j]);
    }
    r[t] = static_cast<float>(acc / norm);
  }
}

template <int H, bool Symmetric>
void ConvolveBlockBase(const double* y, float* r, size_t count, const double* cw, double norm) {
  ConvolveBlock<H, Symmetric>(y, r, count, cw, norm);
}

#ifdef SORREL_WIDE_VECTORS
// The same code for processors with AVX2: four doubles per operation
// instead of two. No fused multiply-add is enabled, so every product and
// sum is rounded as in the base version and the results are the same to
// the last bit.
template <int H, bool Symmetric>
__attribute__((target("avx2"))) void ConvolveBlockAvx2(const double* y, float* r, size_t count,
                                                       const double* cw, double norm) {
  ConvolveBlock<H, Symmetric>(y, r, count, cw, norm);
}

inline bool HasAvx2() {
  static const bool has = __builtin_cpu_supports("avx2");
  return has;
}
#endif

// For every point i of lo .. hi (inclusive; the window must fit, lo >= H and
// hi + H < the number of points) the Y of dst[i] becomes
//   symmetric:     (c0 y[i] + sum over j = 1 .. H of cj (y[i-j] + y[i+j])) / norm
//   antisymmetric: (          sum over j = 1 .. H of cj (y[i+j] - y[i-j])) / norm
// with y the Y of src; X values are not touched. Returns false when a
// result does not fit a 32-bit float; dst may then hold some of the
// results. `wide` allows the AVX2 code where the processor has it (the
// tests compare both).
//
// The points are taken in blocks: the intensities of a block and its
// margins are copied into a contiguous buffer, where the loop over the
// points vectorises, and the results are written back.
template <int H, bool Symmetric>
bool ConvolveY(const dPoint* src, dPoint* dst, const int64_t* c, double norm, size_t lo, size_t hi,
               bool wide = true) {
  constexpr size_t kBlock = 2048;
  double cw[H + 1];
  for (int j = 0; j <= H; ++j)
    cw[j] = static_cast<double>(c[j]);
  void (*block)(const double*, float*, size_t, const double*, double) =
      ConvolveBlockBase<H, Symmetric>;
#ifdef SORREL_WIDE_VECTORS
  if (wide && HasAvx2()) block = ConvolveBlockAvx2<H, Symmetric>;
#endif
  double y[kBlock + 2 * H];  // each intensity widened once
  float r[kBlock];
  unsigned bad = 0;
  for (size_t start = lo; start <= hi; start += kBlock) {
    const size_t count = std::min(kBlock, hi - start + 1);
    for (size_t t = 0; t < count + 2 * H; ++t)
      y[t] = src[start - H + t][1];
    block(y, r, count, cw, norm);
    for (size_t t = 0; t < count; ++t) {
      bad |= static_cast<unsigned>(!(std::fabs(r[t]) <= std::numeric_limits<float>::max()));
      dst[start + t][1] = r[t];
    }
  }
  return bad == 0;
}

// The sum of f(i) over i = lo .. hi-1 in 64 bits, in four interleaved
// partial sums (i modulo 4 from lo, the tail in the first) added as
// (s0 + s1) + (s2 + s3). The order is fixed, so the result is reproducible,
// and the four independent chains keep long sums from waiting on each
// addition in turn.
template <typename F>
double LaneSum(size_t lo, size_t hi, F f) {
  double s0 = 0, s1 = 0, s2 = 0, s3 = 0;
  size_t i = lo;
  for (; i + 4 <= hi; i += 4) {
    s0 += f(i);
    s1 += f(i + 1);
    s2 += f(i + 2);
    s3 += f(i + 3);
  }
  for (; i < hi; ++i)
    s0 += f(i);
  return (s0 + s1) + (s2 + s3);
}

}  // namespace sorrel::detail
