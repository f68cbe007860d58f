// The workbench in the main window: the settings panel bound to the
// training, Calculate PC's from the tool button with 1, 2 and more frames,
// the boundary message, the result pages' charts and controls (the
// residual line's three modes, point labels, clicks that activate frames),
// Copy Data and Copy Image, and Save Training through the options dialog
// with its OK and Cancel rules. The numbers come from the core, tested
// there; here the charts must hold them.
#include <qcustomplot.h>

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QSpinBox>
#include <QStatusBar>
#include <QTextEdit>
#include <QTimer>
#include <QtTest>
#include <cmath>
#include <filesystem>

#include "QtScriptedUi.h"
#include "TempDir.h"
#include "core/common/NumberText.h"
#include "core/mainwindow/MainWindowLogic.h"
#include "core/plots/PlotCollection.h"
#include "gui/mainwindow/MainWindow.h"
#include "gui/mainwindow/ResultsArea.h"
#include "gui/mainwindow/TfrmOpts.h"
#include "gui/plots/TPlots.h"
#include "gui/widgets/BMDSpinEdit.h"

using namespace sorrel;

namespace {

// The example training of naphthalene (six spectra, m/z 16 to 207)
// remembered in startup.ini; the training's path.
std::string RememberExampleTraining(const test::ScratchProgramDir& dir) {
  namespace fs = std::filesystem;
  const fs::path from = fs::path(SORREL_EXAMPLES_DIR) / "trainings";
  for (const auto& e : fs::directory_iterator(from)) {
    const std::string name = e.path().filename().string();
    if (name.rfind("naphthalene", 0) == 0) fs::copy_file(e.path(), fs::path(dir.Data()) / name);
  }
  dir.Write("startup.ini", "[Target]\r\nTraining=" + dir.Data("naphthalene.trn") + "\r\n");
  return dir.Data("naphthalene.trn");
}

QVector<double> Values(QCPAbstractPlottable* p, bool keys) {
  QVector<double> out;
  if (auto* g = qobject_cast<QCPGraph*>(p))
    for (const QCPGraphData& d : *g->data())
      out << (keys ? d.key : d.value);
  if (auto* b = qobject_cast<QCPBars*>(p))
    for (const QCPBarsData& d : *b->data())
      out << (keys ? d.key : d.value);
  return out;
}

QStringList Labels(QCustomPlot* chart) {
  QStringList labels;
  for (int i = 0; i < chart->itemCount(); ++i)
    if (auto* t = qobject_cast<QCPItemText*>(chart->item(i))) labels << t->text();
  return labels;
}

QString TitleOf(QCustomPlot* chart) {
  auto* t = qobject_cast<QCPTextElement*>(chart->plotLayout()->element(0, 0));
  return t ? t->text() : QString();
}

// The lines "x<TAB>y" of a copy, as numbers.
QVector<QPair<double, double>> Lines(const std::string& text) {
  QVector<QPair<double, double>> out;
  for (const QString& line : QString::fromStdString(text).split('\n', Qt::SkipEmptyParts)) {
    const QStringList f = line.split('\t');
    out << qMakePair(*ParseNumber(f.value(0).toStdString()),
                     *ParseNumber(f.value(1).toStdString()));
  }
  return out;
}

}  // namespace

