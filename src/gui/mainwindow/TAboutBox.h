#pragma once
// TAboutBox: the About box of Tansy (Help > About...). A fixed dialog with
// the program's icon, its version and purpose, an OK button and a link to
// the comment page, which opens in the desktop's web browser.
#include <QDialog>

class QLabel;

namespace sorrel {

class TAboutBox : public QDialog {
  Q_OBJECT
 public:
  // The page that takes users' comments on Tansy.
  static constexpr const char* kCommentPage =
      "https://sorrel.example.org/survey/comment.html?sj=Tansy";
  static constexpr const char* kVersion = "Version 2.1.0.13";

  explicit TAboutBox(QWidget* parent = nullptr);

  QLabel* lblVersion = nullptr;
  QLabel* lblLink = nullptr;
};

}  // namespace sorrel
