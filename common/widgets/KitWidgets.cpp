#include "KitWidgets.h"

#include <QCoreApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>

namespace kit {

namespace {

// Clicks the watched button on Return or Enter. Qt's buttons do so only inside dialogs, and these
// windows are plain tool windows.
class ReturnPresses final : public QObject {
 public:
  using QObject::QObject;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() != QEvent::KeyPress) return false;
    const auto* key = static_cast<QKeyEvent*>(event);
    if (key->key() != Qt::Key_Return && key->key() != Qt::Key_Enter) return false;
    // A held key presses once; the repeats would land on whatever the click opened.
    if (!key->isAutoRepeat()) static_cast<QPushButton*>(watched)->click();
    return true;
  }
};

}  // namespace

void ShowPlainMessage(QWidget* parent, const QString& text) {
  QMessageBox box(QMessageBox::NoIcon, QCoreApplication::applicationName(),
                  KeepLastWordsTogether(text), QMessageBox::Ok, parent);
  box.setTextFormat(Qt::PlainText);
  box.button(QMessageBox::Ok)->setIcon(QIcon());  // some desktop themes put one on the button
  box.exec();
}

QString KeepLastWordsTogether(const QString& text) {
  QStringList lines = text.split(QLatin1Char('\n'));
  for (QString& line : lines) {
    qsizetype at = line.size() - 1;
    while (at >= 0 && line[at].isSpace()) --at;   // blanks at the end of the line
    while (at >= 0 && !line[at].isSpace()) --at;  // the last word
    if (at > 0 && line[at] == QLatin1Char(' ') && !line.left(at).trimmed().isEmpty()) {
      line[at] = QChar(0x00A0);
    }
  }
  return lines.join(QLatin1Char('\n'));
}

void ShowAsCounter(QLabel* label) {
  label->setAlignment(Qt::AlignHCenter | Qt::AlignTop);  // text from the top, as in a field
  label->setFrameStyle(QFrame::Box | QFrame::Plain);
  label->setLineWidth(1);
  label->setBackgroundRole(QPalette::Base);
  label->setForegroundRole(QPalette::Text);
  label->setAutoFillBackground(true);
}

void PressOnReturn(QPushButton* button) {
  button->installEventFilter(new ReturnPresses(button));
}

}  // namespace kit
