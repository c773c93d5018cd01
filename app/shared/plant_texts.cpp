#include "app/shared/plant_texts.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <iterator>

namespace voltrigg {

namespace {

using Kind = PlantFault::Kind;

bool En(Language language) { return language == Language::English; }

std::string Number(double value, const char* format = "%.6g") {
  char text[48];
  (void)std::snprintf(text, sizeof text, format, value);
  return text;
}

std::string N(std::int64_t n) { return std::to_string(n); }

// Cut after about 40 bytes, not inside a UTF-8 character.
std::string Shown(const std::string& text) {
  if (text.size() <= 40) return text;
  std::size_t cut = 40;
  while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80) --cut;
  return text.substr(0, cut) + "...";
}

std::string Quoted(const std::string& text, Language language) {
  return En(language) ? "\"" + Shown(text) + "\"" : "「" + Shown(text) + "」";
}

std::string Place(const std::string& file, std::int64_t line, Language language) {
  if (En(language)) return line > 0 ? file + ", line " + N(line) : file;
  return line > 0 ? file + " の " + N(line) + " 行目" : file;
}

const char* kColumnsEn = "serial, pmax_w, vmp_v, imp_a, voc_v, isc_a (and pallet)";

std::string ListFaultEn(const PlantFault& f) {
  const std::string at = Place(f.file_name, f.line, Language::English);
  const std::string field = f.field.empty() ? at : at + ", " + f.field;
  const std::string value = Quoted(f.value, Language::English);
  switch (f.kind) {
    case Kind::FileUnreadable:
      return "cannot open or read the module list " + f.file_name;
    case Kind::FileTooLarge:
      return "the module list " + f.file_name + " holds " + N(f.count) + " bytes, more than a list may (" +
             N(kMaxPlantFileBytes) + ")";
    case Kind::NotText:
      return at + ": a NUL byte (not a text file)";
    case Kind::UnclosedQuote:
      return at + ": a field in double quotes is not closed";
    case Kind::TextAfterQuote:
      return at + ": text after a closing double quote";
    case Kind::FieldTooLong:
      return at + ": a field longer than 64 KiB";
    case Kind::NoHeader:
      return "the module list " + f.file_name +
             " is empty: it needs a header line (seven fields as a module list has, or the columns " + kColumnsEn + ")";
    case Kind::UnknownHeader:
      return at + ": the header has " + N(f.count) +
             " fields; a module list has seven, a list of named columns names " + kColumnsEn;
    case Kind::MissingColumn:
      return at + ": the header has no column " + f.field + " (needed: " + kColumnsEn + ")";
    case Kind::RepeatedColumn:
      return at + ": the header names the column " + f.field + " twice";
    case Kind::FieldCount:
      return at + ": " + N(f.count) + " fields where the header has " + N(f.needed);
    case Kind::NoPalletColumn:
      return "the module list " + f.file_name + " has no pallet column; --sort pallets needs one in every list";
    case Kind::EmptySerial:
      return at + ": the serial is empty; every module needs its serial";
    case Kind::RepeatedSerial:
      return at + ": the serial " + value + " is there already, at " +
             Place(f.first_file_name, f.first.line, Language::English);
    case Kind::NotANumber:
      return field + ": " + value + " is not a number";
    case Kind::NotFinite:
      return field + ": " + value + " is beyond the range of numbers";
    case Kind::NotPositive:
      return field + ": " + value + " must be a number above 0";
    case Kind::VocNotAboveVmp:
      return field + ": " + value + " is not above vmp_v";
    case Kind::IscNotAboveImp:
      return field + ": " + value + " is not above imp_a";
    case Kind::ImplausibleRatio:
      return field + ": " + value + " is more than " + Number(kMaxOpenToMppRatio) + " times " +
             (f.field == "voc_v" ? "vmp_v" : "imp_a") + ", no module's";
    case Kind::PmaxMismatch:
      return field + ": " + value + " is more than " + Number(100 * kPmaxMismatchShare) +
             " % from vmp_v * imp_a (columns mixed up, or a typing slip?)";
    case Kind::CurveNotFitted:
      return at + " (serial " + value +
             "): no curve fits the module: " + FitProblemText(f.fit_problem, Language::English);
    case Kind::EmptyPallet:
      return at + ": the pallet is empty; --sort pallets needs every module's pallet";
    default:
      break;
  }
  return {};
}

std::string ListFaultJa(const PlantFault& f) {
  const std::string at = "モジュールリスト " + Place(f.file_name, f.line, Language::Japanese);
  const std::string field = f.field.empty() ? at : at + "、列 " + f.field;
  const std::string value = Quoted(f.value, Language::Japanese);
  switch (f.kind) {
    case Kind::FileUnreadable:
      return "モジュールリスト " + f.file_name + " を開けないか読めません";
    case Kind::FileTooLarge:
      return "モジュールリスト " + f.file_name + " が大きすぎます (" + N(f.count) + " バイト、上限 " +
             N(kMaxPlantFileBytes) + " バイト)";
    case Kind::NotText:
      return at + ": NUL バイトがあります (テキストファイルではありません)";
    case Kind::UnclosedQuote:
      return at + ": 引用符 (\") で始まるフィールドが閉じていません";
    case Kind::TextAfterQuote:
      return at + ": 閉じた引用符の後に文字があります";
    case Kind::FieldTooLong:
      return at + ": 64 KiB を超えるフィールドがあります";
    case Kind::NoHeader:
      return "モジュールリスト " + f.file_name +
             " が空です (見出し行が必要です: モジュールリストの 7 項目、または列名 serial, pmax_w, vmp_v, imp_a, "
             "voc_v, isc_a (と pallet))";
    case Kind::UnknownHeader:
      return at + ": 見出しの項目が " + N(f.count) +
             " 個です (モジュールリストは 7 項目、列名のリストは serial, pmax_w, vmp_v, imp_a, voc_v, isc_a "
             "が必要です)";
    case Kind::MissingColumn:
      return at + ": 見出しに列 " + f.field + " がありません";
    case Kind::RepeatedColumn:
      return at + ": 見出しに列 " + f.field + " が 2 回あります";
    case Kind::FieldCount:
      return at + ": 項目が " + N(f.count) + " 個あります (見出しは " + N(f.needed) + " 個)";
    case Kind::NoPalletColumn:
      return "モジュールリスト " + f.file_name +
             " に列 pallet がありません (--sort pallets ではすべてのリストに必要です)";
    case Kind::EmptySerial:
      return at + ": シリアル番号が空です";
    case Kind::RepeatedSerial:
      return at + ": シリアル番号 " + value + " は " + Place(f.first_file_name, f.first.line, Language::Japanese) +
             " にもあります";
    case Kind::NotANumber:
      return field + ": " + value + " は数値ではありません";
    case Kind::NotFinite:
      return field + ": " + value + " は数値の範囲を超えています";
    case Kind::NotPositive:
      return field + ": " + value + " は 0 より大きい数値でなければなりません";
    case Kind::VocNotAboveVmp:
      return field + ": " + value + " が vmp_v より大きくありません";
    case Kind::IscNotAboveImp:
      return field + ": " + value + " が imp_a より大きくありません";
    case Kind::ImplausibleRatio:
      return field + ": " + value + " が " + (f.field == "voc_v" ? "vmp_v" : "imp_a") + " の " +
             Number(kMaxOpenToMppRatio) + " 倍を超えています (モジュールの値ではありません)";
    case Kind::PmaxMismatch:
      return field + ": " + value + " が vmp_v × imp_a から " + Number(100 * kPmaxMismatchShare) +
             " % を超えて離れています (列の取り違えか入力の誤りではありませんか)";
    case Kind::CurveNotFitted:
      return at + " (シリアル番号 " + value +
             "): 曲線を当てはめられません: " + FitProblemText(f.fit_problem, Language::Japanese);
    case Kind::EmptyPallet:
      return at + ": パレットが空です (--sort pallets ではすべてのモジュールに必要です)";
    default:
      break;
  }
  return {};
}

std::string LayoutFault(const PlantFault& f, Language language) {
  const bool en = En(language);
  const std::string where = en ? "layout " + f.file_name : "レイアウト " + f.file_name;
  const std::string key = en ? where + ": key " + f.field : where + " のキー " + f.field;
  switch (f.kind) {
    case Kind::LayoutUnreadable:
      return en ? "cannot open or read the " + where : where + " を開けないか読めません";
    case Kind::LayoutTooLarge:
      return en ? "the " + where + " is larger than " + N(kMaxLayoutBytes) + " bytes"
                : where + " が " + N(kMaxLayoutBytes) + " バイトを超えています";
    case Kind::LayoutNotJson:
      return en ? where + " is not valid JSON: " + f.detail : where + " は正しい JSON ではありません: " + f.detail;
    case Kind::LayoutRepeatedKey:
      return en ? key + " appears more than once" : key + " が 2 回以上あります";
    case Kind::LayoutUnknownKey:
      return en ? key + " is not a key of a layout" : key + " はレイアウトのキーではありません";
    case Kind::LayoutMissingKey:
      return en ? key + " is missing" : key + " がありません";
    case Kind::LayoutWrongType:
      return en ? key + " must be " + f.detail : key + " の値の種類が違います (" + f.detail + ")";
    case Kind::LayoutOutOfRange:
      return en ? key + ": " + Shown(f.value) + " is out of range (" + f.detail + ")"
                : key + ": " + Shown(f.value) + " は範囲外です (" + f.detail + ")";
    case Kind::LayoutProfile: {
      const std::string why = f.profile ? ProfileFaultText(*f.profile, language) : f.detail;
      return en ? key + ": " + why : key + " (パワコンのプロファイル): " + why;
    }
    case Kind::LayoutRepeatedInverter:
      return en ? where + ": two inverters are named " + f.value
                : where + ": パワコン名 " + f.value + " が 2 台にあります";
    default:
      break;
  }
  return {};
}

// A plant file read back for the commissioning check.
std::string PlantFileFault(const PlantFault& f, Language language) {
  const bool en = En(language);
  const std::string where = en ? "plant file " + f.file_name : "プラントファイル " + f.file_name;
  const std::string key = en ? where + ": key " + f.field : where + " のキー " + f.field;
  switch (f.kind) {
    case Kind::PlantFileUnreadable:
      return en ? "cannot open or read the " + where : where + " を開けないか読めません";
    case Kind::PlantFileTooLarge:
      return en ? "the " + where + " is larger than " + N(kMaxPlantFileBytes) + " bytes"
                : where + " が " + N(kMaxPlantFileBytes) + " バイトを超えています";
    case Kind::PlantFileNotJson:
      return en ? where + " is not valid JSON: " + f.detail : where + " は正しい JSON ではありません: " + f.detail;
    case Kind::PlantFileMalformed:
      if (f.field.empty()) {
        return en ? where + " is not a plant file (its document must be " + f.detail + ")"
                  : where + " はプラントファイルではありません (文書は " + f.detail + " であるべきです)";
      }
      return en ? key + " must be " + f.detail + " (is this the plant file voltrigg-cli plant wrote?)"
                : key + " は " + f.detail + " であるべきです (voltrigg-cli plant が書いたプラントファイルですか)";
    case Kind::PlantFileRepeatedString:
      return en ? where + ": two strings are named " + Quoted(f.value, language)
                : where + ": ストリング名 " + Quoted(f.value, language) + " が 2 つあります";
    case Kind::PlantFileRepeatedSerial:
      return en ? where + ": serial " + Quoted(f.value, language) + " is in two places (again in string " + f.field +
                      ")"
                : where + ": シリアル番号 " + Quoted(f.value, language) + " が 2 か所にあります (2 つ目はストリング " +
                      f.field + ")";
    case Kind::SerialNotInLists:
      return en ? where + ", string " + f.field + ": serial " + Quoted(f.value, language) + " is in none of the lists"
                : where + " のストリング " + f.field + ": シリアル番号 " + Quoted(f.value, language) +
                      " はどのリストにもありません";
    default:
      break;
  }
  return {};
}

std::string Kw(double w) { return Number(w / 1000.0, "%.3f"); }
std::string Pct(double pct) { return Number(pct, "%.5f"); }

std::string ModeName(std::size_t index, Language language) {
  static const char* kEn[] = {"delivered", "pallets", "free"};
  static const char* kJa[] = {"納品順 (delivered)", "パレット内 (pallets)", "自由 (free)"};
  return En(language) ? kEn[index] : kJa[index];
}

}  // namespace

