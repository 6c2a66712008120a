#!/bin/bash
# Damaged installers under Wine: the general error box "Error of Unpacking" appears (a screenshot
# is kept), and once it is dismissed the stub exits with 1, has not started setup.exe and has
# left no temporary directory behind.
. "$(dirname "$0")/lib.sh"
work="$WINE_TESTS/corrupt"
rm -rf "$work" && mkdir -p "$work/tree/sub"
cp "$PROBE" "$work/tree/setup.exe"
python3 -c "import sys; sys.stdout.write(''.join('line %d of the text\n' % i for i in range(4000)))" \
  > "$work/tree/sub/text.txt"
good="$work/good.exe"
pack_installer "$good" "$work/tree" || { fail pack "stubpack could not pack the tree"; exit 1; }

# damage FILE HOW: "packed-data" or "header" inverts one byte in the middle of that part of
# the appended archive (found through its start header), "truncated" cuts the file in the middle
# of the packed data.
damage() {
  python3 - "$1" "$2" "$(stat -c %s "$STUB")" <<'PY'
import struct, sys
from archive_layout import *
path, how, stub_size = sys.argv[1], sys.argv[2], int(sys.argv[3])
data = bytearray(open(path, "rb").read())
start = data.index(SIGNATURE, stub_size)
offset = struct.unpack_from("<Q", data, start + NEXT_HEADER_OFFSET_AT)[0]
size = struct.unpack_from("<Q", data, start + NEXT_HEADER_SIZE_AT)[0]
packed, header = start + START_HEADER_SIZE, start + START_HEADER_SIZE + offset
if how == "truncated":
    del data[packed + (header - packed) // 2:]
else:
    at = packed + (header - packed) // 2 if how == "packed-data" else header + size // 2
    data[at] ^= 0xFF
open(path, "wb").write(data)
PY
}

# Each case: a copy of the good installer, damaged in one way, or the stub with no archive.
make_case() {
  local file="$work/$1.exe"
  if [ "$1" = no-archive ]; then cp "$STUB" "$file"; else cp "$good" "$file" && damage "$file" "$1"; fi
  printf '%s' "$file"
}

for name in packed-data header truncated no-archive; do
  installer="$(make_case "$name")"
  out="$work/probe-$name.txt"
  before="$(temp_dirs)"
  export SETUP_PROBE_OUT="$(windows_path "$out")"
  launch "\"$(windows_path "$installer")\" arg"
  box="$(wait_window 'Error of Unpacking' 30)"
  if [ -n "$box" ]; then
    import -window root "$ARTIFACTS/corrupt-$name.png" 2>/dev/null
    xdotool key Return
  fi
  wait_launched 30
  rc=$launched_rc
  unset SETUP_PROBE_OUT
  if [ -z "$box" ]; then fail "$name" "no \"Error of Unpacking\" box (exit code $rc)"; continue; fi
  if [ "$rc" -ne 1 ]; then fail "$name" "exit code $rc, expected 1"; continue; fi
  if [ -e "$out" ]; then fail "$name" "setup.exe was started"; continue; fi
  new_dirs="$(comm -13 <(echo "$before") <(temp_dirs))"
  if [ -n "$new_dirs" ]; then fail "$name" "temporary directory left: $new_dirs"; continue; fi
  if [ ! -s "$ARTIFACTS/corrupt-$name.png" ]; then fail "$name" "no screenshot"; continue; fi
  pass "$name"
done
exit $((failures > 0))
