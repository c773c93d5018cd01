// The plan's three files and its summary. The register lists every module in
// installation order (spares last), the pick list the same rows by pallet,
// the plant file the figures, places and checks; all three come from the
// same places, so they agree.
#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <nlohmann/json.hpp>
#include <optional>
#include <string_view>

#include "assess/json_text.h"
#include "plant/parallel.h"
#include "plant/plant_plan.h"

namespace voltrigg::plant {

namespace {

using Json = nlohmann::ordered_json;
constexpr std::uint32_t kSpare = 0xFFFFFFFFu;

// A CSV field: quoted when it holds a comma, a quote, a line end or blanks
// at either end (which a reader would drop), a quote inside doubled.
void AppendCsvField(std::string& out, std::string_view text) {
  const bool quote =
      text.find_first_of(",\"\r\n") != std::string_view::npos ||
      (!text.empty() && (text.front() == ' ' || text.front() == '\t' || text.back() == ' ' || text.back() == '\t'));
  if (!quote) {
    out += text;
    return;
  }
  out += '"';
  for (char c : text) {
    if (c == '"') out += '"';
    out += c;
  }
  out += '"';
}

// Every module's slot in the plan written, kSpare for a spare.
std::vector<std::uint32_t> SlotOfModule(const PlantPlan& plan) {
  std::vector<std::uint32_t> slot(plan.lot.size(), kSpare);
  const Slots& slots = plan.Written().slots;
  for (std::size_t k = 0; k < slots.size(); ++k) slot[slots[k]] = static_cast<std::uint32_t>(k);
  return slot;
}

void AppendInteger(std::string& out, std::size_t value) {
  char buffer[24];
  const auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, value);
  (void)ec;  // 24 bytes always hold it
  out.append(buffer, end);
}

// The row of one module: serial,pallet,inverter,input,string,position.
void AppendRow(std::string& out, const PlantPlan& plan, std::uint32_t module, std::uint32_t slot) {
  const PlantLot& lot = plan.lot;
  const PlantStructure& st = plan.structure;
  AppendCsvField(out, lot.Serial(module));
  out += ',';
  AppendCsvField(out, lot.pallet_names[lot.pallet[module]]);
  out += ',';
  if (slot == kSpare) {
    out += "spare,,,\r\n";
    return;
  }
  const std::size_t s = static_cast<std::size_t>(st.series);
  const std::size_t string = slot / s;
  const PlantStructure::Input& in = st.inputs[st.string_input[string]];
  AppendCsvField(out, st.inverters[static_cast<std::size_t>(in.inverter)].name);
  out += ',';
  AppendInteger(out, static_cast<std::size_t>(in.number));
  out += ',';
  AppendInteger(out, string - static_cast<std::size_t>(in.first_string) + 1);
  out += ',';
  AppendInteger(out, slot % s + 1);
  out += "\r\n";
}

// Every module's row, formatted once for both lists: piece by piece at once,
// module m's in piece m / kRowsPerPiece.
constexpr std::size_t kRowsPerPiece = 16384;

struct Rows {
  std::vector<std::string> pieces;
  std::vector<std::uint64_t> end;  // module m's row ends here in its piece
  std::size_t bytes = 0;
  std::string_view Row(std::size_t m) const {
    const std::uint64_t begin = m % kRowsPerPiece == 0 ? 0 : end[m - 1];
    return std::string_view(pieces[m / kRowsPerPiece]).substr(begin, end[m] - begin);
  }
};

Rows FormatRows(const PlantPlan& plan, const std::vector<std::uint32_t>& slot_of) {
  const std::size_t n = plan.lot.size();
  Rows rows;
  rows.pieces.resize((n + kRowsPerPiece - 1) / kRowsPerPiece);
  rows.end.resize(n);
  ParallelFor(0, rows.pieces.size(), 1, [&](std::size_t first, std::size_t last) {
    for (std::size_t p = first; p < last; ++p) {
      std::string& text = rows.pieces[p];
      const std::size_t end = std::min(n, (p + 1) * kRowsPerPiece);
      text.reserve((end - p * kRowsPerPiece) * 48);
      for (std::size_t m = p * kRowsPerPiece; m < end; ++m) {
        AppendRow(text, plan, static_cast<std::uint32_t>(m), slot_of[m]);
        rows.end[m] = text.size();
      }
    }
  });
  for (const std::string& t : rows.pieces) rows.bytes += t.size();
  return rows;
}

std::string JoinRows(const Rows& rows, const std::vector<std::uint32_t>& order) {
  std::string out = "serial,pallet,inverter,input,string,position\r\n";
  out.reserve(out.size() + rows.bytes);
  for (std::uint32_t m : order) out += rows.Row(m);
  return out;
}

Json Number(double value) { return std::isfinite(value) ? Json(value) : Json(nullptr); }

Json ModeJson(const std::optional<ModeResult>& mode) {
  if (!mode) return Json(nullptr);
  return Json{{"pmp_w", Number(mode->figures.pmp_w)}, {"mismatch_loss_pct", Number(mode->figures.mismatch_loss_pct)}};
}

// The plant file's JSON text, written as it goes: laid out exactly as
// FormatJsonText lays out the same document (two spaces per level, numbers
// as their shortest text, strings escaped as the JSON library escapes them),
// without building the document first; a plant's inverters hold a million
// serials.
// The bytes a JSON string escapes: control characters, the quote, the backslash.
constexpr std::array<bool, 256> kEscaped = [] {
  std::array<bool, 256> table{};
  for (int c = 0; c < 0x20; ++c) table[static_cast<std::size_t>(c)] = true;
  table['"'] = true;
  table['\\'] = true;
  return table;
}();

class JsonWriter {
 public:
  explicit JsonWriter(std::string& out, int depth) : out_(out), depth_(depth) {}

