#!/usr/bin/env bash
# Installs the Debian packages that a job needs, when any is missing:
#   scripts/install-deps.sh demo    the library and oxdoc: a compiler, CMake, Ninja, libpng, FreeType,
#                                   fontconfig and the Latin, Japanese and Chinese faces the text needs,
#                                   libsndfile and ALSA
#   scripts/install-deps.sh test    the above, GoogleTest, Google Benchmark and the packaging tests' tools
#   scripts/install-deps.sh fuzz    the demo's, clang and its fuzzer runtime (of the clang that is installed)
#   scripts/install-deps.sh [all]   everything
# Does nothing when all is there. OXWUTL_NO_INSTALL=1 (or a machine without apt) installs nothing and
# names the packages to install by hand.
set -euo pipefail
job=${1:-all}

demo=(cmake ninja-build g++ libpng-dev libfreetype-dev libfontconfig-dev
      fontconfig fonts-dejavu-core fonts-ipafont-gothic fonts-wqy-microhei
      libsndfile1-dev libasound2-dev)
test=(libgtest-dev libbenchmark-dev binutils pkg-config)
fuzz=(clang)
case "$job" in
  demo) wanted=("${demo[@]}") ;;
  test) wanted=("${demo[@]}" "${test[@]}") ;;
  fuzz) wanted=("${demo[@]}" "${fuzz[@]}") ;;
  all) wanted=("${demo[@]}" "${test[@]}" "${fuzz[@]}") ;;
  *) echo "usage: scripts/install-deps.sh [demo|test|fuzz|all]" >&2; exit 2 ;;
esac

have_dpkg() { command -v dpkg-query >/dev/null; }
missing_of() {
  local p
  for p in "$@"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || echo "$p"
  done
}
install_packages() {
  [ $# -gt 0 ] || return 0
  if [ "${OXWUTL_NO_INSTALL:-0}" = 1 ] || ! have_dpkg || ! command -v apt-get >/dev/null; then
    echo "install-deps: not installing; for the $job job install by hand (Debian names): $*" >&2
    return 0
  fi
  local sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  echo "installing: $*"
  export DEBIAN_FRONTEND=noninteractive
  $sudo apt-get update -qq
  $sudo apt-get install -y -qq --no-install-recommends "$@"
}

if have_dpkg; then
  mapfile -t missing < <(missing_of "${wanted[@]}")
else
  missing=("${wanted[@]}")
fi
install_packages "${missing[@]}"

# The fuzzer runtime goes with the clang that is installed: libclang-rt-<major>-dev.
if [ "$job" = fuzz ] || [ "$job" = all ]; then
  if major=$(clang --version 2>/dev/null | sed -n 's/.*clang version \([0-9][0-9]*\)\..*/\1/p' | head -n 1) &&
     [ -n "$major" ]; then
    runtime=libclang-rt-$major-dev
    if have_dpkg; then mapfile -t missing < <(missing_of "$runtime"); else missing=("$runtime"); fi
    install_packages "${missing[@]}"
  else
    echo "install-deps: clang is not installed; the fuzz job needs it and its libclang-rt-<version>-dev" >&2
  fi
fi
