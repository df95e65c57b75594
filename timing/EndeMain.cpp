// Ende: shows the time elapsed since Start wrote Start.txt in the current folder.
#include <QApplication>

#include "Form1.h"

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Ende"));
  timing::Form1 form;
  form.show();
  // The work waits for the first activation, and without a window manager nothing else would
  // activate the new window.
  form.activateWindow();
  return QApplication::exec();
}
