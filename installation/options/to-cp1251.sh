#!/bin/sh
# to-cp1251.sh IN OUT: an options file kept in UTF-8 in the sources, written as the
# windows-1251 file the installation ships (its XML declaration follows).
set -e
tmp="$2.tmp"
iconv -f UTF-8 -t CP1251 "$1" | sed '1s/encoding="UTF-8"/encoding="windows-1251"/' > "$tmp"
mv "$tmp" "$2"
