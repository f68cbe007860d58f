#include "gui/plots/TvChart.h"

#include <qcustomplot.h>

#include <QApplication>
#include <QButtonGroup>
#include <QClipboard>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QStackedWidget>
#include <QStatusTipEvent>
#include <QTableView>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>

#include "core/common/SafeSave.h"
#include "core/common/UiHooks.h"
#include "core/plots/ChartViewLogic.h"
#include "gui/plots/ChartAppearance.h"
#include "gui/plots/ChartEditor.h"
#include "gui/widgets/QtText.h"
#include "gui/widgets/UserAction.h"

namespace sorrel {

namespace {

// A zoom needs a rectangle of at least this many pixels.
constexpr int kMinZoomPixels = 12;

QToolButton* ToolButton(QWidget* parent, const QString& caption, const QString& hint,
                        bool checkable) {
  auto* b = new QToolButton(parent);
  b->setText(caption);
  b->setAccessibleName(caption.trimmed());
  b->setObjectName(caption.trimmed());
  b->setToolTip(hint);
  b->setStatusTip(hint);
  b->setCheckable(checkable);
  b->setToolButtonStyle(Qt::ToolButtonTextOnly);
  b->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
  return b;
}

QPushButton* Button(QWidget* parent, const QString& caption) {
  auto* b = new QPushButton(caption, parent);
  b->setAccessibleName(caption.trimmed());
  b->setObjectName(caption.trimmed());
  return b;
}

// The font size of the peak marks, in points.
constexpr int kMarkFontSize = 8;

}  // namespace

// The peak marks: one label above the point of each peak, drawn in one
// pass for the points inside the visible part of the bottom axis. The
// notes over points (hits of a screening) are drawn the same way, bold, in
// their own colour, and stacked upwards where they would cover each other.
class PeakMarks : public QCPAbstractItem {
 public:
  struct Label {
    int index;
    double x, y;
    QString text;
  };
  explicit PeakMarks(QCustomPlot* plot, QColor colour = QColor(0, 0, 110), bool notes = false)
      : QCPAbstractItem(plot), colour_(colour), stack_(notes) {
    font_.setPointSize(kMarkFontSize);
    font_.setBold(notes);
  }
  std::vector<Label> labels;
  double selectTest(const QPointF&, bool, QVariant*) const override { return -1; }

 protected:
  void draw(QCPPainter* painter) override {
    QCPAxis* x = parentPlot()->xAxis;
    QCPAxis* y = parentPlot()->yAxis;
    painter->setFont(font_);
    painter->setPen(colour_);
    const QFontMetrics fm(font_);
    const QCPRange range = x->range();
    const QRect area = x->axisRect()->rect();
    // A label that would cover one already drawn is left out: the list can
    // put two labels side by side (a point standing far off, then the
    // highest point of the run right after it); zooming in shows both.
    std::vector<QRectF> drawn;
    for (const Label& l : labels) {
      if (!range.contains(l.x)) continue;
      const QPointF at(x->coordToPixel(l.x), y->coordToPixel(l.y));
      const int w = fm.horizontalAdvance(l.text);
      // Centred over its stick, but never cut by the ends of the chart.
      const double left = std::clamp(at.x() - w / 2.0, double(area.left()),
                                     std::max(double(area.left()), double(area.right() - w)));
      const double base = std::max(at.y() - 3, double(area.top() + fm.ascent()));
      QRectF box(left, base - fm.ascent(), w, fm.height());
      auto covers = [&](const QRectF& b) {
        return std::any_of(drawn.begin(), drawn.end(),
                           [&](const QRectF& d) { return d.intersects(b); });
      };
      // Notes are all shown: one that would cover another goes a line up.
      while (stack_ && covers(box) && box.top() - fm.height() >= area.top())
        box.translate(0, -fm.height());
      if (covers(box)) continue;
      drawn.push_back(box);
      painter->drawText(QPointF(left, box.top() + fm.ascent()), l.text);
    }
  }

 private:
  QColor colour_;
  bool stack_;
  QFont font_;
};

// ---- table models

void ViewTableModel::Refresh() {
  beginResetModel();
  endResetModel();
}

int ViewTableModel::rowCount(const QModelIndex& parent) const {
  if (parent.isValid() || !logic_) return 0;
  return peaks_ ? (logic_->PeakTableShown() ? logic_->PeakRows() : 0) : logic_->DataRows();
}

int ViewTableModel::columnCount(const QModelIndex& parent) const {
  if (parent.isValid() || !logic_) return 0;
  return peaks_ ? logic_->PeakColumns() : 2;
}

QVariant ViewTableModel::data(const QModelIndex& index, int role) const {
  if (!logic_ || !index.isValid() || role != Qt::DisplayRole) return {};
  return Q(peaks_ ? logic_->PeakCell(index.row(), index.column())
                  : logic_->DataCell(index.row(), index.column()));
}

QVariant ViewTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (!logic_ || role != Qt::DisplayRole) return {};
  if (orientation == Qt::Vertical) return section + 1;
  return Q(peaks_ ? logic_->PeakHeader(section) : logic_->DataHeader(section));
}

