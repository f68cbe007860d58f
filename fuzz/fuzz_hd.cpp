// HD run files with their index file. The input is
//   byte 0     flags: 1 pad the run to 24 KiB, 2 write the index file,
//              4 the run file is given whole, 8 stamp the index with the
//              run's creation date and size in KiB and its number of
//              scans (so that an index of the format is taken), 16 append
//              the stamp this program gives its own index files (the run
//              file's length, inode and modification time), which no input
//              could guess
//   bytes 1-2  length L of the index file (little-endian)
//   bytes 3-10 unless flag 4: magic, creation_date, number_of_scans of the
//              run header (the rest of the header is zero)
//   L bytes    the index file
//   the rest   the run file from its first scan header on (flag 4: the
//              whole run file)
// Any such pair opens or is refused with a message. A run indexed afresh
// gives every scan the same points whether it is read through the index or
// by stepping over the scans before it, and its chromatogram holds each
// scan's total intensity. Saved as an HD file and opened again, the run
// holds the same scans.
#include <sys/stat.h>

#include <cmath>
#include <cstdlib>
#include <cstring>

#include "FuzzSupport.h"
#include "core/common/Directories.h"
#include "core/common/Errors.h"
#include "core/spectrum/HDIndex.h"
#include "core/spectrum/Spec.h"

using namespace sorrel;

namespace {

// Most scans compared per input: a header can claim 65535.
constexpr int32_t kMaxScansChecked = 300;

template <typename T>
T Take(const uint8_t*& p, size_t& left) {
  T v{};
  if (left >= sizeof v) {
    std::memcpy(&v, p, sizeof v);
    p += sizeof v;
    left -= sizeof v;
  } else {
    left = 0;
  }
  return v;
}

// Every scan of the store, or false when one cannot be read.
bool ReadAll(TSpec& s, std::vector<tXYarray>& scans) {
  scans.clear();
  const int32_t n = std::min(s.NSpec(), kMaxScansChecked);
  try {
    for (int32_t i = 0; i < n; ++i)
      scans.push_back(s.GetMass(i));
  } catch (const SorrelError&) {
    return false;
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::YesUi& ui = fuzz::InstallYesUi();
  SetProgramDir(fuzz::ScratchDir());  // the index's fallback Temp/ goes there
  const uint8_t* p = data;
  size_t left = size;
  const uint8_t flags = Take<uint8_t>(p, left);
  const size_t indexLen = std::min<size_t>(Take<uint16_t>(p, left), left);

  std::string run;
  rRun_Stats header{};
  if (!(flags & 4)) {
    header.magic = Take<uint16_t>(p, left);
    header.creation_date = Take<uint32_t>(p, left);
    header.number_of_scans = Take<uint16_t>(p, left);
  }
  std::string index(reinterpret_cast<const char*>(p), std::min(indexLen, left));
  p += index.size();
  left -= index.size();
  if (flags & 4) {
    run.assign(reinterpret_cast<const char*>(p), left);
    if (run.size() >= kRunStatsStoredSize) std::memcpy(&header, run.data(), kRunStatsStoredSize);
  } else {
    run.assign(kFirstScanOffset, '\0');
    std::memcpy(run.data(), &header, kRunStatsStoredSize);
    run.append(reinterpret_cast<const char*>(p), left);
  }
  if ((flags & 1) && run.size() < 24 * 1024) run.resize(24 * 1024, '\0');

  const std::string path = fuzz::ScratchDir() + "run.R01";
  const std::string indexPath = fuzz::ScratchDir() + "run.x01";
  fuzz::WriteScratch("run.R01", reinterpret_cast<const uint8_t*>(run.data()), run.size());
  std::remove(indexPath.c_str());
  if (flags & 2) {
    if ((flags & 8) && index.size() >= 10) {
      uint32_t kib = static_cast<uint32_t>(run.size() / 1024);
      std::memcpy(index.data(), &header.creation_date, 4);
      std::memcpy(index.data() + 4, &kib, 4);
      std::memcpy(index.data() + 8, &header.number_of_scans, 2);
    }
    if (flags & 16) {
      struct stat st {};
      if (stat(path.c_str(), &st) != 0) std::abort();
      const uint64_t stamp[3] = {static_cast<uint64_t>(st.st_size),
                                 static_cast<uint64_t>(st.st_ino),
                                 static_cast<uint64_t>(st.st_mtim.tv_sec) * 1000000000 +
                                     static_cast<uint64_t>(st.st_mtim.tv_nsec)};
      index.append(kHDIndexStampTag, sizeof kHDIndexStampTag);
      index.append(reinterpret_cast<const char*>(stamp), sizeof stamp);
    }
    fuzz::WriteScratch("run.x01", reinterpret_cast<const uint8_t*>(index.data()), index.size());
  }

  TSpec spec;
  if (!spec.OpenFile(path)) return 0;
  if (spec.NSpec() != header.number_of_scans || !spec.HDindex()) std::abort();
  std::vector<tXYarray> scans;
  const bool readable = ReadAll(spec, scans);
  for (const tXYarray& s : scans)
    for (const dPoint& pt : s)
      if (!std::isfinite(pt[0]) || !std::isfinite(pt[1])) std::abort();
  // A stored index that passed its checks may still point anywhere inside
  // the run; only a run indexed afresh has points to hold against.
  if (spec.HDindex()->UsedIndexFile || !readable) return 0;

  // Intensities below 2^24 are exact as floats (2^24 itself may stand for
  // 2^24 + 1): their totals can be checked.
  std::vector<bool> exact(scans.size(), true);
  for (size_t k = 0; k < scans.size(); ++k) {
    int64_t sum = 0;
    for (const dPoint& pt : scans[k]) {
      exact[k] = exact[k] && std::fabs(pt[1]) < 16777216.0f;
      sum += static_cast<int64_t>(pt[1]);
    }
    if (exact[k] && spec.Chrom[k][1] != static_cast<float>(sum)) std::abort();
  }
  {
    // The same scans without the index: stepping over the scans before.
    ui.lastMessage.clear();
    for (size_t k = 0; k < scans.size(); ++k) {
      tXYarray s;
      try {
        s = ReadHDScan(path, static_cast<int32_t>(k), nullptr);
      } catch (const SorrelError&) {
        std::abort();
      }
      // Stepping over the scans reads every scan header on the way and
      // stops, with its message, at one that holds no peak list; the index
      // looked only at the first.
      if (s.empty() && ui.lastMessage.rfind("The file is not nominal mass", 0) == 0) break;
      if (s != scans[k]) std::abort();
    }
  }

  // Saved and opened again: the same scans, the same totals.
  if (spec.NSpec() > kMaxScansChecked) return 0;
  const std::string out = fuzz::ScratchDir() + "out.R02";
  if (!spec.SaveFile(out)) std::abort();
  TSpec back;
  if (!back.OpenFile(out) || back.NSpec() != spec.NSpec()) std::abort();
  std::vector<tXYarray> again;
  if (!ReadAll(back, again) || again != scans) std::abort();
  for (size_t k = 0; k < scans.size(); ++k)
    if (exact[k] && back.Chrom[k][1] != spec.Chrom[k][1]) std::abort();
  return 0;
}
