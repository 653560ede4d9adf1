#!/usr/bin/env bash
# The shared library exports only ox*/oxw* functions and carries the SONAME liboxwUtl.so.1.
set -euo pipefail
lib=$1
soname=$(readelf -d "$lib" | sed -n 's/.*(SONAME).*\[\(.*\)\]/\1/p')
if [ "$soname" != "liboxwUtl.so.1" ]; then
  echo "SONAME is '$soname', expected liboxwUtl.so.1" >&2
  exit 1
fi
exported=$(nm -D --defined-only "$lib" | awk '{print $3}')
stray=$(printf '%s\n' "$exported" | grep -vE '^ox[A-Z0-9_]|^oxw[A-Z0-9_]' || true)
if [ -n "$stray" ]; then
  echo "exported names outside the ox/oxw families:" >&2
  printf '  %s\n' $stray >&2
  exit 1
fi
count=$(printf '%s\n' "$exported" | grep -cE '^ox' || true)
if [ "$count" -lt 10 ]; then
  echo "only $count ox* names exported: the version script or visibility is wrong" >&2
  exit 1
fi
echo "SONAME $soname; $count ox/oxw names exported, nothing else"
