#!/bin/sh
# Long differential check of tavrin-cli gen --exact: CHARTS random charts
# (default 5000) from seed SEED (default 1000) are translated, compiled with
# gcc (every tenth with clang's full warning set) and run; each program must
# print what tavrin-cli run prints and end with its status. Prints the
# figures; fails on the first differences.
#   scripts/exact-diff.sh [CHARTS] [SEED]     (run from the source tree, after a build)
set -e
build=${BUILD_DIR:-build}
TAVRIN_EXACT_CHARTS=${1:-5000} TAVRIN_EXACT_SEED=${2:-1000} \
    "$build/bin/test_codegen" --gtest_filter='ExactDiff.*'
