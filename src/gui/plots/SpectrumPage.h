#pragma once
// A page that shows one opened spectrum or run: for a run the chromatogram
// above and the spectrum of its apex scan below; for a single spectrum the
// stick spectrum alone.
#include <QWidget>
#include <memory>
#include <string>

class QCustomPlot;

namespace sorrel {

class TSpec;

class SpectrumPage : public QWidget {
  Q_OBJECT
 public:
  explicit SpectrumPage(QWidget* parent = nullptr);
  ~SpectrumPage() override;
  bool Open(const std::string& fileName);
  TSpec& Spec() { return *spec_; }
  QCustomPlot* chromChart = nullptr;
  QCustomPlot* massChart = nullptr;

 private:
  void ShowScan(int index);
  std::unique_ptr<TSpec> spec_;
};

}  // namespace sorrel
