// `sorrel spectrum` with processing: smoothing, baseline, nominal masses,
// the peak list, plot templates, and the usage errors of these options.
#include <gtest/gtest.h>

#include "RunCli.h"
#include "TempDir.h"

using namespace sorrel::test;

namespace {

// An XY text spectrum, one "mass<TAB>intensity" line per point.
std::string Spectrum(const TempDir& dir, const std::string& name,
                     const std::vector<std::pair<double, double>>& points) {
  std::string text;
  for (auto [x, y] : points) {
    char line[64];
    std::snprintf(line, sizeof line, "%.17g\t%.17g\r\n", x, y);
    text += line;
  }
  return dir.Write(name, text);
}

std::vector<std::pair<double, double>> Ramp(double x0, const std::vector<double>& y) {
  std::vector<std::pair<double, double>> p;
  for (size_t i = 0; i < y.size(); ++i)
    p.emplace_back(x0 + double(i), y[i]);
  return p;
}

const std::string kCaffeine = TestData("ei/caffeine_MSBNK-Kazusa-KZ000017.txt");

}  // namespace

TEST(CliProcess, SmoothBaselineNominal) {
  TempDir dir;
  // A spike of 231 at m/z 11 of 1 .. 20 becomes the 7-point weights
  // 5, -30, 75, 131, 75, -30, 5 over 231 (k = 1).
  std::vector<double> spike(20, 0.0);
  spike[10] = 231;
  std::string f = Spectrum(dir, "spike.txt", Ramp(1, spike));
  CliResult r = RunSorrel({"spectrum", f, "--smooth", "1"});
  ASSERT_EQ(r.status, 0) << r.err;
  std::string expected;
  const double smoothed[] = {0, 0, 0, 0, 0, 0, 0, 5, -30, 75, 131, 75, -30, 5, 0, 0, 0, 0, 0, 0};
  for (int i = 0; i < 20; ++i)
    expected += std::to_string(i + 1) + "\t" +
                (smoothed[i] == 0 ? "0" : std::to_string(int(smoothed[i]))) + "\n";
  EXPECT_EQ(r.out, expected);

  // Baseline 10: 25, 10, 3 become 15, 0 and 1; auto on 1, 1, 1, 1, 100 is 1.
  f = Spectrum(dir, "b.txt", Ramp(50, {25, 10, 3}));
  r = RunSorrel({"spectrum", f, "--baseline", "10"});
  EXPECT_EQ(r.out, "50\t15\n51\t0\n52\t1\n") << r.err;
  f = Spectrum(dir, "auto.txt", Ramp(50, {1, 1, 1, 1, 100}));
  r = RunSorrel({"spectrum", f, "--baseline", "auto"});
  EXPECT_EQ(r.out, "50\t0\n51\t0\n52\t0\n53\t0\n54\t99\n") << r.err;

  // Nominal masses: 45.5 and 46.5 both go to 46 (halves to even).
  f = Spectrum(dir, "n.txt", {{45.5, 5}, {46.5, 7}});
  r = RunSorrel({"spectrum", f, "--nominal"});
  EXPECT_EQ(r.out, "45\t0\n46\t12\n47\t0\n") << r.err;

  // Baseline before nominal masses: 25 and 13 less 10 are 15 and 3, summed
  // on 46 to 18. (Nominal first would give 38 - 10 = 28 and 1 elsewhere.)
  f = Spectrum(dir, "bn.txt", {{45.5, 25}, {46.5, 13}});
  r = RunSorrel({"spectrum", f, "--nominal", "--baseline", "10"});
  EXPECT_EQ(r.out, "45\t0\n46\t18\n47\t0\n") << r.err;
}

TEST(CliProcess, SmoothingFillsGapsOfTheMassAxis) {
  TempDir dir;
  // A hole from 50 to 53 gets 51 and 52 at 0 before smoothing; the
  // spectrum is too short to smooth and comes back filled.
  std::string f = Spectrum(dir, "gap.txt", {{50, 10}, {53, 20}});
  CliResult r = RunSorrel({"spectrum", f, "--smooth", "1"});
  EXPECT_EQ(r.out, "50\t10\n51\t0\n52\t0\n53\t20\n") << r.err;
}

