// Tansy: the desktop program.
#include <QApplication>
#include <QLocale>

#include <cstdio>
#include <cstdlib>

#include "core/common/Memory.h"
#include "gui/mainwindow/MainWindow.h"
#include "gui/widgets/ProgressForm.h"
#include "gui/widgets/QtUiHooks.h"

int main(int argc, char** argv) {
  // Without a display Qt would abort with a toolkit error; say what to do.
  if (!std::getenv("DISPLAY") && !std::getenv("WAYLAND_DISPLAY") &&
      !std::getenv("QT_QPA_PLATFORM")) {
    std::fprintf(stderr,
                 "tansy: no display found; run it under xvfb-run, or use the command-line "
                 "program 'sorrel' (sorrel --help)\n");
    return 1;
  }
  sorrel::TuneHeapForLargeSpectra();
  QApplication app(argc, argv);
  QApplication::setApplicationName("Tansy");
  // Number texts never depend on the locale: the program's own formatting
  // is locale-free, and Qt's widgets use "." as well.
  QLocale::setDefault(QLocale::c());

  sorrel::QtUiHooks hooks;
  sorrel::SetUi(&hooks);
  sorrel::QtProgressHost progressHost;
  sorrel::SetProgressHost(&progressHost);
  sorrel::TfrmTansy window;
  hooks.SetMainWindow(&window);
  window.show();
  QStringList files = QApplication::arguments().mid(1);
  if (!files.isEmpty()) window.OpenFiles(files);
  int rc = app.exec();
  sorrel::SetProgressHost(nullptr);
  sorrel::SetUi(nullptr);
  return rc;
}
