#!/usr/bin/env bash
# Runs the benchmark charts side by side with the same programs in Lua 5.4
# and in Python and prints, for each, the median of three wall-clock times,
# the ratios (chart / Lua, chart / CPython) and the peak resident memory of
# each; the same program translated to C with `tavrin-cli gen --exact` (the
# C that does exactly what the run does) and compiled with gcc -O2 gives the
# floor.
#
# Usage: bench/run.sh [BUILD_DIR]   (default: build-bench below the source tree)
# With TAVRIN_CLI set to a tavrin-cli program, that one is measured and
# nothing is built (to compare with another version).
#
# The chart runner is built without the Qt renderer (TAVRIN_BUILD_GUI=OFF):
# `tavrin-cli run` needs none of it, and the Qt libraries alone would add
# more resident memory than a whole benchmark uses.
set -euo pipefail

here="$(cd "$(dirname "$0")" && pwd)"
source_dir="$(dirname "$here")"
build_dir="${1:-$source_dir/build-bench}"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

benchmarks=(sum bubble sieve collatz matrix lcs numeric)
runs=3

command -v python3 >/dev/null || { echo "run.sh: python3 is needed" >&2; exit 1; }
command -v lua5.4 >/dev/null || { echo "run.sh: lua5.4 is needed (scripts/install-deps.sh)" >&2; exit 1; }
[ -x /usr/bin/time ] || { echo "run.sh: /usr/bin/time is needed (package time)" >&2; exit 1; }

if [ -n "${TAVRIN_CLI:-}" ]; then
  cli="$TAVRIN_CLI"
else
echo "building tavrin-cli in $build_dir ..." >&2
if ! { cmake -S "$source_dir" -B "$build_dir" -DCMAKE_BUILD_TYPE=Release -DTAVRIN_BUILD_GUI=OFF \
  -DTAVRIN_BUILD_BENCH=OFF && cmake --build "$build_dir" --target tavrin-cli -j2; } >"$work/build.log" 2>&1; then
  cat "$work/build.log" >&2
  exit 1
fi
cli="$build_dir/bin/tavrin-cli"
fi

# measure OUT_PREFIX COMMAND...: runs the command $runs times with its output
# in OUT_PREFIX.out and prints "median_seconds peak_kb" (peak: the largest).
measure() {
  local prefix="$1"
  shift
  local times=() peak=0
  for ((k = 0; k < runs; k++)); do
    # Wall time to the millisecond (time's own %e has hundredths, too coarse
    # for the fastest programs); time gives the peak memory.
    local start end
    start=$(date +%s%N)
    /usr/bin/time -f "%M" -o "$prefix.time" "$@" </dev/null >"$prefix.out" 2>/dev/null || true
    end=$(date +%s%N)
    read -r kb <"$prefix.time"
    seconds=$(awk -v a="$start" -v b="$end" 'BEGIN { printf "%.3f", (b - a) / 1e9 }')
    times+=("$seconds")
    ((kb > peak)) && peak=$kb
  done
  local median
  median=$(printf '%s\n' "${times[@]}" | sort -g | sed -n "$(((runs + 1) / 2))p")
  echo "$median $peak"
}

row='%-8s %8s %7s %6s %7s %7s %9s %8s %9s %9s\n'
printf "$row" benchmark chart_s lua_s /lua python_s /python chart_KB lua_KB python_KB gcc_O2_s
for name in "${benchmarks[@]}"; do
  pad="$work/$name.pad"
  "$cli" build "$here/charts/$name.outline" -o "$pad" >/dev/null
  read -r chart_s chart_kb < <(measure "$work/$name.chart" "$cli" run "$pad")
  read -r lua_s lua_kb < <(measure "$work/$name.lua" lua5.4 "$here/lua/$name.lua")
  read -r py_s py_kb < <(measure "$work/$name.py" python3 "$here/python/$name.py")

  # "-" where gen --exact refuses a text of the chart.
  gcc_s="-"
  if "$cli" gen "$pad" --exact -o "$work/$name.c" >/dev/null 2>&1 \
    && gcc -O2 -w -o "$work/$name.bin" "$work/$name.c" -lm 2>/dev/null; then
    read -r gcc_s _ < <(measure "$work/$name.gcc" "$work/$name.bin")
  fi

  lua_ratio=$(awk -v a="$chart_s" -v b="$lua_s" 'BEGIN { printf "%.2f", (b > 0 ? a / b : 0) }')
  py_ratio=$(awk -v a="$chart_s" -v b="$py_s" 'BEGIN { printf "%.2f", (b > 0 ? a / b : 0) }')
  printf "$row" "$name" "$chart_s" "$lua_s" "$lua_ratio" "$py_s" "$py_ratio" "$chart_kb" "$lua_kb" "$py_kb" "$gcc_s"
  echo "  chart:  $(tr -d '\r' <"$work/$name.chart.out" | grep -v '^press ENTER' | tail -n 1)" >&2
  echo "  lua:    $(tail -n 1 "$work/$name.lua.out")" >&2
  echo "  python: $(tail -n 1 "$work/$name.py.out")" >&2
done
