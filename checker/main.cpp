// Check: judges every answer in OUT.TXT against its own solution of the puzzles in IN.TXT.
#include <QApplication>

#include "frmCheck.h"

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Check"));
  frmCheck window;
  window.show();
  return QApplication::exec();
}
