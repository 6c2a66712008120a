#!/usr/bin/env bash
# Checks that every command the tests and scripts run is on PATH, before any of them runs, and
# names every missing one at once with the Debian package that has it.
# Usage: scripts/preflight.sh [--windows]   (--windows: the cross build and Wine tests too)
# Uses shell builtins alone, so that it can be tried with a PATH that lacks anything.
set -uo pipefail
here="${BASH_SOURCE[0]%/*}"
[ "$here" != "${BASH_SOURCE[0]}" ] || here=.
list="$here/requirements.txt"
[ -r "$list" ] || { echo "preflight: cannot read $list" >&2; exit 2; }
stages=" build "
[ "${1:-}" = "--windows" ] && stages=" build windows "
missing=()
while read -r stage package commands; do
  case "$stage" in "" | "#"*) continue ;; esac
  [[ "$stages" == *" $stage "* ]] || continue
  for command in $commands; do
    [ "$command" = "-" ] || command -v "$command" >/dev/null ||
      missing+=("$command (package $package)")
  done
done < "$list"
if [ ${#missing[@]} -gt 0 ]; then
  echo "preflight: ${#missing[@]} required command(s) missing; scripts/install-deps.sh installs them:" >&2
  printf '  %s\n' "${missing[@]}" >&2
  exit 1
fi
echo "preflight: every required command is here"
