#pragma once
#include <string>

#include "app/run_state.h"

namespace voltrigg {

// What a run needs from the window it runs for (or the batch front end, or a
// test's fake).
class RunFrontEnd {
 public:
  virtual ~RunFrontEnd() = default;
  virtual std::string SeriesText() = 0;    // txtSeriesNumber
  virtual std::string ParallelText() = 0;  // txtParallelNumber
  virtual void Hide() = 0;
  virtual void Show() = 0;
  // Modal, the text alone with an OK button, titled with the application title.
  virtual void Message(const std::string& text) = 0;
  virtual void RefreshFileList() = 0;
  // Called once the result file is written, before the end-of-run clearing,
  // so that a front end can read the run's tables (the batch front end's
  // assessment does). Must not throw.
  virtual void ResultWritten(const RunState& state) { (void)state; }
};

enum class RunOutcome {
  Completed,    // result file written
  CheckFailed,  // one of the count checks failed
  Failed,       // bad count text, bad or missing input, float error, file not written
};

inline constexpr const char* kCompletionMessage = "計算が終了しました";

// The calculation of a run whose module list is loaded and whose counts have
// passed the checks: the baseline figures, both search passes and the final
// matrix, into `state`. Writes no file. Throws RunError for a shape the tables
// cannot hold or a float error in a figure.
void PlanArray(RunState& state);

// One press of the Run button: counts, load, checks, figures, search, result
// file, then the end-of-run clearing and the completion message. A failure
// shows its message, brings the window back and clears the tables; the paths
// stay so the user can correct and run again.
RunOutcome CalculationRun(RunState& state, RunFrontEnd& front_end);

}  // namespace voltrigg
