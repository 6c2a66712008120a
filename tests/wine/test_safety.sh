#!/bin/bash
# The Windows safety rules under Wine:
# - a temporary path holding a blank and a non-ASCII letter: setup.exe gets exactly its
#   arguments after its quoted path, and that directory as its current directory;
# - entry names made of fullwidth look-alikes of dots, slashes and backslashes, aimed at the
#   drive root and the system directory: nothing appears outside the temporary directory, and a
#   fullwidth "setup.exe" never runs as setup.exe;
# - a comctl32.dll planted beside the installer, with Wine told to search the application
#   directory first (as Windows does for DLLs that are not KnownDLLs): it is never loaded, and
#   the install completes;
# - the manifest and the version resource are in stub.exe.
. "$(dirname "$0")/lib.sh"
here="$(cd "$(dirname "$0")" && pwd)"
work="$WINE_TESTS/safety"
rm -rf "$work" && mkdir -p "$work"

src="$work/tree"
mkdir -p "$src"
cp "$PROBE" "$src/setup.exe"
printf 'data\n' > "$src/file.txt"
installer="$work/installer.exe"
pack_installer "$installer" "$src" || { fail pack "stubpack could not pack the tree"; exit 1; }

# Runs an installer by its Windows command line; leaves the exit code in rc and the probe's
# record in $work/probe.txt (absent when no probe ran).
run_installer() {
  rm -f "$work/probe.txt"
  export SETUP_PROBE_OUT="$(windows_path "$work/probe.txt")"
  launch "$1"
  wait "$launched_pid"
  rc=$?
  unset SETUP_PROBE_OUT
}

# --- A temporary path with a blank and a non-ASCII letter (Wine reads TEMP from the registry).
temp_win='C:\temp dir Ü'
mkdir -p "$WINEPREFIX/drive_c/temp dir Ü"
for variable in TEMP TMP; do
  LC_ALL=C.UTF-8 wine reg add 'HKCU\Environment' /v "$variable" /d "$temp_win" /f >/dev/null 2>&1
done
run_installer "\"$(windows_path "$installer")\" first \"two words\""
# The probe writes its directory in UTF-8 and its command line as it got it, in its own ANSI
# code page (1252 here).
probe_field() {
  python3 - "$work/probe.txt" "$1" "$2" <<'PY' 2>/dev/null
import sys
for line in open(sys.argv[1], "rb").read().split(b"\n"):
    name, _, value = line.rstrip(b"\r").partition(b"\t")
    if name.decode("ascii", "replace") == sys.argv[2]:
        print(value.decode(sys.argv[3]))
PY
}
cwd="$(probe_field cwd utf-8)"
cmdline="$(probe_field cmdline cp1252)"
if [ "$rc" -ne 0 ]; then fail temp-blank-non-ascii "exit code $rc"
elif [[ "$cwd" != "$temp_win\\cab"*.tmp ]]; then fail temp-blank-non-ascii "setup.exe ran in [$cwd]"
# One blank after the quoted path, then the tail, which keeps its own leading blank.
elif [ "$cmdline" != "\"$cwd\\setup.exe\"  first \"two words\"" ]; then
  fail temp-blank-non-ascii "command line [$cmdline]"
elif [ -n "$(ls -A "$WINEPREFIX/drive_c/temp dir Ü")" ]; then
  fail temp-blank-non-ascii "left behind: $(ls -A "$WINEPREFIX/drive_c/temp dir Ü")"
else pass temp-blank-non-ascii; fi
for variable in TEMP TMP; do
  wine reg add 'HKCU\Environment' /v "$variable" /t REG_EXPAND_SZ /d '%USERPROFILE%\Temp' /f \
    >/dev/null 2>&1
done

