#pragma once
#include <exception>
#include <string>

#include "run/run_state.h"

namespace voltrigg {

// What a run needs from the window it runs for (or a test's fake).
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
};

enum class RunOutcome {
  Completed,    // result file written
  CheckFailed,  // one of the count checks failed
  Failed,       // bad count text, bad or missing input, float error, file not written
};

inline constexpr const char* kCompletionMessage = "計算が終了しました";

// One press of the Run button: counts, load, checks, figures, search, result
// file, then the end-of-run clearing and the completion message. A failure
// shows its message, brings the window back and clears the tables; the paths
// stay so the user can correct and run again. The planning itself is Plan's
// (run/plan.h); this is the window's order of showing, hiding and clearing.
RunOutcome CalculationRun(RunState& state, RunFrontEnd& front_end);

// A failure's message as a run shows it: the RunError's own text, or one
// sentence for memory or anything unexpected.
std::string FailureMessage(const std::exception& error);

}  // namespace voltrigg
