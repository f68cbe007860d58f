#pragma once
// Decoding of the packed point records of _FUNCnnn.DAT, one routine per
// data format. Each takes the bytes of whole records and writes `n` points.
//
//   format 0, 4 bytes, u32 a:  intensity ((a & 0x7F8) / 8) * 4^(a & 7),
//                              mass (a & 0xFFFFF800) / 2^18
//   format 1, 10 bytes, u16 w0..w4, two points:
//                              intensity (w0 / 8) * 4^(w0 & 7), mass w2 / 1024 + 64 (w3 & 0xFF);
//                              intensity (w1 / 8) * 4^(w1 & 7), mass w4 / 1024 + 64 (w3 >> 8)
//   format 2, 2 bytes, u16 w:  intensity ((w & 0xFFF8) / 8) * 4^(w & 7), 1.0 when below 0.001;
//                              the masses come from the channel list
//   format 8, 6 bytes, s16 a, u32 b: mass (b & 0xFFFFFFF0) / 2048, intensity a * 4^(b & 7)
//   format 9, 6 bytes, s16 a, u32 b: mass 2^e (b & 0xFFFFFE00) / 2^32 with
//                              e = (b & 0x1F0) / 16, intensity a * 4^(b & 15)
//
// Every value but the format 8 mass is exact in a 32-bit float; that one is
// computed in double and rounded once.
#include <cstddef>

namespace kelp {

void DecodeFormat0(const unsigned char* bytes, size_t n, float* masses, float* intensities);
// `n` may be odd: the last record then gives only its first point.
void DecodeFormat1(const unsigned char* bytes, size_t n, float* masses, float* intensities);
void DecodeFormat2(const unsigned char* bytes, size_t n, float* intensities);
void DecodeFormat8(const unsigned char* bytes, size_t n, float* masses, float* intensities);
void DecodeFormat9(const unsigned char* bytes, size_t n, float* masses, float* intensities);

// The smallest of `floor` and the intensities.
float LowestIntensity(const float* intensities, size_t n, float floor);
// Adds `shift` to every intensity.
void ShiftIntensities(float* intensities, size_t n, float shift);

}  // namespace kelp
