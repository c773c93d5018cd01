#pragma once
// A result file's rows found among the rows of a module list: the one match
// of list and result that the viewer, the page and voltrigg-cli commission
// share. Each result row takes the first unused list row of its module
// number with the same serial number, Vpm and Ipm; failing that the first
// one with the same serial number, failing that the first one of the number.
// Whatever does not fit is kept as a difference (what, where, the values).
#include <string>
#include <vector>

#include "assess/array_curve.h"
#include "input/module_list.h"
#include "output/result_reader.h"

namespace voltrigg {

struct ListDifference {
  enum class Kind {
    WiredTwice,   // the result wires a module number more often than the list holds it
    NotInList,    // the result's module number is not in the list
    Serial,       // the list's module of that number has another serial number
    Vpm,          // ... another Vpm
    Ipm,          // ... another Ipm
    NotInResult,  // a list row the result does not wire
  };
  Kind kind = Kind::NotInList;
  float module_no = 0;
  int result_row = -1;        // index into the result's rows (not for NotInResult)
  int line = 0;               // the result file's line of that row
  int first_line = 0;         // WiredTwice: the line that wires the number first
  int list_index = -1;        // index into the list's rows (Serial, Vpm, Ipm, NotInResult)
  std::string result_serial;  // Serial: the bytes on each side
  std::string list_serial;
  float result_value = 0;  // Vpm [V] or Ipm [A] on each side
  float list_value = 0;
};

struct ResultListMatch {
  int list_count = 0;                       // rows of the list
  int result_count = 0;                     // rows of the result
  std::vector<int> list_index;              // per result row: its list row, or -1
  std::vector<ListDifference> differences;  // result rows in file order, then the list rows left over

  // Every result row is a list row with the same values, and nothing is left over.
  bool Matches() const { return list_count == result_count && differences.empty(); }
};

ResultListMatch MatchResultToList(const std::vector<ResultRow>& result, const std::vector<ListRow>& list);

// The result's wiring as list indices, string by string in series order;
// only for a match (Matches()).
Wiring WiringOfMatch(const ResultListMatch& match, const std::vector<ResultRow>& result);

}  // namespace voltrigg
