#!/usr/bin/env bash
# A configuration with BUILD_SHARED_LIBS=OFF gives liboxwUtl.a with the functions the headers declare, and
# the installed static package serves a C program through CMake and pkg-config. Only the library is built
# (unoptimised, to be quick).
set -euo pipefail
source=$1 cc=$2 cxx=$3 launcher=$4
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cmake -S "$source" -B "$work/build" -G Ninja -DBUILD_SHARED_LIBS=OFF -DCMAKE_BUILD_TYPE= \
      -DOXWUTL_BUILD_TOOLS=OFF -DOXWUTL_BUILD_EXAMPLES=OFF -DOXWUTL_BUILD_TESTS=OFF -DOXWUTL_BUILD_BENCH=OFF \
      -DCMAKE_C_COMPILER="$cc" -DCMAKE_CXX_COMPILER="$cxx" -DCMAKE_CXX_COMPILER_LAUNCHER="$launcher" >/dev/null
cmake --build "$work/build" --target oxwUtl >/dev/null
"$here/check_exports.sh" "$work/build/liboxwUtl.a" "$source/include"
"$here/installed_consumer.sh" "$work/build" "$here/consumer" "$cc" "" ""
