// The catalogue's words for voltrigg-cli: its help, its notes, its refusals
// of a command line and its report of a completed run.
#include <string_view>

#include "app/shared/text_catalogue.h"
#include "input/number_text.h"
#include "run/calculation_run.h"

namespace voltrigg {

namespace {

struct Pair {
  const char* en;
  const char* ja;
};

Pair PhrasePair(CliPhrase phrase) {
  switch (phrase) {
    case CliPhrase::ProgramDescription:
      return {"Voltrigg: plans a PV array of P parallel strings of S modules from a measured module list.",
              "Voltrigg: 測定したモジュールのリストから、S 枚直列のストリング P "
              "本を並列にした太陽電池アレイを計画します。"};
    case CliPhrase::SeriesHelp:
      return {"modules in series per string (S, at most 20)", "ストリングあたりの直列モジュール数 (S、20 まで)"};
    case CliPhrase::ParallelHelp:
      return {"parallel strings (P, at most 100)", "並列ストリング数 (P、100 まで)"};
    case CliPhrase::OutputHelp:
      return {"result file without its extension; \".csv\" is appended",
              "拡張子を除いた結果ファイルの名前 (\".csv\" が付きます)"};
    case CliPhrase::ModulesHelp:
      return {"the module list file", "モジュールリストファイル"};
    case CliPhrase::AssessHelp:
      return {
          "also assess the array by the modules' current-voltage curves (Voc and Isc in columns 6 and 7): writes "
          "BASE.assessment.json and prints the true maximum power points and the voltage check",
          "モジュールの電流電圧曲線 (6・7 列目の Voc と Isc) によるアレイの物理評価もする: BASE.assessment.json "
          "を書き出し、真の最大電力点と電圧チェックを表示する"};
    case CliPhrase::HelpFlagHelp:
      return {"Print this help message and exit", "このヘルプを表示して終了する"};
    case CliPhrase::VersionFlagHelp:
      return {"Display program version information and exit", "バージョンを表示して終了する"};
    case CliPhrase::CommissionFooter:
      return {"The commissioning check of a result: voltrigg-cli commission --help",
              "結果の試運転検査: voltrigg-cli commission --help"};
    case CliPhrase::PlantFooter:
      return {"A whole plant (strings above 20, more than 1000 modules): voltrigg-cli plant --help",
              "発電所全体 (20 直列を超えるストリング、1000 枚を超えるモジュール): voltrigg-cli plant --help"};
    case CliPhrase::PlantHint:
      return {
          "strings above 20 modules and more than 1000 modules are planned as a plant: voltrigg-cli plant "
          "LIST.csv... --layout PLANT.json -o BASE",
          "20 直列を超えるストリングや 1000 枚を超えるモジュールは発電所として計画できます: voltrigg-cli plant "
          "LIST.csv... --layout PLANT.json -o BASE"};
    case CliPhrase::CommissionDescription:
      return {
          "Commissioning check: every string's measured open-circuit voltage and short-circuit current against "
          "what its own modules should give at the irradiance and module temperature of the test.",
          "試運転検査: 各ストリングで測定した開放電圧と短絡電流を、試験時の日射強度とモジュール温度で"
          "そのストリングのモジュールが出すはずの値と比べます。"};
    case CliPhrase::CommissionResultHelp:
      return {"the result file", "結果ファイル"};
    case CliPhrase::CommissionMeasuredHelp:
      return {"the measurement file (not with --form)", "測定ファイル (--form のときは不要)"};
    case CliPhrase::CommissionModulesHelp:
      return {"the module list, when it is not beside the result file",
              "モジュールリスト (結果ファイルと同じフォルダにないとき)"};
    case CliPhrase::CommissionFormHelp:
      return {"write the blank measurement form for the result's strings to this file",
              "結果のストリングの測定用紙 (空欄) をこのファイルに書き出す"};
    case CliPhrase::CommissionOutputHelp:
      return {
          "the commissioning file without its extension: BASE.commissioning.json (default: beside the "
          "measurement file, named after it)",
          "拡張子を除いた試運転検査ファイルの名前: BASE.commissioning.json (既定: 測定ファイルと同じフォルダ、"
          "同じ名前)"};
    case CliPhrase::CommissionUsage:
      return {"commission takes RESULT.csv MEASURED.csv, or --form FORM.csv RESULT.csv",
              "commission には RESULT.csv MEASURED.csv か、--form FORM.csv RESULT.csv を指定してください"};
    case CliPhrase::NoAssessmentWritten:
      return {"no assessment written (the result file is written)",
              "物理評価ファイルは書き出していません (結果ファイルは書き出しました)"};
    case CliPhrase::AssessmentPrefix:
      return {"assessment: ", "物理評価: "};
    case CliPhrase::WarningPrefix:
      return {"warning: ", "警告: "};
    case CliPhrase::NotePrefix:
      return {"note: ", "注記: "};
    case CliPhrase::AssessmentFile:
      return {"Assessment file: ", "物理評価ファイル: "};
    case CliPhrase::CommissioningFile:
      return {"Commissioning file: ", "試運転検査ファイル: "};
    case CliPhrase::ResultFile:
      return {"Result file: ", "結果ファイル: "};
    case CliPhrase::UnexpectedError:
      return {"unexpected error", "予期しないエラーが発生しました"};
  }
  return {"", ""};
}

std::string After(const std::string& text, std::string_view marker) {
  const std::size_t at = text.find(marker);
  return at == std::string::npos ? std::string() : text.substr(at + marker.size());
}

std::string Before(const std::string& text, std::string_view marker) {
  const std::size_t at = text.find(marker);
  return at == std::string::npos ? std::string() : text.substr(0, at);
}

std::string Point(const float (&p)[3]) {
  return "Pmax " + FormatFloat(p[0]) + " W, Vpm " + FormatFloat(p[1]) + " V, Ipm " + FormatFloat(p[2]) + " A\n";
}

}  // namespace

std::string CliText(CliPhrase phrase, Language language) {
  const Pair p = PhrasePair(phrase);
  return language == Language::Japanese ? p.ja : p.en;
}

std::string PageText(PagePhrase phrase, Language language) {
  const bool ja = language == Language::Japanese;
  switch (phrase) {
    case PagePhrase::PlantTabHint:
      return ja ? "20 直列を超えるストリングや 1000 枚を超えるモジュールは、このページの「発電所」タブで計画できます"
                : "strings above 20 modules and more than 1000 modules are planned as a plant in this page's "
                  "Plant tab";
  }
  return {};
}

std::vector<std::pair<std::string, std::string>> CliHelpLabels(Language language) {
  if (language != Language::Japanese) return {};
  return {{"Usage", "使い方"},
          {"OPTIONS", "オプション"},
          {"Positionals", "引数"},
          {"REQUIRED", "必須"},
          {"Needs", "前提"},
          {"Excludes", "併用不可"},
          {"TEXT", "TEXT"},
          {"SUBCOMMAND", "サブコマンド"},
          {"SUBCOMMANDS", "サブコマンド"}};
}

std::string CliOptionsGroup(Language language) { return language == Language::Japanese ? "オプション" : "Options"; }

std::string CliUsageText(const std::string& message, const std::string& error_name, Language language) {
  if (language != Language::Japanese) return message;
  if (error_name == "RequiredError" && message.ends_with(" is required")) {
    return Before(message, " is required") + " を指定してください";
  }
  if (error_name == "RequiresError") {
    return Before(message, " requires ") + " には " + After(message, " requires ") + " が必要です";
  }
  if (error_name == "ExcludesError") {
    return Before(message, " excludes ") + " は " + After(message, " excludes ") + " と併用できません";
  }
  if (error_name == "ExtrasError") return "余分な引数があります: " + After(message, ": ");
  if (error_name == "ArgumentMismatch") return "引数の数が合いません: " + message;
  return "コマンドラインを読めません: " + message;
}

std::string CompletionReportText(const CompletionFigures& f, const std::string& written_path, Language language) {
  const std::string modules = std::to_string(f.modules);
  const std::string series = std::to_string(f.series);
  const std::string parallel = std::to_string(f.parallel);
  std::string out = std::string(kCompletionMessage) + "\n";
  if (language == Language::Japanese) {
    out += "モジュール: " + modules + " 枚 (並列 " + parallel + " × 直列 " + series + ")\n";
    out += "モジュール Pmax の単純合計: " + FormatFloat(f.simple_pmax_sum_w) + " W\n";
  } else {
    out += "Modules:   " + modules + " (" + parallel + " strings of " + series + ")\n";
    out += "Simple Sum of Module Pmax: " + FormatFloat(f.simple_pmax_sum_w) + " W\n";
  }
  out += "Minimum:   " + Point(f.minimum);
  out += "Initial:   " + Point(f.initial);
  out += "Estimated: " + Point(f.estimated);
  out += CliText(CliPhrase::ResultFile, language) + written_path + "\n";
  return out;
}

}  // namespace voltrigg
