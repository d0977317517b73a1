#!/usr/bin/env bash
# Grades a made-up class with tavrin-cli test and prints the figures: 300
# charts (the examples and variants of a gcd exercise: right, wrong, copies,
# broken, unreadable, looping forever, flooding their output, allocating huge
# arrays) against 10 cases each, on 2 workers. Prints the wall time, the
# grader's own peak resident memory (its children are bounded by --memory)
# and how many runs ended in each result kind.
#
# Usage: bench/grade.sh [BUILD_DIR]   (default: build below the source tree)
set -euo pipefail

here="$(cd "$(dirname "$0")" && pwd)"
source_dir="$(dirname "$here")"
build_dir="${1:-$source_dir/build}"
cli="$build_dir/bin/tavrin-cli"
[ -x "$cli" ] || { echo "grade.sh: build tavrin-cli first ($cli)" >&2; exit 1; }
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
class="$work/class"
cases="$work/cases"
mkdir -p "$class" "$cases" "$work/outlines"

# Ten pairs of numbers; the expected outputs come from the model chart.
pairs=("1071 462" "12 18" "7 13" "100 75" "81 27" "17 17" "1 99" "270 192" "46368 28657" "9 6")
for i in "${!pairs[@]}"; do
  read -r a b <<<"${pairs[$i]}"
  printf '%s\n%s\n' "$a" "$b" >"$cases/case$((i + 1)).in"
done

gcd="$source_dir/examples/gcd.outline"
build() { # build NAME OUTLINE_TEXT
  printf '%s' "$2" >"$work/outlines/$1.outline"
  "$cli" build "$work/outlines/$1.outline" -o "$class/$1.pad"
}

n=0
for example in "$source_dir"/examples/*.pad; do
  cp "$example" "$class/example-$(basename "$example")"
  n=$((n + 1))
done
# Right answers: many distinct, some exact copies of each other.
for i in $(seq 1 150); do
  if [ $((i % 10)) -eq 0 ]; then
    build "right-$i" "$(cat "$gcd")"
  else
    build "right-$i" "simple: k = $i
$(cat "$gcd")"
  fi
  n=$((n + 1))
done
# Wrong answers: the loop stops one step early for some inputs.
for i in $(seq 1 $((300 - n - 50))); do
  build "wrong-$i" "$(sed 's/pre-loop: y != 0/pre-loop: y > 1/' "$gcd")
simple: w = $i"
  n=$((n + 1))
done
for i in $(seq 1 10); do
  build "loop-$i" "input: a, b
pre-loop: a != $i.5
  simple: b = b + 1"
  build "flood-$i" "input: a, b
pre-loop: 1
  output: \"flooding the terminal with line after line of output $i\""
  build "memory-$i" "input: a, b
simple: z = $i
simple: k = 0
pre-loop: i = 1, 40
  simple: k = 2 * k + 4096
  simple: a[k] = 0.5"
  build "broken-$i" "input: a, b
branch: a > b
  then
    simple: x = a +* $i
  else
    simple: x = b / (a"
  n=$((n + 4))
done
for i in $(seq 1 10); do
  head -c $((i * 7)) "$class/right-1.pad" >"$class/unreadable-$i.pad"
  n=$((n + 1))
done
echo "$n charts, ${#pairs[@]} cases" >&2

# The grader's own peak memory, sampled while it runs (its children's
# memory is theirs, bounded by --memory, and not counted).
# `times` runs in this shell (not in a command substitution, whose children
# are its own) and gives the CPU time of the waited-for children.
children_cpu() { tail -1 "$1" | awk '{ for (i = 1; i <= 2; ++i) { split($i, t, "m"); s += t[1] * 60 + t[2] } } END { printf "%.2f", s }'; }
times >"$work/times-before"
start=$(date +%s.%N)
"$cli" test "$class" --cases "$cases" --expected-from "$source_dir/examples/gcd.pad" -j 2 \
  --max-steps 200000 --timeout 2 --csv "$work/r.csv" --json "$work/r.json" --html "$work/r.html" >"$work/table.txt" &
pid=$!
peak=0
while kill -0 "$pid" 2>/dev/null; do
  hwm=$(awk '/VmHWM/ {print $2}' "/proc/$pid/status" 2>/dev/null || true)
  [ -n "$hwm" ] && peak=$hwm
  sleep 0.1
done
status=0
wait "$pid" || status=$?
end=$(date +%s.%N)
# CPU time of the grader and its runs: on a busy machine the wall time
# waits for other work, and this over 2 cores is what an idle one needs.
times >"$work/times-after"
cpu=$(echo "$(children_cpu "$work/times-after") - $(children_cpu "$work/times-before")" | bc)

runs=$(($(wc -l <"$work/r.csv") - 1))
printf '%-28s %s\n' "charts x cases" "$n x ${#pairs[@]}"
printf '%-28s %s\n' "wall time (s)" "$(echo "$end - $start" | bc)"
printf '%-28s %s\n' "CPU time, all processes (s)" "$cpu"
printf '%-28s %s\n' "grader peak RSS (MB)" "$(echo "scale=1; $peak / 1024" | bc)"
printf '%-28s %s\n' "exit status" "$status"
printf '%-28s %s\n' "rows of the CSV report" "$runs"
printf '%-28s %s\n' "HTML report (KB)" "$(($(stat -c %s "$work/r.html") / 1024))"
echo "runs per result:"
tail -n +2 "$work/r.csv" | awk -F, '{print $3}' | sort | uniq -c | sort -rn
echo "looping charts: runs not stopped at the step limit:"
grep '^[^,]*/loop-' "$work/r.csv" | awk -F, '$3 != "steps"' | wc -l
