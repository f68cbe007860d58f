#include "core/spectrum/HDIndex.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstddef>
#include <cstring>

#include "core/common/Directories.h"
#include "core/common/Errors.h"
#include "core/common/NumberText.h"
#include "core/common/Paths.h"
#include "core/common/ProgressIndicator.h"
#include "core/common/SafeSave.h"
#include "core/common/TextFile.h"
#include "core/common/UiHooks.h"

namespace sorrel {

namespace {

constexpr uint16_t kNoScanHeadersMagic = 4661;
constexpr size_t kIndexHeaderSize = 10;  // creation date, size in KiB, N

template <typename T>
T Load(const uint8_t* p) {
  T v;
  std::memcpy(&v, p, sizeof v);
  return v;
}

template <typename T>
void Store(std::string& out, T v) {
  char b[sizeof v];
  std::memcpy(b, &v, sizeof v);
  out.append(b, sizeof v);
}

// Modification time of a file in nanoseconds; -1 when it cannot be read.
int64_t ModTime(const std::string& path) {
  struct stat st {};
  if (stat(path.c_str(), &st) != 0) return -1;
  return static_cast<int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
}

}  // namespace

// ---------------------------------------------------------------- HDReader

HDReader::HDReader(const std::string& fileName, size_t bufferSize)
    : name_(fileName), buf_(std::max<size_t>(bufferSize, 4096)) {
  fd_ = ::open(fileName.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd_ < 0) throw SorrelError("Cannot open " + fileName + ": " + std::strerror(errno));
  struct stat st {};
  if (fstat(fd_, &st) != 0) {
    int err = errno;
    ::close(fd_);
    throw SorrelError("Cannot read " + fileName + ": " + std::strerror(err));
  }
  if (S_ISDIR(st.st_mode)) {
    ::close(fd_);
    throw SorrelError("Cannot read " + fileName + ": it is a directory");
  }
  size_ = static_cast<uint64_t>(st.st_size);
}

HDReader::~HDReader() {
  if (fd_ >= 0) ::close(fd_);
}

size_t HDReader::ReadAt(uint64_t offset, void* buf, size_t n) {
  size_t got = 0;
  auto* out = static_cast<uint8_t*>(buf);
  while (got < n) {
    ssize_t r = ::pread(fd_, out + got, n - got, static_cast<off_t>(offset + got));
    if (r < 0) {
      if (errno == EINTR) continue;
      throw SorrelError("Cannot read " + name_ + ": " + std::strerror(errno));
    }
    if (r == 0) break;
    got += static_cast<size_t>(r);
  }
  return got;
}

bool HDReader::ReadRunStats(rRun_Stats& header) {
  header = rRun_Stats{};
  return ReadAt(0, &header, kRunStatsStoredSize) == kRunStatsStoredSize;
}

bool HDReader::ReadScanCount(uint16_t& count) {
  count = 0;
  if (size_ < kRunStatsStoredSize) return false;
  return ReadAt(offsetof(rRun_Stats, number_of_scans), &count, sizeof count) == sizeof count;
}

void HDReader::Seek(uint64_t offset) {
  pos_ = offset;
}

size_t HDReader::Window(const uint8_t*& p, size_t atLeast) {
  if (pos_ >= bufStart_ && pos_ < bufStart_ + bufLen_ && bufStart_ + bufLen_ - pos_ >= atLeast) {
    p = buf_.data() + (pos_ - bufStart_);
    return static_cast<size_t>(bufStart_ + bufLen_ - pos_);
  }
  bufStart_ = pos_;
  bufLen_ = pos_ < size_ ? ReadAt(pos_, buf_.data(), buf_.size()) : 0;
  p = buf_.data();
  return bufLen_;
}

const uint8_t* HDReader::Next(size_t n) {
  if (pos_ >= bufStart_ && pos_ + n <= bufStart_ + bufLen_) {
    const uint8_t* p = buf_.data() + (pos_ - bufStart_);
    pos_ += n;
    return p;
  }
  if (n > buf_.size()) return nullptr;
  bufStart_ = pos_;
  bufLen_ = pos_ < size_ ? ReadAt(pos_, buf_.data(), buf_.size()) : 0;
  if (bufLen_ < n) return nullptr;
  pos_ += n;
  return buf_.data();
}

// ------------------------------------------------------------ file format

std::string HDIndexFileName(const std::string& runFileName, bool warn) {
  std::string ext = ExtractFileExt(runFileName);  // with its dot
  if (warn && (ext.size() < 2 || (ext[1] != 'R' && ext[1] != 'r')))
    Ui().ShowMessage("Error in HD file name");
  std::string tail = ext.size() > 2 ? ext.substr(2, 2) : std::string();
  return runFileName.substr(0, runFileName.size() - ext.size()) + ".x" + tail;
}

bool HDPeakListMode(uint16_t storedMode) {
  return storedMode == 2 || storedMode == 3 || storedMode == 4 || storedMode == 6;
}

bool HDHasScanHeaders(const rRun_Stats& header, const rScan_stats& firstScan) {
  return (firstScan.stored_mode == 2 || firstScan.stored_mode == 3) &&
         header.magic != kNoScanHeadersMagic;
}

// --------------------------------------------------------------- THDIndex

THDIndex::THDIndex() = default;
THDIndex::~THDIndex() = default;

bool THDIndex::IndexFile(const std::string& sFileName) {
  s_FileName = sFileName;
  UsedIndexFile = false;
  WrittenIndexFile.clear();
  if (!ProgressBr) {
    ProgressBr = std::make_unique<TProgressIndicator>();
    ProgressBr->Caption = "Indexing the file...";
    ProgressBr->OnProcessItem = [this] { Indexer(); };
  }
  std::string indexName = HDIndexFileName(sFileName, true);
  if (ReadIndexFile(indexName)) {
    UsedIndexFile = true;
    ErrorFlag = false;
    return true;
  }
  ErrorFlag = true;
  ProgressBr->StartProgress(true);
  return !ErrorFlag;
}

// A stored index is taken only when it describes this very run: the stamp
// of the layout (creation date and size in KiB), and beyond it the number
// of scans, the exact length of the index, offsets that lie inside the run
// in ascending order, finite values, and a run file that has not been
// written since the index was. Anything else means indexing again.
bool THDIndex::ReadIndexFile(const std::string& indexName) {
  HDReader run(s_FileName);
  rRun_Stats header{};
  if (!run.ReadRunStats(header)) throw SorrelError("Error while reading HD run stats");
  if (!FileExists(indexName)) return false;
  int64_t runTime = ModTime(s_FileName), indexTime = ModTime(indexName);
  if (runTime < 0 || indexTime < 0 || runTime > indexTime) return false;

  std::string bytes;
  try {
    bytes = ReadFileBytes(indexName);
  } catch (const SorrelError&) {
    return false;  // an unreadable index is made again
  }
  if (bytes.size() < kIndexHeaderSize) return false;
  const auto* p = reinterpret_cast<const uint8_t*>(bytes.data());
  uint32_t date = Load<uint32_t>(p);
  uint32_t kib = Load<uint32_t>(p + 4);
  uint16_t n = Load<uint16_t>(p + 8);
  if (date != header.creation_date || kib != static_cast<uint32_t>(run.Size() / 1024)) return false;
  if (n != header.number_of_scans || n == 0) return false;
  if (bytes.size() != kIndexHeaderSize + 12 * static_cast<size_t>(n)) return false;

  std::vector<float> tic(n), ret(n);
  std::vector<uint64_t> offsets(n);
  const uint8_t* q = p + kIndexHeaderSize;
  for (size_t i = 0; i < n; ++i)
    tic[i] = Load<float>(q + 4 * i);
  q += 4 * static_cast<size_t>(n);
  for (size_t i = 0; i < n; ++i)
    ret[i] = Load<float>(q + 4 * i);
  q += 4 * static_cast<size_t>(n);
  for (size_t i = 0; i < n; ++i)
    offsets[i] = Load<uint32_t>(q + 4 * i);
  for (size_t i = 0; i < n; ++i) {
    if (!std::isfinite(tic[i]) || !std::isfinite(ret[i])) return false;
    // Every scan needs room for its terminator at least.
    if (offsets[i] < kFirstScanOffset || offsets[i] + kPeakRecordSize > run.Size()) return false;
    if (i > 0 && offsets[i] <= offsets[i - 1]) return false;
  }
  aTIC = std::move(tic);
  aRetTime = std::move(ret);
  aIndexTable = std::move(offsets);
  return true;
}

namespace {

// The first scan header of a run; its stored_mode must be a peak list.
rScan_stats ReadFirstScanHeader(HDReader& f) {
  f.Seek(kFirstScanOffset);
  const uint8_t* p = f.Next(kScanStatsStoredSize);
  if (!p) throw SorrelError("The file ends inside the header of scan 0");
  rScan_stats scan{};
  std::memcpy(&scan, p, kScanStatsStoredSize);
  if (scan.stored_mode == 0 || scan.stored_mode == 1)
    throw SorrelError("RAW HD file format not supported.");
  if (!HDPeakListMode(scan.stored_mode)) throw SorrelError("Unexpected HD file format.");
  return scan;
}

// The retention time of scan k (from 0): (k + 1) / number_of_scans_per_second
// of the header in force. A rate of 0 is replaced by 1000 in that header,
// with one message per file: a run of thousands of such headers must not
// bring up thousands of boxes.
float RetentionTimeOf(int k, rScan_stats& scan, bool& toldZeroRate) {
  if (scan.number_of_scans_per_second == 0) {
    if (!toldZeroRate) Ui().ShowMessage("Problem in R file (number_of_scans_per_second=0)");
    toldZeroRate = true;
    scan.number_of_scans_per_second = 1000;
  }
  float t = static_cast<float>(static_cast<double>(k + 1) /
                               static_cast<double>(scan.number_of_scans_per_second));
  if (!std::isfinite(t))
    throw SorrelError("Scan " + std::to_string(k) + " has no usable number_of_scans_per_second (" +
                      FloatToStr(scan.number_of_scans_per_second) + ")");
  return t;
}

// Steps over the peak records of scan k up to its terminator, summing the
// intensities. Intensities are whole numbers: their sum is exact in 64 bits
// and rounded once to the stored float. The records are taken straight from
// the read buffer, as many as it holds at a time. False, with the message,
// when a scan has too many peaks without a terminator.
bool SumScanPeaks(HDReader& f, int k, float& total) {
  int64_t sum = 0;
  int count = 0;
  for (bool ended = false; !ended;) {
    const uint8_t* p0 = nullptr;
    size_t avail = f.Window(p0, kPeakRecordSize);
    if (avail < kPeakRecordSize)
      throw SorrelError("The file ends inside scan " + std::to_string(k));
    const size_t records = avail / kPeakRecordSize;
    size_t r = 0;
    for (const uint8_t* q = p0; r < records; ++r, q += kPeakRecordSize) {
      if (Load<double>(q) == 0.0) {
        ended = true;
        break;
      }
      if (count >= kMaxPeaksWithoutZero) {
        Ui().ShowMessage("Too many peaks have been read without a zero");
        return false;
      }
      ++count;
      sum += Load<int32_t>(q + 8);
    }
    f.Skip((ended ? r + 1 : r) * kPeakRecordSize);
  }
  total = static_cast<float>(sum);
  return true;
}

}  // namespace

void THDIndex::Indexer() {
  ErrorFlag = true;
  HDReader f(s_FileName, 1 << 20);
  if (f.Size() / 1024 < 24) throw SorrelError("The HD file is too small.");
  rRun_Stats header{};
  if (!f.ReadRunStats(header)) throw SorrelError("Error while reading HD run stats");
  const int n = header.number_of_scans;
  if (n == 0) {
    Ui().ShowMessage("Error while reading HD file");
    return;
  }
  std::vector<uint64_t> offsets(static_cast<size_t>(n));
  std::vector<float> tic(static_cast<size_t>(n)), ret(static_cast<size_t>(n));
  rScan_stats scan = ReadFirstScanHeader(f);
  const bool headers = HDHasScanHeaders(header, scan);

  bool toldZeroRate = false;
  for (int k = 0; k < n; ++k) {
    if (k >= 1) {
      if (ProgressBr && ProgressBr->UserCanceled()) return;
      if (ProgressBr) ProgressBr->SetPosition(k, n);
      if (headers) {
        const uint8_t* p = f.Next(kScanStatsStoredSize);
        if (!p) throw SorrelError("The file ends inside the header of scan " + std::to_string(k));
        std::memcpy(&scan, p, kScanStatsStoredSize);
      }
    }
    offsets[static_cast<size_t>(k)] = f.Pos();
    ret[static_cast<size_t>(k)] = RetentionTimeOf(k, scan, toldZeroRate);
    if (!SumScanPeaks(f, k, tic[static_cast<size_t>(k)])) return;
  }
  if (ProgressBr) ProgressBr->SetPosition(n, n);

  aIndexTable = std::move(offsets);
  aTIC = std::move(tic);
  aRetTime = std::move(ret);
  WriteIndexFile(HDIndexFileName(s_FileName, false), header.creation_date, f.Size());
  ErrorFlag = false;
}

// The index goes beside the run file, safely replacing an old one. Where
// that is impossible (a write-protected medium) it goes to the Temp
// directory beside the program, where later openings do not look: the run
// is then indexed at every opening. An index that cannot be written at
// all only costs that time, so it never fails the opening.
void THDIndex::WriteIndexFile(const std::string& indexName, uint32_t creationDate,
                              uint64_t runSize) {
  for (uint64_t o : aIndexTable)
    if (o > UINT32_MAX) return;  // the index file has 32-bit offsets
  const size_t n = aIndexTable.size();
  std::string bytes;
  bytes.reserve(kIndexHeaderSize + 12 * n);
  Store<uint32_t>(bytes, creationDate);
  Store<uint32_t>(bytes, static_cast<uint32_t>(runSize / 1024));
  Store<uint16_t>(bytes, static_cast<uint16_t>(n));
  for (float v : aTIC)
    Store<float>(bytes, v);
  for (float v : aRetTime)
    Store<float>(bytes, v);
  for (uint64_t o : aIndexTable)
    Store<uint32_t>(bytes, static_cast<uint32_t>(o));
  try {
    SafeWriteFile(indexName, bytes);
    WrittenIndexFile = indexName;
    return;
  } catch (const SorrelError&) {
  }
  try {
    std::string dir = ProgramDir() + "Temp/";
    if (!DirectoryExists(dir)) ::mkdir(dir.c_str(), 0777);
    std::string name = dir + ExtractFileName(indexName);
    SafeWriteFile(name, bytes);
    WrittenIndexFile = name;
  } catch (const SorrelError&) {
  }
}

}  // namespace sorrel