  void Open(char bracket) {
    out_ += bracket;
    ++depth_;
    first_ = true;
  }
  void Close(char bracket) {
    --depth_;
    out_ += '\n';
    Pad();
    out_ += bracket;
    first_ = false;
  }
  // Starts the next member of an object.
  void Key(std::string_view key) {
    Next();
    AppendString(key);
    out_ += ": ";
  }
  // Starts the next element of a list.
  void Element() { Next(); }
  void String(std::string_view text) { AppendString(text); }
  void Integer(long long value) { out_ += std::to_string(value); }
  void Number(double value) {
    if (!std::isfinite(value)) {
      out_ += "null";
      return;
    }
    char buffer[64];
    const auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, value);
    (void)ec;  // 64 bytes always hold a double
    out_.append(buffer, end);
  }
  void Optional(const std::optional<double>& value) {
    if (value) {
      Number(*value);
    } else {
      out_ += "null";
    }
  }
  void Bool(std::optional<bool> value) { out_ += value ? (*value ? "true" : "false") : "null"; }

 private:
  void Next() {
    if (!first_) out_ += ',';
    out_ += '\n';
    Pad();
    first_ = false;
  }
  void Pad() { out_.append(static_cast<std::size_t>(depth_) * 2, ' '); }
  // As nlohmann-json escapes: the quote, the backslash and control characters.
  void AppendString(std::string_view text) {
    out_ += '"';
    // Most texts need no escape: taken whole.
    if (std::none_of(text.begin(), text.end(), [](char c) { return kEscaped[static_cast<unsigned char>(c)]; })) {
      out_ += text;
      out_ += '"';
      return;
    }
    for (char c : text) {
      const unsigned char u = static_cast<unsigned char>(c);
      switch (c) {
        case '"':
          out_ += "\\\"";
          break;
        case '\\':
          out_ += "\\\\";
          break;
        case '\b':
          out_ += "\\b";
          break;
        case '\f':
          out_ += "\\f";
          break;
        case '\n':
          out_ += "\\n";
          break;
        case '\r':
          out_ += "\\r";
          break;
        case '\t':
          out_ += "\\t";
          break;
        default:
          if (u < 0x20) {
            static constexpr char kHex[] = "0123456789abcdef";
            out_ += "\\u00";
            out_ += kHex[u >> 4];
            out_ += kHex[u & 0xF];
          } else {
            out_ += c;
          }
      }
    }
    out_ += '"';
  }

