#include "core/spectrum/SpecText.h"

#include <climits>
#include <cmath>
#include <optional>

#include "core/common/Errors.h"
#include "core/common/NumberText.h"
#include "core/common/Paths.h"
#include "core/common/SafeSave.h"
#include "core/common/TextFile.h"
#include "core/common/UiHooks.h"
#include "core/spectrum/Spec.h"

namespace sorrel {

bool IsYOnlyName(const std::string& fileName) {
  return UpperCase(ExtractFileExt(fileName)) == ".PRN";
}

bool TSpec::OpenTextFile(const std::string& oFilename,
                         const std::function<std::string()>& askFirstMass,
                         const BadLineHandler& onBadLine) {
  fFileKind = fkNone;
  BusyCursor busy;
  auto fail = [&] {
    Clear();
    fFileKind = fkNone;
    fFilename.clear();
    return false;
  };

  std::vector<std::string> lines = ReadTextLines(oFilename);
  if (lines.empty()) {
    Ui().ShowMessage("Empty data file");
    return fail();
  }
  const bool yOnly = IsYOnlyName(oFilename);
  double firstMass = 0;
  if (yOnly) {
    auto fm = ParseFloat32(TrimBlanks(askFirstMass()));
    if (!fm) {
      fail();
      throw SorrelError("Wrong first mass.");
    }
    firstMass = *fm;
  }

  tXYarray points;
  for (size_t i = 0; i < lines.size(); ++i) {
    std::string line = lines[i];
    if (!line.empty() && (line[0] == ';' || line[0] == '\'')) continue;
    auto open = line.find('(');
    auto close = line.find(')');
    if (open != std::string::npos && close != std::string::npos && open < close)
      line.erase(open, close - open + 1);
    const int index = static_cast<int>(std::min<size_t>(i, INT32_MAX));

    std::optional<float> x, y;
    if (!yOnly) {
      auto tab = line.find('\t');
      if (tab == std::string::npos) {
        if (onBadLine(BadLineKind::MissingTab, index, line)) continue;
        return fail();
      }
      x = ParseFloat32(TrimBlanks(std::string_view(line).substr(0, tab)));
      y = ParseFloat32(TrimBlanks(std::string_view(line).substr(tab + 1, 255)));
    } else {
      y = ParseFloat32(TrimBlanks(std::string_view(line).substr(0, 255)));
      // The mass follows from the first mass and the points accepted so far.
      double m = firstMass + static_cast<double>(points.size());
      if (y && std::fabs(m) < 3.4028235677973366e38) x = static_cast<float>(m);
    }
    if (!x || !y) {
      if (onBadLine(BadLineKind::WrongNumber, index, line)) continue;
      return fail();
    }
    points.push_back({*x, *y});
  }
  CMass = std::move(points);
  fFileKind = fkTxt;
  fFilename = oFilename;
  return true;
}

std::string XYText(const tXYarray& points) {
  std::string out;
  out.reserve(points.size() * 24);
  for (const dPoint& p : points) {
    out += FloatToStr(static_cast<double>(p[0]));
    out += '\t';
    out += FloatToStr(static_cast<double>(p[1]));
    out += "\r\n";
  }
  return out;
}

void TSpec::WriteTextFile(const std::string& sFilename) {
  if (CMass.empty())
    throw SorrelError("No data to save in " + sFilename +
                      (fMassOnly || NSpec() == 0
                           ? ": the spectrum holds no points"
                           : ": the current spectrum holds no points (a text file holds one "
                             "spectrum; a run is saved as .cdf or .R01)"));
  SafeWriteFile(sFilename, XYText(CMass));
}

void SaveXYList(const tXYarray& points, const std::string& fileName) {
  std::string out;
  for (const dPoint& p : points) {
    out += FormatValue(p[0]);
    out += '\t';
    out += FormatValue(p[1]);
    out += "\r\n";
  }
  SafeWriteFile(fileName, out);
}

}  // namespace sorrel
