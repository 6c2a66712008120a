#!/usr/bin/env bash
# Installs what the Windows stub's build and Wine tests need on Debian 12: the mingw-w64 cross
# compilers for i686 (the PE32 product) and x86_64 (the PE32+ build for wine64), dpkg-dev
# (apt-get source, for liblzma), Python, wine64 and 32-bit Wine where its packages install, Xvfb
# and the X tools. Idempotent.
set -euo pipefail
cd "$(dirname "$0")/.."
export DEBIAN_FRONTEND=noninteractive
missing=()
for p in g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix dpkg-dev python3; do
  dpkg -s "$p" >/dev/null 2>&1 || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi
scripts/wine-env.sh install >/dev/null
