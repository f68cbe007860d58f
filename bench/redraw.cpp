// Redrawing the chart views of a plot frame (TvChart on QCustomPlot) with
// a chromatogram of 50 000 scans and a profile mass spectrum of 100 000
// points, at full view, zoomed in, while scrolling, and when new points
// arrive (a click on another scan). The baseline, in the same process, is
// the same chart without data (axes, grid, titles): `to_empty` is the ratio
// to it. The same redraws without adaptive sampling show what drawing
// only what can be seen saves; no point is ever dropped from the data.
// Goal: every redraw under 50 ms.
#include <benchmark/benchmark.h>
#include <qcustomplot.h>

#include <QApplication>
#include <cmath>
#include <memory>
#include <random>

#include "core/plots/ChartViewLogic.h"
#include "gui/plots/TvChart.h"

using namespace sorrel;

namespace {

constexpr int kScans = 50000;
constexpr int kMassPoints = 100000;

// A GC run: 300 peaks of random height and width on a noisy baseline, one
// point every 0.2 s.
void Chromatogram(std::vector<double>& x, std::vector<double>& y) {
  std::mt19937 rng(7);
  std::uniform_real_distribution<double> where(0, kScans), height(1e4, 5e6), width(3, 25),
      noise(0, 2000);
  std::vector<double> centre(300), h(300), w(300);
  for (int p = 0; p < 300; ++p) {
    centre[p] = where(rng);
    h[p] = height(rng);
    w[p] = width(rng);
  }
  x.resize(kScans);
  y.resize(kScans);
  for (int i = 0; i < kScans; ++i) {
    double v = 20000 + noise(rng);
    for (int p = 0; p < 300; ++p) {
      const double d = (i - centre[p]) / w[p];
      if (std::fabs(d) < 6) v += h[p] * std::exp(-d * d / 2);
    }
    x[i] = 0.2 * i;
    y[i] = v;
  }
}

// A profile spectrum: a peak every 0.5 m/z, 50 points per unit.
void MassSpectrum(std::vector<double>& x, std::vector<double>& y) {
  std::mt19937 rng(42);
  std::uniform_real_distribution<double> noise(0, 40), height(100, 1e5);
  x.resize(kMassPoints);
  y.resize(kMassPoints);
  double peak = height(rng);
  for (int i = 0; i < kMassPoints; ++i) {
    const double m = 50.0 + i * 0.02;
    const double phase = std::fmod(m, 0.5) - 0.25;
    if (i % 25 == 0) peak = height(rng);
    x[i] = m;
    y[i] = 200 + noise(rng) + peak * std::exp(-phase * phase / (2 * 0.03 * 0.03));
  }
}

// One view on screen with its logic; `empty` leaves the series out.
struct View {
  RangesGrid grid;
  ChartViewLogic logic;
  TvChart chart;
  View(bool chromatogram, bool empty) {
    logic.Initialise(chromatogram, &grid);
    std::vector<double> x, y;
    if (!empty) (chromatogram ? Chromatogram : MassSpectrum)(x, y);
    logic.SetSeries(std::move(x), std::move(y));
    chart.Bind(&logic, chromatogram ? "Chromatogram" : "Mass spectrum",
               chromatogram ? "Chromatogram" : "Mass");
    chart.SetAxisTitles(chromatogram ? "Ret. time [s]" : "m/z", "Intensity");
    logic.SetTitle("run.cdf (Sp1)");
    chart.resize(1400, 420);
    chart.show();
    QApplication::processEvents();
    chart.Plot()->replot(QCustomPlot::rpImmediateRefresh);
  }
  QCustomPlot* plot() { return chart.Plot(); }
};

View& Get(bool chromatogram, bool empty = false) {
  static std::unique_ptr<View> views[2][2];
  auto& v = views[chromatogram][empty];
  if (!v) v = std::make_unique<View>(chromatogram, empty);
  return *v;
}

double EmptyRedrawSeconds(bool chromatogram) {
  static double seconds[2] = {0, 0};
  double& s = seconds[chromatogram];
  if (s == 0) {
    View& v = Get(chromatogram, true);
    const int n = 50;
    QElapsedTimer t;
    t.start();
    for (int i = 0; i < n; ++i)
      v.plot()->replot(QCustomPlot::rpImmediateRefresh);
    s = t.nsecsElapsed() * 1e-9 / n;
  }
  return s;
}

// Redraws at a zoom of `fraction` of the data's x range (1 = full view).
void Redraw(benchmark::State& state, bool chromatogram, double fraction, bool sampling) {
  View& v = Get(chromatogram);
  v.plot()->graph(0)->setAdaptiveSampling(sampling);
  const AxisRange full = v.logic.FullXRange();
  const double lo = full.lo + (full.hi - full.lo) * (0.5 - fraction / 2);
  v.plot()->xAxis->setRange(lo, lo + (full.hi - full.lo) * fraction);
  const double empty = EmptyRedrawSeconds(chromatogram);
  QElapsedTimer t;
  t.start();
  for (auto _ : state)
    v.plot()->replot(QCustomPlot::rpImmediateRefresh);
  const double perRedraw = t.nsecsElapsed() * 1e-9 / static_cast<double>(state.iterations());
  v.plot()->graph(0)->setAdaptiveSampling(true);
  state.counters["to_empty"] = perRedraw / empty;
}

}  // namespace

