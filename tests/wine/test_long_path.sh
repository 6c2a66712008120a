#!/bin/bash
# A path too long for Windows: stubpack names it before anything ships, and under Wine the
# installer fails on it as stubpack said. The tree holds setup.exe, a 100-character path and a
# 240-character one; under the assumed temporary directory (48 characters, then the stub's
# "\cabXXXX.tmp\") the second reaches 301 characters, beyond MAX_PATH.
# - pack and check warn about exactly that entry; with --strict both exit 1 (pack writes
#   nothing);
# - under Wine the installer shows "Unpacker" (Can not open output file), then "Error of
#   Unpacking", exits 1, never starts setup.exe and leaves no temporary directory.
. "$(dirname "$0")/lib.sh"
work="$WINE_TESTS/long-path"
rm -rf "$work" && mkdir -p "$work/tree"
cp "$PROBE" "$work/tree/setup.exe"
dir="$(printf 'd%.0s' {1..100})"
short="$(printf 's%.0s' {1..100})"
long="$dir/$(printf 'f%.0s' {1..139})"
mkdir -p "$work/tree/$dir"
printf 'short\n' > "$work/tree/$short"
printf 'long\n' > "$work/tree/$long"
installer="$work/long-path.exe"

# Every warning line of a run: exactly one, about the long path.
warned_once() {
  local lines
  lines="$(grep -c '^stubpack: warning' "$1")"
  [ "$lines" -eq 1 ] && grep -q "\"$long\": its full path is 301 characters" "$1"
}

"$STUBPACK" pack -q --stub "$STUB" --strict -o "$installer" "$work/tree" > "$work/strict.log" 2>&1
rc=$?
if [ "$rc" -ne 1 ]; then fail pack-strict "exit code $rc, expected 1"
elif [ -e "$installer" ]; then fail pack-strict "an installer was written"
elif ! warned_once "$work/strict.log"; then fail pack-strict "$(cat "$work/strict.log")"
else pass pack-strict; fi

if ! pack_installer "$installer" "$work/tree"; then fail pack "stubpack could not pack the tree"
elif ! warned_once "$installer.log"; then fail pack "$(cat "$installer.log")"
else pass pack; fi

"$STUBPACK" check --json "$installer" > "$work/check.json"
rc=$?
warnings="$(python3 -c 'import json, sys; print(len(json.load(open(sys.argv[1]))["warnings"]))' \
  "$work/check.json" 2>/dev/null)"
if [ "$rc" -ne 0 ]; then fail check "exit code $rc, expected 0"
elif [ "$warnings" != 1 ] || ! grep -q "$long" "$work/check.json"; then
  fail check "$(cat "$work/check.json")"
else pass check; fi
"$STUBPACK" check --strict "$installer" > "$work/check-strict.log"
rc=$?
if [ "$rc" -ne 1 ]; then fail check-strict "exit code $rc, expected 1"; else pass check-strict; fi

out="$work/probe.txt"
before="$(temp_dirs)"
export SETUP_PROBE_OUT="$(windows_path "$out")"
launch "\"$(windows_path "$installer")\""
specific="$(wait_window Unpacker 30)"
[ -n "$specific" ] && xdotool key Return
general="$(wait_window 'Error of Unpacking' 30)"
[ -n "$general" ] && xdotool key Return
wait_launched 30
rc=$launched_rc
left="$(comm -13 <(echo "$before") <(temp_dirs))"
if [ -z "$specific" ] || [ -z "$general" ]; then
  fail install "boxes: Unpacker [${specific:-none}], Error of Unpacking [${general:-none}] (exit $rc)"
elif [ "$rc" -ne 1 ]; then fail install "exit code $rc, expected 1"
elif [ -e "$out" ]; then fail install "setup.exe was started"
elif [ -n "$left" ]; then fail install "temporary directory left: $left"
else pass install; fi
exit $((failures > 0))
