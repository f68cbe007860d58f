#pragma once
// Shared numeric types of the whole system.
#include <array>
#include <vector>

namespace sorrel {

// One point of a spectrum or chromatogram: element 0 is X (mass or
// retention time in seconds), element 1 is Y (intensity).
using dPoint = std::array<float, 2>;
// A mass spectrum (ascending mass) or a chromatogram (ascending time).
using tXYarray = std::vector<dPoint>;
// One spectrum per scan of a run.
using tMass = std::vector<tXYarray>;
// Vectors and matrices (rows of values) of the PCA engine.
using adouble = std::vector<double>;
using aadouble = std::vector<adouble>;

}  // namespace sorrel
