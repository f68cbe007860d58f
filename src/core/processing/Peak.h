#pragma once
// Peaks of a spectrum or chromatogram: the peak record, the peak list, and
// the peak finder with its two automatic methods (standard: rising and
// falling steps with peak areas; first derivative: zero crossings of a
// Savitzky-Golay first derivative), followed by the height, distance and
// area filters.
#include <cstdint>
#include <memory>
#include <vector>

#include "core/common/Types.h"
#include "core/processing/ProcessingOptions.h"

namespace sorrel {

struct tPeak {
  float X = 0;        // position of the apex (time or mass)
  float Y = 0;        // intensity at the apex
  float Left = 0;     // X where the peak starts
  float Right = 0;    // X where the peak ends
  float Area = 0;     // area above the straight line from the start to the end
  int32_t Index = 0;  // index of the apex point in the spectrum
};

bool operator==(const tPeak& a, const tPeak& b);

// A list of peaks in the order they were added (the finder adds them in
// ascending X).
class tPeaks {
 public:
  std::vector<tPeak> bPeaks;

  // Appends a copy; returns the new count.
  int Add(const tPeak& wPeak);
  // Removes the record at Idx; false (nothing changes) when Idx is out of
  // range.
  bool Delete(int Idx);
  void Clear() { bPeaks.clear(); }
  int Count() const { return static_cast<int>(bPeaks.size()); }
  // A copy of the record; an index out of range throws SorrelError
  // "Wrong index".
  tPeak GetPeaks(int Index) const;
  tPeak Items(int Index) const { return GetPeaks(Index); }
  // Replaces the record; an index out of range is ignored.
  void SetPeaks(int Index, const tPeak& Value);

  // Smallest and largest X and Y over the records. An empty list has no
  // extent: all four are 0.
  float MinX() const;
  float MaxX() const;
  float MinY() const;
  float MaxY() const;
};

// Fills `peaks` with the peaks of `spectrum` found with `settings`. The
// list is cleared first, so every search that is not done leaves it empty:
// a disabled search (Enabled false), a sensitivity outside 1 .. 11 (the
// error "Peaking/Wrong peak sensitivity"), a method outside 0 .. 2 (the
// error "Peaking/Wrong peak method"), and the adaptive method 2, whose
// labels MarkPeaksAdaptive lays out for a chart. A spectrum too short for
// the method gives a search that is done and found nothing. With method 1
// `derivative` receives the first-derivative spectrum (one point per input
// point, 0 where the window does not fit); otherwise it is not touched.
//
// Method 0, standard. A peak starts at point i when y[i+1] - y[i] exceeds
// the step threshold; its apex is the next strict local maximum and its end
// the first later point where the signal has settled or that lies far
// enough from the apex. Left and Right are the X of the start and end
// points, Area the trapezoid area between them above the straight line
// joining them. A rise that no strict maximum follows (the signal climbs to
// the end or ends on a plateau) is no peak, and the search ends there. A
// peak whose end is not found before the last point ends at the last point.
//
// Method 1, first derivative. An apex is a change of sign of the
// derivative from a run of at least s positive values to a run of at least
// s negative ones, both strong enough on average. X is the interpolated
// zero crossing and Y the spectrum interpolated there. A single point of
// derivative exactly 0 between the two runs (the top of a symmetric peak
// sampled on its centre) is the crossing itself. The peak extends
// over the two runs: Left is the X of the last point before the rising
// run, Right the X of the first point after the falling run, and Area is
// measured between them as for the standard method.
//
// A peak area or a derivative that does not fit a 32-bit float throws
// MathError; the list is then empty and `derivative` is not touched.
StepResult FindPeaks(const tXYarray& spectrum, const rPeak& settings, tXYarray& derivative,
                     tPeaks& peaks);
// The filters of FindPeaks, in their order: height (Y below MinHeight),
// distance (of two neighbours closer than MinDist in X the lower goes, the
// first of two equal ones, and the survivor is compared with the next) and,
// for Method 0 only, area (Area below MinArea).
void FilterPeaks(std::vector<tPeak>& peaks, const rPeak& options);

// The same, creating the list when `peaks` holds none.
StepResult FindPeaks(const tXYarray& spectrum, const rPeak& settings, tXYarray& derivative,
                     std::unique_ptr<tPeaks>& peaks);

// The geometry of the chart a spectrum is shown in, for the adaptive
// labelling: pixels per unit of X and of Y, and the font size of the marks.
struct ChartScale {
  double pixelsPerX = 1;
  double pixelsPerY = 1;
  double fontSize = 8;
};

// The scale of a chart of `widthPixels` x `heightPixels` that shows the
// whole spectrum: X from its first to its last point, Y from the lower of
// 0 and its smallest intensity to the higher of 0 and its largest. A span
// of 0 (one mass, or all intensities 0) gives 0 pixels per unit.
ChartScale WholeSpectrumScale(const tXYarray& spectrum, double widthPixels, double heightPixels,
                              double fontSize);

// Labels for the adaptive method: peaks chosen so that their labels do
// not crowd at the chart's current scale (labels W = 6 x font size wide and
// H = 2 x font size high). Each label is a peak with the point's X, Y and
// Index, its other fields 0; a point may be labelled twice. The list is
// cleared first.
void MarkPeaksAdaptive(const tXYarray& spectrum, const ChartScale& scale, tPeaks& peaks);

}  // namespace sorrel
