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
  // the target when that is impossible. A target that is a symbolic link
  // to a file is saved where the link points (the link stays); an
  // existing target that may not be written is refused as it would be by
  // writing it in place, and so is one that is not a regular file (a
  // directory, a device node, a FIFO, a socket, or a link to one), which
  // is never replaced. `bufferSize` (when not 0) sets the size of the
  // write buffer.
  explicit SafeFileWriter(std::string target, size_t bufferSize = 0);
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

  // For working files that the caller goes on reading and writing (the
  // spectrum cache): flushes the file and renames it over the target, then
  // hands over the open handle (read and write, positioned at the end),
  // which the caller closes. It is not synced: such a file is made again
  // from the data it holds whenever it is needed.
  std::FILE* CommitKeepOpen();

  const std::string& Target() const { return target_; }

 private:
  [[noreturn]] void Fail(const std::string& what, int err);
  std::string name_;    // the name as given, for messages
  std::string target_;  // the file replaced (where a link points)
  std::string temp_;
  std::FILE* file_ = nullptr;
  bool committed_ = false;
};

// Writes `bytes` as the whole new contents of `path`, safely.
void SafeWriteFile(const std::string& path, std::string_view bytes);

}  // namespace sorrel