TEST(CliProcess, PeakListsStandardAndJson) {
  TempDir dir;
  // The standard method with sensitivity 11 (s = 1) on 0 0 0 10 20 10 0 0
  // 0 0: one peak at 104 (height 20) from 102 to 107 with area 40.
  std::string f = Spectrum(dir, "p.txt", Ramp(100, {0, 0, 0, 10, 20, 10, 0, 0, 0, 0}));
  CliResult r =
      RunSorrel({"spectrum", f, "--peaks", "--peak-method", "std", "--sensitivity", "11"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, "104\t20\t102\t107\t40\n");
  r = RunSorrel(
      {"spectrum", f, "--peaks", "--peak-method", "std", "--sensitivity", "11", "--json"});
  EXPECT_EQ(r.out,
            "{\"mz\":[104],\"intensity\":[20],\"left\":[102],\"right\":[107],\"area\":[40],"
            "\"index\":[4]}\n");
  // The height and area filters.
  r = RunSorrel({"spectrum", f, "--peaks", "--peak-method", "std", "--sensitivity", "11",
                 "--min-height", "21"});
  EXPECT_EQ(r.out, "");
  r = RunSorrel({"spectrum", f, "--peaks", "--peak-method", "std", "--sensitivity", "11",
                 "--min-area", "40.5"});
  EXPECT_EQ(r.out, "");
  // -o writes the table with CR LF.
  std::string out = dir.File("peaks.txt");
  r = RunSorrel(
      {"spectrum", f, "--peaks", "--peak-method", "std", "--sensitivity", "11", "-o", out});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(ReadAll(out), "104\t20\t102\t107\t40\r\n");
}

TEST(CliProcess, RealSpectrumPeaks) {
  // Caffeine, MassBank KZ000017: base peak m/z 109 (999), molecular ion
  // 194 (895). Both are apexes for every method on the nominal spectrum.
  for (const char* method : {"std", "deriv", "adaptive"}) {
    std::vector<std::string> args = {"spectrum", kCaffeine,       "--nominal",
                                     "--peaks",  "--peak-method", method};
    if (std::string(method) != "adaptive") {
      args.push_back("--sensitivity");
      args.push_back("11");
    }
    CliResult r = RunSorrel(args);
    ASSERT_EQ(r.status, 0) << method << ": " << r.err;
    if (std::string(method) == "deriv") {
      // The zero crossings lie between the unit masses, within half a mass
      // of the two sticks.
      EXPECT_NE(r.out.find("\n109.0"), std::string::npos) << method << "\n" << r.out;
      EXPECT_NE(r.out.find("\n193.8"), std::string::npos) << method << "\n" << r.out;
      continue;
    }
    EXPECT_NE(r.out.find("\n109\t999\t"), std::string::npos) << method << "\n" << r.out;
    EXPECT_NE(r.out.find("\n194\t895\t"), std::string::npos) << method << "\n" << r.out;
  }
}

TEST(CliProcess, Templates) {
  TempDir dir;
  std::vector<double> spike(20, 0.0);
  spike[10] = 231;
  std::string f = Spectrum(dir, "spike.txt", Ramp(1, spike));
  // The mass half of a template: smoothing on with window index 1, and the
  // standard peak method; the chromatogram half is ignored.
  std::string t = dir.Write("t.tml",
                            "[C_Smooth]\r\nSGDegree=5\r\nEnabled=1\r\n"
                            "[M_Smooth]\r\nSGDegree=1\r\nEnabled=1\r\n"
                            "[M_Peak]\r\nMethod=0\r\nSensiv=11\r\nEnabled=0\r\n");
  CliResult r = RunSorrel({"spectrum", f, "--template", t});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.out.find("\n11\t131\n"), std::string::npos) << r.out;
  // --peaks lists the peaks with the template's method; the command line
  // overrides the template.
  r = RunSorrel({"spectrum", f, "--template", t, "--peaks"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out.substr(0, 7), "11\t131\t") << r.out;
  std::vector<double> spike429(20, 0.0);
  spike429[10] = 429;  // the norm of the 9-point window (k = 2), centre weight 179
  std::string g429 = Spectrum(dir, "spike429.txt", Ramp(1, spike429));
  r = RunSorrel({"spectrum", g429, "--template", t, "--smooth", "2"});
  EXPECT_NE(r.out.find("\n11\t179\n"), std::string::npos) << r.out;

  // A template with a comma decimal takes the default (0) for the value.
  std::string comma = dir.Write("c.tml", "[M_BLine]\r\nThreshold=12,5\r\nEnabled=1\r\n");
  std::string g = Spectrum(dir, "b.txt", Ramp(50, {25, 10, 3}));
  r = RunSorrel({"spectrum", g, "--template", comma});
  EXPECT_EQ(r.out, "50\t25\n51\t10\n52\t3\n") << r.err;
}

TEST(CliProcess, Failures) {
  TempDir dir;
  std::string f = Spectrum(dir, "p.txt", Ramp(100, {0, 0, 0, 10, 20, 10, 0, 0, 0, 0}));
  struct Case {
    std::vector<std::string> extra;
    int status;
    const char* message;
  };
  const std::string missing = dir.File("none.tml");
  const std::string badWindow = dir.Write("w.tml", "[M_Smooth]\r\nSGDegree=15\r\nEnabled=1\r\n");
  const std::string badSens = dir.Write("s.tml", "[M_Peak]\r\nMethod=0\r\nSensiv=0\r\n");
  const std::string badMethod = dir.Write("m.tml", "[M_Peak]\r\nMethod=7\r\n");
  const Case cases[] = {
      {{"--smooth", "0"}, 2, "--smooth"},
      {{"--smooth", "11"}, 2, "--smooth"},
      {{"--smooth", "x"}, 2, "--smooth"},
      {{"--baseline", "1,5"}, 2, "--baseline"},
      {{"--peaks", "--peak-method", "fast"}, 2, "--peak-method"},
      {{"--peaks", "--sensitivity", "12"}, 2, "--sensitivity"},
      {{"--peaks", "--peak-method", "std", "--min-height", "abc"}, 2, "--min-height"},
      {{"--min-height", "3"}, 2, "needs --peaks"},
      {{"--peak-method", "std"}, 2, "needs --peaks"},
      {{"--peaks", "--peak-method", "deriv", "--min-area", "3"}, 2, "standard method only"},
      {{"--peaks", "--peak-method", "adaptive", "--sensitivity", "3"}, 2, "adaptive"},
      {{"--template", missing}, 1, "none.tml: template file not found"},
      {{"--template", badWindow}, 1, "window index 15"},
      {{"--template", badSens, "--peaks"}, 1, "sensitivity 0"},
      {{"--template", badMethod, "--peaks"}, 1, "peak method 7"},
  };
  for (const Case& c : cases) {
    std::vector<std::string> args = {"spectrum", f};
    args.insert(args.end(), c.extra.begin(), c.extra.end());
    CliResult r = RunSorrel(args);
    std::string what;
    for (const auto& e : c.extra)
      what += e + " ";
    EXPECT_EQ(r.status, c.status) << what << r.err;
    EXPECT_NE(r.err.find(c.message), std::string::npos) << what << r.err;
    EXPECT_EQ(r.out, "") << what;
  }
  // A template without peak settings is fine for everything else.
  CliResult r = RunSorrel({"spectrum", f, "--template", badSens});
  EXPECT_EQ(r.status, 0) << r.err;

  // convert writes spectra, not peak lists, and processes only text output.
  r = RunSorrel({"convert", f, dir.File("o.txt"), "--peaks"});
  EXPECT_EQ(r.status, 2);
  r = RunSorrel({"convert", f, dir.File("o.txt"), "--smooth", "1"});
  EXPECT_EQ(r.status, 0) << r.err;
}

TEST(CliProcess, EdgeSpectra) {
  TempDir dir;
  // One point, two points, and 1e38 intensities: results, not crashes.
  std::string one = Spectrum(dir, "one.txt", {{50, 7}});
  for (const char* m : {"std", "deriv", "adaptive"}) {
    CliResult r = RunSorrel({"spectrum", one, "--smooth", "3", "--baseline", "auto", "--nominal",
                             "--peaks", "--peak-method", m});
    EXPECT_EQ(r.status, 0) << m << r.err;
  }
  CliResult r = RunSorrel({"spectrum", one, "--smooth", "3", "--baseline", "auto"});
  EXPECT_EQ(r.out, "50\t0\n");
  std::string big = Spectrum(dir, "big.txt", Ramp(1, std::vector<double>(30, 1e38)));
  r = RunSorrel({"spectrum", big, "--smooth", "10", "--baseline", "auto"});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.out.find("15\t0\n"), std::string::npos) << r.out;
  // Signs that follow the smoothing weights overflow a 32-bit float: an
  // error naming the cause, exit 1.
  std::vector<double> y(30, 3.4e38);
  y[8] = y[12] = -3.4e38;
  std::string over = Spectrum(dir, "over.txt", Ramp(1, y));
  r = RunSorrel({"spectrum", over, "--smooth", "1"});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("overflow"), std::string::npos) << r.err;
}