  std::string& out_;
  int depth_;
  bool first_ = true;
};

void WriteCheck(JsonWriter& json, std::string_view name, const WindowCheck& check, const char* unit) {
  json.Key(name);
  json.Open('{');
  json.Key(std::string("value_") + unit);
  json.Number(check.value);
  json.Key(std::string("limit_") + unit);
  json.Optional(check.limit);
  json.Key("ok");
  json.Bool(check.ok);
  json.Close('}');
}

// One inverter as the plant file holds it, at its place in the list of inverters.
std::string InverterText(const PlantPlan& plan, std::size_t index) {
  const PlantStructure& st = plan.structure;
  const PlantStructure::Inverter& inverter = st.inverters[index];
  const ModeResult& mode = plan.Written();
  const std::size_t s = static_cast<std::size_t>(st.series);
  double pmp_w = 0;
  for (int i = 0; i < inverter.inputs; ++i) {
    pmp_w += mode.inputs[static_cast<std::size_t>(inverter.first_input) + static_cast<std::size_t>(i)].point.pmp_w;
  }
  std::string out = "    ";
  JsonWriter json(out, 2);
  json.Open('{');
  json.Key("name");
  json.String(inverter.name);
  json.Key("pmp_w");
  json.Number(pmp_w);
  json.Key("inputs");
  json.Open('[');
  for (int i = 0; i < inverter.inputs; ++i) {
    const std::size_t q = static_cast<std::size_t>(inverter.first_input) + static_cast<std::size_t>(i);
    const PlantStructure::Input& in = st.inputs[q];
    const PowerPoint& point = mode.inputs[q].point;
    json.Element();
    json.Open('{');
    json.Key("input");
    json.Integer(in.number);
    json.Key("pmp_w");
    json.Number(point.pmp_w);
    json.Key("vmp_v");
    json.Number(point.vmp_v);
    json.Key("imp_a");
    json.Number(point.imp_a);
    json.Key("strings");
    json.Open('[');
    for (int j = 0; j < in.strings; ++j) {
      const std::size_t string = static_cast<std::size_t>(in.first_string) + static_cast<std::size_t>(j);
      json.Element();
      json.Open('{');
      json.Key("string");
      json.Integer(j + 1);
      json.Key("serials");
      json.Open('[');
      for (std::size_t p = 0; p < s; ++p) {
        json.Element();
        json.String(plan.lot.Serial(mode.slots[string * s + p]));
      }
      json.Close(']');
      json.Key("voc_cold_v");
      json.Number(plan.string_voc_cold_v[string]);
      json.Close('}');
    }
    json.Close(']');
    // The inverter window's checks, as the assessment file holds them.
    const InverterWindow& w = plan.windows_by_input[q];
    json.Key("window");
    json.Open('{');
    json.Key("checks");
    json.Open('{');
    WriteCheck(json, "max_voltage", w.max_voltage, "v");
    WriteCheck(json, "mppt_min", w.mppt_min, "v");
    WriteCheck(json, "mppt_max", w.mppt_max, "v");
    WriteCheck(json, "short_circuit_current", w.short_circuit_current, "a");
    WriteCheck(json, "input_current", w.input_current, "a");
    json.Close('}');
    json.Key("ok");
    json.Bool(w.ok);
    json.Close('}');
    json.Close('}');
  }
  json.Close(']');
  json.Close('}');
  return out;
}

struct VoltageFigures {
  double highest_v = 0;
  double limit_v = 0;
  bool ok = true;
};

VoltageFigures Voltage(const PlantPlan& plan) {
  VoltageFigures v;
  bool first = true;
  for (std::size_t j = 0; j < plan.string_voc_cold_v.size(); ++j) {
    const double voc = plan.string_voc_cold_v[j];
    if (!AtOrBelowLimit(voc, plan.string_limit_v[j])) v.ok = false;
    // A NaN voltage stays the highest.
    if (first || (!std::isnan(v.highest_v) && !(voc <= v.highest_v))) {
      v.highest_v = voc;
      v.limit_v = plan.string_limit_v[j];
      first = false;
    }
  }
  return v;
}

