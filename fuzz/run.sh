#!/usr/bin/env bash
# Builds the libFuzzer targets (clang, AddressSanitizer and
# UndefinedBehaviorSanitizer) and runs each for SECONDS, one after another.
#
#   fuzz/run.sh SECONDS [TARGET...]
#
# Targets: pad_reader interpreter interp_diff chart_run outline_reader (all
# by default).
# Each run starts from the seeds in fuzz/corpus/TARGET, seeds made from the
# examples and test data, and the corpus kept from earlier runs in
# fuzz/corpus-TARGET/. Logs go to fuzz/out/logs/, inputs that fail to
# fuzz/out/artifacts/TARGET/ (rerun one with: fuzz/out/build/fuzz_TARGET FILE).
# Every target runs with memory limits: no single allocation may pass its
# -malloc_limit_mb (64 MB for charts, whose runs get a 32 MB budget, so a
# store that reserves far more than it holds is a fault) and no run may pass
# -rss_limit_mb.
# Exits non-zero when a target finds a fault.
set -euo pipefail
cd "$(dirname "$0")/.."
root="$PWD"

if [ $# -lt 1 ] || ! [[ "$1" =~ ^[0-9]+$ ]]; then
  echo "usage: fuzz/run.sh SECONDS [TARGET...]" >&2
  exit 2
fi
seconds="$1"
shift
all_targets=(pad_reader interpreter interp_diff chart_run outline_reader)
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=("${all_targets[@]}")
for t in "${targets[@]}"; do
  case " ${all_targets[*]} " in
    *" $t "*) ;;
    *) echo "fuzz/run.sh: unknown target: $t" >&2; exit 2 ;;
  esac
done

out="$root/fuzz/out"
cxx="${FUZZ_CXX:-$(command -v clang++ || command -v clang++-14 || true)}"
if [ -z "$cxx" ]; then
  echo "fuzz/run.sh: clang++ is needed (scripts/install-deps.sh installs it)" >&2
  exit 1
fi
cmake -S fuzz -B "$out/build" -DCMAKE_CXX_COMPILER="$cxx" >/dev/null
cmake --build "$out/build" -j"$(nproc)" --target $(printf 'fuzz_%s ' "${targets[@]}")

# Seeds made from the examples and the test data.
seeds="$out/seeds"
rm -rf "$seeds"
mkdir -p "$seeds/pad" "$seeds/outline" "$seeds/interpreter" "$out/logs"
for f in examples/*.pad tests/data/model/*.pad; do
  [ -f "$f" ] && cp "$f" "$seeds/pad/"
done
for f in examples/*.outline tests/data/model/*.outline; do
  [ -f "$f" ] || continue
  cp "$f" "$seeds/outline/"
  # The box texts of an outline, one per line, marked as the interpreter
  # target expects: ">" for output lists, "<" for input lists.
  awk '
    /^[[:space:]]*#/ { next }
    {
      line = $0; sub(/^[[:space:]]+/, "", line)
      colon = index(line, ": "); if (colon == 0) next
      kind = substr(line, 1, colon - 1); sub(/ @.*/, "", kind)
      text = substr(line, colon + 2)
      if (kind == "output") print ">" text
      else if (kind == "input") print "<" text
      else print text
    }' "$f" >"$seeds/interpreter/$(basename "$f" .outline).txt"
done
cat fuzz/dict/pad.dict fuzz/dict/interpreter.dict >"$out/chart_run.dict"

status=0
passed=0
failed=0
for t in "${targets[@]}"; do
  case "$t" in
    pad_reader)     opts=(-max_len=4096 -malloc_limit_mb=64 -dict=fuzz/dict/pad.dict); extra=("$seeds/pad") ;;
    interpreter)    opts=(-max_len=512 -malloc_limit_mb=256 -dict=fuzz/dict/interpreter.dict); extra=("$seeds/interpreter") ;;
    interp_diff)    opts=(-max_len=512 -malloc_limit_mb=256 -dict=fuzz/dict/interpreter.dict); extra=("$seeds/interpreter" fuzz/corpus/interpreter) ;;
    chart_run)      opts=(-max_len=4096 -malloc_limit_mb=64 -dict="$out/chart_run.dict"); extra=("$seeds/pad") ;;
    outline_reader) opts=(-max_len=4096 -malloc_limit_mb=64 -dict=fuzz/dict/outline.dict); extra=("$seeds/outline") ;;
  esac
  corpus="$root/fuzz/corpus-$t"
  artifacts="$out/artifacts/$t"
  mkdir -p "$corpus" "$artifacts"
  [ -d "fuzz/corpus/$t" ] && extra+=("fuzz/corpus/$t")
  log="$out/logs/$t.log"
  echo "fuzz: $t for ${seconds}s (log: $log)"
  rc=0
  "$out/build/fuzz_$t" "${opts[@]}" -timeout=20 -rss_limit_mb=1024 -max_total_time="$seconds" \
    -print_final_stats=1 -artifact_prefix="$artifacts/" "$corpus" "${extra[@]}" >"$log" 2>&1 || rc=$?
  done_line="$(grep -E '^#[0-9]+[[:space:]]+(DONE|pulse|NEW|REDUCE|INITED)' "$log" | tail -n 1 || true)"
  execs="$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -n 1)"
  rate="$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log" | tail -n 1)"
  edges="$(sed -n 's/.* cov: \([0-9]*\).*/\1/p' <<<"$done_line")"
  echo "fuzz: $t: ${execs:-?} executions, ${rate:-?}/s, ${edges:-?} edges, exit $rc"
  if [ "$rc" -ne 0 ]; then
    echo "fuzz: $t FAILED; the end of its log:" >&2
    tail -n 40 "$log" >&2
    status=1
    failed=$((failed + 1))
  else
    passed=$((passed + 1))
  fi
done
echo "fuzz: $passed passed, $failed failed"
exit "$status"
