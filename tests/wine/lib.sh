# Shared by the Wine tests. run.sh exports: WINE_TESTS (work directory), STUB (stub.exe),
# STUBPACK, PROBE (setup_probe.exe), CONSOLE_PROBE (the same as a console program), LAUNCHER
# (launcher.exe), SAMPLER (window_sampler.exe), CHILD_PROBE (child_probe.exe), ARTIFACTS,
# STUBPACK_EXE (stubpack.exe), TEST_INSTALLERS (writes the project's test installers on a stub),
# WINE_ARCH (win32 for a PE32 stub, win64 for PE32+), MINGW_GCC (the C compiler for programs of
# that architecture),
# WINEPREFIX and the Wine variables, and PYTHONPATH, where the module archive_layout gives the
# start header's layout. Every test script runs inside its own xvfb-run and reports "PASS name" or
# "FAIL name: why" lines, which run.sh counts.

failures=0
pass() { echo "PASS $1"; }
fail() { echo "FAIL $1: $2"; failures=$((failures + 1)); }

# Ends every Wine process of the prefix when the test script ends, whatever way it ends.
trap 'wineserver -k 2>/dev/null || true' EXIT

# A Linux path as Wine's Z: drive shows it.
windows_path() { local p="Z:$1"; printf '%s' "${p//\//\\}"; }

# A Windows path of the prefix as a Linux path (C: is drive_c, Z: is /).
unix_path() {
  local p="${1//\\//}"
  case "$p" in
    [Cc]:*) printf '%s/drive_c%s' "$WINEPREFIX" "${p:2}" ;;
    [Zz]:*) printf '%s' "${p:2}" ;;
    *) printf '%s' "$p" ;;
  esac
}

# Every temporary directory an installer run may have made: "cab" + number + ".tmp", in the
# prefix's temporary directory or, if that failed, its Windows directory.
temp_dirs() {
  find "$WINEPREFIX/drive_c" -maxdepth 6 -name 'cab*.tmp' 2>/dev/null | sort
}

# pack_installer OUTPUT SOURCE_DIR [OPTION...]: an installer of the tree, made with stubpack
# and our stub.
pack_installer() {
  rm -f "$1"
  "$STUBPACK" pack -q --stub "$STUB" "${@:3}" -o "$1" "$2" >"$1.log" 2>&1 || {
    echo "stubpack failed:"
    cat "$1.log"
    return 1
  }
}

# word_files DIR COUNT MIN MAX SEED NAME: COUNT files of MIN to MAX random words below DIR,
# file i named by the Python expression NAME (e.g. '"f%03d.txt" % i'); directories are made.
word_files() {
  python3 - "$@" <<'PY'
import os, random, sys
root, count, low, high, seed, name = sys.argv[1:]
r = random.Random(int(seed))
words = [b"alpha", b"beta", b"gamma", b"delta", b"omega", b"kappa", b"sigma", b"theta"]
for i in range(int(count)):
    path = os.path.join(root, eval(name, {"i": i}))
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as out:
        out.write(b" ".join(r.choice(words) for _ in range(r.randrange(int(low), int(high) + 1))))
PY
}

# launch COMMAND_LINE: starts an installer with exactly that Windows command line and leaves
# its process id in launched_pid; wait "$launched_pid" gives its exit code.
launch() {
  wine "$LAUNCHER" "$1" 2> >(grep -v 'X connection to' >&2) &
  launched_pid=$!
}

# wait_launched SECONDS: waits for the program `launch` started and sets launched_rc to its exit
# code. A program that hangs (in a box nobody sees) is killed after SECONDS, so no test can hang.
wait_launched() {
  ( sleep "$1"; kill "$launched_pid" 2>/dev/null ) &
  local watchdog=$!
  wait "$launched_pid"
  launched_rc=$?
  kill "$watchdog" 2>/dev/null
}

# wait_window NAME SECONDS: the X window id of the first window whose title is exactly NAME.
wait_window() {
  timeout "$2" xdotool search --sync --name "^$1\$" 2>/dev/null | head -n1
}

# damage_packed_byte IN OUT: OUT is IN with one byte in the middle of its packed data inverted,
# so the archive's CRCs (and any signature over the file) no longer match.
damage_packed_byte() {
  python3 - "$1" "$2" <<'PY'
import struct, sys
from archive_layout import SIGNATURE, START_HEADER_SIZE, NEXT_HEADER_OFFSET_AT
data = bytearray(open(sys.argv[1], "rb").read())
start = data.index(SIGNATURE, 0x400)
offset = struct.unpack_from("<Q", data, start + NEXT_HEADER_OFFSET_AT)[0]
data[start + START_HEADER_SIZE + offset // 2] ^= 0xFF
open(sys.argv[2], "wb").write(data)
PY
}
