#pragma once
// The page's options, as the option table's members in a JavaScript object,
// read by the shared reading (app/shared/option_texts.h); faults worded by
// the page's labels.
#include <emscripten/val.h>

#include <string>

#include "app/shared/assess_options.h"
#include "app/shared/commission_options.h"
#include "app/shared/text_catalogue.h"

namespace voltrigg::web {

// The assessment's options as the page holds them: the conditions' texts by
// member (one not sent keeps the core's default), extras ("voc,isc" or
// "isc,voc"), language ("ja" or "en") and optionally inverter, { name,
// bytes } (none: only the system voltage limit is checked).
struct WebAssessOptions {
  AssessOptions options;
  Language language = Language::Japanese;
  std::string fault;           // why the conditions cannot be used, or empty
  std::string inverter_fault;  // why the inverter profile cannot be used, or empty
};
WebAssessOptions ReadAssessOptions(const emscripten::val& options);

// The commissioning check's options as the page holds them (texts by the
// option table's members, the irradiance and module temperature of every
// row empty for none); the fault names the field by its label.
struct WebCommissionOptions {
  CommissionOptions options;
  std::string fault;
};
WebCommissionOptions ReadCommissionOptions(const emscripten::val& options);

// Only the extras of `options`, read leniently (ExtrasOnlyOptions).
AssessOptions ExtrasOnly(const emscripten::val& options);

}  // namespace voltrigg::web
