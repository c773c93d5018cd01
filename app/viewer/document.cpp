#include "document.h"

#include <QFont>
#include <algorithm>

namespace voltrigg::viewer {

namespace {

std::vector<QString> Texts(const std::vector<std::string>& lines) {
  std::vector<QString> out(lines.size());
  std::transform(lines.begin(), lines.end(), out.begin(), [](const std::string& line) { return Q(line); });
  return out;
}

}  // namespace

QFont ViewerFont() {
  QFont font;
  font.setFamilies({QStringLiteral("IPAPGothic"), QStringLiteral("IPAGothic"), QStringLiteral("Noto Sans CJK JP"),
                    QStringLiteral("VL PGothic")});
  font.setPixelSize(13);
  return font;
}

Document OpenDocument(const std::string& result_path, const std::string& modules_path, const AssessOptions& options) {
  Document doc;
  static_cast<OpenedResult&>(doc) = OpenResult(result_path, modules_path, options);
  doc.list_note = Q(ListStatusTextJa(doc.list_status));
  if (doc.list_state == ListState::Matches || doc.list_state == ListState::Mismatch) {
    doc.list_problems = Texts(ListDifferenceTextsJa(doc.match, doc.list));
    doc.list_warnings = Texts(ListWarningTextsJa(doc.warnings));
  }
  return doc;
}

std::optional<CommissionCheck> RunCommissionCheck(const Document& doc, const std::string& path,
                                                  const CommissionOptions& options, QString* error) {
  CommissionFailure failure;
  std::optional<CommissionCheck> check = voltrigg::RunCommissionCheck(doc, path, options, &failure);
  if (!check && error != nullptr) *error = Q(failure.text);
  return check;
}

QString CommissionSummary(const Commissioning& check) { return Q(CommissionSummaryJa(check)); }

QString ShapeText(const Document& doc) { return Q(ShapeTextJa(doc.result)); }

QString WiringName(ShownWiring wiring) { return Q(WiringNameJa(wiring)); }

QString VoltageVerdict(const Document& doc, const PlanView& plan, bool* bad) {
  return Q(VoltageVerdictJa(doc, plan, bad));
}

}  // namespace voltrigg::viewer
