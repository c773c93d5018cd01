#pragma once
// voltrigg-cli plant: a whole plant's measured modules wired to inverters,
// inputs and strings; writes BASE.register.csv, BASE.picklist.csv and
// BASE.plant.json and prints the summary.

#include "app/shared/text_catalogue.h"

namespace voltrigg {

// `argv[0]` is "plant"; the rest as typed. Returns the exit status: 0 the plan
// is written and passes its checks, 1 it is written but a check fails, 2 a
// list or the layout is refused or a file cannot be written (nothing
// written), 64 wrong usage or a condition out of its range.
int RunPlantCli(int argc, char** argv, Language language);

}  // namespace voltrigg
