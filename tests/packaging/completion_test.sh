#!/usr/bin/env bash
# Checks the bash completion of tavrin-cli against bash-completion's own
# helpers: usage: completion_test.sh COMPLETION_FILE
set -uo pipefail
source /usr/share/bash-completion/bash_completion
source "$1"

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
cd "$scratch"
touch chart.pad other.pad notes.txt program.c picture.png
mkdir folder

failures=0
# expect "LINE" "EXPECTED COMPLETIONS": LINE is what has been typed, ending
# in the word being completed.
expect() {
  local line=$1 expected=$2
  read -r -a COMP_WORDS <<< "$line"
  [[ $line == *" " ]] && COMP_WORDS+=("")
  COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
  COMP_LINE=$line
  COMP_POINT=${#line}
  COMPREPLY=()
  _tavrin_cli tavrin-cli "${COMP_WORDS[COMP_CWORD]}" "${COMP_WORDS[COMP_CWORD - 1]}"
  local got
  got=$(printf '%s\n' "${COMPREPLY[@]}" | sort | tr '\n' ' ')
  got=${got% }
  if [[ $got != "$expected" ]]; then
    echo "completing '$line': expected '$expected', got '$got'"
    failures=$((failures + 1))
  fi
}

expect "tavrin-cli " "--help --version build dump gen render run"
expect "tavrin-cli r" "render run"
expect "tavrin-cli --v" "--version"
# Charts, and folders to look into, for the commands that read a chart.
expect "tavrin-cli run " "chart.pad folder other.pad"
expect "tavrin-cli dump c" "chart.pad"
expect "tavrin-cli run chart.pad --" "--help --max-steps --pause --raw --timeout"
expect "tavrin-cli run chart.pad --timeout " ""
# The output of each command is of its own kind.
expect "tavrin-cli gen chart.pad -o " "folder program.c"
expect "tavrin-cli render chart.pad -o " "folder picture.png"
expect "tavrin-cli render chart.pad -" "--help --print -o"
expect "tavrin-cli build notes.txt -o " "chart.pad folder other.pad"
expect "tavrin-cli build notes.txt -" "-o"
expect "tavrin-cli dump -" ""
# An outline may have any name.
expect "tavrin-cli build n" "notes.txt"

exit $((failures > 0))
