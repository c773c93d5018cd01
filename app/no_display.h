#pragma once
// The window programs without a display: Qt would end them with an abort
// (exit 134) and its own text. They say in one line what to use instead and
// exit 2.
#include <QtGlobal>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace voltrigg {

inline std::string NoDisplayMessage(const char* program) {
  return std::string(program) +
         ": 画面 (ディスプレイ) がないため開けません。画面のない環境では voltrigg-cli (計算) と voltrigg-view --pdf "
         "(配線計画の PDF) を使ってください\n";
}

// Call before the QApplication is made, and EndDisplayWatch() after.
inline void ExitWithoutDisplay(const char* program) {
  static const char* name = nullptr;
  static QtMessageHandler previous = nullptr;
  name = program;
  const auto say_and_exit = [] {
    const std::string text = NoDisplayMessage(name);
    (void)std::fwrite(text.data(), 1, text.size(), stderr);
    std::_Exit(2);
  };
  // A platform named by the user is Qt's to check.
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY") &&
      qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY")) {
    say_and_exit();
  }
  // A display that is named but cannot be reached ends in a fatal message.
  previous = qInstallMessageHandler([](QtMsgType type, const QMessageLogContext& context, const QString& text) {
    if (type == QtFatalMsg) {
      const std::string line = NoDisplayMessage(name);
      (void)std::fwrite(line.data(), 1, line.size(), stderr);
      std::_Exit(2);
    }
    if (previous != nullptr) previous(type, context, text);
  });
}

inline void EndDisplayWatch() { qInstallMessageHandler(nullptr); }

}  // namespace voltrigg
