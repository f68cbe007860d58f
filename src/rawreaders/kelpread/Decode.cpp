#include "rawreaders/kelpread/Decode.h"

#include <bit>
#include <cstdint>

#include "rawreaders/common/RawFiles.h"

namespace kelp {

namespace {

// 2^e as a float, built from its exponent bits, for -126 <= e <= 127. The
// powers of formats 0, 1 and 2 are made this way rather than looked up in
// a table, so that their loops can run several points at a time.
inline float Pow2(int32_t e) {
  return std::bit_cast<float>(static_cast<uint32_t>(127 + e) << 23);
}
// 4^k for k = 0 .. 15.
inline float Pow4(uint32_t k) {
  return Pow2(static_cast<int32_t>(2 * k));
}

// The same powers as tables, for formats 8 and 9, whose six-byte records
// are decoded one at a time anyway: a look-up is cheaper there.
// 4^k for k = 0 .. 15.
constexpr float kPow4[16] = {1.0f,        4.0f,        16.0f,        64.0f,
                             256.0f,      1024.0f,     4096.0f,      16384.0f,
                             65536.0f,    262144.0f,   1048576.0f,   4194304.0f,
                             16777216.0f, 67108864.0f, 268435456.0f, 1073741824.0f};

// 2^(e - 32) for e = 0 .. 31.
struct Pow2Table {
  float v[32];
  constexpr Pow2Table() : v() {
    float x = 1.0f;
    for (int i = 0; i < 32; ++i)
      x *= 0.5f;  // 2^-32 after the loop
    for (int e = 0; e < 32; ++e) {
      v[e] = x;
      x *= 2.0f;
    }
  }
};
constexpr Pow2Table kPow2Minus32{};

inline int16_t LoadS16(const unsigned char* p) {
  return static_cast<int16_t>(LoadU16(p));
}

}  // namespace

void DecodeFormat0(const unsigned char* bytes, size_t n, float* masses, float* intensities) {
  for (size_t i = 0; i < n; ++i) {
    uint32_t a = LoadU32(bytes + 4 * i);
    intensities[i] = static_cast<float>((a & 0x7F8u) >> 3) * Pow4(a & 7u);
    masses[i] = static_cast<float>(a & 0xFFFFF800u) * (1.0f / 262144.0f);
  }
}

void DecodeFormat1(const unsigned char* bytes, size_t n, float* masses, float* intensities) {
  size_t pairs = n / 2;
  for (size_t j = 0; j < pairs; ++j) {
    const unsigned char* r = bytes + 10 * j;
    uint16_t w0 = LoadU16(r), w1 = LoadU16(r + 2), w2 = LoadU16(r + 4);
    uint16_t w3 = LoadU16(r + 6), w4 = LoadU16(r + 8);
    intensities[2 * j] = static_cast<float>(w0) * 0.125f * Pow4(w0 & 7u);
    masses[2 * j] =
        static_cast<float>(w2) * (1.0f / 1024.0f) + 64.0f * static_cast<float>(w3 & 0xFFu);
    intensities[2 * j + 1] = static_cast<float>(w1) * 0.125f * Pow4(w1 & 7u);
    masses[2 * j + 1] =
        static_cast<float>(w4) * (1.0f / 1024.0f) + 64.0f * static_cast<float>(w3 >> 8);
  }
  if (n % 2 != 0) {
    const unsigned char* r = bytes + 10 * pairs;
    uint16_t w0 = LoadU16(r), w2 = LoadU16(r + 4), w3 = LoadU16(r + 6);
    intensities[n - 1] = static_cast<float>(w0) * 0.125f * Pow4(w0 & 7u);
    masses[n - 1] =
        static_cast<float>(w2) * (1.0f / 1024.0f) + 64.0f * static_cast<float>(w3 & 0xFFu);
  }
}

void DecodeFormat2(const unsigned char* bytes, size_t n, float* intensities) {
  for (size_t i = 0; i < n; ++i) {
    uint16_t w = LoadU16(bytes + 2 * i);
    float v = static_cast<float>((w & 0xFFF8u) >> 3) * Pow4(w & 7u);
    intensities[i] = v < 0.001f ? 1.0f : v;
  }
}

void DecodeFormat8(const unsigned char* bytes, size_t n, float* masses, float* intensities) {
  for (size_t i = 0; i < n; ++i, bytes += 6) {
    int16_t a = LoadS16(bytes);
    uint32_t b = LoadU32(bytes + 2);
    masses[i] = static_cast<float>(static_cast<double>(b & 0xFFFFFFF0u) / 2048.0);
    intensities[i] = static_cast<float>(a) * kPow4[b & 7u];
  }
}

void DecodeFormat9(const unsigned char* bytes, size_t n, float* masses, float* intensities) {
  for (size_t i = 0; i < n; ++i, bytes += 6) {
    int16_t a = LoadS16(bytes);
    uint32_t b = LoadU32(bytes + 2);
    masses[i] = static_cast<float>(b & 0xFFFFFE00u) * kPow2Minus32.v[(b & 0x1F0u) >> 4];
    intensities[i] = static_cast<float>(a) * kPow4[b & 15u];
  }
}

float LowestIntensity(const float* intensities, size_t n, float floor) {
  float lowest = floor;
  for (size_t i = 0; i < n; ++i)
    lowest = intensities[i] < lowest ? intensities[i] : lowest;
  return lowest;
}

void ShiftIntensities(float* intensities, size_t n, float shift) {
  for (size_t i = 0; i < n; ++i)
    intensities[i] += shift;
}

}  // namespace kelp
