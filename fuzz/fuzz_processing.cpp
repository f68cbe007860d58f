// The processing a frame runs on every redraw, on any spectrum a reader can
// hand over: gap filling, smoothing, baseline, nominal masses, and the
// standard, first-derivative and adaptive peak finders, with options drawn
// from the input. Readers only hand over finite 32-bit values, so other
// values are replaced by 0; masses are taken in the order given (sorted
// when the first byte asks for it) and folded into 0 .. 1024 unless the
// first byte asks for them as they are (gap filling and nominal masses of
// spectra that span 10^38 are refused, or run up to their limits of 20 and
// 10 million points, which is slow under the sanitizers).
//
// Input: 8 bytes of options, then (mass, intensity) pairs of little-endian
// 32-bit floats.
//   byte 0: bit 0 sort the masses, bit 1 chromatogram view, bit 2 fill
//           gaps, bit 3 automatic baseline level, bits 4-5 peak method,
//           bit 6 masses as they are, bit 7 nominal masses in the chain
//   byte 1: smoothing window index (taken modulo 12: 0 and 11 are refused)
//   byte 2: peak sensitivity (modulo 13: 0 and 12 are refused)
//   byte 3: baseline level (a power of two from the byte)
//   bytes 4-7: minimum height, distance, area (powers of two) and font size
//
// Then the whole chain of the view, with its nominal masses when bit 7 asks
// for them and the derivative shown when the method made one.
//
// Checked: every derivative has one point per input point at the same X,
// every peak's Index lies inside the spectrum it was found in, the
// standard and derivative peaks lie within their Left .. Right, and the
// chain's output and peaks agree with the steps run one by one.
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "FuzzSupport.h"
#include "core/common/Errors.h"
#include "core/processing/Peak.h"
#include "core/processing/ProcessingChain.h"
#include "core/processing/SpMath.h"
#include "core/spectrum/Conversions.h"

using namespace sorrel;

namespace {

float Finite(const uint8_t* p) {
  float v;
  std::memcpy(&v, p, sizeof v);
  return std::isfinite(v) ? v : 0.0f;
}

void Check(bool ok) {
  if (!ok) std::abort();
}

void CheckPeaks(const tPeaks& peaks, const tXYarray& s, bool bounds) {
  for (const tPeak& p : peaks.bPeaks) {
    Check(p.Index >= 0 && static_cast<size_t>(p.Index) < s.size());
    if (bounds) Check(p.Left <= p.X && p.X <= p.Right);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::InstallYesUi();
  if (size < 8) return 0;
  const uint8_t flags = data[0];
  const bool chromatogram = flags & 2;
  tXYarray s;
  for (size_t at = 8; at + 8 <= size; at += 8) {
    float mass = Finite(data + at);
    if (!(flags & 64)) mass = std::fmod(std::fabs(mass), 1024.0f);
    s.push_back({mass, Finite(data + at + 4)});
  }
  const bool sorted = flags & 1;
  if (sorted)
    std::stable_sort(s.begin(), s.end(),
                     [](const dPoint& a, const dPoint& b) { return a[0] < b[0]; });

  ChainSettings v;
  v.Chromatogram = chromatogram;
  v.Smooth.Enabled = true;
  v.Smooth.SGDegree = data[1] % 12;
  // Masses as they are may span millions of filled points: they go
  // through FillGaps alone, not through the whole chain.
  v.Smooth.FillNull = !chromatogram && (flags & 4) && !(flags & 64);
  v.BLine.Enabled = true;
  v.BLine.AutoTS = flags & 8;
  v.BLine.Threshold = std::ldexp(1.0, data[3] % 160 - 20);
  v.Peak.Enabled = true;
  v.Peak.Method = (flags >> 4) & 3;
  v.Peak.Sensiv = data[2] % 13;
  v.Peak.MinHeight = data[4] ? std::ldexp(1.0, data[4] % 140 - 20) : 0.0;
  v.Peak.MinDist = data[5] ? std::ldexp(1.0, data[5] % 40 - 20) : 0.0;
  v.Peak.MinArea = data[6] ? std::ldexp(1.0, data[6] % 140 - 20) : 0.0;
  v.NominalMasses = (flags & 128) && !(flags & 64);
  v.ShowDerivative = true;
  ChartScale scale;
  scale.pixelsPerX = std::ldexp(1.0, data[7] % 40 - 20);
  scale.pixelsPerY = std::ldexp(1.0, data[5] % 40 - 20);
  scale.fontSize = 1 + data[7] % 16;

  try {
    tXYarray filled;
    FillGaps(s, filled);
    if (!s.empty() && sorted) Check(filled.size() >= s.size());

    tXYarray cur = s;
    SGSmooth(cur, v.Smooth, cur);
    const BaselineResult base = SubtractBaseline(cur, v.BLine, cur);
    Check(base.Done == !cur.empty());
    const int method = v.Peak.Method;
    for (int m = 0; m <= 1; ++m) {
      rPeak p = v.Peak;
      p.Method = m;
      tXYarray deriv;
      tPeaks peaks;
      const StepResult found = FindPeaks(cur, p, deriv, peaks);
      Check(found.Done == ValidSensiv(p.Sensiv));
      if (m == 1 && found.Done) {
        Check(deriv.size() == cur.size());
        for (size_t i = 0; i < cur.size(); ++i)
          Check(deriv[i][0] == cur[i][0]);
      }
      CheckPeaks(peaks, cur, sorted);
    }
    tPeaks labels;
    MarkPeaksAdaptive(cur, scale, labels);
    CheckPeaks(labels, cur, false);

    // The chain over the same input: the same stages, then its own
    // nominal masses and the peaks of the chosen method.
    const ChainResult chain = ProcessChain(s, v, [&](const tXYarray&) { return scale; });
    tXYarray stage = cur;
    if (v.NominalMasses && !chromatogram) NomMassRound(cur, stage);
    if (method == 1 && chain.HasDerivative) {
      Check(chain.Output == chain.Derivative && chain.Output.size() == stage.size());
    } else {
      Check(chain.Output == stage);
    }
    CheckPeaks(chain.Peaks, stage, sorted && method != 2);

    tXYarray nominal;
    NomMassRound(cur, nominal);
    NomMassSplit(cur, nominal);
  } catch (const SorrelError&) {
    // Refusals (a spectrum too wide to fill or put on unit masses) and
    // arithmetic faults (MathError) are answers, not faults.
  }
  return 0;
}
