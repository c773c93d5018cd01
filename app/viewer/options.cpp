#include "options.h"

#include <QCommandLineParser>
#include <QFile>
#include <cstdio>
#include <optional>

#include "app/shared/curve_problems.h"

namespace voltrigg::viewer {

namespace {

void Print(const QString& text) {
  const QByteArray bytes = text.toUtf8();
  (void)std::fwrite(bytes.constData(), 1, static_cast<std::size_t>(bytes.size()), stdout);
}

// An option's number; its range is checked with the other conditions.
bool Number(const QCommandLineParser& parser, const ConditionLimit& limit, std::optional<double>& value,
            QString* error) {
  const QString name = QString::fromLatin1(limit.option).mid(2);
  if (!parser.isSet(name)) return true;
  value = ParseOptionNumber(parser.value(name).toStdString());
  if (!value) {
    *error = QStringLiteral("%1 には数値を指定してください: \"%2\"")
                 .arg(QString::fromLatin1(limit.option), parser.value(name));
    return false;
  }
  return true;
}

bool Number(const QCommandLineParser& parser, const ConditionLimit& limit, double& value, QString* error) {
  std::optional<double> v;
  if (!Number(parser, limit, v, error)) return false;
  if (v) value = *v;
  return true;
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
  parser.addOption({QStringLiteral("tmin"), QStringLiteral("最低モジュール温度 [°C] (既定 -10)"), QStringLiteral("C")});
  parser.addOption(
      {QStringLiteral("voc-coefficient"), QStringLiteral("Voc の温度係数 [%/K] (既定 -0.30)"), QStringLiteral("PCT")});
  parser.addOption({QStringLiteral("max-system-voltage"), QStringLiteral("システム電圧の上限 [V] (既定 1000)"),
                    QStringLiteral("V")});
  parser.addOption({QStringLiteral("t-cold-operating"),
                    QStringLiteral("涼しい晴天時のセル温度 [°C] (既定 15): MPPT 上限の検査"), QStringLiteral("C")});
  parser.addOption({QStringLiteral("t-hot"), QStringLiteral("暑い午後のセル温度 [°C] (既定 70): MPPT 下限と電流の検査"),
                    QStringLiteral("C")});
  parser.addOption(
      {QStringLiteral("isc-coefficient"), QStringLiteral("Isc の温度係数 [%/K] (既定 0.05)"), QStringLiteral("PCT")});
  parser.addOption(
      {QStringLiteral("isc-factor"), QStringLiteral("短絡電流の安全係数 (既定 1.25)"), QStringLiteral("F")});
  parser.addOption({QStringLiteral("inverter"), QStringLiteral("パワコンのプロファイル (JSON): 入力範囲の検査に使う"),
                    QStringLiteral("FILE")});
  parser.addOption({QStringLiteral("measurements"),
                    QStringLiteral("試運転検査の測定ファイル (--pdf と併せると試運転検査報告を書き出す)"),
                    QStringLiteral("MEASURED.csv")});
  parser.addOption({QStringLiteral("form-pdf"),
                    QStringLiteral("ウィンドウを開かずに試運転検査の測定用紙を PDF に書き出す"),
                    QStringLiteral("FORM.pdf")});
  parser.addOption({QStringLiteral("voc-tolerance"), QStringLiteral("試運転検査: Voc の許容範囲 [%] (既定 3)"),
                    QStringLiteral("PCT")});
  parser.addOption({QStringLiteral("isc-tolerance"), QStringLiteral("試運転検査: Isc の許容範囲 [%] (既定 5)"),
                    QStringLiteral("PCT")});
  parser.addOption({QStringLiteral("irradiance"), QStringLiteral("試運転検査: 日射強度を空けた行の日射強度 [W/m²]"),
                    QStringLiteral("W")});
  parser.addOption({QStringLiteral("module-temperature"),
                    QStringLiteral("試運転検査: モジュール温度を空けた行のモジュール温度 [°C]"), QStringLiteral("C")});
  parser.addOption({QStringLiteral("extras"),
                    QStringLiteral("モジュールリストの 6・7 列目: voc,isc (既定) または isc,voc"),
                    QStringLiteral("voc,isc|isc,voc")});
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
  AssessOptions& a = options.assessment;
  if (!Number(parser, kTminLimit, a.conditions.tmin_c, error) ||
      !Number(parser, kVocCoefficientLimit, a.conditions.voc_coefficient_pct_per_k, error) ||
      !Number(parser, kMaxSystemVoltageLimit, a.conditions.max_system_voltage_v, error) ||
      !Number(parser, kTColdOperatingLimit, a.conditions.t_cold_operating_c, error) ||
      !Number(parser, kTHotLimit, a.conditions.t_hot_c, error) ||
      !Number(parser, kIscCoefficientLimit, a.conditions.isc_coefficient_pct_per_k, error) ||
      !Number(parser, kIscFactorLimit, a.conditions.isc_factor, error)) {
    return ParseOutcome::Usage;
  }
  // Refused here, before anything is assessed: nonsense would let the voltage check pass.
  if (const auto fault = ValidateConditions(a.conditions)) {
    *error = QString::fromStdString(ConditionFaultText(*fault, Language::Japanese));
    return ParseOutcome::Usage;
  }
  // The commissioning check's options, checked as voltrigg-cli commission checks them.
  CommissionOptions& c = options.commission;
  c.conditions.voc_coefficient_pct_per_k = a.conditions.voc_coefficient_pct_per_k;
  c.conditions.isc_coefficient_pct_per_k = a.conditions.isc_coefficient_pct_per_k;
  if (!Number(parser, kVocToleranceLimit, c.conditions.voc_tolerance_pct, error) ||
      !Number(parser, kIscToleranceLimit, c.conditions.isc_tolerance_pct, error) ||
      !Number(parser, kIrradianceLimit, c.defaults.irradiance_w_m2, error) ||
      !Number(parser, kModuleTemperatureLimit, c.defaults.module_temperature_c, error)) {
    return ParseOutcome::Usage;
  }
  if (const auto fault = ValidateCommissionOptions(c)) {
    *error = QString::fromStdString(ConditionFaultText(*fault, Language::Japanese));
    return ParseOutcome::Usage;
  }
  // A profile that cannot be used is refused before anything is opened, as voltrigg-cli does.
  if (parser.isSet(QStringLiteral("inverter"))) {
    const std::string path = QFile::encodeName(parser.value(QStringLiteral("inverter"))).toStdString();
    if (const auto problem = LoadInverterOption(path, a)) {
      *error = QStringLiteral("パワコンのプロファイルを使えません: %1").arg(QString::fromStdString(*problem));
      return ParseOutcome::Usage;
    }
  }
  if (parser.isSet(QStringLiteral("extras"))) {
    const std::optional<bool> isc_first = ParseExtrasOrder(parser.value(QStringLiteral("extras")).toStdString());
    if (!isc_first) {
      *error =
          QStringLiteral("--extras は voc,isc か isc,voc です: \"%1\"").arg(parser.value(QStringLiteral("extras")));
      return ParseOutcome::Usage;
    }
    a.isc_first = *isc_first;
  }
  return ParseOutcome::Run;
}

}  // namespace voltrigg::viewer
