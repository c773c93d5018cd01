// Plant planning on lots with known answers: the fast maximum power point
// held to the search of assess/, the lists and the layout read and refused
// with their places, the three placements ordered and within their rules,
// the checks at their limits, the three files agreeing with each other and
// the same bytes whatever the number of threads.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <map>
#include <nlohmann/json.hpp>
#include <set>
#include <sstream>

#include "app/shared/plant_texts.h"
#include "assess/array_curve.h"
#include "assess/json_text.h"
#include "input/field_reader.h"
#include "plant/input_mpp.h"
#include "plant/plant.h"
#include "plant/plant_plan.h"
#include "support/module_generator.h"
#include "support/plant_lot.h"

namespace voltrigg {
namespace {

using Json = nlohmann::json;
using Kind = PlantFault::Kind;
using testing::PlantLotModule;
using testing::PlantLotShape;

double Rel(double got, double want) { return std::fabs(got - want) / std::max(std::fabs(want), 1e-300); }

std::vector<PlantLotModule> Lot(int modules, std::uint64_t seed = 1, double spread = 0.006, double drift = 0.004) {
  PlantLotShape shape;
  shape.modules = modules;
  shape.seed = seed;
  shape.spread = spread;
  shape.pallet_drift = drift;
  return testing::GeneratePlantLot(shape);
}

PlantSource Text(const std::string& name, const std::string& text) { return PlantSource{name, "", text}; }

const char* kProfile =
    R"({"name": "Test 1500 V", "max_dc_voltage_v": 1500, "mppt_min_v": 500, "mppt_max_v": 1500,
        "max_input_current_a": 30, "max_short_circuit_current_a": 50})";

std::string Layout(int series, const std::vector<int>& strings_per_input, int count,
                   const std::string& profile = kProfile) {
  std::string inputs;
  for (int n : strings_per_input) inputs += (inputs.empty() ? "" : ", ") + std::to_string(n);
  return R"({"name": "Test plant", "modules_per_string": )" + std::to_string(series) +
         R"(, "inverter_groups": [{"prefix": "INV", "count": )" + std::to_string(count) +
         R"(, "strings_per_input": [)" + inputs + R"(], "profile": )" + profile + "}]}";
}

PlantRequest Request(std::vector<PlantSource> lists, const std::string& layout, PlantSort sort = PlantSort::Free) {
  PlantRequest r;
  r.lists = std::move(lists);
  r.layout = Text("plant.json", layout);
  r.sort = sort;
  r.conditions.max_system_voltage_v = 1500;
  return r;
}

PlantOutcome Plan(const PlantRequest& request) {
  PlantOutcome out = PlanPlant(request);
  EXPECT_FALSE(out.Refused()) << (out.faults.empty() ? "" : PlantFaultText(out.faults[0], Language::English));
  return out;
}

PlantFault FirstFault(const PlantRequest& request) {
  const PlantOutcome out = PlanPlant(request);
  EXPECT_TRUE(out.Refused());
  EXPECT_TRUE(out.files.register_csv.empty() && out.files.picklist_csv.empty() && out.files.plant_json.empty());
  return out.faults.empty() ? PlantFault{} : out.faults.front();
}

struct Row {
  std::string serial, pallet, inverter, input, string, position;
  bool operator==(const Row& o) const = default;
  bool operator<(const Row& o) const {
    return std::tie(serial, pallet, inverter, input, string, position) <
           std::tie(o.serial, o.pallet, o.inverter, o.input, o.string, o.position);
  }
};

// The register's or the pick list's rows, read back by the field reader.
std::vector<Row> Rows(const std::string& csv) {
  std::istringstream in(csv);
  FieldReader reader(in);
  std::vector<std::string> fields;
  std::vector<Row> rows;
  bool header = true;
  while (!reader.AtEnd()) {
    fields.clear();
    for (;;) {
      auto f = reader.Next();
      EXPECT_TRUE(f.has_value());
      if (!f) return rows;
      fields.push_back(f->text);
      if (f->ends_line) break;
    }
    EXPECT_EQ(fields.size(), 6u);
    if (fields.size() != 6) return rows;
    if (header) {
      EXPECT_EQ(fields, (std::vector<std::string>{"serial", "pallet", "inverter", "input", "string", "position"}));
      header = false;
      continue;
    }
    rows.push_back(Row{fields[0], fields[1], fields[2], fields[3], fields[4], fields[5]});
  }
  return rows;
}

// ------------------------------------------------------------ input MPP

struct Fitted {
  std::vector<ModuleCurve> curves;
  std::vector<plant::DiodeModule> diodes;
};

Fitted Fit(const std::vector<PlantLotModule>& lot) {
  Fitted f;
  for (const PlantLotModule& m : lot) {
    const CurveFit fit = FitModuleCurve(static_cast<float>(m.vmp_v), static_cast<float>(m.imp_a),
                                        static_cast<float>(m.voc_v), static_cast<float>(m.isc_a));
    EXPECT_EQ(fit.problem, FitProblem::None);
    plant::DiodeModule d;
    EXPECT_TRUE(plant::PrepareDiodeModule(fit.curve, static_cast<float>(m.imp_a), d));
    f.curves.push_back(fit.curve);
    f.diodes.push_back(d);
  }
  return f;
}

TEST(InputMpp, EqualsTheSearchOfAssessOnMatchedAndMismatchedInputs) {
  // Spreads from a real lot's to one where modules of a string are bypassed at the top.
  int searched = 0;
  for (const double spread : {0.006, 0.03, 0.08}) {
    const std::vector<PlantLotModule> lot = Lot(2400, 7, spread, 0.01);
    const Fitted fitted = Fit(lot);
    std::size_t next = 0;
    for (int strings : {1, 2, 3, 4}) {
      for (int series : {1, 5, 25}) {
        for (int input = 0; input < 6; ++input) {
          plant::InputModules in;
          Wiring wiring;
          for (int j = 0; j < strings; ++j) {
            in.string_sizes.push_back(series);
            wiring.emplace_back();
            for (int p = 0; p < series; ++p, ++next) {
              in.curves.push_back(fitted.curves[next % lot.size()]);
              in.diodes.push_back(fitted.diodes[next % lot.size()]);
              wiring.back().push_back(static_cast<int>(in.curves.size()) - 1);
            }
          }
          const plant::InputPoint fast = plant::InputMaximumPowerPoint(in);
          const PowerPoint search = ArrayMaximumPowerPoint(in.curves, wiring);
          searched += fast.searched ? 1 : 0;
          // The search stops within 1e-10 of the top; the Newton solve is at it.
          EXPECT_LT(Rel(fast.point.pmp_w, search.pmp_w), 2e-10) << spread << " " << strings << "x" << series;
          EXPECT_GE(fast.point.pmp_w, search.pmp_w * (1 - 1e-12));
          EXPECT_LT(Rel(fast.point.vmp_v, search.vmp_v), 1e-4);
          EXPECT_NEAR(fast.point.pmp_w, fast.point.vmp_v * fast.point.imp_a, 1e-9 * fast.point.pmp_w);
          EXPECT_LT(Rel(plant::InputCurrentAtZeroVoltsA(in), ArrayCurrentA(in.curves, wiring, 0.0)), 1e-13);
        }
      }
    }
  }
  // The widest spread takes the general search somewhere; a real lot never.
  EXPECT_GT(searched, 0);
}

