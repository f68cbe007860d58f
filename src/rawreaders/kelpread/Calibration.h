#pragma once
// The mass calibration of an acquisition function, as _HEADER.TXT states
// it: "$$ Cal Function n: c1,c2,...,T0" (polynomial) or "...,T1" (square
// root).
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace kelp {

struct Calibration {
  bool active = false;               // false: masses stay as decoded
  bool squareRoot = false;           // T1; otherwise T0
  std::vector<double> coefficients;  // c1, c2, ... cK
};

// Finds the entry of `function` in the header text and fills `cal`. The
// text is read as comma-separated fields, line ends also ending a field.
// The entry's coefficients run up to a type field ("T0", "T1"), an empty
// field (type T0) or a field beginning "$$" (type T0; it counts as a
// coefficient 0 and the search for the entry goes on after it).
// Statuses: KELP_OK (also when there is no entry: no calibration),
// KELP_UNKNOWN_FORMAT for a coefficient that is not a number,
// KELP_INPUT_PAST_END when the text ends inside the entry.
int16_t ParseCalibration(std::string_view text, int function, Calibration& cal);

// Reads _HEADER.TXT of `dir` and parses it as above.
int16_t ReadCalibration(const std::string& dir, int function, Calibration& cal);

// Replaces every mass by its calibrated value.
void Calibrate(const Calibration& cal, float* masses, size_t count);

}  // namespace kelp