// ---- the view

TvChart::TvChart(QWidget* parent) : QWidget(parent) {
  auto* layout = new QHBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(2);

  toolColumn = new QWidget(this);
  toolColumn->setObjectName("toolColumn");
  auto* tools = new QVBoxLayout(toolColumn);
  tools->setContentsMargins(2, 2, 2, 2);
  tools->setSpacing(2);
  tbDataTable = ToolButton(toolColumn, "Data Table", "Show data/peaks table page", true);
  // The processing steps of the frame (their actions come with the
  // frame's property pages; the right button opens those pages).
  tbSmooth = ToolButton(toolColumn, "Smooth", "Smoothing", true);
  tbBaseline = ToolButton(toolColumn, "Baseline", "Baseline removal", true);
  tbPeaks = ToolButton(toolColumn, "Peaks", "Peak detection", true);
  tbExpand = ToolButton(toolColumn, "Expand", "Expand the current spectrum to fill the chart", false);
  tbAutoY =
      ToolButton(toolColumn, "Auto Y", "Expand vertically the visible piece of the current spectrum", true);
  tbZoomMode = ToolButton(toolColumn, "Zoom mode", "Zoom and select a point", true);
  tbRangeMode = ToolButton(toolColumn, "Range mode", "Mark ranges with the mouse", true);
  auto* modes = new QButtonGroup(this);
  modes->setExclusive(true);
  modes->addButton(tbZoomMode);
  modes->addButton(tbRangeMode);
  tbZoomMode->setChecked(true);
  for (QToolButton* b :
       {tbDataTable, tbSmooth, tbBaseline, tbPeaks, tbExpand, tbAutoY, tbZoomMode, tbRangeMode})
    tools->addWidget(b);
  tools->addStretch(1);
  lbStatus = new QLabel(toolColumn);
  lbStatus->setObjectName("lbStatus");
  lbStatus->setAlignment(Qt::AlignCenter);
  lbStatus->setStyleSheet("QLabel { color: #000080; font-weight: bold; }");
  tools->addWidget(lbStatus);
  toolColumn->installEventFilter(this);
  for (QToolButton* b : toolColumn->findChildren<QToolButton*>())
    b->installEventFilter(this);
  layout->addWidget(toolColumn);

  stack = new QStackedWidget(this);
  plot_ = new QCustomPlot(stack);
  stack->addWidget(plot_);
  auto* tablePage = new QWidget(stack);
  auto* tableLayout = new QVBoxLayout(tablePage);
  tableLayout->setContentsMargins(0, 0, 0, 0);
  auto* tables = new QHBoxLayout();
  dataTable = new QTableView(tablePage);
  peakTable = new QTableView(tablePage);
  dataModel_ = new ViewTableModel(false, this);
  peakModel_ = new ViewTableModel(true, this);
  dataTable->setModel(dataModel_);
  peakTable->setModel(peakModel_);
  for (QTableView* t : {dataTable, peakTable}) {
    t->setEditTriggers(QAbstractItemView::NoEditTriggers);
    t->verticalHeader()->setDefaultSectionSize(20);
    t->horizontalHeader()->setDefaultSectionSize(90);
  }
  peakTable->horizontalHeader()->setDefaultSectionSize(80);
  peakTable->hide();
  tables->addWidget(dataTable, 1);
  tables->addWidget(peakTable, 2);
  tableLayout->addLayout(tables, 1);
  auto* buttons = new QHBoxLayout();
  bbSaveData = Button(tablePage, " SaveData");
  bbCopyData = Button(tablePage, " CopyData");
  bbSavePeaks = Button(tablePage, " SavePeaks ");
  bbCopyPeaks = Button(tablePage, " CopyPeaks ");
  for (QPushButton* b : {bbSaveData, bbCopyData, bbSavePeaks, bbCopyPeaks})
    buttons->addWidget(b);
  buttons->addStretch(1);
  tableLayout->addLayout(buttons);
  stack->addWidget(tablePage);
  layout->addWidget(stack, 1);

  // The chart: white, its axes readable at a glance, the ranges on a layer
  // of their own between the grid and the data.
  plot_->setBackground(Qt::white);
  plot_->setNoAntialiasingOnDrag(true);
  plot_->setPlottingHint(QCP::phFastPolylines, true);
  plot_->addLayer("bands", plot_->layer("grid"), QCustomPlot::limAbove);
  graph_ = plot_->addGraph();
  graph_->setAdaptiveSampling(true);
  graph_->setPen(QPen(QColor(0, 0, 160), 1));
  QFont tickFont = font();
  tickFont.setPointSize(9);
  QFont labelFont = tickFont;
  labelFont.setBold(true);
  for (QCPAxis* a : {plot_->xAxis, plot_->yAxis}) {
    a->setTickLabelFont(tickFont);
    a->setLabelFont(labelFont);
    a->grid()->setPen(QPen(QColor(225, 225, 225), 1, Qt::DotLine));
  }
  // The zero line marks the base of the intensities, not the start of the
  // x axis.
  plot_->xAxis->grid()->setZeroLinePen(Qt::NoPen);
  plot_->yAxis->setNumberFormat("gb");
  plot_->yAxis->setNumberPrecision(3);
  plot_->xAxis->setNumberFormat("g");
  plot_->xAxis->setNumberPrecision(6);
  plot_->selectionRect()->setPen(QPen(Qt::black, 1, Qt::DashLine));
  plot_->selectionRect()->setBrush(QColor(0, 0, 255, 20));
  plot_->installEventFilter(this);
  plot_->setMouseTracking(true);

  cursor_ = new QCPItemStraightLine(plot_);
  cursor_->setPen(QPen(Qt::red, 1));
  cursor_->setVisible(false);
  cursorLabel_ = new QCPItemText(plot_);
  cursorLabel_->position->setTypeX(QCPItemPosition::ptPlotCoords);
  cursorLabel_->position->setTypeY(QCPItemPosition::ptAxisRectRatio);
  cursorLabel_->setColor(QColor(128, 0, 0));
  cursorLabel_->setFont(tickFont);
  cursorLabel_->setClipToAxisRect(true);
  cursorLabel_->setVisible(false);
  tracer_ = new QCPItemTracer(plot_);
  tracer_->setStyle(QCPItemTracer::tsCircle);
  tracer_->setSize(10);
  tracer_->setPen(QPen(QColor(0, 128, 0), 1, Qt::DotLine));
  tracer_->setVisible(false);
  marks_ = new PeakMarks(plot_);
  marks_->setVisible(false);
  notes_ = new PeakMarks(plot_, QColor(160, 0, 0), true);
  notes_->setVisible(false);

  connect(plot_, &QCustomPlot::mousePress, this, &TvChart::OnPress);
  connect(plot_, &QCustomPlot::mouseMove, this, &TvChart::OnMove);
  connect(plot_, &QCustomPlot::mouseRelease, this, &TvChart::OnRelease);
  connect(plot_, &QCustomPlot::mouseDoubleClick, this, &TvChart::OnDoubleClick);
  connect(plot_, &QCustomPlot::mouseWheel, this, &TvChart::OnWheel);
  connect(plot_->selectionRect(), &QCPSelectionRect::accepted, this, &TvChart::OnRectZoom);
  connect(plot_->xAxis, qOverload<const QCPRange&>(&QCPAxis::rangeChanged), this,
          [this](const QCPRange& r) {
            if (logic_) logic_->SetVisibleRange(r.lower, r.upper);
          });

  connect(tbDataTable, &QToolButton::toggled, this, [this](bool on) {
    if (logic_) UserAction([&] { logic_->SetChartVis(!on); });
  });
  connect(tbExpand, &QToolButton::clicked, this, [this] {
    Expand();
    AfterZoom();
  });
  connect(tbAutoY, &QToolButton::toggled, this, [this](bool on) {
    if (logic_ && logic_->AutoY() != on) UserAction([&] { logic_->SetAutoY(on); });
  });
  connect(tbZoomMode, &QToolButton::clicked, this, [this] {
    if (!logic_) return;
    UserAction([&] {
      logic_->SetZoomMode(true);
      logic_->AfterZoomOrScroll();
    });
  });
  connect(tbRangeMode, &QToolButton::clicked, this, [this] {
    if (!logic_) return;
    UserAction([&] {
      logic_->SetZoomMode(false);
      logic_->AfterZoomOrScroll();
    });
  });
  connect(bbSaveData, &QPushButton::clicked, this, [this] { SaveTable(false); });
  connect(bbCopyData, &QPushButton::clicked, this, [this] { CopyTable(false); });
  connect(bbSavePeaks, &QPushButton::clicked, this, [this] { SaveTable(true); });
  connect(bbCopyPeaks, &QPushButton::clicked, this, [this] { CopyTable(true); });
  connect(dataTable->selectionModel(), &QItemSelectionModel::currentChanged, this,
          [this](const QModelIndex& i) {
            if (logic_) logic_->SetDataRowFromTable(i.isValid() ? i.row() : -1);
          });
  connect(dataTable, &QTableView::clicked, this, [this](const QModelIndex& i) {
    if (logic_ && logic_->OnSelect) UserAction([&] { logic_->OnSelect(i.row()); });
  });
  connect(peakTable, &QTableView::clicked, this, [this](const QModelIndex& i) {
    if (!logic_ || i.row() >= logic_->PeakRows()) return;
    const int point = logic_->Peaks.bPeaks[static_cast<size_t>(i.row())].Index;
    dataTable->selectRow(point);
    dataTable->scrollTo(dataModel_->index(point, 0));
  });
}

