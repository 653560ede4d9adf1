#!/usr/bin/env bash
# Builds the library and oxdoc, then runs the demo into DIR (default: ./demo-out). Needs no test framework.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh demo
cmake --preset default -DOXWUTL_BUILD_TESTS=OFF -DOXWUTL_BUILD_BENCH=OFF >/dev/null
cmake --build --preset default --target oxdoc
build/default/tools/oxdoc/oxdoc demo "${1:-demo-out}"
