#pragma once
// The window programs without a display: Qt would end them with an abort
// (exit 134) and its own text. They say in one line what to use instead and
// exit 2.
#include <QtGlobal>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

namespace voltrigg {

inline std::string NoDisplayMessage(const char* program) {
  return std::string(program) +
         ": 画面 (ディスプレイ) がないため開けません。画面のない環境では voltrigg-cli (計算) と voltrigg-view --pdf "
         "(配線計画の PDF) を使ってください\n";
}

namespace no_display {
inline const char* program = nullptr;
inline QtMessageHandler previous = nullptr;
// Qt's warnings while the platform starts, held back: when it cannot start,
// the one line below says it all.
inline std::vector<std::pair<QtMsgType, QString>> held;
}  // namespace no_display

// Call before the QApplication is made, and EndDisplayWatch() after.
inline void ExitWithoutDisplay(const char* program) {
  no_display::program = program;
  const auto say_and_exit = [] {
    const std::string line = NoDisplayMessage(no_display::program);
    (void)std::fwrite(line.data(), 1, line.size(), stderr);
    std::_Exit(2);
  };
  // A platform named by the user is Qt's to check.
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY") &&
      qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY")) {
    say_and_exit();
  }
  // A display that is named but cannot be reached ends in a fatal message.
  no_display::previous =
      qInstallMessageHandler([](QtMsgType type, const QMessageLogContext& /*context*/, const QString& text) {
        if (type != QtFatalMsg) {
          no_display::held.emplace_back(type, text);
          return;
        }
        const std::string line = NoDisplayMessage(no_display::program);
        (void)std::fwrite(line.data(), 1, line.size(), stderr);
        std::_Exit(2);
      });
}

// The display is there: Qt's own handler again, with what it said meanwhile.
inline void EndDisplayWatch() {
  qInstallMessageHandler(no_display::previous);
  for (const auto& [type, text] : no_display::held) {
    if (no_display::previous != nullptr) no_display::previous(type, QMessageLogContext(), text);
  }
  no_display::held.clear();
}

}  // namespace voltrigg
