#pragma once
// Generated module lists for tests, benchmarks and fuzz seeds: values as a
// flash tester reports them for one batch of crystalline modules. Everything
// is derived from the seed with our own generator and arithmetic, so a seed
// gives the same list on every platform and standard library.
#include <cstdint>
#include <string>
#include <vector>

#include "input/module_list.h"

namespace voltrigg::testing {

// Small, fast, seedable generator (SplitMix64).
class SeededRandom {
 public:
  explicit SeededRandom(std::uint64_t seed) : state_(seed) {}
  std::uint64_t Next();
  double Uniform();                                        // [0, 1)
  int Below(int n);                                        // 0 .. n-1, n >= 1
  double Normal();                                         // mean 0, deviation 1, bounded to +-6
  template <class T>
  void Shuffle(std::vector<T>& items) {                    // Fisher-Yates
    for (int i = static_cast<int>(items.size()) - 1; i > 0; --i) std::swap(items[i], items[Below(i + 1)]);
  }

 private:
  std::uint64_t state_;
};

// One row of a generated list; the two further values of a row are the
// module's open-circuit voltage and short-circuit current.
struct GeneratedModule {
  int module_no = 0;
  std::string serial_no;
  double pmax_w = 0;
  double vpm_v = 0;
  double ipm_a = 0;
  double voc_v = 0;
  double isc_a = 0;
};

// The batch's module type, drawn from the seed: nameplate Pmax 250-450 W,
// 60- or 72-cell (Vpm 30-41 V), and the relative spread (2-3 %) of Vpm and Ipm.
struct ModuleType {
  double nominal_pmax_w = 0;
  double nominal_vpm_v = 0;
  double nominal_ipm_a = 0;
  double spread = 0;  // relative width that holds nearly all values of the batch
};
ModuleType DrawModuleType(SeededRandom& random);

// `count` modules numbered 1..count in shuffled (flash-test) order. Values are
// rounded as a tester prints them: Pmax 0.1 W, Vpm 0.01 V, Ipm 0.001 A.
std::vector<GeneratedModule> GenerateModules(int count, std::uint64_t seed);

// The list as a module list file: a header line, then one row per module,
// CR LF line ends.
std::string FormatModuleList(const std::vector<GeneratedModule>& modules);

// Loads the formatted list through the ordinary reader, so the table is
// sorted as a run sorts it. Returns ModuleCount.
int LoadGenerated(const std::vector<GeneratedModule>& modules, ModuleTable& table);

// Fills slots 1..values.size() of `table` directly, in the given order (no
// sorting): for cases the reader would reorder or cannot express.
struct VpmIpm {
  float vpm_v = 0;
  float ipm_a = 0;
};
void FillTable(const std::vector<VpmIpm>& values, ModuleTable& table);

}  // namespace voltrigg::testing
