#!/usr/bin/env bash
# Download-size corpora made from installed packages, the same bytes on every machine with
# the same package versions:
#   bench/trees.sh x86 DIR    stripped x86 code: the 10 mingw-w64 i686 DLLs and the first 30
#                             of Wine's i386 DLLs by name, all stripped
#   bench/trees.sh mixed DIR  a realistic installer of code, text and images: the stripped
#                             mingw-w64 DLLs, 30 Wine DLLs as plugins, each beside a mingw-w64
#                             header, an icon and a readme (kinds alternate in path order),
#                             license texts, and ImageMagick images drawn with fixed seeds
#   bench/trees.sh twins DIR  two folders of equal work: the x86 tree's DLLs in name order up
#                             to 5.7 MB, twice (a/ and b/z_*, so that no folder holds both
#                             copies), and a setup.exe; pack it with --solid-size 5655530
set -euo pipefail
kind=$1
dir=$2
for tool in i686-w64-mingw32-strip convert; do
  command -v $tool >/dev/null || { echo "trees.sh: $tool missing" >&2; exit 1; }
done
export SOURCE_DATE_EPOCH=0  # strip stamps the build time into PE headers otherwise
wine_dlls() { ls /usr/lib/i386-linux-gnu/wine/i386-windows/*.dll | sort | sed -n "$1"; }
if [ "$kind" = x86 ]; then
  rm -rf "$dir" && mkdir -p "$dir"
  for f in $(ls /usr/lib/gcc/i686-w64-mingw32/*/*.dll /usr/i686-w64-mingw32/lib/*.dll) \
           $(wine_dlls 1,30p); do
    i686-w64-mingw32-strip -o "$dir/$(basename "$f")" "$f"
  done
  exit 0
fi
if [ "$kind" = twins ]; then
  rm -rf "$dir" && mkdir -p "$dir/a" "$dir/b"
  "$0" x86 "$dir/x86"
  total=0
  for f in $(ls "$dir/x86" | sort); do
    size=$(stat -c %s "$dir/x86/$f")
    [ $((total + size)) -le 5700000 ] || continue
    cp "$dir/x86/$f" "$dir/a/$f"
    cp "$dir/x86/$f" "$dir/b/z_$f"
    total=$((total + size))
  done
  rm -rf "$dir/x86"
  printf 'MZ' > "$dir/setup.exe"
  exit 0
fi
[ "$kind" = mixed ] || { echo "usage: bench/trees.sh x86|mixed|twins DIR" >&2; exit 2; }
rm -rf "$dir" && mkdir -p "$dir/bin" "$dir/plugins" "$dir/doc" "$dir/images"
printf '#!/bin/sh\nexit 0\n' > "$dir/setup.exe"
chmod 755 "$dir/setup.exe"
for f in $(ls /usr/lib/gcc/i686-w64-mingw32/*/*.dll /usr/i686-w64-mingw32/lib/*.dll | sort); do
  i686-w64-mingw32-strip -o "$dir/bin/$(basename "$f")" "$f"
done
mapfile -t headers < <(find -L /usr/i686-w64-mingw32/include -maxdepth 1 -name '*.h' -size +8k |
                       sort | head -n 30)
n=0
for f in $(wine_dlls 31,60p); do
  name=$(basename "$f" .dll)
  p=$dir/plugins/$name
  mkdir -p "$p"
  i686-w64-mingw32-strip -o "$p/$name.dll" "$f"
  cp "${headers[$n]}" "$p/$name.h"
  convert -seed $((n + 1)) -size 48x48 plasma:fractal "$p/$name.ico"
  printf '%s plugin\n\nInstall it next to the program; see %s.h for its interface.\n' \
    "$name" "$name" > "$p/readme.txt"
  n=$((n + 1))
done
cp /usr/share/common-licenses/{Apache-2.0,GPL-3,LGPL-2.1,MPL-2.0,Artistic} "$dir/doc/"
k=0
for image in logo rose wizard granite netscape; do
  for format in bmp png jpg; do
    convert "$image:" -strip "$dir/images/$image.$format"
  done
  convert -seed $((100 + k)) -size 256x256 plasma:fractal "$dir/images/background$k.bmp"
  k=$((k + 1))
done
