#pragma once
// Calls of the two library exports as the program makes them, with the
// arrays guarded: every array gets a tail of sentinel values that the
// reader must leave alone.
#include <string>
#include <vector>

#include "RawDirBuilder.h"
#include "rawreaders/KelpInterface.h"

namespace sorrel::test::raw {

inline std::string LibraryPath(const char* file) {
  return std::string(SORREL_BIN_DIR) + "/" + file;
}

struct InfoResult {
  int16_t status = 1;
  int32_t points = -1;
  int32_t scans = -1;
  int16_t format = -1;
};

// GetFileParameters with the status preset to 1 and the outputs preset to
// -1, so that what the library leaves untouched shows.
inline InfoResult Info(const std::string& dir) {
  Library lib(LibraryPath("libkelpinfo.so"), "GetFileParameters");
  InfoResult r;
  if (auto call = lib.Get<InfoProc>()) call(&r.status, dir.c_str(), &r.points, &r.scans, &r.format);
  return r;
}

struct ReadResult {
  int16_t status = 1;
  std::vector<float> masses, intensities, tic, rt;
  std::vector<int32_t> counts;
};

constexpr size_t kGuard = 64;
constexpr float kSentinel = -7777.25f;

// OpenMassLynxData with arrays of `points` and `scans` elements. `sized`:
// the program's way (status preset KELP_STATUS_SIZES_FOLLOW, the sizes
// after the directory's NUL); otherwise a plain call with the status
// preset to 1. Fails the test when anything past the arrays was written.
inline ReadResult Read(const std::string& dir, size_t points, size_t scans, bool sized = true) {
  Library lib(LibraryPath("libkelpread.so"), "OpenMassLynxData");
  std::vector<float> m(points + kGuard, kSentinel), in(points + kGuard, kSentinel),
      tic(scans + kGuard, kSentinel), rt(scans + kGuard, kSentinel);
  std::vector<int32_t> counts(scans + kGuard, -77);
  std::string text = dir;
  ReadResult r;
  if (sized) {
    text.push_back('\0');
    text += std::to_string(points) + " " + std::to_string(scans);
    r.status = KELP_STATUS_SIZES_FOLLOW;
  }
  if (auto call = lib.Get<ReadProc>())
    call(&r.status, text.c_str(), m.data(), in.data(), tic.data(), rt.data(), counts.data());
  for (size_t i = 0; i < kGuard; ++i) {
    EXPECT_EQ(m[points + i], kSentinel) << "mass written past the array at " << points + i;
    EXPECT_EQ(in[points + i], kSentinel) << "intensity written past the array";
    EXPECT_EQ(tic[scans + i], kSentinel) << "total ion current written past the array";
    EXPECT_EQ(rt[scans + i], kSentinel) << "retention time written past the array";
    EXPECT_EQ(counts[scans + i], -77) << "point count written past the array";
  }
  m.resize(points);
  in.resize(points);
  tic.resize(scans);
  rt.resize(scans);
  counts.resize(scans);
  r.masses = m;
  r.intensities = in;
  r.tic = tic;
  r.rt = rt;
  r.counts = counts;
  return r;
}

// Kelpinfo's counts, then Kelpread with arrays of those sizes.
inline ReadResult ReadCounted(const std::string& dir, bool sized = true) {
  InfoResult info = Info(dir);
  EXPECT_EQ(info.status, 0) << "GetFileParameters on " << dir;
  if (info.status != 0) return ReadResult{info.status, {}, {}, {}, {}, {}};
  return Read(dir, static_cast<size_t>(info.points), static_cast<size_t>(info.scans), sized);
}

}  // namespace sorrel::test::raw
