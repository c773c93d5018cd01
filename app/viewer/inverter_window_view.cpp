#include "inverter_window_view.h"

#include <QAreaSeries>
#include <QBrush>
#include <QChart>
#include <QFontMetricsF>
#include <QHeaderView>
#include <QLegend>
#include <QLegendMarker>
#include <QLineSeries>
#include <QPainter>
#include <QPen>
#include <QScatterSeries>
#include <QStringList>
#include <QTableWidget>
#include <QValueAxis>
#include <algorithm>
#include <cmath>
#include <iterator>

#include "app/shared/inverter_window_texts.h"
#include "app/shared/inverter_window_view.h"
#include "qt_text.h"

namespace voltrigg::viewer {

namespace {

const QColor kRed(200, 0, 0);
const QColor kGrey(110, 110, 110);

QColor VerdictColour(Verdict v) { return ToQColor(InverterVerdictColour(v)); }

QString Degrees(double c) { return QStringLiteral("%1 °C").arg(c, 0, 'g', 4); }

}  // namespace

void FillInverterWindowTable(QTableWidget* table, const InverterWindow& window) {
  const std::vector<InverterWindowRowText> rows = InverterWindowTableJa(window);
  table->clear();
  table->setColumnCount(static_cast<int>(kInverterWindowColumns));
  table->setRowCount(static_cast<int>(rows.size()));
  QStringList heads;
  for (const std::string& head : InverterWindowColumnsJa()) heads << Q(head);
  table->setHorizontalHeaderLabels(heads);
  for (std::size_t r = 0; r < rows.size(); ++r) {
    const InverterWindowRowText& row = rows[r];
    for (int c = 0; c < static_cast<int>(kInverterWindowColumns); ++c) {
      auto* item = new QTableWidgetItem(Q(row.cells[static_cast<std::size_t>(c)]));
      item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
      if (c >= 2 && c <= 4) item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
      if (row.verdict == Verdict::Fails) item->setForeground(kRed);
      if (c == 5) {
        item->setForeground(VerdictColour(row.verdict));
        QFont bold = item->font();
        bold.setBold(row.verdict == Verdict::Fails);
        item->setFont(bold);
      }
      item->setToolTip(Q(row.check));
      table->setItem(static_cast<int>(r), c, item);
    }
  }
  table->verticalHeader()->hide();
  table->resizeColumnsToContents();
  table->horizontalHeader()->setStretchLastSection(true);
}

QChart* InverterWindowChart(const InverterWindow& w, const std::vector<TemperatureCurve>& curves) {
  auto* chart = new QChart;
  chart->setTitle(QStringLiteral("アレイの P-V 曲線とパワコンの MPPT 範囲 (1000 W/m²)"));
  double v_high = 0;
  double p_high = 0;
  for (const TemperatureCurve& c : curves) {
    for (const CurvePoint& p : c.points) {
      v_high = std::max(v_high, p.voltage_v);
      p_high = std::max(p_high, p.power_w);
    }
  }
  if (w.max_voltage.limit && std::isfinite(*w.max_voltage.limit)) v_high = std::max(v_high, *w.max_voltage.limit);
  if (w.inverter.mppt_max_v) v_high = std::max(v_high, *w.inverter.mppt_max_v);
  v_high = std::max(1.0, v_high * 1.03);
  const double p_top = std::max(1.0, p_high * 1.05);

  QValueAxis* x = new QValueAxis;
  x->setTitleText(QStringLiteral("電圧 [V]"));
  x->setRange(0, v_high);
  x->setLabelFormat(QStringLiteral("%.0f"));
  QValueAxis* y = new QValueAxis;
  y->setTitleText(QStringLiteral("電力 [W]"));
  y->setRange(0, p_top);
  y->setLabelFormat(QStringLiteral("%.0f"));
  x->applyNiceNumbers();
  y->applyNiceNumbers();
  const double y_top = y->max();  // the shading and the limit line reach the top of the axis
  chart->addAxis(x, Qt::AlignBottom);
  chart->addAxis(y, Qt::AlignLeft);
  const auto add = [&](QAbstractSeries* s) {
    chart->addSeries(s);
    s->attachAxis(x);
    s->attachAxis(y);
  };

  // The MPPT window, shaded from its lower to its upper end (a missing end: the axis's).
  if (w.inverter.mppt_min_v || w.inverter.mppt_max_v) {
    const double lo = w.inverter.mppt_min_v.value_or(0);
    const double hi = w.inverter.mppt_max_v.value_or(v_high);
    auto* upper = new QLineSeries;
    upper->append(lo, y_top);
    upper->append(hi, y_top);
    auto* lower = new QLineSeries;
    lower->append(lo, 0);
    lower->append(hi, 0);
    auto* area = new QAreaSeries(upper, lower);
    // The area series draws its two lines but does not own them.
    upper->setParent(area);
    lower->setParent(area);
    area->setName(QStringLiteral("MPPT 範囲 %1–%2 V").arg(lo, 0, 'g', 6).arg(hi, 0, 'g', 6));
    area->setBrush(QColor(60, 160, 90, 45));
    area->setPen(QPen(QColor(60, 160, 90, 120), 1));
    add(area);
  }
  static const QColor kCurveColours[] = {QColor(30, 90, 200), QColor(60, 60, 60), QColor(210, 80, 20)};
  const int mpp_of[] = {0, -1, 1};  // which window point each curve has: cold, none (25 °C), hot
  for (std::size_t k = 0; k < curves.size() && k < 3; ++k) {
    const TemperatureCurve& c = curves[k];
    auto* pv = new QLineSeries;
    const PowerPoint* point = mpp_of[k] == 0 ? &w.cold : mpp_of[k] == 1 ? &w.hot : nullptr;
    const bool marked = point != nullptr && std::isfinite(point->vmp_v) && std::isfinite(point->pmp_w);
    QString name = Degrees(c.temperature_c);
    if (c.points.empty()) name += QStringLiteral(" (計算できません)");
    if (marked) name += QStringLiteral(" — 最大電力点 %1 V").arg(point->vmp_v, 0, 'f', 1);
    pv->setName(name);
    pv->setPen(QPen(kCurveColours[k], 2));
    for (const CurvePoint& p : c.points) pv->append(p.voltage_v, p.power_w);
    add(pv);
    if (marked) {
      auto* mpp = new QScatterSeries;
      mpp->setColor(kCurveColours[k]);
      mpp->setMarkerSize(10);
      mpp->append(point->vmp_v, point->pmp_w);
      add(mpp);
      for (QLegendMarker* m : chart->legend()->markers(mpp)) m->setVisible(false);  // named with its curve
    }
  }
  // The voltage limit of the cold morning, with the highest string Voc then.
  if (w.max_voltage.limit && std::isfinite(*w.max_voltage.limit)) {
    auto* limit = new QLineSeries;
    limit->setName(QStringLiteral("最大直流電圧 %1 V").arg(*w.max_voltage.limit, 0, 'g', 6));
    QPen dashed(kRed, 2);
    dashed.setStyle(Qt::DashLine);
    limit->setPen(dashed);
    limit->append(*w.max_voltage.limit, 0);
    limit->append(*w.max_voltage.limit, y_top);
    add(limit);
  }
  if (std::isfinite(w.max_voltage.value)) {
    auto* voc = new QScatterSeries;
    voc->setName(
        QStringLiteral("%1 の開放電圧 %2 V").arg(Degrees(w.conditions.tmin_c)).arg(w.max_voltage.value, 0, 'f', 1));
    voc->setMarkerShape(QScatterSeries::MarkerShapeRectangle);
    voc->setColor(w.max_voltage.ok && *w.max_voltage.ok ? kGrey : kRed);
    voc->setMarkerSize(9);
    voc->append(w.max_voltage.value, 0);
    add(voc);
  }
  return chart;
}

double PaintInverterWindow(QPainter& p, double top, double width, double dpi, const QFont& font,
                           const InverterWindow& window) {
  const auto mm = [dpi](double v) { return v * dpi / 25.4; };
  const auto sized = [&](double pt, bool bold) {
    QFont f(font);
    f.setPixelSize(std::max(1, static_cast<int>(std::lround(pt * dpi / 72.0))));
    f.setBold(bold);
    return f;
  };
  double y = top;
  p.save();
  p.setFont(sized(10, true));
  p.setPen(window.ok ? ToQColor(InverterVerdictColour(Verdict::Ok)) : kRed);
  const QString heading = Q(InverterWindowHeadingJa(window));
  const QRectF bound = p.boundingRect(QRectF(0, y, width, mm(30)), Qt::AlignLeft | Qt::TextWordWrap, heading);
  p.drawText(QRectF(0, y, width, bound.height()), Qt::AlignLeft | Qt::TextWordWrap, heading);
  y += bound.height() + mm(1);

  const double row_h = mm(5.5);
  const double edges[] = {0, 0.12, 0.42, 0.53, 0.62, 0.83, 1.0};
  const auto cell = [&](int c, double at, const QString& text, bool bold, const QColor& colour) {
    const QRectF r(width * edges[c] + mm(1), at, width * (edges[c + 1] - edges[c]) - mm(2), row_h);
    p.setFont(sized(8.5, bold));
    p.setPen(colour);
    const QString shown = QFontMetricsF(p.font()).elidedText(text, Qt::ElideRight, r.width());
    const Qt::Alignment align = (c >= 2 && c <= 4 ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignVCenter;
    p.drawText(r, static_cast<int>(align.toInt()), shown);
  };
  p.fillRect(QRectF(0, y, width, row_h), QColor(230, 230, 230));
  for (int c = 0; c < 6; ++c) cell(c, y, Q(InverterWindowColumnsJa()[static_cast<std::size_t>(c)]), true, Qt::black);
  y += row_h;
  for (const InverterWindowRowText& row : InverterWindowTableJa(window)) {
    const QColor colour = row.verdict == Verdict::Fails ? kRed : QColor(Qt::black);
    for (int c = 0; c < 6; ++c) {
      cell(c, y, Q(row.cells[static_cast<std::size_t>(c)]), c == 5 && row.verdict == Verdict::Fails,
           c == 5 ? VerdictColour(row.verdict) : colour);
    }
    p.setPen(QPen(QColor(200, 200, 200), mm(0.15)));
    p.drawLine(QPointF(0, y + row_h), QPointF(width, y + row_h));
    y += row_h;
  }
  p.restore();
  return y - top;
}

}  // namespace voltrigg::viewer
