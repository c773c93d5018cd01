#pragma once
// voltrigg-cli commission: the commissioning check of a planned array from
// the strings' measured Voc and Isc, and the blank measurement form.

namespace voltrigg {

// `argv[0]` is "commission"; the rest as typed. Returns the exit status: 0
// every string passes (or the form is written), 1 a string fails or is not
// measured, 2 bad input or a file that cannot be written (nothing written),
// 64 wrong usage or a condition out of its range.
int RunCommissionCli(int argc, char** argv);

}  // namespace voltrigg
