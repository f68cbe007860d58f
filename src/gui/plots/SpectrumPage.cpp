#include "gui/plots/SpectrumPage.h"

#include <qcustomplot.h>

#include <QSplitter>
#include <QVBoxLayout>

#include "core/plots/Extraction.h"
#include "core/spectrum/Spec.h"

namespace sorrel {

SpectrumPage::SpectrumPage(QWidget* parent) : QWidget(parent), spec_(std::make_unique<TSpec>()) {
  auto* layout = new QVBoxLayout(this);
  auto* split = new QSplitter(Qt::Vertical, this);
  chromChart = new QCustomPlot(split);
  massChart = new QCustomPlot(split);
  split->addWidget(chromChart);
  split->addWidget(massChart);
  layout->addWidget(split);
  chromChart->xAxis->setLabel("Retention time (s)");
  chromChart->yAxis->setLabel("Total intensity");
  massChart->xAxis->setLabel("m/z");
  massChart->yAxis->setLabel("Intensity");
  chromChart->setInteractions(QCP::iRangeDrag | QCP::iRangeZoom);
  massChart->setInteractions(QCP::iRangeDrag | QCP::iRangeZoom);
  connect(chromChart, &QCustomPlot::plottableClick, this,
          [this](QCPAbstractPlottable*, int index, QMouseEvent*) { ShowScan(index); });
}

SpectrumPage::~SpectrumPage() = default;

bool SpectrumPage::Open(const std::string& fileName) {
  if (!spec_->OpenFile(fileName)) return false;
  if (spec_->FileKind() == fkTxt) {
    spec_->SetMassOnly(true);
    chromChart->hide();
    ShowScan(-1);
    return true;
  }
  if (spec_->NSpec() == 0) return false;
  auto* graph = chromChart->addGraph();
  QVector<double> x, y;
  for (const dPoint& p : spec_->Chrom) {
    x << p[0];
    y << p[1];
  }
  graph->setData(x, y, true);
  chromChart->rescaleAxes();
  chromChart->replot();
  ShowScan(InitialScan(spec_->Chrom));
  return true;
}

void SpectrumPage::ShowScan(int index) {
  const tXYarray& s = index < 0 ? spec_->CMass : spec_->GetMass(index);
  massChart->clearPlottables();
  auto* bars = new QCPBars(massChart->xAxis, massChart->yAxis);
  bars->setWidthType(QCPBars::wtAbsolute);
  bars->setWidth(1);
  QVector<double> x, y;
  for (const dPoint& p : s) {
    x << p[0];
    y << p[1];
  }
  bars->setData(x, y, true);
  massChart->rescaleAxes();
  massChart->replot();
}

}  // namespace sorrel