TvChart::~TvChart() {
  if (logic_) {
    logic_->OnChanged = nullptr;
    logic_->AxisText = nullptr;
  }
}

void TvChart::Bind(ChartViewLogic* logic, const QString& viewName, const QString& tablePrefix) {
  logic_ = logic;
  setAccessibleName(viewName);
  setObjectName(viewName);
  plot_->setAccessibleName(viewName + " chart");
  dataTable->setAccessibleName(tablePrefix + " data");
  peakTable->setAccessibleName(tablePrefix + " peaks");
  lbStatus->setAccessibleName(viewName + " status");
  dataModel_->SetLogic(logic);
  peakModel_->SetLogic(logic);
  const bool chrom = logic->ChromComp();
  graph_->setLineStyle(chrom ? QCPGraph::lsLine : QCPGraph::lsImpulse);
  for (QTableView* t : {dataTable, peakTable})
    t->setSelectionBehavior(chrom ? QAbstractItemView::SelectRows : QAbstractItemView::SelectItems);
  logic->AxisText = [this](double x) { return AxisText(x).toStdString(); };
  logic->OnChanged = [this](unsigned changes) { Sync(changes); };
  logic->SetVisibleRange(plot_->xAxis->range().lower, plot_->xAxis->range().upper);
  Sync(~0u & ~ChartViewLogic::kExpand);
}

