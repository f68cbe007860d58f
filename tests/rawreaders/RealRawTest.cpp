// The libraries on three real raw directories (tests/data/masslynx, copied
// from shared/data/masslynx; see tests/data/SOURCES.md). The expected
// values were read from the files' bytes by hand:
//   indigo.raw  _FUNCTNS.INF begins 01 09: word 0x0901, format
//               (0x0901 & 0x3C00) / 1024 = 2 (selected ions); channel 1 at
//               offset 160 is 00 80 05 44 = 534.0f. IDX 85030 bytes = 3865
//               scans of one point each; DAT 7730 bytes = 3865 words. Scan 0:
//               word 27849 = 0x6CC9 -> (0x6CC8 / 8 = 3481) * 4 = 13924; its
//               IDX record gives tic 13922.662109375 and rt 0.0033333334 min.
//   white.raw   begins 09 2D: word 0x2D09, format 11 (rejected).
//   blue.raw    begins 00 31: word 0x3100, format 12 (points not decoded);
//               IDX 15950 bytes = 725 scans, the first with the packed word
//               0x08000159: 345 points; 288980 points in all.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <numeric>

#include "RawTestSupport.h"
#include "TempDir.h"

namespace sorrel::test::raw {
namespace {

using ::testing::Each;

std::string Fixture(const char* name) {
  return TestData(std::string("masslynx/") + name + "/");
}

TEST(RealRaw, SelectedIonRunGivesOnePointPerScanAtTheChannelMass) {
  std::string dir = Fixture("indigo.raw");
  InfoResult info = Info(dir);
  ASSERT_EQ(info.status, 0);
  EXPECT_EQ(info.format, 2);
  EXPECT_EQ(info.points, 3865);
  EXPECT_EQ(info.scans, 3865);
  ReadResult r = Read(dir, 3865, 3865);
  ASSERT_EQ(r.status, 0);
  EXPECT_THAT(r.masses, Each(534.0f));
  EXPECT_THAT(r.counts, Each(1));
  EXPECT_EQ(r.intensities[0], 13924.0f);
  EXPECT_EQ(r.tic[0], 13922.662109375f);
  EXPECT_EQ(r.rt[0], 0.0033333334140479565f);
  EXPECT_TRUE(std::is_sorted(r.rt.begin(), r.rt.end()));
  EXPECT_GT(r.rt.back(), 12.99f);
}

TEST(RealRaw, RejectedFormatGivesStatus5) {
  std::string dir = Fixture("white.raw");
  InfoResult info = Info(dir);
  ASSERT_EQ(info.status, 0);
  EXPECT_EQ(info.format, 11);
  EXPECT_EQ(info.points, 0);
  EXPECT_EQ(info.scans, 259);
  EXPECT_EQ(Read(dir, 0, 259).status, KELP_UNKNOWN_FORMAT);
}

TEST(RealRaw, Format12GivesScansWithoutPoints) {
  // The fixture leaves out the 2.3 MB _FUNC001.DAT: neither library reads
  // it for this format. The full directory in shared/data gives the same.
  for (std::string dir : {Fixture("blue.raw"), SharedData("masslynx/blue.raw")}) {
    if (dir.empty()) continue;
    if (dir.back() != '/') dir += "/";
    InfoResult info = Info(dir);
    ASSERT_EQ(info.status, 0) << dir;
    EXPECT_EQ(info.format, 12);
    EXPECT_EQ(info.points, 0);
    EXPECT_EQ(info.scans, 725);
    ReadResult r = Read(dir, 0, 725);
    ASSERT_EQ(r.status, 0);
    EXPECT_EQ(r.counts[0], 345);
    EXPECT_EQ(std::accumulate(r.counts.begin(), r.counts.end(), int64_t{0}), 288980);
  }
}

TEST(RealRaw, SharedCopiesReadTheSameAsTheFixtures) {
  std::string shared = SharedData("masslynx/indigo.raw");
  if (shared.empty()) GTEST_SKIP() << "shared/data is absent";
  ReadResult a = ReadCounted(shared + "/");
  ReadResult b = ReadCounted(Fixture("indigo.raw"));
  ASSERT_EQ(a.status, 0);
  EXPECT_EQ(a.masses, b.masses);
  EXPECT_EQ(a.intensities, b.intensities);
  EXPECT_EQ(a.rt, b.rt);
}

}  // namespace
}  // namespace sorrel::test::raw
