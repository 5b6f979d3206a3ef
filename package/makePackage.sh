#!/usr/bin/env bash
# Writes the GNU Octave package regionkit-<version>.tar.gz into the given folder.
#   package/makePackage.sh <output folder>
# Layout: DESCRIPTION, INDEX, COPYING; src/ with the sources, buildMex.m and the
# Makefile `pkg install` runs; inst/ with Contents.m. The help files travel with
# the sources and are installed beside the MEX files (see src/installBuild.m).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
out="$(mkdir -p "$1" && cd "$1" && pwd)"
version="$(sed -n 's/^project(regionkit VERSION \([0-9.]*\).*/\1/p' "$root/CMakeLists.txt")"
[ -n "$version" ] || { echo "makePackage: no version in CMakeLists.txt" >&2; exit 1; }

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
stage="$work/regionkit"
mkdir -p "$stage/src/tests" "$stage/inst"
sed -e "s/@VERSION@/$version/" -e "s/@DATE@/$(date +%Y-%m-%d)/" "$root/package/DESCRIPTION.in" > "$stage/DESCRIPTION"
cp "$root/package/INDEX" "$root/package/COPYING" "$stage/"
cp "$root/package/Makefile" "$root/package/installBuild.m" "$root/buildMex.m" "$stage/src/"
cp "$root/Contents.m" "$stage/inst/"

mkdir -p "$stage/src/gateway"
cp "$root"/gateway/*.h "$root"/gateway/*.cpp "$stage/src/gateway/"
for plugin in rectCull coverTest rectRefit pairMetric slideCorr regionTally; do
  dir="$root/$plugin"
  if [ ! -f "$dir/$plugin.cpp" ]; then
    echo "makePackage: $plugin is not in this checkout; the package leaves it out" >&2
    continue
  fi
  mkdir -p "$stage/src/$plugin"
  find "$dir" -maxdepth 1 -type f \( -name '*.cpp' -o -name '*.h' -o -name '*.inc' -o -name CMakeLists.txt \
       -o -name "$plugin.m" \) -exec cp {} "$stage/src/$plugin/" \;
  # Octave tests of the built function: `pkg test regionkit` runs *-tst files.
  for t in "$dir"/tests/*.m; do
    [ -f "$t" ] && cp "$t" "$stage/src/tests/$(basename "$t" .m)-tst"
  done
done
# pkg install copies what src/FILES lists (the tests, which it files with the MEX
# files by their -tst suffix); the build places the MEX and help files itself.
(cd "$stage/src" && { ls tests/*-tst 2>/dev/null || echo; }) > "$stage/src/FILES"
tar -czf "$out/regionkit-$version.tar.gz" -C "$work" regionkit
echo "$out/regionkit-$version.tar.gz"
