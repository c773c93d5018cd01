#include "page_painter.h"

#include <QBuffer>
#include <QFile>
#include <QFontMetricsF>
#include <QPageLayout>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QPdfWriter>
#include <algorithm>
#include <cmath>
#include <numeric>
#include <string>

#include "output/result_file.h"
#include "output/same_file.h"

namespace voltrigg::viewer {

PagePainter::PagePainter(QPainter& p, const QFont& font) : p_(p), font_(font) {
  dpi_ = p.device()->logicalDpiY();
  width_ = p.device()->width();
  height_ = p.device()->height();
}

QFont PagePainter::Font(double pt, bool bold) const {
  QFont f(font_);
  f.setPixelSize(std::max(1, static_cast<int>(std::lround(pt * dpi_ / 72.0))));
  f.setBold(bold);
  return f;
}

double PagePainter::Text(double x, double y, double w, const QString& text, double pt, bool bold, const QColor& colour,
                         int flags) {
  p_.setFont(Font(pt, bold));
  p_.setPen(colour);
  const QRectF bound = p_.boundingRect(QRectF(x, y, w, height_), flags, text);
  p_.drawText(QRectF(x, y, w, bound.height()), flags, text);
  return bound.height();
}

double PagePainter::TextHeight(double w, const QString& text, double pt, bool bold, int flags) {
  p_.setFont(Font(pt, bold));
  return p_.boundingRect(QRectF(0, 0, w, height_), flags, text).height();
}

void PagePainter::Cell(const QRectF& r, const QString& text, double pt, int align, bool bold, const QColor& colour) {
  p_.setFont(Font(pt, bold));
  p_.setPen(colour);
  const QRectF inner = r.adjusted(Mm(1), 0, -Mm(1), 0);
  const QString shown = QFontMetricsF(p_.font()).elidedText(text, Qt::ElideMiddle, inner.width());
  p_.drawText(inner, align | Qt::AlignVCenter, shown);
}

void PagePainter::BlankLine(double x, double y, double w) {
  p_.setPen(QPen(Qt::black, Mm(0.2)));
  p_.drawLine(QPointF(x, y), QPointF(x + w, y));
}

void PagePainter::Footer(const QString& title, int page, int pages) {
  const double y = height_ - Mm(7);
  p_.setPen(QPen(Qt::gray, Mm(0.2)));
  p_.drawLine(QPointF(0, y), QPointF(width_, y));
  Cell(QRectF(0, y, width_ * 0.7, Mm(7)), title, 8, Qt::AlignLeft);
  Cell(QRectF(width_ * 0.7, y, width_ * 0.3, Mm(7)), QStringLiteral("ページ %1 / %2").arg(page).arg(pages), 8,
       Qt::AlignRight);
}

double PaintPlanHeader(PagePainter& pp, double y, const PlanHeader& header) {
  const double top = y;
  const double w = pp.width();
  y += pp.Text(0, y, w, header.title, 16, true);
  y += pp.Mm(2);
  y += pp.Text(0, y, w, header.shape_line, 10);
  y += pp.Text(0, y, w, header.list_note, 10);
  y = std::accumulate(header.list_problems.begin(), header.list_problems.end(), y,
                      [&](double at, const QString& problem) {
                        return at + pp.Text(pp.Mm(4), at, w - pp.Mm(4), problem, 9, false, kPrintRed);
                      });
  return y - top;
}

double PlanHeaderHeight(PagePainter& pp, const PlanHeader& header) {
  const double w = pp.width();
  const double h = pp.TextHeight(w, header.title, 16, true) + pp.Mm(2) + pp.TextHeight(w, header.shape_line, 10) +
                   pp.TextHeight(w, header.list_note, 10);
  return std::accumulate(
      header.list_problems.begin(), header.list_problems.end(), h,
      [&](double sum, const QString& problem) { return sum + pp.TextHeight(w - pp.Mm(4), problem, 9); });
}

QPageLayout PrintPageLayout(QPageLayout::Orientation orientation) {
  return QPageLayout(QPageSize(QPageSize::A4), orientation, QMarginsF(15, 12, 15, 10), QPageLayout::Millimeter);
}

bool WritePdfPages(const QString& path, const QString& title, const std::function<int(QPagedPaintDevice&)>& paint,
                   QString* error, QPageLayout::Orientation orientation) {
  // Painted in memory, then written whole or not at all by the same writer as
  // every other file, so that an interruption leaves no temporary file.
  QBuffer buffer;
  buffer.open(QIODevice::WriteOnly);
  int pages = 0;
  {
    QPdfWriter writer(&buffer);
    writer.setPageLayout(PrintPageLayout(orientation));
    writer.setResolution(300);
    writer.setTitle(title);
    writer.setCreator(QStringLiteral("voltrigg-view"));
    pages = paint(writer);
  }
  if (pages == 0) {
    if (error != nullptr) *error = QStringLiteral("PDF ファイルを書き込めません: %1 (ページがありません)").arg(path);
    return false;
  }
  try {
    const QByteArray& bytes = buffer.data();
    WriteFileAtomically(QFile::encodeName(path).toStdString(), std::string(bytes.constData(), bytes.size()));
  } catch (const FileWriteError& e) {
    if (error != nullptr) {
      *error =
          e.step() == FileWriteError::Step::FolderOfThatName
              ? QStringLiteral("PDF ファイルと同じ名前のフォルダがあります: %1").arg(path)
              : QStringLiteral("PDF ファイルを書き込めません: %1 (%2)").arg(path, QString::fromStdString(e.reason()));
    }
    return false;
  }
  return true;
}

bool IsOneOf(const QString& path, const std::vector<std::string>& inputs) {
  return IsOneOfTheFiles(QFile::encodeName(path).toStdString(), inputs);
}

}  // namespace voltrigg::viewer
