// The disk cache of the spectrum store: the scans of a run kept in a binary
// file (Data/SP<label>.csh) instead of memory. Layout: a 4-byte zero
// header, then each scan as (mass, intensity) pairs of 32-bit floats ended
// by a (0, 0) pair. Only the chromatogram, the scan offsets and the scan
// read last stay in memory.
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
  if (value == CasheOn()) return;
  if (value) {
    if (fMassOnly) return;  // a single spectrum has no cache
    if (std::holds_alternative<WritingHD>(fScans))
      throw SorrelError("The run is being written to " + std::get<WritingHD>(fScans).file +
                        "; it can go into the cache once that file is closed");
    std::string name = CasheFileName();
    if (name.empty())
      throw SorrelError("The spectrum cache needs the Data directory beside the program");
    InCashe cashe = WriteCashe(name);
    // Until here the run stays where it was (memory or file).
    fScans = std::move(cashe);
    return;
  }

  InCashe& c = std::get<InCashe>(fScans);
  int64_t size = FileSizeOf(c.file.get());
  if (size < 0) size = c.end;
  if (size > kMaxCasheToMemory)
    throw SorrelError("The file " + c.name + " is too big (" +
                      std::to_string(static_cast<int64_t>(std::nearbyint(size / 1024.0))) + " k) " +
                      "to fit into the memory.");
  tMass scans(static_cast<size_t>(NSpec()));
  for (int32_t i = 0; i < NSpec(); ++i)
    scans[static_cast<size_t>(i)] = GetMass(i);
  // The file stays on disk; it is only closed. The totals go along.
  const int32_t totalsFromFile = fTotalsFromFile;
  TakeRun(std::move(Chrom), std::move(scans));
  fTotalsFromFile = totalsFromFile;
}

// The cache is made beside its final name and takes that name only when it
// is complete: a cache that cannot be written (a full disk) leaves an older
// SP?.csh as it was, and a store that reads that older file keeps reading
// it.
TSpec::InCashe TSpec::WriteCashe(const std::string& name) {
  SafeFileWriter w(name, 1 << 20);
  InCashe c;
  c.idx.resize(static_cast<size_t>(NSpec()));
  int64_t pos = kCasheHeaderSize;
  const uint32_t header = 0;
  w.Write(&header, sizeof header);
  WorkProgressReport progress("Writing the cache " + name, NSpec());
  for (int32_t i = 0; i < NSpec(); ++i) {
    progress.Step(i);
    c.idx[static_cast<size_t>(i)] = pos;
    const tXYarray& s = GetMass(i);
    if (!s.empty()) w.Write(s.data(), s.size() * sizeof(dPoint));
    w.Write(&kTerminator, sizeof kTerminator);
    pos += kPairSize * static_cast<int64_t>(s.size() + 1);
  }
  c.file.reset(w.CommitKeepOpen());
  c.name = name;
  c.end = pos;
  return c;
}

void TSpec::CasheReadScan(InCashe& c, int32_t Index) {
  if (!c.file || Index < 0 || static_cast<size_t>(Index) >= c.idx.size())
    throw SorrelError("Internal cashe error. #3");
  int64_t start = c.idx[static_cast<size_t>(Index)];
  int64_t end =
      static_cast<size_t>(Index) + 1 < c.idx.size() ? c.idx[static_cast<size_t>(Index) + 1] : c.end;
  // The pairs up to the next scan, less the terminator.
  int64_t count =
      static_cast<int64_t>(std::llround(static_cast<double>(end - start) / kPairSize)) - 1;
  if (count < 0) count = 0;
  c.read.index = -99;  // until the scan is in
  c.read.scan.resize(static_cast<size_t>(count));
  if (count > 0) {
    if (fseeko(c.file.get(), static_cast<off_t>(start), SEEK_SET) != 0 ||
        std::fread(c.read.scan.data(), sizeof(dPoint), c.read.scan.size(), c.file.get()) !=
            c.read.scan.size())
      CasheFailure("Cannot read the cache file", c.name, errno);
  }
  c.read.index = Index;
}

void TSpec::CasheAppendScan(InCashe& c, const tXYarray& SMass) {
  std::FILE* f = c.file.get();
  if (fseeko(f, static_cast<off_t>(c.end), SEEK_SET) != 0 || !WritePoints(SMass, f) ||
      std::fwrite(&kTerminator, sizeof kTerminator, 1, f) != 1 || std::fflush(f) != 0) {
    int err = errno;
    // Whatever reached the file lies beyond the end of the data and is
    // overwritten by the next scan.
    CasheFailure("Cannot write the cache file", c.name, err);
  }
  c.idx.push_back(c.end);
  c.end += kPairSize * static_cast<int64_t>(SMass.size() + 1);
}

// A point added to the last scan takes the place of its terminator, and a
// new terminator follows it: the point becomes part of that scan.
void TSpec::CasheAppendPoint(InCashe& c, float m, float a) {
  if (c.idx.empty()) throw SorrelError("Internal cashe error. #3");
  const dPoint pair[2] = {dPoint{m, a}, kTerminator};
  std::FILE* f = c.file.get();
  if (fseeko(f, static_cast<off_t>(c.end - kPairSize), SEEK_SET) != 0 ||
      std::fwrite(pair, sizeof(dPoint), 2, f) != 2 || std::fflush(f) != 0)
    CasheFailure("Cannot write the cache file", c.name, errno);
  c.end += kPairSize;
  if (c.read.index == static_cast<int32_t>(c.idx.size()) - 1) c.read.index = -99;
}