#define REDRAW(name, chrom, fraction, sampling) \
  void name(benchmark::State& state) {          \
    Redraw(state, chrom, fraction, sampling);   \
  }                                             \
  BENCHMARK(name)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(0.5)

void BM_EmptyChart(benchmark::State& state) {
  View& v = Get(true, true);
  for (auto _ : state)
    v.plot()->replot(QCustomPlot::rpImmediateRefresh);
}
BENCHMARK(BM_EmptyChart)->Unit(benchmark::kMillisecond)->UseRealTime();

REDRAW(BM_Chrom50k_Full, true, 1.0, true);
REDRAW(BM_Chrom50k_Zoom10, true, 0.1, true);
REDRAW(BM_Chrom50k_Zoom1, true, 0.01, true);
REDRAW(BM_Chrom50k_Full_NoSampling, true, 1.0, false);
REDRAW(BM_Mass100k_Full, false, 1.0, true);
REDRAW(BM_Mass100k_Zoom10, false, 0.1, true);
REDRAW(BM_Mass100k_Zoom1, false, 0.01, true);
REDRAW(BM_Mass100k_Full_NoSampling, false, 1.0, false);

// Scrolling: each step moves the view by 1% of its width and redraws.
void BM_Mass100k_PanZoom10(benchmark::State& state) {
  View& v = Get(false);
  const AxisRange full = v.logic.FullXRange();
  const double width = (full.hi - full.lo) * 0.1;
  double lo = full.lo;
  for (auto _ : state) {
    lo += width / 100;
    if (lo + width > full.hi) lo = full.lo;
    v.plot()->xAxis->setRange(lo, lo + width);
    v.plot()->replot(QCustomPlot::rpImmediateRefresh);
  }
}
BENCHMARK(BM_Mass100k_PanZoom10)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(0.5);

// New points (another scan chosen): the logic takes them, the view draws
// them at full view.
void BM_Mass100k_NewPoints(benchmark::State& state) {
  View& v = Get(false);
  const std::vector<double> x = v.logic.X(), y = v.logic.Y();
  for (auto _ : state) {
    v.logic.SetSeries(x, y);
    v.plot()->replot(QCustomPlot::rpImmediateRefresh);
  }
}
BENCHMARK(BM_Mass100k_NewPoints)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(0.5);

// The text that CopyData puts on the clipboard (and SaveData writes), for
// the whole series.
void BM_TableText(benchmark::State& state) {
  View& v = Get(state.range(0) != 0);
  size_t bytes = 0;
  for (auto _ : state) {
    const std::string text = v.logic.DataText();
    bytes = text.size();
    benchmark::DoNotOptimize(text.data());
  }
  state.counters["rows"] = v.logic.DataRows();
  state.counters["bytes"] = static_cast<double>(bytes);
}
BENCHMARK(BM_TableText)->ArgName("chromatogram")->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
  // Headless unless a display is given: the offscreen platform paints the
  // same way into its window buffers.
  if (qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
    qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
