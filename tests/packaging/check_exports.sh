#!/usr/bin/env bash
# The library defines exactly the functions that the public headers declare OX_API, nothing more and
# nothing less; a shared library exports nothing else and carries the SONAME liboxwUtl.so.1.
set -euo pipefail
lib=$1 include=$2
declared=$(grep -ohE 'OX_API[^;(]*\b(oxw?[A-Za-z0-9_]+)[[:space:]]*\(' "$include"/ox.h "$include"/oxw.h |
           sed -E 's/.*\b(oxw?[A-Za-z0-9_]+)[[:space:]]*\($/\1/' | sort -u)
case "$lib" in
  *.a)
    kind=static
    defined=$(nm -g --defined-only "$lib" 2>/dev/null | awk '$2 == "T" && $3 ~ /^ox/ {print $3}' | sort -u) ;;
  *)
    kind=shared
    soname=$(readelf -d "$lib" | sed -n 's/.*(SONAME).*\[\(.*\)\]/\1/p')
    if [ "$soname" != "liboxwUtl.so.1" ]; then
      echo "SONAME is '$soname', expected liboxwUtl.so.1" >&2
      exit 1
    fi
    all=$(nm -D --defined-only "$lib" | awk '{print $3}')
    stray=$(printf '%s\n' "$all" | grep -vE '^oxw?[A-Z0-9_]' || true)
    if [ -n "$stray" ]; then
      echo "exported names outside the ox/oxw families:" >&2
      printf '  %s\n' $stray >&2
      exit 1
    fi
    defined=$(printf '%s\n' "$all" | sort -u) ;;
esac
if [ "$declared" != "$defined" ]; then
  echo "declared in the headers (<) and defined by the $kind library (>) differ:" >&2
  diff <(printf '%s\n' "$declared") <(printf '%s\n' "$defined") >&2 || true
  exit 1
fi
echo "$kind library: the $(printf '%s\n' "$defined" | wc -l) functions the headers declare, nothing else"
