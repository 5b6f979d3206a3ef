#!/usr/bin/env bash
# Makes sure the Debian packages a make target uses are installed. As root it
# installs what is missing with apt-get; otherwise it prints the command to run
# and stops. Each target asks for its own profile:
#   tools/ensure-deps.sh demo          make demo: the six plug-ins for GNU Octave
#   tools/ensure-deps.sh python        make python: the Python package from this tree
#   tools/ensure-deps.sh test          make build / test (the default): every suite
#   tools/ensure-deps.sh docs          make docs: the documentation site and its browser check
#   tools/ensure-deps.sh python-bench  what the Python benchmarks compare with and plot
#   tools/ensure-deps.sh cross         the Windows and arm64 cross toolchains and their runners
#   tools/ensure-deps.sh --list PROFILE  prints the profile's packages
set -euo pipefail
list=false
if [ "${1:-}" = --list ]; then
  list=true
  shift
fi
demo=(octave octave-dev cmake make g++)
python=(cmake make g++ python3-numpy python3-pybind11 pybind11-dev python3-dev python3-pip python3-setuptools
        python3-wheel)
case "${1:-test}" in
  demo) packages=("${demo[@]}") ;;
  python) packages=("${python[@]}") ;;
  test)
    packages=("${demo[@]}" "${python[@]}" libgtest-dev libbenchmark-dev clang-14 libclang-rt-14-dev ccache
              python3-scipy python3-pytest python3-build python3-venv python3-hypothesis python3-mypy
              python3-numpydoc python3-matplotlib python3-distributed python3-tqdm python3-pil
              python3-torchvision)
    ;;
  docs)
    packages=("${demo[@]}" "${python[@]}" python3-scipy python3-matplotlib python3-sphinx python3-numpydoc furo
              python3-sphinx-gallery python3-myst-parser chromium)
    ;;
  python-bench) packages=(python3-torchvision python3-opencv python3-matplotlib python3-distributed) ;;
  cross)
    packages=(cmake make g++-mingw-w64-x86-64-posix wine64 g++-aarch64-linux-gnu libubsan1-arm64-cross qemu-user
              googletest)
    ;;
  *) echo "ensure-deps.sh: no profile $1" >&2; exit 2 ;;
esac
if $list; then
  printf '%s\n' "${packages[@]}" | sort -u
  exit 0
fi
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0
# Each package once, in the order first asked for.
mapfile -t missing < <(printf '%s\n' "${missing[@]}" | awk '!seen[$0]++')
command="apt-get update && apt-get install -y ${missing[*]}"
if [ "$(id -u)" -ne 0 ]; then
  echo "regionkit needs these Debian packages: ${missing[*]}" >&2
  echo "Install them with:  sudo sh -c '$command'" >&2
  exit 1
fi
echo "Installing ${missing[*]} ..."
# Another apt-get may hold the package lock for a while: wait for it.
apt-get update -q -o DPkg::Lock::Timeout=600
DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends -o DPkg::Lock::Timeout=600 \
  "${missing[@]}"
