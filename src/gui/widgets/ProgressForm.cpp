#include "gui/widgets/ProgressForm.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QPointer>
#include <QScreen>

namespace sorrel {

TProgressForm::TProgressForm(const ProgressWindowSetup& setup, QWidget* parent)
    : QWidget(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::MSWindowsFixedSizeDialogHint) {
  setAttribute(Qt::WA_DeleteOnClose);
  setWindowTitle(QString::fromStdString(setup.caption));
  lblText = new QLabel(QString::fromStdString(setup.text), this);
  lblText->setObjectName("lblText");
  lblText->setWordWrap(true);
  lblText->setGeometry(8, 6, 321, 18);
  bar = new QProgressBar(this);
  bar->setObjectName("bar");
  bar->setRange(0, 100);
  bar->setValue(0);
  bar->setTextVisible(false);
  bar->setGeometry(8, 28, 273, 16);
  lblProg = new QLabel("0%", this);
  lblProg->setObjectName("lblProg");
  lblProg->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  lblProg->setGeometry(285, 28, 44, 16);
  btnCancel = new QPushButton("Cancel", this);
  btnCancel->setObjectName("btnCancel");
  btnCancel->setGeometry(131, 48, 75, kButtonHeight);
  connect(btnCancel, &QPushButton::clicked, this, [this] {
    Canceled = true;
    emit cancelPressed();
  });
  bar->setVisible(setup.showBar);
  lblProg->setVisible(setup.showBar);
  btnCancel->setVisible(setup.showCancel);
  int height = setup.showCancel ? kHeight : kHeight - kButtonHeight;
  setFixedSize(kWidth, height);
  if (QScreen* screen = QGuiApplication::primaryScreen()) {
    QRect area = screen->availableGeometry();
    FormPlace at = ProgressFormPlace(setup.position, area.width(), area.height(), kWidth, height);
    move(area.left() + at.left, area.top() + at.top);
  }
}

namespace {

// The core's view of one form. The form may be closed by the window
// system first; it is then simply gone.
class FormWindow : public IProgressWindow {
 public:
  FormWindow(TProgressForm* form, std::function<void()> onCancel) : form_(form) {
    QObject::connect(form, &TProgressForm::cancelPressed, form, std::move(onCancel));
  }
  ~FormWindow() override { Close(); }
  void Show() override {
    if (!form_) return;
    form_->show();
  }
  void SetText(const std::string& text) override {
    if (form_) form_->lblText->setText(QString::fromStdString(text));
  }
  void SetBar(int maximum, int position, const std::string& percent) override {
    if (!form_) return;
    form_->bar->setMaximum(maximum);
    form_->bar->setValue(position);
    form_->lblProg->setText(QString::fromStdString(percent));
  }
  void Close() override {
    if (form_) form_->close();  // deletes it
    form_ = nullptr;
  }

 private:
  QPointer<TProgressForm> form_;
};

}  // namespace

std::unique_ptr<IProgressWindow> QtProgressHost::CreateProgressWindow(
    const ProgressWindowSetup& setup, std::function<void()> onCancel) {
  return std::make_unique<FormWindow>(new TProgressForm(setup), std::move(onCancel));
}

void QtProgressHost::PostToUiThread(std::function<void()> fn) {
  QMetaObject::invokeMethod(QCoreApplication::instance(), std::move(fn), Qt::QueuedConnection);
}

}  // namespace sorrel
