#!/bin/sh
# Saves a screenshot of the desktop editor with an example chart open, made
# under a virtual X display: docs/screenshot-editor.png by default, or in
# English (LANGUAGE en) docs/screenshot-editor-en.png.
#
# usage: scripts/screenshot.sh [BUILD_DIR] [CHART] [OUTPUT.png] [LANGUAGE]
set -eu

here=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-"$here/build"}
chart=${2:-"$here/examples/fizzbuzz.pad"}
language=${4:-ja}
case $language in
    ja) output=${3:-"$here/docs/screenshot-editor.png"} ;;
    *) output=${3:-"$here/docs/screenshot-editor-$language.png"} ;;
esac
program="$build/bin/tavrin"

if [ ! -x "$program" ]; then
    echo "screenshot.sh: $program not found; build the project first" >&2
    exit 2
fi
if [ ! -r "$chart" ]; then
    echo "screenshot.sh: cannot read $chart" >&2
    exit 2
fi
if ! command -v xvfb-run >/dev/null 2>&1; then
    echo "screenshot.sh: xvfb-run is needed (apt-get install xvfb)" >&2
    exit 2
fi

mkdir -p "$(dirname "$output")"
# The program grabs its own main window once it has painted, saves the
# picture and ends; a private settings directory keeps the user's recent
# files out of the picture.
settings=$(mktemp -d)
trap 'rm -rf "$settings"' EXIT
XDG_CONFIG_HOME="$settings" TAVRIN_SCREENSHOT="$output" LANG=C.UTF-8 \
    xvfb-run -a -s "-screen 0 1100x760x24" "$program" --language "$language" "$chart"
echo "wrote $output"
