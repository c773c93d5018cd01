#pragma once
// The picture of the array: one row per string, one box per module in series
// order, coloured by its deviation from the string's mean; the string's sums
// at the row's end, a string above the voltage limit in red. The same
// painting serves the window and the printed plan.
#include <QFont>
#include <QRectF>
#include <QSizeF>
#include <QWidget>

#include "app/shared/plan_view.h"
#include "qt_text.h"

class QPainter;

namespace voltrigg::viewer {

struct PictureGeometry {
  bool serials = true;  // boxes show the serial number under the module number
  double box_w = 0, box_h = 0, gap = 0;
  double label_w = 0, sums_col_w = 0;
  double header_h = 0, legend_h = 0;
  double font_px = 0, small_px = 0;
  double tmin_c = -10;  // shown in the cold-voltage heading

  QSizeF Size(const PlanView& plan) const;
  QRectF CellRect(const PlanView& plan, int cell) const;
};

// Screen: module number and serial in each box. Print: the number alone, so
// that 20 x 50 modules fit a page.
PictureGeometry ScreenGeometry(double tmin_c);
PictureGeometry PrintGeometry(double tmin_c);

// Paints at the geometry's own scale from (0, 0); `highlight` is a cell
// index to outline (-1: none).
void PaintArrayPicture(QPainter& p, const PlanView& plan, const PictureGeometry& g, const QFont& font, int highlight);

// The cell under a point of the picture, or -1.
int CellAt(const PlanView& plan, const PictureGeometry& g, QPointF at);

// Text of the tooltip of one module.
QString CellToolTip(const PlanView& plan, int cell);

class ArrayPictureWidget : public QWidget {
  Q_OBJECT
 public:
  explicit ArrayPictureWidget(QWidget* parent = nullptr);
  void SetPlan(const PlanView* plan, double tmin_c);
  void SetHighlight(int cell);
  int highlight() const { return highlight_; }
  QSize sizeHint() const override;
  // Scales the picture down to the width of the area that shows it; off, it
  // keeps its natural size and the string labels and the row-end figures
  // stay at the edges of what is shown while the modules scroll.
  void SetFitToWidth(bool fit);
  double scale() const { return scale_; }

 signals:
  void CellClicked(int cell);

 protected:
  void paintEvent(QPaintEvent* event) override;
  bool event(QEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void Relayout();
  // The cell under a point of the widget, -1 for none or for the fixed edges.
  int CellUnder(QPointF at) const;
  QRectF LabelStrip() const;
  QRectF SumsStrip() const;

  const PlanView* plan_ = nullptr;
  bool fit_ = false;
  double scale_ = 1;
  PictureGeometry geometry_;
  int highlight_ = -1;
};

}  // namespace voltrigg::viewer
