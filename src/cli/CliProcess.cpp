// Processing options of the spectrum commands: the mass half of a plot
// template, or smoothing, baseline and nominal masses given one by one, and
// the peak list. The steps run in the desktop program's order: smoothing,
// baseline, nominal masses, peaks.
#include <algorithm>

#include "cli/CliSpectrum.h"
#include "core/common/Errors.h"
#include "core/common/NumberText.h"
#include "core/common/Paths.h"
#include "core/common/TextFile.h"
#include "core/plots/SpOpt.h"
#include "core/processing/Peak.h"
#include "core/processing/SpMath.h"
#include "core/spectrum/Conversions.h"

namespace sorrel::cli {

void DeclareProcessingOptions(Args& args) {
  args.Option("--template");
  args.Option("--smooth");
  args.Option("--baseline");
  args.Flag("--nominal");
  args.Flag("--peaks");
  args.Option("--peak-method");
  args.Option("--sensitivity");
  args.Option("--min-height");
  args.Option("--min-dist");
  args.Option("--min-area");
}

namespace {

// The chart the adaptive labels are laid out for: the whole spectrum on a
// plot area of this many pixels, marks in this font size.
constexpr double kChartWidth = 1000;
constexpr double kChartHeight = 400;
constexpr double kMarkFont = 8;

const char* const kPeakOptions[] = {"--peak-method", "--sensitivity", "--min-height", "--min-dist",
                                    "--min-area"};

// The mass options: the template's (defaults without one), then each
// option given on the command line over them.
tSpOpt MassOptions(const Args& args) {
  tSpOpt opt("");
  std::string source = "the default options";
  if (auto t = args.Value("--template")) {
    // Used as given: a template on the command line is a file path, not a
    // name looked up in the Config directory.
    if (!FileExists(*t)) throw SorrelError(*t + ": template file not found");
    opt.Rename(*t, false);
    opt.Open();
    source = "template " + *t;
  }
  ToView& m = opt.oMass;

  if (args.Has("--smooth")) {
    const int k = args.Integer("--smooth", 0);
    if (k < 1 || k > 10)
      throw UsageError("--smooth takes a window index from 1 to 10 (2K+5 points), not " +
                       std::to_string(k));
    m.Smooth.SGDegree = k;
    m.Smooth.Enabled = true;
  } else if (m.Smooth.Enabled && (m.Smooth.SGDegree < 1 || m.Smooth.SGDegree > 10)) {
    throw SorrelError(source + ": the smoothing window index " + std::to_string(m.Smooth.SGDegree) +
                      " is outside 1 to 10");
  }

  if (auto b = args.Value("--baseline")) {
    if (*b == "auto") {
      m.BLine.AutoTS = true;
    } else {
      auto t = ParseNumber(TrimBlanks(*b));
      if (!t) throw UsageError("--baseline takes a number or auto, not \"" + *b + "\"");
      m.BLine.AutoTS = false;
      m.BLine.Threshold = *t;
    }
    m.BLine.Enabled = true;
  }

  if (args.Has("--nominal")) m.XUnits = 1;

  const bool peaks = args.Has("--peaks");
  for (const char* o : kPeakOptions)
    if (args.Has(o) && !peaks) throw UsageError(std::string(o) + " needs --peaks");
  if (!peaks) return opt;

  rPeak& p = m.Peak;
  p.Enabled = true;
  if (auto method = args.Value("--peak-method")) {
    if (*method == "std")
      p.Method = 0;
    else if (*method == "deriv")
      p.Method = 1;
    else if (*method == "adaptive")
      p.Method = 2;
    else
      throw UsageError("--peak-method takes std, deriv or adaptive, not \"" + *method + "\"");
  } else if (p.Method < 0 || p.Method > 2) {
    throw SorrelError(source + ": the peak method " + std::to_string(p.Method) +
                      " is none of 0 (standard), 1 (first derivative) and 2 (adaptive)");
  }
  if (p.Method == 2) {
    for (const char* o : {"--sensitivity", "--min-height", "--min-dist", "--min-area"})
      if (args.Has(o))
        throw UsageError(std::string(o) +
                         " does not apply to the adaptive method, which labels "
                         "the peaks that the chart has room for");
    return opt;
  }
  if (args.Has("--sensitivity")) {
    const int s = args.Integer("--sensitivity", 0);
    if (s < 1 || s > 11)
      throw UsageError("--sensitivity takes a value from 1 to 11, not " + std::to_string(s));
    p.Sensiv = s;
  } else if (p.Sensiv < 1 || p.Sensiv > 11) {
    throw SorrelError(source + ": the peak sensitivity " + std::to_string(p.Sensiv) +
                      " is outside 1 to 11");
  }
  p.MinHeight = args.Number("--min-height", p.MinHeight);
  p.MinDist = args.Number("--min-dist", p.MinDist);
  if (args.Has("--min-area") && p.Method != 0)
    throw UsageError("--min-area applies to the standard method only");
  p.MinArea = args.Number("--min-area", p.MinArea);
  return opt;
}

ChartScale WholeSpectrumScale(const tXYarray& s) {
  ChartScale sc;
  sc.fontSize = kMarkFont;
  sc.pixelsPerX = 0;
  sc.pixelsPerY = 0;
  if (s.empty()) return sc;
  double lowY = 0, highY = 0;
  for (const dPoint& p : s) {
    lowY = std::min(lowY, static_cast<double>(p[1]));
    highY = std::max(highY, static_cast<double>(p[1]));
  }
  const double spanX = static_cast<double>(s.back()[0]) - s.front()[0];
  if (spanX > 0) sc.pixelsPerX = kChartWidth / spanX;
  if (highY - lowY > 0) sc.pixelsPerY = kChartHeight / (highY - lowY);
  return sc;
}

}  // namespace

void ApplyProcessing(const Args& args, tXYarray& spectrum) {
  tSpOpt opt = MassOptions(args);
  const ToView& m = opt.oMass;
  tXYarray cur = spectrum;
  if (m.Smooth.Enabled) SGSmooth(cur, false, opt, cur);
  if (m.BLine.Enabled) SubtractBaseline(cur, false, opt, cur);
  if (m.XUnits == 1) NomMassRound(cur, cur);
  spectrum = std::move(cur);
}

bool WantsPeaks(const Args& args) {
  return args.Has("--peaks");
}

std::string PeakTable(const Args& args, const tXYarray& spectrum, bool json) {
  tSpOpt opt = MassOptions(args);
  tPeaks peaks;
  if (opt.oMass.Peak.Method == 2) {
    MarkPeaksAdaptive(spectrum, WholeSpectrumScale(spectrum), peaks);
    // A point the labelling visits twice is one peak.
    auto& v = peaks.bPeaks;
    v.erase(std::unique(v.begin(), v.end(),
                        [](const tPeak& a, const tPeak& b) { return a.Index == b.Index; }),
            v.end());
  } else {
    tXYarray derivative;
    FindPeaks(spectrum, false, opt, derivative, peaks);
  }
  if (json) {
    std::vector<double> mz, in, left, right, area, index;
    for (const tPeak& p : peaks.bPeaks) {
      mz.push_back(p.X);
      in.push_back(p.Y);
      left.push_back(p.Left);
      right.push_back(p.Right);
      area.push_back(p.Area);
      index.push_back(p.Index);
    }
    return "{\"mz\":" + JsonArray(mz) + ",\"intensity\":" + JsonArray(in) +
           ",\"left\":" + JsonArray(left) + ",\"right\":" + JsonArray(right) +
           ",\"area\":" + JsonArray(area) + ",\"index\":" + JsonArray(index) + "}\n";
  }
  const char* lineEnd = args.Has("-o") ? "\r\n" : "\n";
  std::string out;
  for (const tPeak& p : peaks.bPeaks) {
    out += FloatToStr(p.X) + '\t' + FloatToStr(p.Y) + '\t' + FloatToStr(p.Left) + '\t' +
           FloatToStr(p.Right) + '\t' + FloatToStr(p.Area) + lineEnd;
  }
  return out;
}

}  // namespace sorrel::cli