void TvChart::SetAxisTitles(const QString& bottom, const QString& left) {
  plot_->xAxis->setLabel(bottom);
  plot_->yAxis->setLabel(left);
  plot_->replot(QCustomPlot::rpQueuedReplot);
}

ChartScale TvChart::Scale() const {
  ChartScale s;
  const QCPAxis* x = plot_->xAxis;
  const QCPAxis* y = plot_->yAxis;
  s.pixelsPerX = x->range().size() > 0 ? x->axisRect()->width() / x->range().size() : 0;
  s.pixelsPerY = y->range().size() > 0 ? y->axisRect()->height() / y->range().size() : 0;
  s.fontSize = kMarkFontSize;
  return s;
}

std::vector<std::pair<int, QString>> TvChart::MarkLabels() const {
  std::vector<std::pair<int, QString>> out;
  if (!marks_->visible()) return out;
  for (const PeakMarks::Label& l : marks_->labels)
    out.emplace_back(l.index, l.text);
  return out;
}

std::vector<std::pair<int, QString>> TvChart::NoteLabels() const {
  std::vector<std::pair<int, QString>> out;
  if (!notes_->visible()) return out;
  for (const PeakMarks::Label& l : notes_->labels)
    out.emplace_back(l.index, l.text);
  return out;
}

QString TvChart::AxisText(double x) const {
  const QCPAxis* a = plot_->xAxis;
  const QString format = a->numberFormat();
  const char f = format.isEmpty() ? 'g' : format.at(0).toLatin1();
  return QLocale::c().toString(x, f, a->numberPrecision());
}

// ---- drawing what the logic holds

