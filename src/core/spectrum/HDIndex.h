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
  void WriteIndexFile(const std::string& indexName, uint32_t creationDate, uint64_t runSize);
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

// Most peak records read in one scan without meeting its terminator.
inline constexpr int kMaxPeaksWithoutZero = 100000;
// Most scans an HD file can hold (number_of_scans is 16 bits).
inline constexpr int kMaxHDScans = 65535;

// Byte-addressed reading of a file (POSIX), closed when destroyed.
class HDReader {
 public:
  // Throws SorrelError naming the file when it cannot be opened.
  // `bufferSize` is the size of the buffer of sequential reading.
  explicit HDReader(const std::string& fileName, size_t bufferSize = 64 * 1024);
  ~HDReader();
  HDReader(const HDReader&) = delete;
  HDReader& operator=(const HDReader&) = delete;

  uint64_t Size() const { return size_; }
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
  uint64_t size_ = 0;
  std::vector<uint8_t> buf_;
  uint64_t bufStart_ = 0;  // file offset of buf_[0]
  size_t bufLen_ = 0;
  uint64_t pos_ = 0;
};

}  // namespace sorrel
