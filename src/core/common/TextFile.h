#pragma once
// Reading and writing text files the way every reader of the system does:
// lines end at CR, LF or CR LF; a byte-order mark selects UTF-8 or UTF-16;
// without one the bytes are UTF-8, and a byte that is not part of a valid
// UTF-8 sequence is taken as Latin-1. Text in memory is always UTF-8.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace sorrel {

// Decodes raw file bytes into UTF-8 text (see above).
std::string DecodeText(std::string_view bytes);

// Splits text into lines at CR, LF or CR LF. A line end after the last line
// does not make an extra empty line; empty text has no lines.
std::vector<std::string> SplitLines(std::string_view text);

// The most a text file of the system (text spectrum, INI file, training,
// list, template) may hold. Real ones are far smaller; the limit keeps a
// huge or endless file from filling the memory.
inline constexpr uint64_t kMaxTextFileBytes = uint64_t{256} << 20;

// Reads a whole file as bytes. Only a regular file is read (symbolic links
// followed): a FIFO, a device or a directory is refused before anything is
// read, and so is a file larger than `maxBytes`. Throws SorrelError naming
// the file when it cannot be opened or read.
std::string ReadFileBytes(const std::string& fileName, uint64_t maxBytes = kMaxTextFileBytes);

// Reads a file and splits it into decoded lines.
std::vector<std::string> ReadTextLines(const std::string& fileName);

// Joins lines, each ended by CR LF (the last one too).
std::string JoinLinesCRLF(const std::vector<std::string>& lines);

}  // namespace sorrel
