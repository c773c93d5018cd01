#pragma once
// The page's plant tab: its form (the lists and the layout as picked, the
// sort, the pallet window and the conditions as typed) planned exactly as
// voltrigg-cli plant plans the same files, with the same refusals, summary
// and files; and a serial looked up in the register of the plan made.
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "app/shared/text_catalogue.h"
#include "plant/plant.h"

namespace voltrigg {

// A file as the page holds it: its name (no folder) and its bytes.
struct PlantFormFile {
  std::string name;
  std::string bytes;
};

struct PlantForm {
  std::vector<PlantFormFile> lists;
  PlantFormFile layout;
  std::string sort = "free";  // "delivered", "pallets" or "free"
  std::string pallet_window = "2";
  // The conditions as typed, by the option table's member ("tmin_c", ...);
  // one not given keeps the plant's default.
  std::vector<std::pair<std::string, std::string>> conditions;
  std::string extras = "voc,isc";
  Language language = Language::Japanese;
  ConditionNaming naming = ConditionNaming::Label;
};

// The conditions a plant starts from: the assessment's, with the plant's
// system voltage limit.
AssessConditions PlantConditionDefaults();

struct PlantFormRun {
  int exit_status = 0;                // as voltrigg-cli plant: 0, 1 (a check failed), 2 (refused), 64 (a form value)
  std::vector<std::string> refusals;  // one line each; not empty only for 2 and 64
  std::vector<std::string> warnings;  // the lists' warnings, "警告: ..." as voltrigg-cli prints them
  std::vector<std::string> summary;   // the summary as voltrigg-cli prints it
  PlantFiles files;                   // the three files' bytes (exit status 0 or 1)
};

// Plans `form` (the files taken from memory, never from disk).
PlantFormRun PlanPlantForm(const PlantForm& form, const PlantProgress& progress = {});

// What a progress display says at each stage.
std::string PlantStageText(PlantStage stage, Language language);

// Where a file dropped on the plant tab goes: a layout is a JSON object, anything else a list.
enum class PlantFileRole { List, Layout };
PlantFileRole RoleOfPlantFile(std::string_view bytes);

// One row of a register (BASE.register.csv): where a module goes. A spare's
// inverter is "spare" and its input, string and position are empty.
struct PlantRegisterRow {
  std::string serial;
  std::string pallet;
  std::string inverter;
  std::string input;
  std::string string;
  std::string position;
  bool Spare() const { return input.empty(); }
};

// A register read back for the search: every row by its serial.
class PlantRegisterIndex {
 public:
  PlantRegisterIndex() = default;
  // `register_csv` as PlanPlant writes it (header, CR LF rows, fields quoted where needed).
  explicit PlantRegisterIndex(const std::string& register_csv);
  std::size_t size() const { return rows_.size(); }
  // The row of `serial` (blanks around it ignored), or none.
  const PlantRegisterRow* Find(std::string_view serial) const;

 private:
  std::vector<PlantRegisterRow> rows_;
  std::unordered_map<std::string, std::size_t> by_serial_;
};

// "SI-1 の入力 2、ストリング 1 の 5 番目 (パレット P-0001)", or that it is a spare.
std::string PlantPlaceText(const PlantRegisterRow& row, Language language);
// The answer when no module of the plan has `serial`.
std::string PlantSerialNotFoundText(const std::string& serial, Language language);

}  // namespace voltrigg
