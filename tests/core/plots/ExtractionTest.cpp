// What a run frame extracts from its store: the weighted range sum, the
// selected-ion chromatogram, the base peak chromatogram and the scan a run
// opens on. Every expected value is worked by hand in the comments.
#include <gtest/gtest.h>

#include <vector>

#include "core/common/Errors.h"
#include "core/plots/Extraction.h"
#include "core/spectrum/Spec.h"

using namespace sorrel;

namespace {

// A run whose scan i has the retention time i + 1 s and the spectrum
// `scans[i]`; the chromatogram's X in scan units is the scan index.
struct TestRun {
  TSpec spec;
  std::vector<double> scanX;
  explicit TestRun(const std::vector<tXYarray>& scans) {
    for (size_t i = 0; i < scans.size(); ++i) {
      spec.AddSSpec(static_cast<double>(i + 1), 0, scans[i]);
      scanX.push_back(static_cast<double>(i));
    }
  }
};

// Fifteen scans: scans 10 .. 12 hold (44.6, 10) and (45.4, 5), scans 2, 3,
// 13 and 14 hold (45.2, 50), the others (80, 1).
std::vector<tXYarray> FifteenScans() {
  std::vector<tXYarray> scans(15, tXYarray{{80, 1}});
  for (int i : {10, 11, 12})
    scans[i] = {{44.6f, 10}, {45.4f, 5}};
  for (int i : {2, 3, 13, 14})
    scans[i] = {{45.2f, 50}};
  return scans;
}

}  // namespace

TEST(SumRangeMass, WeightedSumOnUnitMasses) {
  TestRun run(FifteenScans());
  struct Case {
    const char* what;
    std::vector<WeightedRange> ranges;
    tXYarray expected;
  } cases[] = {
      // 44.6 and 45.4 both round to 45: 3 scans x (10 + 5).
      {"one range of weight 1", {{10, 12, 1}}, {{45, 45}}},
      // The background range comes first in the chromatogram: 0 - 50 is
      // clamped to 0 at once, twice, and the sum is still 45.
      {"background before", {{10, 12, 1}, {2, 3, -1}}, {{45, 45}}},
      // After the peak: 45 - 50 is -5, clamped to 0; 0 - 50 again 0.
      {"background after", {{10, 12, 1}, {13, 14, -1}}, {{45, 0}}},
      // Weight 2 counts the range twice: 90.
      {"weight 2", {{10, 12, 2}}, {{45, 90}}},
      {"weight 0", {{10, 12, 0}}, {{45, 0}}},
      // A scan inside two ranges takes the first range's weight.
      {"overlapping ranges", {{11, 11, 2}, {10, 12, 1}}, {{45, 60}}},
      // Scans 0 and 1 at m/z 80 and scan 2 at 45.2 -> 45: the grid runs
      // from 45 to 80 (36 unit masses), 80 gets 2 x 0.5 and 45 gets 25.
      {"a wide grid", {{0, 2, 0.5f}}, {}},
  };
  for (const Case& c : cases) {
    bool any = false;
    const tXYarray sum = SumRangeMass(run.spec, run.scanX, c.ranges, any);
    EXPECT_TRUE(any) << c.what;
    if (c.expected.empty()) {
      ASSERT_EQ(sum.size(), 36u) << c.what;
      EXPECT_EQ(sum.front(), (dPoint{45, 25})) << c.what;
      EXPECT_EQ(sum.back(), (dPoint{80, 1})) << c.what;
      for (size_t k = 1; k + 1 < sum.size(); ++k)
        EXPECT_EQ(sum[k], (dPoint{45.0f + float(k), 0})) << c.what;
    } else {
      EXPECT_EQ(sum, c.expected) << c.what;
    }
  }
}

TEST(SumRangeMass, HalvesRoundToEven) {
  // 50.5 rounds to 50 and 51.5 to 52: scans 0 and 1 (weight 2) put 2 x 2 x
  // 3 = 12 on 50, scan 2 (weight 0.5) puts 4 on 52; 51 stays 0.
  TestRun run({{{50.5f, 3}}, {{50.5f, 3}}, {{51.5f, 8}}});
  bool any = false;
  EXPECT_EQ(SumRangeMass(run.spec, run.scanX, {{0, 1, 2}, {2, 2, 0.5f}}, any),
            (tXYarray{{50, 12}, {51, 0}, {52, 4}}));
}

