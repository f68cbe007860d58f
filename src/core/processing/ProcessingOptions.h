#pragma once
// The settings of the processing steps of one view (smoothing, baseline,
// peak detection), as a plot template holds them for the chromatogram and
// for the mass spectrum, and the answer of a step that can refuse them.
#include <cstdint>
#include <string>

namespace sorrel {

// Savitzky-Golay smoothing.
struct rSmooth {
  int32_t SGDegree = 3;   // window index k, 1 .. 10: 2k+5 points
  bool FillNull = false;  // fill gaps before smoothing (mass spectrum); not in the file
  bool Enabled = false;

  friend bool operator==(const rSmooth&, const rSmooth&) = default;
};

// Constant baseline.
struct rBLine {
  double Threshold = 0;  // level subtracted; a frame keeps here the level automatic mode found
  bool AutoTS = false;   // compute the level from the intensities
  bool Enabled = false;

  friend bool operator==(const rBLine&, const rBLine&) = default;
};

// Peak detection.
struct rPeak {
  int32_t Method = 0;  // 0 standard, 1 first derivative, 2 adaptive to the mass scale
  int32_t Sensiv = 5;  // 1 .. 11; the working half-window is 12 - Sensiv
  double MinHeight = 0;
  double MinDist = 0;
  double MinArea = 0;  // standard method only
  bool Enabled = false;

  friend bool operator==(const rPeak&, const rPeak&) = default;
};

// The values the steps accept.
inline bool ValidSGDegree(int64_t k) {
  return k >= 1 && k <= 10;
}
inline bool ValidSensiv(int64_t s) {
  return s >= 1 && s <= 11;
}
inline bool ValidPeakMethod(int64_t m) {
  return m >= 0 && m <= 2;
}

// What a step answers: whether it did its work and, when it refused its
// settings, why ("Smoothing/Wrong peak factor"); Error is empty otherwise.
struct StepResult {
  bool Done = false;
  std::string Error;
};

}  // namespace sorrel