class WorkbenchTest : public QObject {
  Q_OBJECT
 private slots:
  void calculateFillsThePagesFromTheSettingsPanel() {
    test::ScratchProgramDir dir;
    auto ui = test::QtScriptedUi();
    RememberExampleTraining(dir);
    TfrmTansy w;
    TResultsArea& r = *w.results;
    QCOMPARE(w.plots->Collection().Count(), 6);
    // Four loadings of six spectra: leaving one out keeps more spectra
    // than loadings, as the cross-validation needs.
    w.seNLoadings->setValue(4);
    w.chkNormalize->setChecked(true);
    w.tbCalculate->trigger();
    QVERIFY(w.pcResults->isVisible() || !w.pcResults->isHidden());
    QCOMPARE(w.statusBar()->currentMessage(), QString("PCA done"));
    QVERIFY(w.tbSaveTraining->isEnabled());
    QVERIFY(w.mCopyData->isEnabled());
    const TTraining& t = w.Logic().Training();
    QCOMPARE(t.NLoadings, 4);
    QVERIFY(t.Normalize);
    const PcaResults& res = w.Logic().Bench().Results();
    QCOMPARE(res.Eigenvalues.size(), size_t(4));

    // Loadings in front: the first loading as bars at the masses.
    QCOMPARE(w.pcResults->currentIndex(), 0);
    QCOMPARE(r.seLoading->maximum(), 4);
    QCustomPlot* loadings = w.Charts[0];
    QCOMPARE(loadings->plottableCount(), 1);
    QVERIFY(qobject_cast<QCPBars*>(loadings->plottable(0)));
    QCOMPARE(Values(loadings->plottable(0), true), QVector<double>(t.Xvals.begin(), t.Xvals.end()));
    QCOMPARE(loadings->xAxis->label(), QString("[m/z]"));
    r.seLoading->setValue(2);
    const QVector<double> second = Values(loadings->plottable(0), false);
    QCOMPARE(second.size(), static_cast<int>(t.Xvals.size()));
    for (int j = 0; j < second.size(); ++j)
      QCOMPARE(second[j], std::sqrt(res.Eigenvalues[1]) * res.Loadings[1][static_cast<size_t>(j)]);

    // Eigen Values: Copy Data gives factor number and eigenvalue.
    w.pcResults->setCurrentIndex(3);
    QCOMPARE(w.Charts[3]->xAxis->label(), QString("Factor number"));
    QVERIFY(r.lblRecommended->text().toInt() >= 1 && r.lblRecommended->text().toInt() <= 4);
    w.mCopyData->trigger();
    const auto eig = Lines(ui->clipboard);
    QCOMPARE(eig.size(), 4);
    for (int k = 0; k < 4; ++k) {
      QCOMPARE(eig[k].first, k + 1.0);
      QVERIFY(std::fabs(eig[k].second - res.Eigenvalues[static_cast<size_t>(k)]) <=
              1e-14 * res.Eigenvalues[0]);
    }

    // Scores: a labelled point per spectrum; a double click on point 4
    // activates frame 4 (index 3).
    w.pcResults->setCurrentIndex(4);
    QCOMPARE(r.seXFactor->value(), 1);  // the first two factors at first
    QCOMPARE(r.seYFactor->value(), 2);
    QCOMPARE(Values(w.Charts[4]->plottable(0), false)[0], res.Scores[0][1]);
    r.seXFactor->setValue(2);
    r.seYFactor->setValue(3);
    QCustomPlot* scores = w.Charts[4];
    QCOMPARE(Labels(scores), (QStringList{"1", "2", "3", "4", "5", "6"}));
    QCOMPARE(Values(scores->plottable(0), true)[5], res.Scores[5][1]);
    QCOMPARE(Values(scores->plottable(0), false)[5], res.Scores[5][2]);
    emit scores->plottableDoubleClick(scores->plottable(0), 3, nullptr);
    QCOMPARE(w.plots->Collection().Active(), 3);

    // M.Dist with the training's number of loadings; a click activates.
    w.pcResults->setCurrentIndex(2);
    QCOMPARE(r.seUsedFactors->value(), 4);
    QCustomPlot* mdist = w.Charts[2];
    QCOMPARE(Values(mdist->plottable(0), true), (QVector<double>{0, 1, 2, 3, 4, 5}));
    QCOMPARE(mdist->yAxis->label(), QString("M.Dist."));
    emit mdist->plottableClick(mdist->plottable(0), 1, nullptr);
    QCOMPARE(w.plots->Collection().Active(), 1);

    // Copy Image: the chart in front as a picture.
    QApplication::clipboard()->clear();
    w.mCopyImage->trigger();
    QVERIFY(!QApplication::clipboard()->image().isNull());

    // Closing a frame hides and clears the results; Copy Data is off.
    ui->clipboard.clear();
    w.mCloseActive->trigger();
    QVERIFY(w.pcResults->isHidden());
    QCOMPARE(mdist->plottableCount(), 0);
    QVERIFY(!w.mCopyData->isEnabled());
    w.mCopyData->trigger();
    QVERIFY(ui->clipboard.empty());
    QVERIFY(ui->messages.empty());
  }

  void rebuildShowsTheResidualsAsChosen() {
    test::ScratchProgramDir dir;
    auto ui = test::QtScriptedUi();
    RememberExampleTraining(dir);
    TfrmTansy w;
    TResultsArea& r = *w.results;
    w.tbCalculate->trigger();
    w.pcResults->setCurrentIndex(1);
    r.seRebuildSpec->setValue(3);
    QCOMPARE(w.plots->Collection().Active(), 2);
    QCustomPlot* chart = w.Charts[1];
    QVERIFY(TitleOf(chart).startsWith("Euclidean Dist.= "));
    QVERIFY(TitleOf(chart).endsWith("\nRebuild from loadings & scores spectrum"));
    struct Mode {
      QRadioButton* button;
      int plottables;
      bool rightAxis;
    } modes[] = {
        {r.rbResidualsOff, 1, false}, {r.rbProperScale, 2, true}, {r.rbMainScale, 2, false}};
    for (const Mode& m : modes) {
      m.button->setChecked(true);
      QCOMPARE(chart->plottableCount(), m.plottables);
      QCOMPARE(chart->yAxis2->visible(), m.rightAxis);
      if (m.plottables == 2)
        QCOMPARE(chart->plottable(1)->valueAxis(), m.rightAxis ? chart->yAxis2 : chart->yAxis);
      QVERIFY(TitleOf(chart).startsWith("Euclidean Dist.= "));
    }
    // All factors rebuild the spectrum up to what the last one leaves.
    r.seFactorsUsed->setValue(1);
    const QString one = TitleOf(chart);
    r.seFactorsUsed->setValue(r.seFactorsUsed->maximum());
    QVERIFY(TitleOf(chart) != one);
  }

