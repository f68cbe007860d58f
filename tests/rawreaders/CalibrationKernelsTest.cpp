// The calibration of the raw reader on each instruction set this processor
// has: every variant must give, bit for bit, the straightforward evaluation
// point by point (Horner's rule, rounded to a 32-bit float after each
// step, as the header's calibration entry defines it).
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <random>
#include <vector>

#include "rawreaders/kelpread/CalibrationKernels.h"

namespace sorrel::test::raw {
namespace {

float PointByPoint(const std::vector<double>& c, bool squareRoot, float m) {
  float r = squareRoot && m >= 0 ? static_cast<float>(std::sqrt(static_cast<double>(m))) : m;
  float acc = static_cast<float>(c.back());
  for (size_t j = c.size() - 1; j-- > 0;)
    acc = static_cast<float>(static_cast<double>(acc) * r + c[j]);
  return squareRoot ? static_cast<float>(static_cast<double>(acc) * acc) : acc;
}

uint32_t Bits(float f) {
  uint32_t b;
  std::memcpy(&b, &f, sizeof b);
  return b;
}

TEST(CalibrationKernels, EveryInstructionSetGivesTheBitsOfThePointByPointEvaluation) {
  struct Case {
    const char* what;
    std::vector<double> c;
    bool squareRoot;
  } cases[] = {
      // The entry of a real run (shared/data masslynx blue.raw).
      {"five-term polynomial",
       {-3.924445963614183e-1, 1.000252977448459e0, -2.429571643077414e-7, 1.123763027703513e-10,
        -1.751552988608531e-14},
       false},
      {"square root", {1.2e-3, 1.000117, -2.4e-6}, true},
      {"a constant", {0.5}, false},
  };
  // Masses of every kind, in a count that leaves a part block: zero,
  // negative ones (the square root then takes the mass itself), the
  // largest of format 0, and random ones.
  std::mt19937 rng(11);
  std::uniform_real_distribution<float> any(-100.0f, 16384.0f);
  std::vector<float> masses = {0.0f, -1.0f, -0.25f, 16383.9921875f, 1e-30f, 100.0f};
  while (masses.size() < 1003)
    masses.push_back(any(rng));

  const kelp::VectorIsa isas[] = {kelp::VectorIsa::Plain, kelp::VectorIsa::Avx2,
                                  kelp::VectorIsa::Avx512};
  for (const Case& c : cases) {
    for (kelp::VectorIsa isa : isas) {
      if (!kelp::IsaAvailable(isa)) continue;
      SCOPED_TRACE(std::string(c.what) + ", instruction set " +
                   std::to_string(static_cast<int>(isa)));
      std::vector<float> m = masses;
      kelp::CalibrateMasses(isa, c.c.data(), c.c.size(), c.squareRoot, m.data(), m.size());
      for (size_t i = 0; i < m.size(); ++i)
        ASSERT_EQ(Bits(m[i]), Bits(PointByPoint(c.c, c.squareRoot, masses[i])))
            << "mass " << masses[i];
    }
  }
}

}  // namespace
}  // namespace sorrel::test::raw
