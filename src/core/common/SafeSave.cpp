#include "SafeSave.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "Errors.h"

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

}  // namespace

SafeFileWriter::SafeFileWriter(std::string target) : target_(std::move(target)) {
  if (target_.empty()) throw SorrelError("Filename is missing");
  struct stat st {};
  if (stat(target_.c_str(), &st) == 0 && S_ISDIR(st.st_mode))
    throw SorrelError("Unable to write to " + target_ + ": it is a directory");
  std::string pattern = target_ + ".tmp-XXXXXX";
  std::string buf = pattern;
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
}

SafeFileWriter::~SafeFileWriter() {
  if (file_) std::fclose(file_);
  if (!committed_ && !temp_.empty()) ::unlink(temp_.c_str());
}

void SafeFileWriter::Fail(const std::string& what, int err) {
  std::string msg = what + target_ + ": " + std::strerror(err);
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
  if (!file_) throw SorrelError("Unable to write to " + target_ + ": file is closed");
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

void SafeWriteFile(const std::string& path, std::string_view bytes) {
  SafeFileWriter w(path);
  w.Write(bytes);
  w.Commit();
}

}  // namespace sorrel
