#include "input/list_warnings.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>
#include <memory>
#include <utility>

#include "input/median.h"
#include "input/number_text.h"
#include "input/run_error.h"

namespace voltrigg {

namespace {

struct Column {
  int index = 0;  // the list's column, 0..6
  const char* name = "";
  const char* unit = "";
  bool positive = false;  // at or below 0 is warned about
};

float Value(const ModuleRecord& r, int column) {
  switch (column) {
    case 2:
      return r.pmax;
    case 3:
      return r.vpm;
    case 4:
      return r.ipm;
    case 5:
      return r.extra1;
    default:
      return r.extra2;
  }
}

ListWarning Warning(ListWarning::Kind kind, int column, const char* name, const char* unit) {
  ListWarning w;
  w.kind = kind;
  w.column = column;
  w.name = name;
  w.unit = unit;
  return w;
}

void ColumnWarnings(const std::vector<ListRow>& rows, const Column& c, std::vector<ListWarning>& out) {
  ListWarning not_positive = Warning(ListWarning::Kind::NotPositive, c.index, c.name, c.unit);
  ListWarning far = Warning(ListWarning::Kind::FarFromMedian, c.index, c.name, c.unit);
  std::vector<double> values(rows.size());
  std::transform(rows.begin(), rows.end(), values.begin(), [&](const ListRow& r) { return Value(r.record, c.index); });
  far.median = Median(values);
  for (std::size_t k = 0; k < rows.size(); ++k) {
    const float v = Value(rows[k].record, c.index);
    const int row = static_cast<int>(k) + 1;
    // Written so that a NaN is warned about.
    if (c.positive && !(v > 0)) {
      not_positive.rows.push_back(row);
      not_positive.row_values.push_back(v);
    } else if (!(std::fabs(static_cast<double>(v) - far.median) <= kFarFromMedianShare * std::fabs(far.median))) {
      far.rows.push_back(row);
      far.row_values.push_back(v);
    }
  }
  if (!not_positive.rows.empty()) out.push_back(std::move(not_positive));
  if (!far.rows.empty()) out.push_back(std::move(far));
}

}  // namespace

std::vector<ListWarning> ListWarnings(const std::vector<ListRow>& rows, ExtrasUse extras) {
  std::vector<ListWarning> out;
  std::map<float, std::vector<int>> by_number;
  std::map<std::string, std::vector<int>> by_serial;
  for (std::size_t k = 0; k < rows.size(); ++k) {
    const int row = static_cast<int>(k) + 1;
    by_number[rows[k].record.moduleNo].push_back(row);
    // A list without serial numbers has nothing to mix up.
    if (!rows[k].serial.empty()) by_serial[rows[k].serial].push_back(row);
  }
  // Each kind in list order of its first row.
  const auto by_first_row = [](const ListWarning& a, const ListWarning& b) { return a.rows.front() < b.rows.front(); };
  std::vector<ListWarning> twice;
  for (auto& [number, at] : by_number) {
    if (at.size() < 2) continue;
    twice.push_back(Warning(ListWarning::Kind::DuplicateNumber, 0, "No", ""));
    twice.back().value = FormatFloat(number);
    twice.back().rows = std::move(at);
  }
  std::sort(twice.begin(), twice.end(), by_first_row);
  out.insert(out.end(), twice.begin(), twice.end());
  twice.clear();
  for (auto& [serial, at] : by_serial) {
    if (at.size() < 2) continue;
    twice.push_back(Warning(ListWarning::Kind::DuplicateSerial, 1, "S/N", ""));
    twice.back().value = serial;
    twice.back().rows = std::move(at);
  }
  std::sort(twice.begin(), twice.end(), by_first_row);
  out.insert(out.end(), twice.begin(), twice.end());
  std::vector<Column> columns = {{2, "Pmax", "W", true}, {3, "Vpm", "V", true}, {4, "Ipm", "A", true}};
  if (extras == ExtrasUse::VocIsc) {
    columns.push_back({5, "Voc", "V", false});
    columns.push_back({6, "Isc", "A", false});
  } else if (extras == ExtrasUse::IscVoc) {
    columns.push_back({6, "Voc", "V", false});
    columns.push_back({5, "Isc", "A", false});
  }
  if (!rows.empty()) {
    for (const Column& c : columns) ColumnWarnings(rows, c, out);
  }
  return out;
}

}  // namespace voltrigg
