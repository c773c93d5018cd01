#!/usr/bin/env bash
# Times whole voltrigg-cli runs, process start to result file written, on
# generated module lists, and prints a table of the median (and the spread)
# per list size and shape.
#
#   bench/run_cli_bench.sh [BUILD_DIR] [RUNS] [OUT_DIR]
#
# BUILD_DIR holds voltrigg-cli and bench/voltrigg-genlist (default: build-bench
# beside this script's folder); RUNS timed runs per row (default 31), after
# three untimed ones; OUT_DIR receives the lists and result files (default: a
# new folder under TMPDIR, removed afterwards). The result file is synced to
# its disk before the run ends, so a busy disk shows in the times; an OUT_DIR
# in memory (/dev/shm) shows the runs without it. Each time is taken with
# bash's own clock around the process, so no helper process is counted.
# CLI_ARGS adds options to every run, e.g. the assessment with its inverter window:
#
#   CLI_ARGS="--assess --inverter examples/inverter_central_100k.json" bench/run_cli_bench.sh build 5
set -euo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
build=${1:-"$here/../build-bench"}
runs=${2:-31}
cli="$build/voltrigg-cli"
genlist="$build/bench/voltrigg-genlist"
for tool in "$cli" "$genlist"; do
  [[ -x $tool ]] || { echo "run_cli_bench.sh: $tool not found; build with -DVOLTRIGG_BENCH=ON" >&2; exit 2; }
done
[[ $runs =~ ^[1-9][0-9]*$ ]] || { echo "run_cli_bench.sh: RUNS must be a positive number" >&2; exit 2; }

read -r -a extra <<<"${CLI_ARGS:-}"

work=$(mktemp -d "${3:-${TMPDIR:-/tmp}}/voltrigg-cli-bench.XXXXXX")
trap 'rm -rf "$work"' EXIT

[[ -n ${EPOCHREALTIME:-} ]] || { echo "run_cli_bench.sh: needs bash 5 (EPOCHREALTIME)" >&2; exit 2; }

# "N S P" rows; 250 modules make no whole strings of 20, so 260 stands in.
shapes=("100 10 10" "250 10 25" "500 10 50" "1000 10 100" "100 20 5" "260 20 13" "500 20 25" "1000 20 50")

printf 'voltrigg-cli %s, process start to result file in %s; %d runs per row (ms)\n' "${extra[*]}" \
  "${3:-${TMPDIR:-/tmp}}" "$runs"
printf '%5s %3s %4s | %8s %8s %8s\n' N S P median min max
for shape in "${shapes[@]}"; do
  read -r n s p <<<"$shape"
  list="$work/list-$n.csv"
  [[ -f $list ]] || "$genlist" --count "$n" --seed "$((1000 + n))" >"$list"
  out="$work/result-$n-$s"
  for _ in 1 2 3; do "$cli" -s "$s" -p "$p" -o "$out" "${extra[@]}" "$list" >/dev/null 2>&1; done
  times=()
  for ((i = 0; i < runs; i++)); do
    rm -f "$out.csv"
    # Microseconds, read from bash's clock with no process of its own.
    start=${EPOCHREALTIME/[.,]/}
    "$cli" -s "$s" -p "$p" -o "$out" "${extra[@]}" "$list" >/dev/null 2>&1
    end=${EPOCHREALTIME/[.,]/}
    [[ -s $out.csv ]] || { echo "run_cli_bench.sh: no result file for N=$n S=$s" >&2; exit 1; }
    times+=($((end - start)))
  done
  sorted=$(printf '%s\n' "${times[@]}" | sort -n)
  median=$(sed -n "$(((runs + 1) / 2))p" <<<"$sorted")
  min=$(head -n 1 <<<"$sorted")
  max=$(tail -n 1 <<<"$sorted")
  awk -v n="$n" -v s="$s" -v p="$p" -v a="$median" -v b="$min" -v c="$max" \
    'BEGIN { printf "%5d %3d %4d | %8.2f %8.2f %8.2f\n", n, s, p, a / 1000, b / 1000, c / 1000 }'
done
