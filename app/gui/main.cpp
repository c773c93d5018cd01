// voltrigg: the desktop window. It reads no command line; argc and argv go to
// Qt alone.
#include <QApplication>
#include <QIcon>

#include "form1.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("voltrigg"));
  QApplication::setDesktopFileName(QStringLiteral("voltrigg"));
  QApplication::setFont(voltrigg::WindowFont());
  QApplication::setWindowIcon(QIcon(QStringLiteral(":/voltrigg/voltrigg-32.png")));
  voltrigg::OpenProgramWindow();
  return QApplication::exec();
}
