#!/usr/bin/env bash
# Writes the GNU Octave package regionkit-<version>.tar.gz into the given folder.
#   package/makePackage.sh <output folder>
# Layout: DESCRIPTION, INDEX, COPYING (the LICENSE); src/ with the sources,
# buildMex.m, the self-test and the Makefile `pkg install` runs; inst/ with
# Contents.m. The help files and the self-test travel with the sources and are
# installed beside the MEX files (see src/installBuild.m).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
out="$(mkdir -p "$1" && cd "$1" && pwd)"
# The version is the "% Version x.y.z" line of Contents.m.
version="$(sed -n 's/^% Version \([0-9][0-9.]*\).*/\1/p' "$root/Contents.m")"
[ -n "$version" ] || { echo "makePackage: no version in Contents.m" >&2; exit 1; }

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
stage="$work/regionkit"
mkdir -p "$stage/src/tests" "$stage/inst"
sed -e "s/@VERSION@/$version/" -e "s/@DATE@/$(date +%Y-%m-%d)/" "$root/package/DESCRIPTION.in" > "$stage/DESCRIPTION"
cp "$root/package/INDEX" "$stage/"
cp "$root/LICENSE" "$stage/COPYING"
# Contents.m in src/ too: buildMex puts it beside the MEX files, where the
# self-test reads the version.
cp "$root/package/Makefile" "$root/package/installBuild.m" "$root/buildMex.m" "$root/Contents.m" "$stage/src/"
cp "$root/Contents.m" "$stage/inst/"
mkdir -p "$stage/src/selftest"
cp "$root/selftest/regionkitSelfTest.m" "$root/selftest/regionkitGolden.bin" "$stage/src/selftest/"
# `pkg test regionkit` runs the self-test on the installed functions.
printf '%s\n' '%!test' '%! output = evalc ("ok = regionkitSelfTest ();");' '%! assert (ok, "%s", output);' \
  > "$stage/src/tests/regionkitSelfTest-tst"

# The shared folders buildMex.m compiles into every function.
for shared in gateway simd; do
  mkdir -p "$stage/src/$shared"
  find "$root/$shared" -maxdepth 1 -type f \( -name '*.cpp' -o -name '*.h' -o -name '*.inc' \) \
       -exec cp {} "$stage/src/$shared/" \;
done
# The functions, as the build lists them.
for plugin in $(cmake -P "$root/cmake/plugins.cmake"); do
  dir="$root/$plugin"
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
