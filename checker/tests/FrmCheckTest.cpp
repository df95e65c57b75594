// Check's window on the offscreen platform: its layout, and a comparison started by a click.
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QtTest>
#include <sstream>

#include "BuildSudokus.h"
#include "Sudoku.h"
#include "TempFolder.h"
#include "frmCheck.h"

using kit::testing::GetFile;
using kit::testing::PutFile;
using kit::testing::TempFolder;

class FrmCheckTest : public QObject {
  Q_OBJECT

 private:
  // A window whose messages, announcements and program end are recorded.
  struct Harness {
    explicit Harness(const TempFolder& folder) : window(folder.Path()) {
      window.ShowMessage = [this](const QString& text) { messages << text; };
      window.EndProgram = [this](int status) { endedWith = status; };
      window.Announce = [this](const checker::CheckResult& result) { announced = result.Message; };
    }
    QPushButton* Start() { return window.findChild<QPushButton*>("cmdStart"); }
    QLabel* Number() { return window.findChild<QLabel*>("lblNr"); }
    frmCheck window;
    QStringList messages;
    std::string announced;
    int endedWith = -1;
  };

  // IN.TXT from the generator and OUT.TXT from Quadrin in `folder`.
  static void Prepare(const TempFolder& folder, std::int32_t count) {
    kit::StringSink in;
    generator::BuildSudokus(5, count, in, [](std::int32_t) { return true; });
    PutFile(folder / "IN.TXT", in.Text);
    std::ostringstream errors;
    quadrin::RunBatch(folder.Path(), errors, false);
  }

 private slots:
  void layout() {
    TempFolder folder;
    Harness h(folder);
    QCOMPARE(h.window.windowTitle(), QString("Check - SUDOKU-Lösungen"));
    QCOMPARE(h.window.size(), QSize(695, 390));
    QCOMPARE(h.window.minimumSize(), h.window.maximumSize());
    QVERIFY(h.window.windowFlags() & Qt::Tool);
    QVERIFY(!(h.window.windowFlags() & Qt::WindowMinMaxButtonsHint));
    auto* tool = h.window.findChild<QLabel*>("lblDiesesTool");
    QCOMPARE(tool->text(), QString("Dieses Tool vergleicht die IN.TXT mit der OUT.TXT. Beim ersten "
                                   "Lösungsfehler wird der Vergleich beendet."));
    QCOMPARE(tool->geometry(), QRect(16, 16, 665, 57));
    QVERIFY(tool->alignment() & Qt::AlignHCenter);
    QCOMPARE(h.Start()->text(), QString("Start"));
    QCOMPARE(h.Start()->geometry(), QRect(264, 336, 153, 33));
    QCOMPARE(h.Number()->text(), QString("0"));
    QCOMPARE(h.Number()->geometry(), QRect(232, 264, 217, 33));
    QCOMPARE(h.Number()->alignment(), Qt::AlignHCenter | Qt::AlignTop);
    QCOMPARE(h.Number()->frameShape(), QFrame::Box);
    for (QWidget* w : {static_cast<QWidget*>(tool), static_cast<QWidget*>(h.Start()),
                       static_cast<QWidget*>(h.Number())}) {
      QCOMPARE(w->font().family(), QString("Arial"));
      QCOMPARE(w->font().pointSizeF(), 14.25);
      QVERIFY(w->font().bold());
    }
    h.window.show();
    QVERIFY(QTest::qWaitForWindowActive(&h.window));
    QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(h.Start()));
    QCOMPARE(h.messages, QStringList());  // opening the window does no work
  }

  void startJudgesAllAnswers() {
    TempFolder folder;
    Prepare(folder, 2100);
    Harness h(folder);
    QTest::mouseClick(h.Start(), Qt::LeftButton);
    QCOMPARE(h.messages, QStringList{"Alle Lösungen korrekt"});
    QCOMPARE(h.announced, std::string("Alle Lösungen korrekt"));
    QCOMPARE(h.endedWith, 0);
    QVERIFY(!h.Start()->isEnabled());
    QCOMPARE(h.Number()->text(), QString("2000"));
  }

  void enterOnTheFocusedButtonStartsTheComparisonOnce() {
    TempFolder folder;
    Prepare(folder, 20);
    Harness h(folder);
    h.window.show();
    QVERIFY(QTest::qWaitForWindowActive(&h.window));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Enter, Qt::KeypadModifier);
    QCOMPARE(h.messages, QStringList{"Alle Lösungen korrekt"});
    QCOMPARE(h.endedWith, 0);
    QTest::keyClick(h.Start(), Qt::Key_Return);  // disabled now
    QCOMPARE(h.messages.size(), 1);
  }

  void aWrongAnswerIsNamed() {
    TempFolder folder;
    Prepare(folder, 30);
    std::string out = GetFile(folder / "OUT.TXT");
    std::size_t at = 0;
    for (int n = 1; n < 12; ++n) at = out.find("\r\n\r\n", at) + 4;
    out.replace(at, out.find("\r\n", at) - at, "1,2,3,4,5,6,7,8,9");  // block 12's first line
    PutFile(folder / "OUT.TXT", out);
    Harness h(folder);
    QTest::mouseClick(h.Start(), Qt::LeftButton);
    QCOMPARE(h.messages, QStringList{"Lösung für SUDOKU-Nr. 12 ist nicht korrekt."});
    QCOMPARE(h.endedWith, 1);
    QCOMPARE(h.Number()->text(), QString("0"));
  }

  void missingFilesGiveAMessageAndNoVerdict() {
    TempFolder folder;
    Harness h(folder);
    QTest::mouseClick(h.Start(), Qt::LeftButton);
    QCOMPARE(h.messages.size(), 1);
    QVERIFY(h.messages[0].startsWith("Die Datei IN.TXT fehlt im Ordner"));
    QCOMPARE(h.endedWith, 2);
  }

  void closingDuringTheRunStopsIt() {
    TempFolder folder;
    Prepare(folder, 2500);
    Harness h(folder);
    h.window.show();
    QTimer::singleShot(0, &h.window, &QWidget::close);  // arrives at the first counter update
    QTest::mouseClick(h.Start(), Qt::LeftButton);
    QCOMPARE(h.Number()->text(), QString("1000"));
    QCOMPARE(h.messages, QStringList());
    QCOMPARE(h.endedWith, 2);
  }
};

QTEST_MAIN(FrmCheckTest)
#include "FrmCheckTest.moc"
