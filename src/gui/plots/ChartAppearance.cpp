#include "gui/plots/ChartAppearance.h"

#include <qcustomplot.h>

#include "core/common/Errors.h"
#include "core/common/IniFile.h"
#include "core/common/Paths.h"
#include "gui/widgets/QtText.h"

namespace sorrel {

namespace {

// The chart's title: the first text element of its layout.
QCPTextElement* TitleOf(QCustomPlot& plot) {
  QCPLayoutGrid* grid = plot.plotLayout();
  for (int i = 0; i < grid->elementCount(); ++i)
    if (auto* t = qobject_cast<QCPTextElement*>(grid->elementAt(i))) return t;
  return nullptr;
}

void SaveAxis(TMemIniFile& ini, const std::string& section, const QCPAxis& axis, bool automatic) {
  ini.WriteString(section, "Title", S(axis.label()));
  ini.WriteString(section, "TitleFont", S(axis.labelFont().toString()));
  ini.WriteString(section, "LabelFont", S(axis.tickLabelFont().toString()));
  ini.WriteString(section, "Color", S(axis.labelColor().name()));
  ini.WriteBool(section, "Grid", axis.grid()->visible());
  ini.WriteBool(section, "Auto", automatic);
  ini.WriteFloat(section, "Min", axis.range().lower);
  ini.WriteFloat(section, "Max", axis.range().upper);
}

bool LoadAxis(const TMemIniFile& ini, const std::string& section, QCPAxis& axis) {
  axis.setLabel(Q(ini.ReadString(section, "Title", S(axis.label()))));
  QFont f;
  if (f.fromString(Q(ini.ReadString(section, "TitleFont", "")))) axis.setLabelFont(f);
  if (f.fromString(Q(ini.ReadString(section, "LabelFont", "")))) axis.setTickLabelFont(f);
  QColor c(Q(ini.ReadString(section, "Color", "")));
  if (c.isValid()) {
    axis.setLabelColor(c);
    axis.setTickLabelColor(c);
  }
  axis.grid()->setVisible(ini.ReadBool(section, "Grid", axis.grid()->visible()));
  const bool automatic = ini.ReadBool(section, "Auto", true);
  if (!automatic) {
    const double lo = ini.ReadFloat(section, "Min", axis.range().lower);
    const double hi = ini.ReadFloat(section, "Max", axis.range().upper);
    if (lo < hi) axis.setRange(lo, hi);
  }
  return automatic;
}

}  // namespace

QColor PlotBackground(QCustomPlot& plot) {
  const QBrush b = plot.axisRect()->backgroundBrush();
  return b.style() == Qt::NoBrush ? QColor(Qt::white) : b.color();
}

void SaveChartAppearance(QCustomPlot& plot, const std::string& fileName, ChartAutoScale autoScale) {
  TMemIniFile ini;
  ini.Rename(fileName, false);
  if (const QCPTextElement* title = TitleOf(plot)) {
    ini.WriteString("Chart", "Title", S(title->text()));
    ini.WriteString("Chart", "TitleFont", S(title->font().toString()));
    ini.WriteString("Chart", "TitleColor", S(title->textColor().name()));
  }
  ini.WriteString("Chart", "Background", S(PlotBackground(plot).name()));
  for (int i = 0; i < plot.plottableCount(); ++i) {
    const QCPAbstractPlottable* p = plot.plottable(i);
    const std::string section = "Series" + std::to_string(i);
    ini.WriteString(section, "Color", S(p->pen().color().name()));
    ini.WriteFloat(section, "Width", p->pen().widthF());
  }
  SaveAxis(ini, "BottomAxis", *plot.xAxis, autoScale.bottom);
  SaveAxis(ini, "LeftAxis", *plot.yAxis, autoScale.left);
  ini.UpdateFile();
}

ChartAutoScale LoadChartAppearance(QCustomPlot& plot, const std::string& fileName) {
  if (!FileExists(fileName)) throw SorrelError(fileName + "- not found");
  const TMemIniFile ini(fileName);
  if (QCPTextElement* title = TitleOf(plot)) {
    title->setText(Q(ini.ReadString("Chart", "Title", S(title->text()))));
    QFont f;
    if (f.fromString(Q(ini.ReadString("Chart", "TitleFont", "")))) title->setFont(f);
    QColor c(Q(ini.ReadString("Chart", "TitleColor", "")));
    if (c.isValid()) title->setTextColor(c);
  }
  QColor background(Q(ini.ReadString("Chart", "Background", "")));
  if (background.isValid()) plot.axisRect()->setBackground(QBrush(background));
  for (int i = 0; i < plot.plottableCount(); ++i) {
    QCPAbstractPlottable* p = plot.plottable(i);
    const std::string section = "Series" + std::to_string(i);
    QPen pen = p->pen();
    QColor c(Q(ini.ReadString(section, "Color", "")));
    if (c.isValid()) pen.setColor(c);
    const double width = ini.ReadFloat(section, "Width", pen.widthF());
    if (width >= 0 && width <= 20) pen.setWidthF(width);
    p->setPen(pen);
  }
  ChartAutoScale out;
  out.bottom = LoadAxis(ini, "BottomAxis", *plot.xAxis);
  out.left = LoadAxis(ini, "LeftAxis", *plot.yAxis);
  plot.replot(QCustomPlot::rpQueuedReplot);
  return out;
}

}  // namespace sorrel
