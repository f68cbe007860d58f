#pragma once
// The chart editor: the titles, the colours, the fonts and the axis ranges
// of a chart, applied when the dialog is accepted.
#include <QDialog>

class QCheckBox;
class QCustomPlot;
class QCPTextElement;
class QLineEdit;
class QPushButton;

namespace sorrel {

class ChartEditor : public QDialog {
  Q_OBJECT
 public:
  // `title` is the chart's title element, or nullptr when it has none.
  ChartEditor(QCustomPlot& plot, QCPTextElement* title, QWidget* parent = nullptr);

  // An axis was given a fixed range.
  bool RangesFixed() const { return rangesFixed_; }

  QLineEdit* edTitle = nullptr;
  QLineEdit* edBottomTitle = nullptr;
  QLineEdit* edLeftTitle = nullptr;
  QPushButton* bbSeriesColor = nullptr;
  QPushButton* bbBackground = nullptr;
  QPushButton* bbTitleFont = nullptr;
  QPushButton* bbAxisFont = nullptr;
  QCheckBox* chkBottomAuto = nullptr;
  QLineEdit* edBottomMin = nullptr;
  QLineEdit* edBottomMax = nullptr;
  QCheckBox* chkLeftAuto = nullptr;
  QLineEdit* edLeftMin = nullptr;
  QLineEdit* edLeftMax = nullptr;

 private:
  void Apply();
  QCustomPlot& plot_;
  QCPTextElement* title_;
  QColor series_, background_;
  QFont titleFont_, axisFont_;
  bool rangesFixed_ = false;
};

}  // namespace sorrel
