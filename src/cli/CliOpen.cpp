#include "cli/CliOpen.h"

#include <limits>

#include "core/common/Errors.h"
#include "core/common/FileCheck.h"
#include "core/common/NumberText.h"
#include "core/common/Paths.h"
#include "core/common/TextFile.h"

namespace sorrel::cli {

void DeclareOpenOptions(Args& args) {
  args.Group("Input");
  args.Option("--first-mass", "M", "first mass of a .prn (Y-only) text spectrum")
      .Number(0, std::numeric_limits<float>::max(), true)
      .Default("1");
  args.Flag("--skip-bad",
            "skip text lines with a missing tab or a bad number (without it such a line fails "
            "the command, naming the file and line)");
}

std::string KindName(tFileKind kind) {
  switch (kind) {
    case fkTxt:
      return "txt";
    case fkNetCDF:
      return "netcdf";
    case fkHD:
      return "hd";
    case fkMassLynx:
      return "masslynx";
    case fkCashe:
      return "cache";
    case fkNone:
      break;
  }
  return "none";
}

void OpenInput(TSpec& spec, const std::string& path, const Args& args) {
  std::string name = path;
  // A raw directory given by its own name opens like a file inside it.
  if (DirectoryExists(name) &&
      UpperCase(ExtractFileExt(name.back() == '/' ? name.substr(0, name.size() - 1) : name)) ==
          ".RAW") {
    if (name.back() != '/') name += '/';
    name += "_FUNCTNS.INF";
  }
  if (FileKindOf(name) != fkMassLynx) {
    // A FIFO would hang the reader and /dev/zero never end: only regular
    // files are read.
    const std::string problem = RegularFileProblem(name);
    if (!problem.empty()) throw SorrelError(path + ": " + problem);
  }
  NoteInput(FileKindOf(name) == fkMassLynx ? ExtractFilePath(name) : name);
  TheUi().messages.clear();
  bool ok = false;
  try {
    if (FileKindOf(name) == fkTxt) {
      std::string firstMass = args.Value("--first-mass").value_or("1");
      bool skipBad = args.Has("--skip-bad");
      std::string badLine;
      ok = spec.OpenTextFile(
          name, [&] { return firstMass; },
          [&](BadLineKind kind, int index, const std::string& line) {
            if (skipBad) return true;
            std::string shown = line.size() > 80 ? line.substr(0, 80) + "..." : line;
            badLine =
                path + ":" + std::to_string(index + 1) + ": " +
                (kind == BadLineKind::MissingTab ? "\"tab\" is missing" : "wrong number syntax") +
                " in \"" + OneLine(shown) + "\" (--skip-bad skips such lines)";
            return false;
          });
      if (!ok && !badLine.empty()) throw SorrelError(badLine);
    } else {
      ok = spec.OpenFile(name);
    }
  } catch (const SorrelError& e) {
    std::string msg = e.what();
    if (msg.find(path) == std::string::npos) msg = path + ": " + msg;
    std::string extra = TheUi().MessagesText();
    throw SorrelError(extra.empty() ? msg : msg + " (" + extra + ")");
  }
  if (!ok) {
    std::string why = TheUi().MessagesText();
    if (FileKindOf(name) == fkNone) why = "unknown file type";
    throw SorrelError(path + ": " + (why.empty() ? "cannot be opened" : why));
  }
}

}  // namespace sorrel::cli
