#pragma once
// TPlots: the plot collection's window side. Each frame of the collection
// (PlotCollection) lies on a tab page of PageCtrl, labelled with the frame's
// name; a right click on the tabs lists the open frames to choose from.
#include <QObject>
#include <memory>
#include <string>

class QMenu;
class QTabWidget;

namespace sorrel {

class PlotCollection;
class PlotFrame;
class TfrmPlot;

class TPlots : public QObject {
  Q_OBJECT
 public:
  // The page control is made a child of `parent`.
  explicit TPlots(QWidget* parent);
  ~TPlots() override;

  PlotCollection& Collection() { return *core_; }
  int Count() const;
  // The frame's window at `index` (nullptr outside).
  TfrmPlot* Frame(int index) const;
  PlotFrame* Items(int index) const;
  int Add(const std::string& tml);
  bool Delete(int index);
  void Clear();
  int Active() const;
  void SetActive(int index);
  int IdxByFilename(const std::string& fileName) const;

  QTabWidget* PageCtrl = nullptr;
  QMenu* mPopup = nullptr;

 signals:
  // Frames were added or deleted.
  void countChanged(int count);

 private:
  void ShowPopup(const QPoint& globalPos);
  std::unique_ptr<PlotCollection> core_;
};

}  // namespace sorrel
