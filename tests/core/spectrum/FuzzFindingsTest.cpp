// Inputs that the fuzz targets of the spectrum readers found, kept in
// tests/data/fuzz-regressions/<target>/ in the target's own packed form
// (described at the head of fuzz/<target>.cpp), unpacked here into the
// files the reader reads, with what each reader must make of them.
#include <gtest/gtest.h>

#include <cstring>

#include "ScriptedUi.h"
#include "TempDir.h"
#include "core/common/Directories.h"
#include "core/common/Errors.h"
#include "core/spectrum/HDIndex.h"
#include "core/spectrum/Spec.h"

using namespace sorrel;
using test::ScriptedUi;
using test::TempDir;

namespace {

// The run file of a fuzz_hd input (the index file left out).
std::string HDRunOf(const std::string& input) {
  const auto* p = reinterpret_cast<const uint8_t*>(input.data());
  const uint8_t flags = p[0];
  uint16_t indexLen;
  std::memcpy(&indexLen, p + 1, 2);
  std::string run;
  if (flags & 4) {
    run = input.substr(3 + indexLen);
  } else {
    run.assign(kFirstScanOffset, '\0');
    std::memcpy(run.data(), p + 3, 2);                                          // magic
    std::memcpy(run.data() + 12, p + 5, 4);                                     // creation_date
    std::memcpy(run.data() + offsetof(rRun_Stats, number_of_scans), p + 9, 2);  // scans
    run += input.substr(11 + indexLen);
  }
  if ((flags & 1) && run.size() < 24 * 1024) run.resize(24 * 1024, '\0');
  return run;
}

}  // namespace

// The second scan's header says raw data (stored_mode 0). The index looks
// only at the first scan's mode and reads the second scan's records as
// peaks; reading without the index steps over the scans, reads each
// header on the way and stops at that one with its message, giving an
// empty spectrum. Either way nothing is read outside the file.
TEST(FuzzFindings, HDScanAfterTheFirstWithARawModeHeader) {
  ScriptedUi ui;
  TempDir dir;
  SetProgramDir(dir.Path());
  const std::string path = dir.Write(
      "run.R01",
      HDRunOf(test::ReadAll(test::TestData("fuzz-regressions/fuzz_hd/raw-mode-second-scan"))));
  TSpec spec;
  ASSERT_TRUE(spec.OpenFile(path));
  ASSERT_EQ(spec.NSpec(), 2);
  EXPECT_EQ(spec.GetMass(0).size(), 1u);
  EXPECT_EQ(spec.GetMass(1).size(), 7u);
  EXPECT_EQ(ui.messages,
            std::vector<std::string>{"Problem in R file (number_of_scans_per_second=0): " + path +
                                     ", scan 1 on; 1000 scans per second are taken instead"});

  EXPECT_EQ(ReadHDScan(path, 0, nullptr).size(), 1u);
  EXPECT_TRUE(ReadHDScan(path, 1, nullptr).empty());
  EXPECT_EQ(ui.messages.back(),
            "The file is not nominal mass, fast DSP nom mass or slow accurrate HD ALG acquired the "
            "conversion ends here.");
  SetProgramDir("");
}

// Classic netCDF headers that the netCDF library cannot take safely are
// refused before it reads them, with the file named: lengths that run past
// the end of the file (the library allocates what they claim: 4 GiB for a
// name in a file of 5 KB), a variable of a type the format does not have
// (the library divides by zero and the program dies).
TEST(FuzzFindings, NetCDFHeadersTheLibraryCannotTakeSafely) {
  ScriptedUi ui;
  TempDir dir;
  const std::string real = test::ReadAll(test::TestData("netcdf/EXTREL_CENTSCNL.CDF"));
  const std::string tooLong =
      "its header claims more than the file holds (it is damaged or cut short)";
  const struct {
    const char* what;
    std::string bytes;
    std::string why;
  } cases[] = {
      {"a name longer than the file (fuzz_netcdf)",
       test::ReadAll(test::TestData("fuzz-regressions/fuzz_netcdf/name-longer-than-the-file")),
       tooLong},
      {"a real file cut inside its header", real.substr(0, 300), tooLong},
      {"a variable with more dimensions than the file has bytes, after an empty attribute list "
       "under a stray tag (fuzz_netcdf)",
       test::ReadAll(
           test::TestData("fuzz-regressions/fuzz_netcdf/dimension-count-beyond-the-file")),
       tooLong},
      {"a variable of type 12 in a classic file (fuzz_netcdf)",
       test::ReadAll(
           test::TestData("fuzz-regressions/fuzz_netcdf/variable-of-a-type-classic-files-lack")),
       "its header is damaged: the variable scan_index is of the unknown type 12"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const std::string path = dir.Write("in.cdf", c.bytes);
    TSpec spec;
    try {
      spec.OpenFile(path);
      ADD_FAILURE() << "opened";
    } catch (const SorrelError& e) {
      EXPECT_EQ(std::string(e.what()), path + " cannot be read as a netCDF file: " + c.why);
    }
    EXPECT_EQ(spec.NSpec(), 0);
  }
  // The whole file still opens.
  TSpec whole;
  EXPECT_TRUE(whole.OpenFile(dir.Write("whole.cdf", real)));
}

// An HD run whose intensities reach the top of the file's range (read as
// the float 2^31) is saved as an HD file again, those intensities as the
// largest one the file holds; a float beyond that is still refused.
TEST(FuzzFindings, HDRunWithTheLargestIntensitiesSavesAgain) {
  ScriptedUi ui;
  TempDir dir;
  SetProgramDir(dir.Path());
  const std::string path = dir.Write(
      "run.R01", HDRunOf(test::ReadAll(
                     test::TestData("fuzz-regressions/fuzz_hd/largest-intensity-saved-again"))));
  TSpec spec;
  ASSERT_TRUE(spec.OpenFile(path));
  std::vector<tXYarray> scans;
  bool top = false;
  for (int32_t i = 0; i < spec.NSpec(); ++i) {
    scans.push_back(spec.GetMass(i));
    for (const dPoint& p : scans.back())
      top = top || p[1] == 2147483648.0f;
  }
  ASSERT_TRUE(top) << "the input holds an intensity at the top of the range";
  ASSERT_TRUE(spec.SaveFile(dir.File("again.R02")));
  TSpec back;
  ASSERT_TRUE(back.OpenFile(dir.File("again.R02")));
  ASSERT_EQ(back.NSpec(), spec.NSpec());
  for (int32_t i = 0; i < back.NSpec(); ++i)
    EXPECT_EQ(back.GetMass(i), scans[static_cast<size_t>(i)]) << i;

  struct {
    float intensity;
    bool fits;
  } cases[] = {{2147483648.0f, true}, {-2147483648.0f, true}, {2147483904.0f, false}};
  for (const auto& c : cases) {
    TSpec run;
    run.AddSSpec(1.0, 1.0, {{50.0f, c.intensity}});
    if (c.fits) {
      EXPECT_TRUE(run.SaveFile(dir.File("one.R01"))) << c.intensity;
      TSpec one;
      ASSERT_TRUE(one.OpenFile(dir.File("one.R01")));
      EXPECT_EQ(one.GetMass(0), (tXYarray{{50.0f, c.intensity}}));
    } else {
      EXPECT_THROW(run.SaveFile(dir.File("one.R01")), SorrelError) << c.intensity;
    }
  }
  SetProgramDir("");
}
