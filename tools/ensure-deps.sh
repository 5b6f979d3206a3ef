#!/usr/bin/env bash
# Makes sure the build and test tools are installed. As root it installs what
# is missing with apt-get; otherwise it prints the command to run and stops.
set -euo pipefail
packages=(octave octave-dev cmake make g++ libgtest-dev libbenchmark-dev clang-14 libclang-rt-14-dev)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0
command="apt-get update && apt-get install -y ${missing[*]}"
if [ "$(id -u)" -ne 0 ]; then
  echo "regionkit needs these Debian packages: ${missing[*]}" >&2
  echo "Install them with:  sudo sh -c '$command'" >&2
  exit 1
fi
echo "Installing ${missing[*]} ..."
apt-get update -q
DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends "${missing[@]}"
