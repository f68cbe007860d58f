#include "core/mainwindow/PcaOptions.h"

#include "core/common/ErrorBox.h"
#include "core/common/NumberText.h"
#include "core/common/Paths.h"
#include "core/training/Training.h"

namespace sorrel {

std::vector<std::string> OptionsSummary(const TTraining& t) {
  std::vector<std::string> lines;
  lines.push_back(t.Normalize ? "Normalized = YES" : "Normalized = NO");
  lines.push_back(t.IncSens > 0 ? "Increased Sensitivity = " + FloatToStr(t.IncSens)
                                : "Increased Sensitivity = NO");
  lines.push_back("Calculation Precision = 1E-" + std::to_string(t.PrecPower));
  lines.push_back("Low Mass Boundary = " + std::to_string(t.LowBound));
  lines.push_back("High Mass Boundary = " + std::to_string(t.HighBound));
  lines.push_back("");
  lines.push_back("Proceeded spectra:");
  lines.insert(lines.end(), t.LoadedSpec.begin(), t.LoadedSpec.end());
  return lines;
}

bool LoadOptions(const TTraining& t, PcaOptionsValues& values, std::vector<std::string>& summary) {
  if (!t.Calculated) {
    ShowErrorBox("PC's are not calculated yet.");
    return false;
  }
  values.Compound =
      t.Compound.empty() ? ChangeFileExt(ExtractFileName(t.FileName()), "") : t.Compound;
  if (t.PPID > 0) values.PPID = t.PPID;
  if (t.PNID > 0) values.PNID = t.PNID;
  values.NLoadings = t.NLoadings;
  summary = OptionsSummary(t);
  return true;
}

bool ApplyOptions(TTraining& t, const PcaOptionsValues& values) {
  t.PPID = values.PPID;
  t.PNID = values.PNID;
  t.NLoadings = values.NLoadings;
  t.Compound = values.Compound;
  if (t.Compound.empty()) {
    ShowErrorBox("The field compound must be filled in.");
    return false;
  }
  return true;
}

}  // namespace sorrel
