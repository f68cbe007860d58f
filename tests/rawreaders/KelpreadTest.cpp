// Kelpread's OpenMassLynxData on synthetic raw directories: the point
// decoding of every format (the expected values are worked by hand from
// the record layouts, as the comments show), the calibration of
// _HEADER.TXT, and the refusals that keep the reader inside its arrays
// and files.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <random>

#include "RawTestSupport.h"
#include "TempDir.h"

namespace sorrel::test::raw {
namespace {

using ::testing::Each;
using ::testing::ElementsAre;

// ---------------------------------------------------------------- formats

TEST(Kelpread, Format0WorkedExample) {
  TempDir tmp;
  RawDirBuilder raw(tmp.File("f0.raw"));
  // a = 0x01900819: intensity (0x018 / 8 = 3) * 4^1 = 12,
  // mass 0x01900800 / 262144 = 100.0078125.
  // a = 0xFFFFF87F: intensity (0x078 / 8 = 15) * 4^7 = 245760,
  // mass 0xFFFFF800 / 262144 = 16383.9921875.
  raw.Functions(0).Scans({2}).Data(U32(0x01900819u) + U32(0xFFFFF87Fu));
  ReadResult r = ReadCounted(raw.Dir());
  ASSERT_EQ(r.status, 0);
  EXPECT_THAT(r.masses, ElementsAre(100.0078125f, 16383.9921875f));
  EXPECT_THAT(r.intensities, ElementsAre(12.0f, 245760.0f));
  EXPECT_THAT(r.counts, ElementsAre(2));
  EXPECT_THAT(r.rt, ElementsAre(0.5f));
  EXPECT_THAT(r.tic, ElementsAre(1000.0f));
}

TEST(Kelpread, Format1WorkedExampleTwoPointsPerRecord) {
  TempDir tmp;
  RawDirBuilder raw(tmp.File("f1.raw"));
  // w0 = 80: intensity 10 * 4^0 = 10; w2 = 1024, w3 = 0x0201: mass 1 + 64 * 1 = 65.
  // w1 = 81: intensity 10.125 * 4^1 = 40.5; w4 = 2048: mass 2 + 64 * 2 = 130.
  // Second record: w0 = 0x0007: intensity (7 / 8) * 4^7 = 14336; w2 = 512,
  // w3 = 0xFF03: mass 0.5 + 192 = 192.5; w1 = 0: intensity 0;
  // w4 = 0xFFFF: mass 63.9990234375 + 64 * 255 = 16383.9990234375.
  std::string dat = U16(80) + U16(81) + U16(1024) + U16(0x0201) + U16(2048) + U16(7) + U16(0) +
                    U16(512) + U16(0xFF03) + U16(0xFFFF);
  raw.Functions(1).Scans({2, 2}).Data(dat);
  ReadResult r = ReadCounted(raw.Dir());
  ASSERT_EQ(r.status, 0);
  EXPECT_THAT(r.masses, ElementsAre(65.0f, 130.0f, 192.5f, 16383.9990234375f));
  EXPECT_THAT(r.intensities, ElementsAre(10.0f, 40.5f, 14336.0f, 0.0f));
}

TEST(Kelpread, Format2MassesRepeatTheChannelsAndZeroBecomesOne) {
  TempDir tmp;
  RawDirBuilder raw(tmp.File("sir.raw"));
  // Two channels, three scans. Words: 0 -> below 0.001 -> 1.0;
  // 0x0019 -> (0x18 / 8 = 3) * 4 = 12; 0x6CC9 -> 3481 * 4 = 13924;
  // 0xFFFF -> 8191 * 4^7 = 134201344; 0x0008 -> 1; 0x0010 -> 2.
  raw.Functions(2, {534.0f, 100.25f})
      .Scans({2, 2, 2})
      .Data(U16(0) + U16(0x0019) + U16(0x6CC9) + U16(0xFFFF) + U16(0x0008) + U16(0x0010));
  ReadResult r = ReadCounted(raw.Dir());
  ASSERT_EQ(r.status, 0);
  EXPECT_THAT(r.masses, ElementsAre(534.0f, 100.25f, 534.0f, 100.25f, 534.0f, 100.25f));
  EXPECT_THAT(r.intensities, ElementsAre(1.0f, 12.0f, 13924.0f, 134201344.0f, 1.0f, 2.0f));
  EXPECT_THAT(r.rt, ElementsAre(0.5f, 1.0f, 1.5f));
}

TEST(Kelpread, Format8WorkedExampleShiftsNegativeIntensities) {
  TempDir tmp;
  RawDirBuilder raw(tmp.File("f8.raw"));
  // a = -5, b = 0x00032001: mass 0x32000 / 2048 = 100, intensity -5 * 4 = -20.
  // a = 7, b = 0x00064002: mass 0x64000 / 2048 = 200, intensity 7 * 16 = 112.
  // a = 1, b = 0x00000C08: mass 0xC00 / 2048 = 1.5, intensity 1 * 4^0 = 1
  //   (bit 3 is neither mass nor exponent).
  // The smallest intensity is -20, so 20 is added to all: 0, 132, 21.
  raw.Functions(8).Scans({3}).Data(S16(-5) + U32(0x00032001u) + S16(7) + U32(0x00064002u) + S16(1) +
                                   U32(0x00000C08u));
  ReadResult r = ReadCounted(raw.Dir());
  ASSERT_EQ(r.status, 0);
  EXPECT_THAT(r.masses, ElementsAre(100.0f, 200.0f, 1.5f));
  EXPECT_THAT(r.intensities, ElementsAre(0.0f, 132.0f, 21.0f));
}

TEST(Kelpread, Format8MassIsRoundedOnceFromTheExactQuotient) {
  TempDir tmp;
  RawDirBuilder raw(tmp.File("f8r.raw"));
  // b = 0xFFFFFFF0: 4294967280 / 2048 = 2097151.9921875, which a 32-bit
  // float cannot hold (its step there is 0.125 below 2^21): the nearest is
  // 2097152. b = 0x12345670: 305419888 / 2048 = 149130.8046875, halfway
  // between the floats 149130.796875 and 149130.8125 (step 1/64 there):
  // the even one, 149130.8125.
  raw.Functions(8).Scans({2}).Data(S16(3) + U32(0xFFFFFFF0u) + S16(3) + U32(0x12345670u));
  ReadResult r = ReadCounted(raw.Dir());
  ASSERT_EQ(r.status, 0);
  EXPECT_THAT(r.masses, ElementsAre(2097152.0f, 149130.8125f));
  EXPECT_THAT(r.intensities, ElementsAre(3.0f, 3.0f));  // no negative: no shift
}

TEST(Kelpread, Format9ScaledMassesAndShift) {
  TempDir tmp;
  RawDirBuilder raw(tmp.File("f9.raw"));
  // b = 0x64000082: e = 0x080 / 16 = 8, mass 2^8 * 0x64000000 / 2^32 = 100,
  //   intensity 3 * 4^2 = 48.
  // b = 0x64000091: e = 9, mass 200, intensity -2 * 4^1 = -8.
  // b = 0x800001FF: e = 31, mass 2^31 * 0x80000000 / 2^32 = 2^30,
  //   intensity 1 * 4^15 = 2^30.
  // Shift by 8: 56, 0, 2^30 + 8 (as a float: 2^30, whose step is 128).
  raw.Functions(9).Scans({3}).Data(S16(3) + U32(0x64000082u) + S16(-2) + U32(0x64000091u) + S16(1) +
                                   U32(0x800001FFu));
  ReadResult r = ReadCounted(raw.Dir());
  ASSERT_EQ(r.status, 0);
  EXPECT_THAT(r.masses, ElementsAre(100.0f, 200.0f, 1073741824.0f));
  EXPECT_THAT(r.intensities, ElementsAre(56.0f, 0.0f, 1073741824.0f));
}

TEST(Kelpread, Format12FillsTheScansButDecodesNoPoint) {
  TempDir tmp;
  RawDirBuilder raw(tmp.File("f12.raw"));
  raw.Functions(12).Scans({601, 23});  // no DAT file at all: it is not read
  ReadResult r = ReadCounted(raw.Dir());
  ASSERT_EQ(r.status, 0);
  EXPECT_TRUE(r.masses.empty());
  EXPECT_THAT(r.counts, ElementsAre(601, 23));
  EXPECT_THAT(r.rt, ElementsAre(0.5f, 1.0f));
}

TEST(Kelpread, UnknownFormatsGiveStatus5AndWriteNothing) {
  for (int format : {3, 4, 5, 6, 7, 10, 11, 13, 14, 15}) {
    TempDir tmp;
    RawDirBuilder raw(tmp.File("unknown.raw"));
    raw.Functions(format).Scans({1, 1}).Data(std::string(8, '\x01'));
    ReadResult r = Read(raw.Dir(), 4, 2);
    EXPECT_EQ(r.status, KELP_UNKNOWN_FORMAT) << "format " << format;
    EXPECT_THAT(r.masses, Each(kSentinel));
    EXPECT_THAT(r.rt, Each(kSentinel));
    EXPECT_THAT(r.counts, Each(-77));
  }
}

TEST(Kelpread, ReadsOnlyTheFirstFunction) {
  TempDir tmp;
  RawDirBuilder raw(tmp.File("two.raw"));
  // The second record says format 11 and its files are nonsense.
  raw.Functions(0, {}, 2).Scans({1}).Data(Format0(250, 9));
  raw.File("_FUNC002.IDX", std::string(5, '\x01')).File("_FUNC002.DAT", "x");
  ReadResult r = ReadCounted(raw.Dir());
  ASSERT_EQ(r.status, 0);
  EXPECT_THAT(r.masses, ElementsAre(250.0f));
  EXPECT_THAT(r.intensities, ElementsAre(9.0f));
}

TEST(Kelpread, PlainCallCountsFromTheFilesAsKelpinfoDoes) {
  TempDir tmp;
  RawDirBuilder raw(tmp.File("plain.raw"));
  raw.Functions(0).Scans({2, 1}).Data(Format0(50, 1) + Format0(60, 2) + Format0(40, 3));
  for (std::string text : {raw.Dir(), raw.Dir().substr(0, raw.Dir().size() - 1)}) {
    ReadResult r = ReadCounted(text, /*sized=*/false);
    ASSERT_EQ(r.status, 0);
    EXPECT_THAT(r.masses, ElementsAre(50.0f, 60.0f, 40.0f));
    EXPECT_THAT(r.counts, ElementsAre(2, 1));
  }
}

// Every value of the packed intensity fields of formats 0, 1 and 2, held
// against mantissa * 4^exponent worked out in double precision (every such
// value is a whole multiple of 1/8 below 2^27, exact in a float).
TEST(Kelpread, EveryPackedIntensityDecodesToItsValue) {
  struct Case {
    int format;
    uint32_t values;                              // intensity fields, 0 .. values - 1
    std::function<std::string(uint32_t)> record;  // the DAT bytes of field v
    std::function<double(uint32_t)> expected;
  } cases[] = {
      // Format 0: the low 11 bits (mantissa 8 bits, exponent 3) under mass 100.
      {0, 2048, [](uint32_t v) { return U32((100u << 18) | v); },
       [](uint32_t v) { return std::ldexp((v & 0x7F8u) >> 3, 2 * static_cast<int>(v & 7u)); }},
      // Format 1: every 16-bit word as the first point's w0 (the second
      // point's w1 is the word turned around).
      {1, 65536,
       [](uint32_t v) {
         return U16(static_cast<uint16_t>(v)) + U16(static_cast<uint16_t>(65535 - v)) + U16(0) +
                U16(1) + U16(1024);
       },
       [](uint32_t v) { return std::ldexp(v, 2 * static_cast<int>(v & 7u) - 3); }},
      // Format 2: every 16-bit word, 64 channels a scan; 0 becomes 1.
      {2, 65536, [](uint32_t v) { return U16(static_cast<uint16_t>(v)); },
       [](uint32_t v) {
         double i = std::ldexp((v & 0xFFF8u) >> 3, 2 * static_cast<int>(v & 7u));
         return i < 0.001 ? 1.0 : i;
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.format);
    TempDir tmp;
    RawDirBuilder raw(tmp.File("all.raw"));
    std::string dat;
    for (uint32_t v = 0; v < c.values; ++v)
      dat += c.record(v);
    if (c.format == 2)
      raw.Functions(2, std::vector<float>(64, 100.0f))
          .Scans(std::vector<uint32_t>(c.values / 64, 64));
    else
      raw.Functions(c.format).Scans({c.format == 1 ? 2 * c.values : c.values});
    raw.Data(dat);
    ReadResult r = ReadCounted(raw.Dir());
    ASSERT_EQ(r.status, 0);
    const size_t step = c.format == 1 ? 2 : 1;
    ASSERT_EQ(r.intensities.size(), step * c.values);
    for (uint32_t v = 0; v < c.values; ++v) {
      ASSERT_EQ(r.intensities[step * v], static_cast<float>(c.expected(v))) << "field " << v;
      if (c.format == 1) {
        ASSERT_EQ(r.intensities[2 * v + 1], static_cast<float>(c.expected(65535 - v)))
            << "field " << v;
      }
    }
  }
}

// Runs longer than the reader's read buffer (about 1 MB): every point must
// come out as it was written, across the buffer's boundaries, with the
// selected-ion channels continuing in order.
TEST(Kelpread, LongRunsDecodeAcrossReadBuffers) {
  TempDir tmp;
  {
    // Format 2 with 7 channels: 70300 scans, 492100 points (984200 bytes).
    RawDirBuilder raw(tmp.File("long2.raw"));
    const size_t channels = 7, scans = 70300;
    std::vector<float> masses(channels);
    for (size_t c = 0; c < channels; ++c)
      masses[c] = 100.5f + static_cast<float>(c);
    std::string dat;
    for (size_t k = 0; k < channels * scans; ++k)
      dat += U16(static_cast<uint16_t>((k % 4096) << 3));  // intensity k % 4096, 0 -> 1
    raw.Functions(2, masses).Scans(std::vector<uint32_t>(scans, channels)).Data(dat);
    ReadResult r = ReadCounted(raw.Dir());
    ASSERT_EQ(r.status, 0);
    ASSERT_EQ(r.masses.size(), channels * scans);
    for (size_t k = 0; k < r.masses.size(); ++k) {
      ASSERT_EQ(r.masses[k], masses[k % channels]) << "point " << k;
      ASSERT_EQ(r.intensities[k], k % 4096 == 0 ? 1.0f : static_cast<float>(k % 4096))
          << "point " << k;
    }
  }
  {
    // Format 1, 500001 records of two points (5000010 bytes).
    RawDirBuilder raw(tmp.File("long1.raw"));
    const size_t records = 500001;
    std::string dat;
    for (size_t j = 0; j < records; ++j) {
      uint16_t w = static_cast<uint16_t>((j % 8000) << 3);  // mantissa j % 8000, exponent 0
      dat += U16(w) + U16(static_cast<uint16_t>(w + 8)) + U16(static_cast<uint16_t>(j % 1024)) +
             U16(0x0101) + U16(static_cast<uint16_t>(512 + j % 512));
    }
    raw.Functions(1).Scans({static_cast<uint32_t>(2 * records)}).Data(dat);
    ReadResult r = ReadCounted(raw.Dir());
    ASSERT_EQ(r.status, 0);
    ASSERT_EQ(r.masses.size(), 2 * records);
    for (size_t j = 0; j < records; ++j) {
      ASSERT_EQ(r.intensities[2 * j], static_cast<float>(j % 8000)) << "record " << j;
      ASSERT_EQ(r.intensities[2 * j + 1], static_cast<float>(j % 8000 + 1)) << "record " << j;
      ASSERT_EQ(r.masses[2 * j], 64.0f + static_cast<float>(j % 1024) / 1024.0f) << "record " << j;
      ASSERT_EQ(r.masses[2 * j + 1], 64.5f + static_cast<float>(j % 512) / 1024.0f)
          << "record " << j;
    }
  }
  {
    // Format 8, 400000 points (2400000 bytes), the last one negative.
    RawDirBuilder raw(tmp.File("long8.raw"));
    const size_t points = 400000;
    std::string dat;
    for (size_t k = 0; k < points; ++k)
      dat += S16(k + 1 == points ? -3 : static_cast<int16_t>(k % 1000)) +
             U32(static_cast<uint32_t>((k % 100000) * 16));  // mass (k % 100000) / 128
    raw.Functions(8).Scans({static_cast<uint32_t>(points)}).Data(dat);
    ReadResult r = ReadCounted(raw.Dir());
    ASSERT_EQ(r.status, 0);
    for (size_t k = 0; k < points; ++k) {
      ASSERT_EQ(r.masses[k], static_cast<float>(k % 100000) / 128.0f) << "point " << k;
      // The last point's -3 shifts every intensity by 3.
      ASSERT_EQ(r.intensities[k], k + 1 == points ? 0.0f : static_cast<float>(k % 1000 + 3))
          << "point " << k;
    }
  }
}

// ------------------------------------------------------------ calibration

// Every calibrated format, with one point at mass 100 (and format 1's
// second point at mass 0), the middle scan flagged, and the header entry
// 0.5 + 2 m: 200.5 (and 0.5).
struct CalibratedFormat {
  int format;
  std::string dat;
  std::vector<float> uncalibrated, calibrated;
};

std::vector<CalibratedFormat> CalibratedFormats() {
  return {
      {0, Format0(100, 5), {100.0f}, {200.5f}},
      // w2 = 36 * 1024, w3 = 1: mass 36 + 64 = 100; second point mass 0.
      {1, U16(40) + U16(0) + U16(36 * 1024) + U16(1) + U16(0), {100.0f, 0.0f}, {200.5f, 0.5f}},
      {8, S16(5) + U32(100 * 2048), {100.0f}, {200.5f}},
      {9, S16(5) + U32(0x64000080u), {100.0f}, {200.5f}},
  };
}

TEST(Kelpread, CalibrationAppliesToFormats0189WhenTheMiddleScanIsFlagged) {
  for (const CalibratedFormat& c : CalibratedFormats()) {
    for (bool flagged : {false, true}) {
      TempDir tmp;
      RawDirBuilder raw(tmp.File("cal.raw"));
      uint32_t points = c.format == 1 ? 2 : 1;
      raw.Functions(c.format)
          .Scans({points}, flagged ? kCalibratedFlag : 0)
          .Data(c.dat)
          .Header("$$ Version: 01.00\r\n$$ Cal Function 1: 0.5,2.0,T0\r\n");
      ReadResult r = ReadCounted(raw.Dir());
      ASSERT_EQ(r.status, 0) << "format " << c.format;
      EXPECT_EQ(r.masses, flagged ? c.calibrated : c.uncalibrated) << "format " << c.format;
      EXPECT_EQ(r.counts[0], static_cast<int32_t>(points)) << "the flag is not part of the count";
    }
  }
}

TEST(Kelpread, SelectedIonMassesAreNeverCalibrated) {
  TempDir tmp;
  RawDirBuilder raw(tmp.File("sircal.raw"));
  raw.Functions(2, {534.0f})
      .Scans({1, 1}, kCalibratedFlag)
      .Data(U16(0x19) + U16(0x19))
      .Header("$$ Cal Function 1: 0.5,2.0,T0\r\n");
  ReadResult r = ReadCounted(raw.Dir());
  ASSERT_EQ(r.status, 0);
  EXPECT_THAT(r.masses, ElementsAre(534.0f, 534.0f));
}

TEST(Kelpread, TheMiddleScanDecidesAboutCalibration) {
  // Scans counted from 1: one scan -> 1; else n / 2 rounded, halves to even.
  const std::pair<uint32_t, uint32_t> cases[] = {{1, 1}, {2, 1}, {3, 2}, {4, 2},
                                                 {5, 2}, {6, 3}, {7, 4}, {9, 4}};
  for (auto [n, middle] : cases) {
    for (bool onlyMiddle : {true, false}) {
      TempDir tmp;
      RawDirBuilder raw(tmp.File("mid.raw"));
      std::string idx, dat;
      for (uint32_t s = 1; s <= n; ++s) {
        bool flag = (s == middle) == onlyMiddle;
        idx += IdxRecord(1 | (flag ? kCalibratedFlag : 0), 1, static_cast<float>(s));
        dat += Format0(100, 1);
      }
      raw.Functions(0).Index(idx).Data(dat).Header("$$ Cal Function 1: 0.5,2.0,T0\r\n");
      ReadResult r = ReadCounted(raw.Dir());
      ASSERT_EQ(r.status, 0);
      EXPECT_THAT(r.masses, Each(onlyMiddle ? 200.5f : 100.0f))
          << n << " scans, flag " << (onlyMiddle ? "only on" : "on all but") << " scan " << middle;
    }
  }
}

struct HeaderCase {
  const char* what;
  std::string header;
  float mass100;  // the calibrated value of mass 100, worked by hand
  float mass400;
};

TEST(Kelpread, CalibrationEntriesOfTheHeader) {
  const HeaderCase cases[] = {
      {"polynomial", "$$ Cal Function 1: 0.5,2.0,T0\r\n", 200.5f, 800.5f},
      // (0.01 + 1.0001 * 10)^2 = 10.011^2 = 100.220121;
      // (0.01 + 1.0001 * 20)^2 = 20.012^2 = 400.480144.
      {"square root", "$$ Cal Function 1: 0.01,1.0001,T1\r\n", 100.220121f, 400.480144f},
      {"identity: the coefficients sum to 1", "$$ Cal Function 1: 0.0,1.0,0.0,T0\r\n", 100.0f,
       400.0f},
      {"next entry ends the list (its 0 is dropped)",
       "$$ Cal Function 1: 0.5,2.0\r\n$$ Cal StdDev Function 1: 1.7e-2\r\n", 200.5f, 800.5f},
      {"empty field ends the list as T0", "$$ Cal Function 1: 0.5,2.0,,T1\r\n", 200.5f, 800.5f},
      {"another function's entry only", "$$ Cal Function 10: 0.5,2.0,T0\r\n", 100.0f, 400.0f},
      {"the entry after another function's",
       "$$ Cal Function 10: 3,3,T0\r\n$$ Cal Function 1: 0.5,2.0,T0\r\n", 200.5f, 800.5f},
      {"a negligible only coefficient is dropped", "$$ Cal Function 1: 1e-21,T0\r\n", 100.0f,
       400.0f},
      {"an empty first coefficient is 0, then dropped", "$$ Cal Function 1: ,T0\r\n", 100.0f,
       400.0f},
      {"blanks around fields", "  $$ Cal Function 1:   0.5 ,\t2.0 , T0 \r\n", 200.5f, 800.5f},
      {"line feeds only, other entries before",
       "$$ Version: 01.00\n$$ Cal MS1 Static: 9,9,T0\n$$ Cal Function 1: +5e-1,2E0,T0\n", 200.5f,
       800.5f},
      {"an entry ended by \"$$\" is replaced by a later one",
       "$$ Cal Function 1: 0.5,2.0\r\n$$ Other: x\r\n$$ Cal Function 1: 1.0,3.0,T0\r\n", 301.0f,
       1201.0f},
      {"no newline after the type", "$$ Cal Function 1: 0.5,2.0,T0", 200.5f, 800.5f},
  };
  for (const HeaderCase& c : cases) {
    TempDir tmp;
    RawDirBuilder raw(tmp.File("hdr.raw"));
    raw.Functions(0)
        .Scans({2}, kCalibratedFlag)
        .Data(Format0(100, 1) + Format0(400, 1))
        .Header(c.header);
    ReadResult r = ReadCounted(raw.Dir());
    ASSERT_EQ(r.status, 0) << c.what;
    ASSERT_EQ(r.masses.size(), 2u);
    EXPECT_FLOAT_EQ(r.masses[0], c.mass100) << c.what;
    EXPECT_FLOAT_EQ(r.masses[1], c.mass400) << c.what;
  }
}

TEST(Kelpread, RealFiveTermCalibrationAgreesWithADoubleEvaluation) {
  // The calibration line of a real run (shared/data masslynx blue.raw).
  const double c[] = {-3.924445963614183e-1, 1.000252977448459e0, -2.429571643077414e-7,
                      1.123763027703513e-10, -1.751552988608531e-14};
  TempDir tmp;
  RawDirBuilder raw(tmp.File("five.raw"));
  const double masses[] = {160.0, 523.5, 899.9921875};
  std::string dat;
  for (double m : masses)
    dat += Format0(m, 1);
  raw.Functions(0)
      .Scans({3}, kCalibratedFlag)
      .Data(dat)
      .Header(
          "$$ Cal Function 1: -3.924445963614183e-1,1.000252977448459e0,-2.429571643077414e-7,"
          "1.123763027703513e-10,-1.751552988608531e-14,T0\r\n$$ Cal StdDev Function 1: "
          "1.712671494250357e-2\r\n");
  ReadResult r = ReadCounted(raw.Dir());
  ASSERT_EQ(r.status, 0);
  for (size_t i = 0; i < 3; ++i) {
    double expected = 0;
    for (int k = 0; k < 5; ++k)
      expected += c[k] * std::pow(masses[i], k);
    // Rounding to a float after every step costs a few float steps (at most
    // 6e-5 near 900) against the exact value.
    EXPECT_NEAR(r.masses[i], expected, 2e-4) << masses[i];
    EXPECT_NE(r.masses[i], static_cast<float>(masses[i]));
  }
}

TEST(Kelpread, BrokenCalibrationEntriesGiveAStatus) {
  struct Case {
    const char* what;
    const char* header;  // nullptr: no _HEADER.TXT
    int16_t status;
  };
  const Case cases[] = {
      {"coefficient that is no number", "$$ Cal Function 1: 0.5,abc,T0\r\n", KELP_UNKNOWN_FORMAT},
      {"coefficient with a comma decimal", "$$ Cal Function 1: 0,5;2,0,T0\r\n",
       KELP_UNKNOWN_FORMAT},
      {"text ends inside the entry", "$$ Cal Function 1: 0.5,2.0\r\n", KELP_INPUT_PAST_END},
      {"no header at all", nullptr, KELP_FILE_NOT_FOUND},
  };
  for (const Case& c : cases) {
    TempDir tmp;
    RawDirBuilder raw(tmp.File("badcal.raw"));
    raw.Functions(0).Scans({1}, kCalibratedFlag).Data(Format0(100, 1));
    if (c.header) raw.Header(c.header);
    EXPECT_EQ(ReadCounted(raw.Dir()).status, c.status) << c.what;
  }
}

// ----------------------------------------------------------------- safety

// Builds a consistent format-0 run of `scans` scans of two points.
void BuildRun(RawDirBuilder& raw, int scans) {
  std::string dat;
  for (int s = 0; s < scans; ++s)
    dat += Format0(100, 1) + Format0(200, 2);
  raw.Functions(0).Scans(std::vector<uint32_t>(static_cast<size_t>(scans), 2)).Data(dat);
}

TEST(Kelpread, FilesThatChangedSinceTheyWereCountedAreRefused) {
  struct Case {
    const char* what;
    std::function<void(RawDirBuilder&)> change;
    int16_t status;
  };
  const Case cases[] = {
      {"a scan was added", [](RawDirBuilder& r) { BuildRun(r, 4); }, KELP_OUT_OF_RANGE},
      {"only the data grew",
       [](RawDirBuilder& r) {
         r.Data(Format0(100, 1) + Format0(200, 2) + Format0(100, 1) + Format0(200, 2) +
                Format0(100, 1) + Format0(200, 2) + Format0(300, 3));
       },
       KELP_OUT_OF_RANGE},
      {"only the index grew",
       [](RawDirBuilder& r) {
         r.Scans({2, 2, 2, 0});
       },
       KELP_OUT_OF_RANGE},
      {"a scan was removed", [](RawDirBuilder& r) { BuildRun(r, 2); }, KELP_INPUT_PAST_END},
  };
  for (const Case& c : cases) {
    TempDir tmp;
    RawDirBuilder raw(tmp.File("changing.raw"));
    BuildRun(raw, 3);
    InfoResult info = Info(raw.Dir());
    ASSERT_EQ(info.status, 0);
    c.change(raw);
    // Read() fails the test if anything lands past the arrays sized from
    // the first count.
    ReadResult r =
        Read(raw.Dir(), static_cast<size_t>(info.points), static_cast<size_t>(info.scans));
    EXPECT_EQ(r.status, c.status) << c.what;
  }
}

TEST(Kelpread, TruncatedAndDisagreeingFilesGiveInputPastEnd) {
  struct Case {
    const char* what;
    std::function<void(RawDirBuilder&)> build;
  };
  const Case cases[] = {
      // Kelpinfo counts 167 points in 1000 bytes; the last record has 4 of its 6 bytes.
      {"format 8 data of 1000 bytes",
       [](RawDirBuilder& r) { r.Functions(8).Scans({167}).Data(std::string(1000, '\0')); }},
      {"format 0 data with a stray byte",
       [](RawDirBuilder& r) { r.Functions(0).Scans({1}).Data(Format0(100, 1) + "x"); }},
      {"format 1 data of a record and a half (3 points counted)",
       [](RawDirBuilder& r) { r.Functions(1).Scans({3}).Data(std::string(15, '\x08')); }},
      {"index of three records and 7 bytes (rounds down)",
       [](RawDirBuilder& r) {
         BuildRun(r, 3);
         r.Index(ReadAll(r.Dir() + "_FUNC001.IDX") + std::string(7, '\0'));
       }},
      {"index of three records and 15 bytes (rounds up)",
       [](RawDirBuilder& r) {
         BuildRun(r, 3);
         r.Index(ReadAll(r.Dir() + "_FUNC001.IDX") + std::string(15, '\0'));
       }},
      {"a point count field larger than the file",
       [](RawDirBuilder& r) {
         r.Functions(0).Scans({0xFFFFFF}).Data(Format0(100, 1) + Format0(200, 1));
       }},
      {"point counts one more than the data",
       [](RawDirBuilder& r) {
         r.Functions(0).Scans({2, 1}).Data(Format0(100, 1) + Format0(200, 1));
       }},
      {"selected-ion channels beyond a short function file",
       [](RawDirBuilder& r) {
         r.File("_FUNCTNS.INF", FunctionRecord(2, std::vector<float>(50, 10.0f)).substr(0, 300))
             .Scans({50})
             .Data(std::string(100, '\x10'));
       }},
  };
  for (const Case& c : cases) {
    TempDir tmp;
    RawDirBuilder raw(tmp.File("short.raw"));
    c.build(raw);
    EXPECT_EQ(ReadCounted(raw.Dir(), true).status, KELP_INPUT_PAST_END) << c.what << " (sized)";
    EXPECT_EQ(ReadCounted(raw.Dir(), false).status, KELP_INPUT_PAST_END) << c.what << " (plain)";
  }
}

TEST(Kelpread, FewerCountedPointsThanDataIsNotAnError) {
  // The counts are handed back as they are; the caller decides.
  TempDir tmp;
  RawDirBuilder raw(tmp.File("fewer.raw"));
  raw.Functions(0).Scans({1}).Data(Format0(100, 1) + Format0(200, 2));
  ReadResult r = ReadCounted(raw.Dir());
  ASSERT_EQ(r.status, 0);
  EXPECT_THAT(r.masses, ElementsAre(100.0f, 200.0f));
  EXPECT_THAT(r.counts, ElementsAre(1));
}

TEST(Kelpread, SelectedIonChannelCountMustFitTheChannelList) {
  struct Case {
    const char* what;
    std::vector<uint32_t> counts;
    size_t channels;
    int16_t status;
  };
  const Case cases[] = {
      {"first scan without points", {0, 2}, 2, KELP_OUT_OF_RANGE},
      {"65 channels", {65}, 65, KELP_OUT_OF_RANGE},
      {"64 channels fill the record", {64}, 64, KELP_OK},
  };
  for (const Case& c : cases) {
    TempDir tmp;
    RawDirBuilder raw(tmp.File("chan.raw"));
    std::vector<float> channels(c.channels);
    for (size_t i = 0; i < channels.size(); ++i)
      channels[i] = 100.0f + static_cast<float>(i);
    size_t points = 0;
    for (uint32_t n : c.counts)
      points += n;
    raw.Functions(2, channels).Scans(c.counts).Data(std::string(2 * points, '\x08'));
    ReadResult r = ReadCounted(raw.Dir());
    EXPECT_EQ(r.status, c.status) << c.what;
    if (c.status == KELP_OK) {
      EXPECT_EQ(r.masses.front(), 100.0f);
      EXPECT_EQ(r.masses.back(), 163.0f);
    }
  }
}

TEST(Kelpread, MissingFilesGiveFileNotFound) {
  TempDir tmp;
  RawDirBuilder noIdx(tmp.File("noidx.raw"));
  noIdx.Functions(0).Data(Format0(100, 1));
  EXPECT_EQ(Read(noIdx.Dir(), 1, 1).status, KELP_FILE_NOT_FOUND);
  RawDirBuilder noDat(tmp.File("nodat.raw"));
  noDat.Functions(0).Scans({1});
  EXPECT_EQ(Read(noDat.Dir(), 0, 1).status, KELP_FILE_NOT_FOUND);
  RawDirBuilder noInf(tmp.File("noinf.raw"));
  noInf.Scans({1}).Data(Format0(100, 1));
  EXPECT_EQ(Read(noInf.Dir(), 1, 1).status, KELP_FILE_NOT_FOUND);
  EXPECT_EQ(Read(tmp.File("absent.raw/"), 1, 1).status, KELP_PATH_NOT_FOUND);
}

TEST(Kelpread, MalformedSizesAfterTheNulAreAnInternalError) {
  TempDir tmp;
  RawDirBuilder raw(tmp.File("sizes.raw"));
  BuildRun(raw, 1);
  Library lib(LibraryPath("libkelpread.so"), "OpenMassLynxData");
  auto call = lib.Get<ReadProc>();
  ASSERT_NE(call, nullptr);
  std::vector<float> m(8), in(8), tic(8), rt(8);
  std::vector<int32_t> counts(8);
  for (std::string sizes : {"2", "2 ", "a 1", "2 1 0", "-2 1", "2  1", "99999999999 1",
                            "2 1                              "}) {
    std::string text = raw.Dir() + std::string(1, '\0') + sizes;
    int16_t status = KELP_STATUS_SIZES_FOLLOW;
    call(&status, text.c_str(), m.data(), in.data(), tic.data(), rt.data(), counts.data());
    EXPECT_EQ(status, KELP_INTERNAL_ERROR) << "\"" << sizes << "\"";
  }
  std::string good = raw.Dir() + std::string(1, '\0') + "2 1";
  int16_t status = KELP_STATUS_SIZES_FOLLOW;
  call(&status, good.c_str(), m.data(), in.data(), tic.data(), rt.data(), counts.data());
  EXPECT_EQ(status, 0);
}

TEST(Kelpread, NullArgumentsGiveAStatusInsteadOfACrash) {
  TempDir tmp;
  RawDirBuilder raw(tmp.File("null.raw"));
  BuildRun(raw, 1);
  Library lib(LibraryPath("libkelpread.so"), "OpenMassLynxData");
  auto call = lib.Get<ReadProc>();
  ASSERT_NE(call, nullptr);
  std::vector<float> m(2), in(2), tic(1), rt(1);
  std::vector<int32_t> counts(1);
  int16_t status = 1;
  call(&status, nullptr, m.data(), in.data(), tic.data(), rt.data(), counts.data());
  EXPECT_EQ(status, KELP_BAD_FILE_NAME_OR_NUMBER);
  status = 1;
  call(&status, raw.Dir().c_str(), nullptr, in.data(), tic.data(), rt.data(), counts.data());
  EXPECT_EQ(status, KELP_OUT_OF_RANGE);
  status = 1;
  call(&status, raw.Dir().c_str(), m.data(), in.data(), tic.data(), nullptr, counts.data());
  EXPECT_EQ(status, KELP_OUT_OF_RANGE);
  call(nullptr, raw.Dir().c_str(), m.data(), in.data(), tic.data(), rt.data(), counts.data());
}

}  // namespace
}  // namespace sorrel::test::raw

namespace sorrel::test::raw {
namespace {

// Damaged directories, made by cutting and overwriting the files of a valid
// run at random (fixed seed): whatever the damage, Kelpinfo and Kelpread
// answer with a status, and the reader stays inside the arrays sized from
// Kelpinfo's counts (Read() checks the guard values behind them).
TEST(Kelpread, RandomDamageGivesAStatusAndStaysInsideTheArrays) {
  std::mt19937 rng(20240601);
  const char* files[] = {"_FUNCTNS.INF", "_FUNC001.IDX", "_FUNC001.DAT", "_HEADER.TXT"};
  int statuses[100] = {};
  for (int round = 0; round < 120; ++round) {
    TempDir tmp;
    RawDirBuilder raw(tmp.File("damaged.raw"));
    const int formats[] = {0, 1, 2, 8, 9, 12};
    int format = formats[rng() % 6];
    std::string dat;
    for (int k = 0; k < 24; ++k)
      dat += format == 1 ? std::string(5, static_cast<char>(rng())) : Format0(50 + k, 1 + k % 7);
    if (format == 8 || format == 9) dat = std::string(6 * 24, '\x21');
    if (format == 2) dat = std::string(2 * 24, '\x19');
    raw.Functions(format, {100, 200, 300})
        .Scans({3, 3, 3, 3, 3, 3, 3, 3}, kCalibratedFlag)
        .Data(dat);
    raw.Header("$$ Cal Function 1: 0.5,2.0,T0\r\n");
    // One to three kinds of damage.
    for (int d = 1 + static_cast<int>(rng() % 3); d > 0; --d) {
      std::string name = files[rng() % 4];
      std::string bytes = ReadAll(raw.Dir() + name);
      switch (rng() % 3) {
        case 0:  // cut
          bytes.resize(bytes.empty() ? 0 : rng() % bytes.size());
          break;
        case 1:  // overwrite a few bytes
          for (int i = 0; i < 4 && !bytes.empty(); ++i)
            bytes[rng() % bytes.size()] = static_cast<char>(rng());
          break;
        case 2:  // append
          bytes += std::string(1 + rng() % 30, static_cast<char>(rng()));
          break;
      }
      raw.File(name, bytes);
    }
    InfoResult info = Info(raw.Dir());
    ASSERT_GE(info.status, 0);
    ASSERT_LT(info.status, 100);
    ++statuses[info.status];
    if (info.status != 0) continue;
    ASSERT_GE(info.points, 0);
    ASSERT_GE(info.scans, 0);
    // A count field overwritten with a large number could ask for up to
    // 2^24 points per scan; the arrays come from the file sizes only.
    ReadResult r =
        Read(raw.Dir(), static_cast<size_t>(info.points), static_cast<size_t>(info.scans));
    ASSERT_GE(r.status, 0);
    ASSERT_LT(r.status, 100);
    ++statuses[r.status];
  }
  // The damage did reach both outcomes.
  EXPECT_GT(statuses[0], 0);
  EXPECT_GT(statuses[KELP_INPUT_PAST_END], 0);
}

}  // namespace
}  // namespace sorrel::test::raw
