#include "input/run_error.h"

#include <atomic>

namespace voltrigg {

namespace {

std::atomic<RunFaultWording> installed_wording{nullptr};

// Without a catalogue: the kind's number and what it names, for a developer.
std::string PlainDescription(const RunFault& f) {
  if (f.what == RunFaultKind::Worded) return f.value;
  std::string out = "run fault " + std::to_string(static_cast<int>(f.what));
  if (!f.file.empty()) out += " in " + f.file;
  if (f.line > 0) out += " line " + std::to_string(f.line);
  if (f.row >= 0) out += " row " + std::to_string(f.row);
  if (f.column >= 0) out += " column " + std::to_string(f.column + 1);
  if (!f.value.empty()) out += ": " + f.value;
  return out;
}

}  // namespace

void SetRunFaultWording(RunFaultWording wording) { installed_wording.store(wording); }

std::string WordRunFault(const RunFault& fault) {
  const RunFaultWording wording = installed_wording.load();
  return wording != nullptr ? wording(fault) : PlainDescription(fault);
}

}  // namespace voltrigg