void TvChart::Sync(unsigned changes) {
  if (!logic_) return;
  if (changes & ChartViewLogic::kSeries) SyncSeries();
  if (changes & ChartViewLogic::kExpand) Expand();
  if (changes & (ChartViewLogic::kMode | ChartViewLogic::kSeries)) SyncMode();
  if (changes & (ChartViewLogic::kMarks | ChartViewLogic::kMode | ChartViewLogic::kSeries))
    SyncMarks();
  if (changes & (ChartViewLogic::kCursor | ChartViewLogic::kMode)) SyncCursor();
  if (changes & (ChartViewLogic::kMarker | ChartViewLogic::kSeries)) SyncMarker();
  if (changes & ChartViewLogic::kTitle) SyncTitles();
  if (changes & (ChartViewLogic::kPeaks | ChartViewLogic::kSeries)) SyncPeakMarks();
  if (changes & (ChartViewLogic::kNotes | ChartViewLogic::kSeries)) SyncNotes();
  if ((changes & ChartViewLogic::kDataRow) && logic_->DataRow() >= 0) {
    dataTable->selectRow(logic_->DataRow());
    dataTable->scrollTo(dataModel_->index(logic_->DataRow(), 0),
                        QAbstractItemView::PositionAtCenter);
  }
  if (changes & ChartViewLogic::kChartVis) {
    stack->setCurrentIndex(logic_->ChartVis() ? 0 : 1);
    tbDataTable->setChecked(!logic_->ChartVis());
    tbRangeMode->setEnabled(logic_->ChartVis() && isEnabled());
  }
  if (changes & (ChartViewLogic::kTables | ChartViewLogic::kChartVis)) SyncTables();
  if ((changes & ChartViewLogic::kChartVis) && !logic_->ChartVis() && logic_->CursorActive() &&
      logic_->CursorIndex() >= 0) {
    // The table opens on the point under the cursor.
    dataTable->selectRow(logic_->CursorIndex());
    dataTable->scrollTo(dataModel_->index(logic_->CursorIndex(), 0),
                        QAbstractItemView::PositionAtCenter);
  }
  if (changes & ChartViewLogic::kHint) {
    const QString hint = Q(logic_->Hint());
    if (hint != hint_) {
      hint_ = hint;
      const int bar = hint.indexOf('|');
      plot_->setToolTip(bar < 0 ? hint : hint.left(bar));
      QStatusTipEvent tip(bar < 0 ? hint : hint.mid(bar + 1));
      QCoreApplication::sendEvent(this, &tip);
      emit hintChanged(hint);
    }
  }
  plot_->replot(QCustomPlot::rpQueuedReplot);
}

void TvChart::SyncSeries() {
  const auto& x = logic_->X();
  const auto& y = logic_->Y();
  QVector<QCPGraphData> points(static_cast<qsizetype>(x.size()));
  bool sorted = true;
  for (size_t i = 0; i < x.size(); ++i) {
    points[static_cast<qsizetype>(i)] = QCPGraphData(x[i], y[i]);
    if (i > 0 && x[i] < x[i - 1]) sorted = false;
  }
  graph_->data()->set(points, sorted);
  // New data scale the axes, unless the user has zoomed in: then the view
  // stays where it is.
  if (!zoomed_ || !everShown_) {
    Expand();
    everShown_ = !x.empty();
  }
}

void TvChart::Expand() {
  if (!logic_) return;
  const AxisRange x = logic_->FullXRange(), y = logic_->FullYRange();
  plot_->xAxis->setRange(x.lo, x.hi);
  plot_->yAxis->setRange(y.lo, y.hi);
  zoomed_ = false;
  ApplyAutoY();
  plot_->replot(QCustomPlot::rpQueuedReplot);
}

void TvChart::ApplyAutoY() {
  if (!logic_) return;
  const QCPRange r = plot_->yAxis->range();
  if (auto a = logic_->AutoYRange({r.lower, r.upper})) plot_->yAxis->setRange(a->lo, a->hi);
}

void TvChart::SyncMode() {
  const bool zoom = logic_->ZoomMode();
  tbZoomMode->setChecked(zoom);
  tbRangeMode->setChecked(!zoom);
  tbAutoY->setChecked(logic_->AutoY());
  plot_->setSelectionRectMode(zoom ? QCP::srmCustom : QCP::srmNone);
  plot_->setInteraction(QCP::iRangeZoom, zoom);
  plot_->axisRect()->setRangeZoom(logic_->AutoY() ? Qt::Horizontal : Qt::Horizontal | Qt::Vertical);
  plot_->setCursor(zoom ? Qt::CrossCursor : Qt::SplitHCursor);
  ApplyAutoY();
}

