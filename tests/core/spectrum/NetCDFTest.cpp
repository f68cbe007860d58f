// ANDI/MS netCDF runs: the export checked by reading it back with the
// netCDF library itself, the reader on files written here with the
// library (every stored type, scaling, fill values, missing variables,
// damaged files) and on real exports of many instruments.
#include <gtest/gtest.h>
#include <netcdf.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>

#include "ScriptedUi.h"
#include "TempDir.h"
#include "core/common/Errors.h"
#include "core/common/Paths.h"
#include "core/common/TextFile.h"
#include "core/spectrum/NetCDF.h"
#include "core/spectrum/Spec.h"

using namespace sorrel;
using namespace sorrel::test;

namespace {

#define NC_OK(call)                                       \
  do {                                                    \
    int status_ = (call);                                 \
    ASSERT_EQ(status_, NC_NOERR) << nc_strerror(status_); \
  } while (0)

class NetCDFTest : public ::testing::Test {
 protected:
  TempDir dir;
  ScriptedUi ui;
};

std::vector<double> ReadDoubles(int nc, const char* name) {
  int id = -1;
  EXPECT_EQ(nc_inq_varid(nc, name, &id), NC_NOERR) << name;
  int dim = 0;
  size_t len = 0;
  nc_inq_vardimid(nc, id, &dim);
  nc_inq_dimlen(nc, dim, &len);
  std::vector<double> v(len);
  if (len) {
    EXPECT_EQ(nc_get_var_double(nc, id, v.data()), NC_NOERR);
  }
  return v;
}

// A small ANDI/MS file written with the library: which variables, of
// which types, with which attributes.
struct AndiFile {
  nc_type massType = NC_DOUBLE, intensityType = NC_DOUBLE;
  bool unlimitedPoints = false;
  std::vector<double> masses, intensities;
  std::vector<long long> scanIndex, pointCount;                   // empty: variable absent
  std::vector<double> times, totals;                              // empty: variable absent
  double massScale = 0, intensityScale = 0, intensityOffset = 0;  // 0: attribute absent
  bool intensityFill = false;
  double fillValue = 0;
  std::vector<std::pair<std::string, std::string>> instrument;  // name -> text
  bool withMassValues = true;
  bool scanVarsAlways = false;  // scan_index and point_count even without scans
};

void Write(const std::string& path, const AndiFile& f) {
  int nc;
  NC_OK(nc_create(path.c_str(), NC_CLOBBER, &nc));
  size_t nScans = std::max(f.scanIndex.size(), f.pointCount.size());
  int scanDim, pointDim, instDim, strDim;
  NC_OK(nc_def_dim(nc, "scan_number", nScans, &scanDim));
  NC_OK(nc_def_dim(nc, "point_number", f.unlimitedPoints ? NC_UNLIMITED : f.masses.size(),
                   &pointDim));
  NC_OK(nc_def_dim(nc, "instrument_number", 1, &instDim));
  NC_OK(nc_def_dim(nc, "_32_byte_string", 32, &strDim));
  int vIndex = -1, vCount = -1, vTime = -1, vTotal = -1, vMass = -1, vInt = -1;
  if (!f.scanIndex.empty() || f.scanVarsAlways)
    NC_OK(nc_def_var(nc, "scan_index", NC_INT, 1, &scanDim, &vIndex));
  if (!f.pointCount.empty() || f.scanVarsAlways)
    NC_OK(nc_def_var(nc, "point_count", NC_INT, 1, &scanDim, &vCount));
  if (!f.times.empty())
    NC_OK(nc_def_var(nc, "scan_acquisition_time", NC_DOUBLE, 1, &scanDim, &vTime));
  if (!f.totals.empty()) NC_OK(nc_def_var(nc, "total_intensity", NC_DOUBLE, 1, &scanDim, &vTotal));
  if (f.withMassValues) {
    NC_OK(nc_def_var(nc, "mass_values", f.massType, 1, &pointDim, &vMass));
    NC_OK(nc_def_var(nc, "intensity_values", f.intensityType, 1, &pointDim, &vInt));
    if (f.massScale != 0)
      NC_OK(nc_put_att_double(nc, vMass, "scale_factor", NC_DOUBLE, 1, &f.massScale));
    if (f.intensityScale != 0)
      NC_OK(nc_put_att_double(nc, vInt, "scale_factor", NC_DOUBLE, 1, &f.intensityScale));
    if (f.intensityOffset != 0)
      NC_OK(nc_put_att_double(nc, vInt, "add_offset", NC_DOUBLE, 1, &f.intensityOffset));
    if (f.intensityFill)
      NC_OK(nc_put_att_double(nc, vInt, "_FillValue", f.intensityType, 1, &f.fillValue));
  }
  std::vector<int> vInst;
  int dims2[2] = {instDim, strDim};
  for (auto& [name, text] : f.instrument) {
    int id;
    NC_OK(nc_def_var(nc, name.c_str(), NC_CHAR, 2, dims2, &id));
    vInst.push_back(id);
  }
  NC_OK(nc_enddef(nc));
  auto putInts = [&](int id, const std::vector<long long>& v) {
    if (id >= 0 && !v.empty()) NC_OK(nc_put_var_longlong(nc, id, v.data()));
  };
  putInts(vIndex, f.scanIndex);
  putInts(vCount, f.pointCount);
  if (vTime >= 0) NC_OK(nc_put_var_double(nc, vTime, f.times.data()));
  if (vTotal >= 0) NC_OK(nc_put_var_double(nc, vTotal, f.totals.data()));
  if (f.withMassValues && !f.masses.empty()) {
    size_t start = 0, count = f.masses.size();
    NC_OK(nc_put_vara_double(nc, vMass, &start, &count, f.masses.data()));
    NC_OK(nc_put_vara_double(nc, vInt, &start, &count, f.intensities.data()));
  }
  for (size_t i = 0; i < vInst.size(); ++i) {
    std::string padded = f.instrument[i].second;
    padded.resize(32, ' ');
    size_t start[2] = {0, 0}, count[2] = {1, 32};
    NC_OK(nc_put_vara_text(nc, vInst[i], start, count, padded.data()));
  }
  NC_OK(nc_close(nc));
}

// Two scans of 2 and 3 points: the layout most files have.
AndiFile TwoScans() {
  AndiFile f;
  f.masses = {50.5, 60.25, 41.0, 42.0, 43.5};
  f.intensities = {10, 20, 1, 2, 3};
  f.scanIndex = {0, 2};
  f.pointCount = {2, 3};
  f.times = {1.5, 2.5};
  f.totals = {30, 6};
  return f;
}

void ExpectEmptyAndUsable(TSpec& spec) {
  EXPECT_EQ(spec.FileKind(), fkNone);
  EXPECT_EQ(spec.NSpec(), 0);
  EXPECT_TRUE(spec.Filename().empty());
  spec.FillSampleValues(20);
  EXPECT_EQ(spec.NSpec(), 10);
}

// Opening `path` fails with `message` and leaves the store empty and usable.
void ExpectRefused(TSpec& spec, const std::string& path, const std::string& message) {
  try {
    spec.OpenFile(path);
    ADD_FAILURE() << "no error";
  } catch (const SorrelError& e) {
    EXPECT_EQ(std::string(e.what()), message);
  }
  ExpectEmptyAndUsable(spec);
}

}  // namespace