bool AllWindowsOk(const PlantPlan& plan) {
  return std::all_of(plan.windows_by_input.begin(), plan.windows_by_input.end(),
                     [](const InverterWindow& w) { return w.ok; });
}

}  // namespace

std::vector<std::uint32_t> RegisterOrder(const PlantPlan& plan) {
  const Slots& slots = plan.Written().slots;
  const std::vector<std::uint32_t> slot = SlotOfModule(plan);
  std::vector<std::uint32_t> order(slots.begin(), slots.end());
  order.reserve(plan.lot.size());
  for (std::size_t m = 0; m < plan.lot.size(); ++m) {
    if (slot[m] == kSpare) order.push_back(static_cast<std::uint32_t>(m));
  }
  return order;
}

// By pallet (in order of first appearance), each pallet's modules in
// installation order and its spares last in delivery order: the register's
// order, sorted stably by pallet.
std::vector<std::uint32_t> PicklistOrder(const PlantPlan& plan, const std::vector<std::uint32_t>& register_order) {
  std::vector<std::size_t> start(plan.lot.pallet_names.size() + 1, 0);
  for (std::uint32_t m : register_order) ++start[plan.lot.pallet[m] + 1];
  for (std::size_t r = 1; r < start.size(); ++r) start[r] += start[r - 1];
  std::vector<std::uint32_t> order(register_order.size());
  for (std::uint32_t m : register_order) order[start[plan.lot.pallet[m]]++] = m;
  return order;
}

PlantFiles FormatPlantLists(const PlantPlan& plan) {
  const Rows rows = FormatRows(plan, SlotOfModule(plan));
  const std::vector<std::uint32_t> order = RegisterOrder(plan);
  const std::vector<std::uint32_t> picklist = PicklistOrder(plan, order);
  PlantFiles files;
  ParallelFor(0, 2, 1, [&](std::size_t first, std::size_t last) {
    for (std::size_t k = first; k < last; ++k) {
      (k == 0 ? files.register_csv : files.picklist_csv) = JoinRows(rows, k == 0 ? order : picklist);
    }
  });
  return files;
}

std::string FormatPlantJson(const PlantPlan& plan) {
  const ModeResult& mode = plan.Written();
  const AssessConditions& c = plan.conditions;
  const VoltageFigures voltage = Voltage(plan);
  const bool pallets = plan.modes[static_cast<std::size_t>(PlantSort::Pallets)].has_value();
  // The inverters, each laid out on its own at once, take the place of a marker.
  const std::string marker = "\x01inverters\x01";
  const Json doc{
      {"name", plan.layout.name ? Json(*plan.layout.name) : Json(nullptr)},
      {"sort", PlantSortName(plan.sort)},
      {"pallet_window", pallets ? Json(plan.pallet_window) : Json(nullptr)},
      {"conditions", Json{{"tmin_c", c.tmin_c},
                          {"voc_coefficient_pct_per_k", c.voc_coefficient_pct_per_k},
                          {"max_system_voltage_v", c.max_system_voltage_v},
                          {"t_cold_operating_c", c.t_cold_operating_c},
                          {"t_hot_c", c.t_hot_c},
                          {"isc_coefficient_pct_per_k", c.isc_coefficient_pct_per_k},
                          {"isc_factor", c.isc_factor}}},
      {"modules", Json{{"used", mode.slots.size()}, {"spare", plan.lot.size() - mode.slots.size()}}},
      {"plant", Json{{"pmp_w", Number(mode.figures.pmp_w)},
                     {"sum_mpp_w", Number(mode.figures.sum_mpp_w)},
                     {"mismatch_loss_pct", Number(mode.figures.mismatch_loss_pct)}}},
      {"modes", Json{{"delivered", ModeJson(plan.modes[0])},
                     {"pallets", ModeJson(plan.modes[1])},
                     {"free", ModeJson(plan.modes[2])}}},
      {"voltage", Json{{"highest_string_voc_cold_v", Number(voltage.highest_v)},
                       {"limit_v", Number(voltage.limit_v)},
                       {"ok", voltage.ok}}},
      {"inverters", marker},
      {"ok", voltage.ok && AllWindowsOk(plan)},
  };
  std::string text = FormatJsonText(doc);
  const std::size_t inverters = plan.structure.inverters.size();
  std::vector<std::string> parts(inverters);
  ParallelFor(0, inverters, 4, [&](std::size_t first, std::size_t last) {
    for (std::size_t i = first; i < last; ++i) parts[i] = InverterText(plan, i);
  });
  // The head, the inverters and the tail, into one text of its final size.
  const std::string quoted = Json(marker).dump();
  const std::size_t at = text.find(quoted);
  std::size_t size = text.size() - quoted.size() + 8;
  for (const std::string& part : parts) size += part.size() + 2;
  std::string out;
  out.reserve(size);
  out.append(text, 0, at);
  out += "[\n";
  for (std::size_t i = 0; i < inverters; ++i) {
    out += parts[i];
    out += i + 1 < inverters ? ",\n" : "\n";
    std::string().swap(parts[i]);
  }
  out += "  ]";
  out.append(text, at + quoted.size(), std::string::npos);
  return out;
}

