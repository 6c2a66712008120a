#!/bin/bash
# Runs the Windows stub's tests under Wine.
#   tests/wine/run.sh BUILD_DIR [STUBPACK]
# BUILD_DIR is a Windows build holding stub.exe: PE32 (preset "windows") runs under 32-bit Wine,
# PE32+ (preset "windows-x64") under wine64, which also runs stubpack.exe (preset
# "windows-tools", or STUBPACK_EXE). STUBPACK is the Linux stubpack (default: $STUBPACK,
# else the first one found under build/). Installs Wine when missing, builds the test programs
# for the stub's architecture, makes a throwaway Wine prefix, runs every test_*.sh in its own
# virtual display and prints "N passed, M failed"; exits non-zero on any failure.
# WINE_TESTS_ONLY=NAME (e.g. test_corrupt) runs that one test script alone.
set -uo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
root="$(cd "$here/../.." && pwd)"
build="$(cd "${1:?usage: run.sh BUILD_DIR [STUBPACK]}" && pwd)"
stubpack="${2:-${STUBPACK:-}}"
if [ -z "$stubpack" ]; then
  stubpack="$(ls "$root"/build/*/stubpack "$root"/build/*/tools/stubpack/stubpack 2>/dev/null |
             head -n1 || true)"
fi

export STUB="$build/stub.exe"
[ -f "$STUB" ] || { echo "no stub.exe in $build"; echo "0 passed, 1 failed"; exit 1; }
[ -x "$stubpack" ] || { echo "no stubpack found (give it as second argument)"; echo "0 passed, 1 failed"; exit 1; }
export STUBPACK="$(cd "$(dirname "$stubpack")" && pwd)/$(basename "$stubpack")"

# The machine field of the stub's PE header decides the Wine and the test programs' compiler.
machine="$(python3 -c 'import struct, sys
data = open(sys.argv[1], "rb").read(4096)
print("%x" % struct.unpack_from("<H", data, struct.unpack_from("<I", data, 0x3C)[0] + 4)[0])' "$STUB")"
case "$machine" in
  14c) export WINE_ARCH=win32 MINGW_GCC=i686-w64-mingw32-gcc ;;
  8664) export WINE_ARCH=win64 MINGW_GCC=x86_64-w64-mingw32-gcc ;;
  *) echo "$STUB is not an x86 or x64 Windows program"; echo "0 passed, 1 failed"; exit 1 ;;
esac
echo "$STUB: $WINE_ARCH"

. "$root/scripts/wine-env.sh"
wine_install >/dev/null || { echo "could not install Wine"; echo "0 passed, 1 failed"; exit 1; }

export WINE_TESTS="$build/wine-tests"
export ARTIFACTS="$WINE_TESTS/artifacts"
rm -rf "$WINE_TESTS"
mkdir -p "$ARTIFACTS"
export PROBE="$WINE_TESTS/setup_probe.exe" LAUNCHER="$WINE_TESTS/launcher.exe"
export SAMPLER="$WINE_TESTS/window_sampler.exe" CONSOLE_PROBE="$WINE_TESTS/console_probe.exe"
export CHILD_PROBE="$WINE_TESTS/child_probe.exe"
for program in setup_probe launcher window_sampler child_probe; do
  "$MINGW_GCC" -std=c11 -Wall -Wextra -Os -s -mwindows \
    -o "$WINE_TESTS/$program.exe" "$here/$program.c" -lshell32 ||
    { echo "could not build $program.exe"; echo "0 passed, 1 failed"; exit 1; }
done
# The probe once more as a console program: Windows gives it a console host of its own.
"$MINGW_GCC" -std=c11 -Wall -Wextra -Os -s -o "$CONSOLE_PROBE" "$here/setup_probe.c" ||
  { echo "could not build console_probe.exe"; echo "0 passed, 1 failed"; exit 1; }

# stubpack.exe (preset "windows-tools"; STUBPACK_EXE names another) and the program that writes
# the project's test installers, built in the Linux stubpack's own build tree.
export STUBPACK_EXE="${STUBPACK_EXE:-$root/build/windows-tools/stubpack.exe}"
linux_build="$(dirname "$STUBPACK")"
export TEST_INSTALLERS="$linux_build/tests/wine_test_installers"
cmake --build "$linux_build" -j2 --target wine_test_installers >"$WINE_TESTS/test_installers.log" 2>&1 ||
  { cat "$WINE_TESTS/test_installers.log"; echo "could not build wine_test_installers"; echo "0 passed, 1 failed"; exit 1; }

# The start header's layout for the scripts' Python (import archive_layout), from our own
# statement of it.
c++ -std=c++17 -I"$root/src" -o "$WINE_TESTS/archive_layout" "$here/archive_layout.cpp" \
  "$root/src/format/SignatureScan.cpp" && "$WINE_TESTS/archive_layout" > "$WINE_TESTS/archive_layout.py" ||
  { echo "could not build archive_layout"; echo "0 passed, 1 failed"; exit 1; }
export PYTHONPATH="$WINE_TESTS${PYTHONPATH:+:$PYTHONPATH}"

# A prefix just made for this architecture (STUBKIT_WINE_PREFIX_COPY, as scripts/test-windows.sh
# leaves its probe's) is copied rather than booted again: a Wine start-up saved.
template="${STUBKIT_WINE_PREFIX_COPY:-}"
if [ -n "$template" ] && grep -qx "#arch=$WINE_ARCH" "$template/system.reg" 2>/dev/null; then
  cp -a "$template" "$WINE_TESTS/prefix"
else
  wine_prefix "$WINE_TESTS/prefix" "$WINE_ARCH" || { echo "0 passed, 1 failed"; exit 1; }
fi
wine_env "$WINE_TESTS/prefix" "$WINE_ARCH"

passed=0
failed=0
for test in "$here"/${WINE_TESTS_ONLY:-test_*}.sh; do
  name="$(basename "$test" .sh)"
  started=$SECONDS
  xvfb-run -a -s "-screen 0 1024x768x24" bash "$test" > "$WINE_TESTS/$name.log" 2>&1
  rc=$?
  echo "== $name ($((SECONDS - started)) s)"
  grep -v 'X connection to' "$WINE_TESTS/$name.log"
  p=$(grep -c '^PASS ' "$WINE_TESTS/$name.log")
  f=$(grep -c '^FAIL ' "$WINE_TESTS/$name.log")
  # A script that failed without saying what failed still counts as one failure.
  if [ "$rc" -ne 0 ] && [ "$f" -eq 0 ]; then f=1; echo "FAIL $name: exit code $rc"; fi
  passed=$((passed + p))
  failed=$((failed + f))
done
echo "artifacts in $ARTIFACTS"
echo "$WINE_ARCH Wine, $SECONDS s in all"
echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ] && [ "$passed" -gt 0 ]
