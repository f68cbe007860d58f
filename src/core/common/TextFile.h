#pragma once
// Reading and writing text files the way every reader of the system does:
// lines end at CR, LF or CR LF; a byte-order mark selects UTF-8 or UTF-16;
// without one the bytes are UTF-8, and a byte that is not part of a valid
// UTF-8 sequence is taken as Latin-1. Text in memory is always UTF-8.
#include <string>
#include <string_view>
#include <vector>

namespace sorrel {

// Decodes raw file bytes into UTF-8 text (see above).
std::string DecodeText(std::string_view bytes);

// Splits text into lines at CR, LF or CR LF. A line end after the last line
// does not make an extra empty line; empty text has no lines.
std::vector<std::string> SplitLines(std::string_view text);

// Reads a whole file as bytes. Throws SorrelError naming the file when it
// cannot be opened or read.
std::string ReadFileBytes(const std::string& fileName);

// Reads a file and splits it into decoded lines.
std::vector<std::string> ReadTextLines(const std::string& fileName);

// Joins lines, each ended by CR LF (the last one too).
std::string JoinLinesCRLF(const std::vector<std::string>& lines);

}  // namespace sorrel
