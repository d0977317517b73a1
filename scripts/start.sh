#!/usr/bin/env bash
# Opens a chart in the desktop editor. Without a display (a plain SSH or CI
# shell) the chart is run in the terminal instead, so the command still shows
# what the chart does.
set -euo pipefail
cd "$(dirname "$0")/.."
chart=${1:-examples/fizzbuzz.pad}
if [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; then
  exec build/bin/tavrin "$chart"
fi
echo "start: no display found; running $chart in the terminal with tavrin-cli." >&2
echo "start: (for the desktop editor without a display: xvfb-run build/bin/tavrin $chart)" >&2
exec build/bin/tavrin-cli run "$chart"