TEST(SumRangeMass, HalvesRoundToEvenAcrossZeroAndUpTo2To23) {
  // Halves go to the even neighbour on both sides of 0: -3.5 -> -4,
  // -2.5 and -1.5 -> -2, -0.5 and 0.5 -> 0, 1.5 and 2.5 -> 2, 3.5 -> 4.
  TestRun small({{{-3.5f, 1},
                  {-2.5f, 2},
                  {-1.5f, 4},
                  {-0.5f, 8},
                  {0.5f, 16},
                  {1.5f, 32},
                  {2.5f, 64},
                  {3.5f, 128}}});
  bool any = false;
  EXPECT_EQ(
      SumRangeMass(small.spec, small.scanX, {{0, 0, 1}}, any),
      (tXYarray{{-4, 1}, {-3, 0}, {-2, 6}, {-1, 0}, {0, 24}, {1, 0}, {2, 96}, {3, 0}, {4, 128}}));
  // Near 2^23 = 8388608, where 32-bit masses step by halves and then by
  // ones: 8388606.5 -> 8388606, 8388607.5 -> 8388608, 8388609 stays. (The
  // grid of masses above 9999 starts at 9999.)
  TestRun large({{{8388606.5f, 1}, {8388607.5f, 2}, {8388609.0f, 4}}});
  const tXYarray sum = SumRangeMass(large.spec, large.scanX, {{0, 0, 1}}, any);
  ASSERT_EQ(sum.size(), 8388609u - 9999u + 1u);
  EXPECT_EQ(tXYarray(sum.end() - 4, sum.end()),
            (tXYarray{{8388606, 1}, {8388607, 0}, {8388608, 2}, {8388609, 4}}));
}

TEST(SumRangeMass, NothingSelectedGivesAHundredZeroPoints) {
  TestRun run(FifteenScans());
  for (const std::vector<WeightedRange>& ranges :
       {std::vector<WeightedRange>{}, std::vector<WeightedRange>{{20, 30, 1}}}) {
    bool any = true;
    const tXYarray sum = SumRangeMass(run.spec, run.scanX, ranges, any);
    EXPECT_FALSE(any);
    ASSERT_EQ(sum.size(), 100u);
    for (size_t k = 0; k < 100; ++k)
      EXPECT_EQ(sum[k], (dPoint{float(k), 0}));
  }
}

TEST(SumRangeMass, HugeMasses) {
  // A mass of 1e30 at the end of a selected scan would size the grid: it
  // is refused with an error instead of being made an integer. Inside the
  // scan, out of order, it is off the grid and not counted.
  TestRun run({{{45, 1}, {1e30f, 2}}, {{45, 1}, {3e38f, 5}, {46, 2}}, {{-3e38f, 1}, {45, 1}}});
  bool any = false;
  EXPECT_THROW(SumRangeMass(run.spec, run.scanX, {{0, 0, 1}}, any), SorrelError);
  EXPECT_EQ(SumRangeMass(run.spec, run.scanX, {{1, 1, 1}}, any), (tXYarray{{45, 1}, {46, 2}}));
  EXPECT_THROW(SumRangeMass(run.spec, run.scanX, {{2, 2, 1}}, any), SorrelError);
}

TEST(BuildSIC, WeightedIntensityOfTheMassRangesPerScan) {
  TestRun run({{{44.6f, 10}, {45.4f, 5}, {78, 2}},
               {{45, 7}},
               {{45, 1}, {78, 3}},
               {},
               {{100, 9}, {3e38f, 4}}});
  // Scan 0: 10 + 5 - 2 = 13. Scan 1: 7. Scan 2: 1 - 3 is clamped to 0.
  // Scan 3 has no points, scan 4 none in a range (3e38 is simply outside).
  const tXYarray sic = BuildSIC(run.spec, {{44.5, 45.5, 1}, {77.5, 78.5, -1}});
  EXPECT_EQ(sic, (tXYarray{{1, 13}, {2, 7}, {3, 0}, {4, 0}, {5, 0}}));
  // A weight of 2 counts twice: 2 x (10 + 5) in scan 0, 2 x 7 in scan 1.
  EXPECT_EQ(BuildSIC(run.spec, {{44.5, 45.5, 2}}),
            (tXYarray{{1, 30}, {2, 14}, {3, 2}, {4, 0}, {5, 0}}));
  // Without ranges: zero at every retention time.
  EXPECT_EQ(BuildSIC(run.spec, {}), (tXYarray{{1, 0}, {2, 0}, {3, 0}, {4, 0}, {5, 0}}));
}