int PlantRefusalExitStatus(PlantFault::Kind kind) {
  const bool usage = kind == PlantFault::Kind::BadConditions || kind == PlantFault::Kind::BadPalletWindow ||
                     kind == PlantFault::Kind::BadExtras;
  return usage ? 64 : 2;
}

std::string PlantFaultText(const PlantFault& f, Language language) {
  const bool en = En(language);
  switch (f.kind) {
    case Kind::NoLists:
      return en ? "no module list given" : "モジュールリストが指定されていません";
    case Kind::BadConditions:
      return f.condition ? ConditionFaultText(*f.condition, language) : std::string();
    case Kind::BadPalletWindow:
      return en ? "--pallet-window must be a whole number from 1 to 1000, not " + N(f.count)
                : "--pallet-window には 1 から 1000 の整数を指定してください: " + N(f.count);
    case Kind::BadExtras:
      return en ? "columns 6 and 7 of a module list must be Voc and Isc (voc,isc or isc,voc)"
                : "モジュールリストの 6 列目と 7 列目は Voc と Isc です (voc,isc または isc,voc)";
    case Kind::TooManyRows:
      return en ? "the lists hold " + N(f.count) + " modules; a plan takes at most " + N(f.needed)
                : "リストのモジュールが " + N(f.count) + " 個あります (計画できるのは " + N(f.needed) + " 個まで)";
    case Kind::TooFewModules:
      return en ? "the lists hold " + N(f.count) + " modules; the layout needs " + N(f.needed)
                : "リストのモジュールは " + N(f.count) + " 個で、レイアウトには " + N(f.needed) + " 個必要です";
    case Kind::LayoutUnreadable:
    case Kind::LayoutTooLarge:
    case Kind::LayoutNotJson:
    case Kind::LayoutRepeatedKey:
    case Kind::LayoutUnknownKey:
    case Kind::LayoutMissingKey:
    case Kind::LayoutWrongType:
    case Kind::LayoutOutOfRange:
    case Kind::LayoutProfile:
    case Kind::LayoutRepeatedInverter:
      return LayoutFault(f, language);
    case Kind::PlantFileUnreadable:
    case Kind::PlantFileTooLarge:
    case Kind::PlantFileNotJson:
    case Kind::PlantFileMalformed:
    case Kind::PlantFileRepeatedString:
    case Kind::PlantFileRepeatedSerial:
    case Kind::SerialNotInLists:
      return PlantFileFault(f, language);
    default:
      break;
  }
  return en ? ListFaultEn(f) : ListFaultJa(f);
}

