#!/bin/bash
# stubpack.exe under wine64 against the Linux stubpack: the same command-line answers and exit
# codes, byte-identical installers from the same tree, stub and SOURCE_DATE_EPOCH (and the
# Windows one installs), -o refused on Windows terms, and list, check and extract agreeing on
# the project's test installers. run.sh exports STUBPACK_EXE and TEST_INSTALLERS (the program
# that writes those installers).
. "$(dirname "$0")/lib.sh"
work="$WINE_TESTS/stubpack-windows"
# One Wine server for the whole script: each of its many short runs then starts quicker.
wineserver -p
rm -rf "$work" && mkdir -p "$work"
# stubpack.exe is a 64-bit program: the 32-bit Wine round has nothing to run it on.
[ "$WINE_ARCH" = win64 ] || { echo "stubpack.exe runs under wine64 only: not in this round"; exit 0; }
[ -f "${STUBPACK_EXE:-}" ] || { fail stubpack-exe "no stubpack.exe (preset windows-tools)"; exit 1; }

# run_both NAME ARGS...: each tool in its own copy of the work directory, so relative paths in
# the arguments and in the answers read the same. Leaves rc_linux/rc_windows and
# $work/NAME.linux/.windows (stdout, then stderr, line ends as on Linux).
run_both() {
  local name="$1"
  shift
  mkdir -p "$work/linux" "$work/windows"
  (cd "$work/linux" && "$STUBPACK" "$@" >"$work/$name.linux" 2>"$work/$name.linux.err")
  rc_linux=$?
  (cd "$work/windows" && wine "$STUBPACK_EXE" "$@" >"$work/$name.windows" 2>"$work/$name.windows.err")
  rc_windows=$?
  # The systems word a missing file each their own way.
  for side in linux windows; do
    grep -v 'X connection to' "$work/$name.$side.err" | cat "$work/$name.$side" - | tr -d '\r' |
      sed -E 's/: (No such file or directory|File not found)$/: (not found)/' > "$work/$name.$side.all"
  done
}

# agree NAME ARGS...: same exit code and same text from both.
agree() {
  local name="$1"
  run_both "$@"
  if [ "$rc_linux" != "$rc_windows" ]; then
    fail "$name" "exit code $rc_windows, Linux $rc_linux: $(head -c 300 "$work/$name.windows.all")"
  elif ! difference="$(diff "$work/$name.linux.all" "$work/$name.windows.all")"; then
    fail "$name" "output differs: $(head -c 600 <<<"$difference")"
  else
    pass "$name"
  fi
}

# refused_beyond_max_path NAME: the Windows run ended as the stub does on a path it cannot
# create.
refused_beyond_max_path() {
  if [ "$rc_windows" -eq 1 ] && grep -q 'output file cannot be created' "$work/$1.windows.all"; then
    pass "$1"
  else
    fail "$1" "exit code $rc_windows: $(head -c 300 "$work/$1.windows.all")"
  fi
}

# The command line: help, version, usage errors and their exit codes.
cli_cases=(
  "help|--help" "pack-help|pack --help" "help-list|help list" "no-command|"
  "unknown-command|bogus" "pack-without-source|pack" "bad-threads|pack --threads x src -o x.exe"
  "option-before-command|-o x.exe pack src" "list-without-installer|list"
  "check-missing|check missing.exe" "extract-missing|extract missing.exe out"
)
for entry in "${cli_cases[@]}"; do
  IFS='|' read -r name args <<<"$entry"
  # shellcheck disable=SC2086
  agree "cli-$name" $args
done
run_both version --version
if [ "$rc_windows" -eq 0 ] && [ "$(head -n1 "$work/version.windows.all")" = "$(head -n1 "$work/version.linux.all")" ] &&
   grep -q '^stub: .*stub\.exe (Windows stub ' "$work/version.windows.all"; then
  pass cli-version
else
  fail cli-version "$(cat "$work/version.windows.all")"
fi

# A tree with names beyond ASCII, a read-only file and an empty directory, packed by both on
# the same stub with the same time. Windows keeps no execute bit: the tree has none either.
tree="$work/tree"
mkdir -p "$tree/Ünïcödé dir/日本語" "$tree/empty dir" "$tree/docs"
cp "$PROBE" "$tree/setup.exe"
printf 'größe\n' > "$tree/Ünïcödé dir/Größe résumé.txt"
printf 'テキスト\n' > "$tree/Ünïcödé dir/日本語/ファイル.txt"
printf 'do not change\n' > "$tree/docs/read-only.txt"
find "$tree" -type f -exec chmod 644 {} +
chmod 444 "$tree/docs/read-only.txt"
export SOURCE_DATE_EPOCH=1700000000
"$STUBPACK" pack -q --stub "$STUB" -o "$work/linux.exe" "$tree" > "$work/pack-linux.log" 2>&1
wine "$STUBPACK_EXE" pack -q --stub "$(windows_path "$STUB")" -o "$(windows_path "$work/windows.exe")" \
  "$(windows_path "$tree")" > "$work/pack-windows.log" 2>&1
rc=$?
unset SOURCE_DATE_EPOCH
if [ "$rc" -ne 0 ] || [ ! -s "$work/windows.exe" ]; then
  fail pack-identical "stubpack.exe failed ($rc): $(tr -d '\r' < "$work/pack-windows.log")"
