// startup.ini and the training it remembers, as the main window starts and
// shuts down: read [Target] Training, open that training or, when its file
// does not exist, a new training made from the contents of startup.ini;
// at shutdown copy the training's settings and path into startup.ini
// (never its PCA section) and write the training when it is calculated.
//
// The input is startup.ini, then (after a NUL byte) the training file; the
// remembered training is looked up by its file name in a scratch
// directory. The settings a start reads reach the next start unchanged,
// and from the second shutdown on startup.ini no longer changes.
#include <cstdlib>
#include <filesystem>
#include <string_view>

#include "FuzzSupport.h"
#include "core/common/Errors.h"
#include "core/common/IniFile.h"
#include "core/common/NumberText.h"
#include "core/common/Paths.h"
#include "core/common/TextFile.h"
#include "core/training/Training.h"

using namespace sorrel;

namespace {

struct Start {
  TTraining training;
  bool fromStartup = false;  // the training file did not exist
};

// Start-up: the remembered training, or one made from startup.ini.
void StartUp(const std::string& iniPath, Start& s) {
  const TMemIniFile ini(iniPath);
  std::string name = ExtractFileName(ini.ReadString("Target", "Training", ""));
  if (name.empty()) name = "new.trn";
  const std::string path = fuzz::ScratchDir() + "trn/" + name;
  s.fromStartup = !FileExists(path);
  s.training = TTraining(path);
  if (s.fromStartup) s.training.AssignContents(ini);
  s.training.Open();
}

// Shutdown: startup.ini gets the training's settings and path.
void ShutDown(Start& s, const std::string& iniPath) {
  TTraining& t = s.training;
  t.Save(false);
  TMemIniFile ini(iniPath);
  ini.AssignContents(t);
  ini.EraseSection("PCA");
  ini.WriteString("Target", "Training", t.FileName());
  ini.UpdateFile();
  if (!t.Calculated) return;
  try {
    t.Save(true);
  } catch (const SorrelError&) {
    // A remembered name that is no file name ("..") cannot be written:
    // the error says so, startup.ini is written all the same.
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

// The training directory, empty.
void RemoveTrainings() {
  const std::filesystem::path dir = fuzz::ScratchDir() + "trn";
  std::filesystem::remove_all(dir);
  std::filesystem::create_directory(dir);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::InstallYesUi();
  std::string_view input(reinterpret_cast<const char*>(data), size);
  const size_t nul = input.find('\0');
  RemoveTrainings();
  const std::string ini = fuzz::WriteScratch(
      "startup.ini", reinterpret_cast<const uint8_t*>(input.data()), std::min(nul, size));
  if (nul != std::string_view::npos)
    fuzz::WriteScratch("trn/last.trn", data + nul + 1, size - nul - 1);

  Start first;
  StartUp(ini, first);
  const std::string firstSettings = Settings(first.training);
  ShutDown(first, ini);
  const TMemIniFile written(ini);
  if (written.SectionExists("PCA")) std::abort();
  if (written.ReadString("Target", "Training", "") != first.training.FileName()) std::abort();

  // The next start finds the training file when it was written; its
  // settings are those of the first start either way.
  Start second;
  StartUp(ini, second);
  if (second.training.FileName() != first.training.FileName()) std::abort();
  if (Settings(second.training) != firstSettings) std::abort();
  ShutDown(second, ini);

  // Without the training file the settings come from startup.ini alone,
  // and from then on startup.ini stays as it is.
  RemoveTrainings();
  Start third;
  StartUp(ini, third);
  if (!third.fromStartup || Settings(third.training) != firstSettings) std::abort();
  ShutDown(third, ini);
  const std::vector<std::string> once = TMemIniFile(ini).GetStrings();
  RemoveTrainings();
  Start fourth;
  StartUp(ini, fourth);
  ShutDown(fourth, ini);
  if (TMemIniFile(ini).GetStrings() != once) std::abort();
  return 0;
}
