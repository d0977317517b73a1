#!/usr/bin/env bash
# Builds the Debian package tavrin_VERSION_ARCH.deb and prints its path.
#
#   scripts/package.sh             a release build of its own in build-package/,
#                                  with Debian's hardening flags
#   scripts/package.sh BUILD_DIR   packages an existing build tree (CI packages
#                                  the tree its tests have just used)
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh >&2

build=${1:-build-package}
if [ ! -f "$build/CMakeCache.txt" ]; then
  if [ $# -gt 0 ]; then
    echo "package: $build is not a configured build tree" >&2
    exit 2
  fi
  # The flags a Debian package is built with (hardening, reproducible paths),
  # with symbols bound at start-up so that the tables can be made read-only.
  # CMake takes no CPPFLAGS of its own, so they go with the compiler flags.
  export DEB_BUILD_MAINT_OPTIONS=hardening=+bindnow
  CXXFLAGS="$(dpkg-buildflags --get CXXFLAGS) $(dpkg-buildflags --get CPPFLAGS)" \
  LDFLAGS="$(dpkg-buildflags --get LDFLAGS)" \
    cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTAVRIN_BUILD_BENCH=OFF \
      -DCMAKE_SKIP_INSTALL_ALL_DEPENDENCY=ON >&2
else
  cmake "$build" >&2
fi

# Only what the package holds: the tests are built and run by scripts/test.sh.
cmake --build "$build" -j"$(nproc)" \
  --target tavrin tavrin-cli tavrin-render tavrin_docs tavrin_icons >&2

rm -f "$build"/tavrin_*.deb
(cd "$build" && cpack -G DEB >&2)
packages=("$build"/tavrin_*.deb)
if [ ! -f "${packages[0]}" ]; then
  echo "package: cpack made no package in $build" >&2
  exit 1
fi
realpath "${packages[0]}"