void TvChart::SyncMarks() {
  for (QCPItemRect* r : bands_)
    plot_->removeItem(r);
  bands_.clear();
  const auto& marks = logic_->RMarks();
  for (size_t i = 0; i < marks.size(); ++i) {
    auto* r = new QCPItemRect(plot_);
    r->setLayer("bands");
    r->topLeft->setTypeX(QCPItemPosition::ptPlotCoords);
    r->topLeft->setTypeY(QCPItemPosition::ptAxisRectRatio);
    r->bottomRight->setTypeX(QCPItemPosition::ptPlotCoords);
    r->bottomRight->setTypeY(QCPItemPosition::ptAxisRectRatio);
    r->topLeft->setCoords(marks[i].start, 0);
    r->bottomRight->setCoords(marks[i].end, 1);
    // Red, 20% transparent, hatched one way and the other in turn; the
    // selected range magenta.
    const QColor c =
        marks[i].row == logic_->SelectedRow() ? QColor(255, 0, 255, 204) : QColor(255, 0, 0, 204);
    r->setBrush(QBrush(c, i % 2 ? Qt::FDiagPattern : Qt::BDiagPattern));
    QColor edge = c;
    edge.setAlpha(120);
    r->setPen(QPen(edge, 1));
    r->setClipToAxisRect(true);
    r->setVisible(logic_->MarksVisible());
    bands_.push_back(r);
  }
}