TEST(BuildBPI, LargestIntensityOfEachScan) {
  // 7 is the largest of 3, 7, 5; -2 of -2 and -5; a scan without points has
  // no intensity.
  TestRun run({{{50, 3}, {51, 7}, {52, 5}}, {{50, -2}, {51, -5}}, {}});
  EXPECT_EQ(BuildBPI(run.spec), (tXYarray{{1, 7}, {2, -2}, {3, 0}}));
}

TEST(InitialScan, FirstOfTheLargestTotal) {
  struct Case {
    tXYarray chrom;
    int32_t scan;
  } cases[] = {
      {{{1, 5}, {2, 9}, {3, 9}}, 1},
      {{{1, 0}, {2, 0}}, 0},
      {{{1, -3}, {2, -1}}, 0},  // only totals above 0 count
      {{}, 0},
  };
  for (const Case& c : cases)
    EXPECT_EQ(InitialScan(c.chrom), c.scan);
}

TEST(SumRangeMass, APointOutOfOrderCountsWhereTheWholeGridHoldsIt) {
  // Scan 0 runs from 45 to 46 with 60 in between (out of order); scan 1
  // spans 40 to 80. The grid of the whole selection is 40 .. 80, so 60
  // counts 5 although it lay off the grid known when scan 0 was read.
  TestRun run({{{45, 1}, {60, 5}, {46, 2}}, {{40, 1}, {80, 1}}});
  bool any = false;
  const tXYarray sum = SumRangeMass(run.spec, run.scanX, {{0, 1, 1}}, any);
  ASSERT_EQ(sum.size(), 41u);
  for (const dPoint& p : sum) {
    const float expected = p[0] == 40 || p[0] == 45 || p[0] == 80 ? 1.0f
                           : p[0] == 46                           ? 2.0f
                           : p[0] == 60                           ? 5.0f
                                                                  : 0.0f;
    EXPECT_EQ(p[1], expected) << "m/z " << p[0];
  }
  // Alone, scan 0's grid is 45 .. 46 and 60 lies off it.
  EXPECT_EQ(SumRangeMass(run.spec, run.scanX, {{0, 0, 1}}, any), (tXYarray{{45, 1}, {46, 2}}));
}

TEST(Extraction, ProgressIsToldEveryScanAndCanStopTheWork) {
  TestRun run(FifteenScans());
  std::vector<std::pair<int32_t, int32_t>> told;
  auto record = [&told](int32_t done, int32_t total) {
    told.emplace_back(done, total);
    return true;
  };
  bool any = false;
  // Scans 10 .. 12 lie in the range: three reads of three.
  SumRangeMass(run.spec, run.scanX, {{10, 12, 1}}, any, record);
  EXPECT_EQ(told, (std::vector<std::pair<int32_t, int32_t>>{{1, 3}, {2, 3}, {3, 3}}));
  told.clear();
  BuildSIC(run.spec, {{44.5, 45.5, 1}}, record);
  ASSERT_EQ(told.size(), 15u);
  EXPECT_EQ(told.back(), (std::pair<int32_t, int32_t>{15, 15}));
  told.clear();
  BuildBPI(run.spec, record);
  EXPECT_EQ(told.size(), 15u);

  int calls = 0;
  auto stopAtTwo = [&calls](int32_t done, int32_t) {
    ++calls;
    return done < 2;
  };
  EXPECT_THROW(SumRangeMass(run.spec, run.scanX, {{0, 14, 1}}, any, stopAtTwo), WorkCancelled);
  EXPECT_EQ(calls, 2);
  EXPECT_THROW(BuildSIC(run.spec, {{44.5, 45.5, 1}}, stopAtTwo), WorkCancelled);
  EXPECT_THROW(BuildBPI(run.spec, stopAtTwo), WorkCancelled);
}

TEST(WaterfallScans, EveryStepthScan) {
  struct Case {
    int32_t nSpec;
    int32_t step;
  } cases[] = {{45, 2}, {20, 1}, {21, 1}, {40, 2}, {41, 2}, {1000, 50}, {1, 1}};
  for (const Case& c : cases) {
    std::vector<int32_t> expected;
    for (int32_t i = 0; i < c.nSpec; i += c.step)
      expected.push_back(i);
    EXPECT_EQ(WaterfallScans(c.nSpec), expected) << c.nSpec;
  }
  // 45 scans: 0, 2, ..., 44 (23 traces); none without scans.
  EXPECT_EQ(WaterfallScans(45).size(), 23u);
  EXPECT_EQ(WaterfallScans(45).back(), 44);
  EXPECT_TRUE(WaterfallScans(0).empty());
}
