#!/usr/bin/env bash
# Builds the Debian package from a build tree (default build/), checks it
# with Debian's tools, installs it on this machine (needs root) and checks
# that the installed programs run and that a double-clicked chart opens in
# Tavrin. Called by scripts/test.sh after the tests.
set -euo pipefail
cd "$(dirname "$0")/.."
source_dir=$PWD

fail() {
  echo "check-package: $*" >&2
  exit 1
}
step() {
  echo "check-package: $*"
}

if [ "$(id -u)" -ne 0 ]; then
  fail "installing the package needs root"
fi

deb=$(scripts/package.sh "${1:-build}")
version=$(dpkg-deb --field "$deb" Version)
step "built $deb"

# The installed programs run with a home of their own, so that neither the
# user's settings nor their choice of default programs play a part.
scratch=$(mktemp -d /tmp/check-package.XXXXXX)
trap 'rm -rf "$scratch"' EXIT
mkdir -m 700 "$scratch/runtime"
export HOME=$scratch XDG_CONFIG_HOME=$scratch/config XDG_DATA_HOME=$scratch/data XDG_RUNTIME_DIR=$scratch/runtime

step "lintian"
lintian --fail-on error,warning --info "$deb" || fail "lintian found problems in $deb (above)"

# Installed, not merely unpacked: the triggers of desktop-file-utils and
# shared-mime-info must see the new files, as on a technician's machine.
step "installing"
apt-get install -y -qq --reinstall --no-install-recommends "$deb" > /dev/null

step "desktop-file-validate, appstreamcli validate"
desktop-file-validate /usr/share/applications/tavrin.desktop
metainfo=$(dpkg -L tavrin | grep '^/usr/share/metainfo/.*\.metainfo\.xml$') || fail "the package has no metainfo file"
[ "$(wc -l <<< "$metainfo")" -eq 1 ] || fail "the package has more than one metainfo file: $metainfo"
appstreamcli validate --no-net "$metainfo"

step "the installed programs"
for size in 16 24 32 48 64 128 256; do
  icon=/usr/share/icons/hicolor/${size}x${size}/apps/tavrin.png
  file --brief "$icon" | grep -q "PNG image data, $size x $size" || fail "$icon is not a $size x $size PNG"
done
[ "$(tavrin-cli --version)" = "tavrin-cli $version" ] || fail "tavrin-cli --version does not print $version"
[ "$(QT_QPA_PLATFORM=offscreen tavrin --version)" = "tavrin $version" ] || fail "tavrin --version does not print $version"
tavrin-cli run /usr/share/doc/tavrin/examples/fizzbuzz.pad > "$scratch/fizzbuzz.txt"
cmp "$scratch/fizzbuzz.txt" "$source_dir/tests/data/golden/run/fizzbuzz.txt" \
  || fail "the installed tavrin-cli runs fizzbuzz.pad differently"
for page in tavrin tavrin-cli tavrin-render; do
  man -w "$page" > /dev/null || fail "no manual page $page(1)"
done
completions=$(bash -c 'source /usr/share/bash-completion/bash_completion
  source /usr/share/bash-completion/completions/tavrin-cli
  COMP_WORDS=(tavrin-cli r); COMP_CWORD=1; COMP_LINE="tavrin-cli r"; COMP_POINT=${#COMP_LINE}
  _tavrin_cli tavrin-cli r tavrin-cli; echo "${COMPREPLY[*]}"')
[ "$completions" = "run render" ] || fail "bash completion of 'tavrin-cli r' gives '$completions'"

step "a .pad file belongs to Tavrin"
cp /usr/share/doc/tavrin/examples/fizzbuzz.pad "$scratch/opened-by-double-click.pad"
# File managers know a file's type through GIO, which reads the
# shared-mime-info database (xdg-mime on a bare X session asks file(1)
# instead, which does not).
[ "$(gio info -a standard::content-type "$scratch/opened-by-double-click.pad" | sed -n 's/^ *standard::content-type: //p')" \
    = application/x-tavrin-pad ] || fail "a .pad file is not of type application/x-tavrin-pad"
[ "$(xdg-mime query default application/x-tavrin-pad)" = tavrin.desktop ] \
  || fail "tavrin.desktop is not the default program for application/x-tavrin-pad"

# What a file manager does on a double click: open the file with the default
# program of its type. The window must come up with the chart's name.
step "gio open under Xvfb"
xvfb-run -a -s '-screen 0 1024x768x24' bash -c '
  chart=$1
  gio open "$chart"
  for _ in $(seq 100); do
    for cmdline in /proc/[0-9]*/cmdline; do
      args=$( { tr "\0" " " < "$cmdline"; } 2>/dev/null) || continue
      case $args in
        "tavrin $chart "*|"/usr/bin/tavrin $chart "*) pid=${cmdline#/proc/}; pid=${pid%/cmdline} ;;
      esac
    done
    if [ -n "${pid:-}" ] && xdotool search --pid "$pid" --name "opened-by-double-click" > /dev/null 2>&1; then
      kill "$pid"
      exit 0
    fi
    sleep 0.2
  done
  [ -n "${pid:-}" ] && kill "$pid"
  echo "check-package: no Tavrin window for $chart after gio open${pid:+ (tavrin is process $pid)}" >&2
  exit 1
' check-package "$scratch/opened-by-double-click.pad"

step "the package $deb passes its checks"
