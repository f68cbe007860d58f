// The leave-one-out table of both class models over the real EI spectra of
// ../shared/data/ei-spectra (run by hand: bench_classmodels [DIRECTORY]).
//
// Each spectrum in turn is left out of its compound's training: the other
// spectra of that compound, in file-name order (the first is the
// reference), normalised, on the unified mass bounds of those spectra,
// precision 10^-3, the limits 1 and 3, with 1, 2 and 3 loadings. The
// left-out spectrum is classified against it, and so is one spectrum of
// each other compound: the one at the left-out spectrum's place in its own
// compound, counted round the other compound's spectra, so that every
// spectrum serves as an unknown. A spectrum is accepted when it is
// answered "Yes" or "Poss."; one without intensity in the training's mass
// window gets no answer and counts as not accepted.
//
//   sensitivity          accepted left-out spectra / left-out spectra
//   false-positive rate  accepted spectra of other compounds / those tried
//   Yes                  the same counts of "Yes" alone
//
// With --list every answer that misses (a left-out spectrum not accepted,
// another compound accepted) is printed below the table.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "core/common/Errors.h"
#include "core/plots/PreprocFrame.h"
#include "core/training/TrainingCalc.h"
#include "core/training/TrainingList.h"

using namespace sorrel;

namespace {

struct Spectrum {
  std::string compound, name;
  std::unique_ptr<SpecFrame> frame;
};

struct Counts {
  int positives = 0, acceptedPositives = 0, yesPositives = 0, unansweredPositives = 0;
  int negatives = 0, acceptedNegatives = 0, yesNegatives = 0, unansweredNegatives = 0;
};

bool Accepted(const Classification& c) {
  return c.Answer == "Yes" || c.Answer == "Poss.";
}

std::string Fraction(int k, int n) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%5.3f (%3d/%3d)", n ? static_cast<double>(k) / n : 0.0, k, n);
  return buf;
}

}  // namespace

int main(int argc, char** argv) {
  std::string dir = SORREL_SHARED_DATA_DIR "/ei-spectra";
  bool list = false;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--list") == 0)
      list = true;
    else
      dir = argv[i];
  }
  std::vector<Spectrum> all;
  std::error_code ec;
  for (const auto& e : std::filesystem::directory_iterator(dir, ec)) {
    if (e.path().extension() != ".txt") continue;
    const std::string name = e.path().filename().string();
    all.push_back({name.substr(0, name.find("_MSBNK")), name, std::make_unique<SpecFrame>()});
    if (!all.back().frame->Open(e.path().string())) {
      std::fprintf(stderr, "%s cannot be opened\n", e.path().c_str());
      return 1;
    }
  }
  if (all.empty()) {
    std::fprintf(stderr, "no spectra (*.txt) in %s\n", dir.c_str());
    return 1;
  }
  std::sort(all.begin(), all.end(),
            [](const Spectrum& a, const Spectrum& b) { return a.name < b.name; });
  std::map<std::string, std::vector<size_t>> byCompound;
  for (size_t i = 0; i < all.size(); ++i)
    byCompound[all[i].compound].push_back(i);

  std::printf("Leave-one-out over %zu spectra of %zu compounds in %s\n\n", all.size(),
              byCompound.size(), dir.c_str());
  std::printf("%-11s %8s  %-17s %-17s  %-17s %-17s  %s\n", "model", "loadings", "sensitivity",
              "Yes", "false-positive", "Yes", "no answer (own/other)");
  std::vector<std::string> misses;
  for (int loadings = 1; loadings <= 3; ++loadings) {
    std::map<tClassModel, Counts> counts;
    for (size_t l = 0; l < all.size(); ++l) {
      const std::vector<size_t>& own = byCompound[all[l].compound];
      FrameList frames;
      for (size_t i : own)
        if (i != l) frames.push_back(all[i].frame.get());
      const size_t place = static_cast<size_t>(std::find(own.begin(), own.end(), l) - own.begin());
      for (tClassModel model : {tClassModel::Standard, tClassModel::Calibrated}) {
        TTraining t;
        UnifiedBounds(frames, t.LowBound, t.HighBound);
        t.Normalize = true;
        t.PrecPower = 3;
        t.NLoadings = loadings;
        t.PPID = 1;
        t.PNID = 3;
        t.ClassModel = model;
        PcaResults r;
        try {
          if (!CalculatePCs(t, frames, loadings, r)) throw SorrelError("bounds");
          StoreResults(t, r);
        } catch (const SorrelError& e) {
          std::fprintf(stderr, "training without %s: %s\n", all[l].name.c_str(), e.what());
          return 1;
        }
        const std::string label =
            std::string(model == tClassModel::Standard ? "standard" : "calibrated") + " " +
            std::to_string(loadings) + ": ";
        Counts& n = counts[model];
        const Classification self = Classify(t, *frames[0], *all[l].frame);
        ++n.positives;
        n.acceptedPositives += Accepted(self);
        n.yesPositives += self.Answer == "Yes";
        n.unansweredPositives += self.Answer.empty();
        if (!Accepted(self))
          misses.push_back(label + all[l].name +
                           " left out: " + (self.Answer.empty() ? self.Reason : self.Answer));
        for (const auto& [compound, others] : byCompound) {
          if (compound == all[l].compound) continue;
          const size_t u = others[place % others.size()];
          const Classification c = Classify(t, *frames[0], *all[u].frame);
          ++n.negatives;
          n.acceptedNegatives += Accepted(c);
          n.yesNegatives += c.Answer == "Yes";
          n.unansweredNegatives += c.Answer.empty();
          if (Accepted(c))
            misses.push_back(label + all[u].name + " accepted by " + all[l].compound + " without " +
                             all[l].name + ": " + c.Answer);
        }
      }
    }
    for (const auto& [model, n] : counts)
      std::printf("%-11s %8d  %s %s  %s %s  %d/%d\n",
                  model == tClassModel::Standard ? "standard" : "calibrated", loadings,
                  Fraction(n.acceptedPositives, n.positives).c_str(),
                  Fraction(n.yesPositives, n.positives).c_str(),
                  Fraction(n.acceptedNegatives, n.negatives).c_str(),
                  Fraction(n.yesNegatives, n.negatives).c_str(), n.unansweredPositives,
                  n.unansweredNegatives);
  }
  if (list) {
    std::printf("\n");
    for (const std::string& m : misses)
      std::printf("%s\n", m.c_str());
  }
  return 0;
}
