#!/usr/bin/env bash
# A short run of every fuzzer with the address and undefined-behaviour sanitizers, starting from its seed
# corpus (and saved crashers). FUZZ_SECONDS sets the time per target (default 30). New inputs go to a
# scratch folder; a crashing input is saved under build/fuzz/artifacts/<target>/ and fails the run.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh fuzz
seconds=${FUZZ_SECONDS:-30}
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
status=0
for bin in $(find build/fuzz/fuzz -maxdepth 1 -type f -executable -name 'fuzz_*' | sort); do
  name=$(basename "$bin")
  [ -f fuzz/"$name".cpp ] || continue  # left in the build by a target since removed
  mkdir -p "$scratch/$name" "build/fuzz/artifacts/$name"
  seeds=(fuzz/corpus/"$name")
  [ -d fuzz/crashers/"$name" ] && seeds+=(fuzz/crashers/"$name")
  echo "== $name: ${seconds}s"
  if ! "$bin" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
      -artifact_prefix="build/fuzz/artifacts/$name/" "$scratch/$name" "${seeds[@]}"; then
    echo "$name failed: see build/fuzz/artifacts/$name/" >&2
    status=1
  fi
done
exit $status
