#include "core/mainwindow/Startup.h"

#include "core/common/Directories.h"
#include "core/common/ErrorBox.h"
#include "core/common/Errors.h"
#include "core/common/Paths.h"

namespace sorrel {

namespace {

const char* const kTarget = "Target";
const char* const kTrainingKey = "Training";
const char* const kPCA = "PCA";

}  // namespace

TMemIniFile OpenStartupIni() {
  const std::string path = ProgramDir() + kStartupIniName;
  try {
    return TMemIniFile(path);
  } catch (const SorrelError& e) {
    ShowErrorBox(e.what());
    TMemIniFile empty;
    empty.Rename(path, false);
    return empty;
  }
}

std::string RememberedTrainingPath(const TMemIniFile& startupIni) {
  const std::string remembered = startupIni.ReadString(kTarget, kTrainingKey, "");
  if (DirectoryExists(ExtractFilePath(remembered))) return remembered;
  return ProgramDir() + "Data/" + ExtractFileName(remembered);
}

TTraining StartUpTraining(const TMemIniFile& startupIni) {
  const std::string path = RememberedTrainingPath(startupIni);
  bool fromStartup = !FileExists(path);
  TTraining training;
  if (!fromStartup) {
    try {
      training = TTraining(path);
    } catch (const SorrelError& e) {
      ShowErrorBox(e.what());
      fromStartup = true;
    }
  }
  if (fromStartup) {
    training.AssignContents(startupIni);
    training.Rename(path, false);
  }
  training.Open();
  return training;
}

void ShutDown(TMemIniFile& startupIni, TTraining& training) {
  training.Save(false);
  startupIni.AssignContents(training);
  startupIni.EraseSection(kPCA);
  startupIni.EraseSection(kClassModelSection);
  startupIni.WriteString(kTarget, kTrainingKey, training.FileName());
  std::string failed;
  try {
    startupIni.UpdateFile();
  } catch (const SorrelError& e) {
    failed = e.what();
  }
  if (training.Calculated) {
    try {
      training.Save(true);
    } catch (const SorrelError& e) {
      failed += (failed.empty() ? "" : "\n") + std::string(e.what());
    }
  }
  if (!failed.empty()) throw SorrelError(failed);
}

}  // namespace sorrel
