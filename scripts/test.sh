#!/usr/bin/env bash
# Sets up and runs every test: Debug and ASan+UBSan builds with all unit and end-to-end tests,
# the unit tests once more in one shuffled process, the main job on the release build, then the
# Windows stub under Wine and the fuzz smoke run. Prints each stage's time.
set -euo pipefail
cd "$(dirname "$0")/.."
started=$SECONDS
times=()
# stage NAME COMMAND...: runs one stage and notes its time; returns the stage's status. A test
# stage that fails is noted for the end ("|| :"); a build or install that fails stops the run.
failed=()
stage() {
  local name="$1" begun=$SECONDS status=0
  shift
  echo "== $name"
  "$@" || status=$?
  times+=("$(printf '%5d s  %s' $((SECONDS - begun)) "$name")")
  [ "$status" -eq 0 ] || failed+=("$name")
  return "$status"
}

stage "install" scripts/install-deps.sh --windows
# Whatever the install could not deliver is named here, all at once, before any test runs.
scripts/preflight.sh --windows

build() { cmake --preset "$1" >/dev/null && cmake --build --preset "$1" -j2; }
for preset in debug asan; do
  stage "$preset build" build "$preset"
  stage "$preset tests" ctest --preset "$preset" -j2 || :
done

# ctest gives each test a process of its own; here the unit tests run once more in one process,
# in an order drawn from a seed printed first (rerun with --gtest_random_seed=SEED), so that
# no test leans on another's leftovers.
seed=$((RANDOM % 10000 + 1))
stage "unit tests in one process, shuffled with seed $seed" \
  build/debug/tests/unit_tests --gtest_shuffle --gtest_random_seed="$seed" --gtest_brief=1 || :

# The README's main job on the release build: what optimised code makes of the stub is checked
# only here.
stage "main job (release build, pack the example, run the installer)" bash scripts/demo.sh || :
stage "Windows stub under Wine" scripts/test-windows.sh || :
stage "fuzz smoke" scripts/fuzz-smoke.sh || :

echo "== times"
printf '%s\n' "${times[@]}"
printf '%5d s  in all\n' $((SECONDS - started))
if [ ${#failed[@]} -gt 0 ]; then
  printf '== FAILED: %s\n' "${failed[@]}"
  exit 1
fi
echo "== all tests passed"