// Three scans of 2, 0 and 3 points give point_number 5, point_count 2, 0,
// 3 and scan_index 0, 2, 2; read back with the library: dimensions and
// variables in the order of the layout, their types, and no attributes.
TEST_F(NetCDFTest, ExportLayoutReadBackWithTheLibrary) {
  TSpec spec;
  spec.AddSSpec(1.25, 30, {{10.5f, 1.0f}, {11.0f, 2.0f}});
  spec.AddSSpec(2.5, 0, {});
  spec.AddSSpec(3.75, 7, {{20.0f, 3.0f}, {21.0f, 4.0f}, {22.125f, 5.0f}});
  std::string path = dir.File("out.cdf");
  ASSERT_TRUE(spec.SaveFile(path));
  EXPECT_TRUE(ui.messages.empty());

  int nc;
  NC_OK(nc_open(path.c_str(), NC_NOWRITE, &nc));
  int format = 0, ndims = 0, nvars = 0, natts = 0, unlimited = 0;
  NC_OK(nc_inq_format(nc, &format));
  EXPECT_EQ(format, NC_FORMAT_CLASSIC);
  NC_OK(nc_inq(nc, &ndims, &nvars, &natts, &unlimited));
  EXPECT_EQ(ndims, 2);
  EXPECT_EQ(nvars, 6);
  EXPECT_EQ(natts, 0);
  EXPECT_EQ(unlimited, -1);
  char name[NC_MAX_NAME + 1];
  size_t len;
  NC_OK(nc_inq_dim(nc, 0, name, &len));
  EXPECT_STREQ(name, "scan_number");
  EXPECT_EQ(len, 3u);
  NC_OK(nc_inq_dim(nc, 1, name, &len));
  EXPECT_STREQ(name, "point_number");
  EXPECT_EQ(len, 5u);
  struct {
    const char* name;
    nc_type type;
    int dim;
  } vars[] = {{"scan_index", NC_INT, 0},
              {"point_count", NC_INT, 0},
              {"scan_acquisition_time", NC_DOUBLE, 0},
              {"total_intensity", NC_DOUBLE, 0},
              {"mass_values", NC_DOUBLE, 1},
              {"intensity_values", NC_DOUBLE, 1}};
  for (int i = 0; i < 6; ++i) {
    nc_type type;
    int vdims, dimids[NC_MAX_VAR_DIMS], vatts;
    NC_OK(nc_inq_var(nc, i, name, &type, &vdims, dimids, &vatts));
    EXPECT_STREQ(name, vars[i].name);
    EXPECT_EQ(type, vars[i].type) << name;
    EXPECT_EQ(vdims, 1);
    EXPECT_EQ(dimids[0], vars[i].dim) << name;
    EXPECT_EQ(vatts, 0) << name;
  }
  EXPECT_EQ(ReadDoubles(nc, "scan_index"), (std::vector<double>{0, 2, 2}));
  EXPECT_EQ(ReadDoubles(nc, "point_count"), (std::vector<double>{2, 0, 3}));
  EXPECT_EQ(ReadDoubles(nc, "scan_acquisition_time"), (std::vector<double>{1.25, 2.5, 3.75}));
  EXPECT_EQ(ReadDoubles(nc, "total_intensity"), (std::vector<double>{30, 0, 7}));
  EXPECT_EQ(ReadDoubles(nc, "mass_values"), (std::vector<double>{10.5, 11, 20, 21, 22.125}));
  EXPECT_EQ(ReadDoubles(nc, "intensity_values"), (std::vector<double>{1, 2, 3, 4, 5}));
  nc_close(nc);
}

// More than 20 000 000 points: nothing is written, an existing file stays.
TEST_F(NetCDFTest, TooManyPointsLeaveTheOldFile) {
  std::string path = dir.Write("big.cdf", "the old export");
  TSpec spec;
  tXYarray scan(10000001, dPoint{1.0f, 1.0f});
  spec.AddSSpec(1, 0, scan);
  spec.AddSSpec(2, 0, scan);
  EXPECT_FALSE(spec.SaveFile(path));
  EXPECT_EQ(
      ui.messages,
      (std::vector<std::string>{"Too large GC/MS spectrum: " + path +
                                " would hold more than 20000000 points, the most a netCDF export "
                                "holds"}));
  EXPECT_EQ(ReadAll(path), "the old export");
  int files = 0;
  for (auto& e : std::filesystem::directory_iterator(dir.Path()))
    files += e.is_regular_file();
  EXPECT_EQ(files, 1);
}

