#!/bin/bash
# The publisher's identity in the installer's resources: with each of --icon (a .ico with a
# PNG image), --version-info, --execution-level and --exit-code alone and all together,
# wrestool lists exactly the stub's resources with the asked ones replaced or added, their
# contents are the ones asked for, the PE layout and checksum are right (pe_check.py), and
# stubpack list reports them. The installer made with every option installs exactly the tree
# under Wine and exits with setup.exe's code; without --exit-code setup it exits 0, and damaged
# it still shows the box and exits 1. Bad input is refused with exit code 2 and no file.
. "$(dirname "$0")/lib.sh"
here="$(cd "$(dirname "$0")" && pwd)"
work="$WINE_TESTS/identity"
rm -rf "$work" && mkdir -p "$work/tree/docs"
cp "$PROBE" "$work/tree/setup.exe"
printf 'read me\r\n' > "$work/tree/docs/readme.txt"
src="$work/tree"
# Four images; ImageMagick stores the 256 x 256 one as PNG.
convert -size 256x256 gradient:navy-gold -define icon:auto-resize=256,48,32,16 "$work/app.ico"
head -c 100 "$work/app.ico" > "$work/truncated.ico"

resources() { wrestool -l "$1" | sed 's/ \[.*//' | sort; }
stub_resources="$(resources "$STUB")"
lang_of() { echo "$stub_resources" | sed -n "s/^--type=$1 .*--language=\([0-9]*\)$/\1/p" | head -n1; }
icon_lang="$(lang_of 14)"; icon_lang="${icon_lang:-1033}"
version_lang="$(lang_of 16)"; version_lang="${version_lang:-1033}"
manifest_lang="$(lang_of 24)"; manifest_lang="${manifest_lang:-1033}"

# expected OPTION...: the stub's resource list with what each option replaces or adds.
expected() {
  local list="$stub_resources"
  for option in "$@"; do
    case "$option" in
      icon) list="$(echo "$list" | grep -v -e '^--type=3 ' -e '^--type=14 ')"
            for n in 1 2 3 4; do list+=$'\n'"--type=3 --name=$n --language=$icon_lang"; done
            list+=$'\n'"--type=14 --name=1 --language=$icon_lang" ;;
      version) list="$(echo "$list" | grep -v '^--type=16 ')"$'\n'"--type=16 --name=1 --language=$version_lang" ;;
      level) list="$(echo "$list" | grep -v '^--type=24 --name=1 ')"$'\n'"--type=24 --name=1 --language=$manifest_lang" ;;
      exit) list+=$'\n'"--type='STUBKIT' --name=1 --language=0" ;;
    esac
  done
  echo "$list" | grep -v '^$' | sort
}

version_args=(--version-info "ProductName=Acme Wïdget" --version-info FileVersion=1.2.3.4
              --version-info ProductVersion=2.5 --version-info "CompanyName=Acme & Söhne"
              --version-info "LegalCopyright=© 2026 Acme")
expected_version="file=1.2.3.4
product=2.5.0.0
table=040904B0
ProductName=Acme Wïdget
FileVersion=1.2.3.4
ProductVersion=2.5
CompanyName=Acme & Söhne
LegalCopyright=© 2026 Acme"

# check_contents INSTALLER OPTION...: each asked resource holds what was asked.
check_contents() {
  local file="$1" x="$work/extract-$(basename "$1")"
  shift
  rm -rf "$x" && mkdir -p "$x"
  for option in "$@"; do
    case "$option" in
      icon)
        for n in 1 2 3 4; do wrestool -x --raw --type=3 --name=$n "$file" > "$x/icon-$n"; done
        wrestool -x --raw --type=14 "$file" > "$x/group"
        python3 "$here/pe_check.py" icons "$work/app.ico" "$x" || return 1 ;;
      version)
        wrestool -x --raw --type=16 "$file" > "$x/version"
        [ "$(python3 "$here/pe_check.py" version "$x/version")" = "$expected_version" ] ||
          { echo "version strings differ"; return 1; } ;;
      level)
        wrestool -x --raw --type=24 --name=1 "$file" > "$x/manifest"
        [ "$(grep -o 'level="[A-Za-z]*"' "$x/manifest")" = 'level="requireAdministrator"' ] ||
          { echo "manifest level wrong"; return 1; }
        # Nothing else of a manifest the stub had has changed.
        if wrestool -x --raw --type=24 --name=1 "$STUB" > "$x/stub-manifest" 2>/dev/null &&
           [ -s "$x/stub-manifest" ]; then
          sed 's/level="[A-Za-z]*"/level="requireAdministrator"/' "$x/stub-manifest" |
            cmp -s - "$x/manifest" || { echo "manifest changed beyond its level"; return 1; }
        fi ;;
      exit)  # flag 1 in the second form: version 2, three empty texts
        [ "$(wrestool -x --raw --type=STUBKIT --name=1 "$file" | od -An -tx1 | tr -d ' \n')" = 0100000002000000000000 ] ||
          { echo "options resource wrong"; return 1; } ;;
    esac
  done
}

