#pragma once
// What the six result pages of the workbench show, over plain data: the
// series of each chart, the labels of its points and the frames they stand
// for, the rebuilt spectrum and its distance, the recommended number of
// factors, and the text Copy Data puts on the clipboard.
#include <string>
#include <vector>

#include "core/common/Types.h"
#include "core/training/TrainingCalc.h"

namespace sorrel {

// The result pages, in the order of the main window's charts.
enum class ResultPage { Loadings, RebuildSp, MDist, EigenValues, Scores, Compact };
inline constexpr int kResultPageCount = 6;
// The page's name as its tab shows it ("Loadings", "Rebuild Sp", ...).
const char* ResultPageName(ResultPage page);

// One series of a chart. Labels and Frames are empty or have one entry per
// point: the point's label and the index of the frame it stands for (-1:
// none).
struct PageSeries {
  adouble X, Y;
  std::vector<std::string> Labels;
  std::vector<int> Frames;
  size_t Size() const { return X.size(); }
};

// "Loadings": one bar per mass Xvals[i] of height sqrt(eigenvalue[v]) x
// loadings[v][i], v counted from 0 (the loading scaled to the spread of
// its scores). Throws SorrelError when v or the mass axis does not fit the
// results.
PageSeries LoadingSeries(const PcaResults& r, const adouble& xvals, int v);

// "Rebuild Sp": spectrum k (a data-matrix row, from 0) rebuilt from its
// first nf scores and loadings, and the residual of each mass against
// `current`, the spectrum as the frame's preprocessing gives it now.
struct RebuiltSpectrum {
  PageSeries Bars;        // the rebuilt spectrum
  PageSeries Residuals;   // rebuilt less current
  double Distance = 0.0;  // the square root of the summed squared residuals
};
RebuiltSpectrum RebuildSpectrum(const PcaResults& r, const adouble& xvals, int k, int nf,
                                const adouble& current);
// The chart's first title line: "Euclidean Dist.= " and the distance with 6
// significant digits (an exponent of at least three digits).
std::string EuclideanTitle(double distance);

// "Eigen Values": one point per eigenvalue at (i + 1, eigenvalue[i]).
PageSeries EigenSeries(const PcaResults& r);

// The number of factors the "Eigen Values" page recommends. The total
// variation is the sum of squares of the data matrix: the sum of the
// eigenvalues of a complete decomposition (the decomposition does not
// centre the columns, so the first factor carries the mean spectrum). The
// recommended number is the smallest number of factors whose eigenvalues
// keep at least kKeptShare of it; when the factors calculated keep less,
// all of them (a larger number of loadings may then keep more).
inline constexpr double kKeptShare = 0.95;
struct FactorRecommendation {
  double Total = 0.0;        // the total variation
  double KeptPercent = 0.0;  // the share the recommended factors keep, in %
  int Factors = 0;           // from 1 to the number of eigenvalues (0 without any)
};
FactorRecommendation RecommendFactors(const PcaResults& r);

// "Scores": one point per data-matrix row i at (scores[i][xf-1],
// scores[i][yf-1]) labelled IndexChar(i + 1); rowFrames[i] is the frame of
// row i.
PageSeries ScoreSeries(const PcaResults& r, int xf, int yf, const std::vector<int>& rowFrames);

// "M.Dist": a point per frame at (index, distance), labelled
// IndexChar(number + 1) of the frame.
struct FrameDistance {
  int Frame = 0;
  int Number = 0;
  double Distance = 0.0;
};
PageSeries MDistPageSeries(const std::vector<FrameDistance>& distances);

// "Compact": one point per number of components nf at (nf, average[nf-1]).
PageSeries CompactPageSeries(const adouble& averages);

// Copy Data: a line per point, "x<TAB>y<LF>", numbers in general format
// with up to 15 significant digits and "." as decimal separator.
std::string CopyDataText(const PageSeries& series);

// The frame a clicked point stands for: its own frame when the series
// knows it, else the frame at CharIndex of its label's first character
// (upper case) less one; -1 for a point without a label.
int ClickedFrame(const PageSeries& series, size_t point);

}  // namespace sorrel
