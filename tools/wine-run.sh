#!/usr/bin/env bash
# Runs a Windows program under Wine, quietly, with the MinGW-w64 runtime DLLs
# (libstdc++, libgcc, winpthread) on its search path. ctest calls it for every
# test of a Windows build. WINEPREFIX defaults to a prefix of our own (make
# cross gives it one in a temporary folder that it removes afterwards).
set -euo pipefail
export WINEPREFIX="${WINEPREFIX:-${TMPDIR:-/tmp}/regionkit-wine}"
export WINEDEBUG="${WINEDEBUG:--all}"
# No Mono or Gecko installers on the first start.
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}"
wine=wine64
command -v "$wine" >/dev/null 2>&1 || wine=/usr/lib/wine/wine64
# tools/wine-run.sh --stop ends the prefix's wineserver and removes the
# server's socket folder (named after the prefix's device and inode, in a
# /tmp/wine-* folder whatever TMPDIR says), so that the prefix can be removed.
if [ "${1:-}" = --stop ]; then
  [ -d "$WINEPREFIX" ] || exit 0
  key="$(printf '%x-%x' "$(stat -c %d "$WINEPREFIX")" "$(stat -c %i "$WINEPREFIX")")"
  for server in wineserver /usr/lib/wine/wineserver64 /usr/lib/wine/wineserver; do
    if command -v "$server" >/dev/null 2>&1; then
      "$server" -k 2>/dev/null || true
      "$server" -w 2>/dev/null || true
      break
    fi
  done
  for socket in /tmp/wine-*/server-"$key" "/tmp/.wine-$(id -u)/server-$key"; do
    if [ -d "$socket" ]; then
      rm -rf "$socket"
      rmdir "$(dirname "$socket")" 2>/dev/null || true
    fi
  done
  exit 0
fi
runtime="$(dirname "$(x86_64-w64-mingw32-g++-posix -print-file-name=libstdc++-6.dll)")"
export WINEPATH="Z:${runtime//\//\\};Z:\\usr\\x86_64-w64-mingw32\\lib"
exec "$wine" "$@"
