#!/usr/bin/env bash
# Puts the sources into the folders that show the layers, and can be run
# again at any time (after merging work that still uses the old places):
#
#   src/base     what every core layer uses: the codec, the quoted texts, the
#                console interface
#   src/model    charts, files, editing, the document        (base)
#   src/interp   tokens, variables, the evaluators            (base)
#   src/exec     running a chart                              (base model interp)
#   src/codegen  the C program of a chart                     (base model interp)
#   src/layout   Qt-free layout and drawing of a chart        (base model)
#   src/view, src/app, src/cli: the front ends, above the core
#
# It moves files with git mv, names the folder in every project include
# (#include "model/CBoxSequence.h"), and points the build at the new places.
# Run from anywhere inside the work tree; it changes nothing a second time.
set -euo pipefail
cd "$(git rev-parse --show-toplevel)"

move() { # move FILE DIR: git mv FILE into DIR unless it is there already
  local file="$1" dir="$2"
  [ -e "$file" ] || return 0
  mkdir -p "$dir"
  if [ -e "$dir/$(basename "$file")" ]; then
    echo "relayout: both $file and $dir/$(basename "$file") exist; merge them by hand" >&2
    exit 1
  fi
  git mv "$file" "$dir/"
}

for file in src/model/Codec.h src/model/Codec.cpp src/model/Texts.h src/model/Texts.cpp \
  src/exec/CConsole.h src/exec/CConsole.cpp; do
  move "$file" src/base
done
if [ -d src/view/chart ]; then
  for file in src/view/chart/*; do
    move "$file" src/layout
  done
  rmdir src/view/chart 2>/dev/null || true
fi

python3 - <<'PY'
import os, re, sys

folders = ["base", "model", "interp", "exec", "codegen", "layout", "view", "app", "cli"]
home = {}
for folder in folders:
    for root, _, files in os.walk(os.path.join("src", folder)):
        for name in files:
            if not name.endswith(".h"):
                continue
            where = os.path.relpath(os.path.join(root, name), "src")
            if name in home and home[name] != where:
                sys.exit(f"relayout: {name} is both src/{home[name]} and src/{where}; rename one")
            home[name] = where

include = re.compile(r'^(\s*#\s*include\s*")([^"]+)(".*)$')

def rewrite(line):
    m = include.match(line)
    if not m:
        return line
    name = os.path.basename(m.group(2))
    target = home.get(name)
    # Only project headers, named bare or by a folder that no longer holds
    # them; a header of the includer's own test folder stays as it is.
    if target is None or m.group(2) == target:
        return line
    if "/" in m.group(2) and not m.group(2).startswith(tuple(f + "/" for f in folders)):
        return line
    return m.group(1) + target + m.group(3)

changed = 0
for top in ["src", "tests", "fuzz", "bench"]:
    for root, _, files in os.walk(top):
        for name in files:
            if not name.endswith((".h", ".cpp")):
                continue
            path = os.path.join(root, name)
            with open(path, encoding="utf-8") as f:
                text = f.read()
            lines = text.split("\n")
            new = "\n".join(rewrite(line) for line in lines)
            if new != text:
                with open(path, "w", encoding="utf-8") as f:
                    f.write(new)
                changed += 1

def edit(path, pairs):
    with open(path, encoding="utf-8") as f:
        text = f.read()
    new = text
    for old, repl in pairs:
        new = new.replace(old, repl)
    if new != text:
        with open(path, "w", encoding="utf-8") as f:
            f.write(new)

edit("CMakeLists.txt", [
    ("file(GLOB TAVRIN_CORE_SOURCES CONFIGURE_DEPENDS\n  src/model/*.cpp src/interp/*.cpp src/exec/*.cpp src/codegen/*.cpp src/view/chart/*.cpp)\n",
     "include(cmake/CoreSources.cmake)\ntavrin_core_sources(TAVRIN_CORE_SOURCES ${CMAKE_SOURCE_DIR})\n"),
    ("target_include_directories(tavrin_core PUBLIC src src/model src/interp src/exec src/codegen src/view/chart)",
     "target_include_directories(tavrin_core PUBLIC src)"),
    ("  target_include_directories(tavrin_qt PUBLIC src/view)\n", ""),
    ("  target_include_directories(tavrin-render PRIVATE src/cli)\n", ""),
    ("  target_include_directories(tavrin_app PUBLIC src/app)\n", ""),
])
edit("fuzz/CMakeLists.txt", [
    ("file(GLOB FUZZ_CORE_SOURCES CONFIGURE_DEPENDS\n  ${TAVRIN_ROOT}/src/model/*.cpp ${TAVRIN_ROOT}/src/interp/*.cpp ${TAVRIN_ROOT}/src/exec/*.cpp\n  ${TAVRIN_ROOT}/src/codegen/*.cpp ${TAVRIN_ROOT}/src/view/chart/*.cpp)\n",
     "include(${TAVRIN_ROOT}/cmake/CoreSources.cmake)\ntavrin_core_sources(FUZZ_CORE_SOURCES ${TAVRIN_ROOT})\n"),
    ("target_include_directories(fuzz_core PUBLIC\n  ${TAVRIN_ROOT}/src ${TAVRIN_ROOT}/src/model ${TAVRIN_ROOT}/src/interp ${TAVRIN_ROOT}/src/exec\n  ${TAVRIN_ROOT}/src/codegen ${TAVRIN_ROOT}/src/view/chart)",
     "target_include_directories(fuzz_core PUBLIC ${TAVRIN_ROOT}/src)"),
])
edit("scripts/test.sh", [
    ("src/model src/interp src/exec src/codegen src/view/chart;", "src/base src/model src/interp src/exec src/codegen src/layout;"),
])
print(f"relayout: includes rewritten in {changed} files")
PY

mkdir -p cmake
cat > cmake/CoreSources.cmake <<'CMAKE'
# The sources of the core library (no Qt), for the main build and the fuzz
# build alike: tavrin_core_sources(VAR ROOT) sets VAR to them, ROOT being the
# top of the source tree. The folders are the core's layers, lowest first.
set(TAVRIN_CORE_FOLDERS base model interp exec codegen layout)
function(tavrin_core_sources var root)
  set(globs)
  foreach(folder ${TAVRIN_CORE_FOLDERS})
    list(APPEND globs ${root}/src/${folder}/*.cpp)
  endforeach()
  file(GLOB sources CONFIGURE_DEPENDS ${globs})
  set(${var} ${sources} PARENT_SCOPE)
endfunction()
CMAKE
git add -A src cmake
echo "relayout: done; build, run the tests and commit"