namespace {

// A cache file opened for reading and writing (only for reading on a
// write-protected medium: adding scans to it then fails).
std::FILE* OpenCasheForUpdate(const std::string& name, bool& readOnly) {
  readOnly = false;
  std::FILE* f = std::fopen(name.c_str(), "r+b");
  if (!f && (errno == EACCES || errno == EROFS || errno == EPERM)) {
    f = std::fopen(name.c_str(), "rb");
    readOnly = true;
  }
  if (!f) CasheFailure("Cannot open", name, errno);
  std::setvbuf(f, nullptr, _IOFBF, 1 << 20);
  return f;
}

// The length and the 4-byte zero header of a cache file; its size.
int64_t CheckCasheHeader(std::FILE* f, const std::string& name) {
  const int64_t size = FileSizeOf(f);
  if (size < 0) CasheFailure("Cannot read", name, errno);
  if (size < kCasheHeaderSize)
    throw SorrelError(name + " is not a spectrum cache file: it is shorter than its header");
  if ((size - kCasheHeaderSize) % kPairSize != 0)
    throw SorrelError(name + " is not a spectrum cache file or is cut short: its length (" +
                      std::to_string(size) + " bytes) is not 4 plus a multiple of 8");
  uint32_t header = 1;
  if (std::fread(&header, sizeof header, 1, f) != 1) CasheFailure("Cannot read", name, errno);
  if (header != 0)
    throw SorrelError(name + " is not a spectrum cache file: its first four bytes are not zero");
  return size;
}

// The scans of a cache file as its (0, 0) pairs delimit them: where each
// starts, and a chromatogram of scan numbers and summed intensities. Points
// after the last end mark are left in [`looseStart`, size).
struct CasheScans {
  tXYarray chrom;
  std::vector<int64_t> idx;
  int64_t looseStart = kCasheHeaderSize;
  double looseSum = 0.0;

  void EndScan(double sum, const std::string& name) {
    float total = static_cast<float>(sum);
    if (!std::isfinite(total))
      throw SorrelError(name + ": the total intensity of scan " + std::to_string(chrom.size()) +
                        " is too large");
    chrom.push_back({static_cast<float>(chrom.size()), total});
    idx.push_back(looseStart);
  }
};

CasheScans FindCasheScans(std::FILE* f, const std::string& name, int64_t size) {
  CasheScans scans;
  int64_t pos = kCasheHeaderSize;
  double sum = 0.0;
  std::vector<dPoint> buf(1 << 17);
  WorkProgressReport progress("Reading " + name, size);
  while (pos < size) {
    progress.Step(pos);
    size_t want = static_cast<size_t>(
        std::min<int64_t>(static_cast<int64_t>(buf.size()), (size - pos) / kPairSize));
    if (std::fread(buf.data(), sizeof(dPoint), want, f) != want)
      CasheFailure("Cannot read", name, errno);
    for (size_t i = 0; i < want; ++i, pos += kPairSize) {
      const dPoint& p = buf[i];
      if (p[0] == 0.0f && p[1] == 0.0f) {
        scans.EndScan(sum, name);
        scans.looseStart = pos + kPairSize;
        sum = 0.0;
        continue;
      }
      if (!std::isfinite(p[0]) || !std::isfinite(p[1]))
        throw SorrelError(name + ": scan " + std::to_string(scans.chrom.size()) +
                          " holds a value that is not a number");
      sum += p[1];
    }
  }
  scans.looseSum = sum;
  return scans;
}

// Points without the pair that ends their scan: the file was cut short
// while a scan was written. They are kept as the last scan and the file
// gets its end mark, so that scans added later stay apart; a file that
// cannot be written loses them, with a message. The end of the data.
int64_t MendUnfinishedScan(std::FILE* f, const std::string& name, int64_t size, bool readOnly,
                           CasheScans& scans) {
  if (scans.looseStart >= size) return size;
  const int64_t loose = (size - scans.looseStart) / kPairSize;
  if (readOnly) {
    Ui().ShowMessage(name + ": the last " + std::to_string(loose) +
                     " points have no end mark and are left out");
    return scans.looseStart;
  }
  if (fseeko(f, static_cast<off_t>(size), SEEK_SET) != 0 ||
      std::fwrite(&kTerminator, sizeof kTerminator, 1, f) != 1 || std::fflush(f) != 0)
    CasheFailure("Cannot write", name, errno);
  scans.EndScan(scans.looseSum, name);
  return size + kPairSize;
}

}  // namespace

bool TSpec::OpenCasheFile(const std::string& oFilename) {
  bool readOnly = false;
  InCashe c;
  c.file.reset(OpenCasheForUpdate(oFilename, readOnly));
  const int64_t size = CheckCasheHeader(c.file.get(), oFilename);
  CasheScans scans = FindCasheScans(c.file.get(), oFilename, size);
  c.end = MendUnfinishedScan(c.file.get(), oFilename, size, readOnly, scans);
  c.name = oFilename;
  c.idx = std::move(scans.idx);
  // The store now reads its scans from this file.
  CMass.clear();
  AttachCashe(std::move(c), std::move(scans.chrom));
  return true;
}

}  // namespace sorrel
