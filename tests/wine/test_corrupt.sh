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
stub_size=$(stat -c %s "$STUB")
size=$(stat -c %s "$good")

# flip_byte FILE OFFSET: inverts the bits of one byte in place.
flip_byte() {
  python3 -c "import sys; f=open(sys.argv[1],'r+b'); f.seek(int(sys.argv[2])); b=f.read(1)[0]; \
f.seek(int(sys.argv[2])); f.write(bytes([b ^ 0xFF]))" "$1" "$2"
}

# Each case: name, then how the installer is damaged.
make_case() {
  local file="$work/$1.exe"
  cp "$good" "$file"
  case "$1" in
    packed-data) flip_byte "$file" $((stub_size + 32 + (size - stub_size - 32) / 3)) ;;
    header) flip_byte "$file" $((size - 12)) ;;
    truncated) truncate -s $((size - (size - stub_size) / 2)) "$file" ;;
    no-archive) cp "$STUB" "$file" ;;
  esac
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
  # A stub that shows no box may hang in one; end it so that the test itself cannot hang.
  ( sleep 30; kill "$launched_pid" 2>/dev/null ) & watchdog=$!
  wait "$launched_pid"
  rc=$?
  kill "$watchdog" 2>/dev/null
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
