#include "core/common/TextFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "core/common/Errors.h"
#include "core/common/FileCheck.h"
#include "core/common/TextEscape.h"

namespace sorrel {

namespace {

void AppendUtf8(std::string& out, char32_t cp) {
  if (cp < 0x80) {
    out.push_back(static_cast<char>(cp));
  } else if (cp < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else if (cp < 0x10000) {
    out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  }
}

std::string DecodeUtf16(std::string_view bytes, bool bigEndian) {
  std::string out;
  out.reserve(bytes.size());
  size_t n = bytes.size() / 2;
  auto unit = [&](size_t k) -> char32_t {
    auto lo = static_cast<unsigned char>(bytes[2 * k + (bigEndian ? 1 : 0)]);
    auto hi = static_cast<unsigned char>(bytes[2 * k + (bigEndian ? 0 : 1)]);
    return static_cast<char32_t>(hi << 8 | lo);
  };
  for (size_t k = 0; k < n; ++k) {
    char32_t u = unit(k);
    if (u >= 0xD800 && u <= 0xDBFF && k + 1 < n) {
      char32_t u2 = unit(k + 1);
      if (u2 >= 0xDC00 && u2 <= 0xDFFF) {
        AppendUtf8(out, 0x10000 + ((u - 0xD800) << 10) + (u2 - 0xDC00));
        ++k;
        continue;
      }
    }
    if (u >= 0xD800 && u <= 0xDFFF) u = 0xFFFD;  // an unpaired surrogate
    AppendUtf8(out, u);
  }
  return out;
}

}  // namespace

std::string DecodeText(std::string_view bytes) {
  if (bytes.size() >= 3 && bytes.substr(0, 3) == "\xEF\xBB\xBF")
    bytes.remove_prefix(3);
  else if (bytes.size() >= 2 && bytes.substr(0, 2) == "\xFF\xFE")
    return DecodeUtf16(bytes.substr(2), false);
  else if (bytes.size() >= 2 && bytes.substr(0, 2) == "\xFE\xFF")
    return DecodeUtf16(bytes.substr(2), true);
  std::string out;
  out.reserve(bytes.size());
  for (size_t i = 0; i < bytes.size();) {
    size_t len = Utf8SequenceLength(bytes, i);
    if (len == 0) {
      AppendUtf8(out, static_cast<unsigned char>(bytes[i]));  // Latin-1
      ++i;
    } else {
      out.append(bytes.substr(i, len));
      i += len;
    }
  }
  return out;
}

std::vector<std::string> SplitLines(std::string_view text) {
  std::vector<std::string> lines;
  size_t start = 0, i = 0, n = text.size();
  while (i < n) {
    char c = text[i];
    if (c == '\r' || c == '\n') {
      lines.emplace_back(text.substr(start, i - start));
      if (c == '\r' && i + 1 < n && text[i + 1] == '\n') ++i;
      start = ++i;
    } else {
      ++i;
    }
  }
  if (start < n) lines.emplace_back(text.substr(start));
  return lines;
}

namespace {

// Closes the descriptor however reading ends.
struct Descriptor {
  int fd;
  ~Descriptor() {
    if (fd >= 0) ::close(fd);
  }
};

[[noreturn]] void TooLarge(const std::string& fileName, uint64_t size, uint64_t maxBytes) {
  throw SorrelError("Cannot read " + fileName + ": it holds " + std::to_string(size) +
                    " bytes, more than the " + std::to_string(maxBytes) +
                    " a file of this kind may have");
}

}  // namespace

std::string ReadFileBytes(const std::string& fileName, uint64_t maxBytes) {
  // Opened without waiting, so that a FIFO is found out instead of waited on.
  Descriptor in{::open(fileName.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK)};
  if (in.fd < 0)
    throw SorrelError("Cannot open file " + fileName + ": " + FileErrorText(fileName, errno));
  struct stat st {};
  if (fstat(in.fd, &st) != 0)
    throw SorrelError("Cannot read file " + fileName + ": " + std::strerror(errno));
  if (S_ISDIR(st.st_mode))
    throw SorrelError("Cannot open file " + fileName + ": a directory, not a file");
  if (!S_ISREG(st.st_mode))
    throw SorrelError("Cannot open file " + fileName + ": " + FileTypeText(st.st_mode) +
                      ", not a regular file");
  const auto size = static_cast<uint64_t>(st.st_size);
  if (size > maxBytes) TooLarge(fileName, size, maxBytes);
  std::string bytes(static_cast<size_t>(size), '\0');
  size_t have = 0;
  char more[1 << 16];
  for (;;) {
    // Past the size the file had, read on in small steps: a file that grows
    // while it is read is read on, up to the limit.
    const bool inSize = have < bytes.size();
    char* to = inSize ? bytes.data() + have : more;
    const size_t room = inSize ? bytes.size() - have : sizeof more;
    const ssize_t n = ::read(in.fd, to, room);
    if (n == 0) break;
    if (n < 0) {
      if (errno == EINTR) continue;
      throw SorrelError("Cannot read file " + fileName + ": " + std::strerror(errno));
    }
    if (!inSize) {
      if (have + static_cast<size_t>(n) > maxBytes)
        TooLarge(fileName, have + static_cast<size_t>(n), maxBytes);
      bytes.append(more, static_cast<size_t>(n));
    }
    have += static_cast<size_t>(n);
  }
  bytes.resize(have);
  return bytes;
}

std::vector<std::string> ReadTextLines(const std::string& fileName) {
  return SplitLines(DecodeText(ReadFileBytes(fileName)));
}

std::string JoinLinesCRLF(const std::vector<std::string>& lines) {
  std::string out;
  for (const auto& l : lines) {
    out += l;
    out += "\r\n";
  }
  return out;
}

}  // namespace sorrel
