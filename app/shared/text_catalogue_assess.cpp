// The catalogue's words for the conditions, the inverter profile, the
// inverter window and the assessment's table.
#include <cmath>
#include <cstdio>
#include <initializer_list>
#include <string_view>
#include <utility>

#include "app/shared/curve_problems.h"
#include "app/shared/inverter_window_texts.h"
#include "app/shared/option_table.h"
#include "app/shared/text_catalogue.h"
#include "assess/curve_translation.h"
#include "input/text_utf8.h"

namespace voltrigg {

namespace {

bool Ja(Language language) { return language == Language::Japanese; }

std::string G(double value) {
  char text[48];
  (void)std::snprintf(text, sizeof text, "%g", value);
  return text;
}

std::string Format(const char* format, double a) {
  char text[96];
  (void)std::snprintf(text, sizeof text, format, a);
  return text;
}

std::string Pad(const std::string& text, std::size_t width, Align align) { return PadToColumns(text, width, align); }

// The parts one after the other, without a temporary per part.
std::string Join(std::initializer_list<std::string_view> parts) {
  std::string out;
  for (std::string_view p : parts) out += p;
  return out;
}

// --- The inverter window ------------------------------------------------------

constexpr const char* kCheckKeys[] = {"max_voltage", "mppt_min", "mppt_max", "short_circuit_current", "input_current"};

std::string CheckName(std::size_t row, Language language) {
  return Ja(language) ? InverterCheckNameJa(row) : std::string(kCheckKeys[row]);
}

std::string Joined(const std::vector<std::string>& names, Language language) {
  std::string out;
  for (const std::string& n : names) out += (out.empty() ? "" : Ja(language) ? "、" : ", ") + n;
  return out;
}

// The verdict of the whole window and what it checked.
std::string WindowVerdictLine(const InverterWindow& w, Language language) {
  if (Ja(language)) {
    return std::string("パワコン入力範囲: ") + (w.ok ? "適合" : "不適合") + " — " +
           InverterWindowCheckedText(w, language);
  }
  return std::string("Inverter window: ") + (w.ok ? "OK" : "FAILS") + " — " + InverterWindowCheckedText(w, language);
}

const ModuleData* ModuleAt(const std::vector<ModuleData>& modules, int index) {
  return index >= 0 && static_cast<std::size_t>(index) < modules.size() ? &modules[static_cast<std::size_t>(index)]
                                                                        : nullptr;
}

}  // namespace

std::string RangeText(const ConditionLimit& limit, Language language) {
  const std::string unit = *limit.unit == '\0' ? std::string() : std::string(" ") + limit.unit;
  if (Ja(language)) {
    return limit.low_excluded ? G(limit.low) + " より大きく " + G(limit.high) + unit + " 以下"
                              : G(limit.low) + " から " + G(limit.high) + unit;
  }
  return limit.low_excluded ? "above " + G(limit.low) + " and at most " + G(limit.high) + unit
                            : "from " + G(limit.low) + " to " + G(limit.high) + unit;
}

std::string ConditionFaultText(const ConditionFault& fault, Language language, ConditionNaming naming) {
  const std::string name = OptionNameIn(OptionOf(fault.limit.condition), language, naming);
  if (Ja(language)) {
    const std::string subject = naming == ConditionNaming::Label ? "「" + name + "」には" : name + " には";
    if (fault.text) return subject + "数値を指定してください: \"" + *fault.text + "\"";
    return subject + " " + RangeText(fault.limit, language) + " の数値を指定してください: " + G(fault.value);
  }
  if (fault.text) return name + " must be a number, not \"" + *fault.text + "\"";
  return name + " must be a number " + RangeText(fault.limit, language) + ", not " + G(fault.value);
}

std::string ConditionFaultText(const ConditionFault& fault, Language language) {
  return ConditionFaultText(fault, language, ConditionNaming::Option);
}

std::string ExtrasFaultText(const std::string& given, Language language, ConditionNaming naming) {
  const std::string name = OptionNameIn(*OptionOfKey("extras"), language, naming);
  if (Ja(language)) {
    const std::string subject = naming == ConditionNaming::Label ? "「" + name + "」" : name + " ";
    return subject + "は voc,isc か isc,voc です: \"" + given + "\"";
  }
  return name + " must be voc,isc or isc,voc, not \"" + given + "\"";
}

std::string ProfileFaultText(const ProfileFault& f, Language language) {
  const bool ja = Ja(language);
  const std::string file = TextAsUtf8(f.file);
  const std::string key = "\"" + f.key + "\"";
  std::string why;
  switch (f.what) {
    case ProfileFaultKind::CannotOpen:
      return ja ? "パワコンのプロファイル " + file + " を開けません" : "cannot open the inverter profile " + file;
    case ProfileFaultKind::TooLarge:
      return ja ? "パワコンのプロファイル " + file + " が 64 KiB を超えています"
                : "the inverter profile " + file + " is larger than 64 KiB";
    case ProfileFaultKind::CannotRead:
      return ja ? "パワコンのプロファイル " + file + " を読み込めません" : "cannot read the inverter profile " + file;
    case ProfileFaultKind::NotJson:
      why = ja ? "JSON として読めません" + (f.key.empty() ? std::string() : " (キー " + key + " の近く)") + ": " +
                     f.detail
               : "not valid JSON" + (f.key.empty() ? std::string() : " near key " + key) + ": " + f.detail;
      break;
    case ProfileFaultKind::KeyTwice:
      why = ja ? "キー " + key + " が 2 回あります" : "key " + key + " appears more than once";
      break;
    case ProfileFaultKind::NotAnObject:
      why = ja ? "プロファイルは 1 つの JSON オブジェクトです" : "the profile must be one JSON object";
      break;
    case ProfileFaultKind::NameNotText:
      why = ja ? "キー \"name\" は文字列です" : "key \"name\" must be a text";
      break;
    case ProfileFaultKind::NameTooLong:
      why = ja ? "キー \"name\" が 200 バイトを超えています" : "key \"name\" is longer than 200 bytes";
      break;
    case ProfileFaultKind::NameControlCharacter:
      why = ja ? "キー \"name\" に制御文字があります" : "key \"name\" holds a control character";
      break;
    case ProfileFaultKind::UnknownKey: {
      std::string known = "\"name\"";
      for (const char* k : kProfileLimitKeys) known += std::string(", \"") + k + "\"";
      why = ja ? "不明なキー " + key + " (使えるキー: " + known + ")"
               : "unknown key " + key + " (known keys: " + known + ")";
      break;
    }
    case ProfileFaultKind::NotANumber:
      why = ja ? "キー " + key + " は数値です" : "key " + key + " must be a number";
      break;
    case ProfileFaultKind::NotAboveZero:
      why = ja ? "キー " + key + " には 0 より大きい有限の数値を指定してください"
               : "key " + key + " must be a finite number above 0";
      break;
    case ProfileFaultKind::Negative:
      why = ja ? "キー " + key + " には 0 以上の有限の数値を指定してください"
               : "key " + key + " must be a finite number of 0 or more";
      break;
    case ProfileFaultKind::MinNotBelowMax:
      why = ja ? "キー \"mppt_min_v\" は \"mppt_max_v\" より小さい値です"
               : "key \"mppt_min_v\" must be below \"mppt_max_v\"";
      break;
    case ProfileFaultKind::MaxAboveDcVoltage:
      why = ja ? "キー \"mppt_max_v\" は \"max_dc_voltage_v\" 以下の値です"
               : "key \"mppt_max_v\" must not be above \"max_dc_voltage_v\"";
      break;
    case ProfileFaultKind::NoLimit: {
      std::string keys;
      for (const char* k : kProfileLimitKeys) keys += (keys.empty() ? "" : ja ? "、" : ", ") + std::string(k);
      why = ja ? "限度が 1 つもありません (" + keys + "): このプロファイルでは何も検査できません"
               : "the profile gives no limit (" + keys + "), so it would check nothing";
      break;
    }
  }
  if (f.file.empty()) return why;
  return ja ? "パワコンのプロファイル " + file + ": " + why : "inverter profile " + file + ": " + why;
}

std::string VerdictText(Verdict verdict, Language language) {
  if (Ja(language)) return InverterVerdictNameJa(verdict);
  switch (verdict) {
    case Verdict::Ok:
      return "OK";
    case Verdict::Fails:
      return "FAILS";
    case Verdict::Clips:
      return "clips";
    case Verdict::NotChecked:
      break;
  }
  return "not checked";
}

std::string InverterWindowCheckedText(const InverterWindow& w, Language language) {
  const bool ja = Ja(language);
  const std::vector<WindowRow> rows = InverterWindowRows(w);
  std::vector<std::string> by[4];  // Ok, Fails, Clips, NotChecked
  for (std::size_t r = 0; r < rows.size() && r < std::size(kCheckKeys); ++r) {
    by[static_cast<int>(rows[r].verdict)].push_back(CheckName(r, language));
  }
  std::string out;
  const auto group = [&](Verdict verdict, const std::string& why = {}) {
    const std::vector<std::string>& names = by[static_cast<int>(verdict)];
    if (names.empty()) return;
    out += (out.empty() ? "" : "; ") + Joined(names, language) + " " + VerdictText(verdict, language) + why;
  };
  group(Verdict::Ok);
  group(Verdict::Fails);
  group(Verdict::Clips);
  const std::string why_not = w.inverter.name || w.inverter.max_dc_voltage_v || w.inverter.mppt_min_v ||
                                      w.inverter.mppt_max_v || w.inverter.max_input_current_a ||
                                      w.inverter.max_short_circuit_current_a
                                  ? (ja ? ": プロファイルに限度なし" : ": no limit in the inverter profile")
                                  : (ja ? ": プロファイルなし" : ": no inverter profile");
  group(Verdict::NotChecked, why_not);
  return out;
}

std::string InverterWindowTableText(const InverterWindow& w, Language language) {
  const bool ja = Ja(language);
  const AssessConditions& c = w.conditions;
  std::string out;
  if (ja) {
    out = "パワコン入力範囲 (Estimated の配線、1000 W/m²; ";
    out += w.inverter.name ? "パワコン \"" + *w.inverter.name + "\"" : std::string("パワコンのプロファイルなし");
    out += Format("; Voc %+g %%/K", c.voc_coefficient_pct_per_k) +
           Format("、Isc %+g %%/K)\n", c.isc_coefficient_pct_per_k);
  } else {
    out = "Inverter window (Estimated wiring, 1000 W/m²";
    out += w.inverter.name ? "; inverter \"" + *w.inverter.name + "\"" : std::string("; no inverter profile");
    out += Format("; Voc %+g %%/K", c.voc_coefficient_pct_per_k) +
           Format(", Isc %+g %%/K)\n", c.isc_coefficient_pct_per_k);
  }
  const auto line = [&](const std::string& check, const std::string& condition, const std::string& value,
                        const std::string& limit, const std::string& margin, const std::string& verdict) {
    out += Pad(check, 22, Align::Left) + " " + Pad(condition, ja ? 36 : 32, Align::Left) + " " +
           Pad(value, 12, Align::Right) + " " + Pad(limit, 10, Align::Right) + " " + Pad(margin, 22, Align::Right) +
           "  " + verdict + "\n";
  };
  if (ja) {
    line("検査", "値の内容", "値", "限度", "余裕", "判定");
  } else {
    line("Check", "Value of", "Value", "Limit", "Margin", "Verdict");
  }
  const std::vector<WindowRow> rows = InverterWindowRows(w);
  for (std::size_t r = 0; r < rows.size(); ++r) {
    const WindowRow& row = rows[r];
    line(ja ? InverterCheckNameJa(r) : row.check, ja ? InverterCheckConditionJa(r, c) : row.condition,
         row.value == "unknown" && ja ? std::string("不明") : row.value, row.limit, row.margin,
         VerdictText(row.verdict, language));
  }
  out += WindowVerdictLine(w, language) + "\n";
  return out;
}

std::vector<WindowWarningText> InverterWindowWarningTexts(const InverterWindow& w,
                                                          const std::vector<ModuleData>& modules, Language language) {
  const bool ja = Ja(language);
  std::vector<WindowWarningText> out;
  const std::string prefix = ja ? "パワコン入力範囲: " : "inverter window: ";
  for (const UntranslatedCurve& u : w.untranslated) {
    const ModuleData* m = ModuleAt(modules, u.module_index);
    const std::string module =
        m != nullptr ? ModuleName(*m, static_cast<std::size_t>(u.module_index), language) : std::string("?");
    const std::string why = FitProblemText(u.problem, language);
    const std::string t = G(u.temperature_c);
    out.push_back({false, ja ? Join({prefix, "1000 W/m²、", t, " °C の値がありません: ", module, ": ", why})
                             : Join({prefix, "no figure for ", module, ": ", why, " at 1000 W/m² and ", t, " °C"})});
  }
  const std::vector<WindowRow> rows = InverterWindowRows(w);
  const WindowCheck* checks[] = {&w.max_voltage, &w.mppt_min, &w.mppt_max, &w.short_circuit_current, &w.input_current};
  for (std::size_t r = 0; r < rows.size() && r < std::size(checks); ++r) {
    const WindowRow& row = rows[r];
    if (row.verdict != Verdict::Fails && row.verdict != Verdict::Clips) continue;
    const WindowCheck& check = *checks[r];
    const bool clips = row.verdict == Verdict::Clips;
    const bool known = std::isfinite(check.value);
    const bool above = check.side == LimitSide::AtMost;
    std::string text;
    if (ja) {
      const std::string name = InverterCheckNameJa(r);
      const std::string what = InverterCheckConditionJa(r, w.conditions);
      if (clips) {
        text = Join({prefix, name, ": ", what, " ", row.value, " がパワコン入力の使用可能な ", row.limit,
                     " を超えています。出力が制限されます (不適合ではありません)"});
      } else if (!known) {
        text = Join({prefix, name, " 不適合: ", what, " が求まりません (限度 ", row.limit, ")"});
      } else {
        text = Join({prefix, name, " 不適合: ", what, " ", row.value, " が限度 ", row.limit,
                     above ? " を超えています" : " を下回っています"});
      }
    } else if (clips) {
      text =
          Join({prefix, row.check, ": the ", row.condition, ", ", row.value, ", is above the inverter input's usable ",
                row.limit, "; the inverter clips there (a note, not a failure)"});
    } else if (!known) {
      text = Join({prefix, row.check, " fails: the ", row.condition, " is not known (limit ", row.limit, ")"});
    } else {
      text = Join({prefix, row.check, " fails: the ", row.condition, ", ", row.value, ", is ",
                   above ? "above" : "below", " the limit ", row.limit});
    }
    out.push_back({clips, std::move(text)});
  }
  return out;
}

std::string AssessmentTableText(const Assessment& a, Language language) {
  const bool ja = Ja(language);
  std::string out;
  char line[256];
  if (ja) {
    (void)std::snprintf(line, sizeof line,
                        "モジュールの曲線による物理評価 (STC; 低温時の開放電圧は %g °C、%g %%/K、上限 %g V)\n",
                        a.conditions.tmin_c, a.conditions.voc_coefficient_pct_per_k, a.conditions.max_system_voltage_v);
  } else {
    (void)std::snprintf(line, sizeof line,
                        "Assessment by the module curves (STC; cold Voc at %g °C with %g %%/K, limit %g V)\n",
                        a.conditions.tmin_c, a.conditions.voc_coefficient_pct_per_k, a.conditions.max_system_voltage_v);
  }
  out += line;
  const auto row = [&](const std::string& name, const std::string& pmp, const std::string& vmp, const std::string& imp,
                       const std::string& loss) {
    // The Japanese names of the wirings are wider than the English ones.
    out += Pad(name, ja ? 28 : 22, Align::Left) + " " + Pad(pmp, 14, Align::Right) + " " + Pad(vmp, 12, Align::Right) +
           " " + Pad(imp, 11, Align::Right) + " " + Pad(loss, 10, Align::Right) + "\n";
  };
  if (ja) {
    row("配線", "Pmp [W]", "Vmp [V]", "Imp [A]", "損失 [%]");
  } else {
    row("Arrangement", "Pmp [W]", "Vmp [V]", "Imp [A]", "Loss [%]");
  }
  const auto arrangement = [&](const std::string& name, const ArrangementFigures& f) {
    row(name, Format("%.4f", f.point.pmp_w), Format("%.4f", f.point.vmp_v), Format("%.5f", f.point.imp_a),
        Format("%.5f", f.mismatch_loss_pct));
  };
  arrangement(ja ? "Initial (整列順)" : "Initial", a.initial);
  arrangement(ja ? "Estimated (結果ファイル)" : "Estimated", a.estimated);
  arrangement(ja ? "最適化した配線" : "Optimized", a.optimized);
  const auto random = [&](const std::string& name, double pmp) {
    row(name, Format("%.4f", pmp), "", "", Format("%.5f", MismatchLossPct(pmp, a.sum_mpp_w)));
  };
  const std::string samples = std::to_string(a.random_wiring.samples);
  random(ja ? "ランダム配線 " + samples + " 通りの平均" : "Random, mean of " + samples, a.random_wiring.mean_pmp_w);
  random(ja ? "ランダム配線の最悪" : "Random, worst", a.random_wiring.worst_pmp_w);
  const double gain_w = a.optimized.point.pmp_w - a.estimated.point.pmp_w;
  if (ja) {
    (void)std::snprintf(line, sizeof line,
                        "モジュールの Vpm×Ipm の合計: %.4f W; 最適化で Estimated より %.4f W 増えます\n", a.sum_mpp_w,
                        gain_w);
  } else {
    (void)std::snprintf(line, sizeof line, "Sum of module Vpm*Ipm: %.4f W; optimizing gains %.4f W over Estimated\n",
                        a.sum_mpp_w, gain_w);
  }
  out += line;
  const VoltageCheck& v = a.voltage_check;
  if (ja) {
    (void)std::snprintf(line, sizeof line,
                        "電圧チェック (Estimated): 最高ストリング開放電圧 %.2f V (%g °C)、上限 %g V: %s\n",
                        v.max_string_voc_cold_v, a.conditions.tmin_c, v.limit_v, v.ok ? "適合" : "上限超過");
  } else {
    (void)std::snprintf(line, sizeof line,
                        "Voltage check (Estimated): highest string Voc %.2f V at %g °C, limit %g V: %s\n",
                        v.max_string_voc_cold_v, a.conditions.tmin_c, v.limit_v, v.ok ? "OK" : "ABOVE THE LIMIT");
  }
  out += line;
  return out;
}

std::string StringOverLimitText(int string_no, double voc_cold_v, double tmin_c, double limit_v, Language language) {
  char text[256];
  if (Ja(language)) {
    (void)std::snprintf(text, sizeof text,
                        "ストリング %d の開放電圧が %g °C で %.2f V になり、システム電圧の上限 %g V を超えています",
                        string_no, tmin_c, voc_cold_v, limit_v);
  } else {
    (void)std::snprintf(text, sizeof text,
                        "string %d reaches %.2f V open-circuit at %g °C, above the %g V system voltage limit",
                        string_no, voc_cold_v, tmin_c, limit_v);
  }
  return text;
}

}  // namespace voltrigg
