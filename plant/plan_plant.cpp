// PlanPlant: the lists and the layout read, the curves fitted, every way of
// placing the modules made and evaluated, the plan written checked and put
// into its files.
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <limits>
#include <stdexcept>
#include <utility>

#include "assess/assessment.h"
#include "assess/curve_translation.h"
#include "plant/parallel.h"
#include "plant/plant_plan.h"

namespace voltrigg {

const char* PlantSortName(PlantSort sort) {
  switch (sort) {
    case PlantSort::Delivered:
      return "delivered";
    case PlantSort::Pallets:
      return "pallets";
    case PlantSort::Free:
      break;
  }
  return "free";
}

std::optional<PlantSort> PlantSortNamed(const std::string& name) {
  for (PlantSort sort : kPlantSorts) {
    if (name == PlantSortName(sort)) return sort;
  }
  return std::nullopt;
}

namespace plant {

namespace {

using Kind = PlantFault::Kind;
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

void Tell(const PlantRequest& request, PlantStage stage) {
  if (request.progress) request.progress(stage);
}

std::size_t Index(PlantSort sort) { return static_cast<std::size_t>(sort); }

// The lower of the system limit and the inverter's maximum DC voltage, as the
// inverter window takes it.
double VoltageLimitV(const AssessConditions& conditions, const InverterProfile& profile) {
  double limit = conditions.max_system_voltage_v;
  if (profile.max_dc_voltage_v && !AtOrBelowLimit(limit, *profile.max_dc_voltage_v)) limit = *profile.max_dc_voltage_v;
  return limit;
}

// One input's modules gathered from `slots`.
void Gather(const Slots& slots, const PlantStructure& structure, std::size_t input, const LotCurves& curves,
            InputModules& out) {
  out.Clear();
  const PlantStructure::Input& in = structure.inputs[input];
  const std::size_t s = static_cast<std::size_t>(structure.series);
  for (int j = 0; j < in.strings; ++j) {
    const std::size_t string = static_cast<std::size_t>(in.first_string) + static_cast<std::size_t>(j);
    out.string_sizes.push_back(structure.series);
    for (std::size_t p = 0; p < s; ++p) {
      const std::uint32_t m = slots[string * s + p];
      out.curves.push_back(curves.curves[m]);
      out.diodes.push_back(curves.diodes[m]);
    }
  }
}

// The input's figures at one cell temperature in full sun; NaN (and a
// problem) when a curve cannot be carried there.
struct AtTemperature {
  PowerPoint point{kNaN, kNaN, kNaN};
  double current_at_0v_a = kNaN;
  std::string problem;
  bool searched = false;  // the general search of assess/ answered
};

// Whether the input's current at 0 V is wanted too (the hot afternoon's, for
// the short-circuit check).
enum class ZeroVoltCurrent { Skip, Compute };

AtTemperature InputAt(const Slots& slots, const PlantStructure& structure, std::size_t input, const PlantLot& lot,
                      const LotCurves& curves, double temperature_c, const AssessConditions& conditions,
                      ZeroVoltCurrent zero_volt, InputModules& scratch) {
  scratch.Clear();
  AtTemperature out;
  const CellConditions cell{kStcIrradianceW_m2, temperature_c};
  const TemperatureCoefficients coefficients{conditions.voc_coefficient_pct_per_k,
                                             conditions.isc_coefficient_pct_per_k};
  const PlantStructure::Input& in = structure.inputs[input];
  const std::size_t s = static_cast<std::size_t>(structure.series);
  for (int j = 0; j < in.strings; ++j) {
    const std::size_t string = static_cast<std::size_t>(in.first_string) + static_cast<std::size_t>(j);
    scratch.string_sizes.push_back(structure.series);
    for (std::size_t p = 0; p < s; ++p) {
      const std::uint32_t m = slots[string * s + p];
      const CurveFit t = TranslateModuleCurve(curves.curves[m], lot.voc_v[m], cell, coefficients);
      DiodeModule d;
      // Its own maximum moves with the light current: the search starts there.
      const double hint_a = curves.diodes[m].imp_a * (t.curve.il_a / curves.curves[m].il_a);
      if (t.problem != FitProblem::None || !PrepareDiodeModule(t.curve, hint_a, d)) {
        ModuleProblem problem{static_cast<int>(m), 0, std::string(lot.Serial(m)),
                              t.problem != FitProblem::None ? t.problem : FitProblem::CurveNotFalling};
        char at[96];
        (void)std::snprintf(at, sizeof at, " at %g W/m² and %g °C", cell.irradiance_w_m2, cell.temperature_c);
        out.problem = DescribeModuleProblem(problem) + at;
        return out;
      }
      scratch.curves.push_back(t.curve);
      scratch.diodes.push_back(d);
    }
  }
  const InputPoint top = InputMaximumPowerPoint(scratch);
  out.point = top.point;
  out.searched = top.searched;
  if (zero_volt == ZeroVoltCurrent::Compute) out.current_at_0v_a = InputCurrentAtZeroVoltsA(scratch);
  return out;
}

}  // namespace

void CheckWrittenPlan(PlantPlan& plan) {
  const PlantStructure& st = plan.structure;
  const Slots& slots = plan.Written().slots;
  const std::size_t s = static_cast<std::size_t>(st.series);
  const std::size_t strings = static_cast<std::size_t>(st.strings());
  plan.string_voc_cold_v.assign(strings, 0.0);
  plan.string_limit_v.assign(strings, 0.0);
  for (std::size_t j = 0; j < strings; ++j) {
    double voc_sum = 0;
    for (std::size_t p = 0; p < s; ++p) voc_sum += plan.lot.voc_v[slots[j * s + p]];
    const PlantStructure::Input& in = st.inputs[st.string_input[j]];
    const InverterProfile& profile =
        plan.layout.groups[static_cast<std::size_t>(st.inverters[static_cast<std::size_t>(in.inverter)].group)].profile;
    plan.string_voc_cold_v[j] = ColdVocV(voc_sum, plan.conditions);
    plan.string_limit_v[j] = VoltageLimitV(plan.conditions, profile);
  }
  plan.windows_by_input.assign(st.inputs.size(), InverterWindow{});
  std::vector<char> searched(st.inputs.size(), 0);
  ParallelFor(0, st.inputs.size(), 16, [&](std::size_t first, std::size_t last) {
    InputModules scratch;
    for (std::size_t q = first; q < last; ++q) {
      const PlantStructure::Input& in = st.inputs[q];
      const InverterProfile& profile =
          plan.layout.groups[static_cast<std::size_t>(st.inverters[static_cast<std::size_t>(in.inverter)].group)]
              .profile;
      WindowFigures figures;
      for (int j = 0; j < in.strings; ++j) {
        const double v =
            plan.string_voc_cold_v[static_cast<std::size_t>(in.first_string) + static_cast<std::size_t>(j)];
        // NaN wins and stays.
        if (!std::isnan(figures.max_string_voc_tmin_v) && !(v <= figures.max_string_voc_tmin_v))
          figures.max_string_voc_tmin_v = v;
      }
      const AtTemperature hot = InputAt(slots, st, q, plan.lot, plan.curves, plan.conditions.t_hot_c, plan.conditions,
                                        ZeroVoltCurrent::Compute, scratch);
      const AtTemperature cold = InputAt(slots, st, q, plan.lot, plan.curves, plan.conditions.t_cold_operating_c,
                                         plan.conditions, ZeroVoltCurrent::Skip, scratch);
      figures.hot = hot.point;
      figures.cold = cold.point;
      figures.array_current_at_0v_hot_a = hot.current_at_0v_a;
      searched[q] = static_cast<char>((hot.searched ? 1 : 0) + (cold.searched ? 1 : 0));
      for (const AtTemperature* a : {&hot, &cold}) {
        if (!a->problem.empty()) figures.problems.push_back(a->problem);
      }
      plan.windows_by_input[q] = JudgeInverterWindow(std::move(figures), plan.conditions, profile);
    }
  });
  plan.window_searches = 0;
  for (char n : searched) plan.window_searches += n;
}

namespace {

PlantFault RequestFault(Kind kind) {
  PlantFault f;
  f.kind = kind;
  return f;
}

}  // namespace

LotCurves FitLot(const PlantLot& lot, std::vector<std::pair<std::size_t, FitProblem>>& problems) {
  const std::size_t n = lot.size();
  LotCurves out;
  out.curves.resize(n);
  out.diodes.resize(n);
  out.traits.power_w.resize(n);
  out.traits.current_a.resize(n);
  out.traits.curvature_w_per_a2.resize(n);
  std::vector<FitProblem> problem(n, FitProblem::None);
  ParallelFor(0, n, 2048, [&](std::size_t first, std::size_t last) {
    for (std::size_t k = first; k < last; ++k) {
      // The list's float values widened, as the assessment fits them.
      const CurveFit fit = FitModuleCurve(lot.vmp_v[k], lot.imp_a[k], lot.voc_v[k], lot.isc_a[k]);
      DiodeModule& d = out.diodes[k];
      OwnMaximum own;
      if (fit.problem != FitProblem::None || !PrepareDiodeModule(fit.curve, lot.imp_a[k], d, &own)) {
        problem[k] = fit.problem != FitProblem::None ? fit.problem : FitProblem::CurveNotFalling;
        continue;
      }
      out.curves[k] = fit.curve;
      out.traits.power_w[k] = own.power_w;
      out.traits.current_a[k] = own.current_a;
      out.traits.curvature_w_per_a2[k] = own.curvature_w_per_a2;
    }
  });
  for (std::size_t k = 0; k < n && problems.size() < kMaxPlantFaults; ++k) {
    if (problem[k] != FitProblem::None) problems.emplace_back(k, problem[k]);
  }
  return out;
}

ModeResult EvaluateSlots(Slots slots, const PlantStructure& structure, const LotCurves& curves, const PlantLot& lot) {
  ModeResult out;
  out.slots = std::move(slots);
  out.inputs.resize(structure.inputs.size());
  ParallelFor(0, structure.inputs.size(), 16, [&](std::size_t first, std::size_t last) {
    InputModules scratch;
    for (std::size_t q = first; q < last; ++q) {
      Gather(out.slots, structure, q, curves, scratch);
      out.inputs[q] = InputMaximumPowerPoint(scratch);
    }
  });
  for (const InputPoint& p : out.inputs) {
    out.figures.pmp_w += p.point.pmp_w;
    out.searched += p.searched ? 1 : 0;
  }
  for (std::uint32_t m : out.slots) out.figures.sum_mpp_w += static_cast<double>(lot.vmp_v[m]) * lot.imp_a[m];
  out.figures.mismatch_loss_pct = MismatchLossPct(out.figures.pmp_w, out.figures.sum_mpp_w);
  return out;
}

PlanMaking MakePlantPlan(const PlantRequest& request) {
  PlanMaking out;
  // cppcheck-suppress unreadVariable ; it holds the thread limit while the plan is made
  const ThreadLimit threads(request.threads);
  if (const auto fault = ValidateConditions(request.conditions)) {
    PlantFault f = RequestFault(Kind::BadConditions);
    f.condition = *fault;
    out.faults.push_back(std::move(f));
    return out;
  }
  if (!(request.pallet_window >= 1 && request.pallet_window <= 1000)) {
    PlantFault f = RequestFault(Kind::BadPalletWindow);
    f.count = request.pallet_window;
    out.faults.push_back(std::move(f));
    return out;
  }
  LayoutReading layout = ReadPlantLayout(request.layout);
  if (!layout.faults.empty()) {
    out.faults = std::move(layout.faults);
    return out;
  }
  Tell(request, PlantStage::ReadingLists);
  LotReading reading =
      ReadPlantLists(request.lists, request.extras,
                     request.sort == PlantSort::Pallets ? PalletColumn::Required : PalletColumn::Optional);
  if (!reading.faults.empty()) {
    out.faults = std::move(reading.faults);
    return out;
  }
  PlantPlan plan;
  plan.sort = request.sort;
  plan.pallet_window = request.pallet_window;
  plan.conditions = request.conditions;
  plan.lot = std::move(reading.lot);
  plan.layout = std::move(*layout.layout);
  plan.structure = ExpandLayout(plan.layout);
  out.warnings = std::move(reading.warnings);
  const PlantLot& lot = plan.lot;
  const std::size_t used = static_cast<std::size_t>(plan.structure.modules());
  if (lot.size() < used) {
    PlantFault f = RequestFault(Kind::TooFewModules);
    f.count = static_cast<std::int64_t>(lot.size());
    f.needed = static_cast<std::int64_t>(used);
    out.faults.push_back(std::move(f));
    return out;
  }
  Tell(request, PlantStage::FittingCurves);
  std::vector<std::pair<std::size_t, FitProblem>> problems;
  plan.curves = FitLot(lot, problems);
  for (const auto& [k, problem] : problems) {
    PlantFault f = RequestFault(Kind::CurveNotFitted);
    f.file = static_cast<int>(lot.file[k]);
    f.file_name = request.lists[lot.file[k]].name;
    f.line = lot.line[k];
    f.value = std::string(lot.Serial(k));
    f.fit_problem = problem;
    out.faults.push_back(std::move(f));
  }
  if (!out.faults.empty()) return out;

  const int series = plan.structure.series;
  const auto evaluate = [&](Slots slots) { return EvaluateSlots(std::move(slots), plan.structure, plan.curves, lot); };
  // Pallets wherever every list names its pallets.
  const bool pallets = std::all_of(lot.file_has_pallet.begin(), lot.file_has_pallet.end(), [](bool b) { return b; });
  if (pallets) {
    plan.windows = WindowsOf(lot, series, static_cast<std::size_t>(plan.structure.strings()), request.pallet_window);
  }
  // Every candidate at once: delivered, two pallet fills, the simple rule on
  // the strongest modules and on those delivered first.
  Tell(request, PlantStage::Placing);
  std::optional<ModeResult> delivered;
  std::array<std::optional<ModeResult>, 2> fills;
  std::array<std::optional<ModeResult>, 2> simple;
  const auto fill = [&](PalletAnchor anchor, std::optional<ModeResult>& out) {
    Slots slots = PalletSlots(lot, plan.curves.traits, series, *plan.windows, anchor);
    if (slots.size() == used) out = evaluate(std::move(slots));
  };
  ParallelInvoke([&] { delivered = evaluate(DeliveredSlots(used)); },
                 [&] {
                   if (!pallets) return;
                   ParallelInvoke([&] { fill(PalletAnchor::None, fills[0]); },
                                  [&] { fill(PalletAnchor::ClosingFirst, fills[1]); });
                 },
                 [&] {
                   const std::vector<std::uint32_t> order = ImpOrder(lot);
                   ParallelInvoke(
                       [&] {
                         simple[0] =
                             evaluate(SimpleRuleSlots(order, StrongestModules(plan.curves.traits, used), lot, series));
                       },
                       [&] {
                         if (lot.size() > used)
                           simple[1] = evaluate(SimpleRuleSlots(order, DeliveredSlots(used), lot, series));
                       });
                 });
  // Each mode keeps its best candidate (of equals the first), and never falls
  // below a more constrained mode: delivered places every module within its
  // pallet window, and pallets and delivered are places free may give.
  const auto better = [](const std::optional<ModeResult>& a, const std::optional<ModeResult>& b) {
    return a && (!b || a->figures.pmp_w > b->figures.pmp_w);
  };
  plan.modes[Index(PlantSort::Delivered)] = std::move(delivered);
  const std::optional<ModeResult>& by_delivered = plan.modes[Index(PlantSort::Delivered)];
  if (pallets) {
    std::optional<ModeResult>& best_fill = better(fills[1], fills[0]) ? fills[1] : fills[0];
    if (better(best_fill, by_delivered)) {
      plan.modes[Index(PlantSort::Pallets)] = std::move(best_fill);
    } else {
      plan.modes[Index(PlantSort::Pallets)] = by_delivered;
    }
  }
  std::optional<ModeResult>& best_simple = better(simple[1], simple[0]) ? simple[1] : simple[0];
  std::optional<ModeResult> free = std::move(best_simple);
  const std::optional<ModeResult>& by_pallets = plan.modes[Index(PlantSort::Pallets)];
  for (const std::optional<ModeResult>* other : {&by_pallets, &by_delivered}) {
    if (better(*other, free)) free = *other;
  }
  plan.modes[Index(PlantSort::Free)] = std::move(free);

  out.plan = std::move(plan);
  return out;
}

}  // namespace plant

PlantOutcome PlanPlant(const PlantRequest& request) {
  PlantOutcome out;
  plant::PlanMaking making = plant::MakePlantPlan(request);
  out.faults = std::move(making.faults);
  out.warnings = std::move(making.warnings);
  if (!out.faults.empty() || !making.plan) return out;
  // cppcheck-suppress unreadVariable ; it holds the thread limit while the plan is checked and formatted
  const plant::ThreadLimit threads(request.threads);
  if (request.progress) request.progress(PlantStage::Checks);
  plant::PlantPlan& plan = *making.plan;
  // The register and the pick list need no check: formatted meanwhile.
  // The register and the pick list need no check: formatted meanwhile.
  plant::ParallelInvoke([&] { plant::CheckWrittenPlan(plan); }, [&] { out.files = plant::FormatPlantLists(plan); });
  if (request.progress) request.progress(PlantStage::Writing);
  out.summary = plant::SummaryOf(plan);
  out.files.plant_json = plant::FormatPlantJson(plan);
  return out;
}

}  // namespace voltrigg
