#pragma once
// Preprocessing for PCA: one spectrum of a frame becomes one row of the data
// matrix on the training's grid of nominal masses (nominal-mass split, cut
// to the training's bounds, optional normalisation to a reference spectrum,
// optional intensity weighting by mass).
//
// It works on frames through PreprocFrame, the little it needs of a frame:
// whether the frame is empty, taking over another frame's processing
// options, and the frame's current mass spectrum. The plot frame implements
// it; SpecFrame implements it over a bare spectrum store for the command
// line and the tests.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "core/common/Types.h"
#include "core/spectrum/Spec.h"

namespace sorrel {

class PreprocFrame {
 public:
  virtual ~PreprocFrame() = default;
  // Empty when the frame shows neither a chromatogram nor a mass spectrum.
  virtual bool IsEmpty() const = 0;
  // Takes over the processing options of `other` and updates the frame
  // (and so its current spectrum) from them. Taking its own options is
  // allowed and changes nothing.
  virtual void TakeOptionsOf(const PreprocFrame& other) = 0;
  // The frame's current mass spectrum (its store's CMass).
  virtual const tXYarray& CurrentMass() const = 0;
  // The spectrum file the frame shows, for messages; may be empty.
  virtual std::string FileName() const { return {}; }
};

// The training's preprocessing settings.
struct PreprocSettings {
  int32_t LowBound = 0;
  int32_t HighBound = 0;
  bool Normalize = false;
  double IncSens = 0.0;  // 0 means no weighting
};

// Preprocesses the current spectrum of plX with pl0 as the reference frame:
//   1. if either frame is empty, nothing happens and the answer is false
//      (row and xvals keep their contents);
//   2. plX takes over pl0's processing options;
//   3. S = NomMassSplit(plX's spectrum) on the grid of integer masses
//      LowBound to HighBound: S[i] is mass LowBound + i, with the intensity
//      the nominal spectrum has there (0 where it has none). For a spectrum
//      that covers the bounds this is CutToBounds(LowBound, HighBound);
//      one that does not keeps its intensities at their own masses;
//   4. xvals[i] = LowBound + i;
//   5. factor = (sum of Y of the reference cut the same way) / (sum of Y of
//      S) with Normalize, else 1;
//   6. row[i] = |xvals[i]|^IncSens * (factor * Y of S[i]), or factor * Y
//      when IncSens is 0.
// LowBound not below HighBound gives an empty row and empty xvals. With
// Normalize, a spectrum whose intensities sum to 0 in the window throws
// MathError; row and xvals are then untouched.
bool PreprocessSpectrum(const PreprocSettings& settings, PreprocFrame& pl0, PreprocFrame& plX,
                        adouble& row, adouble& xvals);

// A frame over a spectrum store alone. Its processing options are a recipe
// that turns the frame's selected spectrum (the spectrum read from a file,
// or the one picked from a run) into its current spectrum; taking another
// frame's options copies that frame's recipe and recomputes.
class SpecFrame : public PreprocFrame {
 public:
  using Processing = std::function<tXYarray(const tXYarray&)>;

  SpecFrame() = default;
  // A frame holding `spectrum` as its selected spectrum.
  explicit SpecFrame(tXYarray spectrum, std::string name = {});

  // Opens a file into the store as the desktop program does (questions go
  // through the user-interface hooks). A single spectrum is selected as it
  // is; a run selects the scan it opens on. Answers whether it opened.
  bool Open(const std::string& fileName);

  TSpec& Spec() { return spec_; }
  const TSpec& Spec() const { return spec_; }
  const tXYarray& Selected() const { return selected_; }
  void Select(tXYarray spectrum);
  void SetProcessing(Processing processing);
  void SetFileName(std::string name) { name_ = std::move(name); }

  bool IsEmpty() const override;
  void TakeOptionsOf(const PreprocFrame& other) override;
  const tXYarray& CurrentMass() const override { return spec_.CMass; }
  std::string FileName() const override { return name_; }

 private:
  void Refresh();
  TSpec spec_;
  tXYarray selected_;
  Processing processing_;
  std::string name_;
};

}  // namespace sorrel
