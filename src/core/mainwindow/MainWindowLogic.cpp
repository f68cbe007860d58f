#include "core/mainwindow/MainWindowLogic.h"

#include <algorithm>
#include <cmath>
#include <exception>
#include <filesystem>

#include "core/common/ErrorBox.h"
#include "core/mainwindow/Startup.h"
#include "core/plots/PlotCollection.h"
#include "core/plots/PlotFrame.h"

namespace sorrel {

namespace {

// A mass as a boundary: a whole number within the int range (a corrupt
// mass of 1e30 must not become an undefined conversion).
int BoundOf(double mass) {
  if (std::isnan(mass)) return 0;
  if (mass <= static_cast<double>(INT_MIN)) return INT_MIN;
  if (mass >= static_cast<double>(INT_MAX)) return INT_MAX;
  return static_cast<int>(mass);
}

}  // namespace

void IntSpinValue::SetValue(int value) {
  value_ = std::clamp(value, min_, max_);
}

void IntSpinValue::SetMax(int max) {
  max_ = std::max(max, min_);
  SetValue(value_);
}

std::string StatusBarText(const std::string& hint) {
  const size_t bar = hint.find('|');
  return " " + (bar == std::string::npos ? hint : hint.substr(bar + 1));
}

MainWindowLogic::MainWindowLogic(PlotCollection& plots) : plots_(plots), script_(*this) {}

void MainWindowLogic::Start() {
  caption_ = kCaptionBase;
  Notify(kCaption);
  iniSet_ = OpenStartupIni();
  training_ = StartUpTraining(iniSet_);
  ShowTraining(true);
  UnifyBounds(false);
  ApplyEnabling();
}

void MainWindowLogic::ShowTraining(bool reopenSpectra) {
  // While the training is locked, nothing the window does goes back into it.
  training_.Locked = true;
  struct Unlock {
    TTraining& t;
    ~Unlock() { t.Locked = false; }
  } unlock{training_};

  settings_.LowBound.SetValue(training_.LowBound);
  settings_.HighBound.SetValue(training_.HighBound);
  settings_.Normalize = training_.Normalize;
  settings_.IncSens = std::isfinite(training_.IncSens)
                          ? std::clamp(training_.IncSens, 0.0, SettingsPanel::kMaxIncSens)
                          : 0.0;
  settings_.NLoadings.SetValue(training_.NLoadings);
  // A training without a precision (0, as a file without the key reads)
  // shows the panel's default instead of the smallest precision, 10^-1.
  settings_.PrecPower.SetValue(training_.PrecPower == 0 ? SettingsPanel::kDefaultPrecPower
                                                        : training_.PrecPower);
  Notify(kSettings);

  if (reopenSpectra) {
    plots_.Clear();
    std::string failed;
    const std::string dir = training_.DirName();
    for (const std::string& name : training_.LoadedSpec) {
      // With all numbers in use the collection refuses the frame and says
      // so; the rest would only be refused again.
      const bool full = plots_.FirstFreeNumber() < 0;
      std::string error;
      if (OpenSpectrumFrame(dir + name, &error) < 0 && !error.empty()) failed += "\n" + error;
      if (full) break;
    }
    if (!failed.empty())
      ShowErrorBox("Some spectra of the training " + training_.FileName() +
                   " could not be opened:" + failed);
  }

  enabling_.OpenSpec = true;
  enabling_.CloseSpectrum = plots_.Count() >= 1;
  enabling_.PcaMenu = plots_.Count() > 2;
  caption_ = std::string(kCaptionBase) + " - " + training_.FileName();
  Notify(kEnabling | kCaption);
}

void MainWindowLogic::UnifyBounds(bool recompute) {
  const int count = plots_.Count();
  if (count == 0) return;
  int low = training_.LowBound;
  int high = training_.HighBound;
  const bool newLow = recompute || low == 0;
  const bool newHigh = recompute || high == 0;
  bool anyLow = false, anyHigh = false;
  for (int i = 0; i < count; ++i) {
    const std::vector<double>& masses = plots_.Items(i)->chrMass.X();
    if (masses.empty()) continue;
    if (newLow) {
      const int first = BoundOf(std::trunc(masses.front()));
      low = anyLow ? std::max(low, first) : first;
      anyLow = true;
    }
    if (newHigh) {
      const int last = BoundOf(std::ceil(masses.back()));
      high = anyHigh ? std::min(high, last) : last;
      anyHigh = true;
    }
  }
  settings_.LowBound.SetValue(low);
  settings_.HighBound.SetValue(high);
  settings_.NLoadings.SetMax(count);
  if (training_.NLoadings < 2) settings_.NLoadings.SetValue(count - 3);
  Notify(kSettings);
}

void MainWindowLogic::ResetResults() {
  resultsVisible_ = false;
  enabling_.SaveTraining = false;
  Notify(kResults | kEnabling);
}

void MainWindowLogic::ApplyEnabling() {
  enabling_.PcaMenu = plots_.Count() > 2;
  enabling_.CloseSpectrum = plots_.Count() >= 1;
  Notify(kEnabling);
}

void MainWindowLogic::CloseActive() {
  if (plots_.Count() < 1) return;
  plots_.Delete(plots_.Active());
  ResetResults();
  // The number of frames changed: the menus follow at once, so that
  // Calculate PC's is not offered over two frames until the next command.
  ApplyEnabling();
}

void MainWindowLogic::OpenFiles(const std::vector<std::string>& files) {
  for (const std::string& f : files) {
    std::error_code ec;
    std::filesystem::path p = std::filesystem::absolute(f, ec);
    const std::string name = ec ? f : p.lexically_normal().string();
    int index = -1;
    bool ok = false;
    try {
      index = plots_.Add("");
      if (index < 0) break;  // all frames in use: the collection said so
      ok = plots_.Items(index)->OpenData(name);
      if (!ok) ShowErrorBox("Cannot open " + name);
    } catch (const std::exception& e) {
      ShowErrorBox(e.what());
    }
    if (!ok && index >= 0) plots_.Delete(index);
  }
  ApplyEnabling();
}

void MainWindowLogic::ShutDown() {
  sorrel::ShutDown(iniSet_, training_);
}

int MainWindowLogic::OpenSpectrumFrame(const std::string& path, std::string* error) {
  int index = -1;
  try {
    index = plots_.Add(training_.DefaultTml);
    if (index < 0) return -1;
    PlotFrame& frame = *plots_.Items(index);
    frame.SetMassOnly(true);
    frame.OpenData(path);
    if (frame.IsEmpty()) {
      plots_.Delete(index);
      return -1;
    }
  } catch (const std::exception& e) {
    // A frame whose file could not be read is not left open empty.
    if (index >= 0) plots_.Delete(index);
    if (error)
      *error = e.what();
    else
      ShowErrorBox(e.what());
    return -1;
  }
  return index;
}

void MainWindowLogic::AfterCommand() {
  UnifyBounds(true);
  ResetResults();
  ApplyEnabling();
}

}  // namespace sorrel
