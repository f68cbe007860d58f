// The disk cache of the spectrum store: the scans of a run kept in a binary
// file (Data/SP<label>.csh) instead of memory. Layout: a 4-byte zero
// header, then each scan as (mass, intensity) pairs of 32-bit floats ended
// by a (0, 0) pair. Only the chromatogram, the scan offsets and one scan
// (CMass) stay in memory.
#include <sys/stat.h>
#include <cerrno>
#include <cmath>
#include <cstring>

#include "core/common/Directories.h"
#include "core/common/Errors.h"
#include "core/common/FrameLabels.h"
#include "core/common/ProgressIndicator.h"
#include "core/common/SafeSave.h"
#include "core/common/UiHooks.h"
#include "core/spectrum/HDIndex.h"
#include "core/spectrum/Spec.h"

namespace sorrel {

namespace {

constexpr int64_t kCasheHeaderSize = 4;
constexpr int64_t kPairSize = 8;
// Largest cache file that is brought back into memory.
constexpr int64_t kMaxCasheToMemory = 20000000;

[[noreturn]] void CasheFailure(const std::string& what, const std::string& file, int err) {
  throw SorrelError(what + " " + file + ": " + std::strerror(err ? err : EIO));
}

// fwrite of the points of a scan; an empty scan writes nothing.
bool WritePoints(const tXYarray& s, std::FILE* f) {
  return s.empty() || std::fwrite(s.data(), sizeof(dPoint), s.size(), f) == s.size();
}

int64_t FileSizeOf(std::FILE* f) {
  struct stat st {};
  if (fstat(fileno(f), &st) != 0) return -1;
  return static_cast<int64_t>(st.st_size);
}

const dPoint kTerminator{0.0f, 0.0f};

}  // namespace

std::string TSpec::CasheFileName() const {
  char label = IndexChar(Number + 1);
  if (label == '\0')
    throw SorrelError("No cache file for spectrum number " + std::to_string(Number));
  std::string dir = DataDir();
  if (dir.empty()) return {};
  return dir + "SP" + label + ".csh";
}

void TSpec::SetCasheOn(bool value) {
  if (value == fCasheOn) return;
  if (fMassOnly) {
    fCasheOn = false;
    return;
  }
  if (value) {
    std::string name = CasheFileName();
    if (name.empty())
      throw SorrelError("The spectrum cache needs the Data directory beside the program");
    // The cache is made beside its final name and takes that name only
    // when it is complete: a cache that cannot be written (a full disk)
    // leaves an older SP?.csh as it was, and a store that reads that older
    // file keeps reading it.
    SafeFileWriter w(name, 1 << 20);
    std::vector<int64_t> idx(static_cast<size_t>(NSpec()));
    int64_t pos = kCasheHeaderSize;
    const uint32_t header = 0;
    w.Write(&header, sizeof header);
    WorkProgressReport progress("Writing the cache " + name, NSpec());
    for (int32_t i = 0; i < NSpec(); ++i) {
      progress.Step(i);
      idx[static_cast<size_t>(i)] = pos;
      const tXYarray& s = GetMass(i);
      if (!s.empty()) w.Write(s.data(), s.size() * sizeof(dPoint));
      w.Write(&kTerminator, sizeof kTerminator);
      pos += kPairSize * static_cast<int64_t>(s.size() + 1);
    }
    // Until here the run stays where it was (memory or file).
    std::FILE* f = w.CommitKeepOpen();
    DiskCashe = f;
    fCasheName = name;
    CasheIdx = std::move(idx);
    CasheEnd = pos;
    fMass.clear();
    fMass.shrink_to_fit();
    fFromFileOn = false;
    LastReadIndex = -99;
    fCasheOn = true;
    return;
  }

  int64_t size = DiskCashe ? FileSizeOf(DiskCashe) : CasheEnd;
  if (size < 0) size = CasheEnd;
  if (size > kMaxCasheToMemory)
    throw SorrelError("The file is too big (" +
                      std::to_string(static_cast<int64_t>(std::nearbyint(size / 1024.0))) + " k) " +
                      "to fit into the memory.");
  tMass scans(static_cast<size_t>(NSpec()));
  for (int32_t i = 0; i < NSpec(); ++i)
    scans[static_cast<size_t>(i)] = GetMass(i);
  CasheClose();
  CasheIdx.clear();
  fFromFileOn = false;
  fMass = std::move(scans);
  LastReadIndex = -99;
  fCasheOn = false;
}

void TSpec::CasheReadScan(int32_t Index) {
  if (!DiskCashe || Index < 0 || static_cast<size_t>(Index) >= CasheIdx.size())
    throw SorrelError("Internal cashe error. #3");
  int64_t start = CasheIdx[static_cast<size_t>(Index)];
  int64_t end = static_cast<size_t>(Index) + 1 < CasheIdx.size()
                    ? CasheIdx[static_cast<size_t>(Index) + 1]
                    : CasheEnd;
  // The pairs up to the next scan, less the terminator.
  int64_t count =
      static_cast<int64_t>(std::llround(static_cast<double>(end - start) / kPairSize)) - 1;
  if (count < 0) count = 0;
  tXYarray scan(static_cast<size_t>(count));
  if (count > 0) {
    if (fseeko(DiskCashe, static_cast<off_t>(start), SEEK_SET) != 0 ||
        std::fread(scan.data(), sizeof(dPoint), scan.size(), DiskCashe) != scan.size())
      CasheFailure("Cannot read the cache file", fCasheName, errno);
  }
  CMass = std::move(scan);
}

void TSpec::CasheAppendScan(const tXYarray& SMass) {
  if (!DiskCashe) throw SorrelError("Internal cashe error. #3");
  if (fseeko(DiskCashe, static_cast<off_t>(CasheEnd), SEEK_SET) != 0 ||
      !WritePoints(SMass, DiskCashe) ||
      std::fwrite(&kTerminator, sizeof kTerminator, 1, DiskCashe) != 1 ||
      std::fflush(DiskCashe) != 0) {
    int err = errno;
    // Whatever reached the file lies beyond CasheEnd and is overwritten by
    // the next scan.
    CasheFailure("Cannot write the cache file", fCasheName, err);
  }
  CasheIdx.push_back(CasheEnd);
  CasheEnd += kPairSize * static_cast<int64_t>(SMass.size() + 1);
}

// A point added to the last scan takes the place of its terminator, and a
// new terminator follows it: the point becomes part of that scan.
void TSpec::CasheAppendPoint(float m, float a) {
  if (!DiskCashe || CasheIdx.empty()) throw SorrelError("Internal cashe error. #3");
  const dPoint pair[2] = {dPoint{m, a}, kTerminator};
  if (fseeko(DiskCashe, static_cast<off_t>(CasheEnd - kPairSize), SEEK_SET) != 0 ||
      std::fwrite(pair, sizeof(dPoint), 2, DiskCashe) != 2 || std::fflush(DiskCashe) != 0)
    CasheFailure("Cannot write the cache file", fCasheName, errno);
  CasheEnd += kPairSize;
  if (LastReadIndex == static_cast<int32_t>(CasheIdx.size()) - 1) LastReadIndex = -99;
}

void TSpec::CasheClose() {
  if (DiskCashe) std::fclose(DiskCashe);
  DiskCashe = nullptr;
  CasheEnd = 0;
}

bool TSpec::OpenCasheFile(const std::string& oFilename) {
  bool readOnly = false;
  std::FILE* f = std::fopen(oFilename.c_str(), "r+b");
  if (!f && (errno == EACCES || errno == EROFS || errno == EPERM)) {
    // A cache file on a write-protected medium can still be read; adding
    // scans to it then fails.
    f = std::fopen(oFilename.c_str(), "rb");
    readOnly = true;
  }
  if (!f) CasheFailure("Cannot open", oFilename, errno);
  std::setvbuf(f, nullptr, _IOFBF, 1 << 20);
  struct Closer {
    std::FILE*& f;
    ~Closer() {
      if (f) std::fclose(f);
    }
  } closer{f};

  const int64_t size = FileSizeOf(f);
  if (size < 0) CasheFailure("Cannot read", oFilename, errno);
  if (size < kCasheHeaderSize)
    throw SorrelError(oFilename + " is not a spectrum cache file: it is shorter than its header");
  if ((size - kCasheHeaderSize) % kPairSize != 0)
    throw SorrelError(oFilename + " is not a spectrum cache file or is cut short: its length (" +
                      std::to_string(size) + " bytes) is not 4 plus a multiple of 8");
  uint32_t header = 1;
  if (std::fread(&header, sizeof header, 1, f) != 1) CasheFailure("Cannot read", oFilename, errno);
  if (header != 0)
    throw SorrelError(oFilename +
                      " is not a spectrum cache file: its first four bytes are not zero");

  tXYarray chrom;
  std::vector<int64_t> idx;
  int64_t pos = kCasheHeaderSize, scanStart = kCasheHeaderSize;
  double sum = 0.0;
  std::vector<dPoint> buf(1 << 17);
  WorkProgressReport progress("Reading " + oFilename, size);
  while (pos < size) {
    progress.Step(pos);
    size_t want = static_cast<size_t>(
        std::min<int64_t>(static_cast<int64_t>(buf.size()), (size - pos) / kPairSize));
    if (std::fread(buf.data(), sizeof(dPoint), want, f) != want)
      CasheFailure("Cannot read", oFilename, errno);
    for (size_t i = 0; i < want; ++i, pos += kPairSize) {
      const dPoint& p = buf[i];
      if (p[0] == 0.0f && p[1] == 0.0f) {
        float total = static_cast<float>(sum);
        if (!std::isfinite(total))
          throw SorrelError(oFilename + ": the total intensity of scan " +
                            std::to_string(chrom.size()) + " is too large");
        chrom.push_back({static_cast<float>(chrom.size()), total});
        idx.push_back(scanStart);
        scanStart = pos + kPairSize;
        sum = 0.0;
        continue;
      }
      if (!std::isfinite(p[0]) || !std::isfinite(p[1]))
        throw SorrelError(oFilename + ": scan " + std::to_string(chrom.size()) +
                          " holds a value that is not a number");
      sum += p[1];
    }
  }
  int64_t end = size;
  if (scanStart < size) {
    // Points without the pair that ends their scan: the file was cut
    // short while a scan was written. They are kept as the last scan and
    // the file gets its end mark, so that scans added later stay apart.
    const int64_t loose = (size - scanStart) / kPairSize;
    if (readOnly) {
      Ui().ShowMessage(oFilename + ": the last " + std::to_string(loose) +
                       " points have no end mark and are left out");
      end = scanStart;
    } else {
      if (fseeko(f, static_cast<off_t>(size), SEEK_SET) != 0 ||
          std::fwrite(&kTerminator, sizeof kTerminator, 1, f) != 1 || std::fflush(f) != 0)
        CasheFailure("Cannot write", oFilename, errno);
      float total = static_cast<float>(sum);
      if (!std::isfinite(total))
        throw SorrelError(oFilename + ": the total intensity of scan " +
                          std::to_string(chrom.size()) + " is too large");
      chrom.push_back({static_cast<float>(chrom.size()), total});
      idx.push_back(scanStart);
      end = size + kPairSize;
    }
  }

  // The store now reads its scans from this file.
  if (fCasheOn) CasheClose();
  fMass.clear();
  CMass.clear();
  HDindex.reset();
  Chrom = std::move(chrom);
  CasheIdx = std::move(idx);
  DiskCashe = f;
  fCasheName = oFilename;
  f = nullptr;  // kept open: it is the store's cache now
  CasheEnd = end;
  fFromFileOn = false;
  fCasheOn = true;
  LastReadIndex = -99;
  return true;
}

}  // namespace sorrel
