// Ende's window on the offscreen platform: its layout, and the one activation that shows the time.
#include <QApplication>
#include <QEventLoop>
#include <QFontInfo>
#include <QLabel>
#include <QLocale>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <QtTest>
#include <sstream>

#include "Form1.h"
#include "TempFolder.h"

using kit::testing::PutFile;
using kit::testing::TempFolder;
using timing::Form1;
using timing::SYSTEMTIME;

namespace {

SYSTEMTIME At(int hour, int minute, int second, int millisecond) {
  auto field = [](int v) { return static_cast<std::uint16_t>(v); };
  return SYSTEMTIME{2024, 6, 1, 15, field(hour), field(minute), field(second), field(millisecond)};
}

// A clock that tells the time it is set to and counts how often it was read.
struct TestClock {
  SYSTEMTIME Now = At(10, 0, 12, 345);
  int Readings = 0;
  timing::Clock Get() {
    return [this] {
      ++Readings;
      return Now;
    };
  }
};

}  // namespace

class Form1Test : public QObject {
  Q_OBJECT

 private slots:
  void cleanup() { QLocale::setDefault(QLocale::c()); }

  void layoutAndFont() {
    TestClock clock;
    TempFolder folder;
    PutFile(folder / "Start.txt", " 10 \r\n 0 \r\n 0 \r\n 0 \r\n");
    Form1 form(clock.Get(), folder.Path());
    std::ostringstream output;
    form.Output = &output;
    QCOMPARE(form.windowTitle(), QString("Laufzeit"));
    QCOMPARE(form.windowType(), Qt::Window);  // an ordinary window, shown in the task bar
    QCOMPARE(form.size(), QSize(476, 206));
    QCOMPARE(form.findChildren<QWidget*>(), QList<QWidget*>{form.lblLabel1});
    QCOMPARE(form.lblLabel1->geometry(), QRect(24, 56, 433, 49));
    QCOMPARE(form.lblLabel1->alignment(), Qt::AlignLeft | Qt::AlignTop);

    const QFont font = form.lblLabel1->font();
    QCOMPARE(font.family(), QString("Arial Black"));
    QCOMPARE(font.pointSize(), 18);
    QCOMPARE(font.weight(), QFont::Black);
    QVERIFY(!font.italic() && !font.underline() && !font.strikeOut());
    // Where Arial Black is missing, a face that really is black stands in, not a bold face
    // thickened by the renderer.
    const QFontInfo shown(font);
    QVERIFY2(shown.family() == "Arial Black" || shown.styleName() == "Black",
             qPrintable(shown.family() + " " + shown.styleName()));
    QVERIFY(!shown.italic());

    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    form.resize(900, 500);
    QTRY_COMPARE(form.size(), QSize(900, 500));
    QCOMPARE(form.lblLabel1->geometry(), QRect(24, 56, 433, 49));
  }

  void firstActivationShowsTheTimeOnce_data() {
    QTest::addColumn<QLocale>("locale");
    QTest::addColumn<QString>("text");
    QTest::newRow("German") << QLocale(QLocale::German, QLocale::Germany) << "12,345 Sek.";
    QTest::newRow("English") << QLocale(QLocale::English, QLocale::UnitedStates) << "12.345 Sek.";
  }

  void firstActivationShowsTheTimeOnce() {
    QFETCH(QLocale, locale);
    QFETCH(QString, text);
    QLocale::setDefault(locale);
    TempFolder folder;
    PutFile(folder / "Start.txt", " 10 \r\n 0 \r\n 0 \r\n 0 \r\n");
    TestClock clock;
    Form1 form(clock.Get(), folder.Path());
    std::ostringstream output;
    form.Output = &output;
    int messages = 0;
    form.ShowMessage = [&](const QString&) { ++messages; };

    form.show();
    QCOMPARE(form.lblLabel1->text(), QString());  // shown, not yet activated
    QCOMPARE(clock.Readings, 0);
    form.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&form));
    QTRY_COMPARE(form.lblLabel1->text(), text);
    QCOMPARE(clock.Readings, 1);
    QCOMPARE(QString::fromStdString(output.str()), text + "\n");

    // Another window takes the focus and gives it back: nothing is read or shown again.
    clock.Now = At(10, 0, 20, 0);
    QWidget other;
    other.show();
    other.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&other));
    QVERIFY(!form.isActiveWindow());
    form.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&form));
    QCOMPARE(form.lblLabel1->text(), text);
    QCOMPARE(clock.Readings, 1);
    QCOMPARE(QString::fromStdString(output.str()), text + "\n");
    QCOMPARE(messages, 0);
  }

  // The real message box and the real end of the program, with a click on OK.
  void missingStampEndsTheEventLoopWithStatus1AfterTheBox() {
    QCoreApplication::setApplicationName("Ende");  // as the program sets it: the box's caption
    TempFolder folder;
    TestClock clock;
    Form1 form(clock.Get(), folder.Path());
    std::ostringstream output;
    form.Output = &output;
    QString title, text;
    QMessageBox::Icon icon = QMessageBox::Critical;
    QMessageBox::StandardButtons buttons;
    bool modal = false;
    QTimer watch;
    connect(&watch, &QTimer::timeout, [&] {
      auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
      if (box == nullptr) return;
      watch.stop();
      title = box->windowTitle();
      text = box->text();
      icon = box->icon();
      buttons = box->standardButtons();
      modal = box->isModal() && box->parentWidget() == &form;
      box->button(QMessageBox::Ok)->click();
    });
    watch.start(10);
    QTimer giveUp;
    giveUp.setSingleShot(true);
    connect(&giveUp, &QTimer::timeout, [] { QCoreApplication::exit(99); });
    giveUp.start(20000);

    QEventLoop loop;
    form.show();
    form.activateWindow();
    QCOMPARE(loop.exec(), 1);
    QCOMPARE(title, QString("Ende"));
    QVERIFY2(text.startsWith("Die Datei Start.txt fehlt im Ordner "), qPrintable(text));
    QCOMPARE(icon, QMessageBox::NoIcon);
    QCOMPARE(buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
    QVERIFY(modal);
    // The box keeps the last two words together with a non-breaking blank.
    QVERIFY2(text.endsWith(". Zuerst muss Start laufen und die Startzeit in Start.txt"
                           "\u00A0schreiben."),
             qPrintable(text));
    QCOMPARE(form.lblLabel1->text(), QString());
    QCOMPARE(output.str(), std::string());
    QCOMPARE(clock.Readings, 0);
  }
};

QTEST_MAIN(Form1Test)
#include "Form1Test.moc"
