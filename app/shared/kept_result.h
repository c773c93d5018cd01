#pragma once
// What a front end keeps between calls for the commissioning check: the
// result it shows (the last one planned or opened to be kept) and the check's
// session made from it, which goes with it.
#include <optional>
#include <string>

#include "app/shared/commission_options.h"
#include "app/shared/commission_session.h"
#include "app/shared/opened_result.h"

namespace voltrigg {

struct KeptResult {
  std::optional<OpenedResult> result;
  std::optional<CommissionSession> session;  // made from `result`
};

// `opened` kept in place of the result before; the session of that one ends.
void KeepResult(KeptResult& kept, OpenedResult opened);

// The modules of `opened` with their Voc and Isc read in the order
// `isc_first` says, when that is not the order they were read in.
void UseExtrasOrder(OpenedResult& opened, bool isc_first);

// Starts the check of the kept result anew: the modules' Voc and Isc in the
// order `isc_first` says, the session made (the names are those
// StartCommissionSession takes). Returns why it cannot be made, in Japanese:
// no result, the options' fault (`options_fault`, worded; empty for none),
// or what the session refuses; nothing once it is made. The session before
// is ended either way.
std::optional<std::string> StartKeptCommission(KeptResult& kept, const CommissionOptions& options,
                                               const std::string& options_fault, bool isc_first,
                                               std::string result_name, std::string list_name, std::string file_name);

// Why a row cannot be checked yet: the options' fault (`options_fault`,
// worded, empty for none), or no session; nothing when it can.
std::optional<std::string> KeptCheckRefusal(const KeptResult& kept, const std::string& options_fault);

}  // namespace voltrigg
