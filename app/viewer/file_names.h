#pragma once
// File names by their own bytes. Qt decodes names as UTF-8 and turns the bytes
// of a Shift-JIS name into U+FFFD, so such a file could not be opened by the
// name Qt gives; these functions find the bytes again.
#include <QString>
#include <QStringList>
#include <string>
#include <vector>

namespace voltrigg::viewer {

// The command line as QStrings from which each argument's bytes come back:
// UTF-8 arguments decoded as UTF-8, others byte for byte as Latin-1.
struct CommandLine {
  QStringList arguments;
  std::vector<std::string> bytes;  // argument i as given
};
CommandLine ReadCommandLine(int argc, char** argv);

// The bytes of `value`, an argument or the part of one after "=", as given.
std::string ArgumentBytes(const CommandLine& line, const QString& value);

// The bytes of a path Qt gave (a dialog, a drop, a recent file): each part
// that Qt could not decode is looked up among its folder's entries. A path
// that matches nothing is given back as UTF-8.
std::string PathBytes(const QString& path);

}  // namespace voltrigg::viewer
