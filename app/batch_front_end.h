#pragma once
#include <string>
#include <utility>
#include <vector>

#include "app/calculation_run.h"

namespace voltrigg {

// The run's front end for voltrigg-cli: the counts come from the command line,
// messages are collected for the caller to print, the window operations do nothing.
class BatchFrontEnd : public RunFrontEnd {
 public:
  BatchFrontEnd(std::string series, std::string parallel)
      : series_(std::move(series)), parallel_(std::move(parallel)) {}

  std::string SeriesText() override { return series_; }
  std::string ParallelText() override { return parallel_; }
  void Hide() override {}
  void Show() override {}
  void Message(const std::string& text) override { messages_.push_back(text); }
  void RefreshFileList() override {}

  const std::vector<std::string>& messages() const { return messages_; }

 private:
  std::string series_;
  std::string parallel_;
  std::vector<std::string> messages_;
};

// Exit status of voltrigg-cli for a run's outcome: 0 completed, 1 a check
// failed, 2 bad input or a file error.
int ExitStatus(RunOutcome outcome);

// The short report printed after a completed run.
std::string CompletionReport(const RunState& state, const std::string& written_path);

}  // namespace voltrigg
