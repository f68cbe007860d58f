// The batch classification frame: made on the Survey page, its captions and hints, a list opened
// and saved with its check marks, Add from the list's directory and from
// another, Remove, Run's answers against those of sorrel classify, rows
// without answer, and Copy's text.
#include <QAction>
#include <QHeaderView>
#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QTabWidget>
#include <QToolBar>
#include <QTreeWidget>
#include <QtTest>
#include <filesystem>
#include <memory>

#include "QtScriptedUi.h"
#include "TempDir.h"
#include "core/common/IniFile.h"
#include "core/mainwindow/PCAprocLogic.h"
#include "core/plots/PlotCollection.h"
#include "core/plots/PlotFrame.h"
#include "gui/mainwindow/MainWindow.h"
#include "gui/mainwindow/TfmPCAproc.h"

using namespace sorrel;
namespace fs = std::filesystem;

namespace {

const std::string kExamples = std::string(SORREL_EXAMPLES_DIR) + "/trainings/";

// What the result list shows: per row the check mark and the three cells.
QStringList Shown(const QTreeWidget& lv) {
  QStringList rows;
  for (int i = 0; i < lv.topLevelItemCount(); ++i) {
    const QTreeWidgetItem* item = lv.topLevelItem(i);
    rows << QString(item->checkState(0) == Qt::Checked ? "[x] " : "[ ] ") + item->text(0) + "|" +
                item->text(1) + "|" + item->text(2);
  }
  return rows;
}

// sorrel classify LIST SPECTRUM: per line the compound, answer and score.
QStringList CommandLine(const std::string& list, const std::string& spectrum) {
  QProcess p;
  p.start(QString(SORREL_BIN_DIR) + "/sorrel",
          {"classify", QString::fromStdString(list), QString::fromStdString(spectrum)});
  if (!p.waitForFinished(60000) || p.exitCode() != 0) return {"sorrel failed: " + p.readAll()};
  QStringList out;
  for (const QString& line : QString::fromUtf8(p.readAllStandardOutput()).split('\n')) {
    const QStringList f = line.split('\t');
    if (f.size() == 4) out << f[1] + "|" + f[2] + "|" + f[3];
  }
  return out;
}

}  // namespace

class TfmPCAprocTest : public QObject {
  Q_OBJECT
 private slots:
  void init() {
    dir = std::make_unique<test::ScratchProgramDir>();
    ui = test::QtScriptedUi();
    plots = std::make_unique<PlotCollection>();
    frame = std::make_unique<TfmPCAproc>(*plots);
    for (const auto& e : fs::directory_iterator(kExamples))
      fs::copy_file(e.path(), dir->File(e.path().filename().string()));
    list = dir->File("agilent-gcms.trl");
  }
  void cleanup() {
    QVERIFY(ui->AllAnswersUsed());
    frame.reset();
    plots.reset();
    ui.reset();
    dir.reset();
  }

  void surveyMakesTheFrameOnceOnItsPage() {
    TfrmTansy w;
    QVERIFY(!w.fmPCAproc);
    // Enabled with more than two frames open; the menu item is what counts.
    w.mSurvey->setEnabled(true);
    w.mSurvey->trigger();
    QVERIFY(w.fmPCAproc);
    TfmPCAproc* made = w.fmPCAproc;
    QCOMPARE(made->parentWidget(), w.tsSurvey);
    QCOMPARE(w.pnlLeft->currentWidget(), w.tsSurvey);
    QVERIFY(!w.pnlLeft->isHidden());
    w.pnlLeft->hide();
    w.mSurvey->trigger();
    QCOMPARE(w.fmPCAproc, made);
    QVERIFY(!w.pnlLeft->isHidden());
  }

