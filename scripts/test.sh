#!/usr/bin/env bash
# Builds the default preset and runs every test. Pass "asan" to use the sanitizer build instead.
set -euo pipefail
cd "$(dirname "$0")/.."
preset=${1:-default}
scripts/install-deps.sh test
cmake --preset "$preset" >/dev/null
cmake --build --preset "$preset"
ctest --preset "$preset" -j"$(nproc)"
