#include "gui/widgets/QtUiHooks.h"

#include <QApplication>
#include <QClipboard>
#include <QDesktopServices>
#include <QFileDialog>
#include <QGuiApplication>
#include <QInputDialog>
#include <QMessageBox>
#include <QUrl>

#include "core/common/TextEscape.h"
#include "gui/widgets/QtText.h"

namespace sorrel {

QString MessageBoxText(const std::string& text) {
  return Q(EscapeControlChars(text, LineBreaks::Keep));
}

QStringList QtFilterList(const std::vector<FileFilter>& filters) {
  QStringList parts;
  for (const auto& f : filters) {
    QString pattern = Q(f.pattern);
    pattern.replace(';', ' ');
    QString description = Q(f.description);
    // A description that shows its pattern already ("Text (*.txt)") is
    // not given it twice.
    if (description.endsWith("(" + pattern + ")"))
      parts << description;
    else
      parts << description + " (" + pattern + ")";
  }
  return parts;
}

QString QtFilterString(const std::vector<FileFilter>& filters) {
  return QtFilterList(filters).join(";;");
}

void QtUiHooks::ShowMessage(const std::string& text) {
  QMessageBox::information(window_, QApplication::applicationName(), MessageBoxText(text));
}

void QtUiHooks::ShowCaptionedMessage(const std::string& caption, const std::string& text) {
  QMessageBox::warning(window_, MessageBoxText(caption), MessageBoxText(text));
}

bool QtUiHooks::Confirm(const std::string& text) {
  return QMessageBox::question(window_, QApplication::applicationName(), MessageBoxText(text),
                               QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes;
}

std::string QtUiHooks::InputBox(const std::string& caption, const std::string& prompt,
                                const std::string& defaultText) {
  bool ok = false;
  QString answer = QInputDialog::getText(window_, MessageBoxText(caption), MessageBoxText(prompt),
                                         QLineEdit::Normal, Q(defaultText), &ok);
  return ok ? S(answer) : defaultText;
}

namespace {
// Selects filter `index` (counted from 1) of the dialog's list.
void SelectFilter(QFileDialog& dialog, const QStringList& filters, int index) {
  if (index >= 1 && index <= filters.size()) dialog.selectNameFilter(filters[index - 1]);
}
}  // namespace

std::vector<std::string> QtUiHooks::OpenFileDialog(const FileDialogRequest& r) {
  const QStringList filters = QtFilterList(r.filters);
  QFileDialog dialog(window_, Q(r.title), Q(r.initialDir), filters.join(";;"));
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  dialog.setFileMode(r.multiSelect    ? QFileDialog::ExistingFiles
                     : r.allowNewName ? QFileDialog::AnyFile
                                      : QFileDialog::ExistingFile);
  if (!r.defaultExt.empty()) dialog.setDefaultSuffix(Q(r.defaultExt));
  SelectFilter(dialog, filters, r.filterIndex);
  std::vector<std::string> out;
  if (dialog.exec() != QDialog::Accepted) return out;
  for (const QString& f : dialog.selectedFiles())
    out.push_back(S(f));
  return out;
}

std::string QtUiHooks::SaveFileDialog(const FileDialogRequest& r, int* chosenFilter) {
  const QStringList filters = QtFilterList(r.filters);
  QFileDialog dialog(window_, Q(r.title), Q(r.initialDir), filters.join(";;"));
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setDefaultSuffix(Q(r.defaultExt));
  SelectFilter(dialog, filters, r.filterIndex);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
  if (chosenFilter) {
    const qsizetype i = filters.indexOf(dialog.selectedNameFilter());
    *chosenFilter = i >= 0 ? static_cast<int>(i) + 1 : r.filterIndex;
  }
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
