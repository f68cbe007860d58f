// The progress window: its layout, what the indicator shows in it, Cancel,
// and the ending of a worker thread delivered through the event loop.
#include <QApplication>
#include <QScreen>
#include <QtTest>

#include "core/common/ProgressIndicator.h"
#include "gui/widgets/ProgressForm.h"
#include "gui/widgets/QtUiHooks.h"

using namespace sorrel;

namespace {

TProgressForm* OpenForm() {
  for (QWidget* w : QApplication::topLevelWidgets())
    if (auto* f = qobject_cast<TProgressForm*>(w); f && f->isVisible()) return f;
  return nullptr;
}

}  // namespace

class ProgressFormTest : public QObject {
  Q_OBJECT
 private slots:
  void init() {
    previousUi_ = SetUi(&hooks_);
    previousHost_ = SetProgressHost(&host_);
  }
  void cleanup() {
    SetProgressHost(previousHost_);
    SetUi(previousUi_);
  }

  void layoutFollowsTheSetup() {
    ProgressWindowSetup setup;
    setup.caption = "Indexing the file...";
    setup.text = "Please wait";
    setup.position = fpTopLeft;
    TProgressForm full(setup);
    QCOMPARE(full.windowTitle(), QString("Indexing the file..."));
    QCOMPARE(full.lblText->text(), QString("Please wait"));
    QCOMPARE(full.lblProg->text(), QString("0%"));
    QCOMPARE(full.btnCancel->text(), QString("Cancel"));
    QCOMPARE(full.size(), QSize(337, 78));
    QVERIFY(full.bar->isVisibleTo(&full));
    QVERIFY(full.btnCancel->isVisibleTo(&full));
    QRect area = QGuiApplication::primaryScreen()->availableGeometry();
    QCOMPARE(full.pos(), area.topLeft() + QPoint(5, 5));

    setup.showBar = false;
    setup.showCancel = false;
    TProgressForm plain(setup);
    QCOMPARE(plain.size(), QSize(337, 78 - 25));
    QVERIFY(!plain.bar->isVisibleTo(&plain));
    QVERIFY(!plain.lblProg->isVisibleTo(&plain));
    QVERIFY(!plain.btnCancel->isVisibleTo(&plain));
  }

  // The indicator drives the window: the first report is not shown, the
  // second is (50 of 200 is 25%); Cancel reaches the work; the window is
  // gone at the end.
  void indicatorShowsProgressAndTakesCancel() {
    TProgressIndicator p;
    p.Caption = "Indexing the file...";
    bool cancelledAtEnd = false;
    bool sawCancel = false;
    QString percent;
    int barValue = -1, barMax = -1;
    p.OnEnd = [&](bool c) { cancelledAtEnd = c; };
    p.OnProcessItem = [&] {
      p.SetPosition(10, 200);
      p.SetPosition(50, 200);
      TProgressForm* form = OpenForm();
      QVERIFY(form);
      percent = form->lblProg->text();
      barValue = form->bar->value();
      barMax = form->bar->maximum();
      QTest::mouseClick(form->btnCancel, Qt::LeftButton);
      QVERIFY(form->Canceled);
      sawCancel = p.UserCanceled();
    };
    p.StartProgress(true);
    QCOMPARE(percent, QString("25%"));
    QCOMPARE(barValue, 50);
    QCOMPARE(barMax, 200);
    QVERIFY(sawCancel);
    QVERIFY(cancelledAtEnd);
    QTRY_VERIFY(OpenForm() == nullptr);
  }

  // On a worker thread: the call returns at once; the positions and the
  // ending come through the event loop.
  void workerThreadEndsThroughTheEventLoop() {
    TProgressIndicator p;
    p.InThread = true;
    std::atomic<bool> go{false};
    bool ended = false;
    p.OnEnd = [&](bool) { ended = true; };
    p.OnProcessItem = [&] {
      while (!go)
        QThread::msleep(1);
      for (int i = 0; i <= 4; ++i)
        p.SetPosition(i, 4);
    };
    p.StartProgress(true);
    QVERIFY(OpenForm() != nullptr);
    go = true;
    QTRY_VERIFY(ended);
    QVERIFY(!p.Running());
    QTRY_VERIFY(OpenForm() == nullptr);
  }

 private:
  QtUiHooks hooks_;
  QtProgressHost host_;
  UiHooks* previousUi_ = nullptr;
  ProgressHost* previousHost_ = nullptr;
};

QTEST_MAIN(ProgressFormTest)
#include "ProgressFormTest.moc"
