#pragma once
// Opening input files on the command line exactly as the desktop program
// opens them, with the command line's answers to its questions.
#include <string>

#include "cli/Cli.h"
#include "core/spectrum/Spec.h"

namespace sorrel::cli {

// Declares the options OpenInput understands (--first-mass, --skip-bad).
void DeclareOpenOptions(Args& args);

// Opens `path` into `spec`. A directory named *.raw, or any file inside
// one, means that raw directory. A text line the desktop program would ask
// about fails the command with file and line unless --skip-bad is given.
// Throws SorrelError with one line naming the file when opening fails.
void OpenInput(TSpec& spec, const std::string& path, const Args& args);

// "txt", "netcdf", "hd", "masslynx", "cache".
std::string KindName(tFileKind kind);

}  // namespace sorrel::cli
