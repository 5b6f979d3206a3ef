#!/usr/bin/env bash
# Makes sure the build and test tools are installed. As root it installs what
# is missing with apt-get; otherwise it prints the command to run and stops.
#   tools/ensure-deps.sh          what make build / test / demo need
#   tools/ensure-deps.sh cross    the Windows and arm64 cross toolchains and their runners
#   tools/ensure-deps.sh python-bench  what the Python benchmarks compare with and plot
set -euo pipefail
if [ "${1:-}" = cross ]; then
  packages=(cmake make g++-mingw-w64-x86-64-posix wine64 g++-aarch64-linux-gnu libubsan1-arm64-cross
            qemu-user googletest)
elif [ "${1:-}" = python-bench ]; then
  packages=(python3-torchvision python3-opencv python3-matplotlib python3-distributed)
else
  packages=(octave octave-dev cmake make g++ libgtest-dev libbenchmark-dev clang-14 libclang-rt-14-dev
            python3-numpy python3-scipy python3-pybind11 python3-pytest python3-dev python3-pip
            python3-setuptools python3-wheel python3-build python3-venv python3-hypothesis python3-mypy
            python3-numpydoc python3-distributed python3-tqdm python3-pil pybind11-dev)
fi
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
