#pragma once
// What the widget tests of a plot frame's window share: a scratch program
// directory (Config/ and Data/, so that nothing asks for them), the
// scripted user interface reporting to QtTest, a frame named as the
// collection names the first one, its window on screen, and runs made of
// given scans.
#include <QtTest>
#include <memory>
#include <vector>

#include "QtScriptedUi.h"
#include "TempDir.h"
#include "core/plots/PlotFrame.h"
#include "gui/plots/TfrmPlot.h"

namespace sorrel::test {

class FrameWindowFixture {
 protected:
  void StartFrame() {
    dir = std::make_unique<ScratchProgramDir>();
    ui = QtScriptedUi();
    frame = std::make_unique<PlotFrame>();
    frame->Name = "Sp1";
    frame->Initialise("");
  }
  void StopFrame() {
    frame.reset();
    ui.reset();
    dir.reset();
  }

  // The frame's window, shown; null when it could not be shown.
  std::unique_ptr<TfrmPlot> Window(int width = 1200, int height = 800) {
    auto w = std::make_unique<TfrmPlot>(*frame);
    w->resize(width, height);
    w->show();
    if (!QTest::qWaitForWindowExposed(w.get())) return nullptr;
    return w;
  }

  // The frame's run becomes `scans`, 10 s apart, each with its total as
  // TIC; it opens on its first largest total.
  void FillRun(const std::vector<tXYarray>& scans) {
    frame->Spec.SetAutoRefresh(false);
    for (size_t s = 0; s < scans.size(); ++s) {
      double tot = 0;
      for (const dPoint& p : scans[s])
        tot += p[1];
      frame->Spec.AddSSpec(10.0 * (static_cast<double>(s) + 1), tot, scans[s]);
    }
    frame->Spec.SetAutoRefresh(true);
    frame->SetIniPos();
  }

  std::unique_ptr<ScratchProgramDir> dir;
  std::unique_ptr<ScriptedUi> ui;
  std::unique_ptr<PlotFrame> frame;
};

}  // namespace sorrel::test
