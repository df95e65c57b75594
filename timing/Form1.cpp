#include "Form1.h"

#include <QCoreApplication>
#include <QEvent>
#include <QFont>
#include <QLabel>
#include <QLocale>
#include <iostream>

#include "ElapsedTime.h"
#include "FileError.h"
#include "KitWidgets.h"

namespace timing {

Form1::Form1(Clock clock, std::filesystem::path folder, QWidget* parent)
    : QWidget(parent),
      lblLabel1(new QLabel(this)),
      Output(&std::cout),
      clock_(std::move(clock)),
      folder_(std::move(folder)) {
  setObjectName("Form1");
  lblLabel1->setObjectName("lblLabel1");
  setWindowTitle("Laufzeit");
  resize(476, 206);

  // No free font matches Arial Black; Roboto's black weight is the nearest heavy sans-serif.
  QFont::insertSubstitutions("Arial Black", {"Roboto Black", "Roboto"});
  QFont font("Arial Black", 18, QFont::Black);
  font.setItalic(false);
  font.setUnderline(false);
  font.setStrikeOut(false);
  lblLabel1->setFont(font);
  lblLabel1->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  // No layout: the label keeps its place and size when the window is resized.
  lblLabel1->setGeometry(24, 56, 433, 49);

  ShowMessage = [this](const QString& message) {
    std::cerr << "Ende: " << message.toStdString() << std::endl;
    kit::ShowPlainMessage(this, message);
  };
  EndProgram = [](int status) {
    // Queued, so that it also holds when the window is activated before the event loop runs.
    QMetaObject::invokeMethod(
        QCoreApplication::instance(), [status] { QCoreApplication::exit(status); },
        Qt::QueuedConnection);
  };
}

bool Form1::event(QEvent* e) {
  if (e->type() == QEvent::WindowActivate && !activated_) {
    activated_ = true;
    Form_Activate();
  }
  return QWidget::event(e);
}

void Form1::Form_Activate() {
  const std::string separator = QLocale().decimalPoint().toStdString();
  std::string text;
  try {
    text = ElapsedText(folder_, clock_, separator);
  } catch (const kit::FileError& e) {
    ShowMessage(QString::fromStdString(e.what()));
    EndProgram(1);
    return;
  }
  lblLabel1->setText(QString::fromStdString(text));
  // Flushed at once: the window stays open, and a script waits for this line.
  *Output << text << std::endl;
}

}  // namespace timing
