#!/bin/bash
# Makes (once) an embedded database of demo students with velmor-install, as scripts/make-demo
# does, and runs registerbench on it: the register window's first screen and its select-all
# count against a raw fetch of the same select, best of three runs each.
# Usage: run.sh [build-dir] [students]
set -e
here=$(cd "$(dirname "$0")" && pwd)
build=${1:-$here/../../build}
students=${2:-100000}
bench=$build/bin/registerbench
install_tool=$build/bin/velmor-install
for program in "$bench" "$install_tool"; do
    [ -x "$program" ] || { echo "$program is not built" >&2; exit 1; }
done

database=$build/bench-register/register-$students.fdb
if [ ! -f "$database" ] || [ "$install_tool" -nt "$database" ]; then
    mkdir -p "$(dirname "$database")"
    "$install_tool" --replace --demo-students "$students" --seed 2024 --password masterkey \
        "$database"
fi
QT_QPA_PLATFORM=offscreen "$bench" "$database" 3