TEST(InputMpp, IdenticalModulesGiveTheirOwnPowerTimesTheirNumberAndNoInputIsEmpty) {
  const CurveFit fit = FitModuleCurve(44.0, 13.2, 52.5, 14.0);
  plant::DiodeModule d;
  ASSERT_TRUE(plant::PrepareDiodeModule(fit.curve, 13.2, d));
  plant::InputModules in;
  for (int j = 0; j < 3; ++j) {
    in.string_sizes.push_back(20);
    for (int p = 0; p < 20; ++p) {
      in.curves.push_back(fit.curve);
      in.diodes.push_back(d);
    }
  }
  // The fit's root leaves the curve's own top a hair above the measured point.
  const PowerPoint p = plant::InputMaximumPowerPoint(in).point;
  const PowerPoint one = ArrayMaximumPowerPoint({fit.curve}, {{0}});
  EXPECT_LT(Rel(p.pmp_w, 60 * one.pmp_w), 2e-10);
  EXPECT_LT(Rel(p.pmp_w, 60 * 44.0 * 13.2), 1e-10);
  EXPECT_LT(Rel(p.vmp_v, 20 * one.vmp_v), 1e-5);
  EXPECT_EQ(plant::InputMaximumPowerPoint(plant::InputModules{}).point.pmp_w, 0.0);
  plant::InputModules bad = in;
  bad.string_sizes.push_back(1);  // more modules named than given
  EXPECT_THROW(plant::InputMaximumPowerPoint(bad), std::invalid_argument);
}

// ------------------------------------------------------------ the lists

TEST(PlantLists, BothFormatsShiftJisAndLineEndsReadAlike) {
  const std::vector<PlantLotModule> lot = Lot(300);
  const std::string csv = testing::FormatPlantCsv(lot);
  std::string lf = csv;
  lf.erase(std::remove(lf.begin(), lf.end(), '\r'), lf.end());
  // Columns in another order, an unknown one carried and ignored, names in capitals.
  std::string shuffled = "Imp_A,note,serial,isc_a,voc_v,vmp_v,pmax_w,pallet\n";
  for (const PlantLotModule& m : lot) {
    char line[200];
    (void)std::snprintf(line, sizeof line, "%.3f,x y,%s,%.3f,%.2f,%.2f,%.1f,%s\n", m.imp_a, m.serial.c_str(), m.isc_a,
                        m.voc_v, m.vmp_v, m.pmax_w, m.pallet.c_str());
    shuffled += line;
  }
  const auto read = [](const std::string& text) {
    return plant::ReadPlantLists({Text("a.csv", text)}, ExtrasUse::VocIsc, plant::PalletColumn::Optional);
  };
  const plant::LotReading a = read(csv);
  ASSERT_TRUE(a.faults.empty());
  ASSERT_EQ(a.lot.size(), lot.size());
  for (const std::string& text : {lf, shuffled, testing::FormatPlantModuleList(lot)}) {
    const plant::LotReading b = read(text);
    ASSERT_TRUE(b.faults.empty());
    EXPECT_EQ(b.lot.imp_a, a.lot.imp_a);
    EXPECT_EQ(b.lot.voc_v, a.lot.voc_v);
    EXPECT_EQ(b.lot.isc_a, a.lot.isc_a);
    EXPECT_EQ(b.lot.serial_text, a.lot.serial_text);
    EXPECT_EQ(b.lot.line, a.lot.line);
  }
  // A module list has no pallets; columns 6 and 7 the other way round with IscVoc.
  EXPECT_FALSE(read(testing::FormatPlantModuleList(lot)).lot.file_has_pallet[0]);
  std::string swapped = "No.,S/N,Pmax,Vpm,Ipm,Isc,Voc\r\n1,A,580,44,13.2,14,52.5\r\n";
  const plant::LotReading c =
      plant::ReadPlantLists({Text("b.csv", swapped)}, ExtrasUse::IscVoc, plant::PalletColumn::Optional);
  ASSERT_TRUE(c.faults.empty());
  EXPECT_EQ(c.lot.voc_v[0], 52.5f);
  // Shift-JIS: a pallet and a serial in Japanese, decoded to UTF-8.
  const std::string sjis =
      "serial,pallet,pmax_w,vmp_v,imp_a,voc_v,isc_a\r\n\x83\x56-1,\x83\x70\x83\x8C\x83\x62\x83\x67"
      ",580.8,44,13.2,52.5,14\r\n";
  const plant::LotReading d = read(sjis);
  ASSERT_TRUE(d.faults.empty());
  EXPECT_EQ(d.lot.Serial(0), "シ-1");
  EXPECT_EQ(d.lot.pallet_names[d.lot.pallet[0]], "パレット");
}

TEST(PlantLists, ALargeListReadInPiecesEqualsItReadWholeAndNamesLinesFarIntoIt) {
  const std::vector<PlantLotModule> lot = Lot(45000);
  const std::string csv = testing::FormatPlantCsv(lot);
  ASSERT_GT(csv.size(), std::size_t{2} << 20);  // several pieces
  // A double quote anywhere makes the reader take the list in one piece.
  std::string quoted = csv;
  quoted.replace(0, 6, "\"serial\"");
  const auto read = [](const std::string& text) {
    return plant::ReadPlantLists({Text("a.csv", text)}, ExtrasUse::VocIsc, plant::PalletColumn::Optional);
  };
  const plant::LotReading pieces = read(csv);
  const plant::LotReading whole = read(quoted);
  ASSERT_TRUE(pieces.faults.empty() && whole.faults.empty());
  EXPECT_EQ(pieces.lot.vmp_v, whole.lot.vmp_v);
  EXPECT_EQ(pieces.lot.serial_text, whole.lot.serial_text);
  EXPECT_EQ(pieces.lot.serial_end, whole.lot.serial_end);
  EXPECT_EQ(pieces.lot.pallet, whole.lot.pallet);
  EXPECT_EQ(pieces.lot.pallet_names, whole.lot.pallet_names);
  EXPECT_EQ(pieces.lot.line, whole.lot.line);
  EXPECT_EQ(pieces.lot.line.back(), 45001u);
  // A bad value on line 25002 (data row 25001), with blank lines before it, CR LF and LF.
  for (const bool crlf : {true, false}) {
    std::string text = crlf ? csv : std::string();
    if (!crlf) {
      for (char c : csv) {
        if (c != '\r') text += c;
      }
    }
    const std::string eol = crlf ? "\r\n" : "\n";
    text.insert(text.find(eol) + eol.size(), eol + eol);  // two blank lines after the header
    std::size_t at = 0;
    for (int k = 0; k < 25001 + 2; ++k) at = text.find(eol, at) + eol.size();
    const std::size_t comma = text.find(',', text.find(',', at) + 1);  // the third field: pmax_w
    text.replace(comma + 1, text.find(',', comma + 1) - comma - 1, "5x8");
    const plant::LotReading bad = read(text);
    ASSERT_EQ(bad.faults.size(), 1u);
    EXPECT_EQ(bad.faults[0].kind, Kind::NotANumber);
    EXPECT_EQ(bad.faults[0].line, 25004);
    EXPECT_EQ(bad.faults[0].field, "pmax_w");
    EXPECT_EQ(bad.faults[0].value, "5x8");
  }
}

