#include "gui/mainwindow/ResultsArea.h"

#include <qcustomplot.h>

#include <QApplication>
#include <QButtonGroup>
#include <QClipboard>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QVBoxLayout>
#include <algorithm>

#include "core/common/NumberText.h"
#include "core/common/UiHooks.h"
#include "core/mainwindow/MainWindowLogic.h"
#include "core/plots/PlotCollection.h"
#include "gui/plots/TPlots.h"
#include "gui/widgets/QtText.h"
#include "gui/widgets/UserAction.h"

namespace sorrel {

namespace {

const char* const kRebuildTitle = "Rebuild from loadings & scores spectrum";

QVector<double> V(const adouble& values) {
  return QVector<double>(values.begin(), values.end());
}

void Hint(QWidget* w, const QString& hint) {
  w->setToolTip(hint);
  w->setStatusTip(hint);
}

// A spin edit after its label, named as the label reads without padding.
QSpinBox* LabelledSpin(QWidget* parent, QHBoxLayout* row, const QString& label, int value = 1) {
  auto* l = new QLabel(label, parent);
  auto* s = new QSpinBox(parent);
  s->setRange(1, 1);
  s->setValue(value);
  s->setAccessibleName(label.trimmed());
  l->setBuddy(s);
  row->addWidget(l);
  row->addWidget(s);
  return s;
}

QCPTextElement* Title(QCustomPlot* chart) {
  QCPLayoutGrid* grid = chart->plotLayout();
  if (grid->rowCount() > 1) return qobject_cast<QCPTextElement*>(grid->element(0, 0));
  return nullptr;
}

void SetTitle(QCustomPlot* chart, const QString& text) {
  QCPTextElement* title = Title(chart);
  if (!title) {
    chart->plotLayout()->insertRow(0);
    title = new QCPTextElement(chart, text, QFont(chart->font().family(), 10, QFont::Bold));
    chart->plotLayout()->addElement(0, 0, title);
  }
  title->setText(text);
}

void Clear(QCustomPlot* chart) {
  chart->clearPlottables();
  chart->clearItems();
  chart->yAxis2->setVisible(false);
}

// The axis range of values with a margin of a twentieth below and a tenth
// above (a unit around a single value), so that points and labels at the
// ends stay inside the chart.
QCPRange Padded(const adouble& values, bool fromZero) {
  if (values.empty()) return QCPRange(0, 1);
  double lo = *std::min_element(values.begin(), values.end());
  double hi = *std::max_element(values.begin(), values.end());
  if (fromZero) {
    lo = std::min(lo, 0.0);
    hi = std::max(hi, 0.0);
  }
  const double pad = hi > lo ? (hi - lo) / 20 : (lo != 0 ? std::fabs(lo) / 20 : 1.0);
  // Twice the room above: the points' labels stand over them.
  return QCPRange(lo - pad, hi + 2 * pad);
}

QCPBars* AddBars(QCustomPlot* chart, const PageSeries& s, const QColor& color) {
  auto* bars = new QCPBars(chart->xAxis, chart->yAxis);
  bars->setWidthType(QCPBars::wtPlotCoords);
  double step = 1.0;
  for (size_t i = 1; i < s.X.size(); ++i)
    step = std::min(step, s.X[i] - s.X[i - 1]);
  bars->setWidth(std::max(step, 1e-9) * 0.7);
  bars->setPen(QPen(color));
  bars->setBrush(color);
  bars->setData(V(s.X), V(s.Y), true);
  return bars;
}

QCPGraph* AddPoints(QCustomPlot* chart, const PageSeries& s) {
  QCPGraph* g = chart->addGraph();
  g->setLineStyle(QCPGraph::lsNone);
  g->setScatterStyle(QCPScatterStyle(QCPScatterStyle::ssDisc, QColor(0, 70, 160), 8));
  g->setData(V(s.X), V(s.Y), true);
  QFont font = chart->font();
  font.setPointSize(9);
  for (size_t i = 0; i < s.Labels.size() && i < s.Size(); ++i) {
    if (s.Labels[i].empty()) continue;
    auto* text = new QCPItemText(chart);
    text->position->setType(QCPItemPosition::ptPlotCoords);
    text->position->setCoords(s.X[i], s.Y[i]);
    text->setPositionAlignment(Qt::AlignLeft | Qt::AlignBottom);
    text->setPadding(QMargins(5, 0, 0, 3));
    text->setFont(font);
    text->setText(Q(s.Labels[i]));
  }
  chart->xAxis->setRange(Padded(s.X, false));
  chart->yAxis->setRange(Padded(s.Y, false));
  return g;
}

// Whole numbers only on a bottom axis of counts (factors, samples).
void CountAxis(QCPAxis* axis) {
  QSharedPointer<QCPAxisTickerFixed> ticker(new QCPAxisTickerFixed);
  ticker->setTickStep(1.0);
  ticker->setScaleStrategy(QCPAxisTickerFixed::ssMultiples);
  axis->setTicker(ticker);
}

}  // namespace

TResultsArea::TResultsArea(MainWindowLogic& logic, TPlots& plots, QWidget* parent)
    : QTabWidget(parent), logic_(logic), plots_(plots) {
  setAccessibleName("Results");
  for (int p = 0; p < kResultPageCount; ++p) {
    QWidget* controls = nullptr;
    Charts[static_cast<size_t>(p)] = AddPage(static_cast<ResultPage>(p), controls);
    auto* row = new QHBoxLayout(controls);
    row->setContentsMargins(6, 2, 6, 2);
    QCustomPlot* chart = Charts[static_cast<size_t>(p)];
    switch (static_cast<ResultPage>(p)) {
      case ResultPage::Loadings:
        seLoading = LabelledSpin(controls, row, "Loading (PC)");
        Hint(seLoading, "Show a loading (factors) of current PCA decomposition");
        chart->xAxis->setLabel("[m/z]");
        chart->yAxis->setLabel("Loading");
        connect(seLoading, &QSpinBox::valueChanged, this, [this] { Draw(ResultPage::Loadings); });
        break;
      case ResultPage::RebuildSp: {
        seRebuildSpec = LabelledSpin(controls, row, "Rebuild Spectrum");
        seFactorsUsed = LabelledSpin(controls, row, "Number of factors used ");
        auto* box = new QGroupBox(" Residuals chart ", controls);
        box->setAccessibleName("Residuals chart");
        auto* boxRow = new QHBoxLayout(box);
        boxRow->setContentsMargins(6, 0, 6, 0);
        auto* group = new QButtonGroup(box);
        rbResidualsOff = new QRadioButton("Off", box);
        rbMainScale = new QRadioButton("Main spectrum scale", box);
        rbProperScale = new QRadioButton("Proper scale", box);
        for (QRadioButton* b : {rbResidualsOff, rbMainScale, rbProperScale}) {
          group->addButton(b);
          boxRow->addWidget(b);
        }
        rbMainScale->setChecked(true);
        row->addWidget(box);
        chart->xAxis->setLabel("[m/z]");
        SetTitle(chart, kRebuildTitle);
        auto draw = [this] { Draw(ResultPage::RebuildSp); };
        connect(seRebuildSpec, &QSpinBox::valueChanged, this, draw);
        connect(seFactorsUsed, &QSpinBox::valueChanged, this, draw);
        connect(group, &QButtonGroup::buttonToggled, this, [this, draw](QAbstractButton*, bool on) {
          if (on) draw();
        });
        break;
      }
      case ResultPage::MDist:
        seUsedFactors = LabelledSpin(controls, row, "Used factor num.");
        chart->xAxis->setLabel("Samples");
        chart->yAxis->setLabel("M.Dist.");
        SetTitle(chart, "Mahalanobis Distance by cross-validation");
        connect(seUsedFactors, &QSpinBox::valueChanged, this, [this] { Draw(ResultPage::MDist); });
        break;
      case ResultPage::EigenValues: {
        const QString rule = QString(
                                 "The smallest number of factors that keeps at least %1 % "
                                 "of the total variation (the sum of squares of the data)")
                                 .arg(Q(FloatToStr(kKeptShare * 100)));
        lblKept = new QLabel("?", controls);
        lblKept->setAccessibleName("kept [%]");
        lblRecommended = new QLabel("?", controls);
        lblRecommended->setAccessibleName("factor number is:");
        for (QLabel* l : {new QLabel("Total variation", controls), lblKept,
                          new QLabel(" kept [%]", controls), new QLabel("Recommended", controls),
                          new QLabel("factor number is:", controls), lblRecommended}) {
          Hint(l, rule);
          row->addWidget(l);
        }
        QFont bold = lblRecommended->font();
        bold.setBold(true);
        lblRecommended->setFont(bold);
        chart->xAxis->setLabel("Factor number");
        chart->yAxis->setLabel("Eigenvalue");
        chart->yAxis->setNumberFormat("e");
        chart->yAxis->setNumberPrecision(1);
        break;
      }
      case ResultPage::Scores:
        seXFactor = LabelledSpin(controls, row, "X factor", 1);
        seYFactor = LabelledSpin(controls, row, "Y factor", 2);
        chart->xAxis->setLabel("Score");
        chart->yAxis->setLabel("Score");
        connect(seXFactor, &QSpinBox::valueChanged, this, [this] { Draw(ResultPage::Scores); });
        connect(seYFactor, &QSpinBox::valueChanged, this, [this] { Draw(ResultPage::Scores); });
        break;
      case ResultPage::Compact:
        SetTitle(chart, "Average predicted distance by cross-validation");
        chart->xAxis->setLabel("Number of factors");
        chart->yAxis->setLabel("Average M.Dist.");
        controls->hide();
        break;
    }
    row->addStretch(1);
    connect(chart, &QCustomPlot::plottableClick, this,
            [this, p](QCPAbstractPlottable* pl, int index, QMouseEvent*) {
              if (static_cast<ResultPage>(p) == ResultPage::MDist)
                PointClicked(ResultPage::MDist, pl, index);
            });
    connect(chart, &QCustomPlot::plottableDoubleClick, this,
            [this, p](QCPAbstractPlottable* pl, int index, QMouseEvent*) {
              const auto page = static_cast<ResultPage>(p);
              if (page == ResultPage::MDist || page == ResultPage::Scores ||
                  page == ResultPage::Compact)
                PointClicked(page, pl, index);
            });
  }
  connect(this, &QTabWidget::currentChanged, this, [this] { DrawCurrent(); });
}

QCustomPlot* TResultsArea::AddPage(ResultPage page, QWidget*& controls) {
  auto* w = new QWidget(this);
  auto* layout = new QVBoxLayout(w);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  controls = new QWidget(w);
  auto* chart = new QCustomPlot(w);
  chart->setLocale(QLocale::c());
  chart->setAccessibleName(ResultPageName(page));
  chart->setMinimumHeight(160);
  layout->addWidget(controls);
  layout->addWidget(chart, 1);
  addTab(w, ResultPageName(page));
  return chart;
}

void TResultsArea::AfterCalculate() {
  const PcaResults& r = logic_.Bench().Results();
  const int components = static_cast<int>(r.Eigenvalues.size());
  const int frames = logic_.Plots().Count();
  {
    setting_ = true;
    struct Done {
      bool& flag;
      ~Done() { flag = false; }
    } done{setting_};
    seLoading->setRange(1, std::max(1, components));
    seLoading->setValue(1);
    seRebuildSpec->setRange(1, std::max(1, frames));
    seRebuildSpec->setValue(1);
    seFactorsUsed->setRange(1, std::max(1, components));
    seFactorsUsed->setValue(components);
    seXFactor->setRange(1, std::max(1, components));
    seYFactor->setRange(1, std::max(1, components));
    seXFactor->setValue(1);
    seYFactor->setValue(2);
    const int used = std::max(1, logic_.Training().NLoadings);
    seUsedFactors->setRange(1, used);
    seUsedFactors->setValue(used);
    const QSignalBlocker block(this);
    setCurrentIndex(static_cast<int>(ResultPage::Loadings));
  }
  Draw(ResultPage::Loadings);
}

void TResultsArea::Clear() {
  for (QCustomPlot* chart : Charts) {
    sorrel::Clear(chart);
    chart->replot();
  }
  for (PageSeries& s : series_)
    s = PageSeries{};
  lblKept->setText("?");
  lblRecommended->setText("?");
}

void TResultsArea::DrawCurrent() {
  if (currentIndex() >= 0) Draw(static_cast<ResultPage>(currentIndex()));
}

void TResultsArea::Draw(ResultPage page) {
  if (setting_ || !logic_.ResultsVisible()) return;
  QCustomPlot* chart = Charts[static_cast<size_t>(page)];
  // Drawn in full or not at all: an error or a Cancel leaves the page
  // empty rather than half drawn.
  sorrel::Clear(chart);
  series_[static_cast<size_t>(page)] = PageSeries{};
  UserAction([&] {
    switch (page) {
      case ResultPage::Loadings:
        DrawLoadings();
        break;
      case ResultPage::RebuildSp:
        DrawRebuild();
        break;
      case ResultPage::MDist:
        DrawMDist();
        break;
      case ResultPage::EigenValues:
        DrawEigenValues();
        break;
      case ResultPage::Scores:
        DrawScores();
        break;
      case ResultPage::Compact:
        DrawCompact();
        break;
    }
  });
  chart->replot();
}

void TResultsArea::DrawLoadings() {
  QCustomPlot* chart = Charts[0];
  const PageSeries s =
      LoadingSeries(logic_.Bench().Results(), logic_.Training().Xvals, seLoading->value() - 1);
  AddBars(chart, s, QColor(30, 90, 180));
  chart->xAxis->setRange(Padded(s.X, false));
  chart->yAxis->setRange(Padded(s.Y, true));
  series_[0] = s;
}

void TResultsArea::DrawRebuild() {
  if (currentIndex() != static_cast<int>(ResultPage::RebuildSp)) return;
  QCustomPlot* chart = Charts[1];
  const int k = seRebuildSpec->value() - 1;
  const RebuiltSpectrum rb = RebuildSpectrum(logic_.Bench().Results(), logic_.Training().Xvals, k,
                                             seFactorsUsed->value(), logic_.CurrentRow(k));
  plots_.SetActive(k);
  SetTitle(chart, Q(EuclideanTitle(rb.Distance)) + "\n" + kRebuildTitle);
  AddBars(chart, rb.Bars, QColor(30, 90, 180));
  adouble shown = rb.Bars.Y;
  if (!rbResidualsOff->isChecked()) {
    const bool proper = rbProperScale->isChecked();
    QCPAxis* axis = proper ? chart->yAxis2 : chart->yAxis;
    QCPGraph* line = chart->addGraph(chart->xAxis, axis);
    line->setPen(QPen(QColor(200, 40, 40), 1.5));
    line->setName("Residuals");
    line->setData(V(rb.Residuals.X), V(rb.Residuals.Y), true);
    if (proper) {
      chart->yAxis2->setVisible(true);
      chart->yAxis2->setRange(Padded(rb.Residuals.Y, true));
    } else {
      shown.insert(shown.end(), rb.Residuals.Y.begin(), rb.Residuals.Y.end());
    }
  }
  chart->xAxis->setRange(Padded(rb.Bars.X, false));
  chart->yAxis->setRange(Padded(shown, true));
  series_[1] = rb.Bars;
}

void TResultsArea::DrawMDist() {
  const std::optional<PageSeries> s = logic_.MDistSeries(seUsedFactors->value());
  if (!s) return;
  AddPoints(Charts[2], *s);
  CountAxis(Charts[2]->xAxis);
  Charts[2]->xAxis->setRange(-0.5, static_cast<double>(s->Size()) - 0.5);
  series_[2] = *s;
}

void TResultsArea::DrawEigenValues() {
  const PcaResults& r = logic_.Bench().Results();
  const PageSeries s = EigenSeries(r);
  AddPoints(Charts[3], s);
  CountAxis(Charts[3]->xAxis);
  Charts[3]->xAxis->setRange(0.5, static_cast<double>(s.Size()) + 0.5);
  // The eigenvalues of a set of spectra span decades: on a logarithmic
  // axis the small ones stay visible (all of them must be above zero).
  QCPAxis* y = Charts[3]->yAxis;
  const bool positive = !s.Y.empty() && *std::min_element(s.Y.begin(), s.Y.end()) > 0;
  y->setScaleType(positive ? QCPAxis::stLogarithmic : QCPAxis::stLinear);
  y->setTicker(positive ? QSharedPointer<QCPAxisTicker>(new QCPAxisTickerLog)
                        : QSharedPointer<QCPAxisTicker>(new QCPAxisTicker));
  if (positive) {
    const double lo = *std::min_element(s.Y.begin(), s.Y.end());
    const double hi = *std::max_element(s.Y.begin(), s.Y.end());
    y->setRange(lo / 2, hi * 4);
  }
  const FactorRecommendation rec = RecommendFactors(r);
  lblKept->setText(" " + Q(FormatFixed(rec.KeptPercent, 2)));
  lblRecommended->setText(rec.Factors > 0 ? QString::number(rec.Factors) : "?");
  series_[3] = s;
}

void TResultsArea::DrawScores() {
  const PageSeries s = ScoreSeries(logic_.Bench().Results(), seXFactor->value(), seYFactor->value(),
                                   logic_.RowFrames());
  AddPoints(Charts[4], s);
  series_[4] = s;
}

void TResultsArea::DrawCompact() {
  const std::optional<PageSeries> s = logic_.CompactSeries();
  if (!s) return;
  AddPoints(Charts[5], *s);
  CountAxis(Charts[5]->xAxis);
  Charts[5]->xAxis->setRange(0.5, static_cast<double>(s->Size()) + 0.5);
  series_[5] = *s;
}

void TResultsArea::PointClicked(ResultPage page, QCPAbstractPlottable* plottable, int index) {
  QCustomPlot* chart = Charts[static_cast<size_t>(page)];
  if (index < 0 || chart->plottableCount() == 0 || plottable != chart->plottable(0)) return;
  const int frame = ClickedFrame(series_[static_cast<size_t>(page)], static_cast<size_t>(index));
  if (frame >= 0 && frame < logic_.Plots().Count()) plots_.SetActive(frame);
}

void TResultsArea::CopyImage() {
  if (QCustomPlot* chart = Charts[static_cast<size_t>(std::max(0, currentIndex()))])
    QApplication::clipboard()->setImage(chart->toPixmap().toImage());
}

bool TResultsArea::CopyData() {
  const PageSeries& s = series_[static_cast<size_t>(std::max(0, currentIndex()))];
  if (s.Size() == 0) return false;
  Ui().SetClipboardText(CopyDataText(s));
  return true;
}

}  // namespace sorrel
