#!/bin/bash
# Times the same small programs in velmscript and in Lua 5.4 and prints the ratio of the
# CPU times (user + system, best of three runs each; CPU time is steadier than wall-clock time
# on a shared machine). Usage: run.sh [build-dir]
set -e
here=$(cd "$(dirname "$0")" && pwd)
build=${1:-$here/../../build-script}
runner=$build/bin/velmscript
[ -x "$runner" ] || { echo "velmscript runner not found in $build/bin" >&2; exit 1; }
command -v lua5.4 >/dev/null || { echo "lua5.4 not installed" >&2; exit 1; }

tmp=$(mktemp)
trap 'rm -f "$tmp"' EXIT
best() { # best CPU time in ms of three runs of "$@", output checked against $expected
    b=
    for _ in 1 2 3; do
        out=$( { TIMEFORMAT='%U %S'; time "$@" 2>/dev/null; } 2>"$tmp")
        [ "$out" = "$expected" ] || { echo "wrong output from $*: $out" >&2; exit 1; }
        t=$(awk '{ printf "%d", ($1 + $2) * 1000 }' "$tmp")
        if [ -z "$b" ] || [ "$t" -lt "$b" ]; then b=$t; fi
    done
    echo "$b"
}

printf '%-10s %10s %10s %8s\n' program velmscript lua5.4 ratio
for p in loop fib strings methods; do
    expected=$(lua5.4 "$here/programs/$p.lua")
    ours=$(best "$runner" "$here/programs/$p.pas")
    lua=$(best lua5.4 "$here/programs/$p.lua")
    ratio=$(awk "BEGIN { printf \"%.2f\", $ours / $lua }")
    printf '%-10s %8s ms %7s ms %8s\n' "$p" "$ours" "$lua" "$ratio"
done
