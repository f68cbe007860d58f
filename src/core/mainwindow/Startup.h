#pragma once
// How the main window comes up from startup.ini and goes back to it. The
// file lies in the program directory and holds [Target] Training, the path
// of the training last open, and a copy of that training's settings (every
// section of the training file but "PCA"), which a training starting from
// nothing takes over.
#include <string>

#include "core/common/IniFile.h"
#include "core/training/Training.h"

namespace sorrel {

inline constexpr const char* kStartupIniName = "startup.ini";

// startup.ini of the program directory; a missing file reads as empty. A
// file that is there but cannot be read is reported in the error box and
// reads as empty too, so that the program still starts.
TMemIniFile OpenStartupIni();

// The training file a start opens: [Target] Training, or, when the
// directory part of that path does not exist (the program's folder moved,
// or the path has no directory), ProgramDir + "Data/" + its file-name part.
// An empty remembered path gives the Data directory itself, an empty
// training that gets a file of its own only when it is saved.
std::string RememberedTrainingPath(const TMemIniFile& startupIni);

// The training of a start, opened: on the remembered path, read from its
// file when that exists; otherwise it starts from the whole contents of
// startup.ini, so that a new training begins with the settings last used.
// A training file that is there but cannot be read is reported in the
// error box, and the training then starts from startup.ini as well.
TTraining StartUpTraining(const TMemIniFile& startupIni);

// Shutdown: the training's fields go into its in-memory contents (without
// writing its file); startup.ini becomes a copy of them without the "PCA"
// section, plus [Target] Training = the training's file name, and is
// written; then the training is written to its own file when it still
// counts as calculated. Both files are tried; a file that cannot be
// written throws SorrelError naming it (both names when both failed), and
// the file keeps what it had.
void ShutDown(TMemIniFile& startupIni, TTraining& training);

}  // namespace sorrel
