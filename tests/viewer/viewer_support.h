#pragma once
// What the viewer tests share: a result file with known values and its module
// list, results of generated lists, voltrigg-view as a process, and a PDF
// read back as text and as a picture.
#include <QByteArray>
#include <QImage>
#include <QString>
#include <QStringList>
#include <string>

#include "support/run_support.h"

namespace voltrigg::testing {

// Two strings of three modules with round values: string 1 has Σ Vpm 90 V,
// mean Ipm 8 A and Ipm deviations 0, +6.25 %, -6.25 %; string 2 Σ Vpm 90.5 V,
// mean Ipm 8.2 A. Its list is "known.csv".
extern const char kKnownResult[];
// The same six modules as a module list with Voc and Isc.
extern const char kKnownList[];

// A completed run's result file `dir/result.csv` of a generated list `dir/list.csv`.
void MakeRunResult(const TempDir& dir, int series, int parallel, unsigned seed);

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
