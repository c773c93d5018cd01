#include "support/known_result.h"

#include <gtest/gtest.h>

#include "run/calculation_run.h"
#include "support/module_generator.h"

namespace voltrigg::testing {

const char kKnownResult[] =
    "\"Input Filename=\",\"known.csv\"\r\n"
    "\"Simple Sum of Module Pmax [W]=\",1500.5\r\n"
    "\"Minimum\",\"Array Pmax [W]=\",1400.25,\"Array Vpm [V]=\",180.5,\"Array Ipm [A]=\",7.75\r\n"
    "\"Initial\",\"Array Pmax [W]=\",1450,\"Array Vpm [V]=\",181,\"Array Ipm [A]=\",8\r\n"
    "\"Estimated\",\"Array Pmax [W]=\",1460.5,\"Array Vpm= [V]\",182,\"Array Ipm [A]=\",8.025\r\n"
    "\"Obtained Array Matrix as as follows:\"\r\n"
    "\"String\",\"Module No\",\"S/N\",\"Vpm [V]\",\"Ipm [A]\"\r\n"
    "1,3,\"K-3\",30,8\r\n"
    "1,1,\"K-1\",31,8.5\r\n"
    "1,6,\"K-6\",29,7.5\r\n"
    "2,2,\"K-2\",30.5,8.1\r\n"
    "2,5,\"K-5\",30,8.2\r\n"
    "2,4,\"K-4\",30,8.3\r\n";

const char kKnownList[] =
    "No,S/N,Pmax,Vpm,Ipm,Voc,Isc\r\n"
    "1,K-1,263.5,31,8.5,38.5,9.0\r\n"
    "2,K-2,247.05,30.5,8.1,37.9,8.6\r\n"
    "3,K-3,240,30,8,37.3,8.5\r\n"
    "4,K-4,249,30,8.3,37.4,8.8\r\n"
    "5,K-5,246,30,8.2,37.4,8.7\r\n"
    "6,K-6,217.5,29,7.5,36.2,8.0\r\n";

void MakeRunResult(const TempDir& dir, int series, int parallel, unsigned seed) {
  WriteFile(dir / "list.csv", FormatModuleList(GenerateModules(series * parallel, seed)));
  RunState s;
  s.InputPath = dir / "list.csv";
  s.InputName = "list.csv";
  s.OutputBase = dir / "result";
  RecordingFrontEnd ui{std::to_string(series), std::to_string(parallel)};
  ASSERT_EQ(CalculationRun(s, ui), RunOutcome::Completed);
}

}  // namespace voltrigg::testing
