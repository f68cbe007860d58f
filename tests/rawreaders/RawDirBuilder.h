#pragma once
// Builds synthetic MassLynx raw directories for tests: _FUNCTNS.INF,
// _FUNC001.IDX, _FUNC001.DAT and _HEADER.TXT written byte by byte from the
// record layouts, with encoders for the packed point records. Shared by
// the library tests, the store tests and the command-line tests.
#include <dlfcn.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

namespace sorrel::test::raw {

inline std::string U16(uint16_t v) {
  return std::string{static_cast<char>(v & 0xFF), static_cast<char>(v >> 8)};
}
inline std::string S16(int16_t v) {
  return U16(static_cast<uint16_t>(v));
}
inline std::string U32(uint32_t v) {
  return U16(static_cast<uint16_t>(v & 0xFFFF)) + U16(static_cast<uint16_t>(v >> 16));
}
inline std::string F32(float f) {
  uint32_t bits;
  std::memcpy(&bits, &f, sizeof bits);
  return U32(bits);
}

constexpr uint32_t kCalibratedFlag = 1u << 30;

// One 22-byte index record: point count (and flags) in the packed word,
// total ion current, retention time in minutes. The unused bytes carry a
// pattern so that a reader that takes its fields from the wrong offsets
// shows it.
inline std::string IdxRecord(uint32_t packedWord, float tic, float rtMinutes) {
  return U32(0xA5A5A5A5u) + U32(packedWord) + F32(tic) + F32(rtMinutes) +
         std::string("\x5A\x5A\x5A\x5A\x5A\x5A", 6);
}

// A 416-byte function record with the format code in bits 10..13 of its
// first word (other bits set, as real files have them) and the channel
// masses of a selected-ion function at offset 160.
inline std::string FunctionRecord(int format, const std::vector<float>& channels = {}) {
  std::string rec(416, '\0');
  uint16_t word = static_cast<uint16_t>((format & 0xF) << 10) | 0x0101;
  rec.replace(0, 2, U16(word));
  for (size_t c = 0; c < channels.size() && 160 + 4 * c + 4 <= rec.size(); ++c)
    rec.replace(160 + 4 * c, 4, F32(channels[c]));
  return rec;
}

// Format 0 record for a mass on the 1/128 grid and an intensity
// mantissa * 4^exponent (mantissa < 256, exponent < 8).
inline std::string Format0(double mass, uint32_t mantissa, uint32_t exponent = 0) {
  uint32_t massBits = static_cast<uint32_t>(std::lround(mass * 262144.0)) & 0xFFFFF800u;
  return U32(massBits | (mantissa << 3) | exponent);
}

class RawDirBuilder {
 public:
  // `dir` is created; it should end in ".raw/".
  explicit RawDirBuilder(std::string dir) : dir_(std::move(dir)) {
    if (dir_.back() != '/') dir_.push_back('/');
    ::mkdir(dir_.c_str(), 0755);
  }
  const std::string& Dir() const { return dir_; }

  RawDirBuilder& File(const std::string& name, const std::string& bytes) {
    std::ofstream out(dir_ + name, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    EXPECT_TRUE(out.good()) << "cannot write " << dir_ + name;
    return *this;
  }
  RawDirBuilder& Functions(int format, const std::vector<float>& channels = {}, int count = 1) {
    std::string inf = FunctionRecord(format, channels);
    for (int i = 1; i < count; ++i)
      inf += FunctionRecord(11);
    return File("_FUNCTNS.INF", inf);
  }
  RawDirBuilder& Index(const std::string& bytes) { return File("_FUNC001.IDX", bytes); }
  RawDirBuilder& Data(const std::string& bytes) { return File("_FUNC001.DAT", bytes); }
  RawDirBuilder& Header(const std::string& text) { return File("_HEADER.TXT", text); }
  // Index records for scans with `counts` points each, retention times
  // 0.5, 1.0, 1.5 ... minutes and total ion currents 1000, 2000, ...
  RawDirBuilder& Scans(const std::vector<uint32_t>& counts, uint32_t flags = 0) {
    std::string idx;
    for (size_t i = 0; i < counts.size(); ++i)
      idx += IdxRecord(counts[i] | flags, 1000.0f * static_cast<float>(i + 1),
                       0.5f * static_cast<float>(i + 1));
    return Index(idx);
  }

 private:
  std::string dir_;
};

// The two exports, loaded from a directory (the test program's own by
// default, where the build puts the libraries).
using InfoProc = void (*)(int16_t*, const char*, int32_t*, int32_t*, int16_t*);
using ReadProc = void (*)(int16_t*, const char*, float*, float*, float*, float*, int32_t*);

class Library {
 public:
  Library(const std::string& path, const char* entry) {
    handle_ = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle_ == nullptr) {
      ADD_FAILURE() << "cannot load " << path << ": " << dlerror();
      return;
    }
    symbol_ = dlsym(handle_, entry);
    if (symbol_ == nullptr) ADD_FAILURE() << path << " has no " << entry;
  }
  ~Library() {
    if (handle_ != nullptr) dlclose(handle_);
  }
  Library(const Library&) = delete;
  Library& operator=(const Library&) = delete;
  template <class Proc>
  Proc Get() const {
    return reinterpret_cast<Proc>(symbol_);
  }

 private:
  void* handle_ = nullptr;
  void* symbol_ = nullptr;
};

}  // namespace sorrel::test::raw
