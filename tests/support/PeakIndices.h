#pragma once
// The indices of a peak list's peaks, in list order, for comparing a peak
// search with the peaks expected.
#include <vector>

#include "core/processing/Peak.h"

namespace sorrel::test {

inline std::vector<int> Indices(const tPeaks& peaks) {
  std::vector<int> idx;
  for (const tPeak& p : peaks.bPeaks)
    idx.push_back(p.Index);
  return idx;
}

}  // namespace sorrel::test
