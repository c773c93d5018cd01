// voltrigg: the desktop window. It reads no command line; argc and argv go to
// Qt alone.
#include <QApplication>
#include <QIcon>
#include <csignal>

#include "app/no_display.h"
#include "form1.h"
#include "output/interrupt_cleanup.h"

int main(int argc, char** argv) {
#ifdef SIGXFSZ
  // Past a file size limit a write fails with a message instead of killing the window.
  (void)std::signal(SIGXFSZ, SIG_IGN);
#endif
  voltrigg::RemoveTemporaryFilesOnInterrupt();
  voltrigg::ExitWithoutDisplay("voltrigg");
  QApplication app(argc, argv);
  voltrigg::EndDisplayWatch();
  QApplication::setApplicationName(QStringLiteral("voltrigg"));
  QApplication::setDesktopFileName(QStringLiteral("voltrigg"));
  QApplication::setFont(voltrigg::WindowFont());
  QApplication::setWindowIcon(QIcon(QStringLiteral(":/voltrigg/voltrigg-32.png")));
  voltrigg::OpenProgramWindow();
  return QApplication::exec();
}
