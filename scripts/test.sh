#!/usr/bin/env bash
# Sets up and runs every test: Debug and ASan+UBSan builds with all unit and end-to-end tests,
# the main job on the release build, then the Windows stub under Wine and the fuzz smoke run
# where their scripts exist.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh --windows

# Every test stage runs whatever an earlier one gave (a build that fails still stops the run);
# any failure fails the whole run at the end.
failed=()
for preset in debug asan; do
  echo "== $preset build"
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" -j2
  echo "== $preset tests"
  ctest --preset "$preset" -j2 || failed+=("$preset tests")
done

# The README's main job on the release build: what optimised code makes of the stub is checked
# only here.
echo "== main job (release build, pack the example, run the installer)"
bash scripts/demo.sh || failed+=("main job")

if [ -x scripts/test-windows.sh ]; then
  echo "== Windows stub under Wine"
  scripts/test-windows.sh || failed+=("Windows stub under Wine")
fi

if [ -x scripts/fuzz-smoke.sh ]; then
  echo "== fuzz smoke"
  scripts/fuzz-smoke.sh || failed+=("fuzz smoke")
fi
if [ ${#failed[@]} -gt 0 ]; then
  printf '== FAILED: %s\n' "${failed[@]}"
  exit 1
fi
echo "== all tests passed"
