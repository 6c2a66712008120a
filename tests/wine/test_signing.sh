#!/bin/bash
# A signed installer: signed with osslsigncode and a throwaway self-signed certificate, it
# verifies, stubpack check and list accept it (the certificate table follows the archive and
# its padding), its layout and checksum are right, and it installs the tree under Wine. With
# one byte of the archive inverted, the signature no longer verifies and the stub refuses it.
. "$(dirname "$0")/lib.sh"
here="$(cd "$(dirname "$0")" && pwd)"
work="$WINE_TESTS/signing"
rm -rf "$work" && mkdir -p "$work/tree/data"
cp "$PROBE" "$work/tree/setup.exe"
python3 -c "import random,sys; r=random.Random(3); sys.stdout.buffer.write(bytes(r.getrandbits(8) for _ in range(50000)))" > "$work/tree/data/random.bin"
src="$work/tree"

openssl req -x509 -newkey rsa:2048 -nodes -keyout "$work/key.pem" -out "$work/cert.pem" \
  -subj "/CN=stubkit throwaway test certificate" -days 2 2>/dev/null ||
  { fail certificate "openssl could not make one"; exit 1; }
"$STUBPACK" pack -q --stub "$STUB" --version-info ProductName=Signed -o "$work/unsigned.exe" "$src" ||
  { fail pack "stubpack failed"; exit 1; }
osslsigncode sign -certs "$work/cert.pem" -key "$work/key.pem" -n "stubkit test" \
  -in "$work/unsigned.exe" -out "$work/signed.exe" > "$work/sign.log" 2>&1 ||
  { fail sign "$(cat "$work/sign.log")"; exit 1; }

verify() { osslsigncode verify -in "$1" -CAfile "$work/cert.pem" > "$1.verify.log" 2>&1; }
if ! verify "$work/signed.exe"; then fail verify "$(tail -n3 "$work/signed.exe.verify.log")"
elif ! why="$(python3 "$here/pe_check.py" layout "$work/signed.exe")"; then fail verify "$why"
else pass verify; fi
if ! "$STUBPACK" check "$work/signed.exe" > "$work/check.log" 2>&1; then fail check "$(tail -n2 "$work/check.log")"
elif ! "$STUBPACK" list "$work/signed.exe" | grep -qx 'Version ProductName: Signed'; then fail list "no version line"
else pass check-and-list; fi

export SETUP_PROBE_OUT="$(windows_path "$work/probe.txt")"
launch "\"$(windows_path "$work/signed.exe")\""
wait "$launched_pid"
rc=$?
if [ "$rc" -ne 0 ]; then fail install "exit code $rc"
elif ! why="$(python3 "$here/listing.py" check "$src" "$work/probe.txt")"; then fail install "tree differs: $why"
else pass install; fi

# One byte of the packed data inverted.
damage_packed_byte "$work/signed.exe" "$work/tampered.exe"
if verify "$work/tampered.exe"; then fail tampered-verify "the signature still verifies"
else pass tampered-verify; fi
rm -f "$work/probe-tampered.txt"
export SETUP_PROBE_OUT="$(windows_path "$work/probe-tampered.txt")"
launch "\"$(windows_path "$work/tampered.exe")\""
box="$(wait_window 'Error of Unpacking' 30)"
[ -n "$box" ] && xdotool key Return
wait_launched 30
rc=$launched_rc
if [ -z "$box" ]; then fail tampered-run "no box (exit code $rc)"
elif [ "$rc" -ne 1 ]; then fail tampered-run "exit code $rc, expected 1"
elif [ -e "$work/probe-tampered.txt" ]; then fail tampered-run "setup.exe was started"
elif "$STUBPACK" check "$work/tampered.exe" > /dev/null 2>&1; then fail tampered-run "stubpack check accepts it"
else pass tampered-run; fi
exit $((failures > 0))
