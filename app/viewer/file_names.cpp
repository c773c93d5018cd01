#include "file_names.h"

#include <QFile>
#include <algorithm>
#include <filesystem>
#include <system_error>

#include "input/text_utf8.h"

namespace voltrigg::viewer {

CommandLine ReadCommandLine(int argc, char** argv) {
  CommandLine line;
  for (int i = 0; i < argc; ++i) {
    std::string bytes = argv[i] != nullptr ? argv[i] : "";
    line.arguments << (IsUtf8(bytes) ? QString::fromStdString(bytes) : QString::fromLatin1(bytes.data()));
    line.bytes.push_back(std::move(bytes));
  }
  return line;
}

std::string ArgumentBytes(const CommandLine& line, const QString& value) {
  // A value from an argument decoded as Latin-1 has no character above U+00FF
  // and its bytes occur in that argument.
  const bool latin1 = std::all_of(value.begin(), value.end(), [](QChar c) { return c.unicode() <= 0xFF; });
  if (latin1) {
    const QByteArray raw = value.toLatin1();
    std::string bytes(raw.constData(), static_cast<std::size_t>(raw.size()));
    if (std::any_of(line.bytes.begin(), line.bytes.end(), [&](const std::string& given) {
          return !IsUtf8(given) && given.find(bytes) != std::string::npos;
        })) {
      return bytes;
    }
  }
  return value.toStdString();
}

std::string PathBytes(const QString& path) {
  namespace fs = std::filesystem;
  std::string plain = QFile::encodeName(path).toStdString();
  std::error_code ec;
  if (!path.contains(QChar::ReplacementCharacter) || fs::exists(plain, ec)) return plain;
  // Part by part: a part Qt could not decode is the entry of its folder that decodes alike.
  const QStringList parts = path.split(QLatin1Char('/'));
  fs::path found = path.startsWith(QLatin1Char('/')) ? fs::path("/") : fs::path();
  for (const QString& part : parts) {
    if (part.isEmpty()) continue;
    if (!part.contains(QChar::ReplacementCharacter)) {
      found /= QFile::encodeName(part).toStdString();
      continue;
    }
    bool matched = false;
    for (fs::directory_iterator it(found.empty() ? fs::path(".") : found, ec), end; !ec && it != end;
         it.increment(ec)) {
      const std::string name = it->path().filename().string();
      if (QString::fromStdString(name) == part) {
        found /= name;
        matched = true;
        break;
      }
    }
    if (!matched) return plain;
  }
  return found.string();
}

}  // namespace voltrigg::viewer