// Whatever a run holds comes back bit for bit: floats widened to doubles
// and narrowed again are the same floats.
TEST_F(NetCDFTest, ExportedRunReopensWithIdenticalValues) {
  std::mt19937 rng(7);
  std::uniform_real_distribution<float> mass(1.0f, 2000.0f);
  std::uniform_int_distribution<int> points(0, 40);
  TSpec spec;
  double t = 0.1;
  for (int k = 0; k < 500; ++k) {
    tXYarray s(static_cast<size_t>(points(rng)));
    for (auto& p : s)
      p = {mass(rng), std::ldexp(mass(rng), points(rng) - 20) - 3.0f};
    std::sort(s.begin(), s.end(), [](const dPoint& a, const dPoint& b) { return a[0] < b[0]; });
    spec.AddSSpec(t += 0.3371, mass(rng) * 1e6, s);
  }
  spec.AddSSpec(t + 1, 3.4e38, {{1e-30f, -1e30f}, {3e38f, 1.17549435e-38f}});
  std::string path = dir.File("round.cdf");
  ASSERT_TRUE(spec.SaveFile(path));
  TSpec back;
  ASSERT_TRUE(back.OpenFile(path));
  EXPECT_EQ(back.FileKind(), fkNetCDF);
  EXPECT_EQ(back.Filename(), path);
  ASSERT_EQ(back.NSpec(), spec.NSpec());
  EXPECT_EQ(back.Chrom, spec.Chrom);
  for (int32_t i = 0; i < spec.NSpec(); ++i)
    EXPECT_EQ(back.GetMass(i), spec.GetMass(i)) << i;
  EXPECT_TRUE(ui.messages.empty());
}

// A run read from its HD file, exported without loading it.
TEST_F(NetCDFTest, ExportOfAFileBackedRun) {
  TSpec source;
  for (int k = 1; k <= 300; ++k)
    source.AddSSpec(k * 0.5, 0, {{40.0f + k, float(k)}, {400.0f, 2.0f}});
  std::string run = dir.File("run.R01");
  ASSERT_TRUE(source.SaveFile(run));
  TSpec hd;
  ASSERT_TRUE(hd.OpenFile(run));
  ASSERT_TRUE(hd.FromFileOn());
  ASSERT_TRUE(hd.SaveFile(dir.File("run.cdf")));
  TSpec back;
  ASSERT_TRUE(back.OpenFile(dir.File("run.cdf")));
  ASSERT_EQ(back.NSpec(), 300);
  EXPECT_EQ(back.Chrom, hd.Chrom);
  EXPECT_EQ(back.GetMass(0), (tXYarray{{41.0f, 1.0f}, {400.0f, 2.0f}}));
  EXPECT_EQ(back.GetMass(299), (tXYarray{{340.0f, 300.0f}, {400.0f, 2.0f}}));
}

