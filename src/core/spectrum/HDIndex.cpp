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

}  // namespace

// ---------------------------------------------------------------- HDReader

HDReader::HDReader(const std::string& fileName, size_t bufferSize)
    : name_(fileName), buf_(std::max<size_t>(bufferSize, 4096)) {
  // Without O_NONBLOCK opening a FIFO waits for a writer.
  fd_ = ::open(fileName.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd_ < 0) throw SorrelError("Cannot open " + fileName + ": " + std::strerror(errno));
  struct stat st {};
  if (fstat(fd_, &st) != 0) {
    int err = errno;
    ::close(fd_);
    throw SorrelError("Cannot read " + fileName + ": " + std::strerror(err));
  }
  if (!S_ISREG(st.st_mode)) {
    ::close(fd_);
    throw SorrelError("Cannot read " + fileName + ": " +
                      (S_ISDIR(st.st_mode) ? "it is a directory" : "it is not a regular file"));
  }
  stamp_.size = static_cast<uint64_t>(st.st_size);
  stamp_.inode = static_cast<uint64_t>(st.st_ino);
  stamp_.mtimeNs = static_cast<int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
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
  if (Size() < kRunStatsStoredSize) return false;
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
  bufLen_ = pos_ < Size() ? ReadAt(pos_, buf_.data(), buf_.size()) : 0;
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
  bufLen_ = pos_ < Size() ? ReadAt(pos_, buf_.data(), buf_.size()) : 0;
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

// A stored index is taken only when it describes this very run. It must
// have the length the run's number of scans gives it (so nothing beyond
// that is read), the stamp of the layout (creation date and size in KiB)
// and the run's number of scans, offsets that lie inside the run in
// ascending order, and finite values. An index written here carries the
// run's own stamp (length in bytes, inode, modification time) and is taken
// only for that file: a copy of another run's index beside a run, or a run
// replaced by another of the same size and date, is indexed again. An
// index as the format defines it, without that stamp, is taken for a run
// with a creation date (not 0, which cannot tell runs apart) that has not
// been written since the index was. Anything else means indexing again.
bool THDIndex::ReadIndexFile(const std::string& indexName) {
  HDReader run(s_FileName);
  rRun_Stats header{};
  if (!run.ReadRunStats(header)) throw SorrelError("Error while reading HD run stats");
  const size_t n = header.number_of_scans;
  if (n == 0 || !FileExists(indexName)) return false;
  std::unique_ptr<HDReader> index;
  try {
    index = std::make_unique<HDReader>(indexName);
  } catch (const SorrelError&) {
    return false;  // an unreadable index (or not a file at all) is made again
  }
  const size_t plainSize = kIndexHeaderSize + 12 * n;
  const bool stamped = index->Size() == plainSize + kHDIndexStampSize;
  if (index->Size() != plainSize && !stamped) return false;
  std::string bytes(static_cast<size_t>(index->Size()), '\0');
  try {
    if (index->ReadAt(0, bytes.data(), bytes.size()) != bytes.size()) return false;
  } catch (const SorrelError&) {
    return false;
  }
  const auto* p = reinterpret_cast<const uint8_t*>(bytes.data());
  if (stamped) {
    const uint8_t* t = p + plainSize;
    HDFileStamp made;
    made.size = Load<uint64_t>(t + 8);
    made.inode = Load<uint64_t>(t + 16);
    made.mtimeNs = Load<int64_t>(t + 24);
    if (std::memcmp(t, kHDIndexStampTag, sizeof kHDIndexStampTag) != 0 || !(made == run.Stamp()))
      return false;
  } else if (header.creation_date == 0 || run.Stamp().mtimeNs > index->Stamp().mtimeNs) {
    return false;
  }
  uint32_t date = Load<uint32_t>(p);
  uint32_t kib = Load<uint32_t>(p + 4);
  uint16_t count = Load<uint16_t>(p + 8);
  if (date != header.creation_date || kib != static_cast<uint32_t>(run.Size() / 1024)) return false;
  if (count != n) return false;

  std::vector<float> tic(n), ret(n);
  std::vector<uint64_t> offsets(n);
  const uint8_t* q = p + kIndexHeaderSize;
  for (size_t i = 0; i < n; ++i)
    tic[i] = Load<float>(q + 4 * i);
  q += 4 * n;
  for (size_t i = 0; i < n; ++i)
    ret[i] = Load<float>(q + 4 * i);
  q += 4 * n;
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
  const std::string mode = " (stored_mode " + std::to_string(scan.stored_mode) + ")";
  if (scan.stored_mode == 0 || scan.stored_mode == 1)
    throw SorrelError("RAW HD file format not supported." + mode);
  if (!HDPeakListMode(scan.stored_mode)) throw SorrelError("Unexpected HD file format." + mode);
  return scan;
}

// The retention time of scan k (from 0): (k + 1) / number_of_scans_per_second
// of the header in force. A rate of 0 is replaced by 1000 in that header,
// with one message per file: a run of thousands of such headers must not
// bring up thousands of boxes.
float RetentionTimeOf(const std::string& file, int k, rScan_stats& scan, bool& toldZeroRate) {
  if (scan.number_of_scans_per_second == 0) {
    if (!toldZeroRate)
      Ui().ShowMessage("Problem in R file (number_of_scans_per_second=0): " + file + ", scan " +
                       std::to_string(k) + " on; 1000 scans per second are taken instead");
    toldZeroRate = true;
    scan.number_of_scans_per_second = 1000;
  }
  float t = HDRetentionTime(k + 1, scan.number_of_scans_per_second);
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
        Ui().ShowMessage("Too many peaks have been read without a zero: " + f.Name() + ", scan " +
                         std::to_string(k) + " has more than " +
                         std::to_string(kMaxPeaksWithoutZero) +
                         " peaks without the zero record that ends a scan");
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
  if (f.Size() / 1024 < 24)
    throw SorrelError("The HD file is too small. (" + std::to_string(f.Size()) +
                      " bytes; an HD run has at least 24 KiB)");
  rRun_Stats header{};
  if (!f.ReadRunStats(header)) throw SorrelError("Error while reading HD run stats");
  const int n = header.number_of_scans;
  if (n == 0) {
    Ui().ShowMessage("Error while reading HD file " + s_FileName +
                     ": its header gives no scans (number_of_scans 0)");
    return;
  }
  // Every scan takes its zero record at least, and the first its header:
  // a count the file cannot hold is refused before anything is sized by it.
  const uint64_t firstPeaks = kFirstScanOffset + kScanStatsStoredSize;
  const uint64_t room = f.Size() > firstPeaks ? (f.Size() - firstPeaks) / kPeakRecordSize : 0;
  if (static_cast<uint64_t>(n) > room)
    throw SorrelError("its header gives " + std::to_string(n) + " scans; a file of " +
                      std::to_string(f.Size()) + " bytes holds at most " + std::to_string(room));
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
    ret[static_cast<size_t>(k)] = RetentionTimeOf(s_FileName, k, scan, toldZeroRate);
    if (!SumScanPeaks(f, k, tic[static_cast<size_t>(k)])) return;
  }
  if (ProgressBr) ProgressBr->SetPosition(n, n);

  aIndexTable = std::move(offsets);
  aTIC = std::move(tic);
  aRetTime = std::move(ret);
  WriteIndexFile(HDIndexFileName(s_FileName, false), header.creation_date, f.Stamp());
  ErrorFlag = false;
}

