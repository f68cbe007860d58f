// sorrel info FILE
#include <cmath>
#include <limits>

#include "cli/Cli.h"
#include "cli/CliOpen.h"
#include "core/common/NumberText.h"

namespace sorrel::cli {
namespace {

struct Info {
  std::string kind;
  int64_t scans = 0, points = 0;
  double mzMin = NAN, mzMax = NAN, rtMin = NAN, rtMax = NAN, ticMax = NAN;
};

void Cover(Info& info, const tXYarray& s) {
  for (const dPoint& p : s) {
    if (std::isnan(info.mzMin) || p[0] < info.mzMin) info.mzMin = p[0];
    if (std::isnan(info.mzMax) || p[0] > info.mzMax) info.mzMax = p[0];
  }
  info.points += static_cast<int64_t>(s.size());
}

std::string Text(double v) {
  return std::isnan(v) ? "-" : FloatToStr(v);
}

int Run(const std::vector<std::string>& argv) {
  Args args;
  args.Flag("--json");
  DeclareOpenOptions(args);
  args.Parse(argv);
  if (args.Positional().size() != 1) throw UsageError("info takes one FILE");
  const std::string& file = args.Positional()[0];
  TSpec spec;
  OpenInput(spec, file, args);

  Info info;
  info.kind = KindName(spec.FileKind());
  info.scans = spec.NSpec();
  if (spec.NSpec() == 0) {
    Cover(info, spec.CMass);
    if (!spec.CMass.empty()) {
      double total = 0;
      for (const dPoint& p : spec.CMass)
        total += p[1];
      info.ticMax = total;
    }
  } else {
    for (int32_t i = 0; i < spec.NSpec(); ++i)
      Cover(info, spec.GetMass(i));
    info.rtMin = spec.Chrom.front()[0];
    info.rtMax = spec.Chrom.back()[0];
    for (const dPoint& p : spec.Chrom)
      if (std::isnan(info.ticMax) || p[1] > info.ticMax) info.ticMax = p[1];
  }

  std::string out;
  if (args.Has("--json")) {
    out = "{\"file\":" + JsonString(file) + ",\"kind\":" + JsonString(info.kind) +
          ",\"scans\":" + std::to_string(info.scans) +
          ",\"points\":" + std::to_string(info.points) + ",\"mz_min\":" + JsonNumber(info.mzMin) +
          ",\"mz_max\":" + JsonNumber(info.mzMax) + ",\"rt_min\":" + JsonNumber(info.rtMin) +
          ",\"rt_max\":" + JsonNumber(info.rtMax) + ",\"tic_max\":" + JsonNumber(info.ticMax) +
          "}\n";
  } else {
    out = "file\t" + file + "\nkind\t" + info.kind + "\nscans\t" + std::to_string(info.scans) +
          "\npoints\t" + std::to_string(info.points) + "\nmz_min\t" + Text(info.mzMin) +
          "\nmz_max\t" + Text(info.mzMax) + "\nrt_min\t" + Text(info.rtMin) + "\nrt_max\t" +
          Text(info.rtMax) + "\ntic_max\t" + Text(info.ticMax) + "\n";
  }
  WriteOutput(args, out);
  return 0;
}

const bool registered = RegisterCommand(
    {"info", "kind, scans, points, m/z and retention-time range, largest total intensity of a file",
     "Usage: sorrel info FILE [--json] [--first-mass M] [--skip-bad]\n"
     "  Opens FILE as the desktop program would and prints its kind (txt, netcdf, hd, masslynx,\n"
     "  cache), number of scans (0 for a single spectrum), total number of points, lowest and\n"
     "  highest m/z, first and last retention time in seconds, and largest total intensity.\n"
     "  --json             one JSON object (keys kind, scans, points, mz_min, mz_max, rt_min,\n"
     "                     rt_max, tic_max)\n"
     "  --first-mass M     first mass of a .prn (Y-only) file (default 1)\n"
     "  --skip-bad         skip text lines with a missing tab or a bad number",
     Run});

}  // namespace
}  // namespace sorrel::cli
