// Files picked or dropped on the page: told apart, and a result file opened
// with its list as the viewer opens it, on emscripten's in-memory files.
#include "app/shared/opened_result.h"

#include <emscripten/bind.h>

#include <exception>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "app/shared/opened_result_texts.h"
#include "app/shared/picked_files.h"
#include "input/text_utf8.h"
#include "web/binding/options.h"
#include "web/binding/page.h"
#include "web/binding/values.h"

namespace voltrigg::web {
namespace {

const char* RefusalName(FilesApart::Refusal refusal) {
  switch (refusal) {
    case FilesApart::Refusal::NoResult:
      return "no_result";
    case FilesApart::Refusal::TwoResults:
      return "two_results";
    case FilesApart::Refusal::TwoMeasurements:
      return "two_measurements";
    case FilesApart::Refusal::TwoLists:
    case FilesApart::Refusal::None:
      break;
  }
  return "two_lists";
}

// Files picked or dropped together, told apart as TellFilesApart tells them.
// `files` is an array of { name, bytes } (at most three). Returns { result,
// list, measurements } (the files' indices, -1 for none) or { refused,
// reasons } where they cannot be told apart: no result, two results, more
// than one other file or two measurement files; each reason names a file and why it is not a result
// (the reader's words).
val TellFilesApartValue(const val& files) {
  std::vector<PageFile> picked;
  const auto count = files["length"].as<unsigned>();
  for (unsigned k = 0; k < count; ++k) picked.push_back(FileOf(files[k]));
  FreshFolder(kOpenFolder);
  std::vector<PickedFile> written;
  for (std::size_t k = 0; k < picked.size(); ++k) {
    const std::string path = "file-" + std::to_string(k) + ".csv";
    WriteWholeFile(path, picked[k].bytes);
    written.push_back({path, picked[k].name});
  }
  const FilesApart apart = TellFilesApart(written);
  FreshFolder(kOpenFolder);
  val out = val::object();
  if (apart.refusal != FilesApart::Refusal::None) {
    out.set("refused", std::string(RefusalName(apart.refusal)));
    out.set("reasons", Texts(apart.reasons));
    return out;
  }
  out.set("result", apart.result);
  out.set("list", apart.list);
  out.set("measurements", apart.measurements);
  return out;
}

// A result file with its module list (`list` null for none), opened as the
// viewer opens it: the result read once (a file that is not one is refused
// with the reader's words, naming the line), its list matched once, the same
// refusals and notes. `result` and `list` are { name, bytes }; `options` as
// run's (assess, the conditions, extras, language, first_part, progress),
// and keep: keep the opened result for the commissioning check. Returns
// { outcome "completed", result_file, result, plan_views, list_state,
// list_status, list_differences, list_warnings, assessment_note, and with
// assess assessment }, or { outcome "refused", result_error } or the
// options' fault as run gives it.
val OpenResultFiles(const val& result, const val& list, const val& options) {
  val out = val::object();
  std::optional<WebAssessOptions> assess;
  if (options["assess"].as<bool>()) {
    assess = ReadAssessOptions(options);
    if (!assess->fault.empty() || !assess->inverter_fault.empty()) {
      out.set("outcome", std::string("refused"));
      if (!assess->fault.empty()) out.set("condition_fault", assess->fault);
      if (!assess->inverter_fault.empty()) out.set("inverter_fault", assess->inverter_fault);
      return out;
    }
  }
  const PageFile result_file = FileOf(result);
  std::optional<PageFile> list_file;
  if (!list.isNull() && !list.isUndefined()) list_file = FileOf(list);
  // Side by side, as the viewer finds them; a list named like the result in a folder of its own.
  FreshFolder(kOpenFolder);
  WriteWholeFile(result_file.name, result_file.bytes);
  std::string list_path;
  if (list_file) {
    list_path = list_file->name;
    if (list_path == result_file.name) {
      std::filesystem::create_directories("list");
      list_path = "list/" + list_path;
    }
    WriteWholeFile(list_path, list_file->bytes);
  }
  std::optional<OpenedResult> opened;
  try {
    opened = OpenResult(result_file.name, list_path, assess ? assess->options : ExtrasOnly(options));
  } catch (const std::exception& e) {
    FreshFolder(kOpenFolder);
    out.set("outcome", std::string("refused"));
    out.set("result_error", std::string(e.what()));
    return out;
  }
  // The list as the viewer names it: its own name, not the folder it was read from.
  if (list_file) opened->list_status.name = TextAsUtf8(list_file->name);
  out.set("outcome", std::string("completed"));
  out.set("result_file", Bytes(result_file.bytes));
  out.set("result", ResultValue(opened->result));
  val views = val::object();
  views.set("result", PlanViewsOf(*opened, ShownWiring::Result));
  out.set("plan_views", views);
  out.set("list_state", std::string(ListStateName(opened->list_state)));
  out.set("list_status", ListStatusTextJa(opened->list_status));
  out.set("list_differences", Texts(ListDifferenceTextsJa(opened->match, opened->list)));
  out.set("list_warnings", ListWarningTexts(opened->warnings));
  if (assess) {
    const AssessCallbacks told = CallbacksOf(options);
    RunAssessment(*opened, told.first_part, told.progress);
    if (opened->assessment && opened->assessment->complete) {
      out.set("assessment", AssessmentValue(*opened, result_file.name));
    }
  }
  out.set("assessment_note", AssessmentStatusTextJa(opened->assessment_status));
  FreshFolder(kOpenFolder);
  if (!assess && KeepsResult(options)) KeepResult(Kept(), std::move(*opened));
  return out;
}

}  // namespace
}  // namespace voltrigg::web

EMSCRIPTEN_BINDINGS(voltrigg_opened_result) {
  emscripten::function("tellFilesApart", &voltrigg::web::TellFilesApartValue);
  emscripten::function("openResult", &voltrigg::web::OpenResultFiles);
}
