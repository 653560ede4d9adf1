#!/usr/bin/env bash
# Builds the default preset and runs the benchmark programs named (tag_codec, resample, ...; all when none
# is named). The rows against Pillow need it for Debian's /usr/bin/python3: python3-pil is installed when
# missing.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh test
if ! /usr/bin/python3 -c 'import PIL' 2>/dev/null; then
  SUDO=""
  [ "$(id -u)" -eq 0 ] || SUDO="sudo"
  export DEBIAN_FRONTEND=noninteractive
  $SUDO apt-get update -qq
  $SUDO apt-get install -y -qq --no-install-recommends python3-pil
fi
cmake --preset default >/dev/null
cmake --build --preset default
names=("$@")
if [ ${#names[@]} -eq 0 ]; then
  for bin in build/default/bench/bench_*; do names+=("$(basename "$bin" | sed 's/^bench_//')"); done
fi
for name in "${names[@]}"; do
  echo "== bench_$name"
  "build/default/bench/bench_$name"
done
