#!/usr/bin/env bash
# Builds the libFuzzer targets with clang (ASan + UBSan) and runs each for a
# bounded time, starting from the committed seed corpus.
#
#   scripts/fuzz.sh                  30 s per target (the CI pass)
#   scripts/fuzz.sh --seconds 600    a long pass, 10 minutes per target
#   scripts/fuzz.sh --target whole_run --seconds 60
#
# New corpus entries collect in build-fuzz/corpus/<target> (kept between
# runs, never committed by this script); a crash, leak or timeout leaves its
# input in build-fuzz/artifacts/<target>/ and fails the script.
# Needs: clang, libclang-rt-14-dev, cmake, ninja-build.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)

seconds=30
build=build-fuzz
targets=(module_list run_counts whole_run search_passes result_reader assessment inverter_profile measurement_file
  plant_input)
chosen=()
while [ $# -gt 0 ]; do
  case "$1" in
    --seconds) seconds=${2:?--seconds needs a number}; shift 2 ;;
    --seconds=*) seconds=${1#*=}; shift ;;
    --target) chosen+=("${2:?--target needs a name}"); shift 2 ;;
    --build-dir) build=${2:?--build-dir needs a path}; shift 2 ;;
    -h|--help) sed -n '2,13p' "$0"; exit 0 ;;
    *) echo "fuzz.sh: unknown argument: $1" >&2; exit 64 ;;
  esac
done
if ! [[ "$seconds" =~ ^[1-9][0-9]*$ ]]; then
  echo "fuzz.sh: --seconds must be a whole number of seconds above 0" >&2
  exit 64
fi
if [ ${#chosen[@]} -gt 0 ]; then targets=("${chosen[@]}"); fi

# Longest input per target: a module list of a few hundred rows keeps a whole
# run (the arrangement search grows with the cube of the module count) fast.
max_len() {
  case "$1" in
    module_list) echo 65536 ;;
    run_counts) echo 256 ;;
    whole_run|search_passes|assessment) echo 4096 ;;
    result_reader) echo 65536 ;;
    inverter_profile) echo 4096 ;;
    measurement_file) echo 65536 ;;
    plant_input) echo 65536 ;;
    *) echo "fuzz.sh: unknown target: $1" >&2; exit 64 ;;
  esac
}
for t in "${targets[@]}"; do max_len "$t" >/dev/null; done

mkdir -p "$build"
echo "== fuzz: configuring and building the targets in $build"
CC=clang CXX=clang++ cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DVOLTRIGG_FUZZ=ON -DVOLTRIGG_GUI=OFF -DVOLTRIGG_TESTS=OFF -DVOLTRIGG_BENCH=OFF >"$build/configure.log" 2>&1 ||
  { cat "$build/configure.log"; echo "fuzz.sh: configure failed" >&2; exit 1; }
cmake --build "$build" -j 2 --target $(printf 'fuzz_%s ' "${targets[@]}")

summary=()
failed=0
for t in "${targets[@]}"; do
  work="$root/$build/corpus/$t"
  artifacts="$root/$build/artifacts/$t/"
  log="$root/$build/fuzz-$t.log"
  mkdir -p "$work" "$artifacts"
  echo "== fuzz: $t for ${seconds} s (log: $log)"
  status=0
  # The first folder receives new inputs; the committed seeds are only read.
  "$root/$build/fuzz/fuzz_$t" "$work" "$root/fuzz/corpus/$t" \
    -max_total_time="$seconds" -max_len="$(max_len "$t")" -timeout=30 -rss_limit_mb=2048 \
    -artifact_prefix="$artifacts" -print_final_stats=1 >"$log" 2>&1 || status=$?
  execs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
  last=$(grep -E '^#[0-9]+' "$log" | tail -1 || true)
  cov=$(sed -n 's/.* cov: \([0-9]*\).*/\1/p' <<<"$last")
  ft=$(sed -n 's/.* ft: \([0-9]*\).*/\1/p' <<<"$last")
  corpus=$(find "$work" -type f | wc -l)
  if [ "$status" -eq 0 ]; then
    result=ok
  else
    result="FAILED (exit $status)"
    failed=1
    grep -E 'ERROR|SUMMARY|Test unit written|deadly signal|timeout' "$log" | head -20 >&2 || true
  fi
  summary+=("$(printf '%-14s %-18s execs %-10s cov %-6s ft %-7s corpus %s' "$t" "$result" "${execs:-?}" \
    "${cov:-?}" "${ft:-?}" "$corpus")")
done

echo "== fuzz summary (${seconds} s per target)"
printf '%s\n' "${summary[@]}"
if [ "$failed" -ne 0 ]; then
  echo "fuzz.sh: a target failed; its input is in $build/artifacts/<target>/" >&2
  exit 1
fi
echo "fuzz.sh: all targets ran clean"