// The field reader takes the run of an unquoted field within its buffer at
// once (for plant lists of millions of fields): the same fields as byte by
// byte across its 64 KiB buffer, at the length limit and at a NUL byte.
TEST(PlantLists, TheFieldReaderTakesRunsOfBytesAsItTookBytes) {
  testing::SeededRandom random(3);
  std::string text;
  std::vector<std::vector<std::string>> want;
  while (text.size() < 5 * 64 * 1024) {
    std::vector<std::string>& line = want.emplace_back();
    const int fields = 1 + random.Below(6);
    for (int f = 0; f < fields; ++f) {
      // Never a line of one empty field: a blank line holds no fields.
      std::string field(static_cast<std::size_t>(1 + random.Below(random.Below(10) == 0 ? 3000 : 12)), 'x');
      for (char& c : field) c = static_cast<char>('a' + random.Below(26));
      text += std::string(static_cast<std::size_t>(random.Below(2)), ' ') + field +
              std::string(static_cast<std::size_t>(random.Below(2)), ' ') + (f + 1 < fields ? "," : "\n");
      line.push_back(field);
    }
  }
  std::istringstream in(text);
  FieldReader reader(in);
  for (const std::vector<std::string>& line : want) {
    for (std::size_t f = 0; f < line.size(); ++f) {
      const std::optional<FieldReader::Field> got = reader.Next();
      ASSERT_TRUE(got.has_value());
      EXPECT_EQ(got->text, line[f]);
      EXPECT_EQ(got->ends_line, f + 1 == line.size());
    }
  }
  EXPECT_TRUE(reader.AtEnd());
  // The limit: a field of exactly 64 KiB is read, one byte more is refused;
  // a NUL byte past the buffer's first fill is still found.
  for (const std::size_t size : {FieldReader::kMaxFieldBytes, FieldReader::kMaxFieldBytes + 1}) {
    std::istringstream one("a," + std::string(size, 'y') + ",b\n");
    FieldReader r(one);
    ASSERT_TRUE(r.Next().has_value());
    const std::optional<FieldReader::Field> big = r.Next();
    EXPECT_EQ(big.has_value(), size == FieldReader::kMaxFieldBytes);
    if (!big) {
      EXPECT_EQ(r.LastProblem(), FieldReader::Problem::TooLong);
    }
  }
  std::string lines;
  while (lines.size() < 70000) lines += "abc,def\n";
  std::istringstream nul(lines + "zz" + std::string(1, '\0') + "q\n");
  FieldReader r(nul);
  while (r.Next().has_value()) {
  }
  EXPECT_EQ(r.LastProblem(), FieldReader::Problem::NulByte);
}

TEST(PlantLists, EveryRefusalNamesItsListLineFieldAndValue) {
  const std::string header = "serial,pallet,pmax_w,vmp_v,imp_a,voc_v,isc_a\r\n";
  const std::string good = "A-1,P1,580.8,44,13.2,52.5,14\r\n";
  struct Case {
    std::string row;
    Kind kind;
    std::string field;
    std::string value;
  };
  const std::vector<Case> cases = {
      {",P1,580.8,44,13.2,52.5,14", Kind::EmptySerial, "serial", ""},
      {"B,P1,580.8,44,abc,52.5,14", Kind::NotANumber, "imp_a", "abc"},
      {"B,P1,580.8,44,13.2,1e99,14", Kind::NotFinite, "voc_v", "1e99"},
      {"B,P1,580.8,44,13.2,nan,14", Kind::NotANumber, "voc_v", "nan"},
      {"B,P1,580.8,44,13.2,52.5,", Kind::NotPositive, "isc_a", ""},
      {"B,P1,-580.8,44,13.2,52.5,14", Kind::NotPositive, "pmax_w", "-580.8"},
      {"B,P1,580.8,44,13.2,44,14", Kind::VocNotAboveVmp, "voc_v", "44"},
      {"B,P1,580.8,44,13.2,52.5,13.2", Kind::IscNotAboveImp, "isc_a", "13.2"},
      {"B,P1,580.8,44,13.2,88.5,14", Kind::ImplausibleRatio, "voc_v", "88.5"},
      {"B,P1,5808,44,13.2,52.5,14", Kind::PmaxMismatch, "pmax_w", "5808"},
      {"B,P1,580.8,44,13.2,52.5", Kind::FieldCount, "", ""},
      {"B,P1,580.8,44,13.2,52.5,14,9", Kind::FieldCount, "", ""},
      {"A-1,P2,580.8,44,13.2,52.5,14", Kind::RepeatedSerial, "serial", "A-1"},
      {"B,P1,580.8,44,13.2,45,14", Kind::CurveNotFitted, "", "B"},
  };
  for (const Case& c : cases) {
    PlantRequest r = Request({Text("first.csv", header + good), Text("second.csv", header + "\r\n" + c.row + "\r\n")},
                             Layout(1, {1}, 1));
    const PlantFault f = FirstFault(r);
    EXPECT_EQ(f.kind, c.kind) << c.row;
    EXPECT_EQ(f.file, 1) << c.row;
    EXPECT_EQ(f.file_name, "second.csv");
    EXPECT_EQ(f.line, 3) << c.row;
    EXPECT_EQ(f.field, c.field) << c.row;
    if (c.kind != Kind::FieldCount) {
      EXPECT_EQ(f.value, c.value) << c.row;
    }
    if (c.kind == Kind::RepeatedSerial) {
      EXPECT_EQ(f.first.file, 0);
      EXPECT_EQ(f.first.line, 2);
      EXPECT_EQ(f.first_file_name, "first.csv");
    }
    if (c.kind == Kind::FieldCount) {
      EXPECT_EQ(f.needed, 7);
      EXPECT_NE(f.count, 7);
    }
    if (c.kind == Kind::CurveNotFitted) {
      EXPECT_EQ(f.fit_problem, FitProblem::CurveNotFalling);
    }
    // Every refusal in both languages, naming the list.
    EXPECT_NE(PlantFaultText(f, Language::English).find("second.csv"), std::string::npos) << c.row;
    EXPECT_NE(PlantFaultText(f, Language::Japanese).find("second.csv"), std::string::npos) << c.row;
  }
  // The list as a whole.
  const struct {
    std::string text;
    Kind kind;
  } files[] = {
      {"", Kind::NoHeader},
      {" \r\n\r\n", Kind::NoHeader},
      {"a,b,c\r\n", Kind::UnknownHeader},
      {"serial,pmax_w,vmp_v,imp_a,voc_v\r\n", Kind::MissingColumn},
      {"serial,pmax_w,vmp_v,imp_a,voc_v,isc_a,Serial\r\n", Kind::RepeatedColumn},
      {header + "A-2,P1,580.8,44,13.2,52.5,14\r\nB,\"P1,580.8\r\n", Kind::UnclosedQuote},
      {header + "B,P1,580.8,44,13.2,52.5,1" + std::string(1, '\0') + "4\r\n", Kind::NotText},
  };
  for (const auto& file : files) {
    const PlantFault f = FirstFault(Request({Text("l.csv", file.text)}, Layout(1, {1}, 1)));
    EXPECT_EQ(f.kind, file.kind) << file.text;
    EXPECT_EQ(f.file_name, "l.csv");
    EXPECT_FALSE(PlantFaultText(f, Language::English).empty());
    EXPECT_FALSE(PlantFaultText(f, Language::Japanese).empty());
  }
  EXPECT_EQ(
      FirstFault(Request({PlantSource{"gone.csv", "/nonexistent/gone.csv", std::nullopt}}, Layout(1, {1}, 1))).kind,
      Kind::FileUnreadable);
  EXPECT_EQ(FirstFault(Request({}, Layout(1, {1}, 1))).kind, Kind::NoLists);
  // Pallets need a pallet column in every list and a pallet on every row.
  const std::string no_pallet = "serial,pmax_w,vmp_v,imp_a,voc_v,isc_a\r\nA,580.8,44,13.2,52.5,14\r\n";
  PlantFault f = FirstFault(
      Request({Text("l.csv", header + good), Text("m.csv", no_pallet)}, Layout(1, {1}, 1), PlantSort::Pallets));
  EXPECT_EQ(f.kind, Kind::NoPalletColumn);
  EXPECT_EQ(f.file, 1);
  f = FirstFault(
      Request({Text("l.csv", header + "A,,580.8,44,13.2,52.5,14\r\n")}, Layout(1, {1}, 1), PlantSort::Pallets));
  EXPECT_EQ(f.kind, Kind::EmptyPallet);
  // Without pallets the same lists plan, with no pallets figures.
  const PlantOutcome plain = Plan(Request({Text("l.csv", header + good), Text("m.csv", no_pallet)}, Layout(1, {1}, 2)));
  EXPECT_FALSE(plain.summary.modes[1].has_value());
  EXPECT_TRUE(Json::parse(plain.files.plant_json)["modes"]["pallets"].is_null());
}

