#pragma once
// What the viewer tests share: a result file with known values and its module
// list, results of generated lists, voltrigg-view as a process, and a PDF
// read back as text and as a picture.
#include <QByteArray>
#include <QImage>
#include <QString>
#include <QStringList>
#include <string>

#include "support/known_result.h"
#include "support/run_support.h"

namespace voltrigg::testing {

struct Process {
  int status = -1;
  QString out;
  QString err;
};

// voltrigg-view with `arguments`, without a display (no DISPLAY, no platform set).
Process RunViewer(const QStringList& arguments);

// The PDF's text (pdftotext -layout), and its first page as an image.
QString PdfText(const QString& pdf);
QImage FirstPage(const QString& pdf, const TempDir& dir);

// The share of pixels of `image` that are not near white.
double InkShare(const QImage& image);

// A file's bytes and modification time, to see that nothing changed it.
struct FileStamp {
  std::string bytes;
  long long mtime_ns = 0;
  bool operator==(const FileStamp&) const = default;
};
FileStamp Stamp(const std::string& path);

}  // namespace voltrigg::testing
