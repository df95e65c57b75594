// Build's window on the offscreen platform: its layout, and a run started by typing and clicking.
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTime>
#include <QTimer>
#include <QtTest>

#include "BuildSudokus.h"
#include "TempFolder.h"
#include "frmBuild.h"

using kit::testing::GetFile;
using kit::testing::PutFile;
using kit::testing::TempFolder;

class FrmBuildTest : public QObject {
  Q_OBJECT

 private:
  // A window whose messages and program end are recorded instead of shown and performed.
  struct Harness {
    explicit Harness(const TempFolder& folder) : window(folder.Path()) {
      window.ShowMessage = [this](const QString& text) { messages << text; };
      window.EndProgram = [this](int status) { endedWith = status; };
    }
    QLineEdit* Field(const char* name) { return window.findChild<QLineEdit*>(name); }
    QPushButton* Button() { return window.findChild<QPushButton*>("btnOK"); }
    void Type(const char* field, const QString& text) {
      Field(field)->clear();
      QTest::keyClicks(Field(field), text);
    }
    frmBuild window;
    QStringList messages;
    int endedWith = -1;
  };

  static std::string Generated(std::int32_t seed, std::int32_t count) {
    kit::StringSink sink;
    generator::BuildSudokus(seed, count, sink, [](std::int32_t) { return true; });
    return sink.Text;
  }