TEST(PlantLists, TooManyModulesAreRefusedWithTheirCount) {
  std::string text = "serial,pmax_w,vmp_v,imp_a,voc_v,isc_a\n";
  text.reserve(static_cast<std::size_t>(kMaxPlantModules) * 12);
  for (std::int64_t k = 0; k <= kMaxPlantModules; ++k) text += std::to_string(k) + ",1,1,1,2,2\n";
  const plant::LotReading r =
      plant::ReadPlantLists({Text("big.csv", text)}, ExtrasUse::VocIsc, plant::PalletColumn::Optional);
  ASSERT_EQ(r.faults.size(), 1u);
  EXPECT_EQ(r.faults[0].kind, Kind::TooManyRows);
  EXPECT_EQ(r.faults[0].count, kMaxPlantModules + 1);
}

TEST(PlantLists, WarningsAsForAPlanningRunNameTheirPlaces) {
  std::vector<PlantLotModule> lot = Lot(200);
  // One module of another class: it fits and passes, but lies far from the lot.
  lot[57].vmp_v = 34.0;
  lot[57].imp_a = 9.5;
  lot[57].pmax_w = 323.0;
  lot[57].voc_v = 40.6;
  lot[57].isc_a = 10.1;
  std::string list = testing::FormatPlantModuleList(lot);
  // Module number 3 twice in the module list.
  list.replace(list.find("\r\n4,") + 2, 1, "3");
  const PlantOutcome out = Plan(Request({Text("a.csv", list)}, Layout(10, {2}, 9)));
  std::map<std::string, const PlantWarning*> by_name;
  for (const PlantWarning& w : out.warnings) by_name[w.name] = &w;
  ASSERT_TRUE(by_name.count("モジュール番号"));
  EXPECT_EQ(by_name["モジュール番号"]->kind, ListWarning::Kind::DuplicateNumber);
  ASSERT_EQ(by_name["モジュール番号"]->places.size(), 2u);
  EXPECT_EQ(by_name["モジュール番号"]->places[1].line, 5);
  for (const char* name : {"Pmax", "Vpm", "Ipm", "Voc", "Isc"}) {
    ASSERT_TRUE(by_name.count(name)) << name;
    ASSERT_EQ(by_name[name]->places.size(), 1u);
    EXPECT_EQ(by_name[name]->places[0].line, 59);
  }
  const std::string text = PlantWarningText(*by_name["Vpm"], {"a.csv"}, Language::English);
  EXPECT_NE(text.find("a.csv, line 59 (34 V)"), std::string::npos) << text;
}

// ------------------------------------------------------------ the layout

