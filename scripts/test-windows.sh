#!/usr/bin/env bash
# Builds the PE32 stub.exe with mingw-w64 (preset "windows"; its size and imports are checked at
# link time), then runs the Wine tests under the Wine that starts on this machine: 32-bit Wine
# on the PE32 stub where a 32-bit program really runs, else wine64 on the PE32+ stub (preset
# "windows-x64"). STUBKIT_WINE=win32|win64|both forces the choice. Fails when no Wine runs.
# The wine64 round also runs stubpack.exe (preset "windows-tools") beside the Linux stubpack.
# Needs stubpack from a Linux build: the first argument, or build/debug's, or build/release's.
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

# The PE32+ build (its liblzma is built from source first) runs while Wine is probed below:
# wine64 is what runs where 32-bit Wine cannot, and the probes mostly wait.
x64_log=build/windows-x64.log
mkdir -p build
# stubpack.exe (preset "windows-tools") follows it: the wine64 round runs it too.
(cmake --preset windows-x64 >/dev/null && cmake --build --preset windows-x64 -j2 &&
  cmake --preset windows-tools >/dev/null && cmake --build --preset windows-tools -j2) \
  > "$x64_log" 2>&1 &
x64_build=$!

. scripts/wine-env.sh
# Which Wine runs here: a throwaway prefix per architecture, and a tiny program started in it.
wine_starts() {
  echo "== does $1 Wine run here? (starting a test program)"
  wine_prefix "build/wine-check/$1" "$1"
}
case "${STUBKIT_WINE:-}" in
  win32 | win64 | both)
    choice="$STUBKIT_WINE"
    echo "== Wine: $choice, as STUBKIT_WINE asks" ;;
  "")
    if wine_starts win32; then
      choice=win32
      echo "== Wine: win32, PE32 stub (a 32-bit program ran under 32-bit Wine)"
    elif wine_starts win64; then
      choice=win64
      echo "== Wine: win64, PE32+ stub (32-bit Wine cannot run a program here; wine64 can)"
    else
      echo "== Wine: none runs here, neither 32-bit Wine nor wine64; the Windows tests fail" >&2
      exit 1
    fi
    # The probe's prefix of the chosen Wine serves the tests as their fresh prefix.
    export STUBKIT_WINE_PREFIX_COPY="$PWD/build/wine-check/$choice" ;;
  *) echo "STUBKIT_WINE must be win32, win64 or both, not '$STUBKIT_WINE'" >&2; exit 2 ;;
esac

status=0
if [ "$choice" != win64 ]; then
  echo "== Wine tests: PE32 stub under 32-bit Wine"
  tests/wine/run.sh build/windows "$stubpack" || status=1
fi
if [ "$choice" != win32 ]; then
  wait "$x64_build" || { cat "$x64_log"; echo "== the PE32+ build failed"; exit 1; }
  echo "== Wine tests: PE32+ stub under wine64"
  tests/wine/run.sh build/windows-x64 "$stubpack" || status=1
fi
# Where only 32-bit Wine ran, the PE32+ build was not needed; it still ends before the run does.
[ "$choice" != win32 ] || wait "$x64_build" 2>/dev/null || :
rm -rf build/wine-check
exit $status
