#!/usr/bin/env bash
# Makes sure the scaling plots can be drawn: Octave draws them off-screen
# through gnuplot (Debian's gnuplot-nox, without X11) and measures its text
# with the FreeFont faces. As root it installs what is missing with apt-get;
# otherwise it prints the command to run and stops.
set -euo pipefail
packages=(gnuplot-nox fonts-freefont-otf)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
# Any gnuplot will do, however it was installed.
if command -v gnuplot >/dev/null 2>&1; then
  for i in "${!missing[@]}"; do [ "${missing[$i]}" = gnuplot-nox ] && unset 'missing[i]'; done
  missing=("${missing[@]+"${missing[@]}"}")
fi
[ ${#missing[@]} -eq 0 ] && exit 0
if [ "$(id -u)" -ne 0 ]; then
  echo "The scaling plots need: ${missing[*]}" >&2
  echo "Install them with:  sudo sh -c 'apt-get update && apt-get install -y ${missing[*]}'" >&2
  exit 1
fi
echo "Installing ${missing[*]} ..."
apt-get update -q
DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends "${missing[@]}"