# Option sets: each alone, then all together.
declare -A args=(
  [icon]="--icon $work/app.ico" [version]="" [level]="--execution-level requireAdministrator"
  [exit]="--exit-code setup"
)
for case in icon version level exit all; do
  options=("$case")
  [ "$case" = all ] && options=(icon version level exit)
  cmd=()
  for option in "${options[@]}"; do
    if [ "$option" = version ]; then cmd+=("${version_args[@]}"); else cmd+=(${args[$option]}); fi
  done
  installer="$work/$case.exe"
  if ! "$STUBPACK" pack -q --stub "$STUB" "${cmd[@]}" -o "$installer" "$src" > "$installer.log" 2>&1; then
    fail "$case" "stubpack: $(cat "$installer.log")"; continue
  fi
  if [ "$(resources "$installer")" != "$(expected "${options[@]}")" ]; then
    fail "$case" "resources differ: $(diff <(expected "${options[@]}") <(resources "$installer") | tr '\n' ' ')"
    continue
  fi
  if ! why="$(check_contents "$installer" "${options[@]}")"; then fail "$case" "$why"; continue; fi
  if ! why="$(python3 "$here/pe_check.py" layout "$installer")"; then fail "$case" "$why"; continue; fi
  "$STUBPACK" check "$installer" > /dev/null || { fail "$case" "stubpack check refuses it"; continue; }
  pass "$case"
done

# stubpack list, as text and JSON, of the installer made with every option.
listed="$("$STUBPACK" list --json "$work/all.exe" | python3 -c 'import json,sys; print(json.dumps(json.load(sys.stdin)["installer"], sort_keys=True, ensure_ascii=False))')"
want='{"arguments": "", "executionLevel": "requireAdministrator", "exitCode": "setup", "icons": ["256x256(png)", "48x48", "32x32", "16x16"], "optionsDamaged": false, "optionsResource": true, "run": "setup.exe", "title": "Unpack", "userInterface": "normal", "version": {"CompanyName": "Acme & Söhne", "FileVersion": "1.2.3.4", "LegalCopyright": "© 2026 Acme", "ProductName": "Acme Wïdget", "ProductVersion": "2.5"}, "wait": "setup"}'
if [ "$listed" != "$want" ]; then fail list-json "got $listed"
elif ! "$STUBPACK" list "$work/all.exe" | grep -qx 'Icon: 256x256(png) 48x48 32x32 16x16'; then fail list "no icon line"
else pass list; fi
wrestool -l "$work/all.exe" > "$ARTIFACTS/identity-wrestool.txt"

# Under Wine: setup.exe exits 7.
"$STUBPACK" pack -q --stub "$STUB" -o "$work/plain.exe" "$src" > /dev/null 2>&1
"$STUBPACK" pack -q --stub "$STUB" --exit-code zero -o "$work/zero.exe" "$src" > /dev/null 2>&1
export SETUP_PROBE_EXIT=7
for run in "all|7" "plain|0" "zero|0"; do
  IFS='|' read -r name want_rc <<<"$run"
  out="$work/probe-$name.txt"
  rm -f "$out"
  export SETUP_PROBE_OUT="$(windows_path "$out")"
  launch "\"$(windows_path "$work/$name.exe")\""
  wait "$launched_pid"
  rc=$?
  if [ "$rc" -ne "$want_rc" ]; then fail "run-$name" "exit code $rc, expected $want_rc"
  elif ! why="$(python3 "$here/listing.py" check "$src" "$out")"; then fail "run-$name" "tree differs: $why"
  else pass "run-$name"; fi
done

# Damaged (one byte of the packed data inverted), the installer with --exit-code setup still
# shows the box and exits 1 without starting setup.exe.
damage_packed_byte "$work/all.exe" "$work/damaged.exe"
out="$work/probe-damaged.txt"
export SETUP_PROBE_OUT="$(windows_path "$out")"
launch "\"$(windows_path "$work/damaged.exe")\""
box="$(wait_window 'Error of Unpacking' 30)"
[ -n "$box" ] && xdotool key Return
wait_launched 30
rc=$launched_rc
unset SETUP_PROBE_OUT SETUP_PROBE_EXIT
if [ -z "$box" ]; then fail damaged "no box (exit code $rc)"
elif [ "$rc" -ne 1 ]; then fail damaged "exit code $rc, expected 1"
elif [ -e "$out" ]; then fail damaged "setup.exe was started"
else pass damaged; fi

