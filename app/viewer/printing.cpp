#include "printing.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QPageLayout>
#include <QPrintDialog>
#include <QPrinter>

#include "assess_view.h"
#include "page_painter.h"
#include "summary.h"
#include "wiring_plan.h"

namespace voltrigg::viewer {

namespace {

// A4 as the plan is printed; false when the dialog was cancelled.
bool AskPrinter(QPrinter& printer, const QString& doc_name, const QString& title, QWidget* parent,
                QPageLayout::Orientation orientation = QPageLayout::Portrait) {
  printer.setPageLayout(PrintPageLayout(orientation));
  printer.setDocName(doc_name);
  QPrintDialog dialog(&printer, parent);
  dialog.setWindowTitle(title);
  return dialog.exec() == QDialog::Accepted;
}

// Beside the result: its name with `suffix`.
QString Suggested(const Document& doc, const QString& suffix) {
  const QFileInfo result(QString::fromStdString(doc.result_path));
  return result.absolutePath() + QStringLiteral("/") + result.completeBaseName() + suffix;
}

QString AskPdf(QWidget* parent, const QString& title, const QString& suggestion) {
  return QFileDialog::getSaveFileName(parent, title, suggestion, QStringLiteral("PDF ファイル (*.pdf)"));
}

QString Printed(const QString& what, int pages) {
  return pages > 0 ? QStringLiteral("%1 %2 ページを印刷しました").arg(what).arg(pages)
                   : QStringLiteral("印刷を開始できませんでした");
}

QString Written(QWidget* parent, bool ok, const QString& path, const QString& error, const QString& verb) {
  if (ok) return QStringLiteral("%1 に%2しました").arg(path, verb);
  Warn(parent, error);
  return {};
}

}  // namespace

void Warn(QWidget* parent, const QString& text) {
  QMessageBox box(QMessageBox::Warning, parent != nullptr ? parent->windowTitle() : QString(), text, QMessageBox::Ok,
                  parent);
  box.setTextFormat(Qt::PlainText);
  box.exec();
}

QString PrintPlanDialog(QWidget* parent, const Document& doc, const PlanView& plan, ShownWiring wiring) {
  QPrinter printer(QPrinter::HighResolution);
  if (!AskPrinter(printer, QStringLiteral("配線計画: %1").arg(ShownName(doc.result_path)),
                  QStringLiteral("配線計画を印刷"), parent)) {
    return {};
  }
  return Printed(QStringLiteral("配線計画"), PaintWiringPlan(printer, MakePlanPrint(doc, plan, wiring), ViewerFont()));
}

QString ExportPlanDialog(QWidget* parent, const Document& doc, const PlanView& plan, ShownWiring wiring) {
  const QString path = AskPdf(parent, QStringLiteral("配線計画を PDF に書き出す"),
                              Suggested(doc, wiring == ShownWiring::Optimized ? QStringLiteral("-最適化配線計画.pdf")
                                                                              : QStringLiteral("-配線計画.pdf")));
  if (path.isEmpty()) return {};
  QString error;
  const bool ok = ExportPlanPdf(doc, plan, wiring, path, ViewerFont(), &error);
  return Written(parent, ok, path, error, QStringLiteral("書き出"));
}

QString SaveJsonDialog(QWidget* parent, const Document& doc) {
  const QString path = QFileDialog::getSaveFileName(parent, QStringLiteral("評価を JSON で保存"),
                                                    Suggested(doc, QStringLiteral(".assessment.json")),
                                                    QStringLiteral("JSON ファイル (*.json)"));
  if (path.isEmpty()) return {};
  QString error;
  const bool ok = SaveAssessmentJson(doc, path, &error);
  return Written(parent, ok, path, error, QStringLiteral("保存"));
}

QString PrintReportDialog(QWidget* parent, const Document& doc, const CommissionCheck& check) {
  QPrinter printer(QPrinter::HighResolution);
  const QString title = QStringLiteral("試運転検査報告を印刷");
  if (!AskPrinter(printer, title, title, parent)) return {};
  return Printed(QStringLiteral("試運転検査報告"),
                 PaintCommissionReport(printer, MakeCommissionReport(doc, check), ViewerFont()));
}

QString ExportReportDialog(QWidget* parent, const Document& doc, const CommissionCheck& check) {
  const QString path = AskPdf(parent, QStringLiteral("試運転検査報告を PDF に書き出す"),
                              Suggested(doc, QStringLiteral("-試運転検査報告.pdf")));
  if (path.isEmpty()) return {};
  QString error;
  const bool ok = ExportCommissionReportPdf(doc, check, path, ViewerFont(), &error);
  return Written(parent, ok, path, error, QStringLiteral("書き出"));
}

QString PrintFormDialog(QWidget* parent, const Document& doc, const CommissionOptions& options) {
  QString error;
  const std::optional<MeasurementFormPrint> form = MakeMeasurementForm(doc, options, &error);
  if (!form) {
    Warn(parent, error);
    return {};
  }
  QPrinter printer(QPrinter::HighResolution);
  const QString title = QStringLiteral("測定用紙を印刷");
  if (!AskPrinter(printer, title, title, parent, kMeasurementFormOrientation)) return {};
  return Printed(QStringLiteral("測定用紙"), PaintMeasurementForm(printer, *form, ViewerFont()));
}

QString ExportFormDialog(QWidget* parent, const Document& doc, const CommissionOptions& options) {
  const QString path =
      AskPdf(parent, QStringLiteral("測定用紙を PDF に書き出す"), Suggested(doc, QStringLiteral("-測定用紙.pdf")));
  if (path.isEmpty()) return {};
  QString error;
  const std::optional<MeasurementFormPrint> form = MakeMeasurementForm(doc, options, &error);
  const bool ok = form && ExportMeasurementFormPdf(doc, *form, path, ViewerFont(), &error);
  return Written(parent, ok, path, error, QStringLiteral("書き出"));
}

}  // namespace voltrigg::viewer
