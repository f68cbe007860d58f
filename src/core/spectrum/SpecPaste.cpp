#include "core/spectrum/SpecPaste.h"

#include <cmath>
#include <optional>
#include <string_view>

#include "core/common/Directories.h"
#include "core/common/ErrorBox.h"
#include "core/common/NumberText.h"
#include "core/common/TextFile.h"
#include "core/common/UiHooks.h"
#include "core/spectrum/Spec.h"

namespace sorrel {

namespace {

// The longest field that is read as a number.
constexpr size_t kMaxField = 255;

// A mass stepped on from the first mass must still be a 32-bit float (the
// largest double that rounds to a finite float).
constexpr double kFloatLimit = 3.4028235677973366e38;

}  // namespace

bool PasteSpectrum(const std::string& clipboardText, TSpec& store) {
  // A run store becomes a single-spectrum store: the run goes.
  if (!store.MassOnly()) store.Clear();
  store.SetMassOnly(true);

  const std::vector<std::string> lines = SplitLines(clipboardText);
  if (lines.empty()) {
    ShowErrorBox("Empty/incorrect data.");
    return false;
  }

  // The points are gathered apart and replace the spectrum only when the
  // paste has run to its end: a paste that stops changes nothing.
  tXYarray points;
  points.reserve(lines.size());
  bool firstMassMode = false;
  double nextMass = 0.0;  // the mass of the next point in first-mass mode

  for (size_t i = 0; i < lines.size(); ++i) {
    const std::string_view line = lines[i];
    if (!line.empty() && line[0] == '\'') continue;
    if (!firstMassMode && line.substr(0, 4) == ";fm=") {
      const std::optional<float> fm = ParseFloat32(line.substr(4, kMaxField));
      if (!fm) {
        ShowErrorBox("Wrong first mass.");
        return false;
      }
      nextMass = *fm;
      firstMassMode = true;
      continue;
    }

    const size_t tab = line.find('\t');
    if (tab == std::string_view::npos && !firstMassMode) {
      const std::string answer = Ui().InputBox("Input Box", "First mass", "1");
      const std::optional<float> fm = ParseFloat32(TrimBlanks(answer));
      if (!fm) {
        ShowErrorBox("Wrong first mass.");
        return false;
      }
      nextMass = *fm;
      firstMassMode = true;
    }

    std::optional<float> mass, intensity;
    if (firstMassMode) {
      if (std::fabs(nextMass) < kFloatLimit) mass = static_cast<float>(nextMass);
    } else {
      mass = ParseFloat32(line.substr(0, tab));
    }
    intensity = tab == std::string_view::npos ? ParseFloat32(line.substr(0, kMaxField))
                                              : ParseFloat32(line.substr(tab + 1, kMaxField));
    if (!mass || !intensity) {
      if (Ui().Confirm("Error: Wrong number syntax, line (" + std::to_string(i) + ")" +
                       "Continue ?"))
        continue;
      return false;
    }
    points.push_back({*mass, *intensity});
    nextMass += 1.0;
  }

  store.CMass = std::move(points);
  if (store.RefreshPlot) store.RefreshPlot();
  return true;
}

}  // namespace sorrel
