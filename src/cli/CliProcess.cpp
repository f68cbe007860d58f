// Processing options of the spectrum commands: the mass half of a plot
// template, or smoothing, baseline and nominal masses given one by one, and
// the peak list, parsed into the options of a frame's mass view and run
// through the view's processing chain (smoothing, baseline, nominal masses,
// peaks), as the desktop program runs it.
#include <algorithm>
#include <limits>

#include "cli/CliJson.h"
#include "cli/CliSpectrum.h"
#include "core/common/Errors.h"
#include "core/common/FileCheck.h"
#include "core/common/NumberText.h"
#include "core/common/Paths.h"
#include "core/common/TextFile.h"
#include "core/plots/ViewProcessing.h"

namespace sorrel::cli {

void DeclareProcessingOptions(Args& args) {
  args.Group("Processing (in this order: smoothing, baseline, nominal masses, peaks)");
  args.Option("--template", "T.tml",
              "the mass-spectrum half of a plot template: its smoothing, baseline, units and "
              "peak settings; a file path used as given (not looked up in the Config "
              "directory); the options below override its values");
  args.Option("--smooth", "K",
              "Savitzky-Golay smoothing over 2K+5 points; gaps in the mass axis are first "
              "filled with points of intensity 0")
      .Integer(1, 10);
  args.Option("--baseline", "T|auto",
              "subtract the level T (auto: the mean of the intensities below twice the mean); "
              "intensities below the level become 1")
      .Check(
          [](const std::string& v) -> std::string {
            auto t = ParseNumber(TrimBlanks(v));
            if (v == "auto" || (t && *t >= 0)) return {};
            return "\"" + OneLine(v) + "\" is neither auto nor a level of at least 0";
          },
          "auto or a number of at least 0");
  args.Flag("--nominal", "sum the intensities onto unit masses (nearest, halves to even)");
  args.Group("Peaks");
  args.Flag("--peaks",
            "print the peak list instead of the spectrum: m/z, intensity, left, right, area "
            "(tab-separated; with --json, arrays mz, intensity, left, right, area, index)");
  args.Option("--peak-method", "M",
              "std: rising and falling steps, with areas; deriv: zero crossings of the first "
              "derivative; adaptive: the peaks a 1000 x 400 pixel chart of the whole spectrum "
              "has room to label (left, right and area are 0)")
      .Choice({"std", "deriv", "adaptive"})
      .Default("the template's, else std");
  args.Option("--sensitivity", "S", "higher finds narrower, smaller peaks")
      .Integer(1, 11)
      .Default("the template's, else 5");
  const double big = std::numeric_limits<float>::max();
  args.Option("--min-height", "H", "drop peaks lower than H").Number(-big, big);
  args.Option("--min-dist", "D", "of two peaks closer than D, drop the lower").Number(0, big);
  args.Option("--min-area", "A", "drop peaks of smaller area (std only)").Number(-big, big);
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
    if (!NameExists(*t)) throw SorrelError(*t + ": template file not found");
    if (auto problem = RegularFileProblem(*t); !problem.empty())
      throw SorrelError(*t + ": " + problem);
    NoteInput(*t);
    opt.Rename(*t, false);
    opt.Open();
    mo.source = "template " + *t;
  }
  ToView& m = opt.oMass;

  if (args.Has("--smooth")) {
    m.Smooth.SGDegree = args.Integer("--smooth", 0);
    m.Smooth.Enabled = true;
  }

  if (auto b = args.Value("--baseline")) {
    if (*b == "auto") {
      m.BLine.AutoTS = true;
    } else {
      m.BLine.AutoTS = false;
      m.BLine.Threshold = args.Number("--baseline", 0);
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

  // A chemist expects the standard method unless a template says otherwise.
  if (!args.Has("--template")) p.Method = 0;
  if (auto method = args.Value("--peak-method"))
    p.Method = *method == "std" ? 0 : *method == "deriv" ? 1 : 2;
  if (p.Method == 2) {
    for (const char* o : {"--sensitivity", "--min-height", "--min-dist", "--min-area"})
      if (args.Has(o))
        throw UsageError(std::string(o) +
                         " does not apply to the adaptive method, which labels "
                         "the peaks that the chart has room for");
    return mo;
  }
  if (args.Has("--sensitivity")) p.Sensiv = args.Integer("--sensitivity", 0);
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
    std::vector<float> mz, in, left, right, area;
    std::vector<double> index;
    for (const tPeak& p : peaks.bPeaks) {
      mz.push_back(p.X);
      in.push_back(p.Y);
      left.push_back(p.Left);
      right.push_back(p.Right);
      area.push_back(p.Area);
      index.push_back(p.Index);
    }
    Json doc;
    doc["mz"] = JsonArray(mz);
    doc["intensity"] = JsonArray(in);
    doc["left"] = JsonArray(left);
    doc["right"] = JsonArray(right);
    doc["area"] = JsonArray(area);
    doc["index"] = JsonArray(index);
    return JsonText(doc);
  }
  // A file takes the text format of the desktop program's tables; standard
  // output the shortest text of each value.
  const bool toFile = OutputIsFile(args);
  auto num = [toFile](float v) { return toFile ? FloatToStr(v) : Num(v); };
  std::string out;
  for (const tPeak& p : peaks.bPeaks) {
    out += num(p.X) + '\t' + num(p.Y) + '\t' + num(p.Left) + '\t' + num(p.Right) + '\t' +
           num(p.Area) + (toFile ? "\r\n" : "\n");
  }
  return out;
}

}  // namespace sorrel::cli
