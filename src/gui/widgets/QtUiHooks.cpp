#include "gui/widgets/QtUiHooks.h"

#include <QApplication>
#include <QClipboard>
#include <QDesktopServices>
#include <QFileDialog>
#include <QGuiApplication>
#include <QInputDialog>
#include <QMessageBox>
#include <QUrl>

namespace sorrel {

namespace {
QString Q(const std::string& s) {
  return QString::fromStdString(s);
}
std::string S(const QString& s) {
  return s.toStdString();
}
}  // namespace

QString QtFilterString(const std::vector<FileFilter>& filters) {
  QStringList parts;
  for (const auto& f : filters) {
    QString pattern = Q(f.pattern);
    pattern.replace(';', ' ');
    parts << Q(f.description) + " (" + pattern + ")";
  }
  return parts.join(";;");
}

void QtUiHooks::ShowMessage(const std::string& text) {
  QMessageBox::information(window_, QApplication::applicationName(), Q(text));
}

void QtUiHooks::ShowCaptionedMessage(const std::string& caption, const std::string& text) {
  QMessageBox::warning(window_, Q(caption), Q(text));
}

bool QtUiHooks::Confirm(const std::string& text) {
  return QMessageBox::question(window_, QApplication::applicationName(), Q(text),
                               QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes;
}

std::string QtUiHooks::InputBox(const std::string& caption, const std::string& prompt,
                                const std::string& defaultText) {
  bool ok = false;
  QString answer =
      QInputDialog::getText(window_, Q(caption), Q(prompt), QLineEdit::Normal, Q(defaultText), &ok);
  return ok ? S(answer) : defaultText;
}

std::vector<std::string> QtUiHooks::OpenFileDialog(const FileDialogRequest& r) {
  std::vector<std::string> out;
  if (r.multiSelect) {
    for (const QString& f : QFileDialog::getOpenFileNames(window_, Q(r.title), Q(r.initialDir),
                                                          QtFilterString(r.filters)))
      out.push_back(S(f));
  } else {
    QString f = QFileDialog::getOpenFileName(window_, Q(r.title), Q(r.initialDir),
                                             QtFilterString(r.filters));
    if (!f.isEmpty()) out.push_back(S(f));
  }
  return out;
}

std::string QtUiHooks::SaveFileDialog(const FileDialogRequest& r) {
  QFileDialog dialog(window_, Q(r.title), Q(r.initialDir), QtFilterString(r.filters));
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setDefaultSuffix(Q(r.defaultExt));
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
  return S(dialog.selectedFiles().first());
}

void QtUiHooks::SetBusyCursor(bool busy) {
  if (busy)
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
  else if (QGuiApplication::overrideCursor())
    QGuiApplication::restoreOverrideCursor();
}

void QtUiHooks::ProcessMessages() {
  QCoreApplication::processEvents();
}

void QtUiHooks::EnableMainWindow(bool enabled) {
  if (window_) window_->setEnabled(enabled);
}

std::string QtUiHooks::ClipboardText() {
  return S(QGuiApplication::clipboard()->text());
}

void QtUiHooks::SetClipboardText(const std::string& text) {
  QGuiApplication::clipboard()->setText(Q(text));
}

void QtUiHooks::OpenUrl(const std::string& url) {
  QDesktopServices::openUrl(QUrl(Q(url)));
}

}  // namespace sorrel
