#!/usr/bin/env bash
# Builds stub.exe with mingw-w64 (preset "windows"; its size and imports are checked at link
# time) and runs its tests under Wine. Needs stubpack from a Linux build: the first argument,
# or build/debug's, or build/release's.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-windows-deps.sh
find_stubpack() {
  for candidate in build/debug/stubpack build/release/stubpack \
                   build/debug/tools/stubpack/stubpack build/release/tools/stubpack/stubpack; do
    if [ -x "$candidate" ]; then echo "$candidate"; return; fi
  done
}
stubpack="${1:-$(find_stubpack)}"
if [ -z "$stubpack" ]; then
  cmake --preset release >/dev/null
  cmake --build --preset release -j2 --target stubpack
  stubpack="$(find_stubpack)"
fi
cmake --preset windows >/dev/null
cmake --build --preset windows -j2
tests/wine/run.sh build/windows "$stubpack"
