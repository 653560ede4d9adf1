#!/usr/bin/env bash
# Builds the library and oxdoc, then runs the demo into DIR (default: ./demo-out).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
cmake --preset default >/dev/null
cmake --build --preset default --target oxdoc
build/default/tools/oxdoc/oxdoc demo "${1:-demo-out}"
