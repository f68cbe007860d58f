#pragma once
// Runs the sorrel program and captures its exit status and output.
#include <algorithm>
#include <string>
#include <vector>

namespace sorrel::test {

struct CliResult {
  int status = -1;  // the exit status, or 128 + the signal that ended it
  std::string out;
  std::string err;
};

// Where the program's standard output goes.
enum class StdoutTo {
  Captured,    // a file, read back into CliResult::out
  DevFull,     // /dev/full: every write fails with "No space left on device"
  ClosedPipe,  // a pipe whose reader has gone (as `| head -1` after one line)
};

// Runs `sorrel` with `args` (no shell involved); `stdinText` is fed to its
// standard input. A run that has not ended after two minutes is ended by
// SIGALRM, so that a program that waits for ever fails its test instead
// of hanging it.
CliResult RunSorrel(const std::vector<std::string>& args, const std::string& stdinText = "",
                    StdoutTo stdoutTo = StdoutTo::Captured);

// The number of lines of an output (its line feeds).
inline int Lines(const std::string& s) {
  return static_cast<int>(std::count(s.begin(), s.end(), '\n'));
}

}  // namespace sorrel::test
