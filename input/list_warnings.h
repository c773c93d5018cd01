#pragma once
// What the planning rule accepts in a module list but a planner must see:
// module numbers or serial numbers used twice, Pmax, Vpm or Ipm at or below
// 0, and values far from the lot's median (a typing slip such as 5490 for
// 54.90). Warnings only: the run and its figures are unchanged.
#include <cstddef>
#include <functional>
#include <string>
#include <vector>

#include "input/module_list.h"

namespace voltrigg {

// What columns 6 and 7 are used as; None when nothing uses them.
enum class ExtrasUse { None, VocIsc, IscVoc };

// A value more than this share away from the lot's median is warned about.
inline constexpr double kFarFromMedianShare = 0.20;

struct ListWarning {
  enum class Kind { DuplicateNumber, DuplicateSerial, NotPositive, FarFromMedian };
  Kind kind = Kind::DuplicateNumber;
  int column = 0;                 // 0..6, the list's column (extras by their use)
  std::string name;               // the column's name: "Pmax", "Voc", ...
  std::string unit;               // "W", "V", "A"; empty for numbers and serials
  std::string value;              // the duplicated number's text or serial number's bytes
  double median = 0;              // FarFromMedian: the lot's median in `unit`
  std::vector<int> rows;          // data rows involved, ascending (data row 1 is the first after the header)
  std::vector<float> row_values;  // NotPositive, FarFromMedian: each row's value in `unit`
};

// The warnings of a list in file order (`rows[k]` is data row k + 1), in a
// fixed order: duplicate numbers, duplicate serial numbers, then per column
// values at or below 0 and values far from the median.
std::vector<ListWarning> ListWarnings(const std::vector<ListRow>& rows, ExtrasUse extras);

// One line of text (UTF-8) for a warning; at most `rows_named` rows are
// named, then the count of the others. `shown_serial` turns a serial number's
// bytes into UTF-8 for the reader (Shift-JIS serials pass through it).
std::string ListWarningText(const ListWarning& warning,
                            const std::function<std::string(const std::string&)>& shown_serial,
                            std::size_t rows_named = 10);

// The lines every front end shows of a list's warnings: the first `shown`
// as ListWarningText gives them, then one line with how many more.
std::vector<std::string> ListWarningLines(const std::vector<ListWarning>& warnings,
                                          const std::function<std::string(const std::string&)>& shown_serial,
                                          std::size_t shown = 10);

}  // namespace voltrigg
