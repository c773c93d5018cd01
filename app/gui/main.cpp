// voltrigg: the desktop window. Apart from --help and --version, answered
// before Qt starts (no display needed), argc and argv go to Qt alone.
#include <QApplication>
#include <QIcon>
#include <cstdio>
#include <cstring>
#include <string>

#include "app/no_display.h"
#include "app/shared/text_catalogue.h"
#include "form1.h"
#include "identity.h"
#include "output/interrupt_cleanup.h"

namespace {

std::string HelpText() {
  // The language of the messages as gettext picks it, as voltrigg-cli picks its own.
  if (voltrigg::LanguageOfEnvironment() == voltrigg::Language::Japanese) {
    return "使い方: voltrigg [--help | --version]\n"
           "Voltrigg: 個別に測定したモジュールのリストから、直列 S 枚のストリングを P 並列にした PV "
           "アレイを計画するウィンドウです。\n"
           "モジュールリスト (*.csv) を選び、直列モジュール数と並列ストリング数、結果ファイル名を入力して 実行 "
           "を押します。\n"
           "\n"
           "オプション:\n"
           "  -h, --help     この説明を表示して終了する\n"
           "  -v, --version  バージョンを表示して終了する\n"
           "\n"
           "画面 (ディスプレイ) がないときはその旨を 1 行表示して終了状態 2 で終わります。画面のない環境では "
           "voltrigg-cli と voltrigg-view --pdf を使ってください。\n";
  }
  return "Usage: voltrigg [--help | --version]\n"
         "Voltrigg: the window that plans a PV array of P parallel strings of S modules from a list of "
         "individually measured modules (Japanese texts).\n"
         "Pick the module list (*.csv), type the modules in series and the parallel strings, name the result "
         "file and press 実行 (Run).\n"
         "\n"
         "Options:\n"
         "  -h, --help     show this help and exit\n"
         "  -v, --version  show the version and exit\n"
         "\n"
         "Without a display the window says so in one line and exits with status 2; use voltrigg-cli and "
         "voltrigg-view --pdf there.\n";
}

// --help or --version anywhere on the line: answered on stdout, true.
bool AnsweredOnStdout(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    std::string text;
    if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
      text = HelpText();
    } else if (std::strcmp(argv[i], "--version") == 0 || std::strcmp(argv[i], "-v") == 0) {
      text = std::string("voltrigg ") + voltrigg::identity::kComments + "\n";
    } else {
      continue;
    }
    (void)std::fwrite(text.data(), 1, text.size(), stdout);
    return true;
  }
  return false;
}

}  // namespace

int main(int argc, char** argv) {
  if (AnsweredOnStdout(argc, argv)) return 0;
  voltrigg::PrepareSignalsForWriting();
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