std::string PlantWarningText(const PlantWarning& w, const std::vector<std::string>& list_names, Language language,
                             std::size_t places_named) {
  const bool en = En(language);
  std::string places;
  const std::size_t named = std::min(places_named, w.places.size());
  for (std::size_t i = 0; i < named; ++i) {
    const PlantPlace& p = w.places[i];
    const std::string file = p.file >= 0 && static_cast<std::size_t>(p.file) < list_names.size()
                                 ? list_names[static_cast<std::size_t>(p.file)]
                                 : "";
    places += (i > 0 ? (en ? "; " : "、") : "") + Place(file, p.line, language);
    if (i < w.values.size()) places += " (" + Number(w.values[i], "%.9g") + " " + w.unit + ")";
  }
  if (named < w.places.size()) {
    const std::string more = N(static_cast<std::int64_t>(w.places.size() - named));
    places += en ? " and " + more + " more" : "、ほか " + more + " 個";
  }
  const std::string count = N(static_cast<std::int64_t>(w.places.size()));
  switch (w.kind) {
    case ListWarning::Kind::DuplicateNumber:
      return en ? "module number " + w.value + " appears " + count + " times in one list: " + places
                : "モジュール番号 " + w.value + " が 1 つのリストに " + count + " 回あります: " + places;
    case ListWarning::Kind::FarFromMedian: {
      const std::string median = Number(w.median) + " " + w.unit;
      const std::string share = Number(100 * kFarFromMedianShare, "%.0f");
      return en ? w.name + " more than " + share + " % from the lot's median " + median + ": " + places
                : w.name + " がロットの中央値 " + median + " から " + share + " % を超えて離れています: " + places;
    }
    case ListWarning::Kind::DuplicateSerial:
    case ListWarning::Kind::NotPositive:
      break;
  }
  return {};
}

