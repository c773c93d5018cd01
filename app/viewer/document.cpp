#include "document.h"

#include <algorithm>
#include <filesystem>
#include <map>

#include "app/shared/planned_array.h"
#include "input/list_warnings.h"
#include "input/run_error.h"
#include "output/result_file.h"

namespace voltrigg::viewer {

namespace {

QString Number(float value) { return QString::fromStdString(FormatFloat(value)); }

QString Name(const std::string& path) { return DecodeBytes(std::filesystem::path(path).filename().string()); }

// The list's warnings as the window and the plan show them; Voc and Isc are
// looked at when the list has them, since the assessment uses them.
std::vector<QString> WarningTexts(const std::vector<ListRow>& rows, const AssessOptions& options) {
  const bool extras = std::any_of(rows.begin(), rows.end(),
                                  [](const ListRow& r) { return r.record.extra1 != 0 || r.record.extra2 != 0; });
  const ExtrasUse use = !extras ? ExtrasUse::None : options.isc_first ? ExtrasUse::IscVoc : ExtrasUse::VocIsc;
  const std::vector<ListWarning> warnings = ListWarnings(rows, use);
  std::vector<QString> out;
  const auto decoded = [](const std::string& bytes) { return DecodeBytes(bytes).toStdString(); };
  for (const std::string& line : ListWarningLines(warnings, decoded)) {
    out.push_back(QStringLiteral("警告: ") + QString::fromStdString(line));
  }
  return out;
}

}  // namespace

std::vector<WiredModule> Document::ResultWiring() const {
  std::vector<WiredModule> out(result.rows.size());
  std::transform(result.rows.begin(), result.rows.end(), out.begin(), [](const ResultRow& r) {
    return WiredModule{r.string_no, r.position, r.moduleNo, r.serialNo, r.vpm, r.ipm};
  });
  return out;
}

std::vector<QString> MatchList(Document& doc, std::size_t limit) {
  std::vector<QString> problems;
  const std::vector<ResultRow>& rows = doc.result.rows;
  doc.list_slot.assign(rows.size(), -1);
  const std::vector<ListRow>& list = doc.list;
  if (doc.list_count != static_cast<int>(rows.size())) {
    problems.push_back(QStringLiteral("モジュールの数が違います (リスト %1 個、結果ファイル %2 個)")
                           .arg(std::max(doc.list_count, 0))
                           .arg(rows.size()));
  }
  std::multimap<float, int> by_number;
  for (std::size_t k = 0; k < list.size(); ++k) by_number.emplace(list[k].record.moduleNo, static_cast<int>(k));
  std::size_t differences = 0;
  auto note = [&](const QString& text) {
    if (++differences <= limit) problems.push_back(text);
  };
  std::map<float, int> wired_at;  // module number -> the result line that wires it first
  for (std::size_t i = 0; i < rows.size(); ++i) {
    const ResultRow& r = rows[i];
    auto [first, last] = by_number.equal_range(r.moduleNo);
    const auto [earlier, first_time] = wired_at.emplace(r.moduleNo, r.line);
    if (first == last && !first_time) {
      note(QStringLiteral("モジュール番号 %1 が結果ファイルに 2 回配線されています (%2 行目と %3 行目)")
               .arg(Number(r.moduleNo))
               .arg(earlier->second)
               .arg(r.line));
      continue;
    }
    if (first == last) {
      note(QStringLiteral("モジュール番号 %1 (結果ファイル %2 行目) がリストにありません")
               .arg(Number(r.moduleNo))
               .arg(r.line));
      continue;
    }
    // Same number used twice in a list: take the entry with the same values.
    auto pick = first;
    for (auto it = first; it != last; ++it) {
      const ListRow& m = list[static_cast<std::size_t>(it->second)];
      if (m.serial == r.serialNo && m.record.vpm == r.vpm && m.record.ipm == r.ipm) {
        pick = it;
        break;
      }
    }
    const int k = pick->second;
    by_number.erase(pick);
    doc.list_slot[i] = k;
    const ModuleRecord& m = list[static_cast<std::size_t>(k)].record;
    const std::string& serial = list[static_cast<std::size_t>(k)].serial;
    const QString who = QStringLiteral("モジュール番号 %1").arg(Number(r.moduleNo));
    if (serial != r.serialNo) {
      note(QStringLiteral("%1 のシリアル番号が違います (結果ファイル \"%2\"、リスト \"%3\")")
               .arg(who, DecodeBytes(r.serialNo), DecodeBytes(serial)));
    } else if (m.vpm != r.vpm) {
      note(QStringLiteral("%1 の Vpm が違います (結果ファイル %2 V、リスト %3 V)")
               .arg(who, Number(r.vpm), Number(m.vpm)));
    } else if (m.ipm != r.ipm) {
      note(QStringLiteral("%1 の Ipm が違います (結果ファイル %2 A、リスト %3 A)")
               .arg(who, Number(r.ipm), Number(m.ipm)));
    }
  }
  // What the result leaves out of the list (the other side of a module wired twice).
  std::vector<int> unwired;
  for (const auto& [number, k] : by_number) unwired.push_back(k);
  std::sort(unwired.begin(), unwired.end());
  for (int k : unwired) {
    note(QStringLiteral("モジュール番号 %1 (リストのデータ行 %2) が結果ファイルにありません")
             .arg(Number(list[static_cast<std::size_t>(k)].record.moduleNo))
             .arg(k + 1));
  }
  if (differences > limit) problems.push_back(QStringLiteral("ほかに %1 件の違いがあります").arg(differences - limit));
  doc.list_state = problems.empty() ? ListState::Matches : ListState::Mismatch;
  return problems;
}

Document OpenDocument(const std::string& result_path, const std::string& modules_path, const AssessOptions& options) {
  Document doc;
  doc.result_path = result_path;
  doc.options = options;
  doc.result = ReadResultFile(result_path);
  doc.list_named = !modules_path.empty();
  doc.list_path = doc.list_named ? modules_path : ListBesideResult(result_path, doc.result.InputName);

  const QString shown = doc.list_path.empty() ? DecodeBytes(doc.result.InputName) : Name(doc.list_path);
  std::error_code ec;
  if (doc.list_path.empty() || !std::filesystem::exists(doc.list_path, ec)) {
    doc.list_state = ListState::NotFound;
    doc.list_note = doc.list_named
                        ? QStringLiteral("モジュールリスト %1 がありません").arg(shown)
                        : QStringLiteral("結果ファイルと同じフォルダにモジュールリスト %1 がありません").arg(shown);
    return doc;
  }
  if (!std::filesystem::is_regular_file(doc.list_path, ec)) {
    doc.list_state = ListState::Unreadable;
    doc.list_note = QStringLiteral("モジュールリスト %1 は通常のファイルではありません").arg(shown);
    return doc;
  }
  try {
    // The run's own load checks the list and gives its messages; the
    // assessment takes the modules in the file's order, as voltrigg-cli does.
    auto table = std::make_unique<ModuleTable>();
    std::vector<ListRow> rows;
    (void)LoadModuleList(doc.list_path, *table, &rows);
    doc.list = std::move(rows);
    doc.list_count = static_cast<int>(doc.list.size());
    doc.list_warnings = WarningTexts(doc.list, options);
  } catch (const RunError& e) {
    doc.list_state = ListState::Unreadable;
    doc.list_note =
        QStringLiteral("モジュールリスト %1 を読み込めません: %2").arg(shown, QString::fromStdString(e.what()));
    doc.list.clear();
    doc.list_count = 0;
    return doc;
  }
  doc.list_problems = MatchList(doc);
  doc.list_note = doc.list_state == ListState::Matches
                      ? QStringLiteral("モジュールリスト %1 (%2 モジュール) は結果ファイルと一致しています")
                            .arg(shown)
                            .arg(doc.list_count)
                      : QStringLiteral("モジュールリスト %1 は結果ファイルのモジュールと一致しません").arg(shown);
  return doc;
}

}  // namespace voltrigg::viewer
