#include "frmBuild.h"

#include <QApplication>
#include <QCloseEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <iostream>
#include <limits>

#include "BuildInput.h"
#include "BuildSudokus.h"
#include "FileError.h"
#include "KitWidgets.h"

namespace {

// Positions and sizes are laid out in 1/1440 inch; 15 of them make a pixel at 96 dots per inch.
QRect Twips(int left, int top, int width, int height) {
  return QRect(left / 15, top / 15, width / 15, height / 15);
}

QFont Face(const char* family, double points, bool bold) {
  QFont font(QString::fromLatin1(family));
  font.setPointSizeF(points);
  font.setBold(bold);
  return font;
}

}  // namespace

frmBuild::frmBuild(std::filesystem::path folder, QWidget* parent)
    : QWidget(parent, Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint),
      folder_(std::move(folder)) {
  // No Linux font is called "MS Sans Serif"; the Arial-compatible face comes closest.
  QFont::insertSubstitution(QStringLiteral("MS Sans Serif"), QStringLiteral("Liberation Sans"));

  setObjectName(QStringLiteral("frmBuild"));
  setWindowTitle(QStringLiteral("SUDOKU - Generator"));
  setFixedSize(11475 / 15, 6585 / 15);
  setFont(Face("Arial", 18, true));

  const QFont fieldFont = Face("Arial", 14.25, true);
  lblGeneriereSUDOKU = new QLabel(QStringLiteral("Generiere SUDOKU-Satz: "), this);
  lblGeneriereSUDOKU->setGeometry(Twips(480, 360, 3975, 495));
  txtTimer = new QLineEdit(QStringLiteral("12345"), this);
  txtTimer->setGeometry(Twips(4440, 240, 3135, 495));
  txtTimer->setToolTip(QStringLiteral("Gleiche Nr = Gleiches Ergebnis"));
  lblAnzahlSUDOKUs = new QLabel(QStringLiteral("Anzahl SUDOKUs:"), this);
  lblAnzahlSUDOKUs->setGeometry(Twips(600, 1320, 3975, 495));
  txtAnzahl = new QLineEdit(QStringLiteral("500000"), this);
  txtAnzahl->setGeometry(Twips(4440, 1200, 3135, 495));
  for (QWidget* w : {static_cast<QWidget*>(lblGeneriereSUDOKU), static_cast<QWidget*>(txtTimer),
                     static_cast<QWidget*>(lblAnzahlSUDOKUs), static_cast<QWidget*>(txtAnzahl)}) {
    w->setFont(fieldFont);
  }
  txtTimer->setAlignment(Qt::AlignCenter);
  txtAnzahl->setAlignment(Qt::AlignCenter);
  // The labels' text at the top of their boxes, level with the text of the fields beside them.
  lblGeneriereSUDOKU->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  lblAnzahlSUDOKUs->setAlignment(Qt::AlignLeft | Qt::AlignTop);

  lblCount = new QLabel(this);
  lblCount->setGeometry(Twips(1560, 2640, 8415, 615));
  lblCount->setFont(Face("Arial", 20.25, true));
  kit::ShowAsCounter(lblCount);

  btnOK = new QPushButton(QStringLiteral("OK"), this);
  btnOK->setGeometry(Twips(4920, 5880, 1815, 495));
  btnOK->setFont(Face("MS Sans Serif", 8.25, false));
  kit::PressOnReturn(btnOK);

  lblGeneriereSUDOKU->setObjectName(QStringLiteral("lblGeneriereSUDOKU"));
  txtTimer->setObjectName(QStringLiteral("txtTimer"));
  lblAnzahlSUDOKUs->setObjectName(QStringLiteral("lblAnzahlSUDOKUs"));
  txtAnzahl->setObjectName(QStringLiteral("txtAnzahl"));
  lblCount->setObjectName(QStringLiteral("lblCount"));
  btnOK->setObjectName(QStringLiteral("btnOK"));

  // The button comes first and holds the focus when the window opens.
  setTabOrder(btnOK, txtTimer);
  setTabOrder(txtTimer, txtAnzahl);
  btnOK->setFocus();

  ShowMessage = [this](const QString& text) {
    std::cerr << "Build: " << text.toStdString() << std::endl;  // for scripts and logs as well
    kit::ShowPlainMessage(this, text);
  };
  EndProgram = [](int status) { QCoreApplication::exit(status); };

  connect(btnOK, &QPushButton::clicked, this, &frmBuild::btnOK_Click);
  Form_Load();
}

void frmBuild::Form_Load() {
  PuzzleCount = 500000;
  // The proposed seed is the local time of day in whole seconds, rounded.
  Seed = generator::ProposedSeed();
  txtAnzahl->setText(QString::number(PuzzleCount));
  txtTimer->setText(QString::number(Seed));
}

void frmBuild::btnOK_Click() {
  if (running_) return;
  // A field that holds no acceptable number is named, and gets the focus for the correction.
  auto rejected = [this](QLineEdit* field, const QString& message) {
    ShowMessage(message.arg(field->text().trimmed()));
    field->setFocus();
    field->selectAll();
  };
  const auto count = generator::ParseWholeNumber(txtAnzahl->text().toStdString());
  if (!count || *count == std::numeric_limits<std::int32_t>::min()) {
    rejected(txtAnzahl, QStringLiteral("Die Anzahl SUDOKUs „%1“ ist keine ganze Zahl von "
                                       "-2147483647 bis 2147483647. Bitte korrigieren."));
    return;
  }
  const auto seed = generator::ParseWholeNumber(txtTimer->text().toStdString());
  if (!seed) {
    rejected(txtTimer, QStringLiteral("Die Nummer des SUDOKU-Satzes „%1“ ist keine ganze Zahl "
                                      "von -2147483648 bis 2147483647. Bitte korrigieren."));
    return;
  }
  PuzzleCount = *count;
  Seed = *seed;
  // A disabled button hands its focus on to the next field, which would then look editable
  // during the run; the window itself keeps it instead.
  setFocus();
  btnOK->setEnabled(false);
  running_ = true;

  int status = 0;
  try {
    const auto result =
        generator::WritePuzzleFile(folder_, Seed, PuzzleCount, [this](std::int32_t written) {
          lblCount->setText(QString::number(written));
          QCoreApplication::processEvents();
          return !closed_;
        });
    status = result == generator::BuildResult::Written ? 0 : 2;
  } catch (const kit::FileError& e) {
    ShowMessage(QString::fromStdString(e.what()));
    status = 1;
  }
  EndProgram(status);
}

void frmBuild::closeEvent(QCloseEvent* event) {
  closed_ = true;  // a run in progress stops at its next counter update
  event->accept();
  // A tool window does not end the program by closing; without a run, this window is the program.
  if (!running_) EndProgram(0);
}