// Every stored type, scale_factor and add_offset, _FillValue points left
// out, totals summed when the file has none (the store tells how many
// scans have the file's own), scans numbered when it has no times, the six
// instrument fields, and a point dimension that grows with each record (as
// most instruments write it).
TEST_F(NetCDFTest, ReaderTakesTypesScalingAndMissingVariables) {
  struct Case {
    const char* what;
    AndiFile file;
    tXYarray chrom;
    std::vector<tXYarray> scans;
    int32_t totalsFromFile = 2;
  };
  std::vector<Case> cases;
  {
    Case c{"double arrays", TwoScans(), {{1.5f, 30.0f}, {2.5f, 6.0f}}, {}};
    c.scans = {{{50.5f, 10.0f}, {60.25f, 20.0f}}, {{41.0f, 1.0f}, {42.0f, 2.0f}, {43.5f, 3.0f}}};
    cases.push_back(c);
  }
  {
    // short masses in thousandths (1234 * 0.001 = 1.234), int intensities
    // scaled by 1000 with an offset of 5: 7 * 1000 + 5 = 7005.
    Case c{"short and int with scaling", TwoScans(), {}, {}};
    c.file.massType = NC_SHORT;
    c.file.intensityType = NC_INT;
    c.file.massScale = 0.001;
    c.file.intensityScale = 1000;
    c.file.intensityOffset = 5;
    c.file.masses = {1234, 2000, 500, 501, 502};
    c.file.intensities = {7, 8, 0, 1, -2};
    c.file.totals.clear();  // summed: 7005 + 8005 and 5 + 1005 - 1995
    c.totalsFromFile = 0;
    c.chrom = {{1.5f, 15010.0f}, {2.5f, -985.0f}};
    auto milli = [](double raw) { return static_cast<float>(raw * 0.001); };
    c.scans = {{{milli(1234), 7005.0f}, {milli(2000), 8005.0f}},
               {{milli(500), 5.0f}, {milli(501), 1005.0f}, {milli(502), -1995.0f}}};
    cases.push_back(c);
  }
  {
    Case c{"float arrays, fill values, no times", TwoScans(), {}, {}};
    c.file.massType = NC_FLOAT;
    c.file.intensityType = NC_FLOAT;
    c.file.intensityFill = true;
    c.file.fillValue = -1;
    c.file.intensities = {10, -1, 1, -1, 3};
    c.file.times.clear();
    c.file.totals.clear();
    c.totalsFromFile = 0;
    c.file.unlimitedPoints = true;
    c.chrom = {{0.0f, 10.0f}, {1.0f, 4.0f}};
    c.scans = {{{50.5f, 10.0f}}, {{41.0f, 1.0f}, {43.5f, 3.0f}}};
    cases.push_back(c);
  }
  {
    // point_count of the first scan runs into the second: each scan runs
    // up to the next scan_index instead.
    Case c{"point_count overruns", TwoScans(), {{1.5f, 30.0f}, {2.5f, 6.0f}}, {}};
    c.file.pointCount = {4, 9};
    c.scans = {{{50.5f, 10.0f}, {60.25f, 20.0f}}, {{41.0f, 1.0f}, {42.0f, 2.0f}, {43.5f, 3.0f}}};
    cases.push_back(c);
  }
  {
    // flag entries after the peaks of a scan: point_count is the peaks.
    Case c{"entries between scans", TwoScans(), {{1.5f, 30.0f}, {2.5f, 6.0f}}, {}};
    c.file.pointCount = {1, 2};
    c.scans = {{{50.5f, 10.0f}}, {{41.0f, 1.0f}, {42.0f, 2.0f}}};
    cases.push_back(c);
  }
  {
    Case c{"only point_count", TwoScans(), {{1.5f, 30.0f}, {2.5f, 6.0f}}, {}};
    c.file.scanIndex.clear();
    c.scans = {{{50.5f, 10.0f}, {60.25f, 20.0f}}, {{41.0f, 1.0f}, {42.0f, 2.0f}, {43.5f, 3.0f}}};
    cases.push_back(c);
  }
  {
    // Selected-ion scans list their ions as monitored; -9999 (the ANDI
    // "not recorded") totals are summed instead.
    Case c{"ions out of order, null totals", TwoScans(), {}, {}};
    c.file.masses = {60.25, 50.5, 43.5, 41.0, 42.0};
    c.file.intensities = {20, 10, 3, 1, 2};
    c.file.totals = {-9999, -9999};
    c.totalsFromFile = 0;
    c.chrom = {{1.5f, 30.0f}, {2.5f, 6.0f}};
    c.scans = {{{50.5f, 10.0f}, {60.25f, 20.0f}}, {{41.0f, 1.0f}, {42.0f, 2.0f}, {43.5f, 3.0f}}};
    cases.push_back(c);
  }
  {
    // The file's total where it gives one, even where it is not the sum.
    Case c{"one total given, one not", TwoScans(), {{1.5f, 31.0f}, {2.5f, 6.0f}}, {}};
    c.file.totals = {31, -9999};
    c.totalsFromFile = 1;
    c.scans = {{{50.5f, 10.0f}, {60.25f, 20.0f}}, {{41.0f, 1.0f}, {42.0f, 2.0f}, {43.5f, 3.0f}}};
    cases.push_back(c);
  }
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::string path = dir.File("in.cdf");
    Write(path, c.file);
    TSpec spec;
    ASSERT_TRUE(spec.OpenFile(path));
    EXPECT_EQ(spec.FileKind(), fkNetCDF);
    EXPECT_EQ(spec.Chrom, c.chrom);
    ASSERT_EQ(spec.NSpec(), int32_t(c.scans.size()));
    for (int32_t i = 0; i < spec.NSpec(); ++i)
      EXPECT_EQ(spec.GetMass(i), c.scans[size_t(i)]) << i;
    EXPECT_EQ(spec.TotalsFromFile(), c.totalsFromFile);
    EXPECT_TRUE(ui.messages.empty());
  }
}

TEST_F(NetCDFTest, TimesOutOfOrderAreReplacedByScanNumbers) {
  AndiFile f = TwoScans();
  f.times = {5.0, 2.0};
  std::string path = dir.File("order.cdf");
  Write(path, f);
  TSpec spec;
  ASSERT_TRUE(spec.OpenFile(path));
  EXPECT_EQ(spec.Chrom, (tXYarray{{0.0f, 30.0f}, {1.0f, 6.0f}}));
  EXPECT_EQ(
      ui.messages,
      (std::vector<std::string>{path + ": the scan times are not in ascending order; the scans are "
                                       "numbered 0, 1, 2, ... instead"}));
}

TEST_F(NetCDFTest, InstrumentFields) {
  AndiFile f = TwoScans();
  f.instrument = {{"instrument_name", "70VSQ"},
                  {"instrument_id", ""},
                  {"instrument_mfr", "VG"},
                  {"instrument_model", "Autospec Q"},
                  {"instrument_os_version", "VAX/VMS"},
                  {"instrument_sw_version", "V2.0"}};
  std::string path = dir.File("inst.cdf");
  Write(path, f);
  TSpec spec;
  ASSERT_TRUE(spec.OpenFile(path));
  ASSERT_TRUE(spec.netCDF);
  EXPECT_EQ(spec.netCDF->instrument_name, "70VSQ");
  EXPECT_EQ(spec.netCDF->instrument_id, "");
  EXPECT_EQ(spec.netCDF->instrument_mfr, "VG");
  EXPECT_EQ(spec.netCDF->instrument_model, "Autospec Q");
  EXPECT_EQ(spec.netCDF->instrument_os_version, "VAX/VMS");
  EXPECT_EQ(spec.netCDF->instrument_sw_version, "V2.0");
  EXPECT_EQ(spec.netCDF->ReadSpectrum(1), spec.GetMass(1));
  EXPECT_TRUE(spec.netCDF->ReadSpectrum(2).empty());
}

