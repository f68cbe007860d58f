// Kelpinfo's GetFileParameters: counts from the file sizes, the format code
// of the first function, and the statuses of missing and short files.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "RawTestSupport.h"
#include "TempDir.h"

namespace sorrel::test::raw {
namespace {

struct CountCase {
  int format;
  size_t datBytes;
  int32_t points;  // size / bytes per point, rounded (hand-computed)
};

TEST(Kelpinfo, PointCountIsDataSizeOverRecordSizeRounded) {
  const CountCase cases[] = {
      {1, 1000, 200},                  // 1000 / 5
      {8, 1000, 167},                  // 1000 / 6 = 166.67
      {9, 1000, 167}, {0, 1000, 250},  // 1000 / 4
      {0, 1002, 250},                  // 250.5, half to even
      {0, 1006, 252},                  // 251.5, half to even
      {2, 1000, 500},                  // 1000 / 2
      {2, 1001, 500},                  // 500.5, half to even
      {12, 1000, 0},                   // no record size: no point count
      {11, 1000, 0},  {3, 1000, 0},
  };
  for (const CountCase& c : cases) {
    TempDir tmp;
    RawDirBuilder raw(tmp.File("run.raw"));
    raw.Functions(c.format).Scans({1, 1, 1}).Data(std::string(c.datBytes, '\x11'));
    InfoResult r = Info(raw.Dir());
    EXPECT_EQ(r.status, 0) << "format " << c.format << ", " << c.datBytes << " bytes";
    EXPECT_EQ(r.points, c.points) << "format " << c.format << ", " << c.datBytes << " bytes";
    EXPECT_EQ(r.scans, 3);
    EXPECT_EQ(r.format, c.format);
  }
}

TEST(Kelpinfo, ScanCountIsIndexSizeOver22Rounded) {
  const std::pair<size_t, int32_t> cases[] = {{2200, 100}, {0, 0},  {10, 0},
                                              {12, 1},     {33, 2}, {2211, 100}};
  for (auto [bytes, scans] : cases) {
    TempDir tmp;
    RawDirBuilder raw(tmp.File("run.raw"));
    raw.Functions(0).Index(std::string(bytes, '\0')).Data("");
    InfoResult r = Info(raw.Dir());
    EXPECT_EQ(r.status, 0) << bytes;
    EXPECT_EQ(r.scans, scans) << bytes << " index bytes";
    EXPECT_EQ(r.points, 0);
  }
}

TEST(Kelpinfo, ReportsTheFirstOfSeveralFunctions) {
  TempDir tmp;
  RawDirBuilder raw(tmp.File("three.raw"));
  // Function 1 in format 8; the records of functions 2 and 3 say format 11.
  raw.Functions(8, {}, 3).Scans({1, 2}).Data(std::string(18, '\0'));
  raw.File("_FUNC002.IDX", std::string(22 * 7, '\0')).File("_FUNC002.DAT", std::string(100, '\0'));
  InfoResult r = Info(raw.Dir());
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.format, 8);
  EXPECT_EQ(r.points, 3);
  EXPECT_EQ(r.scans, 2);
}

TEST(Kelpinfo, DirectoryTextEndsAtItsNulAndMayEndInADelimiter) {
  TempDir tmp;
  RawDirBuilder raw(tmp.File("run.raw"));
  raw.Functions(0).Scans({2}).Data(Format0(100, 1) + Format0(101, 2));
  std::string withoutDelimiter = raw.Dir().substr(0, raw.Dir().size() - 1);
  for (const std::string& text :
       {raw.Dir(), withoutDelimiter, withoutDelimiter + std::string("\0junk", 5)}) {
    Library lib(LibraryPath("libkelpinfo.so"), "GetFileParameters");
    InfoResult r;
    lib.Get<InfoProc>()(&r.status, text.c_str(), &r.points, &r.scans, &r.format);
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.points, 2);
    EXPECT_EQ(r.scans, 1);
  }
}

// Missing and short files: a status the program can show, and no count.
TEST(Kelpinfo, FileErrorsGiveTheirStatusAndNoCounts) {
  struct Case {
    const char* what;
    void (*build)(RawDirBuilder&);
    int16_t status;
  };
  const Case cases[] = {
      {"no _FUNCTNS.INF", [](RawDirBuilder& r) { r.Scans({1}).Data("1234"); }, KELP_FILE_NOT_FOUND},
      {"empty _FUNCTNS.INF",
       [](RawDirBuilder& r) { r.File("_FUNCTNS.INF", "").Scans({1}).Data("1234"); },
       KELP_INPUT_PAST_END},
      {"_FUNCTNS.INF of 200 bytes (no whole function)",
       [](RawDirBuilder& r) {
         r.File("_FUNCTNS.INF", FunctionRecord(0).substr(0, 200)).Scans({1}).Data("1234");
       },
       KELP_INPUT_PAST_END},
      {"no IDX", [](RawDirBuilder& r) { r.Functions(0).Data("1234"); }, KELP_FILE_NOT_FOUND},
      {"no DAT", [](RawDirBuilder& r) { r.Functions(0).Scans({1}); }, KELP_FILE_NOT_FOUND},
      {"IDX is a directory",
       [](RawDirBuilder& r) {
         r.Functions(0).Data("1234");
         ::mkdir((r.Dir() + "_FUNC001.IDX").c_str(), 0755);
       },
       KELP_PATH_FILE_ACCESS_ERROR},
  };
  for (const Case& c : cases) {
    TempDir tmp;
    RawDirBuilder raw(tmp.File("bad.raw"));
    c.build(raw);
    InfoResult r = Info(raw.Dir());
    EXPECT_EQ(r.status, c.status) << c.what;
    EXPECT_EQ(r.points, -1) << c.what;
    EXPECT_EQ(r.scans, -1) << c.what;
  }
}

TEST(Kelpinfo, MissingDirectoryIsPathNotFound) {
  TempDir tmp;
  InfoResult r = Info(tmp.File("nowhere.raw/"));
  EXPECT_EQ(r.status, KELP_PATH_NOT_FOUND);
  EXPECT_EQ(r.format, -1);
}

TEST(Kelpinfo, FormatsWithoutPointsDoNotNeedTheDataFile) {
  for (int format : {12, 11, 15}) {
    TempDir tmp;
    RawDirBuilder raw(tmp.File("nodat.raw"));
    raw.Functions(format).Scans({5, 6});
    InfoResult r = Info(raw.Dir());
    EXPECT_EQ(r.status, 0) << format;
    EXPECT_EQ(r.points, 0);
    EXPECT_EQ(r.scans, 2);
    EXPECT_EQ(r.format, format);
  }
}

TEST(Kelpinfo, NullArgumentsGiveAStatusInsteadOfACrash) {
  Library lib(LibraryPath("libkelpinfo.so"), "GetFileParameters");
  auto call = lib.Get<InfoProc>();
  ASSERT_NE(call, nullptr);
  int16_t status = 1;
  int32_t p = 0, s = 0;
  int16_t f = 0;
  call(&status, nullptr, &p, &s, &f);
  EXPECT_EQ(status, KELP_BAD_FILE_NAME_OR_NUMBER);
  status = 1;
  call(&status, "/tmp/x.raw", nullptr, &s, &f);
  EXPECT_EQ(status, KELP_OUT_OF_RANGE);
  call(nullptr, "/tmp/x.raw", &p, &s, &f);  // nowhere to report: nothing happens
}

}  // namespace
}  // namespace sorrel::test::raw