elif ! cmp -s "$work/linux.exe" "$work/windows.exe"; then
  fail pack-identical "the installers differ: $(cmp "$work/linux.exe" "$work/windows.exe")"
else
  pass pack-identical
fi
# The Windows pack installs: setup.exe runs and finds every file of the tree.
export SETUP_PROBE_OUT="$(windows_path "$work/probe.txt")"
wine "$work/windows.exe" 2> >(grep -v 'X connection to' >&2)
rc=$?
unset SETUP_PROBE_OUT
found="$(tr -d '\r' < "$work/probe.txt" 2>/dev/null | awk -F'\t' '$1 == "F" || $1 == "D" { print $2 }' | sort)"
expected="$(cd "$tree" && find . -mindepth 1 | sed 's|^\./||' | sort)"
if [ "$rc" -ne 0 ]; then fail pack-installs "exit code $rc"
elif [ "$found" != "$expected" ]; then fail pack-installs "setup.exe found [$found], expected [$expected]"
else pass pack-installs; fi

# -o refused on Windows terms: exit code 2, a reason, nothing written.
cp "$STUBPACK_EXE" "$work/stubpack-copy.exe"
refusals=(
  "directory|$(windows_path "$work")|a directory"
  "nul|NUL|a device" "con|CON|a device" "con-with-extension|con.exe|a device"
  "device-namespace|\\\\.\\PhysicalDrive0|a device"
  "stub|$(windows_path "$STUB")|the stub the installer is built on"
  "itself|$(windows_path "$work/stubpack-copy.exe")|the running stubpack"
)
for entry in "${refusals[@]}"; do
  IFS='|' read -r name output reason <<<"$entry"
  stub="$STUB"
  # A copy of stubpack.exe runs, so that the copy is the program that refuses to overwrite itself.
  program="$STUBPACK_EXE"
  [ "$name" = itself ] && program="$work/stubpack-copy.exe"
  before="$(md5sum "$STUB" "$work/stubpack-copy.exe")"
  (cd "$work/windows" && wine "$program" pack -q --stub "$(windows_path "$stub")" -o "$output" \
    "$(windows_path "$tree")" > "$work/refuse-$name.log" 2>&1)
  rc=$?
  text="$(tr -d '\r' < "$work/refuse-$name.log")"
  if [ "$rc" -ne 2 ]; then fail "refuse-$name" "exit code $rc: $text"
  elif [[ "$text" != *"cannot write "*"$reason"* ]]; then fail "refuse-$name" "$text"
  elif [ "$before" != "$(md5sum "$STUB" "$work/stubpack-copy.exe")" ]; then fail "refuse-$name" "a program changed"
  elif [ -n "$(find "$work" -name '*.partial')" ]; then fail "refuse-$name" "a partial file was left"
  else pass "refuse-$name"; fi
done

# A reparse point in the tree is refused like a symbolic link (Wine shows a Linux link to a
# directory as one).
linked="$work/linked-tree"
mkdir -p "$linked" && cp "$PROBE" "$linked/setup.exe" && ln -s "$tree/docs" "$linked/docs"
wine "$STUBPACK_EXE" pack -q --stub "$(windows_path "$STUB")" -o "$(windows_path "$work/linked.exe")" \
  "$(windows_path "$linked")" > "$work/linked.log" 2>&1
rc=$?
text="$(tr -d '\r' < "$work/linked.log")"
if [ "$rc" -ne 2 ] || [[ "$text" != *'docs is a symbolic link'* ]] || [ -e "$work/linked.exe" ]; then
  fail refuse-reparse-point "exit code $rc: $text"
else
  pass refuse-reparse-point
fi

# list, check and extract on the project's test installers and on the two packs.
installers="$work/linux/installers"
mkdir -p "$installers" "$work/windows/installers"
"$TEST_INSTALLERS" "$STUB" "$installers" || { fail installers "could not write them"; exit 1; }
cp "$work/linux.exe" "$installers/packed.exe"
cp "$installers"/*.exe "$work/windows/installers/"
for installer in "$installers"/*.exe; do
  name="$(basename "$installer" .exe)"
  # Every form of escape once (as a file), and no gigabyte of zeros written twice.
  case "$name" in hostile-escape-*-file) ;; hostile-escape-*) continue ;; esac
  case "$name" in *GiB*) continue ;; esac
  agree "list-$name" list "installers/$name.exe"
  case "$name" in
    *-deep-path | *-deeper-than-any-path | *-long-path)
      # Paths beyond MAX_PATH: Linux writes them, the Windows stub cannot create them.
      run_both "check-$name" check "installers/$name.exe"
      refused_beyond_max_path "check-$name"
      run_both "extract-$name" extract "installers/$name.exe" "out-$name"
      refused_beyond_max_path "extract-$name"
      continue ;;
  esac
  agree "check-$name" check "installers/$name.exe"
  agree "extract-$name" extract "installers/$name.exe" "out-$name"
  # What the extraction left: the same names and bytes on both sides.
  left_linux="$(cd "$work/linux" && find "out-$name" -type f -exec md5sum {} + 2>/dev/null | sort)"
  left_windows="$(cd "$work/windows" && find "out-$name" -type f -exec md5sum {} + 2>/dev/null | sort)"
  [ "$left_linux" = "$left_windows" ] || fail "extracted-$name" "the trees differ"
done
exit $((failures > 0))
