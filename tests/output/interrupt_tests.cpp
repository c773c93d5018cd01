// An interrupted voltrigg-cli never leaves a result beside the assessment of
// another run, nor a temporary file: the run is stopped by SIGINT at many
// points and the folder is checked each time.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "output/interrupt_cleanup.h"
#include "output/result_file.h"
#include "support/module_generator.h"
#include "support/run_support.h"

using namespace voltrigg;
using namespace voltrigg::testing;
namespace fs = std::filesystem;

namespace {

// Starts voltrigg-cli in `folder` with `args`; its output goes nowhere.
pid_t StartCli(const fs::path& folder, const std::vector<std::string>& args) {
  const pid_t pid = ::fork();
  if (pid == 0) {
    if (::chdir(folder.c_str()) != 0) ::_exit(120);
    (void)std::freopen("/dev/null", "w", stdout);
    (void)std::freopen("/dev/null", "w", stderr);
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(VOLTRIGG_CLI));
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    ::execv(VOLTRIGG_CLI, argv.data());
    ::_exit(121);
  }
  return pid;
}

int Wait(pid_t pid) {
  int status = 0;
  while (::waitpid(pid, &status, 0) < 0) {
  }
  return status;
}

std::vector<std::string> TemporaryFiles(const fs::path& folder) {
  std::vector<std::string> found;
  for (const auto& entry : fs::directory_iterator(folder)) {
    const std::string name = entry.path().filename().string();
    if (name.rfind(".voltrigg-", 0) == 0) found.push_back(name);
  }
  return found;
}

std::string Contents(const fs::path& path) { return fs::exists(path) ? ReadFile(path.string()) : std::string(); }

}  // namespace

TEST(Interruption, TheHandlerRemovesTheTemporaryFilesAndEndsByTheSignal) {
  TempDir dir{"voltrigg-interrupt"};
  for (const int signal_number : {SIGINT, SIGTERM, SIGHUP}) {
    const std::string path = dir / (".voltrigg-test-" + std::to_string(signal_number) + ".tmp");
    const std::string kept = dir / "kept.tmp";
    WriteFile(path, "half a file");
    WriteFile(kept, "forgotten, so it stays");
    const pid_t pid = ::fork();
    if (pid == 0) {
      RemoveTemporaryFilesOnInterrupt();
      if (!RememberTemporaryFile(kept) || !RememberTemporaryFile(path)) ::_exit(1);
      ForgetTemporaryFile(kept);
      if (RememberedTemporaryFiles() != 1) ::_exit(2);
      (void)::raise(signal_number);
      ::_exit(3);  // not reached: the signal ends the process
    }
    const int status = Wait(pid);
    ASSERT_TRUE(WIFSIGNALED(status)) << "signal " << signal_number << ", exit " << WEXITSTATUS(status);
    EXPECT_EQ(WTERMSIG(status), signal_number);
    EXPECT_FALSE(fs::exists(path)) << signal_number;
    EXPECT_TRUE(fs::exists(kept));
  }
}

TEST(Interruption, AnIgnoredSignalStaysIgnored) {
  const pid_t pid = ::fork();
  if (pid == 0) {
    (void)::signal(SIGHUP, SIG_IGN);
    RemoveTemporaryFilesOnInterrupt();
    (void)::raise(SIGHUP);
    ::_exit(7);
  }
  const int status = Wait(pid);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 7);
}

TEST(Interruption, AWriteThatFailsForgetsItsTemporaryFile) {
  TempDir dir{"voltrigg-interrupt"};
  const int before = RememberedTemporaryFiles();
  EXPECT_THROW(WriteFileAtomically(dir / "x.csv", std::string(10000, 'x'), [](std::size_t at) { return at > 0; }),
               std::exception);
  EXPECT_EQ(RememberedTemporaryFiles(), before);
  WriteFileAtomically(dir / "x.csv", "whole");
  EXPECT_EQ(RememberedTemporaryFiles(), before);
  EXPECT_TRUE(TemporaryFiles(dir.path()).empty());
}

TEST(Interruption, AnInterruptedRunLeavesTheOldPairTheNewResultAloneOrTheNewPair) {
  TempDir dir{"voltrigg-interrupt"};
  WriteFile(dir / "lot.csv", FormatModuleList(GenerateModules(1000, 29)));
  // The old pair, and what a whole new run writes, made in folders of their own.
  TempDir old_run{"voltrigg-interrupt-old"};
  TempDir new_run{"voltrigg-interrupt-new"};
  fs::copy_file(dir / "lot.csv", old_run / "lot.csv");
  fs::copy_file(dir / "lot.csv", new_run / "lot.csv");
  const std::vector<std::string> old_args = {"-s", "10", "-p", "100", "-o", "r", "--assess", "lot.csv"};
  const std::vector<std::string> new_args = {"-s", "20", "-p", "50", "-o", "r", "--assess", "lot.csv"};
  ASSERT_EQ(Wait(StartCli(old_run.path(), old_args)), 0);
  const auto started = std::chrono::steady_clock::now();
  ASSERT_EQ(Wait(StartCli(new_run.path(), new_args)), 0);
  const auto whole = std::chrono::steady_clock::now() - started;
  const std::string old_result = Contents(old_run / "r.csv");
  const std::string old_assessment = Contents(old_run / "r.assessment.json");
  const std::string new_result = Contents(new_run / "r.csv");
  const std::string new_assessment = Contents(new_run / "r.assessment.json");
  ASSERT_FALSE(old_result.empty());
  ASSERT_FALSE(old_assessment.empty());
  ASSERT_NE(old_result, new_result);
  ASSERT_NE(old_assessment, new_assessment);

  // Interruptions spread over the whole run and a little beyond it.
  constexpr int kPoints = 40;
  int interrupted = 0;
  for (int k = 0; k < kPoints; ++k) {
    WriteFile(dir / "r.csv", old_result);
    WriteFile(dir / "r.assessment.json", old_assessment);
    const auto delay = whole * (k + 1) / kPoints;
    const pid_t pid = StartCli(dir.path(), new_args);
    std::this_thread::sleep_for(delay);
    (void)::kill(pid, SIGINT);
    const int status = Wait(pid);
    const bool by_signal = WIFSIGNALED(status) && WTERMSIG(status) == SIGINT;
    ASSERT_TRUE(by_signal || (WIFEXITED(status) && WEXITSTATUS(status) == 0)) << "point " << k;
    interrupted += by_signal ? 1 : 0;

    const std::string result = Contents(dir / "r.csv");
    const std::string assessment = Contents(dir / "r.assessment.json");
    const bool old_pair = result == old_result && assessment == old_assessment;
    // Between the assessment's removal and the result's rename, for an instant.
    const bool old_result_alone = result == old_result && assessment.empty();
    const bool new_result_alone = result == new_result && assessment.empty();
    const bool new_pair = result == new_result && assessment == new_assessment;
    EXPECT_TRUE(old_pair || old_result_alone || new_result_alone || new_pair)
        << "point " << k << ": result "
        << (result == old_result   ? "old"
            : result == new_result ? "new"
                                   : "other")
        << ", assessment "
        << (assessment.empty()             ? "none"
            : assessment == old_assessment ? "old"
                                           : "other");
    EXPECT_EQ(TemporaryFiles(dir.path()), std::vector<std::string>{}) << "point " << k;
  }
  EXPECT_GT(interrupted, kPoints / 2);
}
