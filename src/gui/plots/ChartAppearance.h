#pragma once
// A chart's appearance without its data, as an INI file: the title and the
// axes' titles with their fonts and colours, the background, the colour and
// width of each series, and the axes' ranges (fixed, or scaled to the data).
//
//   [Chart]       Title TitleFont TitleColor Background (of the plotting area)
//   [Series<i>]   Color Width                         (one per series)
//   [BottomAxis]  Title TitleFont LabelFont Color Grid Auto Min Max
//   [LeftAxis]    (the same keys)
#include <QColor>
#include <string>

class QCustomPlot;

namespace sorrel {

// The colour of the plotting area.
QColor PlotBackground(QCustomPlot& plot);

// Which axes scale to the data (true) rather than keep a fixed range.
struct ChartAutoScale {
  bool bottom = true;
  bool left = true;
};

// Writes the appearance of `plot` to `fileName` (safely; throws SorrelError
// naming the file when it cannot be written).
void SaveChartAppearance(QCustomPlot& plot, const std::string& fileName, ChartAutoScale autoScale);

// Applies the appearance saved in `fileName` to `plot`; keys that are
// missing leave the chart as it is. Answers which axes are to scale to the
// data. A file that does not exist throws SorrelError with the file name
// followed by "- not found".
ChartAutoScale LoadChartAppearance(QCustomPlot& plot, const std::string& fileName);

}  // namespace sorrel
