#include "app/shared/list_in_file_order.h"

#include <fstream>
#include <utility>

#include "input/field_reader.h"
#include "input/number_text.h"
#include "input/run_error.h"

namespace voltrigg {

std::vector<ListModule> ReadListInFileOrder(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in.is_open()) throw RunError("モジュールリストを開けません: " + path);
  return ReadListInFileOrder(in, path);
}

std::vector<ListModule> ReadListInFileOrder(std::istream& in, const std::string& path) {
  FieldReader reader(in);
  std::size_t row = 0;
  const auto changed = [&] {
    return RunError("モジュールリストが読み込みの間に変わりました (データ行 " + std::to_string(row) + "): " + path);
  };
  const auto text = [&] {
    auto f = reader.Next();
    if (!f) throw changed();
    return std::move(f->text);
  };
  const auto number = [&] {
    float value = 0;
    if (!ParseNumberField(text(), value)) throw changed();
    return value;
  };
  std::vector<ListModule> out;
  if (reader.AtEnd()) return out;
  for (int c = 0; c < 7; ++c) (void)text();  // the header
  while (!reader.AtEnd()) {
    if (out.size() == static_cast<std::size_t>(kModuleSlots))
      throw RunError("モジュールリストの行が多すぎます: " + path);
    row = out.size() + 1;
    ListModule m;
    m.record.moduleNo = number();
    m.serial = text();
    m.record.pmax = number();
    m.record.vpm = number();
    m.record.ipm = number();
    m.record.extra1 = number();
    m.record.extra2 = number();
    out.push_back(std::move(m));
  }
  return out;
}

std::vector<ModuleData> ModulesForAssessment(const std::vector<ListModule>& list, bool isc_first) {
  std::vector<ModuleData> modules;
  modules.reserve(list.size());
  for (const ListModule& l : list) {
    const ModuleRecord& r = l.record;
    ModuleData m;
    m.number = r.moduleNo;
    m.serial = l.serial;
    m.pmax_w = r.pmax;
    m.vpm_v = r.vpm;
    m.ipm_a = r.ipm;
    m.voc_v = isc_first ? r.extra2 : r.extra1;
    m.isc_a = isc_first ? r.extra1 : r.extra2;
    modules.push_back(std::move(m));
  }
  return modules;
}

}  // namespace voltrigg
