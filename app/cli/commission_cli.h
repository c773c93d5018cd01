#pragma once
// voltrigg-cli commission: the commissioning check of a planned array from
// the strings' measured Voc and Isc, and the blank measurement form.
#include "app/shared/text_catalogue.h"

namespace voltrigg {

// `argv[0]` is "commission"; the rest as typed. Speaks `language`. Returns
// the exit status: 0 every string passes (or the form is written), 1 a
// string fails or is not measured, 2 bad input or a file that cannot be
// written (the table is still printed when only the commissioning file
// cannot be written), 64 wrong usage or a condition out of its range.
int RunCommissionCli(int argc, char** argv, Language language);

}  // namespace voltrigg
