#include "app/assess_report.h"

#include <CLI/CLI.hpp>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <new>
#include <ostream>

#include "input/field_reader.h"
#include "input/number_text.h"
#include "input/run_error.h"
#include "output/result_file.h"

namespace voltrigg {

void AddAssessOptions(CLI::App& app, AssessOptions& o) {
  CLI::Option* assess =
      app.add_flag("--assess", o.enabled,
                   "also assess the array by the modules' current-voltage curves (Voc and Isc in columns 6 and 7): "
                   "writes BASE.assessment.json and prints the true maximum power points and the voltage check");
  app.add_option("--tmin", o.conditions.tmin_c, "lowest cell temperature for the cold open-circuit voltage [°C]")
      ->capture_default_str()
      ->check(CLI::Range(-100.0, 100.0))
      ->needs(assess);
  app.add_option("--voc-coefficient", o.conditions.voc_coefficient_pct_per_k, "temperature coefficient of Voc [%/K]")
      ->capture_default_str()
      ->check(CLI::Range(-5.0, 5.0))
      ->needs(assess);
  app.add_option("--max-system-voltage", o.conditions.max_system_voltage_v,
                 "system voltage limit for any string's cold open-circuit voltage [V]")
      ->capture_default_str()
      ->check(CLI::Range(1.0, 100000.0))
      ->needs(assess);
  app.add_option_function<std::string>(
         "--extras", [&o](const std::string& order) { o.isc_first = order == "isc,voc"; },
         "what columns 6 and 7 hold: voc,isc (the default) or isc,voc")
      ->check(CLI::IsMember({"voc,isc", "isc,voc"}))
      ->needs(assess);
}

std::vector<ModuleData> ReadModulesInListOrder(const std::string& path, bool isc_first) {
  std::ifstream in(path, std::ios::binary);
  if (!in.is_open()) throw RunError("cannot open the module list again for the assessment: " + path);
  FieldReader reader(in);
  const auto field = [&](int row) {
    auto f = reader.Next();
    if (!f) throw RunError("the module list changed while it was read (row " + std::to_string(row) + "): " + path);
    return f->text;
  };
  const auto number = [&](int row) {
    float value = 0;
    if (!ParseNumberField(field(row), value)) {
      throw RunError("the module list changed while it was read (row " + std::to_string(row) + "): " + path);
    }
    return static_cast<double>(value);
  };
  std::vector<ModuleData> modules;
  int row = 0;
  while (!reader.AtEnd()) {
    if (row == 0) {
      for (int c = 0; c < 7; ++c) field(0);
      ++row;
      continue;
    }
    ModuleData m;
    m.number = number(row);
    m.serial = field(row);
    m.pmax_w = number(row);
    m.vpm_v = number(row);
    m.ipm_a = number(row);
    const double col6 = number(row);
    const double col7 = number(row);
    m.voc_v = isc_first ? col7 : col6;
    m.isc_a = isc_first ? col6 : col7;
    modules.push_back(std::move(m));
    ++row;
  }
  return modules;
}

AssessmentInput AssessmentInputFromRun(const RunState& s, std::vector<ModuleData> modules,
                                       const AssessConditions& conditions) {
  AssessmentInput in;
  const int n = s.ModuleCount;
  const int series = s.SeriesCount;
  const int parallel = s.ParallelCount;
  if (n < 0 || series <= 0 || parallel < 0 || n != series * parallel || n > kModuleSlots) {
    throw RunError("the run's counts do not describe an array to assess");
  }
  in.series = series;
  in.parallel = parallel;
  in.conditions = conditions;
  in.sum_pmax_w = s.baseline.SimplePmaxSum;
  const auto point = [](const OperatingPoint& p) { return PlanningPoint{p.Pmax, p.Vpm, p.Ipm}; };
  in.minimum = point(s.baseline.MinimumPoint);
  in.initial_point = point(s.InitialPoint);
  in.estimated_point = point(s.final.EstimatedPoint);

  // Both arrangements as rows of the module table, string by string.
  std::vector<std::vector<WiringRow>> initial(static_cast<std::size_t>(parallel));
  std::vector<std::vector<WiringRow>> estimated(static_cast<std::size_t>(parallel));
  const auto serial_of = [&](std::int32_t slot) -> const std::string& {
    static const std::string kNone;
    return slot > 0 && slot <= kModuleSlots ? s.modules.SerialTable[static_cast<std::size_t>(slot)] : kNone;
  };
  for (int j = 0; j < parallel; ++j) {
    for (int i = 1; i <= series; ++i) {
      const std::size_t slot =
          static_cast<std::size_t>(i) + static_cast<std::size_t>(series) * static_cast<std::size_t>(j);
      const ModuleRecord& r = s.modules.records[slot];
      initial[j].push_back(WiringRow{r.moduleNo, s.modules.SerialTable[slot], r.vpm, r.ipm});
      const MatrixSlot& m = s.final.FinalMatrix[slot];
      estimated[j].push_back(WiringRow{m.moduleNo, serial_of(m.serial), m.vpm, m.ipm});
    }
  }
  std::string problem;
  auto wiring = MatchWiring(modules, initial, &problem);
  if (!wiring) throw RunError("the module list changed during the run: " + problem);
  in.initial = std::move(*wiring);
  wiring = MatchWiring(modules, estimated, &problem);
  if (!wiring) throw RunError("the module list changed during the run: " + problem);
  in.estimated = std::move(*wiring);
  in.modules = std::move(modules);
  return in;
}

namespace {

std::string NumberText(double number) {
  char text[32];
  (void)std::snprintf(text, sizeof text, "%.9g", number);
  return text;
}

std::string ModuleName(const ModuleData& m, std::size_t index) {
  return "module " + NumberText(m.number) + " (S/N " + SerialAsUtf8(m.serial) + ", row " + std::to_string(index + 1) +
         " of the list)";
}

constexpr const char* kColumnsHint =
    "the assessment needs Voc [V] in column 6 and Isc [A] in column 7 of the module list "
    "(--extras isc,voc when the list has them the other way round)";

// Voc and Isc missing altogether get one message about the columns; other
// curve problems one message per module.
std::vector<std::string> CurveProblems(const AssessmentOutcome& outcome, const std::vector<ModuleData>& modules) {
  std::vector<std::string> out;
  bool hint = false;
  constexpr std::size_t kNamed = 10;  // a whole lot without Voc would name every module
  for (const ModuleProblem& p : outcome.problems) {
    const ModuleData& m = modules[static_cast<std::size_t>(p.index)];
    if (out.size() == kNamed) {
      hint = hint || m.voc_v == 0 || m.isc_a == 0 || p.problem == FitProblem::VocNotAboveVpm ||
             p.problem == FitProblem::IscNotAboveIpm;
      continue;
    }
    std::string text = ModuleName(m, static_cast<std::size_t>(p.index)) + ": ";
    if (m.voc_v == 0 || m.isc_a == 0) {
      text += std::string(m.voc_v == 0 ? "Voc" : "Isc") + " is missing or zero";
      hint = true;
    } else {
      text += FitProblemText(p.problem);
      hint = hint || p.problem == FitProblem::VocNotAboveVpm || p.problem == FitProblem::IscNotAboveIpm;
    }
    out.push_back(text);
  }
  if (outcome.problems.size() > kNamed) {
    out.push_back("and " + std::to_string(outcome.problems.size() - kNamed) +
                  " more modules whose values give no curve");
  }
  if (hint) out.emplace_back(kColumnsHint);
  return out;
}

}  // namespace

void AssessingFrontEnd::ResultWritten(const RunState& state) {
  assessment_.reset();
  problems_.clear();
  if (!options_.enabled) return;
  try {
    std::vector<ModuleData> modules = ReadModulesInListOrder(state.InputPath, options_.isc_first);
    AssessmentInput input = AssessmentInputFromRun(state, std::move(modules), options_.conditions);
    AssessmentOutcome outcome = AssessRun(input);
    if (outcome.assessment) {
      assessment_ = std::move(outcome.assessment);
    } else {
      problems_ = CurveProblems(outcome, input.modules);
    }
  } catch (const RunError& e) {
    problems_.emplace_back(e.what());
  } catch (const std::bad_alloc&) {
    problems_.emplace_back("not enough memory for the assessment");
  } catch (const std::exception& e) {
    problems_.push_back(std::string("the assessment failed: ") + e.what());
  }
}

std::string AssessmentTable(const Assessment& a) {
  std::string out;
  char line[256];
  (void)std::snprintf(line, sizeof line,
                      "Assessment by the module curves (STC; cold Voc at %g °C with %g %%/K, limit %g V)\n",
                      a.conditions.tmin_c, a.conditions.voc_coefficient_pct_per_k, a.conditions.max_system_voltage_v);
  out += line;
  (void)std::snprintf(line, sizeof line, "%-22s %14s %12s %11s %10s\n", "Arrangement", "Pmp [W]", "Vmp [V]", "Imp [A]",
                      "Loss [%]");
  out += line;
  const auto row = [&](const char* name, const ArrangementFigures& f) {
    (void)std::snprintf(line, sizeof line, "%-22s %14.4f %12.4f %11.5f %10.5f\n", name, f.point.pmp_w, f.point.vmp_v,
                        f.point.imp_a, f.mismatch_loss_pct);
    out += line;
  };
  row("Initial", a.initial);
  row("Estimated", a.estimated);
  row("Optimized", a.optimized);
  const auto random_row = [&](const char* name, double pmp) {
    (void)std::snprintf(line, sizeof line, "%-22s %14.4f %12s %11s %10.5f\n", name, pmp, "", "",
                        MismatchLossPct(pmp, a.sum_mpp_w));
    out += line;
  };
  const std::string mean = "Random, mean of " + std::to_string(a.random_wiring.samples);
  random_row(mean.c_str(), a.random_wiring.mean_pmp_w);
  random_row("Random, worst", a.random_wiring.worst_pmp_w);
  (void)std::snprintf(line, sizeof line, "Sum of module Vpm*Ipm: %.4f W; optimizing gains %.4f W over Estimated\n",
                      a.sum_mpp_w, a.optimized.point.pmp_w - a.estimated.point.pmp_w);
  out += line;
  const VoltageCheck& v = a.voltage_check;
  (void)std::snprintf(line, sizeof line,
                      "Voltage check (Estimated): highest string Voc %.2f V at %g °C, limit %g V: %s\n",
                      v.max_string_voc_cold_v, a.conditions.tmin_c, v.limit_v, v.ok ? "OK" : "ABOVE THE LIMIT");
  out += line;
  return out;
}

namespace {

// An assessment file left from an earlier run must not sit beside the new
// result; anything that is not a file (a folder of that name) stays.
void RemoveStale(const std::string& path) {
  std::error_code ec;
  const auto status = std::filesystem::symlink_status(path, ec);
  if (!ec && !std::filesystem::is_directory(status)) std::filesystem::remove(path, ec);
}

}  // namespace

bool RemoveStaleAssessment(const std::string& output_base) {
  const std::string path = output_base + ".assessment.json";
  RemoveStale(path);
  std::error_code ec;
  return !std::filesystem::is_regular_file(std::filesystem::symlink_status(path, ec));
}

int ReportAssessment(const AssessingFrontEnd& fe, const std::string& output_base, std::ostream& out,
                     std::ostream& err) {
  const std::string path = output_base + ".assessment.json";
  if (!fe.assessment()) {
    RemoveStale(path);
    for (const std::string& p : fe.problems()) err << "voltrigg-cli: assessment: " << p << '\n';
    err << "voltrigg-cli: no assessment written (the result file is written)\n";
    return 2;
  }
  const Assessment& a = *fe.assessment();
  try {
    WriteFileAtomically(path, FormatAssessmentJson(a));
  } catch (const RunError& e) {
    RemoveStale(path);
    err << "voltrigg-cli: assessment: " << e.what() << '\n';
    return 2;
  }
  out << '\n' << AssessmentTable(a) << "Assessment file: " << path << '\n';
  for (int j : a.voltage_check.strings_over) {
    char text[256];
    (void)std::snprintf(text, sizeof text,
                        "voltrigg-cli: warning: string %d reaches %.2f V open-circuit at %g °C, above the %g V "
                        "system voltage limit\n",
                        j + 1, a.estimated.strings[static_cast<std::size_t>(j)].voc_cold_v, a.conditions.tmin_c,
                        a.voltage_check.limit_v);
    err << text;
  }
  return 0;
}

}  // namespace voltrigg
