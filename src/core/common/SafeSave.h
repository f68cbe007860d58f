#pragma once
// Crash-safe saving. Every file the system writes goes through here: the
// data are written to a temporary file in the target's directory, flushed
// to the disk, and only then renamed over the target. A failure at any
// point (full disk, read-only directory, a crash) leaves the previous file
// untouched and the temporary file removed.
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

namespace sorrel {

class SafeFileWriter {
 public:
  // Creates the temporary file beside `target`. Throws SorrelError naming
  // the target when that is impossible.
  explicit SafeFileWriter(std::string target);
  ~SafeFileWriter();  // removes the temporary file unless committed
  SafeFileWriter(const SafeFileWriter&) = delete;
  SafeFileWriter& operator=(const SafeFileWriter&) = delete;

  // Appends or overwrites at the current position; throws on failure.
  void Write(const void* data, size_t size);
  void Write(std::string_view bytes) { Write(bytes.data(), bytes.size()); }
  void Seek(uint64_t offset);
  uint64_t Tell() const;

  // For libraries that write a file by name themselves (netCDF): close our
  // handle and let them replace the temporary file, then Commit.
  const std::string& TempPath() const { return temp_; }
  void CloseHandle();

  // Flushes, syncs, closes and renames the temporary file over the target.
  void Commit();

  const std::string& Target() const { return target_; }

 private:
  [[noreturn]] void Fail(const std::string& what, int err);
  std::string target_;
  std::string temp_;
  std::FILE* file_ = nullptr;
  bool committed_ = false;
};

// Writes `bytes` as the whole new contents of `path`, safely.
void SafeWriteFile(const std::string& path, std::string_view bytes);

}  // namespace sorrel
