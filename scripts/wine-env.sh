#!/bin/bash
# Wine environment for running the Windows stub on this Linux machine. ARCH is win32 (32-bit
# Wine, PE32 programs) or win64 (wine64, PE32+ programs).
#   wine-env.sh install           install Wine (wine64 always, 32-bit Wine where its packages
#                                 install), Xvfb and the X tools the Wine tests use, through
#                                 scripts/install-deps.sh --windows
#   wine-env.sh prefix DIR [ARCH] create a throwaway prefix in DIR (removed first) and start a
#                                 tiny program in it; fails when that Wine does not run here
# Source it (". wine-env.sh") to get wine_env DIR [ARCH], which exports the variables for a
# prefix and puts "wine" for that ARCH first on PATH.
#
# Debian's "wine" command picks 32-bit Wine whenever it is installed, even where the kernel
# cannot start 32-bit programs; the loader is therefore chosen here, by ARCH, through two small
# scripts ("wine" and "wine-stable", which wineboot and the other tools call) in DIR.bin.
# STUBKIT_WINE32_LOADER and STUBKIT_WINE64_LOADER replace the loaders (e.g. a loader that cannot
# start shows how the stage chooses on a machine without 32-bit Wine).

wine_loader() {
  case "$1" in
    win32) printf '%s' "${STUBKIT_WINE32_LOADER:-/usr/lib/wine/wine}" ;;
    win64) printf '%s' "${STUBKIT_WINE64_LOADER:-/usr/lib/wine/wine64}" ;;
    *) echo "wine-env: unknown Wine architecture '$1' (win32 or win64)" >&2; return 2 ;;
  esac
}

wine_env() {
  local dir="$1" arch="${2:-win32}" loader
  [[ "$dir" = /* ]] || dir="$PWD/$dir"  # Wine accepts an absolute prefix path only
  loader="$(wine_loader "$arch")" || return
  mkdir -p "$dir.bin"
  for name in wine wine-stable; do
    printf '#!/bin/sh\nexec %q "$@"\n' "$loader" > "$dir.bin/$name"
    chmod +x "$dir.bin/$name"
  done
  case ":$PATH:" in *":$dir.bin:"*) ;; *) PATH="$dir.bin:$PATH" ;; esac
  export PATH WINELOADER="$loader" WINEPREFIX="$dir" WINEARCH="$arch" WINEDEBUG=-all \
    WINEDLLOVERRIDES="mscoree,mshtml="
}

# Everything the Wine tests need comes from the project's one install script.
wine_install() {
  "$(dirname "${BASH_SOURCE[0]}")/install-deps.sh" --windows
}

# The prefix is made once per test run. Managed=N: without a window manager, Wine otherwise
# waits about two seconds whenever a managed window is hidden or destroyed. No crash dialog: a
# crashing program must end, not wait for a click. Then a tiny program of the prefix's
# architecture must start and return 42: an installed Wine that cannot run here (32-bit Linux
# programs refused by the kernel; wine64 asked to run a PE32 program) fails at this point.
wine_prefix() {
  local dir="$1" arch="${2:-win32}" triple probe
  [[ "$dir" = /* ]] || dir="$PWD/$dir"
  case "$arch" in
    win32) triple=i686-w64-mingw32 ;;
    win64) triple=x86_64-w64-mingw32 ;;
    *) wine_loader "$arch"; return ;;
  esac
  rm -rf "$dir" "$dir.bin"
  mkdir -p "$dir.bin"
  probe="$dir.bin/exit42.exe"
  printf 'int main(void) { return 42; }\n' > "$dir.bin/exit42.c"
  "$triple-gcc" -mwindows -o "$probe" "$dir.bin/exit42.c" ||
    { echo "wine-env: cannot build a $arch test program with $triple-gcc" >&2; return 1; }
  wine_env "$dir" "$arch"
  local rc=0
  # shellcheck disable=SC2016
  timeout 300 xvfb-run -a sh -c 'wineboot -i >/dev/null 2>&1 &&
    wine reg add "HKCU\\Software\\Wine\\X11 Driver" /v Managed /d N /f >/dev/null 2>&1 &&
    wine reg add "HKCU\\Software\\Wine\\WineDbg" /v ShowCrashDialog /t REG_DWORD /d 0 /f \
      >/dev/null 2>&1;
    wine "$0" >/dev/null 2>&1; rc=$?; wineserver -w; exit $rc' "$probe" \
    2> >(grep -v 'X connection to' >&2) || rc=$?
  [ -f "$dir/system.reg" ] || { echo "wine-env: $arch prefix not created in $dir" >&2; return 1; }
  [ "$rc" -eq 42 ] ||
    { echo "wine-env: a $arch program does not run under Wine here (exit code $rc)" >&2; return 1; }
}

if [ "${BASH_SOURCE[0]}" = "$0" ]; then
  set -euo pipefail
  case "${1:-}" in
    install) wine_install ;;
    prefix) wine_prefix "${2:?prefix directory}" "${3:-win32}" ;;
    *) echo "usage: $0 install | prefix DIR [win32|win64]" >&2; exit 2 ;;
  esac
fi
