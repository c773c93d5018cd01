// voltrigg-view: shows a result file (the figures, the array, the wiring
// table, the charts) and prints its wiring plan.
//
//   voltrigg-view [RESULT.csv] [--modules LIST.csv] [--pdf OUT.pdf] [--json OUT.json] [--wiring result|optimized]
//                 [--tmin C] [--voc-coefficient PCT] [--max-system-voltage V] [--extras voc,isc|isc,voc]
//                 [--measurements MEASURED.csv] [--voc-tolerance PCT] [--isc-tolerance PCT] [--irradiance W]
//                 [--module-temperature C] [--insulation-min MOHM]
//
// With --pdf it writes the plan (with --measurements the commissioning
// report), with --form-pdf the blank measurement form, with --json the
// assessment file, without a window (no display
// needed) and exits 0, or 2 with a message when a file cannot be read or
// written; 64 for wrong usage.
#include <QApplication>
#include <QCommandLineParser>
#include <QFile>
#include <QSettings>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <exception>
#include <string>

#include "app/no_display.h"
#include "app/shared/measurement_texts.h"
#include "app/shared/text_catalogue.h"
#include "assess_view.h"
#include "commission_report.h"
#include "file_names.h"
#include "identity.h"
#include "options.h"
#include "output/interrupt_cleanup.h"
#include "summary.h"
#include "viewer_window.h"
#include "wiring_plan.h"

namespace {

using namespace voltrigg::viewer;

void Say(FILE* to, const QString& text) {
  const QByteArray bytes = (QStringLiteral("voltrigg-view: ") + text + QLatin1Char('\n')).toUtf8();
  (void)std::fwrite(bytes.constData(), 1, static_cast<std::size_t>(bytes.size()), to);
}

// Without a window there is no display to ask for.
bool Headless(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    const char* a = argv[i];
    if (std::strcmp(a, "--pdf") == 0 || std::strncmp(a, "--pdf=", 6) == 0 || std::strcmp(a, "--form-pdf") == 0 ||
        std::strncmp(a, "--form-pdf=", 11) == 0 || std::strcmp(a, "--json") == 0 ||
        std::strncmp(a, "--json=", 7) == 0 || std::strcmp(a, "--help") == 0 || std::strcmp(a, "-h") == 0 ||
        std::strcmp(a, "--version") == 0 || std::strcmp(a, "-v") == 0) {
      return true;
    }
  }
  return false;
}

// --measurements with --pdf: the commissioning report without a window. A
// report is written whether or not the strings pass; they are named on stderr.
int WriteReport(const Document& doc, const CommissionCheck& check, const ViewerOptions& o) {
  QString error;
  if (!ExportCommissionReportPdf(doc, check, o.pdf, ViewerFont(), &error)) {
    Say(stderr, error);
    return 2;
  }
  if (!check.check.ok) Say(stderr, QStringLiteral("試運転検査: ") + CommissionSummary(check.check));
  for (const voltrigg::StringCommissioning& s : check.check.strings) {
    if (!s.expected.problem.empty()) {
      Say(stderr, QStringLiteral("ストリング %1 の期待値を計算できません: %2")
                      .arg(s.string_no)
                      .arg(QString::fromStdString(s.expected.problem)));
    }
  }
  return 0;
}