# Refusals: exit code 2, a message naming the fault, and no installer (nor a partial one).
# Malformed stubs: stub.exe with one fault each. (The Linux stub is the one that is no PE.)
python3 - "$STUB" "$work" <<'PY'
import struct, sys
stub, work = open(sys.argv[1], "rb").read(), sys.argv[2]
pe = struct.unpack_from("<I", stub, 0x3C)[0]
opt = pe + 24
dirs = opt + (112 if struct.unpack_from("<H", stub, opt)[0] == 0x20B else 96)
table = opt + struct.unpack_from("<H", stub, pe + 20)[0]
def fault(name, change):
    data = bytearray(stub)
    change(data)
    open("%s/%s.exe" % (work, name), "wb").write(data)
def signed(d):
    struct.pack_into("<II", d, dirs + 32, len(d), 8)
    d += bytes(8)
fault("signed-stub", signed)
fault("overlapping-sections", lambda d: d.__setitem__(slice(table + 52, table + 56), d[table + 12:table + 16]))
fault("bad-size-of-image", lambda d: struct.pack_into("<I", d, opt + 56, struct.unpack_from("<I", d, opt + 56)[0] + 0x1000))
fault("no-resource-directory", lambda d: struct.pack_into("<II", d, dirs + 16, 0, 0))
fault("no-relocation-directory", lambda d: struct.pack_into("<II", d, dirs + 40, 0, 0))
def looping_tree(d):  # the first type's directory is the root again
    rva = struct.unpack_from("<I", d, dirs + 16)[0]
    for i in range(struct.unpack_from("<H", d, pe + 6)[0]):
        va, size, raw = struct.unpack_from("<III", d, table + 40 * i + 12)
        if va == rva:
            struct.pack_into("<I", d, raw + 20, 0x80000000)
fault("looping-tree", looping_tree)
def truncated(d):
    del d[len(d) - 100:]
fault("truncated-stub", truncated)
PY
long="$(python3 -c 'print("x" * 40000)')"
# A stub that is no Windows program: an ELF header, then the tag and version taken from stub.exe.
python3 - "$STUB" "$work/not-a-pe.bin" <<'PY'
import re, sys
tag = re.search(rb"\x7fstubkit installer stub [0-9.]+\x00", open(sys.argv[1], "rb").read())
open(sys.argv[2], "wb").write(b"\x7fELF\x01\x01\x01" + bytes(57) + tag.group(0))
PY
refusals=(
  "not-a-pe|--stub $work/not-a-pe.bin --exit-code setup|not a Windows program"
  "no-resources|--stub $work/no-resource-directory.exe --exit-code setup|no resource section"
  "signed-stub|--stub $work/signed-stub.exe --exit-code setup|is signed"
  "overlapping-sections|--stub $work/overlapping-sections.exe --exit-code setup|overlaps"
  "bad-size-of-image|--stub $work/bad-size-of-image.exe --exit-code setup|SizeOfImage"
  "unmovable-section|--stub $work/no-relocation-directory.exe --exit-code setup|cannot be moved"
  "looping-tree|--stub $work/looping-tree.exe --exit-code setup|reached twice"
  "truncated-stub|--stub $work/truncated-stub.exe --exit-code setup|past the end"
  "truncated-ico|--icon $work/truncated.ico|cut short"
  "long-version|--version-info FileDescription=$long|65535"
  "bad-version-number|--version-info FileVersion=1.2.x|1.2.3.4"
  "bad-level|--execution-level root|--execution-level takes"
)
for refusal in "${refusals[@]}"; do
  IFS='|' read -r name extra message <<<"$refusal"
  output="$work/refused-$name.exe"
  # shellcheck disable=SC2086  # the extra options split on blanks
  "$STUBPACK" pack -q --stub "$STUB" $extra -o "$output" "$src" > "$output.log" 2>&1
  rc=$?
  if [ "$rc" -ne 2 ]; then fail "refuse-$name" "exit code $rc"
  elif ! grep -qF -- "$message" "$output.log"; then fail "refuse-$name" "message: $(head -c 300 "$output.log")"
  elif ls "$output"* 2>/dev/null | grep -qv '\.log$'; then fail "refuse-$name" "a file was written"
  else pass "refuse-$name"; fi
done
exit $((failures > 0))
