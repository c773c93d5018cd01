#include "wiring_plan.h"

#include <QPagedPaintDevice>
#include <QPainter>
#include <algorithm>
#include <cmath>
#include <filesystem>

#include "array_picture.h"
#include "inverter_window_view.h"

namespace voltrigg::viewer {

namespace {

// One line of the table pages: a string's heading or one of its modules.
struct Item {
  bool heading = false;
  int string_index = 0;
  int cell = 0;
  bool continued = false;  // a heading repeated on the next page
};

QString PlanTitle(const PlanPrint& plan) {
  return QStringLiteral("配線計画: %1 (%2)").arg(plan.result_name, plan.wiring_name);
}

// Column edges of the wiring table, as fractions of the width.
struct Columns {
  double tick, position, number, serial, vpm, ipm, end;
};

Columns TableColumns(const PagePainter& pp) {
  const double w = pp.width();
  Columns c{};
  c.tick = 0;
  c.position = pp.Mm(12);
  c.number = c.position + pp.Mm(14);
  c.serial = c.number + pp.Mm(28);
  c.ipm = w - pp.Mm(26);
  c.vpm = c.ipm - pp.Mm(26);
  c.end = w;
  return c;
}

double FirstPage(PagePainter& pp, const PlanPrint& plan) {
  const double w = pp.width();
  double y = PaintPlanHeader(pp, 0, PlanHeaderOf(plan, PlanTitle(plan)));
  y += pp.Mm(3);

  // Figures.
  const double row_h = pp.Mm(5.5);
  const double edges[] = {0, 0.08, 0.40, 0.55, 0.70, 0.85, 1.0};
  const QString heads[] = {QStringLiteral("区分"),          QStringLiteral("数値"),
                           QStringLiteral("Pmax・Pmp [W]"), QStringLiteral("Vpm・Vmp [V]"),
                           QStringLiteral("Ipm・Imp [A]"),  QStringLiteral("ミスマッチ損失 [%]")};
  QPainter& p = pp.p();
  p.fillRect(QRectF(0, y, w, row_h), QColor(230, 230, 230));
  for (int c = 0; c < 6; ++c) {
    pp.Cell(QRectF(w * edges[c], y, w * (edges[c + 1] - edges[c]), row_h), heads[c], 8.5,
            c < 2 ? Qt::AlignLeft : Qt::AlignRight, true);
  }
  y += row_h;
  for (const FigureRow& r : plan.figures) {
    const QString cells[] = {Q(r.group), Q(r.name), Q(r.power_w), Q(r.voltage_v), Q(r.current_a), Q(r.loss_pct)};
    for (int c = 0; c < 6; ++c) {
      pp.Cell(QRectF(w * edges[c], y, w * (edges[c + 1] - edges[c]), row_h), cells[c], 9,
              c < 2 ? Qt::AlignLeft : Qt::AlignRight);
    }
    p.setPen(QPen(QColor(200, 200, 200), pp.Mm(0.15)));
    p.drawLine(QPointF(0, y + row_h), QPointF(w, y + row_h));
    y += row_h;
  }
  y += pp.Mm(3);
  y += pp.Text(0, y, w, plan.verdict, 10, true, plan.verdict_bad ? kPrintRed : kPrintGreen);
  y += pp.Mm(3);
  if (plan.inverter_window) {
    y += PaintInverterWindow(pp.p(), y, w, pp.p().device()->logicalDpiY(), pp.font(), *plan.inverter_window);
    y += pp.Mm(1);
  }
  y += pp.Mm(1);
  return y;
}

void PaintPicture(PagePainter& pp, const PlanPrint& plan, const QFont& font, double top) {
  if (plan.plan == nullptr || plan.plan->cells.empty()) {
    pp.Text(0, top, pp.width(), QStringLiteral("モジュールがありません"), 10);
    return;
  }
  const PictureGeometry g = PrintGeometry(plan.tmin_c);
  const QSizeF natural = g.Size(*plan.plan);
  const double avail_h = pp.body_bottom() - top - pp.Mm(2);
  // Fit the page, but no text larger than 9 pt.
  const double max_scale = 9.0 / 72.0 * pp.p().device()->logicalDpiY() / g.font_px;
  const double scale = std::min({pp.width() / natural.width(), avail_h / natural.height(), max_scale});
  QPainter& p = pp.p();
  p.save();
  p.translate(0, top);
  p.scale(scale, scale);
  PaintArrayPicture(p, *plan.plan, g, font, -1);
  p.restore();
}

std::vector<std::vector<Item>> TablePages(const PagePainter& pp, const PlanView& plan, double page_head_h,
                                          double head_h, double row_h, double column_head_h) {
  std::vector<std::vector<Item>> pages;
  const double avail = pp.body_bottom() - page_head_h - column_head_h;
  double left = 0;
  auto new_page = [&] {
    pages.emplace_back();
    left = avail;
  };
  for (int j = 0; j < plan.parallel; ++j) {
    const double block = head_h + plan.series * row_h;
    if (pages.empty() || (block > left && (block <= avail || left < head_h + row_h))) new_page();
    pages.back().push_back({true, j, 0, false});
    left -= head_h;
    for (int k = 0; k < plan.series; ++k) {
      if (row_h > left) {  // a string longer than a page goes on with its heading repeated
        new_page();
        pages.back().push_back({true, j, 0, true});
        left -= head_h;
      }
      pages.back().push_back({false, j, j * plan.series + k, false});
      left -= row_h;
    }
  }
  return pages;
}

void TablePage(PagePainter& pp, const PlanPrint& plan, const std::vector<Item>& items, double page_head_h,
               double head_h, double row_h, double column_head_h) {
  if (plan.plan == nullptr) return;
  QPainter& p = pp.p();
  const Columns c = TableColumns(pp);
  const double w = pp.width();
  double y = 0;
  const PlanView& view = *plan.plan;
  const double pt = 9;
  pp.Cell(QRectF(0, y, w, page_head_h), PlanTitle(plan), 10, Qt::AlignLeft, true);
  y += page_head_h;
  p.fillRect(QRectF(0, y, w, column_head_h), QColor(230, 230, 230));
  pp.Cell(QRectF(c.tick, y, c.position - c.tick, column_head_h), QStringLiteral("済"), 8.5, Qt::AlignHCenter, true);
  pp.Cell(QRectF(c.position, y, c.number - c.position, column_head_h), QStringLiteral("位置"), 8.5, Qt::AlignRight,
          true);
  pp.Cell(QRectF(c.number, y, c.serial - c.number, column_head_h), QStringLiteral("モジュール番号"), 8.5,
          Qt::AlignRight, true);
  pp.Cell(QRectF(c.serial, y, c.vpm - c.serial, column_head_h), QStringLiteral("シリアル番号"), 8.5, Qt::AlignLeft,
          true);
  pp.Cell(QRectF(c.vpm, y, c.ipm - c.vpm, column_head_h), QStringLiteral("Vpm [V]"), 8.5, Qt::AlignRight, true);
  pp.Cell(QRectF(c.ipm, y, c.end - c.ipm, column_head_h), QStringLiteral("Ipm [A]"), 8.5, Qt::AlignRight, true);
  y += column_head_h;
  for (const Item& it : items) {
    if (it.heading) {
      const StringSummary& s = view.strings[static_cast<std::size_t>(it.string_index)];
      const QRectF band(0, y + pp.Mm(1), w, head_h - pp.Mm(1));
      p.fillRect(band, s.over_limit ? QColor(255, 225, 225) : QColor(242, 242, 242));
      QString text = QStringLiteral("ストリング %1").arg(s.string_no);
      if (it.continued) text += QStringLiteral(" (続き)");
      text += QStringLiteral("    %1 モジュール、ΣVpm %2 V、電流 %3 A")
                  .arg(view.series)
                  .arg(Fixed(s.vpm_sum_v, 1), Fixed(PlanView::Current(s), 3));
      if (s.physics)
        text += QStringLiteral("、Voc %1 °C %2 V").arg(Fixed(plan.tmin_c, 0), Fixed(s.physics->voc_cold_v, 1));
      if (s.over_limit) text += QStringLiteral("  上限超過");
      pp.Cell(band, text, 9.5, Qt::AlignLeft, true, s.over_limit ? kPrintRed : Qt::black);
      y += head_h;
      continue;
    }
    const ModuleCell& m = view.cells[static_cast<std::size_t>(it.cell)];
    const double box = pp.Mm(3.4);
    p.setPen(QPen(Qt::black, pp.Mm(0.25)));
    p.setBrush(Qt::NoBrush);
    p.drawRect(QRectF((c.position - box) / 2, y + (row_h - box) / 2, box, box));
    pp.Cell(QRectF(c.position, y, c.number - c.position, row_h), QString::number(m.position), pt, Qt::AlignRight);
    pp.Cell(QRectF(c.number, y, c.serial - c.number, row_h), QString::number(static_cast<double>(m.moduleNo), 'g', 9),
            pt, Qt::AlignRight, true);
    pp.Cell(QRectF(c.serial, y, c.vpm - c.serial, row_h), Q(m.serial), pt, Qt::AlignLeft);
    pp.Cell(QRectF(c.vpm, y, c.ipm - c.vpm, row_h), Fixed(m.vpm_v, 2), pt, Qt::AlignRight);
    pp.Cell(QRectF(c.ipm, y, c.end - c.ipm, row_h), Fixed(m.ipm_a, 3), pt, Qt::AlignRight);
    p.setPen(QPen(QColor(210, 210, 210), pp.Mm(0.15)));
    p.drawLine(QPointF(c.position, y + row_h), QPointF(w, y + row_h));
    y += row_h;
  }
}

}  // namespace

PlanHeader DocumentPlanHeader(const Document& doc, ShownWiring wiring, const QString& title) {
  std::vector<QString> problems = doc.list_problems;
  if (!doc.assessment_note.isEmpty() && doc.list_state == ListState::Matches) problems.push_back(doc.assessment_note);
  problems.insert(problems.end(), doc.list_warnings.begin(), doc.list_warnings.end());
  return {title, QStringLiteral("構成: %1    配線: %2").arg(ShapeText(doc), WiringName(wiring)), doc.list_note,
          problems};
}

PlanPrint MakePlanPrint(const Document& doc, const PlanView& plan, ShownWiring wiring) {
  PlanPrint out;
  out.result_name = DecodeBytes(std::filesystem::path(doc.result_path).filename().string());
  out.list_note = doc.list_note;
  out.list_problems = DocumentPlanHeader(doc, wiring, QString()).list_problems;
  out.shape = ShapeText(doc);
  out.wiring_name = WiringName(wiring);
  out.figures = FigureRowsJa(doc);
  out.verdict = VoltageVerdict(doc, plan, &out.verdict_bad);
  out.plan = &plan;
  out.tmin_c = doc.options.conditions.tmin_c;
  if (doc.assessment) out.inverter_window = doc.assessment->core.inverter_window;
  return out;
}

int PaintWiringPlan(QPagedPaintDevice& device, const PlanPrint& plan, const QFont& font) {
  QPainter p;
  if (!p.begin(&device)) return 0;
  PagePainter pp(p, font);
  const double head_h = pp.Mm(7.5);
  const double row_h = pp.Mm(5.4);
  const double column_head_h = pp.Mm(6);
  const double page_head_h = pp.Mm(7);
  const std::vector<std::vector<Item>> pages =
      plan.plan != nullptr ? TablePages(pp, *plan.plan, page_head_h, head_h, row_h, column_head_h)
                           : std::vector<std::vector<Item>>{};
  const int total = 1 + static_cast<int>(pages.size());

  const double top = FirstPage(pp, plan);
  PaintPicture(pp, plan, font, top);
  pp.Footer(PlanTitle(plan), 1, total);
  for (std::size_t i = 0; i < pages.size(); ++i) {
    device.newPage();
    TablePage(pp, plan, pages[i], page_head_h, head_h, row_h, column_head_h);
    pp.Footer(PlanTitle(plan), static_cast<int>(i) + 2, total);
  }
  p.end();
  return total;
}

PlanHeader PlanHeaderOf(const PlanPrint& plan, const QString& title) {
  return {title, QStringLiteral("構成: %1    配線: %2").arg(plan.shape, plan.wiring_name), plan.list_note,
          plan.list_problems};
}

bool WriteWiringPlanPdf(const QString& path, const PlanPrint& plan, const QFont& font, QString* error) {
  return WritePdfPages(
      path, PlanTitle(plan), [&](QPagedPaintDevice& device) { return PaintWiringPlan(device, plan, font); }, error);
}

bool ExportPlanPdf(const Document& doc, const PlanView& plan, ShownWiring wiring, const QString& path,
                   const QFont& font, QString* error) {
  if (IsOneOf(path, {doc.result_path, doc.list_path})) {
    if (error != nullptr) *error = QStringLiteral("読み込んだファイルには書き出しません: %1").arg(path);
    return false;
  }
  return WriteWiringPlanPdf(path, MakePlanPrint(doc, plan, wiring), font, error);
}

}  // namespace voltrigg::viewer
