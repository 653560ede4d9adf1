#!/usr/bin/env bash
# Installs the build into a temporary prefix, checks where the files land, then builds and runs a small
# program against it twice: through find_package(oxwUtl) and through pkg-config (--static for a static
# library).
set -euo pipefail
build=$1 consumer=$2 cc=$3 cflags=$4 ldflags=$5
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

cmake --install "$build" --prefix "$work/prefix" >/dev/null
libdir=$(ls -d "$work"/prefix/lib*/ | head -n 1)
test -e "$work/prefix/include/oxwutl/ox.h" && test -e "$work/prefix/include/oxwutl/oxw.h"
test -e "$work/prefix/share/doc/oxwUtl/LICENSE"
static=
if [ -e "$libdir/liboxwUtl.a" ]; then
  static=--static
else
  test -L "$libdir/liboxwUtl.so" && test -e "$libdir/liboxwUtl.so.1"
fi

cmake -S "$consumer" -B "$work/cm" -G Ninja -DCMAKE_PREFIX_PATH="$work/prefix" \
      -DCMAKE_C_COMPILER="$cc" -DCMAKE_C_FLAGS="$cflags" -DCMAKE_EXE_LINKER_FLAGS="$ldflags" >/dev/null
cmake --build "$work/cm"
LD_LIBRARY_PATH="$libdir" "$work/cm/consumer"

export PKG_CONFIG_PATH="$libdir/pkgconfig"
# shellcheck disable=SC2046,SC2086
"$cc" $cflags -std=c99 "$consumer/main.c" -o "$work/pc-consumer" $(pkg-config $static --cflags --libs oxwutl) \
  $ldflags
LD_LIBRARY_PATH="$libdir" "$work/pc-consumer"
