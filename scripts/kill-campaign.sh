#!/usr/bin/env bash
# The long crash test of every whole-file writer of the library and oxdoc: KILLS random SIGKILLs per writer
# (default 300; the test suite runs 20), each followed by the check that the target is the whole old or the
# whole new file and that at most one temporary file is left beside it. Uses the default build.
set -euo pipefail
cd "$(dirname "$0")/.."
cmake --preset default >/dev/null
cmake --build --preset default --target oxdoc test_oxdoc_file_writes
OXWUTL_KILLS=${KILLS:-300} build/default/tests/test_oxdoc_file_writes --gtest_filter='FileWrites.Killed*'
