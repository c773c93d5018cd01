#include "app/shared/result_list_match.h"

#include <algorithm>
#include <map>

namespace voltrigg {

ResultListMatch MatchResultToList(const std::vector<ResultRow>& result, const std::vector<ListRow>& list) {
  ResultListMatch m;
  m.list_count = static_cast<int>(list.size());
  m.result_count = static_cast<int>(result.size());
  m.list_index.assign(result.size(), -1);
  // By number, in the list's order; a taken row leaves the map.
  std::multimap<float, int> by_number;
  for (std::size_t k = 0; k < list.size(); ++k) by_number.emplace(list[k].record.moduleNo, static_cast<int>(k));
  std::map<float, int> wired_at;  // module number -> the result line that wires it first
  for (std::size_t i = 0; i < result.size(); ++i) {
    const ResultRow& r = result[i];
    ListDifference d;
    d.module_no = r.moduleNo;
    d.result_row = static_cast<int>(i);
    d.line = r.line;
    const auto [first, last] = by_number.equal_range(r.moduleNo);
    const auto [earlier, first_time] = wired_at.emplace(r.moduleNo, r.line);
    if (first == last) {
      d.kind = first_time ? ListDifference::Kind::NotInList : ListDifference::Kind::WiredTwice;
      d.first_line = earlier->second;
      m.differences.push_back(std::move(d));
      continue;
    }
    const auto same_serial = [&](const auto& it) {
      return list[static_cast<std::size_t>(it.second)].serial == r.serialNo;
    };
    const auto same_values = [&](const auto& it) {
      const ModuleRecord& rec = list[static_cast<std::size_t>(it.second)].record;
      return same_serial(it) && rec.vpm == r.vpm && rec.ipm == r.ipm;
    };
    auto pick = std::find_if(first, last, same_values);
    if (pick == last) pick = std::find_if(first, last, same_serial);
    if (pick == last) pick = first;
    const int k = pick->second;
    by_number.erase(pick);
    m.list_index[i] = k;
    const ListRow& row = list[static_cast<std::size_t>(k)];
    d.list_index = k;
    if (row.serial != r.serialNo) {
      d.kind = ListDifference::Kind::Serial;
      d.result_serial = r.serialNo;
      d.list_serial = row.serial;
    } else if (row.record.vpm != r.vpm) {
      d.kind = ListDifference::Kind::Vpm;
      d.result_value = r.vpm;
      d.list_value = row.record.vpm;
    } else if (row.record.ipm != r.ipm) {
      d.kind = ListDifference::Kind::Ipm;
      d.result_value = r.ipm;
      d.list_value = row.record.ipm;
    } else {
      continue;
    }
    m.differences.push_back(std::move(d));
  }
  // What the result leaves out of the list, in the list's order.
  std::vector<int> unwired;
  for (const auto& [number, k] : by_number) unwired.push_back(k);
  std::sort(unwired.begin(), unwired.end());
  for (int k : unwired) {
    ListDifference d;
    d.kind = ListDifference::Kind::NotInResult;
    d.module_no = list[static_cast<std::size_t>(k)].record.moduleNo;
    d.list_index = k;
    m.differences.push_back(std::move(d));
  }
  return m;
}

Wiring WiringOfMatch(const ResultListMatch& match, const std::vector<ResultRow>& result) {
  Wiring wiring;
  for (std::size_t i = 0; i < result.size() && i < match.list_index.size(); ++i) {
    const auto string = static_cast<std::size_t>(std::max<int>(result[i].string_no, 1) - 1);
    if (wiring.size() <= string) wiring.resize(string + 1);
    wiring[string].push_back(match.list_index[i]);
  }
  return wiring;
}

}  // namespace voltrigg
