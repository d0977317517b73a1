#!/usr/bin/env bash
# Every test: the normal build and a build under AddressSanitizer and
# UndefinedBehaviorSanitizer, both with warnings as errors.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
jobs="$(nproc)"

# The core library must stay free of Qt.
if grep -rlE '#\s*include\s*<Q' src/base src/model src/interp src/exec src/codegen src/layout; then
  echo "test: the core library includes a Qt header (files above)" >&2
  exit 1
fi

# No core folder includes a header of a layer above it.
scripts/check-layers.sh

cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTAVRIN_WERROR=ON
cmake --build build -j"$jobs"
(cd build && ctest --output-on-failure -j"$jobs")

# The Debian package of that build: lintian, the desktop and AppStream
# validators, then an install on this machine with a double-click test.
scripts/check-package.sh build

cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=Debug -DTAVRIN_WERROR=ON -DTAVRIN_SANITIZE=ON -DTAVRIN_BUILD_BENCH=OFF
cmake --build build-asan -j"$jobs"
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export LSAN_OPTIONS="suppressions=$PWD/scripts/lsan.supp"
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
(cd build-asan && ctest --output-on-failure -j"$jobs")

# A short pass of every fuzz target (clang, libFuzzer, ASan and UBSan).
fuzz/run.sh 60
