#pragma once
// The frames a training takes its spectra from. Preprocessing for PCA
// (processing/Preproc.h) works on frames through PreprocFrame, the little
// it needs of a frame: whether the frame is empty, taking over another
// frame's processing options, and the frame's current mass spectrum. The
// plot frame implements it; SpecFrame implements it over a bare spectrum
// store for the command line and the tests.
#include <functional>
#include <memory>
#include <string>

#include "core/common/Types.h"
#include "core/processing/Preproc.h"
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

// Preprocesses the current spectrum of plX with pl0 as the reference frame:
// if either frame is empty, nothing happens and the answer is false (row
// and xvals keep their contents); otherwise plX takes over pl0's processing
// options and its current spectrum becomes the row (PreprocessRow, with
// pl0's current spectrum as the normalisation reference).
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
