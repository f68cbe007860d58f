// startup.ini and the training it remembers, through the main window's own
// start-up and shutdown: read [Target] Training, open that training (in the
// Data directory when its folder is gone) or, when its file does not
// exist, a new training made from the contents of startup.ini; at shutdown
// copy the training's settings and path into startup.ini (never its PCA
// section) and write the training when it is calculated.
//
// The input is startup.ini, then (after a NUL byte) the training file. The
// program directory is a scratch directory; the remembered training keeps
// its file name, and its folder becomes the scratch folder trn/ (inputs of
// odd length) or one that does not exist, so that the Data directory is
// looked in, and nothing is ever written outside the scratch directory.
// The settings a start reads reach the next start unchanged, and from the
// second shutdown on startup.ini no longer changes.
#include <cstdlib>
#include <filesystem>
#include <string_view>

#include "FuzzSupport.h"
#include "core/common/Directories.h"
#include "core/common/Errors.h"
#include "core/common/IniFile.h"
#include "core/common/Paths.h"
#include "core/mainwindow/Startup.h"
#include "core/training/Training.h"

using namespace sorrel;

namespace {

TTraining StartUp(bool* fromStartup = nullptr) {
  const TMemIniFile ini = OpenStartupIni();
  if (fromStartup) *fromStartup = !FileExists(RememberedTrainingPath(ini));
  return StartUpTraining(ini);
}

void Shut(TTraining& training) {
  TMemIniFile ini = OpenStartupIni();
  try {
    ShutDown(ini, training);
  } catch (const SorrelError&) {
    // A remembered name that is no file name ("..") cannot be written: the
    // error says so; startup.ini is written all the same.
  }
}

// The settings a training carries from one start to the next, as written.
std::string Settings(TTraining t) {
  t.Save(false);
  std::string out;
  for (const char* section : {"General", "Preprocess", "LoadedSpec"})
    for (const auto& [key, value] : t.ReadSectionValues(section))
      if (!SameText(key, "NLoadings") && !SameText(key, "Calculated"))
        out += std::string(section) + "|" + key + "=" + value + "\n";
  return out;
}

// The training folder and the Data directory, both empty.
void RemoveTrainings() {
  for (const char* sub : {"trn", "Data"}) {
    const std::filesystem::path dir = fuzz::ScratchDir() + sub;
    std::filesystem::remove_all(dir);
    std::filesystem::create_directory(dir);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::InstallYesUi();
  SetProgramDir(fuzz::ScratchDir());
  std::string_view input(reinterpret_cast<const char*>(data), size);
  const size_t nul = input.find('\0');
  RemoveTrainings();
  const std::string iniPath = fuzz::WriteScratch(
      kStartupIniName, reinterpret_cast<const uint8_t*>(input.data()), std::min(nul, size));
  {
    TMemIniFile ini(iniPath);
    const std::string name = ExtractFileName(ini.ReadString("Target", "Training", ""));
    const std::string dir = fuzz::ScratchDir() + (size % 2 ? "trn/" : "gone/");
    ini.WriteString("Target", "Training", dir + name);
    ini.UpdateFile();
  }
  if (nul != std::string_view::npos)
    for (const char* sub : {"trn/", "Data/"})
      fuzz::WriteScratch(std::string(sub) + "last.trn", data + nul + 1, size - nul - 1);

  TTraining first = StartUp();
  if (ExtractFilePath(first.FileName()).rfind(fuzz::ScratchDir(), 0) != 0) std::abort();
  const std::string firstSettings = Settings(first);
  Shut(first);
  const TMemIniFile written(iniPath);
  if (written.SectionExists("PCA")) std::abort();
  if (written.ReadString("Target", "Training", "") != first.FileName()) std::abort();

  // The next start finds the training where the first one left it; its
  // settings are those of the first start either way.
  TTraining second = StartUp();
  if (second.FileName() != first.FileName()) std::abort();
  if (Settings(second) != firstSettings) std::abort();
  Shut(second);

  // Without the training file the settings come from startup.ini alone,
  // and from then on startup.ini stays as it is.
  RemoveTrainings();
  bool fromStartup = false;
  TTraining third = StartUp(&fromStartup);
  if (!fromStartup || Settings(third) != firstSettings) std::abort();
  Shut(third);
  const std::vector<std::string> once = TMemIniFile(iniPath).GetStrings();
  RemoveTrainings();
  TTraining fourth = StartUp();
  Shut(fourth);
  if (TMemIniFile(iniPath).GetStrings() != once) std::abort();
  return 0;
}
