#!/usr/bin/env bash
# Installs what building and testing stubkit needs on Debian 12. Idempotent.
# Usage: scripts/install-deps.sh [--windows]   (--windows adds mingw-w64, Wine and Xvfb)
set -euo pipefail
SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO="sudo"
export DEBIAN_FRONTEND=noninteractive

packages=(cmake make g++ pkg-config liblzma-dev libgtest-dev libbenchmark-dev
          libarchive-tools xz-utils clang libclang-rt-14-dev libcli11-dev man-db)
missing=()
for p in "${packages[@]}"; do dpkg -s "$p" >/dev/null 2>&1 || missing+=("$p"); done
if [ ${#missing[@]} -gt 0 ]; then
  $SUDO apt-get update -qq
  $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

if [ "${1:-}" = "--windows" ] && [ -x scripts/install-windows-deps.sh ]; then
  scripts/install-windows-deps.sh
fi
