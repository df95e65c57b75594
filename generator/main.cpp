// Build: writes a reproducible puzzle file IN.TXT into the current folder.
#include <QApplication>

#include "frmBuild.h"

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Build"));
  frmBuild window;
  window.show();
  return QApplication::exec();
}
