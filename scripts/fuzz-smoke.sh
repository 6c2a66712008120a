#!/usr/bin/env bash
# Builds the libFuzzer targets (fuzz preset) and runs each for SECONDS on its seed corpus:
# 10 by default, enough to show in the test run that every target builds and runs; give more
# for a search (scripts/fuzz-smoke.sh 3600). Any crash, leak, sanitizer report, timeout (10 s
# per input) or allocation beyond 2 GiB fails the run. Usage: scripts/fuzz-smoke.sh [SECONDS]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-10}"

cmake --preset fuzz >/dev/null
cmake --build --preset fuzz -j2

build=build/fuzz/fuzz
work="$build/work"
artifacts="$build/artifacts"
mkdir -p "$artifacts"
# Leak detection stays on: the harness frees what it owns and what a failure path left.
export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1:symbolize=1"
export UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1"

declare -A corpus=([open_archive]=archives [extract]=archives [decode_folder]=folders
                   [decoders]=decoders [pe_resources]=pe [icon_file]=icons
                   [version_manifest]=resources)
# One target's run: its log and its figures, printed after the run; non-zero on any finding.
run_target() {
  local target="$1"
  # New inputs go to a work directory of their own; the seeds stay as generated.
  rm -rf "${work:?}/$target"
  mkdir -p "$work/$target"
  "$build/fuzz_$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2560 \
    -malloc_limit_mb=2048 -dict=fuzz/7z.dict -print_final_stats=1 \
    -artifact_prefix="$artifacts/$target-" "$work/$target" "$build/seeds/${corpus[$target]}" \
    > "$build/$target.log" 2>&1
}

# A libFuzzer run uses one core: the targets run as many at a time as there are cores.
targets=(open_archive extract decode_folder decoders pe_resources icon_file version_manifest)
slots="$(nproc 2>/dev/null || echo 1)"
declare -A pid_of
for target in "${targets[@]}"; do
  while [ "$(jobs -rp | wc -l)" -ge "$slots" ]; do wait -n || :; done
  echo "== fuzz_$target for ${seconds}s"
  run_target "$target" &
  pid_of[$target]=$!
done
failed=()
for target in "${targets[@]}"; do
  echo "== fuzz_$target"
  if ! wait "${pid_of[$target]}"; then
    failed+=("$target")
    tail -n 60 "$build/$target.log"
  fi
  grep -E '^stat::(number_of_executed_units|average_exec_per_sec|new_units_added|peak_rss_mb)|^#[0-9]+ +DONE' \
    "$build/$target.log" || true
  grep -E 'cov: [0-9]+ ft: [0-9]+' "$build/$target.log" | tail -n 1 || true
done

if [ ${#failed[@]} -gt 0 ]; then
  echo "== fuzz smoke FAILED: ${failed[*]} (inputs in $artifacts)"
  exit 1
fi
echo "== fuzz smoke passed"
