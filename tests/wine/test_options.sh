#!/bin/bash
# The publisher's run options under Wine, one table: --ui none with a damaged installer (no
# window, no box, exit 1, the reason in the debugger's output, nothing left in TEMP); --run of
# a program in a subfolder (named in another case) and of a file that is no program (opened
# through its file type, and waited for); --args before the installer's own arguments, quoted
# as given; --title read back from the window; --wait all with a setup.exe that starts
# bin\helper.exe and returns at once (the helper still reads its files, nothing stays behind)
# and --wait setup, today's behaviour (the helper finds its files gone).
. "$(dirname "$0")/lib.sh"
work="$WINE_TESTS/options"
rm -rf "$work" && mkdir -p "$work"

# The trees: probe (setup_probe as setup.exe and as Tools\Probe.exe, and a document of a file
# type the prefix opens with child_probe), big (setup_probe and enough data for the window to
# stay a moment), spawn (child_probe as setup.exe and bin\helper.exe, with bin\data.txt).
mkdir -p "$work/probe/Tools" "$work/big" "$work/spawn/bin"
cp "$PROBE" "$work/probe/setup.exe"
cp "$PROBE" "$work/probe/Tools/Probe.exe"
echo document > "$work/probe/doc.stubtest"
cp "$PROBE" "$work/big/setup.exe"
head -c 6000000 /dev/urandom > "$work/big/data.bin"
cp "$CHILD_PROBE" "$work/spawn/setup.exe"
cp "$CHILD_PROBE" "$work/spawn/bin/helper.exe"
echo data > "$work/spawn/bin/data.txt"
wine reg add 'HKCR\.stubtest' /ve /d stubtest.file /f >/dev/null 2>&1
wine reg add 'HKCR\stubtest.file\shell\open\command' /ve \
  /d "\"$(windows_path "$CHILD_PROBE")\" read \"%1\"" /f >/dev/null 2>&1

# run_case NAME TREE TAIL STUBPACK_OPTIONS...: packs the tree (damaged for names starting with
# "damaged"), starts it with TAIL after its path, and leaves: rc, the window titles seen while
# it ran (titles), its debug output (debug), the probes' reports (probe, child) and the
# temporary directories it left (left).
run_case() {
  local name="$1" tree="$2" tail="$3"
  shift 3
  local installer="$work/$name.exe"
  "$STUBPACK" pack -q --stub "$STUB" --fast "$@" -o "$installer" "$work/$tree" \
    > "$installer.log" 2>&1 || { echo "stubpack: $(cat "$installer.log")"; return 1; }
  case "$name" in damaged*) damage_packed_byte "$installer" "$installer" ;; esac
  probe="$work/$name.probe" child="$work/$name.child" debug="$work/$name.debug"
  rm -f "$probe" "$child"
  export SETUP_PROBE_OUT="$(windows_path "$probe")" CHILD_PROBE_OUT="$(windows_path "$child")"
  local before
  before="$(temp_dirs)"
  WINEDEBUG=-all,warn+debugstr wine "$LAUNCHER" "\"$(windows_path "$installer")\"$tail" \
    2> "$debug" &
  local pid=$!
  # A box nobody closes would hang the run: the watchdog ends it (and the exit code shows it).
  ( sleep 60; kill "$pid" 2>/dev/null ) & local watchdog=$!
  # The titles as UTF-8 (_NET_WM_NAME; WM_NAME keeps only what the locale can say), but for
  # the window Wine keeps for input methods.
  titles=""
  while kill -0 "$pid" 2>/dev/null; do
    for window in $(xdotool search --name . 2>/dev/null); do
      titles+="$(xprop -id "$window" _NET_WM_NAME 2>/dev/null |
                 sed -n 's/^_NET_WM_NAME(UTF8_STRING) = "\(.*\)"$/\1/p')"$'\n'
    done
    sleep 0.05
  done
  wait "$pid"
  rc=$?
  kill "$watchdog" 2>/dev/null
  titles="$(sort -u <<<"$titles" | sed '/^$/d; /^Default IME$/d')"
  # A program that was not waited for (the helper, the document's) reports meanwhile.
  [ "$tree" = spawn ] || [ "$name" = run-document ] && sleep 1.5
  [ -e "$child" ] && sed -i 's/\r$//' "$child"
  left="$(comm -13 <(echo "$before") <(temp_dirs))"
  unset SETUP_PROBE_OUT CHILD_PROBE_OUT
}

# What must hold after each row's run.
holds_damaged_ui_none() {
  [ "$rc" = 1 ] && [ -z "$titles" ] && [ ! -e "$probe" ] && [ -z "$left" ] &&
    grep -q 'Unpacking failed' "$debug"
}
holds_run_subfolder() {
  [ "$rc" = 0 ] && [ -z "$left" ] && grep -qF '\tools\probe.EXE"  tail "t 2"' "$probe"
}
holds_run_document() { [ "$rc" = 0 ] && [ "$(cat "$child")" = 'read document' ] && [ -z "$left" ]; }
holds_args() { [ "$rc" = 0 ] && grep -qF '\setup.exe" /quiet "a b" x\"y  tail "t 2"' "$probe"; }
holds_title() {
  [ "$rc" = 0 ] && grep -qx 'Acme Wïdget Setup' <<<"$titles" && ! grep -qx Unpack <<<"$titles"
}
holds_wait_all() { [ "$rc" = 0 ] && [ "$(cat "$child")" = 'read data' ] && [ -z "$left" ]; }
holds_wait_setup() { [ "$rc" = 0 ] && [ "$(cat "$child")" = missing ]; }
holds_together() { holds_wait_all && [ -z "$titles" ]; }

# row NAME TREE TAIL STUBPACK_OPTIONS...: one case of the table.
row() {
  local name="$1"
  if ! run_case "$@" > "$work/$name.why"; then fail "$name" "$(cat "$work/$name.why")"; return; fi
  if "holds_${name//-/_}"; then pass "$name"; return; fi
  fail "$name" "rc=$rc titles=[$(tr '\n' ';' <<<"$titles")] left=[$left] probe=[$([ -e "$probe" ] &&
    tr '\n\t' ';,' < "$probe" | head -c 400)] child=[$(cat "$child" 2>/dev/null)]"
}

spawn=' spawn bin\helper.exe data.txt'
row damaged-ui-none probe "" --ui none
row run-subfolder probe ' tail "t 2"' --run tools/probe.EXE
row run-document probe "" --run doc.stubtest
row args probe ' tail "t 2"' --args '/quiet "a b" x\"y'
row title big "" --title 'Acme Wïdget Setup'
row wait-all spawn "$spawn" --wait all
row wait-setup spawn "$spawn" --wait setup
row together spawn "$spawn" --wait all --ui none --title T --args '' --exit-code setup
exit $((failures > 0))