std::string PlantFailedCheckText(const PlantFailedCheck& c, const PlantSummary& s, Language language) {
  const bool en = En(language);
  const std::string inverter = c.inverter >= 0 && static_cast<std::size_t>(c.inverter) < s.inverter_names.size()
                                   ? s.inverter_names[static_cast<std::size_t>(c.inverter)]
                                   : "";
  std::string where = en ? inverter + " input " + N(c.input) : inverter + " 入力 " + N(c.input);
  if (c.kind == PlantFailedCheck::Kind::StringVoltage) {
    where += en ? " string " + N(c.string) : " ストリング " + N(c.string);
  }
  const std::string value = std::isfinite(c.value) ? Number(c.value, "%.1f") : (en ? "not computable" : "計算不能");
  const std::string limit = Number(c.limit, "%.1f");
  switch (c.kind) {
    case PlantFailedCheck::Kind::StringVoltage:
      return en ? where + ": cold Voc " + value + " V above " + limit + " V"
                : where + ": 低温時の開放電圧 " + value + " V が上限 " + limit + " V を超えています";
    case PlantFailedCheck::Kind::MpptMin:
      return en ? where + ": hot Vmp " + value + " V below the MPPT minimum " + limit + " V"
                : where + ": 高温時の Vmp " + value + " V が MPPT 下限 " + limit + " V を下回ります";
    case PlantFailedCheck::Kind::MpptMax:
      return en ? where + ": cool Vmp " + value + " V above the MPPT maximum " + limit + " V"
                : where + ": 低温時の Vmp " + value + " V が MPPT 上限 " + limit + " V を超えています";
    case PlantFailedCheck::Kind::ShortCircuitCurrent:
      return en ? where + ": short-circuit current " + value + " A above " + limit + " A"
                : where + ": 短絡電流 " + value + " A が上限 " + limit + " A を超えています";
  }
  return {};
}