# --- Fullwidth look-alikes: U+FF0E '．', U+FF0F '／', U+FF3C '＼'. A code page without them
# must not turn them into '.', '/' and '\' on the way to the file system.
look="$work/lookalike"
mkdir -p "$look"
up='．．／．．／．．／．．／．．／．．／'
back='．．＼．．＼．．＼．．＼．．＼．．＼'
printf 'x\n' > "$look/${up}stubkit-root.txt"
printf 'x\n' > "$look/${back}windows＼system32＼stubkit-system.txt"
cp "$PROBE" "$look/ｓｅｔｕｐ.ｅｘｅ"
pack_installer "$work/lookalike.exe" "$look" --allow-no-setup || { fail lookalike "stubpack could not pack"; exit 1; }
before="$(temp_dirs)"
run_installer "\"$(windows_path "$work/lookalike.exe")\""
escaped="$(find "$WINEPREFIX/drive_c" "$work" -name 'stubkit-*.txt' 2>/dev/null | grep -v '/cab[^/]*\.tmp/' || true)"
left="$(comm -13 <(echo "$before") <(temp_dirs))"
if [ -n "$escaped" ]; then fail lookalike "written outside the temporary directory: $escaped"
elif [ -e "$work/probe.txt" ]; then fail lookalike "the fullwidth setup.exe ran as setup.exe"
elif [ "$rc" -ne 0 ] && [ "$rc" -ne 1 ]; then fail lookalike "exit code $rc"
elif [ -n "$left" ]; then fail lookalike "temporary directory left: $left"
else pass "lookalike (exit code $rc)"; fi

# --- A planted comctl32.dll beside the installer.
plant="$work/downloads"
mkdir -p "$plant"
"$MINGW_GCC" -shared -Os -s -Wl,--kill-at -o "$plant/comctl32.dll" "$here/planted_dll.c" &&
  "$MINGW_GCC" -Os -s -mwindows -o "$plant/load_by_name.exe" "$here/load_by_name.c" ||
  { fail planted-dll "could not build the test DLL"; exit 1; }
cp "$installer" "$plant/my-installer.exe"
overrides="$WINEDLLOVERRIDES"
export WINEDLLOVERRIDES="$overrides;comctl32=n,b"
# The control: a program that loads comctl32.dll by name takes the planted one.
wine "$plant/load_by_name.exe" 2>/dev/null
if [ ! -e "$plant/comctl32.dll.marker" ]; then
  fail planted-dll "control: the planted DLL was not loaded by name, the test shows nothing"
else
  rm -f "$plant/comctl32.dll.marker"
  run_installer "\"$(windows_path "$plant/my-installer.exe")\""
  if [ -e "$plant/comctl32.dll.marker" ]; then fail planted-dll "the installer loaded the planted DLL"
  elif [ "$rc" -ne 0 ] || [ ! -s "$work/probe.txt" ]; then fail planted-dll "install did not complete (exit code $rc)"
  else pass planted-dll; fi
fi
export WINEDLLOVERRIDES="$overrides"

# --- The manifest (RT_MANIFEST 24, id 1) and the version resource (RT_VERSION 16, id 1).
manifest="$(wrestool -x --raw --type=24 --name=1 "$STUB" 2>/dev/null)"
missing=""
for want in 'level="asInvoker"' 'uiAccess="false"' '{35138b9a-5d96-4fbd-8e2d-a2440225f93a}' \
            '{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}' 'Microsoft.Windows.Common-Controls' \
            '<dpiAware' '>UTF-8</activeCodePage>' '>true</longPathAware>'; do
  [[ "$manifest" == *"$want"* ]] || missing+=" $want"
done
if [ -n "$missing" ]; then fail manifest "missing:$missing"; else pass manifest; fi
version="$(wrestool -x --raw --type=16 --name=1 "$STUB" 2>/dev/null |
  python3 -c 'import sys; print(sys.stdin.buffer.read().decode("utf-16-le", "replace"))' | tr -c '[:print:]' ' ')"
if [[ "$version" != *"ProductName"*"stubkit"* || "$version" != *"FileVersion"* ]]; then
  fail version "no product name and version in [$version]"
else pass version; fi
exit $((failures > 0))