void TvChart::SyncCursor() {
  const bool on = logic_->CursorActive() && logic_->CursorIndex() >= 0;
  cursor_->setVisible(on);
  cursorLabel_->setVisible(on);
  if (!on) return;
  const double x = logic_->CursorX();
  cursor_->point1->setCoords(x, 0);
  cursor_->point2->setCoords(x, 1);
  cursorLabel_->position->setCoords(x, 0.0);
  const QString text = Q(logic_->CursorLabel());
  cursorLabel_->setText(text);
  // 20 pixels left of the cursor; right of it where the chart ends on the
  // left, so that the label is never cut.
  const int width = QFontMetrics(cursorLabel_->font()).horizontalAdvance(text) + 24;
  const bool roomLeft = plot_->xAxis->coordToPixel(x) - width >= plot_->axisRect()->left();
  cursorLabel_->setPositionAlignment((roomLeft ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignTop);
  cursorLabel_->setPadding(roomLeft ? QMargins(2, 2, 20, 2) : QMargins(20, 2, 2, 2));
}

void TvChart::SyncMarker() {
  const int i = logic_->NearestIndex();
  const bool on = logic_->NearestActive() && i >= 0 && i < logic_->Count();
  tracer_->setVisible(on);
  if (on)
    tracer_->position->setCoords(logic_->X()[static_cast<size_t>(i)],
                                 logic_->Y()[static_cast<size_t>(i)]);
  if (!logic_->ChromComp()) SetTextRow(subtitle_, on ? Q(logic_->Subtitle()) : QString(), false, 1);
}

void TvChart::SyncPeakMarks() {
  marks_->labels.clear();
  const auto& x = logic_->X();
  const auto& y = logic_->Y();
  // A point may be a peak twice; it is labelled once.
  std::vector<bool> done(x.size(), false);
  if (logic_->MarkText)
    for (const tPeak& p : logic_->Peaks.bPeaks) {
      if (p.Index < 0 || static_cast<size_t>(p.Index) >= x.size()) continue;
      const size_t i = static_cast<size_t>(p.Index);
      if (done[i]) continue;
      done[i] = true;
      const QString text = Q(logic_->MarkText(p.Index));
      if (!text.isEmpty()) marks_->labels.push_back({p.Index, x[i], y[i], text});
    }
  marks_->setVisible(logic_->MarksShown() && !marks_->labels.empty());
}

void TvChart::SyncNotes() {
  notes_->labels.clear();
  const auto& x = logic_->X();
  const auto& y = logic_->Y();
  for (const ChartViewLogic::PointNote& n : logic_->Notes())
    if (n.index >= 0 && static_cast<size_t>(n.index) < x.size())
      notes_->labels.push_back(
          {n.index, x[static_cast<size_t>(n.index)], y[static_cast<size_t>(n.index)], Q(n.text)});
  notes_->setVisible(!notes_->labels.empty());
}

void TvChart::SyncTitles() {
  SetTextRow(title_, Q(logic_->Title()), true, 0);
}

void TvChart::SetTextRow(QCPTextElement*& element, const QString& text, bool bold, int order) {
  QCPLayoutGrid* layout = plot_->plotLayout();
  if (text.isEmpty()) {
    if (element) {
      layout->remove(element);
      layout->simplify();
      element = nullptr;
    }
    return;
  }
  if (!element) {
    // Rows from the top: the title (order 0), the readout (order 1), then
    // the chart.
    int row = 0;
    if (order == 1 && title_) row = 1;
    layout->insertRow(row);
    QFont f = font();
    f.setPointSize(bold ? 10 : 9);
    f.setBold(bold);
    element = new QCPTextElement(plot_, text, f);
    layout->addElement(row, 0, element);
  }
  element->setText(text);
}

void TvChart::SyncTables() {
  if (logic_->ChartVis()) return;
  dataModel_->Refresh();
  peakModel_->Refresh();
  const bool peaks = logic_->PeakTableShown();
  peakTable->setVisible(peaks);
  bbSavePeaks->setEnabled(peaks);
  bbCopyPeaks->setEnabled(peaks);
  if (peakTable->horizontalHeader()->count() > 0) peakTable->setColumnWidth(0, 45);
}

// ---- mouse

bool TvChart::InAxisRect(const QPointF& pos) const {
  return plot_->axisRect()->rect().contains(pos.toPoint());
}

void TvChart::OnPress(QMouseEvent* e) {
  if (!logic_) return;
  if (e->button() == Qt::RightButton) {
    // The right button scrolls (drag) or opens the chart's menu (click);
    // it never starts a zoom rectangle.
    plot_->setSelectionRectMode(QCP::srmNone);
    panning_ = true;
    panMoved_ = false;
    panFrom_ = e->position();
    return;
  }
  if (e->button() != Qt::LeftButton || !InAxisRect(e->position())) return;
  const double px = e->position().x();
  UserAction([&] {
    logic_->Press(px, plot_->xAxis->pixelToCoord(px), e->modifiers() & Qt::ControlModifier);
  });
}

void TvChart::OnMove(QMouseEvent* e) {
  if (!logic_) return;
  const QPointF pos = e->position();
  if (panning_ && (e->buttons() & Qt::RightButton)) {
    if ((pos - panFrom_).manhattanLength() >= QApplication::startDragDistance()) panMoved_ = true;
    if (!panMoved_) return;
    QCPAxis* x = plot_->xAxis;
    x->moveRange(x->pixelToCoord(panFrom_.x()) - x->pixelToCoord(pos.x()));
    if (!logic_->AutoY()) {
      QCPAxis* y = plot_->yAxis;
      y->moveRange(y->pixelToCoord(panFrom_.y()) - y->pixelToCoord(pos.y()));
    }
    panFrom_ = pos;
    zoomed_ = true;
    plot_->replot(QCustomPlot::rpQueuedReplot);
    return;
  }
  const double px = pos.x(), x = plot_->xAxis->pixelToCoord(px);
  UserAction([&] {
    if (InAxisRect(pos)) logic_->TrackNearest(x);
    if (!(e->buttons() & Qt::LeftButton)) return;
    if (InAxisRect(pos))
      logic_->Move(px, x);
    else
      logic_->Leave();
  });
}

void TvChart::OnRelease(QMouseEvent* e) {
  if (!logic_) return;
  if (e->button() == Qt::RightButton) {
    if (!panning_) return;
    panning_ = false;
    SyncMode();
    if (panMoved_)
      AfterZoom();
    else
      ShowChartMenu(e->globalPosition().toPoint());
    return;
  }
  if (e->button() != Qt::LeftButton) return;
  const double px = e->position().x();
  UserAction([&] {
    logic_->Release(px, plot_->xAxis->pixelToCoord(px), e->modifiers() & Qt::ShiftModifier);
  });
}

void TvChart::OnDoubleClick(QMouseEvent* e) {
  if (!logic_ || e->button() != Qt::LeftButton || !InAxisRect(e->position())) return;
  const double px = e->position().x();
  UserAction([&] { logic_->DoubleClick(px, plot_->xAxis->pixelToCoord(px)); });
}

void TvChart::OnWheel(QWheelEvent*) {
  if (!logic_ || !logic_->ZoomMode()) return;
  zoomed_ = true;
  // The chart zooms after this signal; the view follows once it has.
  QMetaObject::invokeMethod(
      this, [this] { AfterZoom(); }, Qt::QueuedConnection);
}

void TvChart::OnRectZoom(const QRect& rect, QMouseEvent*) {
  if (!logic_ || !logic_->ZoomMode()) return;
  // A rectangle drawn to the left undoes the zoom.
  if (rect.width() < 0) {
    Expand();
    AfterZoom();
    return;
  }
  const QRect r = rect.normalized();
  const bool horizontalOnly = logic_->AutoY();
  if (r.width() < kMinZoomPixels || (!horizontalOnly && r.height() < kMinZoomPixels)) return;
  QCPAxis* x = plot_->xAxis;
  x->setRange(x->pixelToCoord(r.left()), x->pixelToCoord(r.right()));
  if (!horizontalOnly) {
    QCPAxis* y = plot_->yAxis;
    y->setRange(y->pixelToCoord(r.bottom()), y->pixelToCoord(r.top()));
  }
  zoomed_ = true;
  AfterZoom();
}

void TvChart::AfterZoom() {
  if (!logic_) return;
  UserAction([&] { logic_->AfterZoomOrScroll(); });
  plot_->replot(QCustomPlot::rpQueuedReplot);
}

bool TvChart::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::MouseButtonRelease) {
    auto* me = static_cast<QMouseEvent*>(event);
    const bool overTools =
        watched == toolColumn || (qobject_cast<QToolButton*>(watched) &&
                                  static_cast<QWidget*>(watched)->parent() == toolColumn);
    if (overTools && me->button() == Qt::RightButton) {
      const QObject* pageButtons[] = {tbDataTable, tbSmooth, tbBaseline, tbPeaks};
      for (int page = 0; page < 4; ++page)
        if (watched == pageButtons[page]) {
          emit toolPageRequested(page);
          return true;
        }
      emit toolColumnMenuRequested(me->globalPosition().toPoint());
      return true;
    }
  }
  if (watched == plot_ && event->type() == QEvent::Leave && logic_)
    UserAction([&] { logic_->Leave(); });
  return QWidget::eventFilter(watched, event);
}

