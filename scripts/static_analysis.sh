#!/usr/bin/env bash
# Static analysis of the program's own code (input/, calc/, output/, assess/, commission/, run/, plant/, app/ with
# the window in app/gui/): clang-tidy with the checks in .clang-tidy and
# cppcheck with the suppressions in .cppcheck-suppressions; and the layout of
# the C++ files (tests, benchmarks and fuzz targets too)
# against .clang-format. Any finding fails.
#
#   scripts/static_analysis.sh            with the window code (needs Qt 6)
#   scripts/static_analysis.sh --no-gui   the core and voltrigg-cli only
#
# Build tree: build-tidy (configured with clang for the compile commands).
# Needs: clang, clang-tidy, clang-format, cppcheck, cmake, ninja-build,
# libcli11-dev, and for the window code qt6-base-dev.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)

gui=ON
build=build-tidy
while [ $# -gt 0 ]; do
  case "$1" in
    --no-gui) gui=OFF; shift ;;
    --build-dir) build=${2:?--build-dir needs a path}; shift 2 ;;
    -h|--help) sed -n '2,11p' "$0"; exit 0 ;;
    *) echo "static_analysis.sh: unknown argument: $1" >&2; exit 64 ;;
  esac
done

pick() { for tool in "$@"; do if command -v "$tool" >/dev/null; then echo "$tool"; return; fi; done; }
tidy=$(pick clang-tidy-14 clang-tidy)
run_tidy=$(pick run-clang-tidy-14 run-clang-tidy)
format=$(pick clang-format-14 clang-format)
if [ -z "$tidy" ] || [ -z "$run_tidy" ] || [ -z "$format" ] || ! command -v cppcheck >/dev/null; then
  echo "static_analysis.sh: needs clang-tidy (with run-clang-tidy), clang-format and cppcheck" >&2
  exit 1
fi

mkdir -p "$build"
echo "== static analysis: configuring $build (window code $gui)"
CC=clang CXX=clang++ cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DVOLTRIGG_GUI="$gui" \
  -DVOLTRIGG_TESTS=OFF -DVOLTRIGG_BENCH=OFF -DVOLTRIGG_FUZZ=OFF >"$build/configure.log" 2>&1 ||
  { cat "$build/configure.log"; echo "static_analysis.sh: configure failed" >&2; exit 1; }
# Generated sources (Qt's moc and resources) must exist for the window code.
autogen=$(ninja -C "$build" -t targets all | sed -n 's/^\([A-Za-z0-9_]*_autogen\): .*/\1/p' | sort -u)
if [ -n "$autogen" ]; then cmake --build "$build" -j 2 --target $autogen >/dev/null; fi

areas="(input|calc|output|app|assess|commission|run|plant)"
status=0

echo "== static analysis: clang-tidy ($tidy)"
tidy_log="$build/clang-tidy.log"
"$run_tidy" -clang-tidy-binary "$(command -v "$tidy")" -p "$build" -j 2 -quiet \
  -header-filter="^$root/$areas/" "^$root/$areas/.*\.cpp\$" >"$tidy_log" 2>&1 || status=1
sed -i 's/\x1b\[[0-9;]*m//g' "$tidy_log"
tidy_findings=$(grep -E '^/.*: (warning|error): ' "$tidy_log" | sort -u || true)
tidy_count=$(grep -c . <<<"$tidy_findings" || true)
tidy_files=$(grep -cE "\"file\": \"$root/$areas/.*\.cpp\"" "$build/compile_commands.json" || true)
if [ -n "$tidy_findings" ]; then
  grep -A3 -E '^/.*: (warning|error): ' "$tidy_log" | grep -v '^--$' >&2 || true
elif [ "$status" -ne 0 ]; then
  tail -30 "$tidy_log" >&2
fi

echo "== static analysis: cppcheck ($(cppcheck --version))"
cppcheck_log="$build/cppcheck.log"
cppcheck_status=0
cppcheck --std=c++20 --language=c++ --enable=warning,performance,portability,style --library=qt \
  --inline-suppr --suppressions-list=.cppcheck-suppressions --error-exitcode=1 -q -j 2 \
  -I . -I "$build/generated" --template='{file}:{line}:{column}: {severity}: {message} [{id}]' \
  input calc output app assess commission run $(test -d plant && echo plant) >"$cppcheck_log" 2>&1 || cppcheck_status=$?
cppcheck_count=$(grep -cE '^[^ ]+:[0-9]+:[0-9]+: ' "$cppcheck_log" || true)
if [ "$cppcheck_status" -ne 0 ]; then cat "$cppcheck_log" >&2; status=1; fi

echo "== static analysis: layout ($format, .clang-format)"
mapfile -t format_files < <(find input calc output assess commission run plant app tests bench fuzz \( -name '*.cpp' -o -name '*.h' \) 2>/dev/null | sort)
unformatted=()
for f in "${format_files[@]}"; do
  "$format" --dry-run -Werror "$f" >/dev/null 2>&1 || unformatted+=("$f")
done
if [ ${#unformatted[@]} -gt 0 ]; then
  for f in "${unformatted[@]}"; do echo "$f: not laid out as .clang-format says (fix: $format -i $f)" >&2; done
  status=1
fi

echo "== static analysis summary"
echo "clang-tidy: ${tidy_count:-0} finding(s) (files: ${tidy_files:-?}, checks: .clang-tidy, log: $tidy_log)"
echo "cppcheck:   ${cppcheck_count:-0} finding(s) (suppressions: .cppcheck-suppressions, log: $cppcheck_log)"
echo "layout:     ${#unformatted[@]} file(s) of ${#format_files[@]} differ from .clang-format"
if [ "$status" -ne 0 ]; then
  echo "static_analysis.sh: FAILED: fix the findings above (or, where a finding is wrong, suppress it with a reason)" >&2
  exit 1
fi
echo "static_analysis.sh: clean"
