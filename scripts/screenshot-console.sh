#!/bin/sh
# Saves pictures of the console window after a run of an example with input
# (docs/screenshot-console.png), of the print preview of an example chart
# (docs/screenshot-preview.png), of a watched run stepping through an example
# (docs/screenshot-stepping.png) and of the English interface with its
# language menu open (docs/screenshot-language-en.png), taken by the console,
# printing, stepping and language test programs under a virtual X display.
#
# usage: scripts/screenshot-console.sh [BUILD_DIR] [OUTPUT_DIR]
set -eu

here=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-"$here/build"}
output=${2:-"$here/docs"}

for program in tst_console_run tst_printing tst_stepping tst_language; do
    if [ ! -x "$build/bin/$program" ]; then
        echo "screenshot-console.sh: $build/bin/$program not found; build the project first" >&2
        exit 2
    fi
done
if ! command -v xvfb-run >/dev/null 2>&1; then
    echo "screenshot-console.sh: xvfb-run is needed (apt-get install xvfb)" >&2
    exit 2
fi

mkdir -p "$output"
output=$(cd "$output" && pwd)
# A private settings directory keeps the user's printer settings out of it.
settings=$(mktemp -d)
trap 'rm -rf "$settings"' EXIT
for program in tst_console_run tst_printing tst_stepping tst_language; do
    # The language test program wants an English locale, to show that it
    # does not make the program English by itself.
    locale=C.UTF-8
    [ "$program" = tst_language ] && locale=en_US.UTF-8
    XDG_CONFIG_HOME="$settings" TAVRIN_SCREENSHOT_DIR="$output" LANG=$locale QT_QPA_PLATFORM=xcb \
        xvfb-run -a -s "-screen 0 1100x760x24" "$build/bin/$program" screenshot
done
echo "wrote $output/screenshot-console.png, $output/screenshot-preview.png, $output/screenshot-stepping.png and $output/screenshot-language-en.png"