// ---- menu, picture, editor, appearance

void TvChart::ShowChartMenu(const QPoint& globalPos) {
  QMenu menu(this);
  menu.addAction("Copy Image", this, &TvChart::CopyImage);
  menu.addAction("Chart Editor...", this, &TvChart::OpenChartEditor);
  menu.addSeparator();
  menu.addAction("Save Appearance...", this, [this] {
    FileDialogRequest r;
    r.title = "Save chart appearance";
    r.filters = {{"Chart appearance (*.ini)", "*.ini"}};
    r.defaultExt = "ini";
    const std::string file = Ui().SaveFileDialog(r);
    if (!file.empty()) UserAction([&] { SaveToTemplate(file); });
  });
  menu.addAction("Load Appearance...", this, [this] {
    FileDialogRequest r;
    r.title = "Load chart appearance";
    r.filters = {{"Chart appearance (*.ini)", "*.ini"}};
    const auto files = Ui().OpenFileDialog(r);
    if (!files.empty()) UserAction([&] { LoadFromTemplate(files.front()); });
  });
  menu.addSeparator();
  menu.addAction("Expand", this, [this] {
    Expand();
    AfterZoom();
  });
  menu.exec(globalPos);
}

void TvChart::CopyImage() {
  QApplication::clipboard()->setImage(plot_->toPixmap().toImage());
}

void TvChart::OpenChartEditor() {
  const bool cursorWasOn = cursor_->visible();
  cursor_->setVisible(false);
  cursorLabel_->setVisible(false);
  plot_->replot();
  ChartEditor editor(*plot_, title_, this);
  if (editor.exec() == QDialog::Accepted && editor.RangesFixed()) zoomed_ = true;
  cursor_->setVisible(cursorWasOn);
  cursorLabel_->setVisible(cursorWasOn);
  plot_->replot();
}

void TvChart::SaveToTemplate(const std::string& fileName) {
  SaveChartAppearance(*plot_, fileName, {!zoomed_, !zoomed_});
}

void TvChart::LoadFromTemplate(const std::string& fileName) {
  const ChartAutoScale automatic = LoadChartAppearance(*plot_, fileName);
  if (automatic.bottom && automatic.left)
    Expand();
  else
    zoomed_ = true;
  if (logic_) Sync(ChartViewLogic::kCursor | ChartViewLogic::kMarks | ChartViewLogic::kMarker);
}

// ---- tables

void TvChart::SaveTable(bool peaks) {
  if (!logic_) return;
  const std::string text = peaks ? logic_->PeakText() : logic_->DataText();
  if (text.empty()) return;
  FileDialogRequest r;
  r.title = "Save as text file";
  r.filters = {{"Text (*.txt)", "*.txt"}};
  r.defaultExt = "txt";
  const std::string file = Ui().SaveFileDialog(r);
  if (file.empty()) return;
  UserAction([&] { SafeWriteFile(file, text); });
}

void TvChart::CopyTable(bool peaks) {
  if (!logic_) return;
  const std::string text = peaks ? logic_->PeakText() : logic_->DataText();
  if (!text.empty()) Ui().SetClipboardText(text);
}

}  // namespace sorrel
