#include "gui/plots/ChartEditor.h"

#include <qcustomplot.h>

#include <QCheckBox>
#include <QColorDialog>
#include <QDialogButtonBox>
#include <QDoubleValidator>
#include <QFontDialog>
#include <QFormLayout>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "core/common/NumberText.h"
#include "gui/plots/ChartAppearance.h"

namespace sorrel {

namespace {

QString Number(double x) {
  return QString::fromStdString(FloatToStr(x));
}

void Name(QWidget* w, const QString& name) {
  w->setAccessibleName(name);
  w->setObjectName(name);
}

// A colour button shows its colour.
void ShowColor(QPushButton* b, const QColor& c) {
  b->setStyleSheet(QString("background-color: %1; color: %2")
                       .arg(c.name(), c.lightness() < 128 ? "white" : "black"));
}

}  // namespace

ChartEditor::ChartEditor(QCustomPlot& plot, QCPTextElement* title, QWidget* parent)
    : QDialog(parent), plot_(plot), title_(title) {
  setWindowTitle("Chart Editor");
  series_ = plot.plottableCount() > 0 ? plot.plottable(0)->pen().color() : QColor(Qt::black);
  background_ = PlotBackground(plot);
  titleFont_ = title ? title->font() : font();
  axisFont_ = plot.xAxis->labelFont();

  auto* layout = new QVBoxLayout(this);
  auto* titles = new QGroupBox("Titles", this);
  auto* tf = new QFormLayout(titles);
  edTitle = new QLineEdit(title ? title->text() : QString(), titles);
  edTitle->setEnabled(title != nullptr);
  edBottomTitle = new QLineEdit(plot.xAxis->label(), titles);
  edLeftTitle = new QLineEdit(plot.yAxis->label(), titles);
  Name(edTitle, "Chart title");
  Name(edBottomTitle, "Bottom axis title");
  Name(edLeftTitle, "Left axis title");
  tf->addRow("Chart:", edTitle);
  tf->addRow("Bottom axis:", edBottomTitle);
  tf->addRow("Left axis:", edLeftTitle);
  layout->addWidget(titles);

  auto* looks = new QGroupBox("Colours and fonts", this);
  auto* lf = new QFormLayout(looks);
  bbSeriesColor = new QPushButton("Series", looks);
  bbBackground = new QPushButton("Background", looks);
  bbTitleFont = new QPushButton("Title font...", looks);
  bbAxisFont = new QPushButton("Axis title font...", looks);
  Name(bbSeriesColor, "Series colour");
  Name(bbBackground, "Background colour");
  Name(bbTitleFont, "Title font");
  Name(bbAxisFont, "Axis title font");
  bbTitleFont->setEnabled(title != nullptr);
  ShowColor(bbSeriesColor, series_);
  ShowColor(bbBackground, background_);
  lf->addRow("Series colour:", bbSeriesColor);
  lf->addRow("Background:", bbBackground);
  lf->addRow("Title font:", bbTitleFont);
  lf->addRow("Axis title font:", bbAxisFont);
  layout->addWidget(looks);
  connect(bbSeriesColor, &QPushButton::clicked, this, [this] {
    QColor c = QColorDialog::getColor(series_, this, "Series colour");
    if (c.isValid()) ShowColor(bbSeriesColor, series_ = c);
  });
  connect(bbBackground, &QPushButton::clicked, this, [this] {
    QColor c = QColorDialog::getColor(background_, this, "Background colour");
    if (c.isValid()) ShowColor(bbBackground, background_ = c);
  });
  connect(bbTitleFont, &QPushButton::clicked, this, [this] {
    bool ok = false;
    QFont f = QFontDialog::getFont(&ok, titleFont_, this, "Title font");
    if (ok) titleFont_ = f;
  });
  connect(bbAxisFont, &QPushButton::clicked, this, [this] {
    bool ok = false;
    QFont f = QFontDialog::getFont(&ok, axisFont_, this, "Axis title font");
    if (ok) axisFont_ = f;
  });

  auto* ranges = new QGroupBox("Axis ranges", this);
  auto* rf = new QFormLayout(ranges);
  auto* validator = new QDoubleValidator(this);
  validator->setLocale(QLocale::c());
  auto axisRow = [&](const QString& which, QCPAxis* axis, QCheckBox*& chk, QLineEdit*& lo,
                     QLineEdit*& hi) {
    chk = new QCheckBox("Automatic", ranges);
    lo = new QLineEdit(Number(axis->range().lower), ranges);
    hi = new QLineEdit(Number(axis->range().upper), ranges);
    Name(chk, which + " axis automatic");
    Name(lo, which + " axis minimum");
    Name(hi, which + " axis maximum");
    lo->setValidator(validator);
    hi->setValidator(validator);
    chk->setChecked(true);
    lo->setEnabled(false);
    hi->setEnabled(false);
    connect(chk, &QCheckBox::toggled, lo, [lo, hi](bool automatic) {
      lo->setEnabled(!automatic);
      hi->setEnabled(!automatic);
    });
    auto* row = new QHBoxLayout();
    row->addWidget(chk);
    row->addWidget(lo);
    row->addWidget(hi);
    rf->addRow(which + ":", row);
  };
  axisRow("Bottom", plot.xAxis, chkBottomAuto, edBottomMin, edBottomMax);
  axisRow("Left", plot.yAxis, chkLeftAuto, edLeftMin, edLeftMax);
  layout->addWidget(ranges);

  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  connect(buttons, &QDialogButtonBox::accepted, this, [this] {
    Apply();
    accept();
  });
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  layout->addWidget(buttons);
}

void ChartEditor::Apply() {
  if (title_) {
    title_->setText(edTitle->text());
    title_->setFont(titleFont_);
  }
  plot_.xAxis->setLabel(edBottomTitle->text());
  plot_.yAxis->setLabel(edLeftTitle->text());
  plot_.xAxis->setLabelFont(axisFont_);
  plot_.yAxis->setLabelFont(axisFont_);
  for (int i = 0; i < plot_.plottableCount(); ++i) {
    QPen pen = plot_.plottable(i)->pen();
    pen.setColor(series_);
    plot_.plottable(i)->setPen(pen);
  }
  plot_.axisRect()->setBackground(QBrush(background_));
  auto range = [this](QCheckBox* chk, QLineEdit* lo, QLineEdit* hi, QCPAxis* axis) {
    if (chk->isChecked()) return;
    auto a = ParseNumber(lo->text().toStdString()), b = ParseNumber(hi->text().toStdString());
    if (a && b && *a < *b) {
      axis->setRange(*a, *b);
      rangesFixed_ = true;
    }
  };
  range(chkBottomAuto, edBottomMin, edBottomMax, plot_.xAxis);
  range(chkLeftAuto, edLeftMin, edLeftMax, plot_.yAxis);
  plot_.replot();
}

}  // namespace sorrel
