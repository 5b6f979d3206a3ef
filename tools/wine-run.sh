#!/usr/bin/env bash
# Runs a Windows program under Wine, quietly, with the MinGW-w64 runtime DLLs
# (libstdc++, libgcc, winpthread) on its search path. ctest calls it for every
# test of a Windows build. WINEPREFIX defaults to a prefix of our own.
set -euo pipefail
export WINEPREFIX="${WINEPREFIX:-${TMPDIR:-/tmp}/regionkit-wine}"
export WINEDEBUG="${WINEDEBUG:--all}"
# No Mono or Gecko installers on the first start.
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}"
runtime="$(dirname "$(x86_64-w64-mingw32-g++-posix -print-file-name=libstdc++-6.dll)")"
export WINEPATH="Z:${runtime//\//\\};Z:\\usr\\x86_64-w64-mingw32\\lib"
wine=wine64
command -v "$wine" >/dev/null 2>&1 || wine=/usr/lib/wine/wine64
exec "$wine" "$@"
