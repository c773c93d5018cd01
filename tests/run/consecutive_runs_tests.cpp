// A thousand runs in one process on one run state, as a window used all day
// would make them: every run gives what a run on a fresh state gives (and
// what a fresh voltrigg-cli process gives), and memory stays flat.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "run/calculation_run.h"
#include "support/module_generator.h"
#include "support/run_support.h"

using namespace voltrigg;
using namespace voltrigg::testing;
namespace fs = std::filesystem;

namespace {

std::string ModuleList(int count, unsigned seed) { return FormatModuleList(GenerateModules(count, seed)); }

struct Case {
  std::string list;  // file name in the folder
  std::string series;
  std::string parallel;
};

struct Observed {
  RunOutcome outcome;
  std::vector<std::string> events;
  std::string result;  // result file bytes; empty when none was written

  bool operator==(const Observed& o) const { return outcome == o.outcome && events == o.events && result == o.result; }
};

Observed RunCase(RunState& state, const TempDir& dir, const Case& c) {
  // The window composes the paths again before every run.
  state.InputPath = dir / c.list;
  state.InputName = c.list;
  state.OutputBase = dir / "result";
  RecordingFrontEnd ui;
  ui.series = c.series;
  ui.parallel = c.parallel;
  Observed o{CalculationRun(state, ui), ui.events, {}};
  const std::string result = dir / "result.csv";
  if (fs::exists(result)) {
    o.result = ReadFile(result);
    fs::remove(result);
  }
  return o;
}

long ResidentKiB() {
  std::ifstream statm("/proc/self/statm");
  long size = 0;
  long resident = 0;
  statm >> size >> resident;
  return resident * (sysconf(_SC_PAGESIZE) / 1024);
}

#if defined(__SANITIZE_ADDRESS__)
constexpr bool kAddressSanitizer = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool kAddressSanitizer = true;
#else
constexpr bool kAddressSanitizer = false;
#endif
#else
constexpr bool kAddressSanitizer = false;
#endif

class ConsecutiveRuns : public ::testing::Test {
 protected:
  void SetUp() override {
    const auto write = [&](const std::string& name, const std::string& bytes) {
      std::ofstream(dir / name, std::ios::binary) << bytes;
    };
    write("a12.csv", ModuleList(12, 1));
    write("b6.csv", ModuleList(6, 2));
    write("c20.csv", ModuleList(20, 3));
    write("d1.csv", ModuleList(1, 4));
    write("text.csv", ModuleList(5, 5) + "6,X,250,thirty,8.9,1,2\r\n");
    write("short.csv", ModuleList(3, 6) + "4,Y,250");
    write("huge.csv", "h,h,h,h,h,h,h\r\n1,A,3e38,30,8.9,1,2\r\n2,B,3e38,30,8.8,1,2\r\n");
    // Valid, failing check and bad input alternate over lists of other sizes.
    cases = {
        {"a12.csv", "4", "3"},   {"b6.csv", "4", "3"},   {"text.csv", "3", "2"},    {"b6.csv", "3", "2"},
        {"c20.csv", "5", "4"},   {"a12.csv", "x", "3"},  {"d1.csv", "1", "1"},      {"c20.csv", "21", "1"},
        {"short.csv", "2", "2"}, {"b6.csv", "2", "3"},   {"missing.csv", "1", "1"}, {"huge.csv", "1", "2"},
        {"a12.csv", "2", "6"},   {"c20.csv", "20", "1"}, {"a12.csv", "200", "200"}, {"d1.csv", "2", "2"},
    };
  }

  TempDir dir{"voltrigg-consecutive", true};
  std::vector<Case> cases;
};

TEST_F(ConsecutiveRuns, AThousandRunsMatchFreshRunsAndMemoryStaysFlat) {
  std::vector<Observed> fresh;
  int completed = 0;
  int check_failed = 0;
  for (const Case& c : cases) {
    RunState state;
    fresh.push_back(RunCase(state, dir, c));
    completed += fresh.back().outcome == RunOutcome::Completed;
    check_failed += fresh.back().outcome == RunOutcome::CheckFailed;
  }
  ASSERT_GE(completed, 4);
  ASSERT_GE(check_failed, 3);
  ASSERT_GE(static_cast<int>(cases.size()) - completed - check_failed, 5);

  RunState state;
  long after_100 = 0;
  for (int run = 1; run <= 1000; ++run) {
    const std::size_t k = static_cast<std::size_t>(run) % cases.size();
    const Observed o = RunCase(state, dir, cases[k]);
    ASSERT_TRUE(o == fresh[k]) << "run " << run << " on " << cases[k].list << " " << cases[k].series << " x "
                               << cases[k].parallel << " differs from a run on a fresh state";
    if (run == 100) after_100 = ResidentKiB();
  }
  const long after_1000 = ResidentKiB();
  // AddressSanitizer keeps freed memory in quarantine; its leak check covers this build.
  if (!kAddressSanitizer) {
    EXPECT_LT(after_1000 - after_100, 4 * 1024) << after_100 << " KiB -> " << after_1000;
  }
}

TEST_F(ConsecutiveRuns, FreshProcessesGiveTheSameBytesAndMessages) {
  for (const std::size_t k : {0u, 1u, 2u, 5u, 11u}) {
    const Case& c = cases[k];
    SCOPED_TRACE(c.list);
    RunState state;
    for (int warm = 0; warm < 3; ++warm) RunCase(state, dir, cases[(k + 1 + warm) % cases.size()]);
    const Observed in_process = RunCase(state, dir, c);

    // In Japanese, the window's words.
    const std::string command = "env LC_ALL=ja_JP.UTF-8 " + std::string(VOLTRIGG_CLI) + " -s " + c.series + " -p " +
                                c.parallel + " -o " + (dir / "result") + " " + (dir / c.list) + " >" + (dir / "out") +
                                " 2>" + (dir / "err");
    const int raw = std::system(command.c_str());
    ASSERT_TRUE(WIFEXITED(raw));
    const int status = WEXITSTATUS(raw);
    const std::string result = dir / "result.csv";
    const std::string bytes = fs::exists(result) ? ReadFile(result) : std::string();
    fs::remove(result);
    EXPECT_EQ(bytes, in_process.result);
    switch (in_process.outcome) {
      case RunOutcome::Completed:
        EXPECT_EQ(status, 0);
        EXPECT_EQ(ReadFile(dir / "out").rfind(kCompletionMessage, 0), 0u);
        break;
      case RunOutcome::CheckFailed:
      case RunOutcome::Failed:
        EXPECT_EQ(status, in_process.outcome == RunOutcome::CheckFailed ? 1 : 2);
        const std::string& shown = in_process.events.size() == 1 ? in_process.events[0] : in_process.events[1];
        // A failed check's message is followed by the counts it compared.
        const std::string err = ReadFile(dir / "err");
        const std::string first = err.substr(0, err.find('\n') + 1);
        EXPECT_EQ(first, "voltrigg-cli: " + shown.substr(std::string("message:").size()) + "\n");
        EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), in_process.outcome == RunOutcome::CheckFailed ? 2 : 1)
            << err;
        break;
    }
  }
}

}  // namespace
