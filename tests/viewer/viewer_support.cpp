#include "viewer_support.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>
#include <QSettings>
#include <QStandardPaths>
#include <filesystem>

#include "support/module_generator.h"
#include "viewer_window.h"

namespace voltrigg::testing {

Process RunViewer(const QStringList& arguments) {
  QProcess p;
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.remove(QStringLiteral("DISPLAY"));
  env.remove(QStringLiteral("WAYLAND_DISPLAY"));
  env.remove(QStringLiteral("QT_QPA_PLATFORM"));
  p.setProcessEnvironment(env);
  p.start(QStringLiteral(VOLTRIGG_VIEW), arguments);
  Process r;
  if (!p.waitForFinished(60000)) return r;
  r.status = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
  r.out = QString::fromUtf8(p.readAllStandardOutput());
  r.err = QString::fromUtf8(p.readAllStandardError());
  return r;
}

QString PdfText(const QString& pdf) {
  QProcess p;
  p.start(QStringLiteral(PDFTOTEXT), {QStringLiteral("-layout"), pdf, QStringLiteral("-")});
  p.waitForFinished(60000);
  return QString::fromUtf8(p.readAllStandardOutput());
}

QImage FirstPage(const QString& pdf, const TempDir& dir) {
  const QString base = QString::fromStdString(dir / "page");
  QProcess p;
  p.start(QStringLiteral(PDFTOPPM),
          {QStringLiteral("-r"), QStringLiteral("50"), QStringLiteral("-f"), QStringLiteral("1"), QStringLiteral("-l"),
           QStringLiteral("1"), QStringLiteral("-singlefile"), QStringLiteral("-png"), pdf, base});
  p.waitForFinished(60000);
  return QImage(base + QStringLiteral(".png"));
}

double InkShare(const QImage& image) {
  if (image.isNull()) return 0;
  long long ink = 0;
  for (int y = 0; y < image.height(); ++y) {
    for (int x = 0; x < image.width(); ++x) {
      const QColor c = image.pixelColor(x, y);
      if (c.red() + c.green() + c.blue() < 3 * 230) ++ink;
    }
  }
  return static_cast<double>(ink) / (static_cast<double>(image.width()) * image.height());
}

FileStamp Stamp(const std::string& path) {
  FileStamp s;
  s.bytes = ReadFile(path);
  std::error_code ec;
  s.mtime_ns = std::filesystem::last_write_time(path, ec).time_since_epoch().count();
  return s;
}

}  // namespace voltrigg::testing

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  // Recent files go to a test folder, not the user's settings, and to a file
  // of this process's own: ctest runs test cases side by side, and one case's
  // recent files must not show in another's.
  QStandardPaths::setTestModeEnabled(true);
  QApplication::setOrganizationName(QStringLiteral("VoltriggTest"));
  QApplication::setApplicationName(QStringLiteral("viewer_tests-%1").arg(QCoreApplication::applicationPid()));
  QApplication::setFont(voltrigg::viewer::ViewerFont());
  ::testing::InitGoogleTest(&argc, argv);
  const int status = RUN_ALL_TESTS();
  QFile::remove(QSettings().fileName());
  return status;
}
