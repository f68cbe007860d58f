#pragma once
// File names as text (the name, directory and extension parts of a path)
// and whether a file or directory exists.
#include <string>

namespace sorrel {

// The file-name part of a path, its directory (with trailing "/", empty
// when there is none) and its extension (with the dot, empty for none).
std::string ExtractFileName(const std::string& path);
std::string ExtractFilePath(const std::string& path);
std::string ExtractFileExt(const std::string& path);
std::string ChangeFileExt(const std::string& path, const std::string& ext);
std::string UpperCase(std::string text);

bool FileExists(const std::string& path);
bool DirectoryExists(const std::string& path);

}  // namespace sorrel
