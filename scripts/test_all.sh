#!/usr/bin/env bash
# Installs what is missing, builds and runs every test: the unit, run, window
# and command-line tests, then the sanitizer suite, static analysis and a
# short fuzz pass where those are set up.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install_deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build
ctest --test-dir build --output-on-failure
for extra in scripts/sanitize.sh scripts/static_analysis.sh scripts/fuzz.sh; do
  if [ -f "$extra" ]; then
    echo "== $extra"
    bash "$extra"
  fi
done
