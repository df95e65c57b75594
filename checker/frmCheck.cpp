#include "frmCheck.h"

#include <QApplication>
#include <QCloseEvent>
#include <QLabel>
#include <QPushButton>
#include <iostream>

#include "KitWidgets.h"

frmCheck::frmCheck(std::filesystem::path folder, QWidget* parent)
    : QWidget(parent, Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint),
      folder_(std::move(folder)) {
  setObjectName(QStringLiteral("frmCheck"));
  setWindowTitle(QStringLiteral("Check - SUDOKU-Lösungen"));
  setFixedSize(695, 390);
  QFont font(QStringLiteral("Arial"));  // every control's font
  font.setPointSizeF(14.25);
  font.setBold(true);
  setFont(font);

  lblDiesesTool =
      new QLabel(QStringLiteral("Dieses Tool vergleicht die IN.TXT mit der OUT.TXT. "
                                "Beim ersten Lösungsfehler wird der Vergleich beendet."),
                 this);
  lblDiesesTool->setGeometry(16, 16, 665, 57);
  lblDiesesTool->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
  lblDiesesTool->setWordWrap(true);

  cmdStart = new QPushButton(QStringLiteral("Start"), this);
  cmdStart->setGeometry(264, 336, 153, 33);
  kit::PressOnReturn(cmdStart);

  lblNr = new QLabel(QStringLiteral("0"), this);
  lblNr->setGeometry(232, 264, 217, 33);
  kit::ShowAsCounter(lblNr);

  lblDiesesTool->setObjectName(QStringLiteral("lblDiesesTool"));
  cmdStart->setObjectName(QStringLiteral("cmdStart"));
  lblNr->setObjectName(QStringLiteral("lblNr"));
  cmdStart->setFocus();

  ShowMessage = [this](const QString& text) { kit::ShowPlainMessage(this, text); };
  EndProgram = [](int status) { QCoreApplication::exit(status); };
  Announce = [](const checker::CheckResult& result) {
    std::ostream& out = checker::ExitStatus(result.Kind) < 2 ? std::cout : std::cerr;
    out << checker::Announcement(result) << std::flush;
  };

  connect(cmdStart, &QPushButton::clicked, this, &frmCheck::cmdStart_Click);
}

void frmCheck::cmdStart_Click() {
  if (running_) return;
  running_ = true;
  cmdStart->setEnabled(false);  // for the life of the program: one comparison per start
  const checker::CheckResult result = checker::CheckIt(folder_, [this](std::int32_t number) {
    lblNr->setText(QString::number(number));
    QCoreApplication::processEvents();
    return !closed_;
  });
  Announce(result);
  if (result.Kind != checker::Verdict::Stopped) ShowMessage(QString::fromStdString(result.Message));
  EndProgram(checker::ExitStatus(result.Kind));
}

void frmCheck::closeEvent(QCloseEvent* event) {
  closed_ = true;  // a run in progress stops at its next counter update
  event->accept();
  // A tool window does not end the program by closing; without a run, this window is the program.
  if (!running_) EndProgram(0);
}
