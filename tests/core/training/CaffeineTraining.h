#pragma once
// A calculated training of three caffeine spectra (the CC BY-SA GC-EI-TOF
// spectra of tests/data/pca other than RIKEN's, which stays an unknown of
// another instrument): the spectra copied beside the training file,
// normalised, 2 loadings, limits 1 and 3, written to its file.
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "TempDir.h"
#include "core/common/Paths.h"
#include "core/plots/PreprocFrame.h"
#include "core/training/TrainingCalc.h"
#include "core/training/TrainingList.h"

namespace sorrel::test {

struct CaffeineTraining {
  std::vector<std::unique_ptr<SpecFrame>> owned;
  FrameList frames;
  TTraining t;

  CaffeineTraining(const std::string& file, tClassModel model) : t(file) {
    for (const char* name :
         {"caffeine_MSBNK-Kazusa-KZ000017.txt", "caffeine_MSBNK-Kazusa-KZ000113.txt",
          "caffeine_MSBNK-Osaka_Univ-OUF00133.txt"}) {
      const std::string copy = t.DirName() + name;
      if (!FileExists(copy)) std::filesystem::copy_file(TestData(std::string("pca/") + name), copy);
      owned.push_back(std::make_unique<SpecFrame>());
      EXPECT_TRUE(owned.back()->Open(copy));
      frames.push_back(owned.back().get());
      t.LoadedSpec.push_back(name);
    }
    UnifiedBounds(frames, t.LowBound, t.HighBound);
    t.Compound = "Caffeine";
    t.Normalize = true;
    t.PrecPower = 6;
    t.NLoadings = 2;
    t.PPID = 1;
    t.PNID = 3;
    t.ClassModel = model;
    PcaResults r;
    EXPECT_TRUE(CalculatePCs(t, frames, 2, r));
    StoreResults(t, r);
    t.Save(true);
  }
};

}  // namespace sorrel::test