// --pdf and --json: the files without a window.
int WriteFiles(const std::string& result, const std::string& measurements, const ViewerOptions& o) {
  Document doc;
  try {
    doc = OpenDocument(result, o.modules, o.assessment);
  } catch (const std::exception& e) {
    Say(stderr, QString::fromStdString(e.what()));
    return 2;
  }
  if (doc.list_named && (doc.list_state == ListState::NotFound || doc.list_state == ListState::Unreadable)) {
    Say(stderr, doc.list_note);
    return 2;
  }
  RunAssessment(doc);
  // The report and the form say themselves why they cannot be made.
  const bool plan_or_json = (!o.pdf.isEmpty() && measurements.empty()) || !o.json.isEmpty();
  if (plan_or_json && doc.list_state != ListState::Matches) {
    Say(stderr, doc.list_note + QStringLiteral("。結果ファイルの値だけで配線計画を作ります。"));
    for (const QString& p : doc.list_problems) Say(stderr, QStringLiteral("  ") + p);
  } else if (plan_or_json && !doc.assessment_note.isEmpty()) {
    Say(stderr, doc.assessment_note);
  }
  QString error;
  // A measurement file that cannot be used is refused before any file is written.
  std::optional<CommissionCheck> check;
  if (!measurements.empty()) {
    check = RunCommissionCheck(doc, measurements, o.commission, &error);
    if (!check) {
      Say(stderr, error);
      return 2;
    }
  }
  if (!o.json.isEmpty() && !SaveAssessmentJson(doc, o.json, &error)) {
    Say(stderr, error);
    return 2;
  }
  if (!o.form_pdf.isEmpty()) {
    const std::optional<MeasurementFormPrint> form = MakeMeasurementForm(doc, o.commission, &error);
    if (!form || !ExportMeasurementFormPdf(doc, *form, o.form_pdf, ViewerFont(), &error)) {
      Say(stderr, error);
      return 2;
    }
  }
  if (o.pdf.isEmpty()) return 0;
  if (check) return WriteReport(doc, *check, o);
  if (o.wiring == ShownWiring::Optimized && !(doc.assessment && doc.assessment->complete)) {
    Say(stderr, QStringLiteral("最適化した配線は一致するモジュールリストがないため作れません"));
    return 2;
  }
  const PlanView plan = MakePlan(doc, o.wiring, ColourBy::Ipm);
  bool bad = false;
  const QString verdict = VoltageVerdict(doc, plan, &bad);
  if (bad) Say(stderr, verdict);
  if (!ExportPlanPdf(doc, plan, o.wiring, o.pdf, ViewerFont(), &error)) {
    Say(stderr, error);
    return 2;
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  voltrigg::PrepareSignalsForWriting();
  // The viewer speaks Japanese, the core's faults included.
  voltrigg::SpeakFaultsIn(voltrigg::Language::Japanese);
  voltrigg::SpeakMeasurementRefusalsIn(voltrigg::Language::Japanese);
  const bool headless = Headless(argc, argv);
  if (headless && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  if (!headless) voltrigg::ExitWithoutDisplay("voltrigg-view");
  QApplication app(argc, argv);
  if (!headless) voltrigg::EndDisplayWatch();
  QApplication::setOrganizationName(QStringLiteral("Korvel"));
  QApplication::setApplicationName(QStringLiteral("voltrigg-view"));
  QApplication::setApplicationVersion(QString::fromUtf8(voltrigg::identity::kComments));
  QApplication::setDesktopFileName(QStringLiteral("voltrigg-view"));
  QApplication::setFont(ViewerFont());

  ViewerOptions options;
  QString usage_error;
  // Names by their own bytes (Qt's own list of arguments loses Shift-JIS ones).
  const CommandLine line = ReadCommandLine(argc, argv);
  const ParseOutcome outcome = ParseViewerOptions(line.arguments, options, &usage_error);
  if (outcome == ParseOutcome::Exit) return 0;
  if (outcome == ParseOutcome::Usage) {
    Say(stderr, usage_error);
    return 64;
  }
  const std::string result = ArgumentBytes(line, options.result);
  if (!options.modules.empty()) options.modules = ArgumentBytes(line, QString::fromStdString(options.modules));
  const std::string measurements =
      options.measurements.isEmpty() ? std::string() : ArgumentBytes(line, options.measurements);
  try {
    if (!options.pdf.isEmpty() || !options.json.isEmpty() || !options.form_pdf.isEmpty()) {
      return WriteFiles(result, measurements, options);
    }
    ViewerWindow window(options.assessment, options.modules);
    window.SetCommissionOptions(options.commission);
    window.show();
    if (!result.empty()) window.OpenFile(result);
    if (!measurements.empty() && window.document() != nullptr) window.OpenMeasurements(measurements);
    return QApplication::exec();
  } catch (const std::exception& e) {
    Say(stderr, QString::fromStdString(e.what()));
  }
  return 2;
}
