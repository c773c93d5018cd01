#!/usr/bin/env bash
# Builds the whole test suite with AddressSanitizer + UndefinedBehaviorSanitizer
# (any error aborts the test that hit it, leaks included) and runs it with
# ctest, together with a replay of the committed fuzz corpora.
#
#   scripts/sanitize.sh            everything, the window tests included
#                                  (Qt's offscreen platform, no display)
#   scripts/sanitize.sh --no-gui   without the window and its tests
#
# Build tree: build-asan. Needs: build-essential (g++), cmake, ninja-build,
# libgtest-dev, libcli11-dev, and qt6-base-dev unless --no-gui.
set -euo pipefail
cd "$(dirname "$0")/.."

gui=ON
build=build-asan
while [ $# -gt 0 ]; do
  case "$1" in
    --gui) gui=ON; shift ;;
    --no-gui) gui=OFF; shift ;;
    --build-dir) build=${2:?--build-dir needs a path}; shift 2 ;;
    -h|--help) sed -n '2,12p' "$0"; exit 0 ;;
    *) echo "sanitize.sh: unknown argument: $1" >&2; exit 64 ;;
  esac
done

export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1:strict_string_checks=1:detect_stack_use_after_return=1:check_initialization_order=1${ASAN_OPTIONS:+:$ASAN_OPTIONS}"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1${UBSAN_OPTIONS:+:$UBSAN_OPTIONS}"

mkdir -p "$build"
echo "== sanitize: configuring $build (ASan + UBSan, window tests $gui)"
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVOLTRIGG_SANITIZE=ON -DVOLTRIGG_WERROR=ON \
  -DVOLTRIGG_GUI="$gui" -DVOLTRIGG_BENCH=OFF -DVOLTRIGG_TESTS=ON -DVOLTRIGG_FUZZ=ON >"$build/configure.log" 2>&1 ||
  { cat "$build/configure.log"; echo "sanitize.sh: configure failed" >&2; exit 1; }

echo "== sanitize: building"
cmake --build "$build" -j 2

echo "== sanitize: running the tests"
status=0
ctest --test-dir "$build" --output-on-failure -j 2 --timeout 600 | tee "$build/ctest.log" || status=$?

echo "== sanitize summary"
grep -E 'tests passed|tests failed' "$build/ctest.log" || true
if [ "$status" -ne 0 ]; then
  echo "sanitize.sh: FAILED: see the sanitizer reports above (ctest exit $status)" >&2
  exit 1
fi
echo "sanitize.sh: the suite ran clean under ASan + UBSan"
