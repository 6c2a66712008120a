#!/bin/bash
# The window behaves like a Windows program while a long unpack runs: another program's
# SendMessageTimeout(WM_NULL, 1 s) to it is always answered, and the progress bar's position,
# sampled meanwhile, never moves back and ends at the range's end. Then 20 runs with a console
# setup.exe leave nothing in TEMP (its console host may hold the directory for a moment).
. "$(dirname "$0")/lib.sh"
work="$WINE_TESTS/window"
rm -rf "$work" && mkdir -p "$work/tree"
cp "$PROBE" "$work/tree/setup.exe"
# Small files, then one large file, written last (same kind, last by name): the bar's final
# steps come while that file's pieces are decoded, so the sampler sees the end.
word_files "$work/tree" 200 2000 20000 5 '"a%03d.dat" % i'
word_files "$work/tree" 1 6000000 6000000 5 '"zz.dat"'
installer="$work/installer.exe"
phase=$SECONDS
"$STUBPACK" pack -q --stub "$STUB" --fast --mf hc4 --nice-len 16 -o "$installer" "$work/tree" \
  > "$installer.log" 2>&1 || { fail pack "stubpack could not pack the tree"; exit 1; }

samples="$work/samples.txt"
before="$(temp_dirs)"
export SETUP_PROBE_OUT="$(windows_path "$work/probe.txt")"
started=$SECONDS
launch "\"$(windows_path "$installer")\""
wine "$SAMPLER" "$(windows_path "$samples")" 2> >(grep -v 'X connection to' >&2) &
sampler_pid=$!
wait "$launched_pid"
rc=$?
wait "$sampler_pid"
sampler_rc=$?
unset SETUP_PROBE_OUT
took=$((SECONDS - started))
cp "$samples" "$ARTIFACTS/window-samples.txt" 2>/dev/null
name=responsive-window
verdict="$(python3 - "$samples" <<'PY'
import sys
lines = [l.rstrip("\r\n").split("\t") for l in open(sys.argv[1])]
pos = [(int(l[1]), int(l[2])) for l in lines if l[0] == "pos"]
pings = [l for l in lines if l[0] == "pings"]
if not pings: print("the sampler did not finish"); sys.exit()
answered, unanswered, longest = map(int, pings[0][1:])
end = pos[-1][1] if pos else 0
positions = [p for p, _ in pos]
if unanswered: print("%d of %d WM_NULL went unanswered for 1 s" % (unanswered, answered + unanswered))
elif answered < 10: print("only %d WM_NULL answered: the unpack was too short to matter" % answered)
elif any(b < a for a, b in zip(positions, positions[1:])): print("the bar moved back: %s" % positions)
elif len(positions) < 5: print("too few positions sampled: %s" % positions)
# The window closes right after its last step, so a sample may miss the very end by a moment:
# the last one must be within the final 1 % (the exact end is checked by the unit tests).
elif positions[-1] * 100 < end * 99: print("the bar ended at %d of %d" % (positions[-1], end))
else: print("ok %d WM_NULL answered (longest wait %d ms), %d positions up to %d" %
            (answered, longest, len(positions), end))
PY
)"
if [ "$sampler_rc" -ne 0 ]; then fail $name "the sampler ended with $sampler_rc"
elif [ "$rc" -ne 0 ]; then fail $name "exit code $rc"
elif [ ! -s "$work/probe.txt" ]; then fail $name "setup.exe did not run"
elif [ "${verdict%% *}" != ok ]; then fail $name "$verdict"
else
  echo "  ${verdict#ok } in a run of $took s (packed in $((started - phase)) s)"
  pass $name
fi

# A console setup.exe: nothing stays in TEMP, run after run.
mkdir -p "$work/console"
cp "$CONSOLE_PROBE" "$work/console/setup.exe"
pack_installer "$work/console.exe" "$work/console" || { fail console-setup "pack"; exit 1; }
failed_runs=0
phase=$SECONDS
for batch in 1 2 3 4 5; do  # four at a time: Wine takes a second or two to start each
  pids=""
  for run in 1 2 3 4; do
    launch "\"$(windows_path "$work/console.exe")\""
    pids="$pids $launched_pid"
  done
  for pid in $pids; do wait "$pid" || failed_runs=$((failed_runs + 1)); done
done
left="$(comm -13 <(echo "$before") <(temp_dirs))"
name=console-setup-leaves-nothing
if [ "$failed_runs" -ne 0 ]; then fail $name "$failed_runs of 20 runs did not end with 0"
elif [ -n "$left" ]; then fail $name "left in TEMP: $(echo $left)"
else echo "  20 runs in $((SECONDS - phase)) s"; pass $name; fi
exit $((failures > 0))