// Files that are not ANDI/MS runs or do not hold together are refused
// with the file named; the store is left empty and usable.
TEST_F(NetCDFTest, BadFilesAreRefused) {
  struct Case {
    const char* what;
    AndiFile file;
    std::string message;  // '%' stands for the file name
  };
  std::vector<Case> cases;
  auto add = [&](const char* what, auto change, const std::string& message) {
    Case c{what, TwoScans(), message};
    change(c.file);
    cases.push_back(c);
  };
  add(
      "scan_index beyond the points",
      [](AndiFile& f) {
        f.scanIndex = {0, 7};
      },
      "%: scan 1 points outside mass_values (scan_index 7, point_count 3, 5 points in the file)");
  add(
      "last point_count beyond the points",
      [](AndiFile& f) {
        f.pointCount = {2, 4};
      },
      "%: scan 1 points outside mass_values (scan_index 2, point_count 4, 5 points in the file)");
  add(
      "negative point_count",
      [](AndiFile& f) {
        f.pointCount = {2, -3};
      },
      "%: scan 1 has a negative point_count (-3)");
  add(
      "negative scan_index",
      [](AndiFile& f) {
        f.scanIndex = {-1, 2};
      },
      "%: scan 0 has a negative scan_index (-1)");
  add(
      "only point_count, too many",
      [](AndiFile& f) {
        f.scanIndex.clear();
        f.pointCount = {2, 9};
      },
      "%: scan 1 points outside mass_values (scan_index 2, point_count 9, 5 points in the file)");
  add(
      "no scan variables",
      [](AndiFile& f) {
        f.scanIndex.clear();
        f.pointCount.clear();
        f.times.clear();
        f.totals.clear();
      },
      "%: the file has neither scan_index nor point_count");
  add(
      "no scans",
      [](AndiFile& f) {
        f.scanIndex.clear();
        f.pointCount.clear();
        f.times.clear();
        f.totals.clear();
        f.scanVarsAlways = true;
      },
      "% holds no scans");
  add(
      "chromatography only", [](AndiFile& f) { f.withMassValues = false; },
      "% is a netCDF file but not an ANDI/MS mass spectrometry run: it has no mass_values and "
      "intensity_values");
  add(
      "a value that is not a number", [](AndiFile& f) { f.intensities[3] = NAN; },
      "%: scan 1 holds a value that is not a number");
  add(
      "a float overflow", [](AndiFile& f) { f.masses[0] = 1e300; },
      "%: scan 0 holds a value that is not a number");
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::string path = dir.File("bad.cdf");
    Write(path, c.file);
    TSpec spec;
    try {
      spec.OpenFile(path);
      ADD_FAILURE() << "no error";
    } catch (const SorrelError& e) {
      std::string want = c.message;
      want.replace(want.find('%'), 1, path);
      EXPECT_EQ(e.what(), want);
    }
    ExpectEmptyAndUsable(spec);
  }
}

