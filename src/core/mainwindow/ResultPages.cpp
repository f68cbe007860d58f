#include "core/mainwindow/ResultPages.h"

#include <algorithm>
#include <cctype>
#include <cmath>

#include "core/common/Errors.h"
#include "core/common/FrameLabels.h"
#include "core/common/NumberText.h"

namespace sorrel {

namespace {

void CheckComponent(const PcaResults& r, int v) {
  if (v < 0 || static_cast<size_t>(v) >= r.Loadings.size() ||
      static_cast<size_t>(v) >= r.Eigenvalues.size())
    throw SorrelError("There is no principal component " + std::to_string(v + 1) +
                      " in the results (" + std::to_string(r.Loadings.size()) + " calculated)");
}

void CheckMasses(const adouble& row, const adouble& xvals) {
  if (row.size() != xvals.size())
    throw SorrelError("The mass axis of the training (" + std::to_string(xvals.size()) +
                      " masses) does not fit the results (" + std::to_string(row.size()) +
                      "); calculate the PC's again");
}

}  // namespace

const char* ResultPageName(ResultPage page) {
  static const char* const kNames[kResultPageCount] = {"Loadings",     "Rebuild Sp", "M.Dist",
                                                       "Eigen Values", "Scores",     "Compact"};
  return kNames[static_cast<int>(page)];
}

PageSeries LoadingSeries(const PcaResults& r, const adouble& xvals, int v) {
  CheckComponent(r, v);
  const adouble& loading = r.Loadings[static_cast<size_t>(v)];
  CheckMasses(loading, xvals);
  const double scale = std::sqrt(r.Eigenvalues[static_cast<size_t>(v)]);
  PageSeries s;
  s.X = xvals;
  s.Y.reserve(loading.size());
  for (double p : loading)
    s.Y.push_back(scale * p);
  return s;
}

RebuiltSpectrum RebuildSpectrum(const PcaResults& r, const adouble& xvals, int k, int nf,
                                const adouble& current) {
  if (k < 0 || static_cast<size_t>(k) >= r.Scores.size())
    throw SorrelError("There is no spectrum " + std::to_string(k + 1) + " in the results (" +
                      std::to_string(r.Scores.size()) + " calculated)");
  if (nf < 1) throw SorrelError("A spectrum is rebuilt from at least 1 factor");
  CheckComponent(r, nf - 1);
  const adouble& scores = r.Scores[static_cast<size_t>(k)];
  if (scores.size() < static_cast<size_t>(nf))
    throw SorrelError("The scores of spectrum " + std::to_string(k + 1) + " hold only " +
                      std::to_string(scores.size()) + " factors");
  for (int i = 0; i < nf; ++i)
    CheckMasses(r.Loadings[static_cast<size_t>(i)], xvals);
  CheckMasses(current, xvals);

  RebuiltSpectrum out;
  out.Bars.X = xvals;
  out.Residuals.X = xvals;
  double sum = 0.0;
  for (size_t j = 0; j < xvals.size(); ++j) {
    double rebuilt = 0.0;
    for (int i = 0; i < nf; ++i)
      rebuilt += scores[static_cast<size_t>(i)] * r.Loadings[static_cast<size_t>(i)][j];
    const double residual = rebuilt - current[j];
    out.Bars.Y.push_back(rebuilt);
    out.Residuals.Y.push_back(residual);
    sum += residual * residual;
  }
  if (!std::isfinite(sum))
    throw MathError("The residuals of the rebuilt spectrum " + std::to_string(k + 1) + " overflow");
  out.Distance = std::sqrt(sum);
  return out;
}

std::string EuclideanTitle(double distance) {
  return "Euclidean Dist.= " + FormatGeneral(distance, 6, 3);
}

PageSeries EigenSeries(const PcaResults& r) {
  PageSeries s;
  for (size_t i = 0; i < r.Eigenvalues.size(); ++i) {
    s.X.push_back(static_cast<double>(i + 1));
    s.Y.push_back(r.Eigenvalues[i]);
  }
  return s;
}

FactorRecommendation RecommendFactors(const PcaResults& r) {
  FactorRecommendation rec;
  if (r.Eigenvalues.empty()) return rec;
  double total = 0.0;
  for (const adouble& row : r.Data)
    for (double x : row)
      total += x * x;
  if (!std::isfinite(total)) throw MathError("The total variation of the data matrix overflows");
  rec.Total = total;
  double kept = 0.0;
  for (size_t f = 0; f < r.Eigenvalues.size(); ++f) {
    kept += r.Eigenvalues[f];
    rec.Factors = static_cast<int>(f + 1);
    if (total > 0.0 && kept >= kKeptShare * total) break;
  }
  // A matrix of zeros keeps nothing to share; its one factor keeps all.
  rec.KeptPercent = total > 0.0 ? std::fmin(100.0, 100.0 * kept / total) : 100.0;
  return rec;
}

PageSeries ScoreSeries(const PcaResults& r, int xf, int yf, const std::vector<int>& rowFrames) {
  PageSeries s;
  for (size_t i = 0; i < r.Scores.size(); ++i) {
    const adouble& row = r.Scores[i];
    if (xf < 1 || yf < 1 || static_cast<size_t>(xf) > row.size() ||
        static_cast<size_t>(yf) > row.size())
      throw SorrelError("The scores hold " + std::to_string(row.size()) + " factors, not " +
                        std::to_string(std::max(xf, yf)));
    s.X.push_back(row[static_cast<size_t>(xf - 1)]);
    s.Y.push_back(row[static_cast<size_t>(yf - 1)]);
    const char c = IndexChar(static_cast<int>(i + 1));
    s.Labels.push_back(c ? std::string(1, c) : std::string());
    s.Frames.push_back(i < rowFrames.size() ? rowFrames[i] : -1);
  }
  return s;
}

PageSeries MDistPageSeries(const std::vector<FrameDistance>& distances) {
  PageSeries s;
  for (const FrameDistance& d : distances) {
    s.X.push_back(d.Frame);
    s.Y.push_back(d.Distance);
    const char c = IndexChar(d.Number + 1);
    s.Labels.push_back(c ? std::string(1, c) : std::string());
    s.Frames.push_back(d.Frame);
  }
  return s;
}

PageSeries CompactPageSeries(const adouble& averages) {
  PageSeries s;
  for (size_t nf = 1; nf <= averages.size(); ++nf) {
    s.X.push_back(static_cast<double>(nf));
    s.Y.push_back(averages[nf - 1]);
  }
  return s;
}

std::string CopyDataText(const PageSeries& series) {
  std::string text;
  for (size_t i = 0; i < series.Size(); ++i) {
    text += FloatToStr(series.X[i]);
    text += '\t';
    text += FloatToStr(series.Y[i]);
    text += '\n';
  }
  return text;
}

int ClickedFrame(const PageSeries& series, size_t point) {
  if (point >= series.Labels.size() || series.Labels[point].empty()) return -1;
  if (point < series.Frames.size() && series.Frames[point] >= 0) return series.Frames[point];
  const int index = CharIndex(
      static_cast<char>(std::toupper(static_cast<unsigned char>(series.Labels[point][0]))));
  return index < 1 ? -1 : index - 1;
}

}  // namespace sorrel
