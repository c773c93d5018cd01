#!/usr/bin/env bash
# Installs what is missing, builds and runs every test: the unit, run, window
# and command-line tests, the browser page's tests (its WebAssembly core
# against voltrigg-cli in Node, the page in headless chromium), then the
# sanitizer suite, static analysis and a short fuzz pass where those are set up.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install_deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVOLTRIGG_WERROR=ON -DVOLTRIGG_TESTS=ON -DVOLTRIGG_BENCH=ON
cmake --build build
ctest --test-dir build --output-on-failure | tee build/ctest.log
summary=$(grep -E '^[0-9]+% tests passed' build/ctest.log | tail -n 1)

# The browser page: built (scripts/build_web.sh installs what it needs), then
# Node's test runner over tests/web/, which needs build/voltrigg-cli and
# build/bench/voltrigg-genlist from above. A failure is counted and reported
# in the closing line; the script then ends with status 1.
echo "== scripts/build_web.sh"
web_start=$(date +%s)
bash scripts/build_web.sh
echo "== web tests (node --test tests/web/)"
web_status=0
node --test --test-reporter=tap tests/web/ 2>&1 | tee build-web/web-tests.log || web_status=$?
web_count() { grep -E "^# $1 [0-9]+" build-web/web-tests.log | tail -n 1 | awk '{print $3}'; }
web_pass=$(web_count pass)
web_fail=$(web_count fail)
web_skip=$(web_count skipped)
web_pass=${web_pass:-0}
web_skip=${web_skip:-0}
if [ -z "$web_fail" ]; then web_fail=$((web_status != 0 ? 1 : 0)); fi
echo "web: $web_pass passed, $web_fail failed, $web_skip skipped ($(($(date +%s) - web_start)) s with the build)"
for extra in scripts/sanitize.sh scripts/static_analysis.sh scripts/fuzz.sh; do
  if [ -f "$extra" ]; then
    echo "== $extra"
    bash "$extra"
  fi
done

# One closing line for the whole suite: the main build's test counts and the web tests'.
total=$(sed -E 's/.* out of ([0-9]+).*/\1/' <<<"$summary")
failed=$(sed -E 's/.*, ([0-9]+) tests failed.*/\1/' <<<"$summary")
skipped=$(grep -c '\*\*\*Skipped' build/ctest.log || true)
echo "tests: $((total - failed - skipped + web_pass)) passed, $((failed + web_fail)) failed, $((skipped + web_skip)) skipped"
if [ "$web_status" -ne 0 ] || [ "$web_fail" -ne 0 ]; then exit 1; fi
