#!/usr/bin/env bash
# Fails when a core folder includes a header of a folder above it. Each core
# folder may include only the folders listed for it; every project include
# names its folder (#include "model/CBoxSequence.h").
set -euo pipefail
cd "$(dirname "$0")/.."

declare -A allowed=(
  [base]="base"
  [model]="base model"
  [interp]="base interp"
  [exec]="base model interp exec"
  [codegen]="base model interp codegen"
  [layout]="base model layout"
)

status=0
for folder in base model interp exec codegen layout; do
  [ -d "src/$folder" ] || { echo "check-layers: src/$folder is missing" >&2; status=1; continue; }
  while IFS= read -r hit; do
    file="${hit%%:*}"
    rest="${hit#*:}"
    line="${rest%%:*}"
    header="$(sed -E 's/.*#[[:space:]]*include[[:space:]]*"([^"]*)".*/\1/' <<<"${rest#*:}")"
    if [[ "$header" != */* ]]; then
      echo "check-layers: $file:$line: include \"$header\" without its folder" >&2
      status=1
      continue
    fi
    used="${header%%/*}"
    if [[ " ${allowed[$folder]} " != *" $used "* ]]; then
      echo "check-layers: $file:$line: src/$folder may not include $header (allowed: ${allowed[$folder]})" >&2
      status=1
    fi
  done < <(grep -rnE '^[[:space:]]*#[[:space:]]*include[[:space:]]*"' "src/$folder" || true)
done
[ "$status" -eq 0 ] && echo "check-layers: every core folder includes only the folders below it"
exit "$status"