TEST(PlantLayout, NamesInstallationOrderAndEveryRefusalNamesItsKey) {
  const plant::LayoutReading r = plant::ReadPlantLayout(Text("p.json", R"({"modules_per_string": 3, "inverter_groups": [
                    {"prefix": "A", "count": 9, "strings_per_input": [1, 2], "profile": {"max_dc_voltage_v": 1500}},
                    {"prefix": "B", "count": 10, "strings_per_input": [3.0], "profile": {"mppt_min_v": 200}}]})"));
  ASSERT_TRUE(r.faults.empty());
  // A profile that gives no limit checks nothing: refused, as for a single array.
  const plant::LayoutReading empty = plant::ReadPlantLayout(Text("p.json", R"({"modules_per_string": 3,
                    "inverter_groups": [{"prefix": "A", "count": 1, "strings_per_input": [1], "profile": {}}]})"));
  ASSERT_EQ(empty.faults.size(), 1u);
  EXPECT_EQ(empty.faults[0].kind, PlantFault::Kind::LayoutProfile);
  EXPECT_EQ(empty.faults[0].field, "inverter_groups[0].profile");
  ASSERT_TRUE(empty.faults[0].profile.has_value());
  EXPECT_EQ(empty.faults[0].profile->what, ProfileFaultKind::NoLimit);
  const plant::PlantStructure s = plant::ExpandLayout(*r.layout);
  ASSERT_EQ(s.inverters.size(), 19u);
  EXPECT_EQ(s.inverters[0].name, "A-1");
  EXPECT_EQ(s.inverters[9].name, "B-01");
  EXPECT_EQ(s.inverters[18].name, "B-10");
  EXPECT_EQ(plant::InverterName("INV", 7, 100), "INV-007");
  EXPECT_EQ(s.strings(), 9 * 3 + 10 * 3);
  EXPECT_EQ(s.modules(), 3 * s.strings());
  EXPECT_EQ(s.inputs[1].number, 2);
  EXPECT_EQ(s.inputs[1].first_string, 1);
  EXPECT_EQ(*r.layout->groups[1].profile.mppt_min_v, 200.0);

  const struct {
    std::string text;
    Kind kind;
    std::string field;
  } cases[] = {
      {"[1]", Kind::LayoutWrongType, ""},
      {"{", Kind::LayoutNotJson, ""},
      {R"({"modules_per_string": 2, "modules_per_string": 3, "inverter_groups": []})", Kind::LayoutRepeatedKey,
       "modules_per_string"},
      {R"({"modules_per_string": 2, "inverter_groups": [{"prefix": "A", "count": 1, "strings_per_input": [1],
           "profile": {"mppt_min_v": 1, "mppt_min_v": 2}}]})",
       Kind::LayoutRepeatedKey, "inverter_groups[0].profile.mppt_min_v"},
      {R"({"modules_per_string": 2, "inverter_groups": [], "colour": 1})", Kind::LayoutUnknownKey, "colour"},
      {R"({"inverter_groups": []})", Kind::LayoutMissingKey, "modules_per_string"},
      {R"({"modules_per_string": 61, "inverter_groups": []})", Kind::LayoutOutOfRange, "modules_per_string"},
      {R"({"modules_per_string": 2.5, "inverter_groups": []})", Kind::LayoutWrongType, "modules_per_string"},
      {R"({"modules_per_string": 2, "inverter_groups": []})", Kind::LayoutWrongType, "inverter_groups"},
      {R"({"modules_per_string": 2, "inverter_groups": [{"prefix": "A", "count": 1, "strings_per_input": [1]}]})",
       Kind::LayoutMissingKey, "inverter_groups[0].profile"},
      {R"({"modules_per_string": 2, "inverter_groups": [{"prefix": "", "count": 1, "strings_per_input": [1],
           "profile": {"max_dc_voltage_v": 1500}}]})",
       Kind::LayoutOutOfRange, "inverter_groups[0].prefix"},
      {R"({"modules_per_string": 2, "inverter_groups": [{"prefix": "A", "count": 1, "strings_per_input": [1, 0],
           "profile": {"max_dc_voltage_v": 1500}}]})",
       Kind::LayoutOutOfRange, "inverter_groups[0].strings_per_input[1]"},
      {R"({"modules_per_string": 2, "inverter_groups": [{"prefix": "A", "count": 1, "strings_per_input": [1],
           "profile": {"max_dc_voltage_v": -5}}]})",
       Kind::LayoutProfile, "inverter_groups[0].profile"},
      {R"({"modules_per_string": 2, "inverter_groups": [
           {"prefix": "A", "count": 12, "strings_per_input": [1], "profile": {"max_dc_voltage_v": 1500}},
           {"prefix": "A", "count": 10, "strings_per_input": [1], "profile": {"max_dc_voltage_v": 1500}}]})",
       Kind::LayoutRepeatedInverter, "inverter_groups"},
      {R"({"modules_per_string": 60, "inverter_groups": [{"prefix": "A", "count": 100000,
           "strings_per_input": [1000], "profile": {"max_dc_voltage_v": 1500}}]})",
       Kind::LayoutOutOfRange, "inverter_groups"},
  };
  for (const auto& c : cases) {
    const plant::LayoutReading bad = plant::ReadPlantLayout(Text("p.json", c.text));
    ASSERT_EQ(bad.faults.size(), 1u) << c.text;
    EXPECT_EQ(bad.faults[0].kind, c.kind) << c.text;
    EXPECT_EQ(bad.faults[0].field, c.field) << c.text;
    EXPECT_EQ(bad.faults[0].file_name, "p.json");
    EXPECT_NE(PlantFaultText(bad.faults[0], Language::English).find("p.json"), std::string::npos);
    EXPECT_NE(PlantFaultText(bad.faults[0], Language::Japanese).find("p.json"), std::string::npos);
  }
  // The profile's own reader speaks for the profile.
  const plant::LayoutReading profile =
      plant::ReadPlantLayout(Text("p.json", R"({"modules_per_string": 2, "inverter_groups": [{"prefix": "A", "count": 1,
                   "strings_per_input": [1], "profile": {"mppt_min_v": 900, "mppt_max_v": 800}}]})"));
  ASSERT_TRUE(profile.faults.at(0).profile.has_value());
  EXPECT_EQ(profile.faults.at(0).profile->key, "mppt_min_v");
  EXPECT_NE(PlantFaultText(profile.faults.at(0), Language::English).find("mppt_min_v"), std::string::npos);
  // Fewer modules than the layout needs: both counts.
  const PlantFault few = FirstFault(Request({Text("l.csv", testing::FormatPlantCsv(Lot(20)))}, Layout(7, {3}, 1)));
  EXPECT_EQ(few.kind, Kind::TooFewModules);
  EXPECT_EQ(few.count, 20);
  EXPECT_EQ(few.needed, 21);
}

// ------------------------------------------------------------ the placements

struct Planned {
  PlantOutcome outcome;
  Json json;
  std::vector<Row> register_rows;
  std::vector<Row> picklist_rows;
};

Planned PlanOf(const PlantRequest& request) {
  Planned p;
  p.outcome = Plan(request);
  p.json = Json::parse(p.outcome.files.plant_json);
  p.register_rows = Rows(p.outcome.files.register_csv);
  p.picklist_rows = Rows(p.outcome.files.picklist_csv);
  return p;
}

PlantModeFigures Mode(const PlantOutcome& o, PlantSort sort) {
  return *o.summary.modes[static_cast<std::size_t>(sort)];
}

TEST(PlantModes, IdenticalModulesLoseNothingInAnyMode) {
  std::string csv = "serial,pallet,pmax_w,vmp_v,imp_a,voc_v,isc_a\r\n";
  for (int k = 0; k < 130; ++k)
    csv += "S" + std::to_string(k) + ",P" + std::to_string(k / 33) + ",580.8,44,13.2,52.5,14\r\n";
  for (PlantSort sort : kPlantSorts) {
    const PlantOutcome out = Plan(Request({Text("l.csv", csv)}, Layout(12, {2, 1}, 3), sort));
    // Nothing lost but the hair between the fit's top and the measured point.
    for (PlantSort mode : kPlantSorts) {
      EXPECT_LT(std::fabs(Mode(out, mode).mismatch_loss_pct), 1e-8) << PlantSortName(mode);
      EXPECT_LT(Rel(Mode(out, mode).pmp_w, 108 * 44.0 * 13.2f), 1e-10);
    }
    EXPECT_EQ(out.summary.modules_spare, 22);
  }
}