  void captionsAndHints() {
    QCOMPARE(frame->lbHeader->text(), "PCA/MD classification");
    QCOMPARE(frame->bbRun->text(), "Run");
    QVERIFY(frame->bbRun->isCheckable());
    QCOMPARE(frame->bbClose->text(), "Close");
    struct {
      QAction* action;
      const char* caption;
      const char* hint;
    } buttons[] = {
        {frame->tbOpenList, " Open List", "Open training list file"},
        {frame->tbSaveList, " Save List ", "Save training list file"},
        {frame->tbAdd, "   Add", "Add a new training file (Compound) to the training list"},
        {frame->tbRemove, "Remove ",
         "Remove selected training file (Compound) from the training list"},
        {frame->tbCopy, "  Copy", "Copy classification results to the clipboard"},
    };
    for (const auto& b : buttons) {
      QCOMPARE(b.action->text(), b.caption);
      QCOMPARE(b.action->toolTip(), b.hint);
    }
    QCOMPARE(frame->tbList->widgetForAction(frame->tbOpenList)->accessibleName(), "Open List");
    QTreeWidget* lv = frame->lvResults;
    QCOMPARE(lv->headerItem()->text(0), "Compound");
    QCOMPARE(lv->headerItem()->text(1), "Answer");
    QCOMPARE(lv->headerItem()->text(2), "Score");
    QCOMPARE(lv->columnWidth(0), 90);
    QCOMPARE(lv->columnWidth(1), 60);
    QCOMPARE(lv->columnWidth(2), 65);
    QVERIFY(!lv->header()->sectionsClickable());
  }

  void openAndSaveKeepTheCheckMarks() {
    {
      TMemIniFile l(list);
      l.EraseSection("List");
      l.AppendString("List", "naphthalene", "1");
      l.AppendString("List", "rt250", "0");
      l.AppendString("List", "rt399", "1");
      l.UpdateFile();
    }
    ui->QueueOpenFiles({list});
    frame->tbOpenList->trigger();
    QCOMPARE(ui->dialogs.back().title, "Open Traning List (type a new name to create a new list)");
    QCOMPARE(ui->dialogs.back().defaultExt, "trl");
    QCOMPARE(Shown(*frame->lvResults),
             (QStringList{"[x] Naphthalene||", "[ ] Peak RT 250.6 s||", "[x] Peak RT 399.2 s||"}));
    QCOMPARE(frame->toolTip(), "The training list file is " + QString::fromStdString(list));
    QCOMPARE(frame->lbHeader->toolTip(), frame->toolTip());

    // The user turns the marks round and saves.
    for (int i = 0; i < 3; ++i) {
      QTreeWidgetItem* item = frame->lvResults->topLevelItem(i);
      item->setCheckState(0, item->checkState(0) == Qt::Checked ? Qt::Unchecked : Qt::Checked);
    }
    frame->tbSaveList->trigger();
    using Values = std::vector<std::pair<std::string, std::string>>;
    QCOMPARE(TMemIniFile(list).ReadSectionValues("List"),
             (Values{{"naphthalene", "0"}, {"rt250", "1"}, {"rt399", "0"}}));

    // Opened again in a new frame, the rows are as saved.
    TfmPCAproc again(*plots);
    again.OpenListByPath(QString::fromStdString(list));
    QCOMPARE(Shown(*again.lvResults),
             (QStringList{"[ ] Naphthalene||", "[x] Peak RT 250.6 s||", "[ ] Peak RT 399.2 s||"}));
  }

  void addFromTheListsDirectoryOnly() {
    frame->OpenListByPath(QString::fromStdString(list));
    fs::create_directory(dir->File("elsewhere"));
    fs::copy_file(dir->File("rt250.trn"), dir->File("elsewhere/rt250.trn"));
    ui->QueueOpenFiles({dir->File("elsewhere/rt250.trn")});
    frame->tbAdd->trigger();
    QCOMPARE(ui->messages.back(),
             "Marjoram Error Message: All training files must be in training list directory.");
    QCOMPARE(frame->lvResults->topLevelItemCount(), 4);

    ui->QueueOpenFiles({dir->File("rt250.trn")});
    frame->tbAdd->trigger();
    QCOMPARE(ui->dialogs.back().defaultExt, "trn");
    QCOMPARE(ui->dialogs.back().filters.front().pattern, "*.trn");
    QCOMPARE(Shown(*frame->lvResults).last(), "[ ] Peak RT 250.6 s||");
    QCOMPARE(frame->Logic().TrainingList->TrainingS.back().second, dir->File("rt250.trn"));
  }