 private slots:
  void layout_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QRect>("geometry");
    QTest::addColumn<QString>("family");
    QTest::addColumn<double>("points");
    QTest::addColumn<bool>("bold");
    QTest::addColumn<QString>("text");
    QTest::newRow("lblGeneriereSUDOKU") << "lblGeneriereSUDOKU" << QRect(32, 24, 265, 33) << "Arial"
                                        << 14.25 << true << "Generiere SUDOKU-Satz: ";
    QTest::newRow("txtTimer") << "txtTimer" << QRect(296, 16, 209, 33) << "Arial" << 14.25 << true
                              << QString();
    QTest::newRow("lblAnzahlSUDOKUs") << "lblAnzahlSUDOKUs" << QRect(40, 88, 265, 33) << "Arial"
                                      << 14.25 << true << "Anzahl SUDOKUs:";
    QTest::newRow("txtAnzahl") << "txtAnzahl" << QRect(296, 80, 209, 33) << "Arial" << 14.25 << true
                               << "500000";
    QTest::newRow("lblCount") << "lblCount" << QRect(104, 176, 561, 41) << "Arial" << 20.25 << true
                              << "";
    QTest::newRow("btnOK") << "btnOK" << QRect(328, 392, 121, 33) << "MS Sans Serif" << 8.25
                           << false << "OK";
  }

  void layout() {
    QFETCH(QString, name);
    QFETCH(QRect, geometry);
    QFETCH(QString, family);
    QFETCH(double, points);
    QFETCH(bool, bold);
    QFETCH(QString, text);
    TempFolder folder;
    frmBuild window(folder.Path());
    QWidget* control = window.findChild<QWidget*>(name);
    QVERIFY(control);
    QCOMPARE(control->geometry(), geometry);
    QCOMPARE(control->font().family(), family);
    QCOMPARE(control->font().pointSizeF(), points);
    QCOMPARE(control->font().bold(), bold);
    if (!text.isNull()) QCOMPARE(control->property("text").toString(), text);
  }

  void windowAndFields() {
    TempFolder folder;
    Harness h(folder);
    QCOMPARE(h.window.windowTitle(), QString("SUDOKU - Generator"));
    QCOMPARE(h.window.size(), QSize(765, 439));
    QCOMPARE(h.window.minimumSize(), h.window.maximumSize());
    QVERIFY(h.window.windowFlags() & Qt::Tool);  // kept out of the task bar
    QVERIFY(!(h.window.windowFlags() & Qt::WindowMinMaxButtonsHint));
    QCOMPARE(h.Field("txtTimer")->toolTip(), QString("Gleiche Nr = Gleiches Ergebnis"));
    QCOMPARE(h.Field("txtTimer")->alignment(), Qt::AlignCenter);
    QCOMPARE(h.Field("txtAnzahl")->alignment(), Qt::AlignCenter);
    // Every label's text from the top of its box, level with the fields' text.
    auto* counter = h.window.findChild<QLabel*>("lblCount");
    QCOMPARE(counter->alignment(), Qt::AlignHCenter | Qt::AlignTop);
    for (const char* label : {"lblGeneriereSUDOKU", "lblAnzahlSUDOKUs"}) {
      QCOMPARE(h.window.findChild<QLabel*>(label)->alignment(), Qt::AlignLeft | Qt::AlignTop);
    }
    QCOMPARE(counter->frameShape(), QFrame::Box);

    // The proposed seed is the time of day in seconds.
    const int now = QTime::currentTime().msecsSinceStartOfDay() / 1000;
    const int proposed = h.Field("txtTimer")->text().toInt();
    QVERIFY(std::abs(proposed - now) <= 2 || std::abs(proposed - now) >= 86398);
  }

  void tabOrderStartsAtTheButton() {
    TempFolder folder;
    Harness h(folder);
    h.window.show();
    QVERIFY(QTest::qWaitForWindowActive(&h.window));
    QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(h.Button()));
    QTest::keyClick(&h.window, Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(h.Field("txtTimer")));
    QTest::keyClick(&h.window, Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(h.Field("txtAnzahl")));
    QTest::keyClick(&h.window, Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(h.Button()));
  }

  void okWritesTheSameFileAsTheGenerationRun() {
    TempFolder folder;
    Harness h(folder);
    h.Type("txtTimer", "  -31337 ");
    h.Type("txtAnzahl", " 2001");
    QTest::mouseClick(h.Button(), Qt::LeftButton);
    QCOMPARE(h.messages, QStringList());
    QCOMPARE(h.endedWith, 0);
    QVERIFY(!h.Button()->isEnabled());
    QCOMPARE(h.window.findChild<QLabel*>("lblCount")->text(), QString("2000"));
    QCOMPARE(GetFile(folder / "IN.TXT"), Generated(-31337, 2001));
  }

  void returnStartsTheRunAndTheFocusStaysOffTheFields() {
    TempFolder folder;
    Harness h(folder);
    QWidget* focusAtEnd = nullptr;
    h.window.EndProgram = [&](int status) {
      h.endedWith = status;
      focusAtEnd = QApplication::focusWidget();
    };
    h.window.show();
    QVERIFY(QTest::qWaitForWindowActive(&h.window));
    h.Type("txtAnzahl", "1500");
    QTest::keyClick(h.Field("txtAnzahl"), Qt::Key_Return);  // a field is no button
    QCOMPARE(h.endedWith, -1);
    h.Button()->setFocus();
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    QCOMPARE(h.endedWith, 0);
    QVERIFY(std::filesystem::exists(folder / "IN.TXT"));
    // With the button disabled, the focus stays on the window: no field looks editable.
    QCOMPARE(focusAtEnd, static_cast<QWidget*>(&h.window));
    h.endedWith = -1;
    QTest::keyClick(h.Button(), Qt::Key_Enter, Qt::KeypadModifier);
    QCOMPARE(h.endedWith, -1);
  }

  void badEntriesAreReportedAndCanBeCorrected() {
    TempFolder folder;
    Harness h(folder);
    for (const char* count : {"", " 12x  ", "2147483648", "-2147483648"}) {
      h.Type("txtAnzahl", count);
      QTest::mouseClick(h.Button(), Qt::LeftButton);
    }
    h.Type("txtAnzahl", "3");
    h.Type("txtTimer", "1,5");
    QTest::mouseClick(h.Button(), Qt::LeftButton);
    QCOMPARE(h.messages.size(), 5);
    QVERIFY(h.messages[1].contains("Die Anzahl SUDOKUs „12x“ ist keine ganze Zahl"));
    QVERIFY(h.messages[4].contains("„1,5“"));
    QCOMPARE(h.endedWith, -1);
    QVERIFY(h.Button()->isEnabled());
    QVERIFY(!std::filesystem::exists(folder / "IN.TXT"));

    h.Type("txtTimer", "8");
    QTest::mouseClick(h.Button(), Qt::LeftButton);
    QCOMPARE(h.endedWith, 0);
    QCOMPARE(GetFile(folder / "IN.TXT"), Generated(8, 3));
  }

  void closingDuringTheRunStopsItAndKeepsTheEarlierFile() {
    TempFolder folder;
    PutFile(folder / "IN.TXT", "earlier");
    Harness h(folder);
    h.window.show();
    h.Type("txtAnzahl", "100000");
    // The close arrives with the first counter update, when the run lets events through.
    QTimer::singleShot(0, &h.window, &QWidget::close);
    QTest::mouseClick(h.Button(), Qt::LeftButton);
    QCOMPARE(h.endedWith, 2);
    QCOMPARE(h.window.findChild<QLabel*>("lblCount")->text(), QString("1000"));
    QCOMPARE(GetFile(folder / "IN.TXT"), std::string("earlier"));
    QVERIFY(!std::filesystem::exists(folder / "IN.TXT.tmp"));
  }

  void closingBeforeTheRunEndsTheProgram() {
    TempFolder folder;
    Harness h(folder);
    h.window.show();
    h.window.close();
    QCOMPARE(h.endedWith, 0);
    QVERIFY(!std::filesystem::exists(folder / "IN.TXT"));
  }

  void unwritableFolderIsReported() {
    TempFolder folder;
    Harness h(folder);
    std::filesystem::remove_all(folder.Path());
    h.Type("txtAnzahl", "5");
    QTest::mouseClick(h.Button(), Qt::LeftButton);
    QCOMPARE(h.endedWith, 1);
    QCOMPARE(h.messages.size(), 1);
    QVERIFY(h.messages[0].startsWith("Die Datei IN.TXT kann nicht angelegt werden"));
  }
};

QTEST_MAIN(FrmBuildTest)
#include "FrmBuildTest.moc"
