#!/usr/bin/env bash
# Installs the Debian 12 packages that building, testing and running Tavrin
# need. Safe to run again: it asks apt only for what is missing.
set -euo pipefail

packages=(
  g++ make cmake pkg-config ccache
  libgtest-dev libgmock-dev libbenchmark-dev
  qt6-base-dev qt6-base-dev-tools libqt6svg6-dev libgl-dev
  fonts-noto-cjk
  qt6-translations-l10n qt6-l10n-tools
  xvfb xauth xdotool x11-utils
  lua5.4
  clang libclang-rt-14-dev
  locales
  time
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -gt 0 ]; then
  if [ "$(id -u)" -ne 0 ]; then
    echo "install-deps: these packages are missing and installing them needs root: ${missing[*]}" >&2
    exit 1
  fi
  echo "install-deps: installing ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

# A locale with a decimal comma, so that the tests can prove that numbers are
# read and written the same whatever the user's locale is.
if ! locale -a 2>/dev/null | grep -qi '^de_DE\.utf-\?8$'; then
  if [ "$(id -u)" -eq 0 ]; then
    localedef -i de_DE -f UTF-8 de_DE.UTF-8
  else
    echo "install-deps: no de_DE.UTF-8 locale (needs root to generate); the locale tests will be skipped" >&2
  fi
fi
