#pragma once
// THDIndex: the index of an HD run file (where each scan starts, its
// retention time and total intensity), built by reading the run once and
// kept in a small index file beside it; and the pieces of the HD file
// format that the store's reader and writer share.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "core/spectrum/HDRecords.h"

namespace sorrel {

class TProgressIndicator;

// What tells one file from another without reading it: its length in
// bytes, its inode and its modification time. A file replaced by another
// (a copy, a save that renames its new file over the old one) or written
// in place differs in one of them.
struct HDFileStamp {
  uint64_t size = 0;
  uint64_t inode = 0;
  int64_t mtimeNs = 0;
  bool operator==(const HDFileStamp&) const = default;
};

// The index file holds what the format defines: the run's creation date
// and size in KiB, N, then the N totals, times and offsets. An index
// written here goes on with a stamp of the run it was made from: the tag
// below, then the run's length in bytes, its inode and its modification
// time in nanoseconds (64 bits each). Readers of the format look no
// further than the offsets; this program takes an index with a stamp only
// for the very file it was made from.
inline constexpr char kHDIndexStampTag[8] = {'S', 'o', 'r', 'r', 'e', 'l', 'I', 'x'};
inline constexpr size_t kHDIndexStampSize = 32;

class THDIndex {
 public:
  THDIndex();
  ~THDIndex();
  THDIndex(const THDIndex&) = delete;
  THDIndex& operator=(const THDIndex&) = delete;

  // Makes the three arrays describe the run file, from a valid index file
  // or by indexing the run (with the progress window); true on success.
  bool IndexFile(const std::string& sFileName);

  std::string s_FileName;
  std::unique_ptr<TProgressIndicator> ProgressBr;  // created on first use
  bool ErrorFlag = false;
  // Byte offset of each scan's first peak record (after its scan header).
  // 64-bit in memory, so that runs beyond 4 GiB can be read; the index
  // file stores 32 bits and is not written for such runs.
  std::vector<uint64_t> aIndexTable;
  std::vector<float> aTIC;
  std::vector<float> aRetTime;

  // How the last IndexFile got its arrays: from a stored index file, or by
  // reading the run. And where the index was written (empty when nowhere).
  bool UsedIndexFile = false;
  std::string WrittenIndexFile;

 private:
  void Indexer();
  bool ReadIndexFile(const std::string& indexName);
  void WriteIndexFile(const std::string& indexName, uint32_t creationDate, const HDFileStamp& run);
};

// The index file of a run file: the extension replaced by ".x" and the
// third and fourth characters of the run's extension (run.R01 -> run.x01).
// With `warn`, an extension that does not start with "R" shows
// "Error in HD file name" (the name is made all the same).
std::string HDIndexFileName(const std::string& runFileName, bool warn);

// stored_mode values of peak-list data (2, 3, 4 and 6).
bool HDPeakListMode(uint16_t storedMode);
// Whether every scan after the first carries its own scan header.
bool HDHasScanHeaders(const rRun_Stats& header, const rScan_stats& firstScan);

// The retention time the reader gives scan `k` (counted from 1) under a
// scan header with `scansPerSecond`: k / rate, rounded to a float.
inline float HDRetentionTime(int64_t k, float scansPerSecond) {
  return static_cast<float>(static_cast<double>(k) / static_cast<double>(scansPerSecond));
}

// Most peak records read in one scan without meeting its terminator.
inline constexpr int kMaxPeaksWithoutZero = 100000;
// Most scans an HD file can hold (number_of_scans is 16 bits).
inline constexpr int kMaxHDScans = 65535;

// Byte-addressed reading of a file (POSIX), closed when destroyed.
class HDReader {
 public:
  // Throws SorrelError naming the file when it cannot be opened or is not
  // a regular file (a FIFO is refused without waiting for a writer).
  // `bufferSize` is the size of the buffer of sequential reading.
  explicit HDReader(const std::string& fileName, size_t bufferSize = 64 * 1024);
  ~HDReader();
  HDReader(const HDReader&) = delete;
  HDReader& operator=(const HDReader&) = delete;

  uint64_t Size() const { return stamp_.size; }
  // The file as it was opened.
  const HDFileStamp& Stamp() const { return stamp_; }
  const std::string& Name() const { return name_; }
  // Reads up to `n` bytes at `offset`; the count read (short only at the
  // end of the file). Throws SorrelError on an input/output error.
  size_t ReadAt(uint64_t offset, void* buf, size_t n);
  // Reads the stored part of the run header; false when the file is
  // shorter than that.
  bool ReadRunStats(rRun_Stats& header);

  // number_of_scans of the run header; false when the file is shorter
  // than the stored header.
  bool ReadScanCount(uint16_t& count);

  // Sequential reading through a buffer, from Seek on.
  void Seek(uint64_t offset);
  uint64_t Pos() const { return pos_; }
  // Pointer to the next `n` bytes (n at most the buffer size), consumed;
  // nullptr when the file ends before them.
  const uint8_t* Next(size_t n);
  // The buffered bytes from the current position on, refilled so that at
  // least `atLeast` are there when the file has them; their count (less
  // than `atLeast` only at the end of the file). Nothing is consumed.
  size_t Window(const uint8_t*& p, size_t atLeast);
  void Skip(size_t n) { pos_ += n; }

 private:
  std::string name_;
  int fd_ = -1;
  HDFileStamp stamp_;
  std::vector<uint8_t> buf_;
  uint64_t bufStart_ = 0;  // file offset of buf_[0]
  size_t bufLen_ = 0;
  uint64_t pos_ = 0;
};

}  // namespace sorrel
