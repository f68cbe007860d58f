#pragma once
// What both raw reader libraries read the same way: the directory text,
// the first record of _FUNCTNS.INF, the file names of a function, the
// record sizes and the rounding that turns file sizes into counts. Both
// libraries compile this one header, so that the counts Kelpinfo gives
// are the counts Kelpread works with.
//
// Every function here answers a status (KELP_OK or an error number of
// KelpInterface.h) instead of throwing; the exported functions only have
// to catch what the standard library itself may throw (out of memory).
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "rawreaders/KelpInterface.h"

#define KELP_EXPORT extern "C" __attribute__((visibility("default")))

namespace kelp {

// _FUNCTNS.INF: one record per acquisition function.
constexpr uint64_t kFunctionRecordBytes = 416;
// _FUNCnnn.IDX: one record per scan.
constexpr uint64_t kIndexRecordBytes = 22;

// The data format code of a function record: bits 10 to 13 of its first
// 16-bit word.
inline int16_t FormatCodeOf(uint16_t packedWord) {
  return static_cast<int16_t>((packedWord & 0x3C00) >> 10);
}

// Bytes per point in _FUNCnnn.DAT, for the formats whose points are
// counted; 0 for the others. Format 1 packs two points into ten bytes.
inline uint64_t PointBytes(int format) {
  switch (format) {
    case 0:
      return 4;
    case 1:
      return 5;
    case 2:
      return 2;
    case 8:
    case 9:
      return 6;
    default:
      return 0;
  }
}

// The formats the reader accepts (format 12 is accepted but has no
// decodable points).
inline bool IsAcceptedFormat(int format) {
  return format == 0 || format == 1 || format == 2 || format == 8 || format == 9 || format == 12;
}

// bytes / recordBytes rounded to the nearest whole number, halves to even.
inline uint64_t RoundedCount(uint64_t bytes, uint64_t recordBytes) {
  uint64_t q = bytes / recordBytes;
  uint64_t twiceRest = 2 * (bytes % recordBytes);
  if (twiceRest > recordBytes || (twiceRest == recordBytes && (q & 1) != 0)) ++q;
  return q;
}

// Little-endian loads from a byte buffer.
inline uint16_t LoadU16(const unsigned char* p) {
  return static_cast<uint16_t>(p[0] | (p[1] << 8));
}
inline uint32_t LoadU32(const unsigned char* p) {
  return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
         (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}
inline float LoadF32(const unsigned char* p) {
  uint32_t bits = LoadU32(p);
  float f;
  std::memcpy(&f, &bits, sizeof f);
  return f;
}

// The directory text up to its first NUL, with a trailing "/".
inline std::string DirectoryPath(const char* text) {
  std::string dir(text);
  if (dir.empty() || dir.back() != '/') dir.push_back('/');
  return dir;
}

// "_FUNC" + the function number with three digits + "." + ext.
inline std::string FunctionFileName(int function, const char* ext) {
  char name[40];
  std::snprintf(name, sizeof name, "_FUNC%03d.%s", function, ext);
  return name;
}

// The status for a failed system call on `path`.
inline int16_t StatusFromErrno(int err, const std::string& path) {
  switch (err) {
    case ENOENT: {
      // A missing directory is a missing path, a missing file in an
      // existing directory a missing file.
      std::string dir = path.substr(0, path.find_last_of('/') + 1);
      struct stat st;
      if (!dir.empty() && (::stat(dir.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)))
        return KELP_PATH_NOT_FOUND;
      return KELP_FILE_NOT_FOUND;
    }
    case ENOTDIR:
      return KELP_PATH_NOT_FOUND;
    case EACCES:
    case EPERM:
    case EROFS:
      return KELP_PERMISSION_DENIED;
    case EIO:
      return KELP_DEVICE_IO_ERROR;
    case ENAMETOOLONG:
      return KELP_BAD_FILE_NAME;
    case EMFILE:
    case ENFILE:
      return KELP_TOO_MANY_FILES;
    case ENOMEM:
      return KELP_OUT_OF_MEMORY;
    case ENXIO:
    case ENODEV:
      return KELP_DEVICE_UNAVAILABLE;
    case ETIMEDOUT:
      return 24;  // "Device Time-Out"
    default:
      return KELP_PATH_FILE_ACCESS_ERROR;
  }
}

// A file opened for reading. Its size is taken once, when it is opened;
// reads past the end of what is there give KELP_INPUT_PAST_END.
class RawFile {
 public:
  RawFile() = default;
  RawFile(const RawFile&) = delete;
  RawFile& operator=(const RawFile&) = delete;
  ~RawFile() {
    if (fd_ >= 0) ::close(fd_);
  }

  int16_t Open(const std::string& path) {
    do {
      fd_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    } while (fd_ < 0 && errno == EINTR);
    if (fd_ < 0) return StatusFromErrno(errno, path);
    struct stat st;
    if (::fstat(fd_, &st) != 0) return StatusFromErrno(errno, path);
    // A directory or a device where a data file belongs.
    if (!S_ISREG(st.st_mode)) return KELP_PATH_FILE_ACCESS_ERROR;
    size_ = static_cast<uint64_t>(st.st_size);
    return KELP_OK;
  }

  uint64_t Size() const { return size_; }

  // Reads exactly `n` bytes from the current position.
  int16_t ReadExact(void* dst, size_t n) {
    auto* out = static_cast<unsigned char*>(dst);
    while (n > 0) {
      ssize_t got = ::read(fd_, out, n);
      if (got < 0) {
        if (errno == EINTR) continue;
        return errno == EISDIR ? KELP_PATH_FILE_ACCESS_ERROR : KELP_DEVICE_IO_ERROR;
      }
      if (got == 0) return KELP_INPUT_PAST_END;  // the file became shorter
      out += got;
      n -= static_cast<size_t>(got);
    }
    return KELP_OK;
  }

 private:
  int fd_ = -1;
  uint64_t size_ = 0;
};

// The size of a file that must be readable.
inline int16_t ReadableFileSize(const std::string& path, uint64_t& size) {
  RawFile file;
  int16_t status = file.Open(path);
  if (status == KELP_OK) size = file.Size();
  return status;
}

// The first acquisition function: its format code and its record (up to
// 416 bytes; fewer when _FUNCTNS.INF is shorter than one record but still
// rounds to one function).
struct FunctionRecord {
  int16_t format = 0;
  std::vector<unsigned char> bytes;
};

// Reads the first record of _FUNCTNS.INF in `dir`. The number of functions
// is the file size over 416, rounded, and only the first is read; a file
// that rounds to no function gives KELP_INPUT_PAST_END.
inline int16_t ReadFirstFunction(const std::string& dir, FunctionRecord& record) {
  RawFile file;
  int16_t status = file.Open(dir + "_FUNCTNS.INF");
  if (status != KELP_OK) return status;
  if (RoundedCount(file.Size(), kFunctionRecordBytes) == 0) return KELP_INPUT_PAST_END;
  uint64_t n = file.Size() < kFunctionRecordBytes ? file.Size() : kFunctionRecordBytes;
  record.bytes.resize(static_cast<size_t>(n));
  status = file.ReadExact(record.bytes.data(), record.bytes.size());
  if (status != KELP_OK) return status;
  record.format = FormatCodeOf(LoadU16(record.bytes.data()));
  return KELP_OK;
}

}  // namespace kelp
