// The training file: any bytes open without failing; a training that holds
// results classifies a spectrum on its mass grid to an answer or to no
// answer with the reason, never a crash; saving and reopening it never
// fails.
#include <cstdlib>

#include "FuzzSupport.h"
#include "core/plots/PreprocFrame.h"
#include "core/training/Training.h"
#include "core/training/TrainingList.h"

using namespace sorrel;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::InstallYesUi();
  const std::string path = fuzz::WriteScratch("in.trn", data, size);
  TTraining t(path);
  t.Open();
  const bool results = t.HasResults();
  if (results && t.HighBound > t.LowBound &&
      static_cast<double>(t.HighBound) - t.LowBound < 2000.0 &&
      static_cast<double>(t.NLoadings) * t.Loadings[0].size() <= 100000.0) {
    // A spectrum on every mass of the training's window.
    tXYarray s;
    for (int32_t m = t.LowBound; m <= t.HighBound; ++m)
      s.push_back({static_cast<float>(m), static_cast<float>(1 + (m * 37) % 101)});
    SpecFrame frame(s);
    // Arithmetic faults, a grid that does not fit the loadings, a
    // projection that cannot be bracketed, a class model that is
    // incomplete: no answer, and the reason.
    const Classification c = Classify(t, frame, frame);
    if (!c.Calculated || c.Answer.empty() == c.Reason.empty()) std::abort();
  }
  t.Rename(fuzz::ScratchDir() + "out.trn", false);
  t.Save(true);
  TTraining back(fuzz::ScratchDir() + "out.trn");
  back.Open();
  // What was saved as calculated with a mass axis reads back with results.
  if (results && !t.Xvals.empty() && !back.HasResults()) std::abort();
  return 0;
}
