// What the windows share, on the offscreen platform: how a message box wraps and reads its text,
// and what Return does on a button.
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTextLayout>
#include <QTimer>
#include <QtTest>

#include "KitWidgets.h"

namespace {

// The lines into which `text` wraps at `width` pixels in `font`.
QStringList Wrapped(const QString& text, const QFont& font, int width) {
  QTextLayout layout(text, font);
  QTextOption option;
  option.setWrapMode(QTextOption::WordWrap);
  layout.setTextOption(option);
  QStringList lines;
  layout.beginLayout();
  for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
    line.setLineWidth(width);
    lines << text.mid(line.textStart(), line.textLength()).trimmed();
  }
  layout.endLayout();
  return lines;
}

}  // namespace

class KitWidgetsTest : public QObject {
  Q_OBJECT

 private slots:
  void lastTwoWordsOfEachLineStayTogether() {
    const QChar nbsp(0x00A0);
    QCOMPARE(kit::KeepLastWordsTogether("Quadrin schreibt sie."),
             QString("Quadrin schreibt") + nbsp + "sie.");
    QCOMPARE(kit::KeepLastWordsTogether("a b  \nc d\n\nword\n  lone"),
             QString("a") + nbsp + "b  \nc" + nbsp + "d\n\nword\n  lone");
    QCOMPARE(kit::KeepLastWordsTogether(""), QString(""));

    // The sentence that used to end with "sie." alone on a line, for folders of any length and
    // boxes of any width: the last line always holds two words.
    QFont font;
    for (int length = 1; length <= 60; ++length) {
      const QString message =
          "Die Datei OUT.TXT fehlt im Ordner /" + QString(length, 'x') + ". Quadrin schreibt sie.";
      for (int width = 250; width <= 550; width += 25) {
        const QStringList lines = Wrapped(kit::KeepLastWordsTogether(message), font, width);
        QVERIFY2(lines.last().contains(nbsp), qPrintable(lines.join(" | ")));
      }
    }
  }

  void messageBoxShowsPlainTextThatKeepsItsLastWords() {
    QString shown;
    Qt::TextFormat format = Qt::AutoText;
    QTimer::singleShot(0, [&] {
      auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
      QVERIFY(box);
      shown = box->text();
      format = box->textFormat();
      QVERIFY(box->icon() == QMessageBox::NoIcon);
      box->accept();
    });
    kit::ShowPlainMessage(nullptr, "Die Datei <b>IN.TXT</b> fehlt.");
    QCOMPARE(shown, QString("Die Datei <b>IN.TXT</b>") + QChar(0x00A0) + "fehlt.");
    QCOMPARE(format, Qt::PlainText);  // a file's name is never read as markup
  }

  void returnAndEnterPressTheButtonOnlyWhileItIsEnabled() {
    QWidget window;
    auto* button = new QPushButton("OK", &window);
    kit::PressOnReturn(button);
    int clicks = 0;
    connect(button, &QPushButton::clicked, [&] { ++clicks; });
    window.show();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    button->setFocus();
    QTest::keyClick(button, Qt::Key_Return);
    QTest::keyClick(button, Qt::Key_Enter, Qt::KeypadModifier);
    QCOMPARE(clicks, 2);
    QTest::sendKeyEvent(QTest::KeyAction::Press, button, Qt::Key_Return, '\r', Qt::NoModifier);
    QKeyEvent repeat(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier, "\r", true);
    QApplication::sendEvent(button, &repeat);  // a held key presses once
    QCOMPARE(clicks, 3);
    QTest::keyClick(button, Qt::Key_A);
    button->setEnabled(false);
    QTest::keyClick(button, Qt::Key_Return);
    QCOMPARE(clicks, 3);
  }
};

QTEST_MAIN(KitWidgetsTest)
#include "KitWidgetsTest.moc"
