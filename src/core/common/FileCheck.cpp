#include "core/common/FileCheck.h"

#include <dirent.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstring>

#include "core/common/Errors.h"

namespace sorrel {

std::string FileTypeText(unsigned mode) {
  switch (mode & S_IFMT) {
    case S_IFREG:
      return "a regular file";
    case S_IFDIR:
      return "a directory";
    case S_IFIFO:
      return "a FIFO (named pipe)";
    case S_IFCHR:
      return "a character device";
    case S_IFBLK:
      return "a block device";
    case S_IFSOCK:
      return "a socket";
    default:
      return "not a regular file";
  }
}

std::string FileErrorText(const std::string& path, int err) {
  switch (err) {
    case ENOENT: {
      struct stat st {};
      if (lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode))
        return "a symbolic link to a missing file";
      return "no such file";
    }
    case ELOOP:
      return "symbolic links in a loop";
    case ENAMETOOLONG:
      return "the name is too long";
    case ENOTDIR:
      return "a part of its path is not a directory";
    case EACCES:
      return "permission denied";
    default:
      return std::strerror(err);
  }
}

std::string RegularFileProblem(const std::string& path) {
  if (path.empty()) return "no file name";
  struct stat st {};
  if (stat(path.c_str(), &st) != 0) return FileErrorText(path, errno);
  if (S_ISREG(st.st_mode)) return {};
  if (S_ISDIR(st.st_mode)) return "a directory, not a file";
  return FileTypeText(st.st_mode) + ", not a regular file";
}

void CheckRegularFile(const std::string& path) {
  std::string problem = RegularFileProblem(path);
  if (!problem.empty()) throw SorrelError("Cannot open file " + path + ": " + problem);
}

void CheckDirectoryFiles(const std::string& dir) {
  DIR* d = opendir(dir.c_str());
  if (!d) return;  // the readers say why they cannot open it
  std::string bad;
  unsigned mode = 0;
  while (const dirent* e = readdir(d)) {
    const std::string name = e->d_name;
    if (name == "." || name == "..") continue;
    struct stat st {};
    const std::string path = (dir.empty() || dir.back() == '/' ? dir : dir + "/") + name;
    if (stat(path.c_str(), &st) == 0 && !S_ISREG(st.st_mode) && !S_ISDIR(st.st_mode)) {
      bad = name;
      mode = st.st_mode;
      break;
    }
  }
  closedir(d);
  if (!bad.empty())
    throw SorrelError("Cannot open " + dir + ": " + bad + " is " + FileTypeText(mode) +
                      ", not a regular file");
}

bool NameExists(const std::string& path) {
  struct stat st {};
  return !path.empty() && lstat(path.c_str(), &st) == 0;
}

bool SameFile(const std::string& a, const std::string& b) {
  struct stat sa {
  }, sb{};
  if (stat(a.c_str(), &sa) != 0 || stat(b.c_str(), &sb) != 0) return false;
  return sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}

}  // namespace sorrel
