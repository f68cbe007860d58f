// sorrel info FILE
#include <cmath>
#include <limits>

#include "cli/Cli.h"
#include "cli/CliJson.h"
#include "cli/CliOpen.h"

namespace sorrel::cli {
namespace {

// What `info` reports. The m/z and retention-time values are the stored
// 32-bit ones; the largest total intensity is stored for a run and summed
// in 64 bits for a single spectrum.
struct Info {
  std::string kind;
  int64_t scans = 0, points = 0;
  std::optional<float> mzMin, mzMax, rtMin, rtMax, ticMax;
  std::optional<double> totalOfSpectrum;
  // Where the total intensities come from: "file" (the file's own totals),
  // "points" (the sums of the points) or "mixed" (the file gives some).
  std::optional<std::string> ticSource;
};

std::string TotalsSource(int32_t fromFile, int32_t scans) {
  if (fromFile <= 0) return "points";
  return fromFile >= scans ? "file" : "mixed";
}

void Cover(Info& info, const tXYarray& s) {
  for (const dPoint& p : s) {
    if (!info.mzMin || p[0] < *info.mzMin) info.mzMin = p[0];
    if (!info.mzMax || p[0] > *info.mzMax) info.mzMax = p[0];
  }
  info.points += static_cast<int64_t>(s.size());
}

template <typename T>
std::string Text(const std::optional<T>& v) {
  return v ? Num(*v) : "-";
}

template <typename T>
Json JsonOf(const std::optional<T>& v) {
  return v ? JsonNumber(*v) : Json(nullptr);
}

void Declare(Args& args) {
  args.Positional("FILE", "a spectrum or run file, or a raw directory (NAME.raw)");
  args.Group("Output");
  args.Flag("--json",
            "one JSON object: file, kind, scans, points, mz_min, mz_max, rt_min, rt_max, tic_max, "
            "tic_source");
  DeclareOpenOptions(args);
  args.Footer(
      "Kinds: txt, netcdf, hd, masslynx, cache. A single spectrum has 0 scans and no "
      "retention times (JSON null). tic_source tells where the total intensities come from: "
      "file (the file's own totals: a netCDF file's total_intensity, a raw directory's "
      "index), points (the sums of the scans' points: HD runs, cache files, single spectra) "
      "or mixed (the file gives some scans' totals, the others are summed). An HD run (.R01 "
      "...) is indexed on first opening: the index (run.x01 for run.R01) is written beside "
      "the run and reused while the run file is the one it was made from; where the run's "
      "folder is read-only, it goes to the Temp folder beside the program, and the run is "
      "indexed again at every opening.");
}

int Run(const Args& args) {
  const std::string file = args.Positional()[0];
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
      info.totalOfSpectrum = total;
      info.ticSource = "points";
    }
  } else {
    for (int32_t i = 0; i < spec.NSpec(); ++i)
      Cover(info, spec.GetMass(i));
    info.rtMin = spec.Chrom.front()[0];
    info.rtMax = spec.Chrom.back()[0];
    for (const dPoint& p : spec.Chrom)
      if (!info.ticMax || p[1] > *info.ticMax) info.ticMax = p[1];
    info.ticSource = TotalsSource(spec.TotalsFromFile(), spec.NSpec());
  }

  std::string out;
  if (args.Has("--json")) {
    Json doc;
    doc["file"] = file;
    doc["kind"] = info.kind;
    doc["scans"] = info.scans;
    doc["points"] = info.points;
    doc["mz_min"] = JsonOf(info.mzMin);
    doc["mz_max"] = JsonOf(info.mzMax);
    doc["rt_min"] = JsonOf(info.rtMin);
    doc["rt_max"] = JsonOf(info.rtMax);
    doc["tic_max"] = info.totalOfSpectrum ? JsonNumber(*info.totalOfSpectrum) : JsonOf(info.ticMax);
    doc["tic_source"] = info.ticSource ? Json(*info.ticSource) : Json(nullptr);
    out = JsonText(doc);
  } else {
    out = "file\t" + ShownName(file) + "\nkind\t" + info.kind + "\nscans\t" +
          std::to_string(info.scans) + "\npoints\t" + std::to_string(info.points) + "\nmz_min\t" +
          Text(info.mzMin) + "\nmz_max\t" + Text(info.mzMax) + "\nrt_min\t" + Text(info.rtMin) +
          "\nrt_max\t" + Text(info.rtMax) + "\ntic_max\t" +
          (info.totalOfSpectrum ? Num(*info.totalOfSpectrum) : Text(info.ticMax)) +
          "\ntic_source\t" + info.ticSource.value_or("-") + "\n";
  }
  WriteStdout(out);
  return 0;
}

const bool registered = RegisterCommand(
    {"info", "kind, scans, points, m/z and retention-time range, largest total intensity of a file",
     Declare, Run});

}  // namespace
}  // namespace sorrel::cli