  void calculateNeedsTwoFramesAndCoveredBounds() {
    test::ScratchProgramDir dir;
    auto ui = test::QtScriptedUi();
    RememberExampleTraining(dir);
    TfrmTansy w;
    // Below the first mass of the spectra (16): the first frame is named.
    w.seLowBound->setValue(10);
    w.tbCalculate->trigger();
    QCOMPARE(ui->messages, std::vector<std::string>{"Problem with lower boundary of sp0"});
    QVERIFY(w.pcResults->isHidden());
    QVERIFY(!w.tbSaveTraining->isEnabled());
    ui->messages.clear();
    w.seLowBound->setValue(16);

    for (int i = 0; i < 4; ++i)
      w.mCloseActive->trigger();
    QCOMPARE(w.plots->Collection().Count(), 2);
    // Three loadings of two spectra cannot be calculated: said, no results.
    w.tbCalculate->trigger();
    QCOMPARE(ui->messages.size(), size_t(1));
    QVERIFY(ui->messages[0].find("3 loadings need at least as many spectra; 2 are open") !=
            std::string::npos);
    QVERIFY(w.pcResults->isHidden());
    ui->messages.clear();
    w.seNLoadings->setValue(2);
    QVERIFY(!w.mCalculate->isEnabled());  // the PCA menu is off with two frames
    w.tbCalculate->trigger();             // the tool button calculates all the same
    QVERIFY(!w.pcResults->isHidden());
    QCOMPARE(w.Logic().Bench().Results().Scores.size(), size_t(2));

    w.mCloseActive->trigger();
    w.tbCalculate->trigger();  // one frame: nothing
    QVERIFY(w.pcResults->isHidden());
    QVERIFY(ui->messages.empty());
  }

  void saveTrainingWritesOnlyWithACompound() {
    test::ScratchProgramDir dir;
    auto ui = test::QtScriptedUi();
    const std::string file = RememberExampleTraining(dir);
    const std::string before = test::ReadAll(file);
    TfrmTansy w;
    w.tbCalculate->trigger();

    // The dialog shows the training; an emptied compound is refused.
    QString caption, summary, compound;
    QTimer::singleShot(0, w.Opts, [&] {
      caption = w.Opts->windowTitle();
      summary = w.Opts->reOptions->toPlainText();
      compound = w.Opts->eComp->text();
      w.Opts->eComp->clear();
      w.Opts->bbOK->click();
    });
    w.tbSaveTraining->trigger();
    QCOMPARE(caption, "PCA Options " + QString::fromStdString(file));
    QVERIFY(
        summary.startsWith("Normalized = NO\nIncreased Sensitivity = NO\n"
                           "Calculation Precision = 1E-3\nLow Mass Boundary = 16\n"
                           "High Mass Boundary = 207\n\nProceeded spectra:\n"
                           "naphthalene-1.txt\n"));
    QCOMPARE(compound, QString("Naphthalene"));
    QCOMPARE(ui->messages.size(), size_t(1));
    QVERIFY(ui->messages[0].find("The field compound must be filled in.") != std::string::npos);
    QCOMPARE(test::ReadAll(file), before);
    QVERIFY(w.tbSaveTraining->isEnabled());

    // Cancel: nothing written either.
    QTimer::singleShot(0, w.Opts, [&] { w.Opts->reject(); });
    w.tbSaveTraining->trigger();
    QCOMPARE(test::ReadAll(file), before);

    // OK with a compound and limits: written, the button off.
    QTimer::singleShot(0, w.Opts, [&] {
      w.Opts->eComp->setText("Naphthalene C10H8");
      w.Opts->nePPID->SetValue(1.5);
      w.Opts->bbOK->click();
    });
    w.tbSaveTraining->trigger();
    QVERIFY(!w.tbSaveTraining->isEnabled());
    TTraining saved(file);
    saved.Open();
    QCOMPARE(saved.Compound, std::string("Naphthalene C10H8"));
    QCOMPARE(saved.PPID, 1.5);
    QVERIFY(saved.HasResults());
    QCOMPARE(ui->messages.size(), size_t(1));
  }
};

QTEST_MAIN(WorkbenchTest)
#include "WorkbenchTest.moc"
