#pragma once
// What a name stands for before anything is read from it or written to
// it. A reader handed a FIFO waits for ever, one handed /dev/zero reads
// without end, and a writer that renames its file over a device node
// replaces the node; so every file is examined first.
#include <string>

namespace sorrel {

// Why `path` cannot be read as a regular file (symbolic links followed),
// as a short lower-case text ("no such file", "a directory, not a file",
// "a FIFO (named pipe), not a regular file", "the name is too long" ...),
// or empty text when it can.
std::string RegularFileProblem(const std::string& path);

// Throws SorrelError "Cannot open file PATH: <problem>" when `path` is not
// a regular file that can be examined.
void CheckRegularFile(const std::string& path);

// Throws SorrelError "Cannot open PATH: ENTRY is <kind>, not a regular
// file" for the first entry of the directory `dir` that is a FIFO, a
// device or a socket (links followed). The raw directory readers open the
// files of such a directory themselves, and one of those would hang them.
void CheckDirectoryFiles(const std::string& dir);

// The problem text of a failed stat() or open() (errno `err`) on `path`.
std::string FileErrorText(const std::string& path, int err);

// The kind of a file that is not a regular one, for messages ("a
// directory", "a FIFO (named pipe)", "a character device" ...), from its
// st_mode.
std::string FileTypeText(unsigned mode);

// True when a directory entry of this name exists, even a symbolic link
// that points nowhere or into a loop.
bool NameExists(const std::string& path);

// True when both names reach the same file (same device and inode, links
// followed); false when either cannot be examined.
bool SameFile(const std::string& a, const std::string& b);

}  // namespace sorrel
