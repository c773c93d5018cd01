#include "commission_report.h"

#include <QPagedPaintDevice>
#include <QPainter>
#include <algorithm>
#include <filesystem>

#include "app/shared/measurement_texts.h"
#include "commission/measurement_form.h"

namespace voltrigg::viewer {

namespace {

QString NameOf(const std::string& path) { return DecodeBytes(std::filesystem::path(path).filename().string()); }

QString ReportTitle(const QString& result_name) { return QStringLiteral("試運転検査報告: %1").arg(result_name); }
QString FormTitle(const QString& result_name) { return QStringLiteral("試運転検査 測定用紙: %1").arg(result_name); }

// A table's columns: widths in millimetres (the last takes what is left),
// headings and alignment.
struct Column {
  double width_mm;
  QString heading;
  int align;
};

std::vector<double> Edges(const PagePainter& pp, const std::vector<Column>& columns) {
  std::vector<double> edges{0};
  for (std::size_t c = 0; c + 1 < columns.size(); ++c) edges.push_back(edges.back() + pp.Mm(columns[c].width_mm));
  edges.push_back(pp.width());
  return edges;
}

void ColumnHeading(PagePainter& pp, const std::vector<Column>& columns, double y, double h) {
  const std::vector<double> x = Edges(pp, columns);
  QPainter& p = pp.p();
  p.fillRect(QRectF(0, y, pp.width(), h), QColor(230, 230, 230));
  p.setFont(pp.Font(7.5, true));
  p.setPen(Qt::black);
  for (std::size_t c = 0; c < columns.size(); ++c) {
    p.drawText(QRectF(x[c] + pp.Mm(0.8), y, x[c + 1] - x[c] - pp.Mm(1.6), h),
               Qt::AlignVCenter | Qt::TextWordWrap | (columns[c].align & Qt::AlignHorizontal_Mask), columns[c].heading);
  }
}

// The pages of a table: how many rows fit on the first page below `first_top`
// and on every further one below `top`, the heading included.
std::vector<std::pair<int, int>> RowPages(int rows, double first_avail, double avail, double row_h) {
  std::vector<std::pair<int, int>> pages;  // first row, row count
  int next = 0;
  double room = first_avail;
  while (next < rows || pages.empty()) {
    const int fit = std::max(1, static_cast<int>(room / row_h));
    const int count = std::min(fit, rows - next);
    pages.emplace_back(next, std::max(count, 0));
    next += std::max(count, 0);
    room = avail;
    if (rows == 0) break;
  }
  return pages;
}

const std::vector<Column>& ReportColumns() {
  static const std::vector<Column> columns = {{13, QStringLiteral("ストリング"), Qt::AlignRight},
                                              {12, QStringLiteral("枚数"), Qt::AlignRight},
                                              {15, QStringLiteral("日射強度 [W/m²]"), Qt::AlignRight},
                                              {14, QStringLiteral("温度 [°C]"), Qt::AlignRight},
                                              {17, QStringLiteral("Voc 期待値 [V]"), Qt::AlignRight},
                                              {17, QStringLiteral("Voc 測定値 [V]"), Qt::AlignRight},
                                              {14, QStringLiteral("Voc 偏差 [%]"), Qt::AlignRight},
                                              {16, QStringLiteral("Isc 期待値 [A]"), Qt::AlignRight},
                                              {16, QStringLiteral("Isc 測定値 [A]"), Qt::AlignRight},
                                              {14, QStringLiteral("Isc 偏差 [%]"), Qt::AlignRight},
                                              {0, QStringLiteral("判定"), Qt::AlignHCenter}};
  return columns;
}

constexpr int kReportCells[] = {kColString,      kColModules,      kColIrradiance,   kColTemperature,
                                kColVocExpected, kColVocMeasured,  kColVocDeviation, kColIscExpected,
                                kColIscMeasured, kColIscDeviation, kColVerdict};

// The further items' table: the string, each item, the string's verdict.
const std::vector<Column>& FurtherColumns() {
  static const std::vector<Column> columns = [] {
    std::vector<Column> c{{13, QStringLiteral("ストリング"), Qt::AlignRight}};
    const double widths[] = {20, 27, 27, 24, 24};
    for (std::size_t k = 0; k < kFurtherItems.size(); ++k) {
      const TestItem item = kFurtherItems[k];
      c.push_back({widths[k], Q(TestItemColumnNameJa(item)),
                   item == TestItem::Polarity ? static_cast<int>(Qt::AlignHCenter) : static_cast<int>(Qt::AlignRight)});
    }
    c.push_back({0, QStringLiteral("判定"), Qt::AlignHCenter});
    return c;
  }();
  return columns;
}

// A string's verdict in its colours.
void VerdictCell(PagePainter& pp, const QRectF& cell, const CommissionRow& r) {
  pp.p().fillRect(cell.adjusted(pp.Mm(0.5), pp.Mm(0.5), -pp.Mm(0.5), -pp.Mm(0.5)), ToQColor(VerdictBackground(r.kind)));
  pp.Cell(cell, Q(r.cells[kColVerdict]), 8.5, Qt::AlignHCenter, true, ToQColor(VerdictColour(r.kind)));
}

// The thin line under a table row.
void RowRule(PagePainter& pp, double y) {
  pp.p().setPen(QPen(QColor(200, 200, 200), pp.Mm(0.15)));
  pp.p().drawLine(QPointF(0, y), QPointF(pp.width(), y));
}

// The findings of the failed strings and the notes of the measurement file,
// one paragraph per string.
std::vector<std::pair<QString, QColor>> FindingLines(const CommissionReport& report) {
  std::vector<std::pair<QString, QColor>> lines;
  for (const CommissionRow& r : report.rows) {
    const QString text = Q(FindingsWithNote(r));
    if (text.isEmpty()) continue;
    lines.emplace_back(QStringLiteral("ストリング %1 (%2): %3").arg(r.string_no).arg(Q(r.cells[kColVerdict]), text),
                       ToQColor(VerdictColour(r.kind)));
  }
  return lines;
}

// The block the tester fills in by hand; returns its height.
double FillIn(PagePainter& pp, double y, bool paint) {
  const double w = pp.width();
  const double line_h = pp.Mm(9);
  const double instrument_rows = 3;
  const double h = pp.Mm(8) + line_h + pp.Mm(7) + instrument_rows * line_h + pp.Mm(4) + line_h;
  if (!paint) return h;
  pp.Text(0, y, w, QStringLiteral("試験の記録"), 11, true);
  y += pp.Mm(8);
  pp.Cell(QRectF(0, y, pp.Mm(18), line_h), QStringLiteral("試験日"), 9, Qt::AlignLeft);
  pp.BlankLine(pp.Mm(18), y + line_h - pp.Mm(1.5), w * 0.5 - pp.Mm(24));
  pp.Cell(QRectF(w * 0.5, y, pp.Mm(18), line_h), QStringLiteral("試験者"), 9, Qt::AlignLeft);
  pp.BlankLine(w * 0.5 + pp.Mm(18), y + line_h - pp.Mm(1.5), w * 0.5 - pp.Mm(18));
  y += line_h;
  const double x[] = {0, w * 0.45, w * 0.72, w};
  const QString heads[] = {QStringLiteral("測定器 (名称・型式)"), QStringLiteral("シリアル番号"),
                           QStringLiteral("校正日")};
  pp.p().fillRect(QRectF(0, y, w, pp.Mm(7)), QColor(230, 230, 230));
  for (int c = 0; c < 3; ++c) pp.Cell(QRectF(x[c], y, x[c + 1] - x[c], pp.Mm(7)), heads[c], 8.5, Qt::AlignLeft, true);
  y += pp.Mm(7);
  QPainter& p = pp.p();
  p.setPen(QPen(Qt::black, pp.Mm(0.2)));
  p.setBrush(Qt::NoBrush);
  for (int r = 0; r < instrument_rows; ++r) {
    for (int c = 0; c < 3; ++c) p.drawRect(QRectF(x[c], y, x[c + 1] - x[c], line_h));
    y += line_h;
  }
  y += pp.Mm(4);
  pp.Cell(QRectF(0, y, pp.Mm(18), line_h), QStringLiteral("署名"), 9, Qt::AlignLeft);
  pp.BlankLine(pp.Mm(18), y + line_h - pp.Mm(1.5), w * 0.5 - pp.Mm(24));
  return h;
}

}  // namespace

CommissionReport MakeCommissionReport(const Document& doc, const CommissionCheck& check) {
  CommissionReport out;
  out.header = DocumentPlanHeader(doc, ShownWiring::Result, ReportTitle(NameOf(doc.result_path)));
  out.measurement_name = NameOf(check.measurement_path);
  out.conditions = Q(CommissionConditionsTextJa(check.options.conditions));
  out.further = ShowsFurtherItems(check.check);
  if (out.further) out.conditions += QStringLiteral("\n") + Q(InsulationLimitsTextJa(check.check));
  out.summary = CommissionSummary(check.check);
  out.ok = check.check.ok;
  out.rows = CommissionRows(check.check);
  for (const TestItemCoverage& k : TestItemCoverages(check.check)) {
    const QColor colour = !k.strings_failed.empty() ? kPrintRed
                          : k.strings_made.empty()  ? QColor(110, 110, 110)
                                                    : QColor(Qt::black);
    out.test_items.emplace_back(Q(TestItemCoverageText(k, Language::Japanese)), colour);
  }
  return out;
}

int PaintCommissionReport(QPagedPaintDevice& device, const CommissionReport& report, const QFont& font) {
  QPainter p;
  if (!p.begin(&device)) return 0;
  PagePainter pp(p, font);
  const double w = pp.width();
  const double row_h = pp.Mm(6);
  const double column_head_h = pp.Mm(9);
  const double page_head_h = pp.Mm(8);
  const double section_h = pp.Mm(9);  // a section's title
  const QString intro = QStringLiteral("測定ファイル: %1\n%2").arg(report.measurement_name, report.conditions);
  const double intro_h = PlanHeaderHeight(pp, report.header) + pp.Mm(2) + pp.TextHeight(w, intro, 9) + pp.Mm(2) +
                         pp.TextHeight(w, report.summary, 11, true) + pp.Mm(3);
  const double first_avail = pp.body_bottom() - intro_h - column_head_h;
  const double avail = pp.body_bottom() - page_head_h - column_head_h;
  const auto table_pages = RowPages(static_cast<int>(report.rows.size()), first_avail, avail, row_h);

  // After the table, each on a new page when it does not fit: the further
  // items' table (its heading again on every page it runs over), which test
  // items were made, the findings, then the block to fill in.
  struct Placed {
    int page;
    double y;
  };
  const auto& last = table_pages.back();
  double y = (table_pages.size() == 1 ? intro_h : page_head_h) + column_head_h + last.second * row_h + pp.Mm(5);
  int page = static_cast<int>(table_pages.size()) - 1;
  const auto place = [&](double h) {
    if (y + h > pp.body_bottom()) {
      ++page;
      y = page_head_h;
    }
    const Placed at{page, y};
    y += h;
    return at;
  };
  // A section's title stays on the page of what follows it first.
  const auto place_section = [&](double first_h) {
    const Placed at = place(section_h + first_h);
    y -= first_h;
    return at;
  };

  std::optional<Placed> further_title_at;
  std::vector<Placed> further_heads;
  std::vector<Placed> further_rows;
  if (report.further && !report.rows.empty()) {
    further_title_at = place_section(column_head_h + row_h);
    further_heads.push_back(place(column_head_h));
    for (std::size_t i = 0; i < report.rows.size(); ++i) {
      if (y + row_h > pp.body_bottom()) {
        ++page;
        y = page_head_h;
        further_heads.push_back(place(column_head_h));
      }
      further_rows.push_back(place(row_h));
    }
    y += pp.Mm(5);
  }

  std::vector<double> item_h(report.test_items.size());
  std::transform(report.test_items.begin(), report.test_items.end(), item_h.begin(),
                 [&](const auto& line) { return pp.TextHeight(w - pp.Mm(4), line.first, 9) + pp.Mm(1); });
  const Placed items_head_at = place_section(item_h.empty() ? 0 : item_h.front());
  std::vector<Placed> item_at(item_h.size());
  std::transform(item_h.begin(), item_h.end(), item_at.begin(), place);
  y += pp.Mm(4);

  const std::vector<std::pair<QString, QColor>> findings = FindingLines(report);
  std::vector<double> finding_h(findings.size());
  std::transform(findings.begin(), findings.end(), finding_h.begin(),
                 [&](const auto& line) { return pp.TextHeight(w - pp.Mm(4), line.first, 9) + pp.Mm(1); });
  const Placed findings_head_at = place_section(finding_h.empty() ? 0 : finding_h.front());
  std::vector<Placed> finding_at(finding_h.size());
  std::transform(finding_h.begin(), finding_h.end(), finding_at.begin(), place);
  y += pp.Mm(4);
  const Placed fill_at = place(FillIn(pp, 0, false));
  const int total = page + 1;

  const QString& footer = report.header.title;
  for (int k = 0; k < total; ++k) {
    if (k > 0) device.newPage();
    double top = 0;
    if (k == 0) {
      top += PaintPlanHeader(pp, 0, report.header) + pp.Mm(2);
      top += pp.Text(0, top, w, intro, 9) + pp.Mm(2);
      top += pp.Text(0, top, w, report.summary, 11, true, report.ok ? kPrintGreen : kPrintRed) + pp.Mm(3);
    } else {
      pp.Cell(QRectF(0, 0, w, page_head_h - pp.Mm(1)), report.header.title, 10, Qt::AlignLeft, true);
      top = page_head_h;
    }
    if (k < static_cast<int>(table_pages.size()) && table_pages[static_cast<std::size_t>(k)].second > 0) {
      const std::vector<Column>& columns = ReportColumns();
      const std::vector<double> x = Edges(pp, columns);
      ColumnHeading(pp, columns, top, column_head_h);
      double ry = top + column_head_h;
      const auto [first, count] = table_pages[static_cast<std::size_t>(k)];
      for (int i = first; i < first + count; ++i) {
        const CommissionRow& r = report.rows[static_cast<std::size_t>(i)];
        for (std::size_t c = 0; c < columns.size(); ++c) {
          const QRectF cell(x[c], ry, x[c + 1] - x[c], row_h);
          if (kReportCells[c] == kColVerdict) {
            VerdictCell(pp, cell, r);
          } else {
            pp.Cell(cell, Q(r.cells[kReportCells[c]]), 8.5, columns[c].align);
          }
        }
        RowRule(pp, ry + row_h);
        ry += row_h;
      }
    }
    if (further_title_at && further_title_at->page == k) {
      pp.Text(0, further_title_at->y, w, QStringLiteral("その他の検査項目 (極性・絶縁抵抗・接地)"), 11, true);
    }
    const std::vector<Column>& further_columns = FurtherColumns();
    const std::vector<double> fx = Edges(pp, further_columns);
    for (const Placed& at : further_heads) {
      if (at.page == k) ColumnHeading(pp, further_columns, at.y, column_head_h);
    }
    for (std::size_t i = 0; i < further_rows.size(); ++i) {
      if (further_rows[i].page != k) continue;
      const CommissionRow& r = report.rows[i];
      const double ry = further_rows[i].y;
      pp.Cell(QRectF(fx[0], ry, fx[1] - fx[0], row_h), Q(r.cells[kColString]), 8.5, Qt::AlignRight);
      for (std::size_t c = 0; c < kFurtherItems.size(); ++c) {
        const ItemCell& item = r.items[static_cast<std::size_t>(kFurtherItems[c])];
        const QRectF cell(fx[c + 1], ry, fx[c + 2] - fx[c + 1], row_h);
        p.fillRect(cell.adjusted(pp.Mm(0.5), pp.Mm(0.5), -pp.Mm(0.5), -pp.Mm(0.5)),
                   ToQColor(ItemStatusBackground(item.status)));
        // On paper a blank reads as forgotten: an item not measured says so.
        const QString text = ItemMade(item.status) ? Q(item.text) : QStringLiteral("未測定");
        pp.Cell(cell, text, 8.5, further_columns[c + 1].align, item.status == ItemStatus::Fail,
                ToQColor(ItemStatusColour(item.status)));
      }
      const std::size_t verdict = further_columns.size() - 1;
      VerdictCell(pp, QRectF(fx[verdict], ry, fx[verdict + 1] - fx[verdict], row_h), r);
      RowRule(pp, ry + row_h);
    }
    if (items_head_at.page == k) {
      pp.Text(0, items_head_at.y, w, QStringLiteral("検査項目 (実施と未実施)"), 11, true);
    }
    for (std::size_t i = 0; i < report.test_items.size(); ++i) {
      if (item_at[i].page != k) continue;
      pp.Text(pp.Mm(4), item_at[i].y, w - pp.Mm(4), report.test_items[i].first, 9, false, report.test_items[i].second);
    }
    if (findings_head_at.page == k) {
      pp.Text(0, findings_head_at.y, w, QStringLiteral("所見"), 11, true);
      if (findings.empty()) {
        pp.Text(pp.Mm(4), findings_head_at.y + section_h, w - pp.Mm(4), QStringLiteral("なし"), 9);
      }
    }
    for (std::size_t i = 0; i < findings.size(); ++i) {
      if (finding_at[i].page != k) continue;
      pp.Text(pp.Mm(4), finding_at[i].y, w - pp.Mm(4), findings[i].first, 9, false, findings[i].second);
    }
    if (fill_at.page == k) FillIn(pp, fill_at.y, true);
    pp.Footer(footer, k + 1, total);
  }
  p.end();
  return total;
}

bool ExportCommissionReportPdf(const Document& doc, const CommissionCheck& check, const QString& path,
                               const QFont& font, QString* error) {
  if (IsOneOf(path, {doc.result_path, doc.list_path, check.list_path, check.measurement_path})) {
    if (error != nullptr) *error = QStringLiteral("読み込んだファイルには書き出しません: %1").arg(path);
    return false;
  }
  const CommissionReport report = MakeCommissionReport(doc, check);
  return WritePdfPages(
      path, report.header.title, [&](QPagedPaintDevice& device) { return PaintCommissionReport(device, report, font); },
      error);
}

std::optional<MeasurementFormPrint> MakeMeasurementForm(const Document& doc, const CommissionOptions& options,
                                                        QString* error) {
  CommissionFailure failure;
  std::optional<MeasurementForm> form = voltrigg::MakeMeasurementForm(doc, options, &failure);
  if (!form) {
    if (error != nullptr) *error = Q(failure.text);
    return std::nullopt;
  }
  MeasurementFormPrint out;
  out.header = DocumentPlanHeader(doc, ShownWiring::Result, FormTitle(NameOf(doc.result_path)));
  out.form = std::move(*form);
  return out;
}

int PaintMeasurementForm(QPagedPaintDevice& device, const MeasurementFormPrint& form, const QFont& font) {
  QPainter p;
  if (!p.begin(&device)) return 0;
  PagePainter pp(p, font);
  const double w = pp.width();
  const double row_h = pp.Mm(9);
  const double column_head_h = pp.Mm(10);
  const double page_head_h = pp.Mm(8);
  const QString intro =
      QStringLiteral(
          "各ストリングの開放電圧 Voc と短絡電流 Isc を測り、測定時の日射強度 (モジュール面) "
          "とモジュール温度とともに記入してください。期待値は 1000 W/m²・25 °C のもので、目安です。"
          "極性 (正常・逆、測定ファイルでは ok・reversed)、各極と大地間の絶縁抵抗とその試験電圧、接地の導通"
          "抵抗は、測ったものを記入し、測らなかった欄は空けてください。\n%1\n"
          "計画: %2 (測定ファイルの plan 列。ほかの計画の用紙は検査で受け付けられません)")
          .arg(Q(FormLimitsTextJa(form.form)), Q(form.form.plan));
  const double line_h = pp.Mm(9);
  const double intro_h =
      PlanHeaderHeight(pp, form.header) + pp.Mm(2) + pp.TextHeight(w, intro, 9) + pp.Mm(2) + 2 * line_h + pp.Mm(3);
  const auto pages = RowPages(static_cast<int>(form.form.rows.size()), pp.body_bottom() - intro_h - column_head_h,
                              pp.body_bottom() - page_head_h - column_head_h, row_h);
  std::vector<Column> columns = {{13, QStringLiteral("ストリング"), Qt::AlignRight},
                                 {11, QStringLiteral("枚数"), Qt::AlignRight},
                                 {18, QStringLiteral("Voc 期待値 STC [V]"), Qt::AlignRight},
                                 {17, QStringLiteral("Isc 期待値 STC [A]"), Qt::AlignRight},
                                 {17, QStringLiteral("日射強度 [W/m²]"), Qt::AlignHCenter},
                                 {17, QStringLiteral("モジュール\n温度 [°C]"), Qt::AlignHCenter},
                                 {19, QStringLiteral("Voc 測定値 [V]"), Qt::AlignHCenter},
                                 {19, QStringLiteral("Isc 測定値 [A]"), Qt::AlignHCenter}};
  const double further_widths[] = {15, 19, 19, 17, 17};
  for (std::size_t k = 0; k < kFurtherItems.size(); ++k) {
    const TestItem item = kFurtherItems[k];
    const QString head =
        item == TestItem::Polarity ? QStringLiteral("極性\n(正常・逆)") : Q(TestItemColumnNameJa(item));
    columns.push_back({further_widths[k], head, Qt::AlignHCenter});
  }
  columns.push_back({13, QStringLiteral("時刻"), Qt::AlignHCenter});
  columns.push_back({0, QStringLiteral("メモ"), Qt::AlignLeft});
  const std::vector<double> x = Edges(pp, columns);
  // Every page names the plan: pages of two plans mixed on site would be checked against the wrong one.
  const QString footer = QStringLiteral("%1    計画 %2").arg(form.header.title, Q(form.form.plan));
  const int total = static_cast<int>(pages.size());
  for (int k = 0; k < total; ++k) {
    if (k > 0) device.newPage();
    double top = 0;
    if (k == 0) {
      top += PaintPlanHeader(pp, 0, form.header) + pp.Mm(2);
      top += pp.Text(0, top, w, intro, 9) + pp.Mm(2);
      for (const QString& label : {QStringLiteral("試験日"), QStringLiteral("測定器 (型式・シリアル番号)")}) {
        const double label_w = pp.Mm(label.size() > 4 ? 48 : 18);
        pp.Cell(QRectF(0, top, label_w, line_h), label, 9, Qt::AlignLeft);
        pp.BlankLine(label_w, top + line_h - pp.Mm(1.5), w * 0.5 - label_w - pp.Mm(6));
        const QString right = label.size() > 4 ? QStringLiteral("校正日") : QStringLiteral("試験者");
        pp.Cell(QRectF(w * 0.5, top, pp.Mm(18), line_h), right, 9, Qt::AlignLeft);
        pp.BlankLine(w * 0.5 + pp.Mm(18), top + line_h - pp.Mm(1.5), w * 0.5 - pp.Mm(18));
        top += line_h;
      }
      top += pp.Mm(3);
    } else {
      pp.Cell(QRectF(0, 0, w, page_head_h - pp.Mm(1)), form.header.title, 10, Qt::AlignLeft, true);
      top = page_head_h;
    }
    ColumnHeading(pp, columns, top, column_head_h);
    double ry = top + column_head_h;
    const auto [first, count] = pages[static_cast<std::size_t>(k)];
    p.setBrush(Qt::NoBrush);
    for (int i = first; i < first + count; ++i) {
      const FormRow& r = form.form.rows[static_cast<std::size_t>(i)];
      const QString cells[] = {QString::number(r.string_no),
                               QString::number(form.form.modules[static_cast<std::size_t>(i)]), Fixed(r.voc_stc_v, 1),
                               Fixed(r.isc_stc_a, 2)};
      for (std::size_t c = 0; c < columns.size(); ++c) {
        const QRectF cell(x[c], ry, x[c + 1] - x[c], row_h);
        if (c < 4) pp.Cell(cell, cells[c], 9, columns[c].align, c == 0);
        p.setPen(QPen(QColor(120, 120, 120), pp.Mm(0.2)));
        p.drawRect(cell);
      }
      ry += row_h;
    }
    pp.Footer(footer, k + 1, total);
  }
  p.end();
  return total;
}

bool ExportMeasurementFormPdf(const Document& doc, const MeasurementFormPrint& form, const QString& path,
                              const QFont& font, QString* error) {
  if (IsOneOf(path, {doc.result_path, doc.list_path})) {
    if (error != nullptr) *error = QStringLiteral("読み込んだファイルには書き出しません: %1").arg(path);
    return false;
  }
  return WritePdfPages(
      path, form.header.title, [&](QPagedPaintDevice& device) { return PaintMeasurementForm(device, form, font); },
      error, kMeasurementFormOrientation);
}

}  // namespace voltrigg::viewer
