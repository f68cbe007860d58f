// MassLynx raw directories through both reader libraries. The input is
//   byte 0     flags: 1 tell Kelpread one point fewer than Kelpinfo
//              counted, 2 one scan fewer, 4 one point more
//   bytes 1-6  lengths of _FUNCTNS.INF, _FUNC001.IDX and _HEADER.TXT
//              (16 bits each, little-endian)
//   then those three files and, with the rest, _FUNC001.DAT,
// written to a .raw directory. Both exports are called as the program
// calls them, into arrays of exactly the sizes told, so that any write past
// them is caught; told wrong sizes the reader refuses instead of writing.
// The same directory then goes through the store's OpenFile, which reads
// it or refuses it with a message or an error.
#include <dlfcn.h>
#include <sys/stat.h>

#include <cmath>
#include <cstdlib>
#include <cstring>

#include "FuzzSupport.h"
#include "core/common/Directories.h"
#include "core/common/Errors.h"
#include "core/spectrum/Spec.h"
#include "rawreaders/KelpInterface.h"

using namespace sorrel;

namespace {

// The libraries stay loaded for the whole run: the program's own loading
// and unloading then never unmaps their coverage counters.
struct Libraries {
  KelpGetFileParameters info = nullptr;
  KelpOpenMassLynxData read = nullptr;
  Libraries() {
    void* i = dlopen((ProgramDir() + "libkelpinfo.so").c_str(), RTLD_NOW | RTLD_LOCAL);
    void* r = dlopen((ProgramDir() + "libkelpread.so").c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!i || !r) std::abort();
    info = reinterpret_cast<KelpGetFileParameters>(dlsym(i, "GetFileParameters"));
    read = reinterpret_cast<KelpOpenMassLynxData>(dlsym(r, "OpenMassLynxData"));
    if (!info || !read) std::abort();
  }
};

const Libraries& Libs() {
  static Libraries libs;
  return libs;
}

uint16_t Length(const uint8_t* p) {
  return static_cast<uint16_t>(p[0] | (p[1] << 8));
}

// Kelpread into arrays of exactly `points` and `scans` elements.
int16_t Read(const std::string& dir, size_t points, size_t scans, bool sized) {
  std::vector<float> m(points), in(points), tic(scans), rt(scans);
  std::vector<int32_t> counts(scans);
  std::string text = dir;
  int16_t status = 1;
  if (sized) {
    text.push_back('\0');
    text += std::to_string(points) + " " + std::to_string(scans);
    status = KELP_STATUS_SIZES_FOLLOW;
  }
  Libs().read(&status, text.c_str(), m.data(), in.data(), tic.data(), rt.data(), counts.data());
  if (status == KELP_OK)
    for (int32_t c : counts)
      if (c < 0) std::abort();
  return status;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::InstallYesUi();
  Libs();
  if (size < 7) return 0;
  const uint8_t flags = data[0];
  size_t lengths[3] = {Length(data + 1), Length(data + 3), Length(data + 5)};
  const uint8_t* p = data + 7;
  size_t left = size - 7;
  const std::string dir = fuzz::ScratchDir() + "run.raw/";
  ::mkdir(dir.c_str(), 0700);
  const char* names[3] = {"run.raw/_FUNCTNS.INF", "run.raw/_FUNC001.IDX", "run.raw/_HEADER.TXT"};
  for (int k = 0; k < 3; ++k) {
    const size_t n = std::min(lengths[k], left);
    fuzz::WriteScratch(names[k], p, n);
    p += n;
    left -= n;
  }
  fuzz::WriteScratch("run.raw/_FUNC001.DAT", p, left);

  int16_t status = 1;
  int32_t points = -1, scans = -1;
  int16_t format = -1;
  Libs().info(&status, dir.c_str(), &points, &scans, &format);
  if (status == KELP_OK) {
    if (points < 0 || scans < 0) std::abort();
    // At most a few million points: what a fuzzed file of 64 KiB can hold.
    Read(dir, static_cast<size_t>(points), static_cast<size_t>(scans), false);
    const int16_t told = Read(dir, static_cast<size_t>(points), static_cast<size_t>(scans), true);
    size_t fewerPoints = static_cast<size_t>(points) - ((flags & 1) && points > 0 ? 1 : 0);
    size_t fewerScans = static_cast<size_t>(scans) - ((flags & 2) && scans > 0 ? 1 : 0);
    size_t morePoints = fewerPoints + ((flags & 4) ? 1 : 0);
    if (morePoints != static_cast<size_t>(points) || fewerScans != static_cast<size_t>(scans)) {
      const int16_t wrong = Read(dir, morePoints, fewerScans, true);
      // Told other sizes than the files hold, a reader that read them
      // when told the right ones refuses.
      if (told == KELP_OK && wrong == KELP_OK && format != 12) std::abort();
    }
  }

  TSpec spec;
  try {
    if (spec.OpenFile(dir + "_FUNC001.DAT")) {
      for (int32_t i = 0; i < spec.NSpec(); ++i)
        for (const dPoint& pt : spec.GetMass(i))
          if (!std::isfinite(pt[0]) || !std::isfinite(pt[1]) || pt[1] == 0.0f) std::abort();
    }
  } catch (const SorrelError&) {
    // Values that are not numbers, more scans than the index lists.
  }
  return 0;
}
