#!/usr/bin/env bash
# Archive size and packing speed of stubpack on x86 PE files, against xz -9e --x86 and xz -9e
# of a tar of the same files and bsdtar's 7z writer at level 9, all measured in this run; also
# stubpack's size with --plain-header and its packing CPU time.
#   bench/pack_size.sh [STUBPACK] [CORPUS_FILE... | CORPUS_DIR]
# Default corpus: the i686 DLLs of the mingw-w64 packages; one directory argument packs that
# tree as it is. Use a release build of stubpack.
set -euo pipefail

stubpack=${1:-build/release/stubpack}
shift || true
if [ $# -gt 0 ]; then
  files=("$@")
else
  mapfile -t files < <(ls /usr/lib/gcc/i686-w64-mingw32/*/*.dll /usr/i686-w64-mingw32/lib/*.dll \
                       2>/dev/null | sort)
fi
if [ ${#files[@]} -eq 0 ]; then echo "no corpus files (install g++-mingw-w64-i686-posix)"; exit 1; fi
for tool in xz bsdtar tar; do command -v $tool >/dev/null || { echo "$tool missing"; exit 1; }; done

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
if [ ${#files[@]} -eq 1 ] && [ -d "${files[0]}" ]; then
  cp -a "${files[0]}" "$work/corpus"
  mapfile -t files < <(find "$work/corpus" -type f)
else
  mkdir "$work/corpus"
  for f in "${files[@]}"; do cp "$f" "$work/corpus/"; done
fi
stub="$(dirname "$stubpack")/stub"  # the Linux stub: stubpack takes only a stub of ours
stub_size=$(stat -c %s "$stub")
bytes=$(find "$work/corpus" -type f -exec cat {} + | wc -c)

now() { date +%s.%N; }
rate() { awk -v b="$1" -v s="$2" 'BEGIN { printf "%.2f", b / s / 1e6 }'; }

t0=$(now)
# CPU time as well: on a shared machine it varies less than the wall clock.
/usr/bin/time -f '%U %S' -o "$work/cpu" \
  "$stubpack" pack -q --allow-no-setup --stub "$stub" "$work/corpus" -o "$work/installer" 2>/dev/null
t1=$(now)
stubpack_cpu=$(awk '{ print $1 + $2 }' "$work/cpu")
"$stubpack" pack -q --allow-no-setup --plain-header --stub "$stub" "$work/corpus" -o "$work/plain" 2>/dev/null
plain_size=$(od -An -tu4 -j"$stub_size" -N4 "$work/plain" | tr -d ' ')
# The archive's length follows the stub.
stubpack_size=$(od -An -tu4 -j"$stub_size" -N4 "$work/installer" | tr -d ' ')
stubpack_time=$(awk -v a="$t0" -v b="$t1" 'BEGIN { print b - a }')

tar --sort=name --owner=0 --group=0 --numeric-owner -cf "$work/corpus.tar" -C "$work/corpus" .
t0=$(now)
xz -9e --x86 --lzma2=preset=9e -T1 -c "$work/corpus.tar" > "$work/corpus.tar.xz"
t1=$(now)
xz_size=$(stat -c %s "$work/corpus.tar.xz")
xz_time=$(awk -v a="$t0" -v b="$t1" 'BEGIN { print b - a }')
# Without the x86 filter, the peer for data that is not x86 code.
xz_plain_size=$(xz -9e -T1 -c "$work/corpus.tar" | wc -c)

t0=$(now)
bsdtar --format 7zip --options 7zip:compression-level=9 -cf "$work/corpus.7z" -C "$work/corpus" .
t1=$(now)
sevenzip_size=$(stat -c %s "$work/corpus.7z")
sevenzip_time=$(awk -v a="$t0" -v b="$t1" 'BEGIN { print b - a }')

printf 'corpus: %d files, %d bytes\n' "${#files[@]}" "$bytes"
printf '%-32s %12s %8s %10s\n' "packer" "bytes" "ratio" "MB/s"
printf '%-32s %12d %8.4f %10s\n' "stubpack (archive part)" "$stubpack_size" \
  "$(awk -v a="$stubpack_size" -v b="$bytes" 'BEGIN { print a / b }')" \
  "$(rate "$bytes" "$stubpack_time")"
printf '%-32s %12d %8.4f %10s\n' "stubpack --plain-header" "$plain_size" \
  "$(awk -v a="$plain_size" -v b="$bytes" 'BEGIN { print a / b }')" "-"
printf '%-32s %12d %8.4f %10s\n' "xz -9e (tar)" "$xz_plain_size" \
  "$(awk -v a="$xz_plain_size" -v b="$bytes" 'BEGIN { print a / b }')" "-"
printf '%-32s %12d %8.4f %10s\n' "xz -9e --x86 (tar)" "$xz_size" \
  "$(awk -v a="$xz_size" -v b="$bytes" 'BEGIN { print a / b }')" "$(rate "$bytes" "$xz_time")"
printf '%-32s %12d %8.4f %10s\n' "bsdtar 7zip level 9" "$sevenzip_size" \
  "$(awk -v a="$sevenzip_size" -v b="$bytes" 'BEGIN { print a / b }')" \
  "$(rate "$bytes" "$sevenzip_time")"
printf 'stubpack packing cpu time: %s s\n' "$stubpack_cpu"
printf 'stubpack / xz: %s   stubpack / bsdtar-7z: %s\n' \
  "$(awk -v a="$stubpack_size" -v b="$xz_size" 'BEGIN { printf "%.4f", a / b }')" \
  "$(awk -v a="$stubpack_size" -v b="$sevenzip_size" 'BEGIN { printf "%.4f", a / b }')"
[ "$stubpack_size" -lt "$xz_size" ] && [ "$stubpack_size" -lt "$sevenzip_size" ]
