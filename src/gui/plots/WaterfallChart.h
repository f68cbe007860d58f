#pragma once
// The waterfall of a run on the 3D page of a plot frame: the spectra of
// every step-th scan drawn as sticks, each on a baseline shifted up and to
// the right of the one before, so that the run reads from the front (its
// first scan) to the back. A tool bar scales the chart to the traces and
// copies its picture.
#include <QWidget>
#include <vector>

#include "core/plots/PlotFrame.h"

class QCustomPlot;
class QToolButton;

namespace sorrel {

class WaterfallChart : public QWidget {
  Q_OBJECT
 public:
  explicit WaterfallChart(QWidget* parent = nullptr);

  // Draws the traces (none clears the chart).
  void SetTraces(const std::vector<PlotFrame::WaterfallTrace>& traces);
  QCustomPlot* Plot() const { return plot_; }
  // The scans drawn, front to back.
  const std::vector<int32_t>& Scans() const { return scans_; }

  QToolButton* tbExpand = nullptr;
  QToolButton* tbCopy = nullptr;

 private:
  void Expand();
  QCustomPlot* plot_ = nullptr;
  std::vector<int32_t> scans_;
};

}  // namespace sorrel