std::vector<std::string> PlantSummaryLines(const PlantSummary& s, Language language) {
  const bool en = En(language);
  std::vector<std::string> lines;
  const std::string name =
      s.name ? (en ? "plant " + *s.name + ": " : "発電所 " + *s.name + ": ") : (en ? "plant: " : "発電所: ");
  lines.push_back(name + (en ? N(s.modules_used) + " modules used, " + N(s.modules_spare) + " spare; " + N(s.strings) +
                                   " strings of " + N(s.modules_per_string) + ", " + N(s.inputs) + " inputs, " +
                                   N(s.inverters) + " inverters"
                             : "使用 " + N(s.modules_used) + " 枚、予備 " + N(s.modules_spare) + " 枚; " +
                                   N(s.modules_per_string) + " 直列のストリング " + N(s.strings) + " 本、入力 " +
                                   N(s.inputs) + "、パワコン " + N(s.inverters) + " 台"));
  const std::size_t sort = static_cast<std::size_t>(s.sort);
  lines.push_back((en ? "plan (" : "計画 (") + ModeName(sort, language) + "): Pmp " + Kw(s.plant.pmp_w) + " kW, " +
                  (en ? "sum of Vmp*Imp " : "Vmp×Imp の和 ") + Kw(s.plant.sum_mpp_w) + " kW, " +
                  (en ? "mismatch loss " : "ミスマッチ損失 ") + Pct(s.plant.mismatch_loss_pct) + " %");
  const std::optional<PlantModeFigures>& delivered = s.modes[0];
  for (std::size_t k = 0; k < s.modes.size(); ++k) {
    std::string line = "  " + ModeName(k, language);
    if (k == 1 && s.modes[k])
      line += en ? " (window " + N(s.pallet_window) + ")" : " (ウィンドウ " + N(s.pallet_window) + ")";
    if (!s.modes[k]) {
      lines.push_back(line + (en ? ": not planned (the lists have no pallet column)"
                                 : ": 計画なし (リストに列 pallet がありません)"));
      continue;
    }
    line += ": Pmp " + Kw(s.modes[k]->pmp_w) + " kW, " + (en ? "mismatch loss " : "ミスマッチ損失 ") +
            Pct(s.modes[k]->mismatch_loss_pct) + " %";
    if (k > 0 && delivered) {
      const double gain_w = s.modes[k]->pmp_w - delivered->pmp_w;
      const double gain_pct = delivered->pmp_w > 0 ? 100 * gain_w / delivered->pmp_w : 0;
      line += en ? " (" + Number(gain_w / 1000.0, "%+.3f") + " kW, " + Number(gain_pct, "%+.4f") + " % over delivered)"
                 : " (納品順より " + Number(gain_w / 1000.0, "%+.3f") + " kW、" + Number(gain_pct, "%+.4f") + " %)";
    }
    lines.push_back(line);
  }
  const std::string voc = std::isfinite(s.highest_string_voc_cold_v) ? Number(s.highest_string_voc_cold_v, "%.1f")
                                                                     : (en ? "not computable" : "計算不能");
  lines.push_back(en ? "highest cold string Voc " + voc + " V, limit " + Number(s.voltage_limit_v, "%.1f") +
                           " V: " + (s.voltage_ok ? "ok" : "EXCEEDED")
                     : "低温時のストリング開放電圧の最高 " + voc + " V、上限 " + Number(s.voltage_limit_v, "%.1f") +
                           " V: " + (s.voltage_ok ? "適合" : "超過"));
  if (s.failed_count == 0) {
    lines.emplace_back(en ? "checks: all passed" : "検査: すべて適合");
  } else {
    lines.push_back(en ? "checks: " + N(s.failed_count) + " failed" : "検査: 不適合 " + N(s.failed_count) + " 件");
    std::transform(s.failed.begin(), s.failed.end(), std::back_inserter(lines),
                   [&](const PlantFailedCheck& c) { return "  " + PlantFailedCheckText(c, s, language); });
    if (static_cast<std::int64_t>(s.failed.size()) < s.failed_count) {
      const std::string more = N(s.failed_count - static_cast<std::int64_t>(s.failed.size()));
      lines.push_back(en ? "  and " + more + " more" : "  ほか " + more + " 件");
    }
  }
  if (s.inputs_clipping > 0) {
    lines.push_back(en ? "note: " + N(s.inputs_clipping) +
                             " inputs carry more than their usable current (output clipped)"
                       : "注: " + N(s.inputs_clipping) + " 入力で電流が入力電流上限を超えます (出力が制限されます)");
  }
  return lines;
}

