// The commissioning check of typed rows (app/shared/commission_session.h)
// held to voltrigg-cli commission: the file written from the rows is checked
// by voltrigg-cli to the very JSON the session gives, a row checked alone is
// the row checked within the file, half-typed rows are named and never
// written as a check, refusals name the row's line, a file read back gives
// the same rows; and the wiring's file for the crew.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "app/shared/commission_session.h"
#include "app/shared/opened_result.h"
#include "app/shared/wiring_csv.h"
#include "support/assess_support.h"
#include "support/module_generator.h"
#include "support/run_support.h"

namespace voltrigg {
namespace {

using testing::Cli;
using testing::CliResult;
using testing::ReadFile;
using testing::TempDir;
using testing::WriteFile;

// A result of 10 x 6 planned by voltrigg-cli, its list beside it, and the session of its wiring.
class TypedRows : public ::testing::Test {
 protected:
  void SetUp() override {
    WriteFile(dir_ / "list.csv", testing::FormatModuleList(testing::GenerateModules(60, 31)));
    ASSERT_EQ(Cli(dir_, "-s 10 -p 6 -o " + (dir_ / "r") + " " + (dir_ / "list.csv")).status, 0);
    opened_ = OpenResult(dir_ / "r.csv", "", AssessOptions{});
    CommissionFailure failure;
    auto session =
        StartCommissionSession(opened_, CommissionOptions{}, dir_ / "r.csv", dir_ / "list.csv", "m.csv", &failure);
    ASSERT_TRUE(session) << failure.text;
    session_ = std::move(*session);
  }

  // A row as typed: Voc, Isc, G, T and the further items, texts.
  static TypedRow Row(std::vector<std::string> fields) {
    TypedRow row;
    for (std::size_t k = 0; k < fields.size() && k < kTypedFieldCount; ++k) row.fields[k] = fields[k];
    return row;
  }

  // The expected Voc and Isc of string `n` at (g, t), scaled.
  std::pair<std::string, std::string> Measured(int n, double voc_factor, double isc_factor, const char* g = "850",
                                               const char* t = "45") const {
    const RowCheck probe = CheckTypedRow(session_, n, Row({"100", "1", g, t}), CommissionOptions{});
    EXPECT_EQ(probe.state, RowCheck::State::Checked);
    return {std::to_string(probe.string->expected.voc_v * voc_factor),
            std::to_string(probe.string->expected.isc_a * isc_factor)};
  }

  // Six rows of every kind: passing with every item, reversed, a module
  // short, low insulation, not measured, and one typed by a Japanese input
  // method (full-width digits, U+2212 minus) with a note that needs quoting.
  std::vector<TypedRow> SixRows() const {
    const auto [v1, i1] = Measured(1, 1.0, 1.0);
    const auto [v2, i2] = Measured(2, -1.0, 1.0);
    const auto [v3, i3] = Measured(3, 0.9, 1.0);
    const auto [v4, i4] = Measured(4, 1.01, 0.99);
    const auto [v6, i6] = Measured(6, 1.0, 1.0, "900", "-5");
    return {Row({v1, i1, "", "", "ok", "40", "35", "1000", "0.4", "east, first"}),
            Row({v2, i2, "", "", "reversed"}),
            Row({v3, i3}),
            Row({v4, i4, "", "", "ok", "0.4", "30", "1000"}),
            Row({}),
            Row({FullWidth(v6), FullWidth(i6), "９００", "−５", "", "", "", "", "", "note \"quoted\", with a comma"})};
  }

  // As a Japanese input method types a number: full-width digits and point, the minus sign U+2212.
  static std::string FullWidth(const std::string& ascii) {
    std::string out;
    for (const char c : ascii) {
      if (c >= '0' && c <= '9') {
        out += "\xEF\xBC";
        out += static_cast<char>(0x90 + (c - '0'));
      } else if (c == '.') {
        out += "\xEF\xBC\x8E";
      } else if (c == '-') {
        out += "\xE2\x88\x92";
      } else {
        out += c;
      }
    }
    return out;
  }

  static CommissionOptions EveryRowAt(double irradiance_w_m2, double temperature_c) {
    CommissionOptions o;
    o.defaults.irradiance_w_m2 = irradiance_w_m2;
    o.defaults.module_temperature_c = temperature_c;
    return o;
  }

