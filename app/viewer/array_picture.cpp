#include "array_picture.h"

#include <QEvent>
#include <QHelpEvent>
#include <QLinearGradient>
#include <QMouseEvent>
#include <QPainter>
#include <QToolTip>
#include <algorithm>
#include <cmath>
#include <utility>

namespace voltrigg::viewer {

namespace {

const QColor kLimitRed(200, 0, 0);

QFont Sized(const QFont& font, double px, bool bold = false) {
  QFont f(font);
  f.setPixelSize(std::max(1, static_cast<int>(std::lround(px))));
  f.setBold(bold);
  return f;
}

QString ColourName(ColourBy by) { return by == ColourBy::Ipm ? QStringLiteral("Ipm") : QStringLiteral("Vpm"); }

}  // namespace

QSizeF PictureGeometry::Size(const PlanView& plan) const {
  return {label_w + plan.series * (box_w + gap) + 3 * sums_col_w, legend_h + header_h + plan.parallel * (box_h + gap)};
}

QRectF PictureGeometry::CellRect(const PlanView& plan, int cell) const {
  const ModuleCell& c = plan.cells[static_cast<std::size_t>(cell)];
  return {label_w + (c.position - 1) * (box_w + gap), legend_h + header_h + (c.string_no - 1) * (box_h + gap), box_w,
          box_h};
}

PictureGeometry ScreenGeometry(double tmin_c) {
  PictureGeometry g;
  g.serials = true;
  g.box_w = 98;
  g.box_h = 40;
  g.gap = 4;
  g.label_w = 78;
  g.sums_col_w = 92;
  g.header_h = 22;
  g.legend_h = 34;
  g.font_px = 12;
  g.small_px = 11;
  g.tmin_c = tmin_c;
  return g;
}

PictureGeometry PrintGeometry(double tmin_c) {
  PictureGeometry g;
  g.serials = false;
  g.box_w = 40;
  g.box_h = 20;
  g.gap = 3;
  g.label_w = 48;
  g.sums_col_w = 76;
  g.header_h = 28;
  g.legend_h = 30;
  g.font_px = 10;
  g.small_px = 9;
  g.tmin_c = tmin_c;
  return g;
}

void PaintArrayPicture(QPainter& p, const PlanView& plan, const PictureGeometry& g, const QFont& font, int highlight) {
  if (plan.cells.empty()) return;
  p.save();
  p.setRenderHint(QPainter::Antialiasing, true);
  const QFont normal = Sized(font, g.font_px);
  const QFont small = Sized(font, g.small_px);
  const QFont bold = Sized(font, g.font_px, true);
  const double sums_x = g.label_w + plan.series * (g.box_w + g.gap);

  // Legend: the colour scale.
  p.setFont(small);
  const double bar_w = std::min(240.0, std::max(120.0, plan.series * (g.box_w + g.gap) * 0.5));
  p.setPen(Qt::black);
  p.drawText(QRectF(0, 0, sums_x, g.legend_h * 0.5), Qt::AlignLeft | Qt::AlignVCenter,
             QStringLiteral("色: %1 のストリング平均からの偏差 [%]").arg(ColourName(plan.colour_by)));
  const QRectF bar(g.label_w, g.legend_h * 0.55, bar_w, g.legend_h * 0.3);
  QLinearGradient gradient(bar.topLeft(), bar.topRight());
  for (int i = 0; i <= 10; ++i) gradient.setColorAt(i / 10.0, ToQColor(DeviationColour(-1.0 + i / 5.0)));
  p.fillRect(bar, gradient);
  p.setPen(QPen(Qt::gray, 0));
  p.drawRect(bar);
  p.setPen(Qt::black);
  const QString range = Fixed(plan.colour_range_pct, 2);
  p.drawText(QRectF(0, bar.top() - 4, g.label_w - 4, bar.height() + 8), Qt::AlignRight | Qt::AlignVCenter,
             QStringLiteral("−%1").arg(range));
  p.drawText(QRectF(bar.right() + 4, bar.top() - 4, 120, bar.height() + 8), Qt::AlignLeft | Qt::AlignVCenter,
             QStringLiteral("+%1").arg(range));

  // Headings: positions, and the three sums at the rows' ends.
  const double head_y = g.legend_h;
  p.setFont(small);
  p.drawText(QRectF(0, head_y, g.label_w - 4, g.header_h), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("位置"));
  for (int k = 1; k <= plan.series; ++k) {
    p.drawText(QRectF(g.label_w + (k - 1) * (g.box_w + g.gap), head_y, g.box_w, g.header_h), Qt::AlignCenter,
               QString::number(k));
  }
  const bool physical = !plan.strings.empty() && plan.strings.front().physics.has_value();
  const QString current_head = physical ? QStringLiteral("電流 [A]") : QStringLiteral("電流 (計画) [A]");
  const QString cold_head = QStringLiteral("Voc %1 °C [V]").arg(Fixed(g.tmin_c, 0));
  const QString heads[3] = {QStringLiteral("ΣVpm [V]"), current_head, cold_head};
  for (int i = 0; i < 3; ++i) {
    p.drawText(QRectF(sums_x + i * g.sums_col_w, head_y, g.sums_col_w - 4, g.header_h),
               Qt::AlignRight | Qt::AlignVCenter | Qt::TextWordWrap, heads[i]);
  }

  // Rows.
  for (const StringSummary& s : plan.strings) {
    const double y = g.legend_h + g.header_h + (s.string_no - 1) * (g.box_h + g.gap);
    const QRectF row(0, y, sums_x + 3 * g.sums_col_w, g.box_h);
    if (s.over_limit) {
      p.fillRect(row.adjusted(-1, -1, 1, 1), QColor(255, 228, 228));
    }
    p.setFont(s.over_limit ? bold : normal);
    p.setPen(s.over_limit ? kLimitRed : Qt::black);
    p.drawText(QRectF(0, y, g.label_w - 6, g.box_h), Qt::AlignLeft | Qt::AlignVCenter,
               g.serials ? QStringLiteral("ストリング %1").arg(s.string_no) : QStringLiteral("S%1").arg(s.string_no));
    p.setPen(Qt::black);
    p.setFont(normal);
    p.drawText(QRectF(sums_x, y, g.sums_col_w - 4, g.box_h), Qt::AlignRight | Qt::AlignVCenter, Fixed(s.vpm_sum_v, 1));
    p.drawText(QRectF(sums_x + g.sums_col_w, y, g.sums_col_w - 4, g.box_h), Qt::AlignRight | Qt::AlignVCenter,
               Fixed(PlanView::Current(s), 3));
    if (s.physics) {
      p.setPen(s.over_limit ? kLimitRed : Qt::black);
      p.setFont(s.over_limit ? bold : normal);
      p.drawText(QRectF(sums_x + 2 * g.sums_col_w, y, g.sums_col_w - 4, g.box_h), Qt::AlignRight | Qt::AlignVCenter,
                 Fixed(s.physics->voc_cold_v, 1));
    } else {
      p.setPen(Qt::gray);
      p.drawText(QRectF(sums_x + 2 * g.sums_col_w, y, g.sums_col_w - 4, g.box_h), Qt::AlignRight | Qt::AlignVCenter,
                 QStringLiteral("—"));
    }
    if (s.over_limit) {
      p.setPen(QPen(kLimitRed, 2));
      p.setBrush(Qt::NoBrush);
      p.drawRect(row.adjusted(-1, -1, 1, 1));
    }
  }

  // Modules.
  for (int i = 0; i < static_cast<int>(plan.cells.size()); ++i) {
    const ModuleCell& c = plan.cells[static_cast<std::size_t>(i)];
    const QRectF r = g.CellRect(plan, i);
    p.setPen(QPen(QColor(90, 90, 90), 0.8));
    p.setBrush(ToQColor(c.colour));
    p.drawRect(r);
    p.setPen(Qt::black);
    const QString number = QString::number(static_cast<double>(c.moduleNo), 'g', 9);
    if (g.serials) {
      p.setFont(bold);
      p.drawText(r.adjusted(3, 1, -3, -r.height() / 2), Qt::AlignCenter, number);
      p.setFont(small);
      const QString serial = QFontMetricsF(small).elidedText(Q(c.serial), Qt::ElideMiddle, r.width() - 6);
      p.drawText(r.adjusted(3, r.height() / 2, -3, -1), Qt::AlignCenter, serial);
    } else {
      p.setFont(normal);
      p.drawText(r, Qt::AlignCenter, number);
    }
  }
  // A string that failed its commissioning check (or was not measured):
  // its modules outlined in red, to be looked at on the roof.
  for (const StringSummary& s : plan.strings) {
    if (!s.commissioning_failed) continue;
    const double y = g.legend_h + g.header_h + (s.string_no - 1) * (g.box_h + g.gap);
    p.setPen(QPen(kLimitRed, 2.5));
    p.setBrush(Qt::NoBrush);
    p.drawRect(QRectF(g.label_w - g.gap, y - g.gap * 0.5 - 0.5, sums_x - g.label_w + g.gap, g.box_h + g.gap + 1));
  }
  if (highlight >= 0 && highlight < static_cast<int>(plan.cells.size())) {
    p.setPen(QPen(QColor(0, 0, 0), 3));
    p.setBrush(Qt::NoBrush);
    p.drawRect(g.CellRect(plan, highlight).adjusted(-2, -2, 2, 2));
  }
  p.restore();
}

int CellAt(const PlanView& plan, const PictureGeometry& g, QPointF at) {
  if (plan.series <= 0) return -1;
  const double x = at.x() - g.label_w;
  const double y = at.y() - g.legend_h - g.header_h;
  if (x < 0 || y < 0) return -1;
  const int k = static_cast<int>(x / (g.box_w + g.gap));
  const int j = static_cast<int>(y / (g.box_h + g.gap));
  if (k >= plan.series || j >= plan.parallel) return -1;
  if (x - k * (g.box_w + g.gap) > g.box_w || y - j * (g.box_h + g.gap) > g.box_h) return -1;  // in a gap
  return j * plan.series + k;
}

QString CellToolTip(const PlanView& plan, int cell) {
  const ModuleCell& c = plan.cells[static_cast<std::size_t>(cell)];
  const StringSummary& s = plan.strings[static_cast<std::size_t>(c.string_no - 1)];
  return QStringLiteral(
             "<b>モジュール番号 %1</b><br>シリアル番号: %2<br>ストリング %3、位置 %4<br>"
             "Vpm: %5 V (ストリング平均 %6 V)<br>Ipm: %7 A (ストリング平均 %8 A)<br>%9 の偏差: %10 %")
      .arg(QString::number(static_cast<double>(c.moduleNo), 'g', 9), Q(c.serial).toHtmlEscaped())
      .arg(c.string_no)
      .arg(c.position)
      .arg(Fixed(c.vpm_v, 2), Fixed(s.mean_vpm_v, 2), Fixed(c.ipm_a, 3), Fixed(s.mean_ipm_a, 3),
           ColourName(plan.colour_by))
      .arg((c.deviation_pct >= 0 ? QStringLiteral("+") : QString()) + Fixed(c.deviation_pct, 2));
}

ArrayPictureWidget::ArrayPictureWidget(QWidget* parent) : QWidget(parent), geometry_(ScreenGeometry(-10)) {
  setMouseTracking(false);
  setBackgroundRole(QPalette::Base);
  setAutoFillBackground(true);
}

namespace {
constexpr double kMargin = 8;  // around the picture in the widget [px]
}  // namespace

void ArrayPictureWidget::SetPlan(const PlanView* plan, double tmin_c) {
  plan_ = plan;
  geometry_ = ScreenGeometry(tmin_c);
  highlight_ = -1;
  Relayout();
}

void ArrayPictureWidget::SetHighlight(int cell) {
  highlight_ = cell;
  update();
}

void ArrayPictureWidget::SetFitToWidth(bool fit) {
  fit_ = fit;
  if (parentWidget() != nullptr) parentWidget()->installEventFilter(this);
  Relayout();
}

void ArrayPictureWidget::Relayout() {
  scale_ = 1;
  if (fit_ && plan_ != nullptr && !plan_->cells.empty() && parentWidget() != nullptr) {
    const double natural_w = geometry_.Size(*plan_).width();
    scale_ = std::clamp((parentWidget()->width() - 2 * kMargin - 2) / natural_w, 0.2, 1.0);
  }
  updateGeometry();
  resize(sizeHint());
  update();
}

bool ArrayPictureWidget::eventFilter(QObject* watched, QEvent* event) {
  if (watched == parentWidget() && event->type() == QEvent::Resize && fit_) Relayout();
  return QWidget::eventFilter(watched, event);
}

QSize ArrayPictureWidget::sizeHint() const {
  if (plan_ == nullptr || plan_->cells.empty()) return {400, 200};
  const QSizeF s = geometry_.Size(*plan_) * scale_;
  return {static_cast<int>(std::ceil(s.width() + 2 * kMargin)), static_cast<int>(std::ceil(s.height() + 2 * kMargin))};
}

// Where the labels are drawn when they have scrolled off to the left (empty
// when they are in view or the picture fits).
QRectF ArrayPictureWidget::LabelStrip() const {
  const QRect visible = visibleRegion().boundingRect();
  if (plan_ == nullptr || scale_ < 1 || visible.isEmpty() || visible.left() <= 0) return {};
  return {static_cast<double>(visible.left()), 0, kMargin + geometry_.label_w, static_cast<double>(height())};
}

QRectF ArrayPictureWidget::SumsStrip() const {
  const QRect visible = visibleRegion().boundingRect();
  if (plan_ == nullptr || scale_ < 1 || visible.isEmpty()) return {};
  const double width_px = 3 * geometry_.sums_col_w + kMargin;
  const double left = visible.right() + 1 - width_px;
  if (left >= kMargin + geometry_.Size(*plan_).width() - 3 * geometry_.sums_col_w) return {};
  return {left, 0, width_px, static_cast<double>(height())};
}

int ArrayPictureWidget::CellUnder(QPointF at) const {
  if (plan_ == nullptr || LabelStrip().contains(at) || SumsStrip().contains(at)) return -1;
  return CellAt(*plan_, geometry_, (at - QPointF(kMargin, kMargin)) / scale_);
}

void ArrayPictureWidget::paintEvent(QPaintEvent* /*event*/) {
  QPainter p(this);
  if (plan_ == nullptr || plan_->cells.empty()) {
    p.drawText(rect(), Qt::AlignCenter, QStringLiteral("モジュールがありません"));
    return;
  }
  p.save();
  p.translate(kMargin, kMargin);
  p.scale(scale_, scale_);
  PaintArrayPicture(p, *plan_, geometry_, font(), highlight_);
  p.restore();
  // The labels and the row-end figures painted again at the edges of what is
  // shown, over the modules that scroll beneath.
  const double sums_x = kMargin + geometry_.Size(*plan_).width() - 3 * geometry_.sums_col_w;
  const std::pair<QRectF, double> strips[] = {{LabelStrip(), 0.0}, {SumsStrip(), sums_x}};
  for (const auto& [strip, from_x] : strips) {
    if (strip.isEmpty()) continue;
    p.save();
    p.setClipRect(strip);
    p.fillRect(strip, palette().base());
    p.translate(strip.left() - from_x + kMargin, kMargin);
    PaintArrayPicture(p, *plan_, geometry_, font(), highlight_);
    p.restore();
    p.setPen(QPen(QColor(170, 170, 170), 1));
    const double edge = from_x == 0.0 ? strip.right() : strip.left();
    p.drawLine(QPointF(edge, 0), QPointF(edge, height()));
  }
}

bool ArrayPictureWidget::event(QEvent* event) {
  if (event->type() == QEvent::ToolTip && plan_ != nullptr) {
    auto* help = static_cast<QHelpEvent*>(event);
    const int cell = CellUnder(QPointF(help->pos()));
    if (cell >= 0) {
      QToolTip::showText(help->globalPos(), CellToolTip(*plan_, cell), this);
    } else {
      QToolTip::hideText();
      event->ignore();
    }
    return true;
  }
  return QWidget::event(event);
}

void ArrayPictureWidget::mousePressEvent(QMouseEvent* event) {
  if (plan_ == nullptr) return;
  const int cell = CellUnder(event->position());
  if (cell >= 0) {
    SetHighlight(cell);
    emit CellClicked(cell);
  }
}

}  // namespace voltrigg::viewer
