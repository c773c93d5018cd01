// The options of a run read from texts (app/shared/option_texts.h), as
// voltrigg-cli's commands and the page read them: the order of the faults,
// defaults kept where nothing is given, the extras and the profile, a form's
// typed numbers, and the rows the page's form shows.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "app/shared/option_texts.h"
#include "support/run_support.h"

namespace voltrigg {
namespace {

using testing::TempDir;
using testing::WriteFile;

TEST(AssessOptionTexts, FaultsComeInReadingOrderAndNameTheOptionOrTheLabel) {
  // A bad condition, bad extras and a missing profile: the condition is told.
  OptionTexts texts;
  texts.conditions["tmin"] = "-80";
  texts.extras = "voc;isc";
  texts.inverter_path = "/no/such/profile.json";
  AssessOptions options;
  auto fault = ReadAssessOptionTexts(texts, options);
  ASSERT_TRUE(fault);
  EXPECT_EQ(fault->kind, OptionsFault::Kind::Condition);
  EXPECT_EQ(fault->condition.value, -80);
  EXPECT_NE(OptionsFaultText(*fault, Language::English, ConditionNaming::Option).find("--tmin"), std::string::npos);
  EXPECT_NE(OptionsFaultText(*fault, Language::Japanese, ConditionNaming::Label).find("最低セル温度"),
            std::string::npos);

  // Each in range, but the cold operating temperature above the hot one: the
  // conditions as a whole, still before the extras.
  texts.conditions = {{"t-cold-operating", "60"}, {"t-hot", "50"}};
  options = {};
  fault = ReadAssessOptionTexts(texts, options);
  ASSERT_TRUE(fault);
  EXPECT_EQ(fault->kind, OptionsFault::Kind::Condition);

  texts.conditions.clear();
  options = {};
  fault = ReadAssessOptionTexts(texts, options);
  ASSERT_TRUE(fault);
  EXPECT_EQ(fault->kind, OptionsFault::Kind::Extras);
  EXPECT_EQ(fault->extras, "voc;isc");

  texts.extras = " isc , voc ";
  fault = ReadAssessOptionTexts(texts, options);
  ASSERT_TRUE(fault);
  EXPECT_EQ(fault->kind, OptionsFault::Kind::Profile);
  EXPECT_EQ(fault->profile.what, ProfileFaultKind::CannotOpen);
  EXPECT_FALSE(options.inverter.name) << "a profile that cannot be used leaves none";
}

TEST(AssessOptionTexts, GivenValuesSetAndOthersKeepTheCallersDefaults) {
  AssessOptions options;
  options.conditions.max_system_voltage_v = 1500;  // a plant's default, not a planning run's
  OptionTexts texts;
  texts.conditions["tmin"] = " -25 ";
  texts.extras = "isc,voc";
  ASSERT_FALSE(ReadAssessOptionTexts(texts, options));
  EXPECT_EQ(options.conditions.tmin_c, -25);
  EXPECT_EQ(options.conditions.max_system_voltage_v, 1500);
  EXPECT_EQ(options.conditions.voc_coefficient_pct_per_k, AssessConditions{}.voc_coefficient_pct_per_k);
  EXPECT_TRUE(options.isc_first);
  EXPECT_EQ(ExtrasUseOf(options), ExtrasUse::IscVoc);
  EXPECT_EQ(PlanningExtras(&options), ExtrasUse::IscVoc);
  EXPECT_EQ(PlanningExtras(nullptr), ExtrasUse::None);

  // A commissioning option is no condition of the assessment: not read.
  texts.conditions = {{"voc-tolerance", "999"}};
  texts.extras.reset();
  EXPECT_FALSE(ReadAssessOptionTexts(texts, options));
  EXPECT_TRUE(options.isc_first) << "no extras given: the order set stays";
}

TEST(AssessOptionTexts, ProfileIsReadAfterEverythingElse) {
  TempDir dir("voltrigg-option-texts");
  WriteFile(dir / "inverter.json", R"({"name": "PV-5", "max_dc_voltage_v": 600})");
  OptionTexts texts;
  texts.inverter_path = dir / "inverter.json";
  AssessOptions options;
  ASSERT_FALSE(ReadAssessOptionTexts(texts, options));
  ASSERT_TRUE(options.inverter.name);
  EXPECT_EQ(*options.inverter.name, "PV-5");

  WriteFile(dir / "bad.json", R"({"name": "PV-5", "max_dc_voltage_v": -1})");
  texts.inverter_path = dir / "bad.json";
  const auto fault = ReadAssessOptionTexts(texts, options);
  ASSERT_TRUE(fault);
  EXPECT_EQ(fault->kind, OptionsFault::Kind::Profile);
  EXPECT_NE(OptionsFaultText(*fault, Language::English, ConditionNaming::Label).find("bad.json"), std::string::npos);
}

TEST(CommissionOptionTexts, ConditionsThenTheWholeThenTheExtras) {
  CommissionOptions options;
  OptionTexts texts;
  texts.conditions["voc-tolerance"] = "0";  // passes nothing a meter shows
  texts.conditions["tmin"] = "-80";         // no condition of the check: not read
  texts.extras = "isc,voc";
  bool isc_first = false;
  auto fault = ReadCommissionOptionTexts(texts, options, &isc_first);
  ASSERT_TRUE(fault);
  EXPECT_EQ(fault->kind, OptionsFault::Kind::Condition);
  EXPECT_FALSE(isc_first);

  texts.conditions = {{"voc-tolerance", "3"}, {"irradiance", "800"}, {"voc-coefficient", "-0.3"}};
  ASSERT_FALSE(ReadCommissionOptionTexts(texts, options, &isc_first));
  EXPECT_EQ(options.conditions.voc_tolerance_pct, 3);
  EXPECT_EQ(options.conditions.voc_coefficient_pct_per_k, -0.3);
  ASSERT_TRUE(options.defaults.irradiance_w_m2);
  EXPECT_EQ(*options.defaults.irradiance_w_m2, 800);
  EXPECT_TRUE(isc_first);

  texts.extras = "both";
  fault = ReadCommissionOptionTexts(texts, options, nullptr);
  ASSERT_TRUE(fault);
  EXPECT_EQ(fault->kind, OptionsFault::Kind::Extras);
}

TEST(FormOptions, TypedNumbersAndTheRowsTheFormShows) {
  const OptionEntry& irradiance = *OptionOfKey("irradiance");
  const OptionEntry& tolerance = *OptionOfKey("voc-tolerance");
  // As a Japanese input method types them: full-width digits and point.
  EXPECT_EQ(FormFieldText(tolerance, "\xEF\xBC\x93\xEF\xBC\x8E\xEF\xBC\x95"), "3.5");
  EXPECT_EQ(FormFieldText(irradiance, " 800 "), "800");
  // An empty default for every row is none; an empty tolerance is a text the range refuses.
  EXPECT_FALSE(FormFieldText(irradiance, " "));
  EXPECT_EQ(FormFieldText(tolerance, ""), "");
  CommissionOptions options;
  OptionTexts texts;
  texts.conditions["voc-tolerance"] = *FormFieldText(tolerance, "");
  EXPECT_TRUE(ReadCommissionOptionTexts(texts, options, nullptr));

  const auto keys = [](const std::vector<const OptionEntry*>& entries) {
    std::vector<std::string> out;
    for (const OptionEntry* e : entries) out.emplace_back(e->key);
    return out;
  };
  const std::vector<std::string> assess = keys(AssessFormOptions());
  EXPECT_EQ(assess.front(), "tmin");
  EXPECT_EQ(assess.back(), "extras");
  EXPECT_EQ(std::count(assess.begin(), assess.end(), "inverter"), 0);
  EXPECT_EQ(std::count(assess.begin(), assess.end(), "voc-tolerance"), 0);
  // The coefficients are the assessment's fields, so the check's own rows leave them out.
  EXPECT_EQ(keys(CommissionFormOptions()), (std::vector<std::string>{"voc-tolerance", "isc-tolerance", "insulation-min",
                                                                     "irradiance", "module-temperature"}));
}

}  // namespace
}  // namespace voltrigg
