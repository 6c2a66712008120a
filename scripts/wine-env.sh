#!/bin/bash
# Wine environment for running the PE32 stub on this Linux machine.
#   wine-env.sh install      install 32-bit Wine, Xvfb and the X tools the Wine tests use
#   wine-env.sh prefix DIR   create a throwaway 32-bit Wine prefix in DIR (removed first)
# Source it (". wine-env.sh") to get wine_env DIR, which exports the variables for a prefix.

wine_env() {
  export WINEPREFIX="$1" WINEARCH=win32 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
}

wine_install() {
  if command -v wine >/dev/null && dpkg -s wine32:i386 >/dev/null 2>&1 &&
     command -v xvfb-run xdotool xauth >/dev/null && [ -x /usr/bin/import ]; then
    return 0
  fi
  export DEBIAN_FRONTEND=noninteractive
  dpkg --add-architecture i386
  apt-get update -q
  apt-get install -y -q --no-install-recommends wine wine32 xvfb xauth xdotool imagemagick
}

# The prefix is made once per test run. Managed=N: without a window manager, Wine otherwise
# waits about two seconds whenever a managed window is hidden or destroyed. No crash dialog: a
# crashing program must end, not wait for a click.
wine_prefix() {
  local dir="$1"
  rm -rf "$dir"
  mkdir -p "$(dirname "$dir")"
  wine_env "$dir"
  xvfb-run -a sh -c 'wineboot -i >/dev/null 2>&1 &&
    wine reg add "HKCU\\Software\\Wine\\X11 Driver" /v Managed /d N /f >/dev/null 2>&1 &&
    wine reg add "HKCU\\Software\\Wine\\WineDbg" /v ShowCrashDialog /t REG_DWORD /d 0 /f \
      >/dev/null 2>&1;
    wineserver -w' 2>&1 | grep -v 'X connection to' || true
  [ -f "$dir/system.reg" ] || { echo "wine-env: prefix not created in $dir" >&2; return 1; }
}

if [ "${BASH_SOURCE[0]}" = "$0" ]; then
  set -euo pipefail
  case "${1:-}" in
    install) wine_install ;;
    prefix) wine_prefix "${2:?prefix directory}" ;;
    *) echo "usage: $0 install | prefix DIR" >&2; exit 2 ;;
  esac
fi
