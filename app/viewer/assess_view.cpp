#include "assess_view.h"

#include <QFile>

#include "assess/assessment_json.h"
#include "input/run_error.h"
#include "output/result_file.h"
#include "output/same_file.h"

namespace voltrigg::viewer {

namespace {

void WordAssessment(Document& doc) { doc.assessment_note = Q(AssessmentStatusTextJa(doc.assessment_status)); }

}  // namespace

std::optional<AssessmentJob> StartAssessment(Document& doc) {
  std::optional<AssessmentJob> job = voltrigg::StartAssessment(doc);
  WordAssessment(doc);
  return job;
}

void ApplyBackgroundPart(Document& doc, BackgroundResult result) {
  voltrigg::ApplyBackgroundPart(doc, std::move(result));
  WordAssessment(doc);
}

void RunAssessment(Document& doc) {
  if (std::optional<AssessmentJob> job = StartAssessment(doc))
    ApplyBackgroundPart(doc, RunBackgroundPart(std::move(*job)));
}

bool SaveAssessmentJson(const Document& doc, const QString& path, QString* error) {
  const auto fail = [error](const QString& text) {
    if (error != nullptr) *error = text;
    return false;
  };
  if (!doc.assessment) {
    return fail(doc.assessment_note.isEmpty() ? QStringLiteral("物理評価がありません") : doc.assessment_note);
  }
  if (!doc.assessment->same_as_cli) {
    return fail(
        QStringLiteral("結果ファイルがこのモジュールリストから作られたものではないため、評価を JSON で保存できません"));
  }
  if (!doc.assessment->complete) return fail(QStringLiteral("物理評価がまだ終わっていません"));
  const std::string target = QFile::encodeName(path).toStdString();
  if (IsOneOfTheFiles(target, {doc.result_path, doc.list_path})) {
    return fail(QStringLiteral("読み込んだファイルには書き出しません: %1").arg(path));
  }
  try {
    WriteFileAtomically(target, FormatAssessmentJson(doc.assessment->core));
  } catch (const RunError& e) {
    return fail(Q(e.what()));
  }
  return true;
}

}  // namespace voltrigg::viewer
