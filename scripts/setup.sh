#!/usr/bin/env bash
# Everything a fresh Debian 12 machine needs: packages, then a release build
# into build/ (binaries in build/bin).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build -j"$(nproc)"