  TempDir dir_{"voltrigg-typed-rows"};
  OpenedResult opened_;
  CommissionSession session_;
};

TEST_F(TypedRows, TheFileOfTheRowsGivesVoltriggCliTheSameJson) {
  const CommissionOptions options = EveryRowAt(850, 45);
  const RowsCheck rows = CheckTypedRows(session_, SixRows(), options);
  ASSERT_TRUE(rows.incomplete.empty());
  ASSERT_FALSE(rows.refusal) << *rows.refusal;
  ASSERT_TRUE(rows.check);
  WriteFile(dir_ / "m.csv", rows.file);
  // voltrigg-cli given only the file: every condition typed once stands in each measured row.
  const CliResult r = Cli(dir_, "commission " + (dir_ / "r.csv") + " " + (dir_ / "m.csv"));
  ASSERT_EQ(r.status, 1) << r.err;
  EXPECT_EQ(ReadFile(dir_ / "m.commissioning.json"), CommissioningJsonOfRows(session_, *rows.check));
  EXPECT_EQ(rows.check->strings_failed, (std::vector<int>{2, 3, 4, 5}));
  EXPECT_EQ(rows.check->strings_not_measured, (std::vector<int>{5}));
  const StringMeasurement& typed = *rows.check->strings[5].measurement;
  EXPECT_EQ(typed.voc_v, std::stod(Measured(6, 1.0, 1.0, "900", "-5").first));
  EXPECT_EQ(typed.module_temperature_c, -5);
  EXPECT_EQ(typed.irradiance_w_m2, 900);
  EXPECT_EQ(typed.note, "note \"quoted\", with a comma");
  // The blank form is voltrigg-cli's.
  ASSERT_EQ(Cli(dir_, "commission --form " + (dir_ / "form.csv") + " " + (dir_ / "r.csv")).status, 0);
  EXPECT_EQ(ReadFile(dir_ / "form.csv"), BlankFormOf(session_));
}

TEST_F(TypedRows, ARowCheckedAloneIsTheRowCheckedInTheFile) {
  const CommissionOptions options = EveryRowAt(850, 45);
  const std::vector<TypedRow> six = SixRows();
  const RowsCheck all = CheckTypedRows(session_, six, options);
  ASSERT_TRUE(all.check);
  for (int n = 1; n <= 6; ++n) {
    const RowCheck alone = CheckTypedRow(session_, n, six[static_cast<std::size_t>(n - 1)], options);
    if (n == 5) {
      EXPECT_EQ(alone.state, RowCheck::State::Empty);
      continue;
    }
    ASSERT_EQ(alone.state, RowCheck::State::Checked) << n << " " << alone.refusal;
    const StringCommissioning& in_file = all.check->strings[static_cast<std::size_t>(n - 1)];
    EXPECT_EQ(alone.string->expected.voc_v, in_file.expected.voc_v) << n;
    EXPECT_EQ(alone.string->expected.isc_a, in_file.expected.isc_a) << n;
    EXPECT_EQ(alone.string->verdict.ok, in_file.verdict.ok) << n;
    EXPECT_EQ(alone.string->verdict.items, in_file.verdict.items) << n;
    ASSERT_EQ(alone.string->verdict.findings.size(), in_file.verdict.findings.size()) << n;
    for (std::size_t k = 0; k < in_file.verdict.findings.size(); ++k) {
      EXPECT_EQ(alone.string->verdict.findings[k].key, in_file.verdict.findings[k].key) << n;
    }
  }
}

TEST_F(TypedRows, HalfTypedRowsAreNamedWithWhatTheyLackAndNeverChecked) {
  const auto missing = [&](const TypedRow& row, const CommissionOptions& options) {
    return CheckTypedRow(session_, 2, row, options).missing;
  };
  using F = TypedField;
  EXPECT_EQ(missing(Row({"370"}), EveryRowAt(850, 45)), (std::vector<F>{F::Isc}));
  // A further item typed first (the insulation test before the meter): Voc and Isc to come.
  EXPECT_EQ(missing(Row({"", "", "", "", "", "50"}), EveryRowAt(850, 45)), (std::vector<F>{F::Voc, F::Isc}));
  // Without the conditions for every row, each row needs its own.
  EXPECT_EQ(missing(Row({"370", "8"}), CommissionOptions{}), (std::vector<F>{F::Irradiance, F::ModuleTemperature}));
  EXPECT_EQ(missing(Row({"370", "8", "850"}), CommissionOptions{}), (std::vector<F>{F::ModuleTemperature}));
  // Conditions and a note alone: a string not measured yet, not a half-typed one.
  EXPECT_EQ(
      CheckTypedRow(session_, 2, Row({"", "", "850", "45", "", "", "", "", "", "later"}), CommissionOptions{}).state,
      RowCheck::State::Empty);
  EXPECT_EQ(CheckTypedRow(session_, 2, Row({"　", " "}), CommissionOptions{}).state, RowCheck::State::Empty);

  std::vector<TypedRow> rows = SixRows();
  rows[2] = Row({"370"});
  rows[4] = Row({"", "", "", "", "reversed"});
  const RowsCheck check = CheckTypedRows(session_, rows, EveryRowAt(850, 45));
  EXPECT_FALSE(check.check);
  ASSERT_EQ(check.incomplete.size(), 2u);
  EXPECT_EQ(check.incomplete[0].first, 3);
  EXPECT_EQ(check.incomplete[0].second, (std::vector<F>{F::Isc}));
  EXPECT_EQ(check.incomplete[1].first, 5);
  // What was typed is in the file all the same.
  EXPECT_NE(check.file.find("\r\n3,370,,850,45,"), std::string::npos) << check.file;
}

TEST_F(TypedRows, ARefusedRowNamesItsOwnLineAndColumn) {
  const CommissionOptions options = EveryRowAt(850, 45);
  RowCheck r = CheckTypedRow(session_, 3, Row({"39O", "8"}), options);
  ASSERT_EQ(r.state, RowCheck::State::Refused);
  EXPECT_NE(r.refusal.find("m.csv の 4 行目、列 voc_v"), std::string::npos) << r.refusal;
  r = CheckTypedRow(session_, 3, Row({"370", "8", "", "", "maybe"}), options);
  EXPECT_NE(r.refusal.find("4 行目、列 polarity"), std::string::npos) << r.refusal;
  r = CheckTypedRow(session_, 3, Row({"370", "8", "2000"}), options);
  EXPECT_NE(r.refusal.find("4 行目、列 irradiance_w_m2"), std::string::npos) << r.refusal;
  r = CheckTypedRow(session_, 3, Row({"370", "8", "", "", "", "-1"}), options);
  EXPECT_NE(r.refusal.find("4 行目、列 insulation_pos_mohm"), std::string::npos) << r.refusal;
  // A note with a line end or a NUL does not move the next rows' lines.
  std::vector<TypedRow> rows = SixRows();
  rows[0][TypedField::Note] = std::string("first\r\nsecond\0third", 19);
  rows[2][TypedField::Isc] = "x";
  const RowsCheck check = CheckTypedRows(session_, rows, options);
  ASSERT_TRUE(check.refusal);
  EXPECT_NE(check.refusal->find("4 行目、列 isc_a"), std::string::npos) << *check.refusal;
  EXPECT_THROW((void)CheckTypedRow(session_, 7, Row({"370", "8"}), options), std::invalid_argument);
  EXPECT_THROW((void)CheckTypedRow(session_, 0, Row({"370", "8"}), options), std::invalid_argument);
}

TEST_F(TypedRows, AFileReadBackGivesTheSameRowsAndAnotherPlansFileIsRefused) {
  const CommissionOptions options = EveryRowAt(850, 45);
  const RowsCheck first = CheckTypedRows(session_, SixRows(), options);
  ASSERT_TRUE(first.check);
  WriteFile(dir_ / "m.csv", first.file);
  const MeasurementRows read = ReadMeasurementRows(session_, dir_ / "m.csv", "m.csv", CommissionOptions{});
  ASSERT_FALSE(read.refusal) << *read.refusal;
  ASSERT_EQ(read.rows.size(), 6u);
  EXPECT_EQ(std::stod(read.rows[5][TypedField::Voc]), std::stod(Measured(6, 1.0, 1.0, "900", "-5").first));
  EXPECT_EQ(read.rows[0][TypedField::Polarity], "ok");
  EXPECT_EQ(read.rows[4][TypedField::Voc], "");
  const RowsCheck again = CheckTypedRows(session_, read.rows, CommissionOptions{});
  ASSERT_TRUE(again.check);
  EXPECT_EQ(again.file, first.file);
  EXPECT_EQ(CommissioningJsonOfRows(session_, *again.check), CommissioningJsonOfRows(session_, *first.check));

  // The form of another plan of the same modules, filled in: refused at its first row.
  ASSERT_EQ(Cli(dir_, "-s 6 -p 10 -o " + (dir_ / "other") + " " + (dir_ / "list.csv")).status, 0);
  ASSERT_EQ(Cli(dir_, "commission --form " + (dir_ / "other-form.csv") + " " + (dir_ / "other.csv")).status, 0);
  std::string other = ReadFile(dir_ / "other-form.csv");
  other.replace(other.find("\r\n1,,,,") + 2, 5, "1,370,8,850,45");
  WriteFile(dir_ / "other-form.csv", other);
  const MeasurementRows refused = ReadMeasurementRows(session_, dir_ / "other-form.csv", "other-form.csv", options);
  ASSERT_TRUE(refused.refusal);
  EXPECT_NE(refused.refusal->find("other-form.csv の 2 行目、列 plan: 別の計画の測定用紙です"), std::string::npos)
      << *refused.refusal;
}

TEST_F(TypedRows, TheSessionNeedsTheResultsOwnList) {
  WriteFile(dir_ / "other-list.csv", testing::FormatModuleList(testing::GenerateModules(60, 32)));
  const OpenedResult other = OpenResult(dir_ / "r.csv", dir_ / "other-list.csv", AssessOptions{});
  CommissionFailure failure;
  EXPECT_FALSE(StartCommissionSession(other, CommissionOptions{}, "r.csv", "other-list.csv", "m.csv", &failure));
  EXPECT_NE(failure.text.find("モジュールリスト"), std::string::npos) << failure.text;
}

TEST(TypedNumbers, AJapaneseInputMethodsDigitsAndSignsReadAsNumbers) {
  EXPECT_EQ(NormalisedNumberText("３６９．５"), "369.5");
  EXPECT_EQ(NormalisedNumberText("　−１２　"), "-12");
  EXPECT_EQ(NormalisedNumberText("＋１ｅ３"), "+1e3");
  EXPECT_EQ(NormalisedNumberText(" 8.45\t"), "8.45");
  // Anything else is left for the reader to refuse as it is.
  EXPECT_EQ(NormalisedNumberText("３６９，５"), "369，5");
  EXPECT_EQ(NormalisedNumberText("ＡＢＣ"), "ＡＢＣ");
  EXPECT_EQ(NormalisedNumberText("\xEF\xBC"), "\xEF\xBC");  // a character cut short
}

TEST(ContentKeys, TheSameBytesGiveTheSameKeyAndAnyChangeAnother) {
  const std::string key = ContentKey("result", "list");
  EXPECT_EQ(key, ContentKey(std::string("result"), std::string("list")));
  EXPECT_EQ(key.size(), 17u);
  EXPECT_NE(key, ContentKey("resulT", "list"));
  EXPECT_NE(key, ContentKey("result", "list "));
  // Where one file ends and the other begins counts.
  EXPECT_NE(ContentKey("ab", "c"), ContentKey("a", "bc"));
  EXPECT_NE(ContentKey("", ""), ContentKey("", std::string(1, '\0')));
}

TEST(WiringFile, EveryModuleOnceWithItsValuesAsTheResultFileWritesThem) {
  TempDir dir("voltrigg-wiring-file");
  std::vector<testing::GeneratedModule> modules = testing::GenerateModules(12, 5);
  modules[3].serial_no = "\x83\x56\x83\x8A\x83\x41\x83\x8B-7";  // Shift-JIS
  WriteFile(dir / "list.csv", testing::FormatModuleList(modules));
  ASSERT_EQ(Cli(dir, "-s 4 -p 3 -o " + (dir / "r") + " " + (dir / "list.csv")).status, 0);
  const OpenedResult opened = OpenResult(dir / "r.csv", "", AssessOptions{});
  const std::string csv =
      FormatWiringCsv(MakePlan(opened, ShownWiring::Result, ColourBy::Ipm), ShownWiring::Result, "r.csv");
  // The rows are the result file's rows (String, Module No, S/N, Vpm, Ipm) with the position.
  const std::string result = ReadFile(dir / "r.csv");
  const std::string rows = result.substr(result.find("\"Ipm [A]\"\r\n") + 11);
  std::string expected =
      "\"Wiring=\",\"result\",\"Result File=\",\"r.csv\"\r\n"
      "\"String\",\"Position\",\"Module No\",\"S/N\",\"Vpm [V]\",\"Ipm [A]\"\r\n";
  int position = 0;
  int string_no = 0;
  for (std::size_t at = 0; at < rows.size();) {
    const std::size_t end = rows.find("\r\n", at);
    const std::string line = rows.substr(at, end - at);
    const std::size_t comma = line.find(',');
    const int s = std::stoi(line.substr(0, comma));
    position = s == string_no ? position + 1 : 1;
    string_no = s;
    expected += line.substr(0, comma) + "," + std::to_string(position) + line.substr(comma) + "\r\n";
    at = end + 2;
  }
  EXPECT_EQ(csv, expected);
  EXPECT_NE(csv.find(",\"\x83\x56\x83\x8A\x83\x41\x83\x8B-7\","), std::string::npos);
}

}  // namespace
}  // namespace voltrigg
