#!/usr/bin/env bash
# Installs what is missing, builds, and plans the bundled example array:
# 60 modules as 6 strings of 10, result in build/example-result.csv, with the
# physical assessment (true maximum power points, voltage check) in
# build/example-result.assessment.json and its table on the screen.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install_deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release -DVOLTRIGG_WERROR=ON
cmake --build build
./build/voltrigg-cli --series 10 --parallel 6 --output build/example-result --assess examples/modules.csv
