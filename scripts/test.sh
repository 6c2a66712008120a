#!/usr/bin/env bash
# Sets up and runs every test: Debug and ASan+UBSan builds with all unit and end-to-end tests,
# then the Windows stub under Wine and the fuzz smoke run where their scripts exist.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh --windows

for preset in debug asan; do
  echo "== $preset build"
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" -j2
  echo "== $preset tests"
  ctest --preset "$preset" -j2
done

# The Windows stage and the fuzz smoke both run whatever the other gives; any failure fails
# the whole run at the end.
failed=()
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
