#!/usr/bin/env bash
# Installs what is missing, builds and runs every test: the unit, run, window
# and command-line tests, then the sanitizer suite, static analysis and a
# short fuzz pass where those are set up.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install_deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVOLTRIGG_WERROR=ON -DVOLTRIGG_TESTS=ON -DVOLTRIGG_BENCH=ON
cmake --build build
ctest --test-dir build --output-on-failure | tee build/ctest.log
summary=$(grep -E '^[0-9]+% tests passed' build/ctest.log | tail -n 1)
for extra in scripts/sanitize.sh scripts/static_analysis.sh scripts/fuzz.sh; do
  if [ -f "$extra" ]; then
    echo "== $extra"
    bash "$extra"
  fi
done

# One closing line for the whole suite: the main build's test counts.
total=$(sed -E 's/.* out of ([0-9]+).*/\1/' <<<"$summary")
failed=$(sed -E 's/.*, ([0-9]+) tests failed.*/\1/' <<<"$summary")
skipped=$(grep -c '\*\*\*Skipped' build/ctest.log || true)
echo "tests: $((total - failed - skipped)) passed, $failed failed, $skipped skipped"
