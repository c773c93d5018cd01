// Fuzz target: one whole run through the driver, as the window would start it,
// on a fuzzed module list with fuzzed counts.
//
// Input: the series text, a line feed, the parallel text, a line feed, then
// the module list file's bytes. The list is written to a private temporary
// folder and the result file goes there too.
//
// Every run must end in exactly one way the user can see: a completed run
// with its result file, or one message and no result file. Afterwards the
// tables are empty, no temporary file is left, and the same input run again
// on the same state gives the same message and the same bytes.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz/fuzz_support.h"
#include "run/calculation_run.h"
#include "support/run_support.h"

namespace fs = std::filesystem;

using voltrigg::fuzz::NextLine;
using voltrigg::fuzz::Require;
using voltrigg::testing::RecordingFrontEnd;

namespace {

// A private folder for the run's files, removed when the process ends.
const fs::path& Folder() {
  static const fs::path folder = [] {
    std::string base = fs::is_directory("/dev/shm") ? "/dev/shm" : fs::temp_directory_path().string();
    std::string pattern = base + "/voltrigg-fuzz-XXXXXX";
    Require(::mkdtemp(pattern.data()) != nullptr);
    return fs::path(pattern);
  }();
  // Registered after the folder is built, so it runs before the folder's destructor.
  static const bool cleanup = std::atexit([] {
                                std::error_code ec;
                                fs::remove_all(Folder(), ec);
                              }) == 0;
  (void)cleanup;
  return folder;
}

std::string ReadAll(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

bool TablesEmpty(const voltrigg::RunState& s) {
  for (int k = 0; k <= voltrigg::kModuleSlots; ++k) {
    const voltrigg::ModuleRecord& r = s.modules.records[k];
    if (r.moduleNo != 0 || r.pmax != 0 || r.vpm != 0 || r.ipm != 0 || r.extra1 != 0 || r.extra2 != 0 ||
        !s.modules.SerialTable[k].empty()) {
      return false;
    }
    for (const voltrigg::ArrayMatrix* m : {&s.pass1.matrix, &s.pass2.matrix, &s.final.FinalMatrix}) {
      if (static_cast<int>(m->size()) <= k) continue;
      const voltrigg::MatrixSlot& slot = (*m)[static_cast<std::size_t>(k)];
      if (slot.moduleNo != 0 || slot.vpm != 0 || slot.ipm != 0 || slot.serial != 0) return false;
    }
    if (s.final.StringNumbers[static_cast<std::size_t>(k)] != 0) return false;
  }
  return true;
}

struct Observed {
  voltrigg::RunOutcome outcome;
  std::vector<std::string> events;
  std::string result;  // the result file's bytes, empty when none was written
};

Observed RunOnce(voltrigg::RunState& state, std::string_view series, std::string_view parallel) {
  const fs::path& folder = Folder();
  const fs::path result = folder / "result.csv";
  std::error_code ec;
  fs::remove(result, ec);
  state.InputPath = (folder / "list.csv").string();
  state.InputName = "list.csv";
  state.OutputBase = (folder / "result").string();

  RecordingFrontEnd ui{std::string(series), std::string(parallel)};
  Observed o{voltrigg::CalculationRun(state, ui), ui.events, {}};
  const bool written = fs::exists(result);
  if (written) o.result = ReadAll(result);

  const std::string done = std::string("message:") + voltrigg::kCompletionMessage;
  switch (o.outcome) {
    case voltrigg::RunOutcome::Completed:
      Require(written);
      Require(o.result.rfind("\"Input Filename=\",\"list.csv\"\r\n", 0) == 0);
      Require(o.events == std::vector<std::string>({"hide", done, "refresh", "show"}));
      Require(state.InputPath.empty() && state.OutputBase.empty());
      break;
    case voltrigg::RunOutcome::CheckFailed:
    case voltrigg::RunOutcome::Failed:
      Require(!written);
      Require(!o.events.empty() && o.events.size() <= 3);
      Require(o.events.size() == 1 || (o.events.front() == "hide" && o.events.back() == "show"));
      {
        const std::string& message = o.events.size() == 1 ? o.events[0] : o.events[1];
        Require(message.rfind("message:", 0) == 0 && message.size() > 8 && message != done);
      }
      Require(state.InputPath == (folder / "list.csv").string());
      Require(state.OutputBase == (folder / "result").string());
      break;
  }
  Require(TablesEmpty(state));
  // Only the module list and the result file; no temporary file stays behind.
  for (const auto& entry : fs::directory_iterator(folder)) {
    const std::string name = entry.path().filename().string();
    Require(name == "list.csv" || name == "result.csv");
  }
  return o;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string_view rest(reinterpret_cast<const char*>(data), size);
  const std::string_view series = NextLine(rest);
  const std::string_view parallel = NextLine(rest);
  {
    std::ofstream list(Folder() / "list.csv", std::ios::binary | std::ios::trunc);
    list.write(rest.data(), static_cast<std::streamsize>(rest.size()));
    Require(static_cast<bool>(list.flush()));
  }

  voltrigg::RunState state;
  const Observed first = RunOnce(state, series, parallel);
  // The same state, run again: nothing of the first run may show.
  const Observed second = RunOnce(state, series, parallel);
  Require(first.outcome == second.outcome && first.events == second.events && first.result == second.result);
  return 0;
}
