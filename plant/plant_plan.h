#pragma once
// A plan before it becomes files: the lot, the layout, every mode's places
// and figures, and the checks of the plan written. PlanPlant's parts, for
// the tests and the benchmarks.
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "assess/inverter_window.h"
#include "plant/assignment.h"
#include "plant/input_mpp.h"
#include "plant/plant.h"
#include "plant/plant_layout.h"
#include "plant/plant_lists.h"

namespace voltrigg::plant {

struct ModeResult {
  Slots slots;
  std::vector<InputPoint> inputs;  // each input's maximum power point
  PlantModeFigures figures;
  std::int64_t searched = 0;  // inputs the general search answered
};

// Every module's curve and what the modes and the evaluation need of it.
struct LotCurves {
  std::vector<ModuleCurve> curves;
  std::vector<DiodeModule> diodes;
  ModuleTraits traits;
};

struct PlantPlan {
  PlantSort sort = PlantSort::Free;
  int pallet_window = 2;
  AssessConditions conditions;
  PlantLot lot;
  PlantLayout layout;
  PlantStructure structure;
  LotCurves curves;
  std::array<std::optional<ModeResult>, 3> modes;  // by kPlantSorts
  std::optional<PalletWindows> windows;            // the pallets mode's
  // The plan written (modes[sort]) checked.
  std::vector<double> string_voc_cold_v;  // each string's Voc at Tmin
  std::vector<double> string_limit_v;     // the lower of the system's and its inverter's limit
  std::vector<InverterWindow> windows_by_input;
  std::int64_t window_searches = 0;  // inputs at 70 or 15 °C the general search answered

  const ModeResult& Written() const { return *modes[static_cast<std::size_t>(sort)]; }
};

struct PlanMaking {
  std::optional<PlantPlan> plan;
  std::vector<PlantFault> faults;
  std::vector<PlantWarning> warnings;
};

// The lists and the layout read and every mode's places and figures: what
// PlanPlant does before the checks and the files.
PlanMaking MakePlantPlan(const PlantRequest& request);

// The checks of the plan written: every string's cold Voc against its limit,
// every input's inverter window.
void CheckWrittenPlan(PlantPlan& plan);

// Each module's curve fitted and prepared; `problems` gets the modules that
// do not fit (in list order, at most kMaxPlantFaults).
LotCurves FitLot(const PlantLot& lot, std::vector<std::pair<std::size_t, FitProblem>>& problems);

// The maximum power point of every input of `slots` and the plant's figures.
ModeResult EvaluateSlots(Slots slots, const PlantStructure& structure, const LotCurves& curves, const PlantLot& lot);

PlantSummary SummaryOf(const PlantPlan& plan);
// The register and the pick list (PlantFiles::register_csv, picklist_csv).
PlantFiles FormatPlantLists(const PlantPlan& plan);
std::string FormatPlantJson(const PlantPlan& plan);

}  // namespace voltrigg::plant
