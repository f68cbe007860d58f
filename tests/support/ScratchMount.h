#pragma once
// A small file system of its own (tmpfs) mounted on a directory, for tests
// of saving to a full or a read-only file system. Mounting needs root (CI
// runs as root); where it is impossible Mounted() is false and the test
// skips itself. A read-only mount stops root's writes too, which a
// read-only directory does not.
#include <fcntl.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string>
#include <vector>

namespace sorrel::test {

class ScratchMount {
 public:
  // Mounts a tmpfs of `size` bytes on `dir` (created when missing).
  explicit ScratchMount(std::string dir, size_t size = 512 * 1024)
      : dir_(std::move(dir)), options_("size=" + std::to_string(size)) {
    if (dir_.empty() || dir_.back() != '/') dir_.push_back('/');
    ::mkdir(dir_.c_str(), 0755);
    mounted_ = ::mount("tmpfs", dir_.c_str(), "tmpfs", 0, options_.c_str()) == 0;
  }
  ~ScratchMount() {
    if (mounted_) ::umount2(dir_.c_str(), MNT_DETACH);
  }
  ScratchMount(const ScratchMount&) = delete;
  ScratchMount& operator=(const ScratchMount&) = delete;

  bool Mounted() const { return mounted_; }
  // The mount point, with a trailing "/".
  const std::string& Path() const { return dir_; }

  // Remounts read-only (true) or writable again (false).
  bool SetReadOnly(bool readOnly) {
    unsigned long flags = MS_REMOUNT | (readOnly ? MS_RDONLY : 0);
    return ::mount("tmpfs", dir_.c_str(), "tmpfs", flags, options_.c_str()) == 0;
  }

  // Fills the file system to its last byte with a file named "filler".
  // True when it is full afterwards.
  bool Fill() {
    int fd = ::open((dir_ + "filler").c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
    if (fd < 0) return false;
    std::vector<char> block(64 * 1024, 'f');
    for (size_t n = block.size(); n > 0; n /= 2)
      while (::write(fd, block.data(), n) == static_cast<ssize_t>(n)) {
      }
    bool full = errno == ENOSPC;
    ::close(fd);
    return full;
  }

 private:
  std::string dir_;
  std::string options_;
  bool mounted_ = false;
};

}  // namespace sorrel::test
