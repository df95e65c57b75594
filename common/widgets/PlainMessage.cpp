#include "PlainMessage.h"

#include <QCoreApplication>
#include <QMessageBox>
#include <QPushButton>

namespace kit {

void ShowPlainMessage(QWidget* parent, const QString& text) {
  QMessageBox box(QMessageBox::NoIcon, QCoreApplication::applicationName(), text, QMessageBox::Ok,
                  parent);
  box.button(QMessageBox::Ok)->setIcon(QIcon());  // some desktop themes put one on the button
  box.exec();
}

}  // namespace kit
