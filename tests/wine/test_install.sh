#!/bin/bash
# An installer of a varied tree runs under Wine: it exits with 0, setup.exe sees the extracted
# tree exactly as packed (contents, times, attributes), runs in the temporary directory, gets the
# stub's arguments with the stub's spacing after its quoted path, and the temporary directory
# goes away afterwards, read-only files included.
. "$(dirname "$0")/lib.sh"
here="$(cd "$(dirname "$0")" && pwd)"
work="$WINE_TESTS/install"
rm -rf "$work" && mkdir -p "$work"

# The tree: nested directories, an empty file, a read-only file, names beyond ASCII (within the
# Windows ANSI code page the stub's file calls use), binary data and real x86 programs.
src="$work/tree"
mkdir -p "$src/bin" "$src/docs/nested/deeper" "$src/Ünïcödé dir" "$src/empty dir"
cp "$PROBE" "$src/setup.exe"
cp "$STUB" "$src/bin/stub-copy.exe"
cp "$LAUNCHER" "$src/bin/launcher.exe"
# BCJ2 is for x86 code: where the test programs are x64, an x86 build of one joins the tree.
if [ "$WINE_ARCH" = win64 ]; then
  i686-w64-mingw32-gcc -Os -s -mwindows -o "$src/bin/launcher-x86.exe" "$here/launcher.c" \
    -lshell32 || { fail x86-program "could not build an x86 program"; exit 1; }
fi
printf 'read me\r\n' > "$src/docs/nested/deeper/readme.txt"
: > "$src/empty.dat"
printf 'do not change\n' > "$src/docs/read-only.txt"
printf 'größe\n' > "$src/Ünïcödé dir/Größe résumé.txt"
python3 -c "import random,sys; r=random.Random(7); sys.stdout.buffer.write(bytes(r.getrandbits(8) for _ in range(70000)))" > "$src/bin/random.bin"
touch -d '2001-02-03 04:05:06.7891234' "$src/setup.exe"
touch -d '1999-12-31 23:59:59' "$src/empty.dat"
touch -d '2020-06-07 08:09:10.5' "$src/docs/nested/deeper/readme.txt"
touch -d '2024-02-29 12:00:00.0000001' "$src/Ünïcödé dir/Größe résumé.txt"
chmod a-w "$src/docs/read-only.txt"

installer="$work/installer.exe"
pack_installer "$installer" "$src" || { fail pack "stubpack could not pack the tree"; exit 1; }
win_installer="$(windows_path "$installer")"
# The x86 programs must have gone through BCJ2: its method id appears in the archive's header.
python3 - "$installer" "$(stat -c %s "$STUB")" <<'PY' || { fail bcj2 "no BCJ2 coder in the header"; exit 1; }
import struct, sys
from archive_layout import *
data = open(sys.argv[1], "rb").read()
start = data.index(SIGNATURE, int(sys.argv[2]))
offset = struct.unpack_from("<Q", data, start + NEXT_HEADER_OFFSET_AT)[0]
size = struct.unpack_from("<Q", data, start + NEXT_HEADER_SIZE_AT)[0]
header = start + START_HEADER_SIZE + offset
sys.exit(b"\x03\x03\x01\x1b" not in data[header:header + size])
PY

# The same installer under a name with bytes above 0x7F in the ANSI code page: they belong to
# the program name when the command line is scanned for the stub's arguments.
cp "$installer" "$work/Ünïcödé-installer.exe"
win_accented="$(windows_path "$work/Ünïcödé-installer.exe")"

# Command line given to the stub | what setup.exe must get after its quoted path and one blank.
cases=(
  "quoted-two-blanks|\"$win_installer\"  first \"two  words\"	last|  first \"two  words\"	last"
  "quoted-alone|\"$win_installer\"|"
)
# An unquoted program name cannot hold a blank.
if [[ "$win_installer" != *" "* ]]; then
  cases+=("unquoted-tab|$win_installer	arg|arg" "unquoted-non-ascii|$win_accented	arg  x|arg  x")
fi

n=0
for entry in "${cases[@]}"; do
  IFS='|' read -r name command_line tail <<<"$entry"
  n=$((n + 1))
  out="$work/probe-$n.txt"
  before="$(temp_dirs)"
  export SETUP_PROBE_OUT="$(windows_path "$out")"
  launch "$command_line"
  wait "$launched_pid"
  rc=$?
  unset SETUP_PROBE_OUT
  if [ "$rc" -ne 0 ]; then fail "$name" "exit code $rc"; continue; fi
  if [ ! -s "$out" ]; then fail "$name" "setup.exe did not run"; continue; fi
  cwd="$(python3 "$here/listing.py" field "$out" cwd)"
  cmdline="$(python3 "$here/listing.py" field "$out" cmdline)"
  case "$cwd" in
    *\\cab*.tmp) ;;
    *) fail "$name" "setup.exe ran in $cwd, not in a fresh temporary directory"; continue ;;
  esac
  if [ "$cmdline" != "\"$cwd\\setup.exe\" $tail" ]; then
    fail "$name" "command line [$cmdline], expected [\"$cwd\\setup.exe\" $tail]"
    continue
  fi
  if ! diff_out="$(python3 "$here/listing.py" check "$src" "$out")"; then
    fail "$name" "extracted tree differs: $diff_out"
    continue
  fi
  temp="$(unix_path "$cwd")"
  if ! left="$(python3 "$here/listing.py" leftovers "$temp")"; then
    fail "$name" "$left"
    continue
  fi
  new_dirs="$(comm -13 <(echo "$before") <(temp_dirs) | grep -vxF "$temp" || true)"
  if [ -n "$new_dirs" ]; then fail "$name" "other temporary directories left: $new_dirs"; continue; fi
  pass "$name"
done
# Without setup.exe the entries are still unpacked, nothing is started, the temporary
# directory goes away and the exit code is 0.
mkdir -p "$work/no-setup/sub" && printf 'data\n' > "$work/no-setup/sub/file.txt"
if pack_installer "$work/no-setup.exe" "$work/no-setup" --allow-no-setup; then
  before="$(temp_dirs)"
  launch "\"$(windows_path "$work/no-setup.exe")\" arg"
  wait "$launched_pid"
  rc=$?
  left="$(comm -13 <(echo "$before") <(temp_dirs))"
  if [ "$rc" -ne 0 ]; then fail no-setup "exit code $rc"
  elif [ -n "$left" ]; then fail no-setup "temporary directory left: $left"
  else pass no-setup; fi
else
  fail no-setup "stubpack could not pack the tree"
fi
exit $((failures > 0))
