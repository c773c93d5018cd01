#pragma once
// What every printed page of the viewer shares: sizes in millimetres and
// points on any device, text boxes and table cells, the plan's header
// (result, shape, module list) and the footer with the page number, and a PDF
// written whole or not at all.
#include <QColor>
#include <QFont>
#include <QPageLayout>
#include <QRectF>
#include <QString>
#include <functional>
#include <vector>

class QPagedPaintDevice;
class QPainter;

namespace voltrigg::viewer {

inline const QColor kPrintRed(200, 0, 0);
inline const QColor kPrintGreen(0, 110, 40);

class PagePainter {
 public:
  PagePainter(QPainter& p, const QFont& font);

  double Mm(double mm) const { return mm * dpi_ / 25.4; }
  double dpi() const { return dpi_; }
  double width() const { return width_; }
  double height() const { return height_; }
  double body_bottom() const { return height_ - Mm(9); }  // above the footer

  QFont Font(double pt, bool bold = false) const;

  // Draws `text` in a box `w` wide, wrapped; returns the box's height.
  double Text(double x, double y, double w, const QString& text, double pt, bool bold = false,
              const QColor& colour = Qt::black, int flags = Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap);
  // The height `Text` would take, without drawing.
  double TextHeight(double w, const QString& text, double pt, bool bold = false,
                    int flags = Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap);

  // One line in a cell, shortened in the middle when it does not fit.
  void Cell(const QRectF& r, const QString& text, double pt, int align, bool bold = false,
            const QColor& colour = Qt::black);

  // A line to fill in by hand from x to x + w at the baseline y.
  void BlankLine(double x, double y, double w);

  // Every page names what it belongs to: pages of two plans mixed on site
  // would get an array wired wrongly.
  void Footer(const QString& title, int page, int pages);

  QPainter& p() { return p_; }
  const QFont& font() const { return font_; }

 private:
  QPainter& p_;
  QFont font_;
  double dpi_ = 72;
  double width_ = 0;
  double height_ = 0;
};

// The top of a plan's first page: the title, the shape and wiring, the
// module list's state and its problems. Returns the height used.
struct PlanHeader {
  QString title;
  QString shape_line;  // "構成: ...    配線: ..."
  QString list_note;
  std::vector<QString> list_problems;
};
double PaintPlanHeader(PagePainter& pp, double y, const PlanHeader& header);
double PlanHeaderHeight(PagePainter& pp, const PlanHeader& header);

// Writes an A4 PDF titled `title` at `path` by `paint` (which returns the
// pages painted, 0 when painting could not start), through a temporary file
// renamed over `path` only when whole. False with `error` set on failure.
// Portrait unless a table needs the width of a landscape page.
bool WritePdfPages(const QString& path, const QString& title, const std::function<int(QPagedPaintDevice&)>& paint,
                   QString* error, QPageLayout::Orientation orientation = QPageLayout::Portrait);

// The page of every print and PDF: A4, the viewer's margins.
QPageLayout PrintPageLayout(QPageLayout::Orientation orientation = QPageLayout::Portrait);

// True when `path` names an existing file that is one of `inputs` (a link or
// another spelling included): nothing is written over what was read.
bool IsOneOf(const QString& path, const std::vector<std::string>& inputs);

}  // namespace voltrigg::viewer
