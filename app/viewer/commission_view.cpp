#include "commission_view.h"

#include <QHeaderView>
#include <QTableWidget>
#include <algorithm>
#include <cmath>
#include <filesystem>

#include "app/shared/curve_problems.h"
#include "app/shared/measurement_texts.h"
#include "app/shared/planned_array.h"
#include "input/run_error.h"
#include "output/result_reader.h"

namespace voltrigg::viewer {

namespace {

QString Figure(double value, int decimals) {
  if (!std::isfinite(value)) return QStringLiteral("—");
  // No "-0.00" for a deviation that rounds to nothing.
  if (std::fabs(value) < 0.5 * std::pow(10.0, -decimals)) value = 0;
  return Fixed(value, decimals);
}

QString Deviation(double pct) {
  if (!std::isfinite(pct)) return QStringLiteral("—");
  const QString text = Figure(pct, 2);
  return text.startsWith(QLatin1Char('-')) || text == QStringLiteral("0.00") ? text : QStringLiteral("+") + text;
}

QString NameOf(const std::string& path) { return DecodeBytes(std::filesystem::path(path).filename().string()); }

}  // namespace

std::optional<PlannedArray> LoadCommissionPlan(const Document& doc, QString* error) {
  const auto fail = [error](const QString& text) {
    if (error != nullptr) *error = text;
    return std::nullopt;
  };
  if (doc.list_state != ListState::Matches) {
    return fail(QStringLiteral("試運転検査には、結果ファイルと一致し Voc と Isc を持つモジュールリストが必要です。%1")
                    .arg(doc.list_note));
  }
  try {
    return LoadPlannedArray(doc.result_path, doc.list_named ? doc.list_path : std::string(), doc.options.isc_first);
  } catch (const ResultFileError& e) {
    return fail(QStringLiteral("結果ファイルを読み直せません: %1").arg(QString::fromStdString(e.what())));
  } catch (const RunError& e) {
    // The assessment has said it in Japanese already, when it could.
    const QString why = doc.assessment_note.isEmpty() ? QString::fromStdString(e.what()) : doc.assessment_note;
    return fail(QStringLiteral("試運転検査の期待値を計算できません: %1").arg(why));
  }
}

std::optional<CommissionCheck> RunCommissionCheck(const Document& doc, const std::string& path,
                                                  const CommissionOptions& options, QString* error) {
  const auto fail = [error](const QString& text) {
    if (error != nullptr) *error = text;
    return std::nullopt;
  };
  if (const auto fault = ValidateCommissionOptions(options)) {
    return fail(QString::fromStdString(ConditionFaultText(*fault, Language::Japanese)));
  }
  std::optional<PlannedArray> plan = LoadCommissionPlan(doc, error);
  if (!plan) return std::nullopt;
  CommissionCheck out;
  out.measurement_path = path;
  out.list_path = plan->list_path;
  out.options = options;
  try {
    const std::vector<StringMeasurement> measurements =
        ReadMeasurementFile(path, static_cast<int>(plan->wiring.size()), options.defaults);
    out.check = CheckCommissioning(plan->modules, plan->curves, plan->wiring, measurements, options.conditions);
  } catch (const MeasurementFileError& e) {
    return fail(QString::fromStdString(MeasurementErrorTextJa(e, NameOf(path).toStdString())));
  } catch (const std::invalid_argument& e) {
    return fail(QStringLiteral("試運転検査ができません: %1").arg(QString::fromStdString(e.what())));
  }
  return out;
}

VerdictKind KindOf(const StringCommissioning& s) {
  if (!s.measurement) return VerdictKind::NotMeasured;
  if (!s.verdict.ok) return VerdictKind::Fail;
  const bool note =
      std::any_of(s.verdict.findings.begin(), s.verdict.findings.end(), [](const Finding& f) { return IsNote(f.key); });
  return note ? VerdictKind::PassWithNote : VerdictKind::Pass;
}

QString VerdictText(VerdictKind kind) {
  switch (kind) {
    case VerdictKind::Pass:
      return QStringLiteral("合格");
    case VerdictKind::PassWithNote:
      return QStringLiteral("合格 (注記)");
    case VerdictKind::Fail:
      return QStringLiteral("不合格");
    case VerdictKind::NotMeasured:
      break;
  }
  return QStringLiteral("未測定");
}

QColor VerdictColour(VerdictKind kind) {
  switch (kind) {
    case VerdictKind::Pass:
      return {0, 110, 40};
    case VerdictKind::PassWithNote:
      return {170, 100, 0};
    case VerdictKind::Fail:
    case VerdictKind::NotMeasured:
      break;
  }
  return {200, 0, 0};
}

QColor VerdictBackground(VerdictKind kind) {
  switch (kind) {
    case VerdictKind::Pass:
      return {220, 242, 225};
    case VerdictKind::PassWithNote:
      return {255, 236, 200};
    case VerdictKind::Fail:
    case VerdictKind::NotMeasured:
      break;
  }
  return {255, 220, 220};
}

QString CommissionColumnName(int column) {
  static const QString kNames[kCommissionColumns] = {
      QStringLiteral("ストリング"),          QStringLiteral("モジュール数"),   QStringLiteral("日射強度 [W/m²]"),
      QStringLiteral("モジュール温度 [°C]"), QStringLiteral("Voc 期待値 [V]"), QStringLiteral("Voc 測定値 [V]"),
      QStringLiteral("Voc 偏差 [%]"),        QStringLiteral("Isc 期待値 [A]"), QStringLiteral("Isc 測定値 [A]"),
      QStringLiteral("Isc 偏差 [%]"),        QStringLiteral("判定"),           QStringLiteral("所見")};
  return column >= 0 && column < kCommissionColumns ? kNames[column] : QString();
}

std::vector<CommissionRow> CommissionRows(const Commissioning& check) {
  std::vector<CommissionRow> rows;
  rows.reserve(check.strings.size());
  for (const StringCommissioning& s : check.strings) {
    CommissionRow r;
    r.string_no = s.string_no;
    r.kind = KindOf(s);
    const StringMeasurement* m = s.measurement ? &*s.measurement : nullptr;
    const auto measured = [m](double StringMeasurement::*field, int decimals) {
      return m != nullptr ? Figure(m->*field, decimals) : QStringLiteral("—");
    };
    r.cells[kColString] = QString::number(s.string_no);
    r.cells[kColModules] = QString::number(s.modules.size());
    r.cells[kColIrradiance] = measured(&StringMeasurement::irradiance_w_m2, 0);
    r.cells[kColTemperature] = measured(&StringMeasurement::module_temperature_c, 1);
    r.cells[kColVocExpected] = Figure(s.expected.voc_v, 2);
    r.cells[kColVocMeasured] = measured(&StringMeasurement::voc_v, 2);
    r.cells[kColVocDeviation] = m != nullptr ? Deviation(s.verdict.voc_deviation_pct) : QStringLiteral("—");
    r.cells[kColIscExpected] = Figure(s.expected.isc_a, 3);
    r.cells[kColIscMeasured] = measured(&StringMeasurement::isc_a, 3);
    r.cells[kColIscDeviation] = m != nullptr ? Deviation(s.verdict.isc_deviation_pct) : QStringLiteral("—");
    r.cells[kColVerdict] = VerdictText(r.kind);
    QStringList findings;
    for (const Finding& f : s.verdict.findings) findings << QString::fromStdString(FindingTextJa(f));
    if (!s.expected.problem.empty()) {
      findings << QStringLiteral("期待値を計算できません: %1").arg(QString::fromStdString(s.expected.problem));
    }
    r.cells[kColFindings] = findings.join(QStringLiteral("、"));
    if (m != nullptr) r.note = QString::fromStdString(m->note).trimmed();
    rows.push_back(std::move(r));
  }
  return rows;
}

QString CommissionSummary(const Commissioning& check) {
  const auto list = [](const std::vector<int>& numbers) {
    QStringList out;
    for (int n : numbers) out << QString::number(n);
    return out.join(QStringLiteral(", "));
  };
  if (check.ok) return QStringLiteral("全 %1 ストリング合格").arg(check.strings.size());
  QString text = QStringLiteral("不合格: ストリング %1").arg(list(check.strings_failed));
  if (!check.strings_not_measured.empty()) {
    text += QStringLiteral(" (未測定: %1)").arg(list(check.strings_not_measured));
  }
  return text + QStringLiteral("  (%1 ストリング中 %2)").arg(check.strings.size()).arg(check.strings_failed.size());
}

QString CommissionConditionsText(const CommissionConditions& c) {
  return QStringLiteral("許容範囲: Voc ±%1 %、Isc ±%2 %    温度係数: Voc %3 %/K、Isc %4 %/K")
      .arg(c.voc_tolerance_pct)
      .arg(c.isc_tolerance_pct)
      .arg(c.voc_coefficient_pct_per_k)
      .arg(c.isc_coefficient_pct_per_k);
}

void FillCommissionTable(QTableWidget* table, const Commissioning& check) {
  const std::vector<CommissionRow> rows = CommissionRows(check);
  table->setRowCount(static_cast<int>(rows.size()));
  for (int r = 0; r < static_cast<int>(rows.size()); ++r) {
    const CommissionRow& row = rows[static_cast<std::size_t>(r)];
    for (int c = 0; c < kCommissionColumns; ++c) {
      QString text = row.cells[c];
      if (c == kColFindings && !row.note.isEmpty()) {
        text += (text.isEmpty() ? QString() : QStringLiteral("  ")) + QStringLiteral("メモ: %1").arg(row.note);
      }
      auto* item = new QTableWidgetItem(text);
      const bool left = c == kColVerdict || c == kColFindings;
      item->setTextAlignment(left ? (Qt::AlignLeft | Qt::AlignVCenter) : (Qt::AlignRight | Qt::AlignVCenter));
      if (c == kColVerdict) {
        item->setForeground(VerdictColour(row.kind));
        item->setBackground(VerdictBackground(row.kind));
        QFont bold = table->font();
        bold.setBold(true);
        item->setFont(bold);
      }
      if (c == kColFindings) item->setToolTip(text);
      table->setItem(r, c, item);
    }
  }
}

void MarkFailedStrings(PlanView& plan, const Commissioning& check) {
  for (StringSummary& s : plan.strings) {
    s.commissioning_failed =
        std::find(check.strings_failed.begin(), check.strings_failed.end(), s.string_no) != check.strings_failed.end();
  }
}

}  // namespace voltrigg::viewer
