#include "gui/mainwindow/TAboutBox.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QStyle>
#include <QVBoxLayout>

#include "core/common/UiHooks.h"

namespace sorrel {

TAboutBox::TAboutBox(QWidget* parent) : QDialog(parent) {
  setWindowTitle("About Tansy");
  setObjectName("AboutBox");
  auto* layout = new QVBoxLayout(this);
  auto* head = new QHBoxLayout();
  auto* icon = new QLabel(this);
  const QIcon programIcon = QApplication::windowIcon().isNull()
                                ? style()->standardIcon(QStyle::SP_ComputerIcon)
                                : QApplication::windowIcon();
  icon->setPixmap(programIcon.pixmap(48, 48));
  icon->setAccessibleName("Program icon");
  head->addWidget(icon);
  auto* name = new QLabel("<b>Tansy</b>", this);
  name->setAccessibleName("Tansy");
  head->addWidget(name, 1);
  layout->addLayout(head);
  lblVersion = new QLabel(kVersion, this);
  layout->addWidget(lblVersion);
  for (const char* line :
       {"PCA training preparation", "for in-Marjoram or ", "stand-alone classification"})
    layout->addWidget(new QLabel(line, this));

  // The link opens through the user-interface hooks, so that the desktop's
  // browser is asked (and tests can see the address).
  lblLink = new QLabel(QString("<a href=\"%1\">Send us your comments</a>").arg(kCommentPage), this);
  lblLink->setAccessibleName("Send us your comments");
  lblLink->setTextInteractionFlags(Qt::LinksAccessibleByMouse | Qt::LinksAccessibleByKeyboard);
  lblLink->setOpenExternalLinks(false);
  connect(lblLink, &QLabel::linkActivated, this,
          [](const QString& url) { Ui().OpenUrl(url.toStdString()); });
  layout->addWidget(lblLink);

  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  layout->addWidget(buttons);
  setFixedSize(sizeHint());
}

}  // namespace sorrel
