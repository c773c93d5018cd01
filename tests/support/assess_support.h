#pragma once
// What the tests of the physical side share: generated modules as the
// assessment sees them, their fitted curves, plain wirings, and voltrigg-cli
// run as a process. Header only: the support library itself needs no
// assessment code.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "assess/array_curve.h"
#include "assess/module_curve.h"
#include "support/module_generator.h"
#include "support/run_support.h"

namespace voltrigg::testing {

// The modules of a generated list as the assessment sees them: float values
// widened, Voc and Isc from the two further columns.
inline std::vector<ModuleData> AsModuleData(const std::vector<GeneratedModule>& list) {
  std::vector<ModuleData> out;
  for (const GeneratedModule& g : list) {
    out.push_back(ModuleData{static_cast<double>(static_cast<float>(g.module_no)), g.serial_no,
                             static_cast<float>(g.pmax_w), static_cast<float>(g.vpm_v), static_cast<float>(g.ipm_a),
                             static_cast<float>(g.voc_v), static_cast<float>(g.isc_a)});
  }
  return out;
}

// Every module's curve; a module that does not fit fails the test.
inline std::vector<ModuleCurve> FitAll(const std::vector<ModuleData>& modules) {
  std::vector<ModuleCurve> curves;
  for (const ModuleData& m : modules) {
    const CurveFit f = FitModuleCurve(m);
    EXPECT_EQ(f.problem, FitProblem::None) << m.number;
    curves.push_back(f.curve);
  }
  return curves;
}

// Strings of `series` consecutive modules.
inline Wiring InOrder(int count, int series) {
  Wiring w;
  for (int k = 0; k < count; ++k) {
    if (k % series == 0) w.emplace_back();
    w.back().push_back(k);
  }
  return w;
}

struct CliResult {
  int status = -1;
  std::string out;
  std::string err;
};

// voltrigg-cli with `args` (shell words), its output kept in `dir`; in
// English (LC_ALL=C) unless `locale` names another.
inline CliResult Cli(const TempDir& dir, const std::string& args, const std::string& locale = "C") {
  const std::string command = "env LC_ALL=" + locale + " " + std::string(VOLTRIGG_CLI) + " " + args + " >" +
                              (dir / "stdout") + " 2>" + (dir / "stderr");
  const int raw = std::system(command.c_str());
  return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, ReadFile(dir / "stdout"), ReadFile(dir / "stderr")};
}

}  // namespace voltrigg::testing