std::string PlantPhraseText(PlantPhrase phrase, Language language) {
  const bool ja = language == Language::Japanese;
  switch (phrase) {
    case PlantPhrase::Description:
      return ja ? "発電所の計画: 発電所全体の測定済みモジュールをパワコン、MPPT 入力、ストリングに割り当てます。"
                  "BASE.register.csv (設置順の各モジュールの位置)、BASE.picklist.csv (同じものをパレット順に) と "
                  "BASE.plant.json を書き出します。"
                : "Plant planning: a whole plant's measured modules wired to inverters, MPPT inputs and strings. "
                  "Writes BASE.register.csv (every module's place in installation order), BASE.picklist.csv (the "
                  "same by pallet) and BASE.plant.json.";
    case PlantPhrase::ListsHelp:
      return ja ? "モジュールリスト: 見出し行の下に 7 項目の行、または serial, pmax_w, vmp_v, imp_a, voc_v, isc_a, "
                  "pallet の列名を持つ CSV"
                : "module lists: seven fields under a header line, or columns named serial, pmax_w, vmp_v, imp_a, "
                  "voc_v, isc_a and pallet";
    case PlantPhrase::LayoutHelp:
      return ja ? "配置: ストリングの直列枚数とパワコンのグループ (PLANT.json)"
                : "the layout: modules per string and the inverter groups (PLANT.json)";
    case PlantPhrase::OutputHelp:
      return ja ? "書き出すファイルの名前 (拡張子なし)" : "the files' name without their extensions";
    case PlantPhrase::SortHelp:
      return ja ? "割り当て: delivered (納品順)、pallets (パレットの窓の中で並べ替え)、free (自由に並べ替え)"
                : "the placement: delivered (as delivered), pallets (sorted within the pallet window) or free";
    case PlantPhrase::PalletWindowHelp:
      return ja ? "同時に開けるパレットの数 (--sort pallets)" : "pallets open at a time (--sort pallets)";
    case PlantPhrase::ThreadsHelp:
      return ja ? "使うスレッドの上限 (0: すべて)" : "at most this many threads (0: all)";
    case PlantPhrase::NothingWritten:
      return ja ? "何も書き出していません" : "nothing written";
    case PlantPhrase::WarningPrefix:
      return ja ? "警告: " : "warning: ";
  }
  return {};
}