TEST(PlantModes, CleanlySplitCurrentClassesGiveStringsOfOneClassInFree) {
  // Two current classes, 60 modules each, shuffled; strings of 10.
  std::vector<PlantLotModule> lot = Lot(120, 3, 0.003, 0.0);
  testing::SeededRandom random(5);
  random.Shuffle(lot);
  for (std::size_t k = 0; k < lot.size(); ++k) {
    const double scale = k < 60 ? 0.9 : 1.0;
    lot[k].imp_a = testing::RoundTo(lot[k].imp_a * scale, 0.001);
    lot[k].isc_a = testing::RoundTo(lot[k].isc_a * scale, 0.001);
    lot[k].pmax_w = testing::RoundTo(lot[k].vmp_v * lot[k].imp_a, 0.1);
  }
  std::map<std::string, bool> low;
  for (std::size_t k = 0; k < lot.size(); ++k) low[lot[k].serial] = k < 60;
  const Planned p = PlanOf(Request({Text("l.csv", testing::FormatPlantCsv(lot))}, Layout(10, {2, 2, 2}, 2)));
  std::map<std::string, std::set<bool>> classes;
  for (const Row& r : p.register_rows) classes[r.inverter + "/" + r.input + "/" + r.string].insert(low[r.serial]);
  EXPECT_EQ(classes.size(), 12u);
  for (const auto& [string, found] : classes) EXPECT_EQ(found.size(), 1u) << string;
  EXPECT_LT(Mode(p.outcome, PlantSort::Free).mismatch_loss_pct,
            Mode(p.outcome, PlantSort::Delivered).mismatch_loss_pct);
}

TEST(PlantModes, FreeIsNeverBelowPalletsNorPalletsBelowDeliveredNorFreeBelowTheSimpleRule) {
  for (const double spread : {0.006, 0.03}) {
    for (std::uint64_t seed = 1; seed <= 3; ++seed) {
      for (int window : {1, 2, 4}) {
        PlantRequest r = Request({Text("l.csv", testing::FormatPlantCsv(Lot(1400, seed, spread, 0.01)))},
                                 Layout(24, {2, 2, 1}, 11), PlantSort::Pallets);
        r.pallet_window = window;
        const plant::PlanMaking made = plant::MakePlantPlan(r);
        ASSERT_TRUE(made.plan.has_value());
        const plant::PlantPlan& plan = *made.plan;
        const double delivered = plan.modes[0]->figures.pmp_w;
        const double pallets = plan.modes[1]->figures.pmp_w;
        const double free = plan.modes[2]->figures.pmp_w;
        EXPECT_GE(pallets, delivered);
        EXPECT_GE(free, pallets);
        // The simple rule on the strongest modules and on those delivered first.
        const std::vector<std::uint32_t> order = plant::ImpOrder(plan.lot);
        const std::size_t used = static_cast<std::size_t>(plan.structure.modules());
        for (const auto& chosen : {plant::StrongestModules(plan.curves.traits, used), plant::DeliveredSlots(used)}) {
          const plant::ModeResult simple = plant::EvaluateSlots(plant::SimpleRuleSlots(order, chosen, plan.lot, 24),
                                                                plan.structure, plan.curves, plan.lot);
          EXPECT_GE(free, simple.figures.pmp_w);
        }
        // Sorting within windows gains on a real lot.
        if (spread < 0.01 && window > 1) {
          EXPECT_GT(pallets, delivered);
        }
      }
    }
  }
}

// The windows the delivered order gives: a string's lowest delivered pallet and
// `window` pallets on (at least the delivered string's), widened so that
// neither end falls.
std::vector<std::pair<int, int>> WindowsFromDelivered(const std::vector<Row>& delivered, int series, int window,
                                                      std::map<std::string, int>& rank) {
  for (const Row& r : delivered) rank.emplace(r.pallet, static_cast<int>(rank.size()));
  std::vector<std::pair<int, int>> w;
  for (std::size_t s = 0; s + static_cast<std::size_t>(series) <= delivered.size();
       s += static_cast<std::size_t>(series)) {
    if (delivered[s].inverter == "spare") break;
    int lo = std::numeric_limits<int>::max();
    int hi = 0;
    for (int p = 0; p < series; ++p) {
      lo = std::min(lo, rank[delivered[s + static_cast<std::size_t>(p)].pallet]);
      hi = std::max(hi, rank[delivered[s + static_cast<std::size_t>(p)].pallet]);
    }
    w.emplace_back(lo, std::max(hi, lo + window - 1));
  }
  for (std::size_t j = w.size(); j-- > 1;) w[j - 1].first = std::min(w[j - 1].first, w[j].first);
  for (std::size_t j = 1; j < w.size(); ++j) w[j].second = std::max(w[j].second, w[j - 1].second);
  return w;
}

TEST(PlantModes, PalletsTakeEveryModuleWithinItsWindowAndEveryModuleAppearsOnce) {
  // The rank order of pallets is their order in the files; pallets of 31 to 37, strings of 24.
  const std::vector<PlantLotModule> lot = Lot(1500, 9);
  const std::string first(testing::FormatPlantCsv({lot.begin(), lot.begin() + 700}));
  const std::string second(testing::FormatPlantCsv({lot.begin() + 700, lot.end()}));
  for (int window : {1, 2, 3}) {
    PlantRequest r =
        Request({Text("a.csv", first), Text("b.csv", second)}, Layout(24, {2, 2, 2}, 10), PlantSort::Delivered);
    r.pallet_window = window;
    const Planned delivered = PlanOf(r);
    r.sort = PlantSort::Pallets;
    const Planned pallets = PlanOf(r);
    std::map<std::string, int> rank;
    const auto windows = WindowsFromDelivered(delivered.register_rows, 24, window, rank);
    ASSERT_EQ(windows.size(), 60u);
    std::multiset<std::string> serials;
    for (std::size_t k = 0; k < pallets.register_rows.size(); ++k) {
      const Row& row = pallets.register_rows[k];
      serials.insert(row.serial);
      if (row.inverter == "spare") continue;
      // Rows in installation order: row k is position k % 24 of string k / 24.
      const auto [lo, hi] = windows[k / 24];
      EXPECT_GE(rank[row.pallet], lo) << row.serial;
      EXPECT_LE(rank[row.pallet], hi) << row.serial;
      if (window == 2) {
        EXPECT_LE(hi - lo + 1, 2);
      }
    }
    EXPECT_EQ(serials.size(), lot.size());
    EXPECT_EQ(std::set<std::string>(serials.begin(), serials.end()).size(), lot.size());
    EXPECT_EQ(pallets.outcome.summary.modules_used, 1440);
    EXPECT_EQ(pallets.outcome.summary.modules_spare, 60);
  }
}