// The index goes beside the run file, safely replacing an old one. Where
// that is impossible (a write-protected medium) it goes to the Temp
// directory beside the program, where later openings do not look: the run
// is then indexed at every opening. An index that cannot be written at
// all only costs that time, so it never fails the opening. Only a regular
// file of the index's name is replaced: a symbolic link there could point
// anywhere (the index would be written over what it points to), and a
// FIFO or a device is no index.
void THDIndex::WriteIndexFile(const std::string& indexName, uint32_t creationDate,
                              const HDFileStamp& run) {
  for (uint64_t o : aIndexTable)
    if (o > UINT32_MAX) return;  // the index file has 32-bit offsets
  const size_t n = aIndexTable.size();
  std::string bytes;
  bytes.reserve(kIndexHeaderSize + 12 * n + kHDIndexStampSize);
  Store<uint32_t>(bytes, creationDate);
  Store<uint32_t>(bytes, static_cast<uint32_t>(run.size / 1024));
  Store<uint16_t>(bytes, static_cast<uint16_t>(n));
  for (float v : aTIC)
    Store<float>(bytes, v);
  for (float v : aRetTime)
    Store<float>(bytes, v);
  for (uint64_t o : aIndexTable)
    Store<uint32_t>(bytes, static_cast<uint32_t>(o));
  bytes.append(kHDIndexStampTag, sizeof kHDIndexStampTag);
  Store<uint64_t>(bytes, run.size);
  Store<uint64_t>(bytes, run.inode);
  Store<int64_t>(bytes, run.mtimeNs);
  auto mayReplace = [](const std::string& name) {
    struct stat st {};
    if (lstat(name.c_str(), &st) != 0) return errno == ENOENT;
    return S_ISREG(st.st_mode);
  };
  try {
    if (mayReplace(indexName)) {
      SafeWriteFile(indexName, bytes);
      WrittenIndexFile = indexName;
      return;
    }
  } catch (const SorrelError&) {
  }
  try {
    std::string dir = ProgramDir() + "Temp/";
    if (!DirectoryExists(dir)) ::mkdir(dir.c_str(), 0777);
    std::string name = dir + ExtractFileName(indexName);
    if (mayReplace(name)) {
      SafeWriteFile(name, bytes);
      WrittenIndexFile = name;
    }
  } catch (const SorrelError&) {
  }
}

}  // namespace sorrel
