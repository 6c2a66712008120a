#!/bin/bash
# Builds a small static liblzma for a mingw-w64 target from Debian's xz-utils source package:
# decoders only (the raw LZMA1 decoder is all the stub needs), CRC32 kept, no threads.
#   build-liblzma-mingw.sh DIR [TRIPLE [KIND]]
#     sources and build under DIR, result installed in DIR/prefix; TRIPLE is i686-w64-mingw32
#     (default) or x86_64-w64-mingw32; KIND is "decoder" (default, the stub's) or "encoder"
#     (stubpack.exe's: the raw LZMA1 encoder and its match finders as well, built for speed)
# Does nothing when DIR/prefix already holds the library built by this same script for TRIPLE
# and KIND.
# Runs as root or as a user with sudo: only installing packages and adding the source index
# take root; the download and the build run as the caller.
set -euo pipefail
# sudo drops the environment: the setting that keeps apt from asking goes on its command line.
as_root() {
  if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo env DEBIAN_FRONTEND=noninteractive "$@"; fi
}

dir="$(mkdir -p "${1:?usage: $0 DIR [TRIPLE]}" && cd "$1" && pwd)"
triple="${2:-i686-w64-mingw32}"
case "$triple" in
  i686-w64-mingw32) compiler_package=g++-mingw-w64-i686-posix ;;
  x86_64-w64-mingw32) compiler_package=g++-mingw-w64-x86-64-posix ;;
  *) echo "unknown target $triple" >&2; exit 2 ;;
esac
kind="${3:-decoder}"
case "$kind" in
  decoder)
    coders=(--disable-encoders --enable-decoders=lzma1 --disable-match-finders --enable-small)
    stamp_name="$triple"
    # No -fdata-sections: mingw's GCC would then put the zero-initialised CRC table into .data,
    # where it takes 1 KiB of the stub's file instead of none in .bss.
    cflags="-Os -ffunction-sections -fno-asynchronous-unwind-tables -fno-unwind-tables" ;;
  encoder)
    coders=(--enable-encoders=lzma1 --enable-decoders=lzma1)
    stamp_name="$triple-encoder"
    cflags="-O2" ;;
  *) echo "unknown kind $kind (decoder or encoder)" >&2; exit 2 ;;
esac
prefix="$dir/prefix"
stamp="$prefix/.built-by-stubkit-5-$stamp_name"
[ -f "$stamp" ] && [ -f "$prefix/lib/liblzma.a" ] && [ -f "$prefix/include/lzma.h" ] && exit 0

export DEBIAN_FRONTEND=noninteractive
# A mirror caught mid-sync fails one index now and then: tried twice, then what is at hand.
apt_update() {
  as_root apt-get update -q || { sleep 10; as_root apt-get update -q; } ||
    echo "build-liblzma-mingw: apt-get update failed; going on with the indexes at hand" >&2
}
command -v "$triple-gcc" >/dev/null ||
  { apt_update && as_root apt-get install -y -q --no-install-recommends "$compiler_package"; }
command -v dpkg-source >/dev/null ||
  { apt_update && as_root apt-get install -y -q --no-install-recommends dpkg-dev; }

# Source packages: a deb-src twin of every stanza of the Debian sources file.
src_list=/etc/apt/sources.list.d/debian-src.sources
if [ ! -f "$src_list" ]; then
  sed 's/^Types: deb$/Types: deb-src/' /etc/apt/sources.list.d/debian.sources |
    as_root tee "$src_list" >/dev/null
  apt_update
fi

source_dir="$(ls -d "$dir"/xz-utils-*/ 2>/dev/null | head -n1 || true)"
if [ -z "$source_dir" ] || [ ! -x "$source_dir/configure" ]; then
  rm -rf "$dir"/xz-utils-* "$dir"/xz-utils_*
  # apt drops privileges to _apt for the download and warns when it cannot; that is harmless.
  (cd "$dir" && apt-get source -q xz-utils >"$dir/apt-source.log" 2>&1) ||
    { cat "$dir/apt-source.log" >&2; exit 1; }
  source_dir="$(ls -d "$dir"/xz-utils-*/ | head -n1)"
fi
[ -x "$source_dir/configure" ] || { echo "no xz-utils source in $dir" >&2; exit 1; }

rm -rf "$dir/build" "$prefix"
mkdir -p "$dir/build"
cd "$dir/build"
log="$dir/build.log"
{
  "$source_dir/configure" --host="$triple" --prefix="$prefix" \
    --disable-shared --enable-static "${coders[@]}" \
    --enable-checks=crc32 --disable-microlzma --disable-lzip-decoder \
    --disable-xz --disable-xzdec --disable-lzmadec --disable-lzmainfo --disable-lzma-links \
    --disable-scripts --disable-doc --disable-nls --enable-threads=no CFLAGS="$cflags" &&
    make -j2 && make install
} >"$log" 2>&1 || { tail -n 40 "$log" >&2; echo "liblzma build failed; see $log" >&2; exit 1; }
touch "$stamp"
echo "liblzma ($kind) for $triple in $prefix"