// The plan's maximum power points recomputed from the curves of the modules
// its files name, and the three files compared with each other.
TEST(PlantFiles, EveryWrittenPmpIsTheInputsMaximumByTheCurvesAndTheThreeFilesAgree) {
  const std::vector<PlantLotModule> lot = Lot(1000, 11, 0.01, 0.01);
  std::map<std::string, PlantLotModule> by_serial;
  for (const PlantLotModule& m : lot) by_serial[m.serial] = m;
  for (PlantSort sort : kPlantSorts) {
    const Planned p = PlanOf(Request({Text("l.csv", testing::FormatPlantCsv(lot))}, Layout(20, {1, 2, 3}, 8), sort));
    const Json& j = p.json;
    EXPECT_EQ(j["sort"], PlantSortName(sort));
    EXPECT_EQ(j["modules"]["used"], 960);
    EXPECT_EQ(j["modules"]["spare"], 40);
    std::map<std::string, Row> placed;
    for (const Row& r : p.register_rows) placed[r.serial] = r;
    double plant_pmp = 0;
    ASSERT_EQ(j["inverters"].size(), 8u);
    for (const Json& inverter : j["inverters"]) {
      double inverter_pmp = 0;
      for (const Json& input : inverter["inputs"]) {
        std::vector<ModuleCurve> curves;
        Wiring wiring;
        for (const Json& string : input["strings"]) {
          wiring.emplace_back();
          int position = 0;
          double voc = 0;
          for (const Json& serial : string["serials"]) {
            const PlantLotModule& m = by_serial.at(serial.get<std::string>());
            curves.push_back(FitModuleCurve(static_cast<float>(m.vmp_v), static_cast<float>(m.imp_a),
                                            static_cast<float>(m.voc_v), static_cast<float>(m.isc_a))
                                 .curve);
            wiring.back().push_back(static_cast<int>(curves.size()) - 1);
            voc += static_cast<float>(m.voc_v);
            const Row& row = placed.at(serial.get<std::string>());
            EXPECT_EQ(row.inverter, inverter["name"].get<std::string>());
            EXPECT_EQ(row.input, std::to_string(input["input"].get<int>()));
            EXPECT_EQ(row.string, std::to_string(string["string"].get<int>()));
            EXPECT_EQ(row.position, std::to_string(++position));
          }
          EXPECT_DOUBLE_EQ(string["voc_cold_v"].get<double>(), ColdVocV(voc, AssessConditions{}));
        }
        const PowerPoint search = ArrayMaximumPowerPoint(curves, wiring);
        EXPECT_LT(Rel(input["pmp_w"].get<double>(), search.pmp_w), 2e-10);
        inverter_pmp += input["pmp_w"].get<double>();
      }
      EXPECT_DOUBLE_EQ(inverter["pmp_w"].get<double>(), inverter_pmp);
      plant_pmp += inverter_pmp;
    }
    EXPECT_LT(Rel(j["plant"]["pmp_w"].get<double>(), plant_pmp), 1e-12);
    // A real lot's inputs are all answered by the fast solve, at 25, 70 and 15 °C.
    EXPECT_EQ(p.outcome.summary.inputs_searched, 0);
    EXPECT_EQ(j["plant"]["pmp_w"].get<double>(), j["modes"][PlantSortName(sort)]["pmp_w"].get<double>());
    // The pick list holds the register's rows, by pallet in order of first
    // appearance, then in installation order with the spares last.
    EXPECT_EQ(std::multiset<Row>(p.register_rows.begin(), p.register_rows.end()),
              std::multiset<Row>(p.picklist_rows.begin(), p.picklist_rows.end()));
    std::map<std::string, std::size_t> register_at;
    for (std::size_t k = 0; k < p.register_rows.size(); ++k) register_at[p.register_rows[k].serial] = k;
    std::map<std::string, int> rank;
    for (const PlantLotModule& m : lot) rank.emplace(m.pallet, static_cast<int>(rank.size()));
    for (std::size_t k = 1; k < p.picklist_rows.size(); ++k) {
      const Row& a = p.picklist_rows[k - 1];
      const Row& b = p.picklist_rows[k];
      EXPECT_TRUE(rank[a.pallet] < rank[b.pallet] ||
                  (rank[a.pallet] == rank[b.pallet] && register_at[a.serial] < register_at[b.serial]))
          << a.serial << " " << b.serial;
    }
    // Spares last in the register, in delivery order.
    const auto first_spare = std::find_if(p.register_rows.begin(), p.register_rows.end(),
                                          [](const Row& r) { return r.inverter == "spare"; });
    EXPECT_EQ(first_spare - p.register_rows.begin(), 960);
    EXPECT_TRUE(std::is_sorted(first_spare, p.register_rows.end(),
                               [](const Row& a, const Row& b) { return a.serial < b.serial; }));
  }
}

TEST(PlantFiles, ThePlantFileIsLaidOutAsTheAssessmentFilesAreAndHoldsTheIssuesKeys) {
  const Planned p =
      PlanOf(Request({Text("l.csv", testing::FormatPlantCsv(Lot(320)))}, Layout(20, {2, 1}, 5), PlantSort::Pallets));
  // Read and laid out again by the project's JSON writer: the same bytes.
  const nlohmann::ordered_json ordered = nlohmann::ordered_json::parse(p.outcome.files.plant_json);
  std::vector<std::string> keys;
  for (const auto& [key, value] : ordered.items()) keys.push_back(key);
  EXPECT_EQ(FormatJsonText(ordered), p.outcome.files.plant_json);
  EXPECT_EQ(keys, (std::vector<std::string>{"name", "sort", "pallet_window", "conditions", "modules", "plant", "modes",
                                            "voltage", "inverters", "ok"}));
  const Json& input = p.json["inverters"][0]["inputs"][0];
  std::vector<std::string> input_keys;
  for (const auto& [key, value] : input.items()) input_keys.push_back(key);
  EXPECT_EQ(std::set<std::string>(input_keys.begin(), input_keys.end()),
            (std::set<std::string>{"input", "pmp_w", "vmp_v", "imp_a", "strings", "window"}));
  EXPECT_EQ(input["window"]["checks"].size(), 5u);
  EXPECT_EQ(p.json["pallet_window"], 2);
  EXPECT_TRUE(p.json["ok"].get<bool>());
}

