// Processing options of the spectrum commands: the mass half of a plot
// template, or smoothing, baseline and nominal masses given one by one, and
// the peak list, parsed into the options of a frame's mass view and run
// through the view's processing chain (smoothing, baseline, nominal masses,
// peaks), as the desktop program runs it.
#include <algorithm>

#include "cli/CliSpectrum.h"
#include "core/common/Errors.h"
#include "core/common/NumberText.h"
#include "core/common/Paths.h"
#include "core/common/TextFile.h"
#include "core/plots/ViewProcessing.h"

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
// option given on the command line over them. Values given here are
// checked as usage; a template's values are checked by the chain that
// runs them. Peak detection is on exactly with --peaks.
struct MassOptions {
  tSpOpt opt{""};
  std::string source = "the processing options";
};

MassOptions ParseMassOptions(const Args& args) {
  MassOptions mo;
  tSpOpt& opt = mo.opt;
  if (auto t = args.Value("--template")) {
    // Used as given: a template on the command line is a file path, not a
    // name looked up in the Config directory.
    if (!FileExists(*t)) throw SorrelError(*t + ": template file not found");
    opt.Rename(*t, false);
    opt.Open();
    mo.source = "template " + *t;
  }
  ToView& m = opt.oMass;

  if (args.Has("--smooth")) {
    const int k = args.Integer("--smooth", 0);
    if (!ValidSGDegree(k))
      throw UsageError("--smooth takes a window index from 1 to 10 (2K+5 points), not " +
                       std::to_string(k));
    m.Smooth.SGDegree = k;
    m.Smooth.Enabled = true;
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
  rPeak& p = m.Peak;
  p.Enabled = peaks;
  if (!peaks) return mo;

  if (auto method = args.Value("--peak-method")) {
    if (*method == "std")
      p.Method = 0;
    else if (*method == "deriv")
      p.Method = 1;
    else if (*method == "adaptive")
      p.Method = 2;
    else
      throw UsageError("--peak-method takes std, deriv or adaptive, not \"" + *method + "\"");
  }
  if (p.Method == 2) {
    for (const char* o : {"--sensitivity", "--min-height", "--min-dist", "--min-area"})
      if (args.Has(o))
        throw UsageError(std::string(o) +
                         " does not apply to the adaptive method, which labels "
                         "the peaks that the chart has room for");
    return mo;
  }
  if (args.Has("--sensitivity")) {
    const int s = args.Integer("--sensitivity", 0);
    if (!ValidSensiv(s))
      throw UsageError("--sensitivity takes a value from 1 to 11, not " + std::to_string(s));
    p.Sensiv = s;
  }
  p.MinHeight = args.Number("--min-height", p.MinHeight);
  p.MinDist = args.Number("--min-dist", p.MinDist);
  if (args.Has("--min-area") && p.Method != 0)
    throw UsageError("--min-area applies to the standard method only");
  p.MinArea = args.Number("--min-area", p.MinArea);
  return mo;
}

}  // namespace

ChainResult ProcessSpectrum(const Args& args, const tXYarray& spectrum) {
  MassOptions mo = ParseMassOptions(args);
  ChainResult r = ProcessView(spectrum, mo.opt, false, false, [](const tXYarray& shown) {
    return WholeSpectrumScale(shown, kChartWidth, kChartHeight, kMarkFont);
  });
  // The command line does not go on with settings the desktop program
  // would quietly pass over.
  if (!r.Problems.empty()) throw SorrelError(mo.source + ": " + r.Problems.front().Detail);
  return r;
}

void ApplyProcessing(const Args& args, tXYarray& spectrum) {
  spectrum = ProcessSpectrum(args, spectrum).Output;
}

bool WantsPeaks(const Args& args) {
  return args.Has("--peaks");
}

std::string PeakTable(const Args& args, const tPeaks& found, bool json) {
  // A point the adaptive labelling visits twice is one peak (the finders
  // never give two peaks one apex).
  tPeaks peaks = found;
  auto& v = peaks.bPeaks;
  v.erase(std::unique(v.begin(), v.end(),
                      [](const tPeak& a, const tPeak& b) { return a.Index == b.Index; }),
          v.end());
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