// Bytes that are not netCDF, and a netCDF file cut short.
TEST_F(NetCDFTest, DamagedFilesAreRefused) {
  std::string good = dir.File("good.cdf");
  AndiFile f = TwoScans();
  f.masses.resize(4000, 100.0);
  f.intensities.resize(4000, 1.0);
  f.pointCount = {2, 3998};
  Write(good, f);
  std::string bytes = ReadAll(good);
  // A dimension of the classic header: its name padded to 4 bytes, then
  // its length as a big-endian 32-bit number.
  auto claim = [&](const std::string& dim) {
    std::string b = bytes;
    size_t at = b.find(dim) + (dim.size() + 3) / 4 * 4;
    b.replace(at, 4, "\x10\x00\x00\x00", 4);  // 268 435 456
    return b;
  };
  struct Case {
    const char* what;
    std::string bytes;
  } cases[] = {
      {"header claims millions of scans", claim("scan_number")},
      {"header claims millions of points", claim("point_number")},
      {"empty", ""},
      {"text", "mass\tintensity\r\n1\t2\r\n"},
      {"netCDF magic, then garbage", std::string("CDF\x01") + std::string(200, '\xff')},
      {"cut in the data", bytes.substr(0, bytes.size() / 2)},
      {"cut in the header", bytes.substr(0, 60)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::string path = dir.Write("damaged.cdf", c.bytes);
    TSpec spec;
    try {
      spec.OpenFile(path);
      ADD_FAILURE() << "no error";
    } catch (const SorrelError& e) {
      EXPECT_EQ(std::string(e.what()).rfind(path, 0), 0u) << e.what();
    }
    ExpectEmptyAndUsable(spec);
  }
}

// A classic header of more than a megabyte (12 000 global attributes of
// 100 characters, 1.4 MB) opens; the same header with its last attribute
// claiming 2 147 483 632 characters is refused before the library reads
// it (the library would first allocate what it claims).
TEST_F(NetCDFTest, AClaimAnywhereInALongHeaderIsHeldAgainstTheFile) {
  std::string good = dir.File("long.cdf");
  Write(good, TwoScans());
  int nc;
  NC_OK(nc_open(good.c_str(), NC_WRITE, &nc));
  NC_OK(nc_redef(nc));
  const std::string text(100, 'x');
  for (int i = 0; i < 12000; ++i) {
    char name[16];
    std::snprintf(name, sizeof name, "att%05d", i);
    NC_OK(nc_put_att_text(nc, NC_GLOBAL, name, text.size(), text.data()));
  }
  NC_OK(nc_close(nc));
  std::string bytes = ReadAll(good);
  ASSERT_GT(bytes.size(), 1400000u);
  TSpec spec;
  ASSERT_TRUE(spec.OpenFile(good));
  EXPECT_EQ(spec.NSpec(), 2);

  // The last attribute: its name (8 bytes), its type, then its length.
  const size_t at = bytes.find("att11999") + 8 + 4;
  ASSERT_LT(at, bytes.size());
  bytes.replace(at, 4, "\x7f\xff\xff\xf0", 4);
  const std::string path = dir.Write("claims.cdf", bytes);
  ExpectRefused(spec, path,
                path +
                    " cannot be read as a netCDF file: its header claims more than the file holds "
                    "(it is damaged or cut short)");
}

// A netCDF-4 file stores what was written, packed by its filters, and
// gives values never written back as fill values: a run written so (its
// points deflated) opens, but a file of kilobytes whose point arrays claim
// 300 million values (2.4 GB as doubles), with one written, is refused
// before anything is sized by the claim, packed or not.
TEST_F(NetCDFTest, NetCDF4FilesCannotClaimWhatTheyDoNotHold) {
  auto write = [](const std::string& path, size_t points, bool deflate, bool full) {
    int nc, scanDim, pointDim, vIndex, vCount, vMass, vInt;
    NC_OK(nc_create(path.c_str(), NC_CLOBBER | NC_NETCDF4, &nc));
    NC_OK(nc_def_dim(nc, "scan_number", 2, &scanDim));
    NC_OK(nc_def_dim(nc, "point_number", points, &pointDim));
    NC_OK(nc_def_var(nc, "scan_index", NC_INT, 1, &scanDim, &vIndex));
    NC_OK(nc_def_var(nc, "point_count", NC_INT, 1, &scanDim, &vCount));
    NC_OK(nc_def_var(nc, "mass_values", NC_DOUBLE, 1, &pointDim, &vMass));
    NC_OK(nc_def_var(nc, "intensity_values", NC_DOUBLE, 1, &pointDim, &vInt));
    const size_t chunk = std::min<size_t>(points, 4096);
    for (int v : {vMass, vInt}) {
      NC_OK(nc_def_var_chunking(nc, v, NC_CHUNKED, &chunk));
      if (deflate) NC_OK(nc_def_var_deflate(nc, v, 1, 1, 5));
    }
    NC_OK(nc_enddef(nc));
    const long long index[2] = {0, static_cast<long long>(points / 2)};
    const long long count[2] = {static_cast<long long>(points / 2),
                                static_cast<long long>(points - points / 2)};
    NC_OK(nc_put_var_longlong(nc, vIndex, index));
    NC_OK(nc_put_var_longlong(nc, vCount, count));
    std::vector<double> m(full ? points : 1), a(m.size());
    for (size_t i = 0; i < m.size(); ++i) {
      m[i] = 40.0 + static_cast<double>(i % (points / 2));
      a[i] = static_cast<double>(i + 1);
    }
    size_t start = full ? 0 : points - 1, n = m.size();
    NC_OK(nc_put_vara_double(nc, vMass, &start, &n, m.data()));
    NC_OK(nc_put_vara_double(nc, vInt, &start, &n, a.data()));
    NC_OK(nc_close(nc));
  };
  const std::string run = dir.File("run4.cdf");
  write(run, 6, true, true);
  TSpec spec;
  ASSERT_TRUE(spec.OpenFile(run));
  EXPECT_EQ(spec.NSpec(), 2);
  EXPECT_EQ(spec.GetMass(1), (tXYarray{{40.0f, 4.0f}, {41.0f, 5.0f}, {42.0f, 6.0f}}));
  for (bool deflate : {true, false}) {
    SCOPED_TRACE(deflate ? "deflated" : "chunks never written");
    const std::string path = dir.File("claims4.cdf");
    write(path, 300000000, deflate, false);
    ASSERT_LT(std::filesystem::file_size(path), 1000000u);
    ExpectRefused(spec, path,
                  path +
                      " claims 300000000 points, more than the file holds: it is damaged or "
                      "cut short");
  }
}

TEST_F(NetCDFTest, RealFilesThatAreNotMassSpectraAreRefused) {
  struct Case {
    const char* file;
    const char* message;
  } cases[] = {
      {"netcdf/agilent-gcms-tic.cdf",
       " is a netCDF file but not an ANDI/MS mass spectrometry run: it has no mass_values and "
       "intensity_values (it is a chromatography file)"},
      {"netcdf/TEKNIVNT_CONTINUM_zip.CDF",
       " cannot be read as a netCDF file: NetCDF: Unknown file format"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file);
    std::string path = TestData(c.file);
    TSpec spec;
    try {
      spec.OpenFile(path);
      ADD_FAILURE() << "no error";
    } catch (const SorrelError& e) {
      EXPECT_EQ(e.what(), path + c.message);
    }
    ExpectEmptyAndUsable(spec);
  }
}

// Real exports of many instruments. The expected values were computed
// with netCDF4-python from the raw arrays (scale_factor and add_offset
// applied; each scan from scan_index for point_count points, or up to
// the next scan_index where point_count overruns it as in the faahKO
// files; FISONS and KRATOS files store flag entries after the peaks, so
// their point counts are below the point_number dimension; -9999 totals
// summed, library files without times numbered 0, 1, 2, ...): number of
// scans and points, first and last time, first and last total intensity,
// the sums of all masses and all intensities, and one point of a middle
// scan.
TEST_F(NetCDFTest, RealExportsOpenWithTheirValues) {
  struct Case {
    const char* file;
    int32_t scans;
    int64_t points;
    float t0, tLast, tic0, ticLast;
    double massSum, intensitySum;
    int32_t scan, point;
    float mass, intensity;
  } cases[] = {
      {"tests/data/netcdf/EXTREL_CENTSCNL.CDF", 5, 99, 0.10000000149011612f, 0.5f, 5474475008.0f,
       5580212736.0f, 19393.0, 27173931912.0, 2, 13, 176.0f, 72079000.0f},
      {"tests/data/netcdf/FINNIGAN_LIBRARY.CDF", 100, 3870, 0.0f, 99.0f, 97883.0f, 42301.0f,
       690693.0, 14380354.0, 50, 21, 204.0f, 805.0f},
      {"tests/data/netcdf/FISONS_A_CENTSCNH.CDF", 5, 857, 2.0f, 6.0f, 93549632.0f, 92122632.0f,
       286021.53942871094, 465963696.0, 2, 84, 317.9869689941406f, 44992.0f},
      {"tests/data/netcdf/FISONS_A_CENTSIDH.CDF", 410, 4920, 2461.800048828125f, 2789.598388671875f,
       223961.25f, 19558234.0f, 1945606.2274169922, 9121063863.0625, 205, 6, 389.81561279296875f,
       11716.0f},
      {"tests/data/netcdf/HP_CENTSIDH.CDF", 421, 842, 332.2130126953125f, 479.75299072265625f,
       3117.0f, 1850.0f, 205626.25325012207, 13464199.0, 210, 1, 244.15000915527344f, 782.0f},
      {"tests/data/netcdf/KRATOS_CENTSCNH.CDF", 16, 3274, 0.0f, 567.0f, 4988416.0f, 8370176.0f,
       846292.9825057983, 328577493.0, 8, 140, 207.00157165527344f, 10598.0f},
      {"tests/data/netcdf/PE_SCIEX_CENTSIDH.CDF", 66, 132, 164.6580047607422f, 263.01800537109375f,
       2180.0f, 1880.0f, 82638.59838867188, 171600.0, 33, 1, 633.0f, 1160.0f},
      {"tests/data/netcdf/TEKNIVNT_CENTSCNH.CDF", 19, 1818, 0.006000000052154064f,
       288.1392517089844f, 84406.0f, 83639.0f, 467049.4577636719, 1585343.0, 9, 46,
       227.05099487304688f, 24.0f},
      {"netcdf/andi-ms-roundrobin-1993/EXTREL/CENTSCNH.CDF", 5, 99, 0.10000000149011612f, 0.5f,
       5474473984.0f, 5580210688.0f, 19392.051681518555, 27173926220.0, 2, 13, 175.99229431152344f,
       72078632.0f},
      {"netcdf/andi-ms-roundrobin-1993/EXTREL/CENTSIDH.CDF", 9, 39, 2.1272377967834473f,
       659.7078247070312f, 12085130240.0f, 11981758464.0f, 10896.354476928711, 115778001840.0, 4, 2,
       263.98651123046875f, 525316576.0f},
      {"netcdf/andi-ms-roundrobin-1993/EXTREL/CENTSIDL.CDF", 9, 39, 2.1272377967834473f,
       659.7078247070312f, 12085130240.0f, 11981757440.0f, 10897.0, 115778001920.0, 4, 2, 264.0f,
       525316992.0f},
      {"netcdf/andi-ms-roundrobin-1993/EXTREL/CONTINUM.CDF", 2, 104467, 0.10000000149011612f,
       0.20000000298023224f, 796576776192.0f, 835414720512.0f, 5588909.481628418,
       1631991479131.5215, 1, 27627, 51.15385818481445f, 20926846.0f},
      {"netcdf/andi-ms-roundrobin-1993/EXTREL/LIBRARY.CDF", 2, 17, 0.10000000149011612f,
       0.20000000298023224f, 54466637824.0f, 45801906176.0f, 1128.0, 100268543360.0, 1, 4, 65.0f,
       4101111040.0f},
      {"netcdf/andi-ms-roundrobin-1993/FINNIGAN/CENTSCNH.CDF", 100, 2355, 0.6000000238418579f,
       175.8000030517578f, 288368.0f, 339584.0f, 121507.3125, 47944864.0, 50, 15, 44.0f, 2928.0f},
      {"netcdf/andi-ms-roundrobin-1993/FINNIGAN/CENTSCNL.CDF", 100, 2187, 1.0f, 100.0f, 8241.0f,
       54223.0f, 153019.0, 3578251.0, 50, 8, 67.0f, 146.0f},
      {"netcdf/andi-ms-roundrobin-1993/FINNIGAN/CONTINUM.CDF", 4, 28032, 8.343000411987305f,
       21.152999877929688f, 14951279.0f, 14439434.0f, 30832831.421142578, 4714947749.0, 2, 3504,
       1100.015380859375f, 472824.0f},
      {"netcdf/andi-ms-roundrobin-1993/FISONS_A/CENTSCNL.CDF", 21, 538, 456.0f, 477.0f, 12687168.0f,
       12559072.0f, 43781.21343612671, 997859088.0, 10, 33, 83.08445739746094f, 1168896.0f},
      {"netcdf/andi-ms-roundrobin-1993/FISONS_A/CONTINUM.CDF", 1, 4488, 87.0f, 87.0f, 142241904.0f,
       142241904.0f, 15509761.38696289, 142240052.0, 0, 2244, 3458.57080078125f, 1000.0f},
      {"netcdf/andi-ms-roundrobin-1993/FISONS_A/LIBRARY.CDF", 42, 1634, 0.0f, 41.0f, 37229.0f,
       20199.0f, 162110.0, 1751106.0, 21, 26, 100.0f, 610.0f},
      {"netcdf/andi-ms-roundrobin-1993/HP/CENTSCNH.CDF", 621, 7638, 301.8009948730469f,
       599.8200073242188f, 100147.0f, 17427.0f, 666692.9484176636, 55492205.0, 310, 4, 44.0f,
       1147.0f},
      {"netcdf/andi-ms-roundrobin-1993/KRATOS/CENTSCNL.CDF", 16, 8880, 0.0f, 567.0f, 4988416.0f,
       8370176.0f, 2912640.0, 50529010.0, 8, 277, 328.0f, 0.0f},
      {"netcdf/andi-ms-roundrobin-1993/PE_SCIEX/CENTSCNH.CDF", 35, 422, 2871.91796875f,
       3116.02099609375f, 1025000.0f, 1255000.0f, 200854.9804534912, 67140000.0, 17, 6,
       429.8269348144531f, 130000.0f},
      {"netcdf/andi-ms-roundrobin-1993/PE_SCIEX/CENTSCNL.CDF", 17, 5274, 0.06400000303983688f,
       34.44900131225586f, 15430880.0f, 13690384.0f, 992620.0, 265768688.0, 8, 158, 192.0f,
       10000.0f},
      {"netcdf/andi-ms-roundrobin-1993/PE_SCIEX/CENTSIDL.CDF", 40, 80, 459.70001220703125f,
       518.7000122070312f, 2520.0f, 2140.0f, 50080.0, 204240.0, 20, 1, 633.0f, 1940.0f},
      {"netcdf/andi-ms-roundrobin-1993/PE_SCIEX/CONTINUM.CDF", 50, 1820, 2061.055908203125f,
       2262.470947265625f, 950000.0f, 3280000.0f, 924697.0, 138570000.0, 25, 12, 444.5f, 30000.0f},
      {"netcdf/andi-ms-roundrobin-1993/TEKNIVNT/CENTSCNL.CDF", 400, 53797, 0.0f, 399.0f, 36381.0f,
       34260.0f, 5879405.0, 17404114.0, 200, 67, 107.0f, 131.0f},
      {"netcdf/andi-ms-roundrobin-1993/TEKNIVNT/CONTINUM.CDF", 5, 12396, 0.003000000026077032f,
       4.000249862670898f, 8327.0f, 54116.0f, 1926438.4445056915, 205602.0, 2, 1338,
       162.8719940185547f, 0.0f},
      {"netcdf/andi-ms-roundrobin-1993/TEST/NIST_50.CDF", 50, 1271, 0.0f, 49.0f, 22650.0f, 56699.0f,
       135835.0, 1876862.0, 25, 7, 142.0f, 2900.0f},
      {"netcdf/andi-ms-roundrobin-1993/TEST/QD.CDF", 201, 1342, 949.9999389648438f,
       1149.9998779296875f, 3569.0f, 0.0f, 110353.0, 3401009.0, 100, 4, 84.0f, 831.0f},
      {"netcdf/cheminfo-netcdf-gcms/advion-expression.cdf", 60, 199393, 0.08100000023841858f,
       133.46099853515625f, 4498210816.0f, 3959810816.0f, 74956451.80337238, 350223087115.0, 30,
       1604, 284.1499938964844f, 4453850.0f},
      {"netcdf/cheminfo-netcdf-gcms/agilent-gcms.cdf", 6401, 157201, 5.25f, 3779.75390625f, 3134.0f,
       4843.0f, 13933959.194209099, 126587412.0, 3200, 6, 36.0f, 340.0f},
      {"netcdf/faahKO/ko15.CDF", 1278, 445769, 2501.3779296875f, 4499.82421875f, 948152.0f,
       499115.0f, 180052749.47120667, 1240000123.0, 639, 200, 398.20001220703125f, 718.0f},
      {"netcdf/faahKO/wt15.CDF", 1278, 445106, 2501.3779296875f, 4499.82421875f, 1033398.0f,
       698845.0f, 179528557.96798706, 1245403650.0, 639, 200, 399.1000061035156f, 1161.0f},
  };
  int opened = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file);
    std::string rel = c.file;
    std::string path =
        rel.rfind("tests/data/", 0) == 0 ? TestData(rel.substr(11)) : SharedData(rel);
    if (path.empty()) continue;  // the shared instrument data is not here
    TSpec spec;
    ASSERT_TRUE(spec.OpenFile(path));
    ++opened;
    ASSERT_EQ(spec.NSpec(), c.scans);
    int64_t points = 0;
    double massSum = 0, intensitySum = 0;
    for (int32_t i = 0; i < spec.NSpec(); ++i) {
      const tXYarray& s = spec.GetMass(i);
      points += int64_t(s.size());
      for (size_t k = 0; k < s.size(); ++k) {
        massSum += s[k][0];
        intensitySum += s[k][1];
        if (k > 0) {
          EXPECT_LE(s[k - 1][0], s[k][0]) << "scan " << i;
        }
      }
      if (i > 0) {
        EXPECT_LT(spec.Chrom[size_t(i - 1)][0], spec.Chrom[size_t(i)][0]);
      }
    }
    EXPECT_EQ(points, c.points);
    EXPECT_EQ(spec.Chrom.front()[0], c.t0);
    EXPECT_EQ(spec.Chrom.back()[0], c.tLast);
    EXPECT_EQ(spec.Chrom.front()[1], c.tic0);
    EXPECT_EQ(spec.Chrom.back()[1], c.ticLast);
    EXPECT_NEAR(massSum, c.massSum, 1e-9 * std::fabs(c.massSum));
    EXPECT_NEAR(intensitySum, c.intensitySum, 1e-9 * std::fabs(c.intensitySum));
    const tXYarray& s = spec.GetMass(c.scan);
    ASSERT_GT(s.size(), size_t(c.point));
    EXPECT_EQ(s[size_t(c.point)][0], c.mass);
    EXPECT_EQ(s[size_t(c.point)][1], c.intensity);
  }
  EXPECT_GE(opened, 8);  // the copied fixtures at least
}

// A real run exported again reopens with the same values.
TEST_F(NetCDFTest, RealRunThroughTheExport) {
  std::string path = TestData("netcdf/FISONS_A_CENTSIDH.CDF");
  TSpec spec;
  ASSERT_TRUE(spec.OpenFile(path));
  ASSERT_TRUE(spec.SaveFile(dir.File("again.cdf")));
  TSpec back;
  ASSERT_TRUE(back.OpenFile(dir.File("again.cdf")));
  EXPECT_EQ(back.Chrom, spec.Chrom);
  for (int32_t i = 0; i < spec.NSpec(); ++i)
    EXPECT_EQ(back.GetMass(i), spec.GetMass(i)) << i;
}
