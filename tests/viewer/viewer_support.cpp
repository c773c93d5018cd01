#include "viewer_support.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>
#include <QSettings>
#include <QStandardPaths>
#include <filesystem>

#include "run/calculation_run.h"
#include "support/module_generator.h"
#include "viewer_window.h"

namespace voltrigg::testing {

const char kKnownResult[] =
    "\"Input Filename=\",\"known.csv\"\r\n"
    "\"Simple Sum of Module Pmax [W]=\",1500.5\r\n"
    "\"Minimum\",\"Array Pmax [W]=\",1400.25,\"Array Vpm [V]=\",180.5,\"Array Ipm [A]=\",7.75\r\n"
    "\"Initial\",\"Array Pmax [W]=\",1450,\"Array Vpm [V]=\",181,\"Array Ipm [A]=\",8\r\n"
    "\"Estimated\",\"Array Pmax [W]=\",1460.5,\"Array Vpm= [V]\",182,\"Array Ipm [A]=\",8.025\r\n"
    "\"Obtained Array Matrix as as follows:\"\r\n"
    "\"String\",\"Module No\",\"S/N\",\"Vpm [V]\",\"Ipm [A]\"\r\n"
    "1,3,\"K-3\",30,8\r\n"
    "1,1,\"K-1\",31,8.5\r\n"
    "1,6,\"K-6\",29,7.5\r\n"
    "2,2,\"K-2\",30.5,8.1\r\n"
    "2,5,\"K-5\",30,8.2\r\n"
    "2,4,\"K-4\",30,8.3\r\n";

const char kKnownList[] =
    "No,S/N,Pmax,Vpm,Ipm,Voc,Isc\r\n"
    "1,K-1,263.5,31,8.5,38.5,9.0\r\n"
    "2,K-2,247.05,30.5,8.1,37.9,8.6\r\n"
    "3,K-3,240,30,8,37.3,8.5\r\n"
    "4,K-4,249,30,8.3,37.4,8.8\r\n"
    "5,K-5,246,30,8.2,37.4,8.7\r\n"
    "6,K-6,217.5,29,7.5,36.2,8.0\r\n";

void MakeRunResult(const TempDir& dir, int series, int parallel, unsigned seed) {
  WriteFile(dir / "list.csv", FormatModuleList(GenerateModules(series * parallel, seed)));
  RunState s;
  s.InputPath = dir / "list.csv";
  s.InputName = "list.csv";
  s.OutputBase = dir / "result";
  RecordingFrontEnd ui{std::to_string(series), std::to_string(parallel)};
  ASSERT_EQ(CalculationRun(s, ui), RunOutcome::Completed);
}

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