PlantSummary SummaryOf(const PlantPlan& plan) {
  PlantSummary s;
  const PlantStructure& st = plan.structure;
  const ModeResult& mode = plan.Written();
  s.name = plan.layout.name;
  s.sort = plan.sort;
  s.pallet_window = plan.pallet_window;
  s.modules_used = static_cast<std::int64_t>(mode.slots.size());
  s.modules_spare = static_cast<std::int64_t>(plan.lot.size() - mode.slots.size());
  s.strings = st.strings();
  s.inputs = static_cast<std::int64_t>(st.inputs.size());
  s.inverters = static_cast<std::int64_t>(st.inverters.size());
  s.modules_per_string = st.series;
  s.plant = mode.figures;
  for (std::size_t k = 0; k < s.modes.size(); ++k) {
    if (plan.modes[k]) s.modes[k] = plan.modes[k]->figures;
  }
  const VoltageFigures voltage = Voltage(plan);
  s.highest_string_voc_cold_v = voltage.highest_v;
  s.voltage_limit_v = voltage.limit_v;
  s.voltage_ok = voltage.ok;
  for (const PlantStructure::Inverter& inverter : st.inverters) s.inverter_names.push_back(inverter.name);
  const auto fail = [&](PlantFailedCheck check) {
    ++s.failed_count;
    if (s.failed.size() < kMaxPlantFaults) s.failed.push_back(check);
  };
  for (std::size_t q = 0; q < st.inputs.size(); ++q) {
    const PlantStructure::Input& in = st.inputs[q];
    const int inverter = static_cast<int>(in.inverter);
    for (int j = 0; j < in.strings; ++j) {
      const std::size_t string = static_cast<std::size_t>(in.first_string) + static_cast<std::size_t>(j);
      if (!AtOrBelowLimit(plan.string_voc_cold_v[string], plan.string_limit_v[string])) {
        fail({PlantFailedCheck::Kind::StringVoltage, inverter, in.number, j + 1, plan.string_voc_cold_v[string],
              plan.string_limit_v[string]});
      }
    }
    // The window's highest string voltage is the strings' own check above.
    const InverterWindow& w = plan.windows_by_input[q];
    const struct {
      const WindowCheck& check;
      PlantFailedCheck::Kind kind;
    } checks[] = {{w.mppt_min, PlantFailedCheck::Kind::MpptMin},
                  {w.mppt_max, PlantFailedCheck::Kind::MpptMax},
                  {w.short_circuit_current, PlantFailedCheck::Kind::ShortCircuitCurrent}};
    for (const auto& c : checks) {
      if (c.check.ok && !*c.check.ok) fail({c.kind, inverter, in.number, 0, c.check.value, *c.check.limit});
    }
    if (w.input_current.ok && !*w.input_current.ok) ++s.inputs_clipping;
  }
  s.inputs_searched = mode.searched + plan.window_searches;
  s.ok = voltage.ok && AllWindowsOk(plan);
  return s;
}

}  // namespace voltrigg::plant
