#pragma once
// The fixture of the plot frame's tests: a program directory with Config/
// and Data/, so that no frame asks for them, the scripted user interface,
// and runs made of given scans.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "ScriptedUi.h"
#include "TempDir.h"
#include "core/plots/PlotFrame.h"

namespace sorrel::test {

class FrameTest : public testing::Test {
 public:
  using Points = std::vector<std::pair<double, double>>;

 protected:
  std::string Config(const std::string& name) const { return dir.Config(name); }
  std::string Data(const std::string& name) const { return dir.Data(name); }

  // A frame on the defaults, named as the collection names the first one.
  std::unique_ptr<PlotFrame> NewFrame(const std::string& tml = "") {
    auto f = std::make_unique<PlotFrame>();
    f->Name = "Sp1";
    f->Initialise(tml);
    return f;
  }

  // A run of scans whose spectra are given, at retention times 10 s apart
  // and with their totals as TIC.
  static void FillRun(PlotFrame& f, const std::vector<tXYarray>& scans) {
    f.Spec.SetAutoRefresh(false);
    for (size_t i = 0; i < scans.size(); ++i) {
      double tot = 0;
      for (const dPoint& p : scans[i])
        tot += p[1];
      f.Spec.AddSSpec(10.0 * (static_cast<double>(i) + 1), tot, scans[i]);
    }
    f.Spec.SetAutoRefresh(true);
    f.SetIniPos();
  }

  static Points Series(const ChartViewLogic& v) {
    Points out;
    for (int i = 0; i < v.Count(); ++i)
      out.emplace_back(v.X()[static_cast<size_t>(i)], v.Y()[static_cast<size_t>(i)]);
    return out;
  }

  ScratchProgramDir dir;
  ScriptedUi ui;
};

}  // namespace sorrel::test
