// The text catalogue and the option table (app/shared): every fault has its
// words in both languages and the English ones hold no Japanese but the
// system's own texts; the locale picks the language as gettext reads it; the
// one table gives every condition once, with the core's defaults and ranges,
// and refuses a bad value with the same fault whoever reads it.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <set>
#include <string>
#include <vector>

#include "app/shared/assess_options.h"
#include "app/shared/commission_options.h"
#include "app/shared/curve_problems.h"
#include "app/shared/inverter_window_texts.h"
#include "app/shared/measurement_texts.h"
#include "app/shared/option_table.h"
#include "app/shared/text_catalogue.h"
#include "assess/inverter_window.h"
#include "support/assess_support.h"

namespace voltrigg {
namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// A fault of every kind, with every part filled, so that each kind's words show.
std::vector<RunFault> EveryFault() {
  std::vector<RunFault> out;
  for (int k = 0; k <= static_cast<int>(RunFaultKind::Worded); ++k) {
    RunFault f = MakeFault(static_cast<RunFaultKind>(k), "mods.csv", "abc");
    f.line = 4;
    f.row = 3;
    f.column = 3;
    f.separator = ';';
    f.odd_line = 2;
    f.odd_fields = 8;
    f.numbers[0] = 21;
    f.numbers[1] = 3;
    f.numbers[2] = 7;
    f.numbers[3] = 5;
    if (f.what == RunFaultKind::CountCheckFailed) f.numbers[0] = static_cast<int>(CountCheck::SeriesBelow1);
    if (f.what == RunFaultKind::Worded) f.value = "worded";
    out.push_back(f);
  }
  return out;
}

TEST(TextCatalogue, EveryFaultOfTheCoreHasItsWordsInBothLanguages) {
  std::set<std::string> english;
  for (const RunFault& f : EveryFault()) {
    const std::string en = FaultText(f, Language::English);
    const std::string ja = FaultText(f, Language::Japanese);
    const int kind = static_cast<int>(f.what);
    EXPECT_FALSE(en.empty()) << kind;
    EXPECT_FALSE(HoldsJapanese(en)) << kind << ": " << en;
    if (f.what != RunFaultKind::Worded) {
      EXPECT_TRUE(HoldsJapanese(ja)) << kind << ": " << ja;
      // Each kind says something of its own.
      EXPECT_TRUE(english.insert(en).second) << kind << ": " << en;
    }
  }
  // What a fault names is in its words: the file, the row and column, the value.
  RunFault f = MakeFault(RunFaultKind::ListFieldNotANumber, "mods.csv", "thirty");
  f.row = 1;
  f.column = 3;
  EXPECT_EQ(FaultText(f, Language::English),
            "the module list's data row 1, column 4 (Vpm) is not a number: \"thirty\" (mods.csv)");
  EXPECT_EQ(FaultText(f, Language::Japanese),
            "モジュールリストファイルのデータ行 1、4列目「Vpm」が数値ではありません: \"thirty\" (mods.csv)");
}

TEST(TextCatalogue, WhatRunErrorGivesFollowsTheProgramsLanguage) {
  const RunFault fault = MakeFault(RunFaultKind::ListCannotOpen, "none.csv");
  SpeakFaultsIn(Language::English);
  EXPECT_STREQ(RunError(fault).what(), "cannot open the module list none.csv");
  SpeakFaultsIn(Language::Japanese);
  EXPECT_STREQ(RunError(fault).what(), "モジュールリストファイルを開けません: none.csv");
  // A message already worded stays as it is.
  EXPECT_STREQ(RunError(std::string("as given")).what(), "as given");
}

TEST(TextCatalogue, TheCountChecksKeepTheSystemsTextsAndTheSecondLineNamesWhatFailed) {
  for (CountCheck check :
       {CountCheck::ModuleCount, CountCheck::ModulesOver1000, CountCheck::ParallelOver100, CountCheck::SeriesOver20}) {
    EXPECT_EQ(CountCheckText(check, Language::English), CountCheckText(check, Language::Japanese));
    EXPECT_EQ(CountCheckText(check, Language::English), *SystemCheckMessage(check));
  }
  EXPECT_EQ(CountCheckText(CountCheck::ParallelBelow1, Language::Japanese), "並列ストリング数が1未満です");
  EXPECT_EQ(CountCheckText(CountCheck::SeriesBelow1, Language::English), "the series count is below 1");
  // After a series or parallel refusal the count that failed, not a product
  // that reads as agreement; after a mismatch or too many modules the product.
  EXPECT_EQ(CheckFactsText(560, 28, 20, Language::Japanese), "直列 28 > 20");
  EXPECT_EQ(CheckFactsText(560, 28, 20, Language::English), "series 28 > 20");
  EXPECT_EQ(CheckFactsText(202, 2, 101, Language::Japanese), "並列 101 > 100");
  EXPECT_EQ(CheckFactsText(0, 5, 0, Language::English), "parallel 0 < 1");
  EXPECT_EQ(CheckFactsText(0, 0, 5, Language::Japanese), "直列 0 < 1");
  EXPECT_EQ(CheckFactsText(100, 10, 9, Language::Japanese), "モジュール 100 枚、並列 9 × 直列 10 = 90");
  EXPECT_EQ(CheckFactsText(100, 10, 9, Language::English), "100 modules, parallel 9 × series 10 = 90");
  EXPECT_EQ(CheckFactsText(1200, 20, 60, Language::English), "1200 modules, parallel 60 × series 20 = 1200");
  EXPECT_EQ(CheckFacts(-1, 5, 2), "モジュールリストファイルが空、並列 2 × 直列 5 = 10");
  // A product beyond 16 bits is no failed check: the counts as they are.
  EXPECT_EQ(CheckFactsText(0, 200, 200, Language::English), "0 modules, parallel 200 × series 200 = 40000");
}

TEST(TextCatalogue, FilesWrittenAreNamedByTheirKind) {
  const FileWriteError folder(FileWriteError::Step::FolderOfThatName, "r.assessment.json", "");
  const FileWriteError write(FileWriteError::Step::Write, "m.commissioning.json", "");
  const FileWriteError create(FileWriteError::Step::Create, "f.csv", "No space left on device");
  EXPECT_EQ(FileWriteText(folder, WrittenFile::Assessment, Language::English),
            "a folder has the name of the assessment file: r.assessment.json");
  EXPECT_EQ(FileWriteText(write, WrittenFile::Commissioning, Language::Japanese),
            "試運転検査ファイルを書き込めません: m.commissioning.json (書き込みに失敗しました)");
  EXPECT_EQ(FileWriteText(create, WrittenFile::Form, Language::English),
            "cannot create the measurement form f.csv (No space left on device)");
  // The result file keeps the window's words.
  EXPECT_EQ(FileWriteText(create, WrittenFile::Result, Language::Japanese),
            "結果ファイルを作成できません: f.csv (No space left on device)");
  EXPECT_STREQ(create.what(), "結果ファイルを作成できません: f.csv (No space left on device)");
}

TEST(TextCatalogue, ListWarningsInEnglishHoldOnlyTheListsOwnBytes) {
  ListWarning twice;
  twice.kind = ListWarning::Kind::DuplicateSerial;
  twice.value = "\x83\x82";  // Shift-JIS, shown through the caller's decoding
  twice.rows = {3, 4};
  const SerialShown shown = [](const std::string&) { return std::string("モ"); };
  EXPECT_EQ(ListWarningText(twice, shown, Language::English), "serial number \"モ\" appears 2 times: data rows 3, 4");
  EXPECT_EQ(ListWarningText(twice, shown), "シリアル番号 \"モ\" が 2 回あります: データ行 3, 4");
  ListWarning far;
  far.kind = ListWarning::Kind::FarFromMedian;
  far.name = "Vpm";
  far.unit = "V";
  far.median = 30;
  for (int r = 1; r <= 12; ++r) {
    far.rows.push_back(r);
    far.row_values.push_back(5490);
  }
  const std::string en = ListWarningText(far, {}, Language::English);
  EXPECT_EQ(en.rfind("Vpm more than 20 % from the lot's median of 30 V: data rows 1 (5490 V), 2 (5490 V)", 0), 0u)
      << en;
  EXPECT_TRUE(en.ends_with(" and 2 more")) << en;
  const std::vector<std::string> lines = ListWarningLines(std::vector<ListWarning>(13, far), {}, Language::English);
  ASSERT_EQ(lines.size(), 11u);
  EXPECT_EQ(lines.back(), "and 3 more warnings");
  for (const std::string& line : lines) EXPECT_FALSE(HoldsJapanese(line)) << line;
}

TEST(TextCatalogue, ProfileFaultsNameTheFileAndTheKeyInBothLanguages) {
  for (int k = 0; k <= static_cast<int>(ProfileFaultKind::NoLimit); ++k) {
    ProfileFault f;
    f.what = static_cast<ProfileFaultKind>(k);
    f.file = "p.json";
    f.key = "mppt_min_v";
    f.detail = "syntax error";
    const std::string en = ProfileFaultText(f, Language::English);
    const std::string ja = ProfileFaultText(f, Language::Japanese);
    EXPECT_NE(en.find("p.json"), std::string::npos) << en;
    EXPECT_NE(ja.find("p.json"), std::string::npos) << ja;
    EXPECT_FALSE(HoldsJapanese(en)) << en;
    EXPECT_TRUE(HoldsJapanese(ja)) << ja;
  }
}

TEST(TextCatalogue, CliPhrasesAndFindingsHaveBothLanguages) {
  for (int k = 0; k <= static_cast<int>(CliPhrase::UnexpectedError); ++k) {
    const auto phrase = static_cast<CliPhrase>(k);
    EXPECT_FALSE(CliText(phrase, Language::English).empty()) << k;
    EXPECT_FALSE(HoldsJapanese(CliText(phrase, Language::English))) << k;
    EXPECT_TRUE(HoldsJapanese(CliText(phrase, Language::Japanese))) << k << ": " << CliText(phrase, Language::Japanese);
  }
  // Every finding, those of the further items of the record included, worded
  // in both languages (never its bare key).
  for (int k = 0; k <= static_cast<int>(FindingKey::InsulationTestVoltageLow); ++k) {
    const Finding f{static_cast<FindingKey>(k), 2};
    EXPECT_FALSE(HoldsJapanese(FindingText(f, Language::English))) << FindingText(f, Language::English);
    EXPECT_NE(FindingText(f, Language::English), FindingKeyName(f.key));
    EXPECT_TRUE(HoldsJapanese(FindingTextJa(f))) << k;
    EXPECT_EQ(FindingText(f, Language::Japanese), FindingTextJa(f));
  }
  for (const TestItem item : kTestItems) {
    EXPECT_FALSE(HoldsJapanese(TestItemText(item, Language::English))) << TestItemName(item);
    EXPECT_TRUE(HoldsJapanese(TestItemText(item, Language::Japanese))) << TestItemName(item);
  }
}

TEST(TextCatalogue, TheLocaleIsReadAsGettextReadsIt) {
  const struct {
    const char* lc_all;
    const char* lc_messages;
    const char* lang;
    Language expected;
  } cases[] = {
      {nullptr, nullptr, nullptr, Language::English},
      {nullptr, nullptr, "C", Language::English},
      {nullptr, nullptr, "C.UTF-8", Language::English},
      {nullptr, nullptr, "POSIX", Language::English},
      {nullptr, nullptr, "ja", Language::Japanese},
      {nullptr, nullptr, "ja_JP", Language::Japanese},
      {nullptr, nullptr, "ja_JP.UTF-8", Language::Japanese},
      {nullptr, nullptr, "ja_JP.eucJP@euro", Language::Japanese},
      {nullptr, nullptr, "jam_JM", Language::English},  // Jamaican, not Japanese
      {nullptr, nullptr, "en_US.UTF-8", Language::English},
      // The first non-empty one decides.
      {"C", nullptr, "ja_JP.UTF-8", Language::English},
      {"", "ja_JP.UTF-8", "C", Language::Japanese},
      {"", "", "ja_JP.UTF-8", Language::Japanese},
      {"ja_JP.UTF-8", "C", "C", Language::Japanese},
      {nullptr, "en_GB", "ja_JP", Language::English},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(LanguageOfLocale(c.lc_all, c.lc_messages, c.lang), c.expected)
        << (c.lc_all ? c.lc_all : "-") << " " << (c.lc_messages ? c.lc_messages : "-") << " "
        << (c.lang ? c.lang : "-");
  }
}

TEST(TextCatalogue, JapaneseIsToldFromEverythingElse) {
  EXPECT_FALSE(HoldsJapanese("60 modules, parallel 5 × series 10 = 50 at -10 °C, 1000 W/m² — OK"));
  EXPECT_TRUE(HoldsJapanese("モ"));
  EXPECT_TRUE(HoldsJapanese("計"));
  EXPECT_TRUE(HoldsJapanese("１"));  // full-width digit
  EXPECT_TRUE(HoldsJapanese("「"));
  EXPECT_EQ(TerminalColumns("Vpm 合計"), 8u);
  EXPECT_EQ(PadToColumns("合計", 6, Align::Right), "  合計");
}

// ---------------------------------------------------------------- inverter window

struct Lot {
  std::vector<ModuleData> modules = testing::AsModuleData(testing::GenerateModules(60, 11));
  std::vector<ModuleCurve> curves = testing::FitAll(modules);
  InverterWindow Window(const InverterProfile& inverter) const {
    return AssessInverterWindow(modules, curves, testing::InOrder(60, 10), AssessConditions{}, inverter);
  }
};

TEST(TextCatalogue, TheWindowsVerdictSaysWhatItCheckedAndWhatNot) {
  const Lot lot;
  const InverterWindow none = lot.Window(InverterProfile{});
  EXPECT_EQ(
      InverterWindowCheckedText(none, Language::English),
      "max_voltage OK; mppt_min, mppt_max, short_circuit_current, input_current not checked: no inverter profile");
  EXPECT_EQ(InverterWindowCheckedText(none, Language::Japanese),
            "最大直流電圧 適合; MPPT 下限、MPPT 上限、短絡電流、入力電流 検査なし: プロファイルなし");
  EXPECT_EQ(ChecksMade(none), 1);
  // A profile with some limits: the others are not in the profile.
  InverterProfile some;
  some.mppt_min_v = 10000;  // above any Vmp: fails
  some.max_input_current_a = 1;
  const InverterWindow partial = lot.Window(some);
  EXPECT_EQ(
      InverterWindowCheckedText(partial, Language::English),
      "max_voltage OK; mppt_min FAILS; input_current clips; mppt_max, short_circuit_current not checked: no limit "
      "in the inverter profile");
  EXPECT_EQ(ChecksMade(partial), 3);
  const std::string table = InverterWindowTableText(partial, Language::English);
  EXPECT_NE(table.find("Inverter window: FAILS — max_voltage OK; mppt_min FAILS;"), std::string::npos) << table;
  EXPECT_FALSE(HoldsJapanese(table)) << table;
  const std::string ja = InverterWindowTableText(partial, Language::Japanese);
  EXPECT_NE(ja.find("パワコン入力範囲: 不適合 — 最大直流電圧 適合; MPPT 下限 不適合;"), std::string::npos) << ja;
  const std::vector<WindowWarningText> warnings = InverterWindowWarningTexts(partial, lot.modules, Language::English);
  ASSERT_EQ(warnings.size(), 2u);
  EXPECT_FALSE(warnings[0].note);
  EXPECT_TRUE(warnings[1].note);
  for (const WindowWarningText& w : warnings) EXPECT_FALSE(HoldsJapanese(w.text)) << w.text;
  for (const WindowWarningText& w : InverterWindowWarningTexts(partial, lot.modules, Language::Japanese)) {
    EXPECT_EQ(w.text.rfind("パワコン入力範囲: ", 0), 0u) << w.text;
  }
}

// ---------------------------------------------------------------- option table

TEST(OptionTable, EveryConditionHasOneRowWithTheCoresRangeAndTheStructsDefault) {
  std::set<std::string> keys;
  std::set<std::string> members;
  int numbers = 0;
  for (const OptionEntry& e : OptionTable()) {
    EXPECT_TRUE(keys.insert(e.key).second) << e.key;
    EXPECT_TRUE(members.insert(e.member).second) << e.member;
    EXPECT_FALSE(HoldsJapanese(e.help_en)) << e.key;
    EXPECT_TRUE(HoldsJapanese(e.help_ja)) << e.key;
    EXPECT_FALSE(HoldsJapanese(OptionHelp(e, Language::English))) << e.key;
    if (e.kind != OptionKind::Number) continue;
    ++numbers;
    ASSERT_NE(e.limit, nullptr) << e.key;
    EXPECT_EQ(std::string(e.key), KeyOf(e.limit->condition));
    EXPECT_EQ(&OptionOf(e.limit->condition), &e);
    const int targets = (e.assess_member != nullptr ? 1 : 0) + (e.commission_member != nullptr ? 1 : 0) +
                        (e.measurement_default ? 1 : 0);
    EXPECT_GE(targets, 1) << e.key;
  }
  EXPECT_EQ(numbers, static_cast<int>(ConditionKey::ModuleTemperature) + 1);
  // The defaults are the conditions' own, shown in the help with the range.
  EXPECT_EQ(DefaultText(OptionOf(ConditionKey::Tmin)), "-10");
  EXPECT_EQ(DefaultText(OptionOf(ConditionKey::VocTolerance)), "3");
  EXPECT_EQ(DefaultText(OptionOf(ConditionKey::Irradiance)), "");
  EXPECT_EQ(OptionHelp(OptionOf(ConditionKey::Tmin), Language::English),
            "lowest cell temperature for the cold open-circuit voltage [°C] (from -60 to 40 °C; default -10)");
  EXPECT_EQ(OptionHelp(OptionOf(ConditionKey::MaxSystemVoltage), Language::Japanese),
            "ストリングの低温時の開放電圧に対するシステム電圧の上限 [V] (0 より大きく 3000 V 以下、既定 1000)");
  // The coefficients are one struct inside both kinds of conditions.
  EXPECT_EQ(AssessConditions{}.voc_coefficient_pct_per_k, CommissionConditions{}.voc_coefficient_pct_per_k);
  EXPECT_EQ(AssessConditions{}.isc_coefficient_pct_per_k, CommissionConditions{}.isc_coefficient_pct_per_k);
}

TEST(OptionTable, ABadValueGetsTheSameFaultHoweverItIsNamed) {
  const struct {
    ConditionKey key;
    const char* text;
    bool not_a_number;
  } bad[] = {
      {ConditionKey::Tmin, "99", false},
      {ConditionKey::Tmin, "cold", true},
      {ConditionKey::Tmin, "nan", false},
      {ConditionKey::VocCoefficient, "0.3", false},
      {ConditionKey::MaxSystemVoltage, "0", false},
      {ConditionKey::MaxSystemVoltage, "inf", false},
      {ConditionKey::IscFactor, "", true},
      {ConditionKey::VocTolerance, "0", false},
      {ConditionKey::Irradiance, "1600", false},
      {ConditionKey::ModuleTemperature, "-61", false},
  };
  for (const auto& b : bad) {
    const OptionEntry& entry = OptionOf(b.key);
    AssessOptions assess;
    CommissionOptions commission;
    const auto fault = SetOption(entry, b.text, &assess, &commission);
    ASSERT_TRUE(fault) << entry.key << " " << b.text;
    EXPECT_EQ(fault->limit.condition, b.key);
    EXPECT_EQ(fault->text.has_value(), b.not_a_number) << b.text;
    // Nothing is set from a refused value.
    EXPECT_EQ(assess.conditions.tmin_c, AssessConditions{}.tmin_c);
    EXPECT_FALSE(commission.defaults.irradiance_w_m2);
    const std::string option = ConditionFaultText(*fault, Language::English);
    EXPECT_EQ(option.rfind(OptionName(entry), 0), 0u) << option;
    EXPECT_FALSE(HoldsJapanese(option)) << option;
    const std::string label = ConditionFaultText(*fault, Language::Japanese, ConditionNaming::Label);
    EXPECT_EQ(label.rfind(std::string("「") + entry.label_ja + "」には", 0), 0u) << label;
    EXPECT_EQ(label.find("--"), std::string::npos) << label;
    EXPECT_EQ(ConditionFaultText(*fault, Language::English, ConditionNaming::Label).rfind(entry.label_en, 0), 0u);
  }
  // The viewer's words, as the viewer has always said them.
  AssessOptions assess;
  EXPECT_EQ(ConditionFaultText(*SetOption(OptionOf(ConditionKey::Tmin), "99", &assess, nullptr), Language::Japanese),
            "--tmin には -60 から 40 °C の数値を指定してください: 99");
  EXPECT_EQ(ConditionFaultText(*SetOption(OptionOf(ConditionKey::Tmin), "cold", &assess, nullptr), Language::Japanese),
            "--tmin には数値を指定してください: \"cold\"");
  // The range refusal is the core's own check: the same fault.
  AssessConditions c;
  c.tmin_c = 99;
  const auto core = ValidateConditions(c);
  const auto table = SetOption(OptionOf(ConditionKey::Tmin), "99", &assess, nullptr);
  EXPECT_EQ(ConditionFaultText(*core, Language::English), ConditionFaultText(*table, Language::English));
}

TEST(OptionTable, AGoodValueSetsTheMemberOfEveryConditionsItBelongsTo) {
  AssessOptions assess;
  CommissionOptions commission;
  EXPECT_FALSE(SetOption(OptionOf(ConditionKey::VocCoefficient), " -0.35 ", &assess, &commission));
  EXPECT_EQ(assess.conditions.voc_coefficient_pct_per_k, -0.35);
  EXPECT_EQ(commission.conditions.voc_coefficient_pct_per_k, -0.35);
  EXPECT_FALSE(SetOption(OptionOf(ConditionKey::Irradiance), "850", &assess, &commission));
  EXPECT_EQ(commission.defaults.irradiance_w_m2, std::optional<double>(850));
  EXPECT_FALSE(SetOption(OptionOf(ConditionKey::ModuleTemperature), "45.5", nullptr, &commission));
  EXPECT_EQ(commission.defaults.module_temperature_c, std::optional<double>(45.5));
  EXPECT_FALSE(SetOption(OptionOf(ConditionKey::THot), "1e1", &assess, nullptr));
  EXPECT_EQ(assess.conditions.t_hot_c, 10);
  // Only whole number texts; blanks around them allowed.
  EXPECT_FALSE(ParseOptionNumber("10 C"));
  EXPECT_FALSE(ParseOptionNumber("   "));
  EXPECT_TRUE(std::isnan(*ParseOptionNumber("nan")));
  EXPECT_EQ(ParseOptionNumber("\t-7\t"), std::optional<double>(-7));
  EXPECT_EQ(ExtrasFaultText("voc", Language::Japanese, ConditionNaming::Option),
            "--extras は voc,isc か isc,voc です: \"voc\"");
}

}  // namespace
}  // namespace voltrigg
