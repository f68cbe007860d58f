#include "core/common/SafeSave.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>

#include "core/common/Errors.h"
#include "core/common/FileCheck.h"

namespace sorrel {

namespace {

std::string DirOf(const std::string& path) {
  auto p = path.find_last_of('/');
  if (p == std::string::npos) return ".";
  if (p == 0) return "/";
  return path.substr(0, p);
}

mode_t CurrentUmask() {
  mode_t m = umask(0);
  umask(m);
  return m;
}

// A symbolic link to an existing file stands for that file: the new
// contents go beside the file it points to, and the link stays a link.
std::string ResolveLink(const std::string& path) {
  struct stat st {};
  if (lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return path;
  if (stat(path.c_str(), &st) != 0 || S_ISDIR(st.st_mode)) return path;
  char* real = realpath(path.c_str(), nullptr);
  if (!real) return path;
  std::string resolved(real);
  std::free(real);
  return resolved;
}

// The temporary file's name pattern: the target's name and a suffix, the
// name cut so that the whole stays within the longest name a directory
// entry may have (a target of that length can still be saved).
std::string TempPattern(const std::string& target) {
  constexpr size_t kSuffix = 11;  // ".tmp-XXXXXX"
  auto slash = target.find_last_of('/');
  size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
  size_t nameLen = target.size() - nameStart;
  size_t keep = nameLen + kSuffix > NAME_MAX ? NAME_MAX - kSuffix : nameLen;
  return target.substr(0, nameStart + keep) + ".tmp-XXXXXX";
}

}  // namespace

SafeFileWriter::SafeFileWriter(std::string target, size_t bufferSize) : name_(std::move(target)) {
  if (name_.empty()) throw SorrelError("Filename is missing");
  target_ = ResolveLink(name_);
  struct stat st {};
  if (stat(target_.c_str(), &st) == 0) {
    if (S_ISDIR(st.st_mode))
      throw SorrelError("Unable to write to " + name_ + ": it is a directory");
    // Renaming over a device node, a FIFO or a socket would replace it
    // with a regular file (run as root, /dev/null itself).
    if (!S_ISREG(st.st_mode))
      throw SorrelError("Unable to write to " + name_ + ": it is " + FileTypeText(st.st_mode) +
                        ", not a regular file, and is not replaced");
    // Replacing the file by renaming would get round its write protection.
    if (access(target_.c_str(), W_OK) != 0) Fail("Unable to write to ", errno);
  }
  std::string buf = TempPattern(target_);
  int fd = mkstemp(buf.data());
  if (fd < 0) Fail("Unable to write to ", errno);
  temp_ = buf;
  // Keep the mode of the file being replaced, or give a new file the usual
  // permissions (mkstemp makes it private).
  mode_t mode = (stat(target_.c_str(), &st) == 0) ? (st.st_mode & 07777) : (0666 & ~CurrentUmask());
  fchmod(fd, mode);
  file_ = fdopen(fd, "w+b");
  if (!file_) {
    int err = errno;
    ::close(fd);
    Fail("Unable to write to ", err);
  }
  if (bufferSize > 0) std::setvbuf(file_, nullptr, _IOFBF, bufferSize);
}

SafeFileWriter::~SafeFileWriter() {
  if (file_) std::fclose(file_);
  if (!committed_ && !temp_.empty()) ::unlink(temp_.c_str());
}

void SafeFileWriter::Fail(const std::string& what, int err) {
  std::string msg = what + name_ + ": " + std::strerror(err);
  if (file_) {
    std::fclose(file_);
    file_ = nullptr;
  }
  if (!temp_.empty()) {
    ::unlink(temp_.c_str());
    temp_.clear();
  }
  throw SorrelError(msg);
}

void SafeFileWriter::Write(const void* data, size_t size) {
  if (!file_) throw SorrelError("Unable to write to " + name_ + ": file is closed");
  if (size && std::fwrite(data, 1, size, file_) != size)
    Fail("Unable to write to ", errno ? errno : EIO);
}

void SafeFileWriter::Seek(uint64_t offset) {
  if (!file_ || fseeko(file_, static_cast<off_t>(offset), SEEK_SET) != 0)
    Fail("Unable to write to ", errno ? errno : EIO);
}

uint64_t SafeFileWriter::Tell() const {
  if (!file_) return 0;
  off_t p = ftello(file_);
  return p < 0 ? 0 : static_cast<uint64_t>(p);
}

void SafeFileWriter::CloseHandle() {
  if (file_) {
    if (std::fclose(file_) != 0) {
      file_ = nullptr;
      Fail("Unable to write to ", errno ? errno : EIO);
    }
    file_ = nullptr;
  }
}

void SafeFileWriter::Commit() {
  if (committed_) return;
  if (file_) {
    if (std::fflush(file_) != 0) Fail("Unable to write to ", errno ? errno : EIO);
    if (fsync(fileno(file_)) != 0 && errno != EINVAL) Fail("Unable to write to ", errno);
    if (std::fclose(file_) != 0) {
      file_ = nullptr;
      Fail("Unable to write to ", errno ? errno : EIO);
    }
    file_ = nullptr;
  } else {
    // Written by a library under the temporary name: make sure it is on disk.
    int fd = ::open(temp_.c_str(), O_RDONLY);
    if (fd < 0) Fail("Unable to write to ", errno);
    ::fsync(fd);
    ::close(fd);
  }
  if (std::rename(temp_.c_str(), target_.c_str()) != 0) Fail("Unable to write to ", errno);
  committed_ = true;
  // Make the rename itself durable.
  int dfd = ::open(DirOf(target_).c_str(), O_RDONLY | O_DIRECTORY);
  if (dfd >= 0) {
    ::fsync(dfd);
    ::close(dfd);
  }
}

std::FILE* SafeFileWriter::CommitKeepOpen() {
  if (committed_ || !file_) throw SorrelError("Unable to write to " + name_ + ": file is closed");
  if (std::fflush(file_) != 0) Fail("Unable to write to ", errno ? errno : EIO);
  if (std::rename(temp_.c_str(), target_.c_str()) != 0) Fail("Unable to write to ", errno);
  committed_ = true;
  std::FILE* f = file_;
  file_ = nullptr;
  return f;
}

void SafeWriteFile(const std::string& path, std::string_view bytes) {
  SafeFileWriter w(path);
  w.Write(bytes);
  w.Commit();
}

}  // namespace sorrel
