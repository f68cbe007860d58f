#include "core/training/Screening.h"

#include <algorithm>
#include <cmath>

#include "core/common/Errors.h"
#include "core/common/NumberText.h"
#include "core/common/Paths.h"
#include "core/common/ProgressIndicator.h"
#include "core/processing/ProcessingChain.h"
#include "core/spectrum/Spec.h"

namespace sorrel {

namespace {

// The typical step between neighbouring scans of a chromatogram: the
// median of |y[i+1] - y[i]|. Peaks are few and narrow, so the median sees
// the noise, not them. It is taken from the chromatogram as read: the
// baseline step sets everything below its level to 1, and those flat
// stretches would make any chromatogram look free of noise.
double NoiseLevel(const tXYarray& y) {
  if (y.size() < 2) return 0.0;
  std::vector<double> steps(y.size() - 1);
  for (size_t i = 0; i + 1 < y.size(); ++i)
    steps[i] = std::fabs(static_cast<double>(y[i + 1][1]) - y[i][1]);
  const auto mid = steps.begin() + static_cast<std::ptrdiff_t>(steps.size() / 2);
  std::nth_element(steps.begin(), mid, steps.end());
  return *mid;
}

// The first scan at or after time `x`, and the last at or before it.
int32_t FirstAtOrAfter(const tXYarray& chrom, float x) {
  const auto it =
      std::find_if(chrom.begin(), chrom.end(), [x](const dPoint& p) { return p[0] >= x; });
  return static_cast<int32_t>(it - chrom.begin());
}
int32_t LastAtOrBefore(const tXYarray& chrom, float x) {
  int32_t i = static_cast<int32_t>(chrom.size()) - 1;
  while (i >= 0 && chrom[static_cast<size_t>(i)][0] > x)
    --i;
  return i;
}

}  // namespace

std::vector<ScreenPeak> FindScreenPeaks(TSpec& run, const ScreenSettings& settings,
                                        const ScreenProgress& progress) {
  std::vector<ScreenPeak> peaks;
  const int32_t n = run.NSpec();
  if (n == 0) return peaks;
  if (settings.BackgroundScans < 0)
    throw SorrelError("The background of a peak cannot be " +
                      std::to_string(settings.BackgroundScans) + " scans");
  ChainSettings chain;
  chain.Chromatogram = true;
  chain.Smooth = settings.Smooth;
  chain.BLine = settings.BLine;
  chain.Peak = settings.Peak;
  const ChainResult processed = ProcessChain(run.Chrom, chain);
  if (!processed.Problems.empty())
    throw SorrelError("The chromatogram cannot be searched for peaks: " +
                      processed.Problems.front().Detail);
  const tXYarray& y = processed.Output;
  const tXYarray& chrom = run.Chrom;
  const double minHeight = settings.MinSignalToNoise * NoiseLevel(run.Chrom);
  std::vector<double> chromX(chrom.size());
  for (size_t i = 0; i < chrom.size(); ++i)
    chromX[i] = chrom[i][0];

  WorkProgressReport report("Summing the peaks of " + run.Filename(), processed.Peaks.Count());
  const int64_t steps = 2 * static_cast<int64_t>(processed.Peaks.Count());
  int64_t done = 0;
  for (const tPeak& found : processed.Peaks.bPeaks) {
    if (progress && !progress(done, steps)) throw WorkCancelled();
    report.Step(done++);
    if (found.Index < 0 || found.Index >= n || static_cast<size_t>(found.Index) >= y.size())
      continue;
    const int32_t left = std::min(FirstAtOrAfter(chrom, found.Left), found.Index);
    const int32_t right = std::max(LastAtOrBefore(chrom, found.Right), found.Index);
    // Heights are measured from the straight line joining the peak's
    // start and end, so that a rising baseline (column bleed) does not
    // count as peak.
    auto base = [&](int32_t k) {
      const double yl = y[static_cast<size_t>(left)][1], yr = y[static_cast<size_t>(right)][1];
      return right == left ? yl : yl + (yr - yl) * (k - left) / (right - left);
    };
    auto above = [&](int32_t k) { return y[static_cast<size_t>(k)][1] - base(k); };
    const double height = above(found.Index);
    if (!(height > 0.0) || height < minHeight) continue;
    // The top of the peak, above half its height: its flanks and whatever
    // elutes beside it count less.
    int32_t first = found.Index, last = found.Index;
    while (first > left && above(first - 1) >= height / 2)
      --first;
    while (last < right && above(last + 1) >= height / 2)
      ++last;

    ScreenPeak p;
    p.Apex = found.Index;
    p.First = first;
    p.Last = last;
    p.Rt = chrom[static_cast<size_t>(found.Index)][0];
    p.Height = height;
    p.Ranges.push_back(
        {chromX[static_cast<size_t>(first)], chromX[static_cast<size_t>(last)], 1.0f});
    const int32_t bgFirst = right + 1;
    const int32_t bgLast = std::min(n - 1, right + settings.BackgroundScans);
    if (settings.BackgroundScans > 0 && bgFirst <= bgLast) {
      const float weight =
          -static_cast<float>(last - first + 1) / static_cast<float>(bgLast - bgFirst + 1);
      p.Ranges.push_back(
          {chromX[static_cast<size_t>(bgFirst)], chromX[static_cast<size_t>(bgLast)], weight});
    }
    // A scan whose masses cannot be summed (a corrupt mass of 1e30) costs
    // this peak its spectrum, not the screening of the others.
    try {
      bool any = false;
      p.Spectrum = SumRangeMass(run, chromX, p.Ranges, any);
    } catch (const SorrelError& e) {
      p.Problem = e.what();
    }
    peaks.push_back(std::move(p));
  }
  if (progress && !progress(steps / 2, steps)) throw WorkCancelled();
  return peaks;
}

std::vector<ScreenTraining> OpenScreenTrainings(const std::vector<std::string>& paths,
                                                const ReferenceFrameMaker& makeReference) {
  std::vector<ScreenTraining> out;
  for (const std::string& path : paths) {
    ScreenTraining st;
    st.Path = path;
    try {
      if (!FileExists(path)) throw SorrelError("no such training file");
      st.Training = std::make_unique<TTraining>(path);
      st.Training->Open();
      st.Compound = st.Training->Compound;
      if (!st.Training->HasResults()) throw SorrelError(kTrainingNotCalculated);
      const TTraining& t = *st.Training;
      if (t.LoadedSpec.empty())
        throw SorrelError("the training names no spectrum, so it has no reference spectrum");
      const std::string refPath = t.DirName() + t.LoadedSpec[0];
      st.Reference = makeReference(t, refPath);
      if (!st.Reference || st.Reference->IsEmpty())
        throw SorrelError("its reference spectrum " + refPath + " cannot be opened");
    } catch (const SorrelError& e) {
      st.Reference.reset();
      st.Problem = e.what();
    }
    out.push_back(std::move(st));
  }
  return out;
}

ScreenResult ScreenRun(TSpec& run, std::vector<ScreenTraining>& trainings,
                       const ScreenSettings& settings, const ScreenProgress& progress) {
  ScreenResult result;
  // The peaks found are summed, then classified: each half of the steps
  // counts all the peaks the search found, kept or not.
  int64_t found = 0, steps = 0;
  result.Peaks = FindScreenPeaks(run, settings, [&](int64_t done, int64_t total) {
    found = total / 2;
    steps = total;
    return !progress || progress(done, total);
  });
  const int64_t kept = static_cast<int64_t>(result.Peaks.size());
  WorkProgressReport report("Classifying the peaks of " + run.Filename(), kept);
  for (size_t p = 0; p < result.Peaks.size(); ++p) {
    // The classifications fill the second half, in proportion.
    if (progress &&
        !progress(found + (kept > 0 ? found * static_cast<int64_t>(p) / kept : 0), steps))
      throw WorkCancelled();
    report.Step(static_cast<int64_t>(p));
    SpecFrame unknown(result.Peaks[p].Spectrum,
                      "the peak at " + FormatValue(result.Peaks[p].Rt) + " s");
    for (size_t t = 0; t < trainings.size(); ++t) {
      ScreenRow row;
      row.Peak = p;
      row.Training = t;
      ScreenTraining& st = trainings[t];
      if (!st.Problem.empty()) {
        row.Result.Calculated = st.Problem != kTrainingNotCalculated;
        row.Result.Reason = st.Problem;
      } else if (!result.Peaks[p].Problem.empty()) {
        row.Result.Calculated = true;
        row.Result.Reason = result.Peaks[p].Problem;
      } else {
        row.Result = Classify(*st.Training, *st.Reference, unknown);
      }
      result.Rows.push_back(std::move(row));
    }
  }
  if (progress && !progress(steps, steps)) throw WorkCancelled();
  return result;
}

}  // namespace sorrel
