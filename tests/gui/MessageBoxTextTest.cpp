// The text of message boxes: a file line quoted in a question cannot
// garble the box with control characters or bytes that are not UTF-8.
#include <QtTest>

#include "gui/widgets/QtUiHooks.h"

using namespace sorrel;

class MessageBoxTextTest : public QObject {
  Q_OBJECT
 private slots:
  void controlCharactersAreEscapedLineBreaksKept() {
    // The question about a bad line of a text spectrum, whose line holds an
    // ESC sequence, a BEL and a Latin-1 byte.
    const std::string question =
        "Error: Wrong number syntax, line (1) ->5\x1b[31m1\a\t2\xe9\n/data/s.txt\nContinue ?";
    QCOMPARE(MessageBoxText(question),
             QString("Error: Wrong number syntax, line (1) ->5\\x1b[31m1\\x07\t2\\xe9\n"
                     "/data/s.txt\nContinue ?"));
    QCOMPARE(MessageBoxText("caf\xc3\xa9"), QString::fromUtf8("caf\xc3\xa9"));
  }
};

QTEST_MAIN(MessageBoxTextTest)
#include "MessageBoxTextTest.moc"
