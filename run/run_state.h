#pragma once
#include <cstdint>
#include <string>

#include "calc/baseline.h"
#include "calc/final_matrix.h"
#include "calc/search.h"
#include "input/module_list.h"

namespace voltrigg {

// Everything a run reads and leaves behind. The front end owns one and hands
// it to every run; the tables are empty between runs, the counts and figures
// hold the last run's values.
struct RunState {
  std::int16_t SeriesCount = 0;
  std::int16_t ParallelCount = 0;
  std::int16_t ModuleCount = 0;

  std::string InputPath;
  std::string InputName;
  std::string OutputBase;

  ModuleTable modules;
  BaselineFigures baseline;  // SimplePmaxSum and MinimumPoint
  OperatingPoint InitialPoint;
  PassResult pass1;
  PassResult pass2;
  FinalMatrixResult final;

  // Every table back to zeros and empty texts; counts and figures stay.
  void ClearTables();
};

}  // namespace voltrigg
