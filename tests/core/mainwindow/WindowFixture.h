#pragma once
// The main window's logic over a scratch program directory, with a
// training directory "sets/" of small XY text spectra and the scripted user
// interface.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "ScriptedUi.h"
#include "TempDir.h"
#include "core/common/NumberText.h"
#include "core/mainwindow/MainWindowLogic.h"
#include "core/plots/PlotCollection.h"
#include "core/plots/PlotFrame.h"

namespace sorrel::test {

// An XY text spectrum, "m/z<TAB>intensity" lines.
inline std::string SpectrumText(const std::vector<std::pair<double, double>>& points) {
  std::string text;
  for (const auto& [m, i] : points)
    text += FormatGeneral(m, 15) + "\t" + FormatGeneral(i, 15) + "\r\n";
  return text;
}

class WindowTest : public ::testing::Test {
 protected:
  WindowTest() { std::filesystem::create_directory(dir.File("sets")); }
  void TearDown() override { EXPECT_TRUE(ui.AllAnswersUsed()); }

  // A spectrum of the training directory from m/z `first` to `last` in
  // unit steps; its path.
  std::string Spectrum(const std::string& name, double first = 40, double last = 60,
                       const std::string& folder = "sets/") {
    std::vector<std::pair<double, double>> points;
    for (double m = first; m <= last; m += 1)
      points.push_back({m, 100 + m});
    return dir.Write(folder + name, SpectrumText(points));
  }

  // The window's training bound to sets/<name> (not written).
  void UseTraining(const std::string& name = "t.trn") {
    window.Training() = TTraining(dir.File("sets/" + name));
    window.Training().Open();
  }

  std::vector<std::string> Files() const {
    std::vector<std::string> out;
    for (int i = 0; i < plots.Count(); ++i)
      out.push_back(plots.Items(i)->Spec.Filename());
    return out;
  }

  ScratchProgramDir dir;
  ScriptedUi ui;
  PlotCollection plots;
  MainWindowLogic window{plots};
};

}  // namespace sorrel::test
