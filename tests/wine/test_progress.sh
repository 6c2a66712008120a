#!/bin/bash
# The "Unpack" window with its progress bar is on screen while the files are written: during a
# long unpack a window titled "Unpack" must exist at a moment when the temporary directory
# already holds extracted files. A screenshot of it is kept as an artifact.
. "$(dirname "$0")/lib.sh"
work="$WINE_TESTS/progress"
rm -rf "$work" && mkdir -p "$work/tree"
cp "$PROBE" "$work/tree/setup.exe"
# Many files, so that the window stays up for a while and the progress bar moves.
word_files "$work/tree" 1500 2000 11999 11 '"dir%02d/file%03d.txt" % (i // 50, i % 50)'
installer="$work/installer.exe"
# A fast LZMA preset: this test is about the window, and the strongest preset takes a minute here.
"$STUBPACK" pack -q --stub "$STUB" --fast --mf hc4 --nice-len 16 -o "$installer" "$work/tree" \
  > "$installer.log" 2>&1 || { fail pack "stubpack could not pack the tree"; exit 1; }

out="$work/probe.txt"
before="$(temp_dirs)"
export SETUP_PROBE_OUT="$(windows_path "$out")"
launch "\"$(windows_path "$installer")\""
window="$(wait_window Unpack 30)"
seen_files=0
next_shot=1
shot="$ARTIFACTS/unpack-window.png"
# Sample until the window is gone: it counts only if files were being written meanwhile.
while [ -n "$window" ] && xdotool search --name '^Unpack$' >/dev/null 2>&1; do
  temp="$(comm -13 <(echo "$before") <(temp_dirs) | head -n1)"
  count=0
  [ -n "$temp" ] && count=$(find "$temp" -type f 2>/dev/null | wc -l)
  if [ "$count" -gt 0 ] && xdotool search --name '^Unpack$' >/dev/null 2>&1; then
    if [ "$count" -ge "$next_shot" ]; then  # a later shot shows the bar further on
      import -window "$window" "$work/window.png" 2>/dev/null && cp "$work/window.png" "$shot"
      import -window root "$ARTIFACTS/unpack-screen.png" 2>/dev/null
      next_shot=$((count + 400))
    fi
    seen_files=$count
  fi
  sleep 0.05
done
wait "$launched_pid"
rc=$?
unset SETUP_PROBE_OUT
name=unpack-window
if [ -z "$window" ]; then fail $name "no window titled \"Unpack\" appeared"
elif [ "$seen_files" -eq 0 ]; then fail $name "no files were written while the window was up"
elif [ ! -s "$shot" ]; then fail $name "no screenshot of the window"
elif [ "$rc" -ne 0 ]; then fail $name "exit code $rc"
elif [ ! -s "$out" ]; then fail $name "setup.exe did not run"
elif [ -n "$(comm -13 <(echo "$before") <(temp_dirs))" ]; then fail $name "temporary directory left"
else
  echo "  window seen with $seen_files files written; screenshot $shot"
  pass $name
fi
exit $((failures > 0))