  void removeTakesTheSelectedRow() {
    frame->OpenListByPath(QString::fromStdString(list));
    // Without a selection nothing goes.
    frame->tbRemove->trigger();
    QCOMPARE(frame->lvResults->topLevelItemCount(), 4);
    frame->lvResults->setCurrentItem(frame->lvResults->topLevelItem(3));
    frame->tbRemove->trigger();
    QCOMPARE(Shown(*frame->lvResults),
             (QStringList{"[x] Naphthalene||", "[x] Peak RT 250.6 s||", "[x] Peak RT 399.2 s||"}));
    QCOMPARE(frame->Logic().TrainingList->TrainingS.size(), size_t(3));
    frame->lvResults->setCurrentItem(frame->lvResults->topLevelItem(0));
    frame->tbRemove->trigger();
    QCOMPARE(Shown(*frame->lvResults),
             (QStringList{"[x] Peak RT 250.6 s||", "[x] Peak RT 399.2 s||"}));
    frame->tbSaveList->trigger();
    QCOMPARE(TMemIniFile(list).ReadSection("List"), (std::vector<std::string>{"rt250", "rt399"}));
  }

  void runAnswersAsTheCommandLineAndCopiesTheCheckedRows() {
    frame->OpenListByPath(QString::fromStdString(list));
    // With no frame open nothing is classified.
    QTest::mouseClick(frame->bbRun, Qt::LeftButton);
    QCOMPARE(ui->messages.back(), "Marjoram Error Message: No spec to consider.");
    QVERIFY(!frame->bbRun->isChecked());

    const std::string unknown = dir->File("rt399-2.txt");
    const int index = plots->Add("");
    QVERIFY(index >= 0);
    plots->Items(index)->OpenData(unknown);
    QTest::mouseClick(frame->bbRun, Qt::LeftButton);
    QVERIFY(!frame->bbRun->isChecked());
    QStringList cells;
    for (const QString& row : Shown(*frame->lvResults))
      cells << row.mid(4);
    QCOMPARE(cells, CommandLine(list, unknown));
    QCOMPARE(frame->lvResults->topLevelItem(2)->text(1), "Yes");
    QCOMPARE(frame->lvResults->topLevelItem(2)->toolTip(0), "Peak RT 399.2 s");

    // Copy: the checked rows only.
    frame->lvResults->topLevelItem(1)->setCheckState(0, Qt::Unchecked);
    frame->tbCopy->trigger();
    QString expected;
    for (int i : {0, 2, 3}) {
      const QTreeWidgetItem* item = frame->lvResults->topLevelItem(i);
      expected += item->text(0) + "\n\t" + item->text(1) + "\t" + item->text(2) + "\n";
    }
    QCOMPARE(QString::fromStdString(ui->clipboard), expected);
  }

  void rowsWithoutAnswer() {
    // rt250 is not calculated, rt399's reference spectrum has gone.
    {
      TMemIniFile trn(dir->File("rt250.trn"));
      trn.EraseSection("PCA");
      trn.WriteBool("General", "Calculated", false);
      trn.UpdateFile();
    }
    fs::remove(dir->File("rt399-1.txt"));
    frame->OpenListByPath(QString::fromStdString(list));
    const int index = plots->Add("");
    plots->Items(index)->OpenData(dir->File("rt626-2.txt"));
    QTest::mouseClick(frame->bbRun, Qt::LeftButton);
    const QStringList shown = Shown(*frame->lvResults);
    QCOMPARE(shown[1], "[x] Peak RT 250.6 s||");
    const QTreeWidgetItem* gone = frame->lvResults->topLevelItem(2);
    QVERIFY2(gone->text(1).contains(QString::fromStdString(dir->File("rt399-1.txt"))),
             qPrintable(gone->text(1)));
    QVERIFY(gone->font(1).italic());
    QCOMPARE(gone->toolTip(0), gone->text(1));
    QVERIFY(gone->text(2).isEmpty());
    QVERIFY(shown[3].endsWith(QString("|Yes|") + frame->lvResults->topLevelItem(3)->text(2)));

    frame->tbCopy->trigger();
    const QString copied = QString::fromStdString(ui->clipboard);
    QVERIFY2(copied.contains("Peak RT 250.6 s\n\nPeak RT 399.2 s\n\t" + gone->text(1) + "\n"),
             qPrintable(copied));
  }

 private:
  std::unique_ptr<test::ScratchProgramDir> dir;
  std::unique_ptr<test::ScriptedUi> ui;
  std::unique_ptr<PlotCollection> plots;
  std::unique_ptr<TfmPCAproc> frame;
  std::string list;
};

QTEST_MAIN(TfmPCAprocTest)
#include "TfmPCAprocTest.moc"
