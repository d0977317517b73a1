#!/usr/bin/env bash
# Peak memory and wall time of tavrin-cli on charts, files and inputs that
# try its bounds: scattered array elements, a million two-dimensional
# elements, a 100 MB input line, a 3 GB file offered as a chart, a text of
# 10 MB evaluated as an expression and as an output list, a box with that
# text rendered, and a time limit with an output pipe nobody reads.
#
# Usage: bench/limits.sh [TAVRIN_CLI]   (default: build/bin/tavrin-cli)
#
# Each case runs once under /usr/bin/time; "status" is the exit status. With
# the default bound of 64 MB a 100 MB input line is refused; the "_read" line
# raises the bound to show the time a line that long takes to read. The
# 3 GB file is sparse (it takes no disk space). Rendering needs a build with
# Qt (tavrin-render beside tavrin-cli); without it the line says so.
set -uo pipefail

here="$(cd "$(dirname "$0")" && pwd)"
cli="${1:-$here/../build/bin/tavrin-cli}"
[ -x "$cli" ] || { echo "limits.sh: no tavrin-cli at $cli" >&2; exit 1; }
[ -x /usr/bin/time ] || { echo "limits.sh: /usr/bin/time is needed (package time)" >&2; exit 1; }
command -v python3 >/dev/null || { echo "limits.sh: python3 is needed" >&2; exit 1; }
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

chart() { # NAME OUTLINE-TEXT
  printf '%s' "$2" >"$work/$1.outline"
  "$cli" build "$work/$1.outline" -o "$work/$1.pad" >/dev/null
}

chart powers $'simple: p = 1\npre-loop: i = 1, 30\n  simple: a[p] = p, p = p * 2\noutput: a[536870912]\n'
chart dense_jump $'simple: n = 0\npre-loop: i = 1, 30\n  simple: a[n] = 0.5, n = 2 * n + 4096\noutput: a[0]\n'
chart grid $'pre-loop: i = 0, 999\n  pre-loop: j = 0, 999\n    simple: m[i][j] = i + j\noutput: m[999][999]\n'
chart reader $'input: a\noutput: a\n'
chart chatty $'pre-loop: 1\n  output: "a line for a pipe that nobody reads"\n'
python3 -c 'import sys; sys.stdout.write("7" * (100 << 20) + "\n")' >"$work/line.txt"
truncate -s 3G "$work/huge.pad"
python3 - "$work/text.outline" <<'EOF'
import sys
with open(sys.argv[1], "w") as f:
    f.write("simple: " + "x = 1, " * (10 * 1024 * 1024 // 7) + "x = 1\n")
EOF
"$cli" build "$work/text.outline" -o "$work/text.pad" >/dev/null
python3 - "$work/list.outline" <<'EOF'
import sys
with open(sys.argv[1], "w") as f:
    f.write("output: " + "1, " * (10 * 1024 * 1024 // 3) + "1\n")
EOF
"$cli" build "$work/list.outline" -o "$work/list.pad" >/dev/null

# row NAME COMMAND...: one line of the table.
row() {
  local name="$1"
  shift
  /usr/bin/time -f "%e %M" -o "$work/time" "$@" >/dev/null 2>"$work/err"
  local status=$?
  local seconds kb
  read -r seconds kb < <(tail -n 1 "$work/time")
  printf '%-22s %9s %10s %7s\n' "$name" "$seconds" "$kb" "$status"
}

printf '%-22s %9s %10s %7s\n' case seconds peak_KB status
row powers_of_two "$cli" run "$work/powers.pad"
row dense_jump "$cli" run "$work/dense_jump.pad"
row grid_1M_2d "$cli" run "$work/grid.pad"
row input_line_100MB sh -c 'exec "$0" run "$1" <"$2"' "$cli" "$work/reader.pad" "$work/line.txt"
if "$cli" run --help | grep -q -- --max-input-line; then
  row input_line_100MB_read sh -c 'exec "$0" run "$1" --max-input-line 128 <"$2"' "$cli" "$work/reader.pad" "$work/line.txt"
fi
row file_3GB "$cli" run "$work/huge.pad"
# The 10 MB text of the rendered box as an expression (a chain of
# assignments, too deep), and an output list of 10 MB.
row expression_10MB "$cli" run "$work/text.pad"
row output_list_10MB "$cli" run "$work/list.pad"
if [ -x "$(dirname "$cli")/tavrin-render" ]; then
  row render_text_10MB "$cli" render "$work/text.pad" -o "$work/text.png"
else
  printf '%-22s %9s %10s %7s\n' render_text_10MB - - "no Qt"
fi
# The pipe's reader sleeps and never reads; the run should end at 2 s.
mkfifo "$work/pipe"
sleep 30 <"$work/pipe" &
reader=$!
row timeout_unread_pipe sh -c 'exec "$0" run "$1" --timeout 2 >"$2"' "$cli" "$work/chatty.pad" "$work/pipe"
kill "$reader" 2>/dev/null
wait "$reader" 2>/dev/null
