#!/usr/bin/env bash
# Packing time of stubpack on every core against the same stubpack on one thread, measured in
# pairs in this run (alternating which goes first, so the machine's load falls on both alike):
#   bench/pack_threads.sh STUBPACK TREE RUNS [PACK_OPTION...]
# Prints one line: the medians of --threads 1 (wall s, user+system s, peak RSS KiB), the same
# for the default thread count, the median of the pairs' wall ratios (default / one), the
# threads the default used and the folders planned. Fails if the two installers differ.
set -euo pipefail
stubpack=$1
tree=$2
runs=$3
shift 3
stub="$(dirname "$stubpack")/stub"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# run NAME [--threads N]: one pack; appends "wall cpu rss" to $work/NAME.
run() {
  local name=$1
  shift
  /usr/bin/time -f '%e %U %S %M' -o "$work/time" "$stubpack" pack --stub "$stub" "$@" \
    "$tree" -o "$work/$name.installer" > "$work/$name.summary" 2>/dev/null
  awk '{ print $1, $2 + $3, $4 }' "$work/time" >> "$work/$name"
}
for ((i = 0; i < runs; ++i)); do
  if ((i % 2 == 0)); then
    run one --threads 1 "$@"; run default "$@"
  else
    run default "$@"; run one --threads 1 "$@"
  fi
  cmp -s "$work/one.installer" "$work/default.installer" ||
    { echo "pack_threads.sh: --threads 1 and the default wrote different installers" >&2; exit 1; }
done
threads=$(sed -n 's/.* on \([0-9]*\) threads\{0,1\}$/\1/p' "$work/default.summary")
folders=$("$stubpack" check "$work/one.installer" | sed -n 's/^header: .*, \([0-9]*\) folders\{0,1\}$/\1/p')
paste -d' ' "$work/one" "$work/default" | awk -v t="$threads" -v f="$folders" '
  function median(a, n,   i, j, x) {
    for (i = 1; i <= n; ++i) for (j = i + 1; j <= n; ++j) if (a[j] < a[i]) { x = a[i]; a[i] = a[j]; a[j] = x }
    return n % 2 ? a[(n + 1) / 2] : (a[n / 2] + a[n / 2 + 1]) / 2
  }
  { ++n; ow[n] = $1; oc[n] = $2; om[n] = $3; dw[n] = $4; dc[n] = $5; dm[n] = $6; r[n] = $4 / $1 }
  END { printf "%.2f %.2f %d %.2f %.2f %d %.3f %s %s\n", median(ow, n), median(oc, n),
               median(om, n), median(dw, n), median(dc, n), median(dm, n), median(r, n), t, f }'
