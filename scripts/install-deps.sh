#!/usr/bin/env bash
# Installs what building and testing stubkit needs on Debian 12, as scripts/requirements.txt
# lists it. Idempotent; as root, or through sudo.
# Usage: scripts/install-deps.sh [--windows]   (--windows adds the cross compilers, Wine, Xvfb
#                                               and the tools of the Wine tests)
set -euo pipefail
cd "$(dirname "$0")/.."
SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO="sudo"
export DEBIAN_FRONTEND=noninteractive

stages=" build "
[ "${1:-}" = "--windows" ] && stages=" build windows "
missing=()
while read -r stage package _; do
  case "$stage" in "" | "#"*) continue ;; esac
  [[ "$stages" == *" $stage "* ]] || continue
  dpkg -s "$package" >/dev/null 2>&1 || missing+=("$package")
done < scripts/requirements.txt
# A mirror caught mid-sync fails one index now and then: the update is tried twice, and then
# the install is tried with the indexes at hand (it fails on its own if a package is missing).
apt_update() {
  $SUDO apt-get update -qq || { sleep 10; $SUDO apt-get update -qq; } ||
    echo "install-deps: apt-get update failed; installing from the indexes at hand" >&2
}
if [ ${#missing[@]} -gt 0 ]; then
  echo "install-deps: installing ${missing[*]}"
  apt_update
  $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

# 32-bit Wine comes from the i386 architecture. Its packages may install where the kernel
# cannot run them, or not at all: either way the Wine tests then run under wine64.
if [[ "$stages" == *" windows "* ]] && ! dpkg -s wine32:i386 >/dev/null 2>&1; then
  { $SUDO dpkg --add-architecture i386 && apt_update &&
    $SUDO apt-get install -y -qq --no-install-recommends wine32:i386 >/dev/null; } ||
    echo "install-deps: 32-bit Wine could not be installed; only wine64 is available" >&2
fi
