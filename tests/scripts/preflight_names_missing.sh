#!/usr/bin/env bash
# scripts/preflight.sh under a PATH that holds every required command found here but one: it
# fails, names that one with its package, and names none of those it has.
set -euo pipefail
root="${1:?usage: preflight_names_missing.sh SOURCE_DIR}"
bin="$(mktemp -d)"
trap 'rm -rf "$bin"' EXIT
left_out=wrestool
while read -r stage package commands; do
  case "$stage" in "" | "#"*) continue ;; esac
  for command in $commands; do
    case "$command" in - | /* | "$left_out") continue ;; esac
    found="$(command -v "$command")" && ln -s "$found" "$bin/$command"
  done
done < "$root/scripts/requirements.txt"

status=0
output="$(PATH="$bin" "$BASH" "$root/scripts/preflight.sh" --windows 2>&1)" || status=$?
echo "$output"
[ "$status" -ne 0 ] || { echo "FAIL: preflight passed without $left_out"; exit 1; }
grep -qx "  $left_out (package icoutils)" <<<"$output" ||
  { echo "FAIL: $left_out is not named"; exit 1; }
for have in "$bin"/*; do
  ! grep -q "^  $(basename "$have") " <<<"$output" ||
    { echo "FAIL: $(basename "$have") is named though it is on PATH"; exit 1; }
done
echo "ok"