std::string PlantFirstRefusalsText(std::size_t count, Language language) {
  return language == Language::Japanese ? "(最初の " + std::to_string(count) + " 件の拒否)"
                                        : "(the first " + std::to_string(count) + " refusals)";
}

std::string PlantSortFaultText(const std::string& given, Language language) {
  return language == Language::Japanese ? "割り当ては delivered、pallets、free のいずれかです: " + given
                                        : "the placement must be delivered, pallets or free, not " + given;
}

std::string PlantPalletWindowFaultText(const std::string& given, Language language, ConditionNaming naming) {
  const bool ja = language == Language::Japanese;
  const std::string name = naming == ConditionNaming::Option ? "--pallet-window"
                           : ja                              ? "パレットの窓"
                                                             : "pallet window";
  return ja ? name + " には 1 から 1000 の整数を指定してください: " + given
            : name + " must be a whole number from 1 to 1000, not " + given;
}

std::string PlantWouldReplaceText(const std::string& output, const std::string& input, Language language) {
  return language == Language::Japanese ? output + " は入力のファイルを置き換えてしまいます: " + input
                                        : output + " would replace an input: " + input;
}

std::string PlantCannotWriteText(const std::string& path, const std::string& reason, Language language) {
  if (language == Language::Japanese) {
    return reason.empty() ? path + " と同じ名前のフォルダがあるため書き出せません"
                          : path + " を書き出せません: " + reason;
  }
  return "cannot write " + path + (reason.empty() ? std::string(" (a folder of that name)") : ": " + reason);
}

std::string PlantWrittenText(const std::string& register_path, const std::string& picklist_path,
                             const std::string& plant_path, Language language) {
  if (language == Language::Japanese) {
    return "設置台帳: " + register_path + "\nピッキングリスト: " + picklist_path + "\n発電所ファイル: " + plant_path +
           "\n";
  }
  return "Register: " + register_path + "\nPick list: " + picklist_path + "\nPlant file: " + plant_path + "\n";
}

}  // namespace voltrigg