TEST(PlantFiles, SerialsWithCommasQuotesAndJapaneseComeBackUnchanged) {
  const std::string csv =
      "serial,pallet,pmax_w,vmp_v,imp_a,voc_v,isc_a\r\n\"A,1\",P 1,580.8,44,13.2,52.5,14\r\n\"B\"\"2\",\x83\x70,"
      "580.8,44,13.2,52.5,14\r\n\" C3 \",P1,580.8,44,13.2,52.5,14\r\n";
  const Planned p = PlanOf(Request({Text("l.csv", csv)}, Layout(1, {1}, 2)));
  std::set<std::string> serials;
  std::set<std::string> pallets;
  for (const Row& r : p.register_rows) {
    serials.insert(r.serial);
    pallets.insert(r.pallet);
  }
  EXPECT_EQ(serials, (std::set<std::string>{"A,1", "B\"2", " C3 "}));
  EXPECT_EQ(pallets, (std::set<std::string>{"P 1", "パ", "P1"}));
  EXPECT_NE(p.outcome.files.plant_json.find(R"("B\"2")"), std::string::npos);
}

TEST(PlantFiles, ThreadsChangeNoByte) {
  const std::vector<PlantLotModule> lot = Lot(26000, 4);
  const std::string csv = testing::FormatPlantCsv(lot);
  ASSERT_GT(csv.size(), std::size_t{1} << 20);  // read in more than one piece
  for (PlantSort sort : kPlantSorts) {
    PlantRequest r = Request({Text("l.csv", csv)}, Layout(25, {2, 2, 2, 2, 2, 2}, 86), sort);
    r.threads = 1;
    const PlantOutcome one = Plan(r);
    r.threads = 2;
    const PlantOutcome two = Plan(r);
    EXPECT_EQ(one.files.register_csv, two.files.register_csv);
    EXPECT_EQ(one.files.picklist_csv, two.files.picklist_csv);
    EXPECT_EQ(one.files.plant_json, two.files.plant_json);
  }
}

// ------------------------------------------------------------ the checks

TEST(PlantChecks, ColdVoltageAndWindowChecksFlipAtTheirLimits) {
  const std::string csv = testing::FormatPlantCsv(Lot(500, 2));
  const Planned base = PlanOf(Request({Text("l.csv", csv)}, Layout(20, {2, 2}, 6)));
  const double highest = base.json["voltage"]["highest_string_voc_cold_v"].get<double>();
  ASSERT_GT(highest, 1000);
  // The system limit at the highest cold string voltage passes; just below fails.
  for (const double limit : {highest, std::nextafter(highest, 0.0)}) {
    PlantRequest r = Request({Text("l.csv", csv)}, Layout(20, {2, 2}, 6));
    r.conditions.max_system_voltage_v = limit;
    const PlantOutcome out = Plan(r);
    EXPECT_EQ(out.summary.voltage_ok, limit == highest);
    EXPECT_EQ(out.summary.ok, limit == highest);
    EXPECT_EQ(out.summary.voltage_limit_v, limit);
    if (limit != highest) {
      ASSERT_FALSE(out.summary.failed.empty());
      EXPECT_EQ(out.summary.failed[0].kind, PlantFailedCheck::Kind::StringVoltage);
      EXPECT_NE(PlantFailedCheckText(out.summary.failed[0], out.summary, Language::English).find("INV-"),
                std::string::npos);
    }
  }
  // The inverter's own maximum DC voltage, when lower, is the limit.
  const std::string lower = R"({"max_dc_voltage_v": 1400})";
  const PlantOutcome dc = Plan(Request({Text("l.csv", csv)}, Layout(20, {2, 2}, 6, lower)));
  EXPECT_EQ(dc.summary.voltage_limit_v, 1400);
  EXPECT_EQ(dc.summary.voltage_ok, highest <= 1400);
  // The MPPT minimum at the lowest hot Vmp of all inputs, and just above it.
  double lowest_hot = std::numeric_limits<double>::infinity();
  double highest_isc = 0;
  for (const Json& inverter : base.json["inverters"]) {
    for (const Json& input : inverter["inputs"]) {
      lowest_hot = std::min(lowest_hot, input["window"]["checks"]["mppt_min"]["value_v"].get<double>());
      highest_isc = std::max(highest_isc, input["window"]["checks"]["short_circuit_current"]["value_a"].get<double>());
    }
  }
  for (const double limit : {lowest_hot, std::nextafter(lowest_hot, 1e9)}) {
    char profile[160];
    (void)std::snprintf(profile, sizeof profile, R"({"mppt_min_v": %.17g, "max_short_circuit_current_a": %.17g})",
                        limit, highest_isc);
    const PlantOutcome out = Plan(Request({Text("l.csv", csv)}, Layout(20, {2, 2}, 6, profile)));
    EXPECT_EQ(out.summary.ok, limit == lowest_hot);
    EXPECT_EQ(out.summary.failed_count, limit == lowest_hot ? 0 : 1);
    if (limit != lowest_hot) {
      EXPECT_EQ(out.summary.failed.at(0).kind, PlantFailedCheck::Kind::MpptMin);
    }
    EXPECT_FALSE(Json::parse(out.files.plant_json)["ok"].get<bool>() != (limit == lowest_hot));
  }
}

TEST(PlantChecks, FiguresThatCannotBeComputedAndBadConditionsNeverPass) {
  // This module fits at 25 °C but its curve no longer falls at -40 °C.
  std::string csv = testing::FormatPlantCsv(Lot(40, 6));
  csv += "X-1,P-9999,580.8,44,13.2,45.31,13.3\r\n";
  PlantRequest r = Request({Text("l.csv", csv)}, Layout(41, {1}, 1, R"({"mppt_max_v": 2500})"));
  r.conditions.t_cold_operating_c = -40;
  r.conditions.max_system_voltage_v = 3000;
  const Planned p = PlanOf(r);
  const Json& window = p.json["inverters"][0]["inputs"][0]["window"];
  EXPECT_TRUE(window["checks"]["mppt_max"]["value_v"].is_null());
  EXPECT_EQ(window["checks"]["mppt_max"]["ok"], false);
  EXPECT_EQ(window["ok"], false);
  EXPECT_FALSE(p.outcome.summary.ok);
  EXPECT_NE(
      PlantFailedCheckText(p.outcome.summary.failed.at(0), p.outcome.summary, Language::English).find("not computable"),
      std::string::npos);
  for (const double nan : {std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::infinity()}) {
    PlantRequest bad = Request({Text("l.csv", csv)}, Layout(41, {1}, 1));
    bad.conditions.max_system_voltage_v = nan;
    const PlantFault f = FirstFault(bad);
    EXPECT_EQ(f.kind, Kind::BadConditions);
    ASSERT_TRUE(f.condition.has_value());
    EXPECT_EQ(f.condition->limit.condition, ConditionKey::MaxSystemVoltage);
  }
  PlantRequest window0 = Request({Text("l.csv", csv)}, Layout(41, {1}, 1), PlantSort::Pallets);
  window0.pallet_window = 0;
  EXPECT_EQ(FirstFault(window0).kind, Kind::BadPalletWindow);
}

TEST(PlantTexts, TheSummarySaysWhatSortingBuysInBothLanguages) {
  const PlantOutcome out =
      Plan(Request({Text("l.csv", testing::FormatPlantCsv(Lot(700, 8)))}, Layout(24, {2, 2, 2}, 4)));
  for (Language language : {Language::English, Language::Japanese}) {
    const std::vector<std::string> lines = PlantSummaryLines(out.summary, language);
    std::string all;
    for (const std::string& line : lines) all += line + "\n";
    EXPECT_NE(all.find("576"), std::string::npos) << all;  // modules used
    EXPECT_NE(all.find("124"), std::string::npos) << all;  // spare
    EXPECT_NE(all.find("kW"), std::string::npos) << all;
    EXPECT_EQ(lines.size(), 7u) << all;
  }
}

}  // namespace
}  // namespace voltrigg
