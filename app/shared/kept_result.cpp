#include "app/shared/kept_result.h"

#include <utility>

#include "run/plan_assessment.h"

namespace voltrigg {

void KeepResult(KeptResult& kept, OpenedResult opened) {
  kept.session.reset();
  kept.result = std::move(opened);
}

void UseExtrasOrder(OpenedResult& opened, bool isc_first) {
  if (isc_first == opened.options.isc_first || opened.list.empty()) return;
  opened.options.isc_first = isc_first;
  opened.modules = ModulesForAssessment(opened.list, ExtrasUseOf(opened.options));
}

std::optional<std::string> StartKeptCommission(KeptResult& kept, const CommissionOptions& options,
                                               const std::string& options_fault, bool isc_first,
                                               std::string result_name, std::string list_name, std::string file_name) {
  kept.session.reset();
  if (!kept.result) return std::string("結果ファイルが開かれていません");
  if (!options_fault.empty()) return options_fault;
  UseExtrasOrder(*kept.result, isc_first);
  CommissionFailure failure;
  kept.session = StartCommissionSession(*kept.result, options, std::move(result_name), std::move(list_name),
                                        std::move(file_name), &failure);
  if (!kept.session) return failure.text;
  return std::nullopt;
}

std::optional<std::string> KeptCheckRefusal(const KeptResult& kept, const std::string& options_fault) {
  if (!options_fault.empty()) return options_fault;
  if (!kept.session) return std::string("試運転検査が始まっていません");
  return std::nullopt;
}

}  // namespace voltrigg
