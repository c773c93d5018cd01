#include "options.h"

#include <QCommandLineParser>
#include <QFile>
#include <cstdio>
#include <optional>

#include "app/shared/option_table.h"
#include "app/shared/text_catalogue.h"
#include "qt_text.h"

namespace voltrigg::viewer {

namespace {

void Print(const QString& text) {
  const QByteArray bytes = text.toUtf8();
  (void)std::fwrite(bytes.constData(), 1, static_cast<std::size_t>(bytes.size()), stdout);
}

}  // namespace

ParseOutcome ParseViewerOptions(const QStringList& arguments, ViewerOptions& options, QString* error) {
  QCommandLineParser parser;
  parser.setApplicationDescription(
      QStringLiteral("Voltrigg の結果ファイルを表示し、配線計画を印刷または PDF に書き出します。"));
  parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
  const QCommandLineOption help = parser.addHelpOption();
  const QCommandLineOption version = parser.addVersionOption();
  parser.addPositionalArgument(QStringLiteral("RESULT.csv"), QStringLiteral("開く結果ファイル"));
  parser.addOption({QStringLiteral("modules"),
                    QStringLiteral("モジュールリスト (省略時は結果ファイルと同じフォルダの入力ファイル)"),
                    QStringLiteral("LIST.csv")});
  parser.addOption({QStringLiteral("pdf"), QStringLiteral("ウィンドウを開かずに配線計画を PDF に書き出す"),
                    QStringLiteral("OUT.pdf")});
  parser.addOption(
      {QStringLiteral("json"),
       QStringLiteral("ウィンドウを開かずに物理評価を JSON に書き出す (voltrigg-cli --assess と同じファイル)"),
       QStringLiteral("OUT.json")});
  parser.addOption(
      {QStringLiteral("wiring"),
       QStringLiteral("PDF にする配線: result (結果ファイルの配線、既定) または optimized (最適化した配線)"),
       QStringLiteral("result|optimized")});
  parser.addOption({QStringLiteral("measurements"),
                    QStringLiteral("試運転検査の測定ファイル (--pdf と併せると試運転検査報告を書き出す)"),
                    QStringLiteral("MEASURED.csv")});
  parser.addOption({QStringLiteral("form-pdf"),
                    QStringLiteral("ウィンドウを開かずに試運転検査の測定用紙を PDF に書き出す"),
                    QStringLiteral("FORM.pdf")});
  // The conditions, the profile and --extras: one row of the option table each.
  for (const OptionEntry& entry : OptionTable()) {
    parser.addOption({QString::fromLatin1(entry.key), Q(OptionHelp(entry, Language::Japanese)),
                      QString::fromLatin1(entry.value_name)});
  }
  if (!parser.parse(arguments)) {
    *error = parser.errorText();
    return ParseOutcome::Usage;
  }
  if (parser.isSet(help)) {
    Print(parser.helpText());
    return ParseOutcome::Exit;
  }
  if (parser.isSet(version)) {
    Print(QStringLiteral("voltrigg-view %1\n").arg(QCoreApplication::applicationVersion()));
    return ParseOutcome::Exit;
  }
  const QStringList positional = parser.positionalArguments();
  if (positional.size() > 1) {
    *error = QStringLiteral("結果ファイルは 1 つだけ指定してください");
    return ParseOutcome::Usage;
  }
  options.result = positional.isEmpty() ? QString() : positional.front();
  options.pdf = parser.value(QStringLiteral("pdf"));
  if (parser.isSet(QStringLiteral("pdf")) && (options.pdf.isEmpty() || options.result.isEmpty())) {
    *error = QStringLiteral("--pdf には結果ファイルと書き出す PDF ファイルの名前が必要です");
    return ParseOutcome::Usage;
  }
  options.json = parser.value(QStringLiteral("json"));
  if (parser.isSet(QStringLiteral("json")) && (options.json.isEmpty() || options.result.isEmpty())) {
    *error = QStringLiteral("--json には結果ファイルと書き出す JSON ファイルの名前が必要です");
    return ParseOutcome::Usage;
  }
  options.form_pdf = parser.value(QStringLiteral("form-pdf"));
  if (parser.isSet(QStringLiteral("form-pdf")) && (options.form_pdf.isEmpty() || options.result.isEmpty())) {
    *error = QStringLiteral("--form-pdf には結果ファイルと書き出す PDF ファイルの名前が必要です");
    return ParseOutcome::Usage;
  }
  if (parser.isSet(QStringLiteral("measurements"))) {
    options.measurements = parser.value(QStringLiteral("measurements"));
    if (options.measurements.isEmpty() || options.result.isEmpty()) {
      *error = QStringLiteral("--measurements には結果ファイルと測定ファイルの名前が必要です");
      return ParseOutcome::Usage;
    }
    // Without a window the measurements go only into the report; asked for other files alone
    // they would be read for nothing and the user left thinking a check was made.
    if (options.pdf.isEmpty() && (!options.json.isEmpty() || !options.form_pdf.isEmpty())) {
      *error = QStringLiteral("--measurements の報告書を書き出すには --pdf が必要です");
      return ParseOutcome::Usage;
    }
  }
  if (parser.isSet(QStringLiteral("modules"))) {
    const QString modules = parser.value(QStringLiteral("modules"));
    if (modules.isEmpty()) {
      *error = QStringLiteral("--modules にモジュールリストのファイル名を指定してください");
      return ParseOutcome::Usage;
    }
    options.modules = QFile::encodeName(modules).toStdString();
  }
  const QString wiring = parser.value(QStringLiteral("wiring"));
  if (wiring == QStringLiteral("optimized")) {
    options.wiring = ShownWiring::Optimized;
  } else if (!wiring.isEmpty() && wiring != QStringLiteral("result")) {
    *error = QStringLiteral("--wiring は result か optimized です: \"%1\"").arg(wiring);
    return ParseOutcome::Usage;
  }
  // The conditions in the table's order, each refused with its range as
  // voltrigg-cli refuses it, before anything is assessed: nonsense would let
  // the voltage check pass.
  AssessOptions& a = options.assessment;
  CommissionOptions& c = options.commission;
  for (const OptionEntry& entry : OptionTable()) {
    const QString key = QString::fromLatin1(entry.key);
    if (entry.kind != OptionKind::Number || !parser.isSet(key)) continue;
    if (const auto fault = SetOption(entry, parser.value(key).toStdString(), &a, &c)) {
      *error = Q(ConditionFaultText(*fault, Language::Japanese));
      return ParseOutcome::Usage;
    }
  }
  if (const auto fault = ValidateConditions(a.conditions)) {
    *error = Q(ConditionFaultText(*fault, Language::Japanese));
    return ParseOutcome::Usage;
  }
  // The commissioning check's options, checked as voltrigg-cli commission checks them.
  if (const auto fault = ValidateCommissionOptions(c)) {
    *error = Q(ConditionFaultText(*fault, Language::Japanese));
    return ParseOutcome::Usage;
  }
  // A profile that cannot be used is refused before anything is opened, as voltrigg-cli does.
  if (parser.isSet(QStringLiteral("inverter"))) {
    const std::string path = QFile::encodeName(parser.value(QStringLiteral("inverter"))).toStdString();
    if (const auto fault = LoadInverterOption(path, a)) {
      *error =
          QStringLiteral("パワコンのプロファイルを使えません: %1").arg(Q(ProfileFaultText(*fault, Language::Japanese)));
      return ParseOutcome::Usage;
    }
  }
  if (parser.isSet(QStringLiteral("extras"))) {
    const std::string given = parser.value(QStringLiteral("extras")).toStdString();
    const std::optional<bool> isc_first = ParseExtrasOrder(given);
    if (!isc_first) {
      *error = Q(ExtrasFaultText(given, Language::Japanese, ConditionNaming::Option));
      return ParseOutcome::Usage;
    }
    a.isc_first = *isc_first;
  }
  return ParseOutcome::Run;
}

}  // namespace voltrigg::viewer
