// voltrigg-genlist: writes a generated module list (flash-test values of one
// batch of crystalline modules, shuffled) to standard output.
//   voltrigg-genlist --count N --seed K > list.csv
#include <CLI/CLI.hpp>
#include <cstdio>

#include "support/module_generator.h"

int main(int argc, char** argv) {
  CLI::App app{"Writes a generated module list for tests and benchmarks to standard output.", "voltrigg-genlist"};
  int count = 100;
  std::uint64_t seed = 1;
  app.add_option("-n,--count", count, "number of modules")->check(CLI::Range(0, 2001));
  app.add_option("--seed", seed, "seed; the same seed gives the same list");
  CLI11_PARSE(app, argc, argv);

  const std::string text = voltrigg::testing::FormatModuleList(voltrigg::testing::GenerateModules(count, seed));
  if (std::fwrite(text.data(), 1, text.size(), stdout) != text.size() || std::fflush(stdout) != 0) {
    std::perror("voltrigg-genlist");
    return 1;
  }
  return 0;
}
