#pragma once
// The inner loop of the mass calibration, once for each instruction set the
// reader can use. Horner's rule with the running value rounded to a 32-bit
// float after every multiply-add: every step is one correctly rounded IEEE
// operation (the product of two floats is exact in a double), so every
// variant gives the same bits; the wider ones only take four or eight
// doubles per instruction instead of two.
#include <cmath>
#include <cstddef>

namespace kelp {

enum class VectorIsa { Plain, Avx2, Avx512 };

namespace detail {

// Block by block, one coefficient at a time over the block, so that the
// compiler can keep many points in flight.
[[gnu::always_inline]] inline void CalibrateBlocks(const double* c, size_t k, bool squareRoot,
                                                   float* masses, size_t count) {
  constexpr size_t kBlock = 256;
  float x[kBlock], acc[kBlock];
  const float last = static_cast<float>(c[k - 1]);
  for (size_t start = 0; start < count; start += kBlock) {
    const size_t n = count - start < kBlock ? count - start : kBlock;
    float* m = masses + start;
    if (squareRoot) {
      for (size_t i = 0; i < n; ++i)
        x[i] = m[i] < 0 ? m[i] : static_cast<float>(std::sqrt(static_cast<double>(m[i])));
    } else {
      for (size_t i = 0; i < n; ++i)
        x[i] = m[i];
    }
    for (size_t i = 0; i < n; ++i)
      acc[i] = last;
    for (size_t j = k - 1; j-- > 0;) {
      const double cj = c[j];
      for (size_t i = 0; i < n; ++i)
        acc[i] = static_cast<float>(static_cast<double>(acc[i]) * static_cast<double>(x[i]) + cj);
    }
    if (squareRoot) {
      for (size_t i = 0; i < n; ++i)
        m[i] = static_cast<float>(static_cast<double>(acc[i]) * static_cast<double>(acc[i]));
    } else {
      for (size_t i = 0; i < n; ++i)
        m[i] = acc[i];
    }
  }
}

inline void CalibratePlain(const double* c, size_t k, bool squareRoot, float* masses,
                           size_t count) {
  CalibrateBlocks(c, k, squareRoot, masses, count);
}

#if defined(__x86_64__)
[[gnu::target("avx2")]] inline void CalibrateAvx2(const double* c, size_t k, bool squareRoot,
                                                  float* masses, size_t count) {
  CalibrateBlocks(c, k, squareRoot, masses, count);
}
[[gnu::target("avx512f")]] inline void CalibrateAvx512(const double* c, size_t k, bool squareRoot,
                                                       float* masses, size_t count) {
  CalibrateBlocks(c, k, squareRoot, masses, count);
}
#endif

}  // namespace detail

inline bool IsaAvailable(VectorIsa isa) {
#if defined(__x86_64__)
  __builtin_cpu_init();
  switch (isa) {
    case VectorIsa::Plain:
      return true;
    case VectorIsa::Avx2:
      return __builtin_cpu_supports("avx2");
    case VectorIsa::Avx512:
      return __builtin_cpu_supports("avx512f");
  }
  return false;
#else
  return isa == VectorIsa::Plain;
#endif
}

// The widest instruction set of this processor.
inline VectorIsa BestIsa() {
  if (IsaAvailable(VectorIsa::Avx512)) return VectorIsa::Avx512;
  if (IsaAvailable(VectorIsa::Avx2)) return VectorIsa::Avx2;
  return VectorIsa::Plain;
}

// Replaces each of `count` masses by c[0] + c[1] r + ... + c[k-1] r^(k-1)
// (k >= 1), with r the mass, or for the square-root type its square root
// (the mass itself when negative) and the result squared. `isa` must be
// available.
inline void CalibrateMasses(VectorIsa isa, const double* c, size_t k, bool squareRoot,
                            float* masses, size_t count) {
#if defined(__x86_64__)
  if (isa == VectorIsa::Avx512) return detail::CalibrateAvx512(c, k, squareRoot, masses, count);
  if (isa == VectorIsa::Avx2) return detail::CalibrateAvx2(c, k, squareRoot, masses, count);
#endif
  detail::CalibratePlain(c, k, squareRoot, masses, count);
}

}  // namespace kelp
