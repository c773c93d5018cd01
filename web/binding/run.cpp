// One calculation run exactly as voltrigg-cli makes it (the same run driver
// and batch front end, the assessment by the same shared functions), on the
// list in emscripten's in-memory file system, with what the page shows
// handed back as JavaScript values.
#include <emscripten/bind.h>

#include <exception>
#include <memory>
#include <optional>
#include <string>

#include "app/shared/curve_problems.h"
#include "app/shared/opened_result.h"
#include "app/shared/picked_files.h"
#include "app/shared/text_catalogue.h"
#include "identity.h"
#include "input/run_counts.h"
#include "run/batch_run.h"
#include "web/binding/options.h"
#include "web/binding/page.h"
#include "web/binding/values.h"

namespace voltrigg::web {
namespace {

// One run. `options` holds assess (bool) and, when it is true, tmin_c,
// voc_coefficient_pct_per_k, max_system_voltage_v and optionally
// t_cold_operating_c, t_hot_c, isc_coefficient_pct_per_k and isc_factor
// (texts; a missing one keeps its default), extras ("voc,isc" or "isc,voc"),
// language ("ja" or "en", for the assessment's problems), optionally
// inverter ({ name, bytes }: the inverter profile), first_part, a function
// given the first part's figures before the optimiser runs, and progress, a
// function given { percent, searches_done, searches_total, random_done,
// random_total } as the optimiser and random wiring go on; without assess,
// keep (bool) keeps the completed run's result for the commissioning check,
// its modules' Voc and Isc read as extras says. Returns
// { outcome, exit_status, messages (Uint8Arrays, the run's messages in order),
// and after a completed run result_file (Uint8Array), result, and with assess
// either assessment or assessment_problems }. Options that cannot be used give
// outcome "refused" with condition_fault or inverter_fault (the core's
// reason), and no run, as voltrigg-cli refuses them before it reads anything.
val Run(const std::string& list_bytes, const std::string& list_name, const std::string& series_text,
        const std::string& parallel_text, const std::string& output_name, const val& options) {
  std::optional<WebAssessOptions> assess;
  if (options["assess"].as<bool>()) {
    assess = ReadAssessOptions(options);
    if (!assess->fault.empty() || !assess->inverter_fault.empty()) {
      val out = val::object();
      out.set("outcome", std::string("refused"));
      out.set("exit_status", 64);
      out.set("messages", val::array());
      if (!assess->fault.empty()) out.set("condition_fault", assess->fault);
      if (!assess->inverter_fault.empty()) out.set("inverter_fault", assess->inverter_fault);
      return out;
    }
  }

  FreshFolder(kRunFolder);
  const std::string list_file = PickedFileName(list_name, "modules.csv");
  WriteWholeFile(list_file, list_bytes);

  BatchRun run = RunBatch(BatchRequest{.list_path = list_file,
                                       .input_name = list_file,
                                       .series_text = series_text,
                                       .parallel_text = parallel_text,
                                       .output_base = output_name,
                                       .extras = PlanningExtras(assess ? &assess->options : nullptr)});

  val out = val::object();
  out.set("outcome", std::string(OutcomeName(run.outcome)));
  out.set("exit_status", ExitStatus(run.outcome));
  val messages = val::array();
  // The run's messages as the window shows them: the failure, or the completion message.
  messages.call<void>("push",
                      Bytes(run.outcome == RunOutcome::Completed ? std::string(kCompletionMessage) : run.message));
  out.set("messages", messages);
  // As voltrigg-cli follows them: a failed check's figures, and after any run
  // that read the whole list the list's warnings (the first ten, then a count).
  if (run.outcome == RunOutcome::CheckFailed) {
    out.set("check_facts",
            CheckFacts(run.plan->ModuleCount, run.plan->counts.SeriesCount, run.plan->counts.ParallelCount));
    // Strings above 20 or more than 1000 modules: where such an array is planned.
    if (BeyondAPlanningRun(*run.plan)) out.set("plant_hint", CliText(CliPhrase::PlantHint, Language::Japanese));
  }
  if (run.outcome != RunOutcome::Failed) out.set("list_warnings", ListWarningTexts(run.plan->warnings));
  if (run.outcome == RunOutcome::Completed) {
    out.set("result_file", Bytes(ReadWholeFile(run.result_path)));
    // The result read back, as the viewer opens it, with the run's own reading of the list.
    std::optional<OpenedResult> opened;
    try {
      opened = OpenResultOfRun(run.result_path, list_file, std::make_shared<const PlanResult>(std::move(*run.plan)),
                               assess ? assess->options : ExtrasOnly(options));
      out.set("result", ResultValue(opened->result));
      val views = val::object();
      views.set("result", PlanViewsOf(*opened, ShownWiring::Result));
      out.set("plan_views", views);
    } catch (const std::exception& e) {
      out.set("result_error", std::string(e.what()));
    }
    if (assess && opened) {
      const AssessCallbacks told = CallbacksOf(options);
      RunAssessment(*opened, told.first_part, told.progress);
      if (opened->assessment && opened->assessment->complete) {
        out.set("assessment", AssessmentValue(*opened, ResultFileNameOf(output_name)));
      } else {
        out.set("assessment_problems",
                Texts(AssessmentProblemLines(PlanAssessmentOf(opened->assessment_status), assess->language)));
      }
    } else if (opened && KeepsResult(options)) {
      KeepResult(Kept(), std::move(*opened));
    }
  }
  FreshFolder(kRunFolder);  // the list and the result leave no trace for the next run
  return out;
}

val Identity() {
  val out = val::object();
  out.set("caption", std::string(identity::kWindowCaption));
  out.set("title", std::string(identity::kApplicationTitle));
  out.set("copyright", std::string(identity::kLegalCopyright));
  out.set("completion", std::string(kCompletionMessage));
  return out;
}

}  // namespace
}  // namespace voltrigg::web

EMSCRIPTEN_BINDINGS(voltrigg_run) {
  emscripten::function("run", &voltrigg::web::Run);
  emscripten::function("identity", &voltrigg::web::Identity);
  // The page speaks Japanese; so do the core's faults it shows.
  voltrigg::SpeakFaultsIn(voltrigg::Language::Japanese);
}
