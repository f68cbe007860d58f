// The plot collection's pages: a tab per frame labelled with its name, the
// selected tab as the active frame, and the pop-up list of the frames.
#include <qcustomplot.h>

#include <QMenu>
#include <QSignalSpy>
#include <QTabBar>
#include <QTabWidget>
#include <QtTest>

#include "QtScriptedUi.h"
#include "TempDir.h"
#include "core/plots/PlotCollection.h"
#include "gui/plots/TPlots.h"
#include "gui/plots/TfrmPlot.h"
#include "gui/plots/TvChart.h"

using namespace sorrel;

class TPlotsTest : public QObject {
  Q_OBJECT
 private:
  test::ScratchProgramDir* dir = nullptr;
  std::unique_ptr<test::ScriptedUi> ui;

  static QStringList Tabs(const TPlots& p) {
    QStringList out;
    for (int i = 0; i < p.PageCtrl->count(); ++i)
      out << p.PageCtrl->tabText(i);
    return out;
  }

 private slots:
  void init() {
    dir = new test::ScratchProgramDir;
    ui = test::QtScriptedUi();
  }
  void cleanup() {
    ui.reset();
    delete dir;
  }

  void eachFrameGetsATabNamedAfterIt() {
    QWidget host;
    TPlots plots(&host);
    QSignalSpy counts(&plots, &TPlots::countChanged);
    QVERIFY(plots.PageCtrl->isHidden());
    QCOMPARE(plots.Add(""), 0);
    QVERIFY(!plots.PageCtrl->isHidden());
    QCOMPARE(plots.PageCtrl->tabPosition(), QTabWidget::South);
    QCOMPARE(Tabs(plots), QStringList({"Sp1"}));
    QVERIFY(plots.Frame(0));
    QCOMPARE(plots.Frame(0)->accessibleName(), QString("Sp1"));
    QCOMPARE(&plots.Frame(0)->Frame(), plots.Items(0));
    plots.Add("");
    plots.Add("");
    QCOMPARE(plots.PageCtrl->currentIndex(), 2);
    QVERIFY(plots.Delete(0));
    QCOMPARE(plots.Add(""), 2);
    QCOMPARE(Tabs(plots), QStringList({"Sp2", "Sp3", "Sp1"}));
    QCOMPARE(plots.PageCtrl->currentIndex(), 2);
    QCOMPARE(counts.count(), 5);
    QCOMPARE(counts.last().at(0).toInt(), 3);
    // Deleting the selected last frame selects the first.
    plots.Delete(2);
    QCOMPARE(plots.Active(), 0);
    QCOMPARE(plots.PageCtrl->currentIndex(), 0);
    QVERIFY(!plots.Delete(7));
    plots.Clear();
    QCOMPARE(plots.PageCtrl->count(), 0);
    QCOMPARE(plots.Active(), -1);
  }

  void theSelectedTabIsTheActiveFrame() {
    QWidget host;
    TPlots plots(&host);
    for (int i = 0; i < 3; ++i)
      plots.Add("");
    plots.PageCtrl->setCurrentIndex(1);
    QCOMPARE(plots.Active(), 1);
    plots.SetActive(0);
    QCOMPARE(plots.PageCtrl->currentIndex(), 0);
  }

  void aTemplateNamingAnAppearanceFileGivesItToTheView() {
    QWidget host;
    TPlots plots(&host);
    // An appearance saved from a view, named by the mass half of a template.
    plots.Add("");
    TfrmPlot* first = plots.Frame(0);
    first->chrMass->SetAxisTitles("m/z [Th]", "Counts");
    first->chrMass->SaveToTemplate(dir->Config("mass.ini"));
    dir->Write("Config/look.tml", "[M_Visual]\r\nTeeFile=" + dir->Config("mass.ini") + "\r\n");
    QCOMPARE(plots.Add("look"), 1);
    QCOMPARE(plots.Frame(1)->chrMass->Plot()->xAxis->label(), QString("m/z [Th]"));
    QCOMPARE(plots.Frame(1)->chrMass->Plot()->yAxis->label(), QString("Counts"));
    // A missing one is reported, and the frame is there all the same.
    dir->Write("Config/broken.tml", "[M_Visual]\r\nTeeFile=" + dir->File("none.ini") + "\r\n");
    QCOMPARE(plots.Add("broken"), 2);
    QCOMPARE(ui->messages.size(), size_t(1));
    QCOMPARE(ui->messages[0], "Marjoram Error Message: " + dir->File("none.ini") + "- not found");
  }

  void theTabsPopUpTheListOfFrames() {
    QWidget host;
    host.resize(600, 400);
    TPlots plots(&host);
    const std::string a = dir->Write("a.txt", "1\t1\r\n2\t2\r\n");
    for (int i = 0; i < 2; ++i)
      plots.Add("");
    plots.Items(1)->OpenData(a);
    plots.SetActive(0);
    host.show();
    QVERIFY(QTest::qWaitForWindowExposed(&host));
    emit plots.PageCtrl->tabBar()->customContextMenuRequested(QPoint(5, 5));
    const QList<QAction*> items = plots.mPopup->actions();
    QCOMPARE(items.size(), 2);
    QCOMPARE(items[0]->text(), QString("1) "));
    QCOMPARE(items[1]->text(), QString::fromStdString("2) " + a));
    QVERIFY(items[0]->isChecked());
    QVERIFY(!items[1]->isChecked());
    items[1]->trigger();
    plots.mPopup->close();
    QCOMPARE(plots.Active(), 1);
    QCOMPARE(plots.PageCtrl->currentIndex(), 1);
  }
};

QTEST_MAIN(TPlotsTest)
#include "TPlotsTest.moc"
