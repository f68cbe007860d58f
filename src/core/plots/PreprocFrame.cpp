#include "core/plots/PreprocFrame.h"

#include <utility>

#include "core/plots/Extraction.h"

namespace sorrel {

bool PreprocessSpectrum(const PreprocSettings& settings, PreprocFrame& pl0, PreprocFrame& plX,
                        adouble& row, adouble& xvals) {
  if (pl0.IsEmpty() || plX.IsEmpty()) return false;
  plX.TakeOptionsOf(pl0);
  PreprocessRow(settings, pl0.CurrentMass(), plX.CurrentMass(), row, xvals, plX.FileName());
  return true;
}

SpecFrame::SpecFrame(tXYarray spectrum, std::string name) : name_(std::move(name)) {
  Select(std::move(spectrum));
}

bool SpecFrame::Open(const std::string& fileName) {
  if (!spec_.OpenFile(fileName)) return false;
  name_ = fileName;
  if (spec_.NSpec() > 0)
    Select(spec_.GetMass(InitialScan(spec_.Chrom)));
  else
    Select(spec_.CMass);
  return true;
}

void SpecFrame::Select(tXYarray spectrum) {
  selected_ = std::move(spectrum);
  Refresh();
}

void SpecFrame::SetProcessing(Processing processing) {
  processing_ = std::move(processing);
  Refresh();
}

bool SpecFrame::IsEmpty() const {
  return spec_.Chrom.empty() && spec_.CMass.empty();
}

void SpecFrame::TakeOptionsOf(const PreprocFrame& other) {
  if (&other == this) return;
  if (const auto* frame = dynamic_cast<const SpecFrame*>(&other)) {
    processing_ = frame->processing_;
    Refresh();
  }
}

void SpecFrame::Refresh() {
  spec_.CMass = processing_ ? processing_(selected_) : selected_;
}

}  // namespace sorrel
