# Each target installs the Debian packages it uses (tools/ensure-deps.sh, a
# profile per target), as root; otherwise it prints the apt-get command.
# make demo     builds the six plug-ins only, then runs the demo in octave-cli
#               (IMAGE=photo.jpg for your own image)
# make test     builds, then runs every suite: C++ (sanitized, with the golden calls),
#               Octave, buildMex.m, the self-test, the package, the demo, the check
#               for Octave-only syntax in the .m files MATLAB users run, and the
#               replay of every committed fuzz input with each allocation failing
#               in turn, and the bad calls in Octave, and the Python package as
#               users get it: the same work on every run (two suites at a time)
# make docs     builds the documentation site into $(BUILD)/docs/html (warnings are
#               errors; the examples run and the demo's picture is made as it builds),
#               then opens every page in headless Chromium and checks links, images,
#               the API pages and the search
# make golden   rewrites selftest/regionkitGolden.bin from this build (the expected
#               results of every function; only when they are meant to change)
# make bench    builds, then runs the benchmarks: kernels, side by side in Octave, each
#               function against its floor on this machine, and the scaling sweep
#               (tables and plots in $(BUILD)/bench: floors.md, scaling.md, scaling.png,
#               python-bench.png; nothing in the checkout changes)
# make bench-figures  copies the plots of the last make bench into doc/figures, for the
#               documentation (on purpose only: they are dated there)
# make package  writes the Octave package $(BUILD)/regionkit-<version>.tar.gz
# make cross    installs the cross toolchains, builds every C++ suite for Windows x64
#               (MinGW-w64, run under Wine) and arm64 Linux (run under qemu-user), and
#               runs them with the golden calls
# make test-install  installs the build into $(BUILD)/install-check and runs the
#               self-test from there alone (part of make test)
# make test-python  the Python package as users get it, each way it is built: the
#               wheel python -m build makes from the sdist (in a fresh venv) runs the
#               whole pytest suite outside the checkout (with the documentation's
#               examples); the package pip installs from this tree and the one the
#               CMake build leaves in $(BUILD)/python run their self-test and the
#               tests of what differs between the ways (part of make test; the
#               checked module, sanitized, runs in ctest)
# make bench-python  the Python package beside the usual Python choices, and the
#               dataset example with threads and on a Dask cluster (part of make bench)
# make replay   the last part of make test alone: committed fuzz inputs and bad calls
# make fuzz     fuzzes every plug-in for FUZZ_SECONDS each, then does what make
#               replay does
BUILD ?= build
# Absolute: the tests change the working folder, and a relative folder on
# Octave's path would then no longer be found.
MEXDIR := $(abspath $(BUILD)/mex)
# --no-history: GNU Octave 7.3 otherwise ends every run by printing
# "error: ignoring const execution_exception& while preparing to exit".
OCTAVE := octave-cli --no-gui --norc --quiet --no-history
JOBS ?= 2
IMAGE ?=
# The version is set in one place: the "% Version x.y.z" line of Contents.m.
VERSION := $(shell sed -n 's/^% Version \([0-9][0-9.]*\).*/\1/p' Contents.m)
PACKAGE := $(BUILD)/regionkit-$(VERSION).tar.gz
FUZZ_SECONDS ?= 30
# The plug-ins, as the build lists them.
PLUGINS = $(shell cmake -P cmake/plugins.cmake)
# Debian's Python, which sees Debian's numpy, scipy, pybind11 and pytest; the
# build makes the Python module for it.
PYTHON ?= /usr/bin/python3
CONFIGURE := cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=Release -DPython_EXECUTABLE=$(PYTHON)
# ccache (Debian's, installed for make test) compiles each source once per set
# of flags: the pip build from this tree and the wheel's build from the sdist
# (unpacked below $(BUILD)/tmp, so both build in <root>/build/python-setuptools
# and see the same paths relative to the checkout) share their objects. The
# cache is kept in $(BUILD), so make clean empties it.
CCACHE := $(shell command -v ccache 2>/dev/null)
ifneq ($(CCACHE),)
export CMAKE_CXX_COMPILER_LAUNCHER := $(CCACHE)
export CCACHE_DIR := $(abspath $(BUILD))/ccache
export CCACHE_BASEDIR := $(CURDIR)
endif
PYTARGET := $(abspath $(BUILD)/python-target)
PIPINSTALL := $(PYTHON) -m pip install --quiet --no-build-isolation --no-deps --no-index --upgrade \
	--root-user-action=ignore

.PHONY: all deps deps-demo deps-python deps-docs deps-cross cross build build-plugins test test-install test-package \
	test-demo test-syntax test-python test-suites test-builds python demo docs bench bench-python bench-figures package replay fuzz golden clean

all: build

deps:
	@tools/ensure-deps.sh test

deps-demo:
	@tools/ensure-deps.sh demo

deps-python:
	@tools/ensure-deps.sh python

deps-docs:
	@tools/ensure-deps.sh docs

deps-cross:
	@tools/ensure-deps.sh cross

# MAKELEVEL= keeps the build's own make from announcing every folder it enters.
# BUILT=1: make test's suites, which run after its build, build nothing more
# in $(BUILD) (two of them run at a time).
ifndef BUILT
build: deps
	$(CONFIGURE) -DREGIONKIT_TESTS=ON -DREGIONKIT_BENCH=ON -DREGIONKIT_PYTHON=AUTO
	MAKELEVEL= cmake --build $(BUILD) -j $(JOBS)

# Only what the demo runs: the plug-ins for Octave, none of the test suites,
# sanitized builds or benchmarks (which take minutes on a small machine). A
# first configuration leaves out what needs the test packages; one made by
# make build is kept as it is.
build-plugins: deps-demo
	$(CONFIGURE) $(if $(wildcard $(BUILD)/CMakeCache.txt),,-DREGIONKIT_TESTS=OFF -DREGIONKIT_BENCH=OFF -DREGIONKIT_PYTHON=OFF)
	MAKELEVEL= cmake --build $(BUILD) -j $(JOBS) --target $(addsuffix _octave,$(PLUGINS))
else
build build-plugins:
endif

# The build, then the suites in two lanes side by side, as each runs mostly
# one process at a time: the C++ and Octave suites in one, the fuzz replay and
# the Python package (which build their own) in the other. Each lane's output
# is shown whole when it ends. The Octave suites include the help texts, the
# documentation's examples and buildMex.m (tests/*Test.m).
test: build
	@$(MAKE) --no-print-directory -j 2 --output-sync=target BUILT=1 test-suites test-builds

test-suites:
	ctest --test-dir $(BUILD) --output-on-failure -j $(JOBS)
	$(OCTAVE) tests/runOctaveTests.m $(MEXDIR)
	@$(MAKE) --no-print-directory test-syntax test-install test-package test-demo

test-builds:
	@$(MAKE) --no-print-directory replay test-python

test-syntax:
	$(OCTAVE) --eval "addpath('tools'); exit(~isempty(checkMatlabSyntax()))"

# The package built and installed the way pip installs it, from this tree
# (pip runs the CMake build for the module alone).
python: deps-python
	$(PIPINSTALL) --target $(PYTARGET) .

# What a user installs is what is tested: python -m build makes the sdist and,
# from it, the wheel; the wheel goes into a fresh virtual environment (which
# sees Debian's numpy, scipy, pytest, hypothesis and mypy) and runs the whole
# pytest suite there, from a folder outside the checkout, with the examples
# of the README and the documentation. The package pip installs from this
# tree and the one the CMake build makes compile the same sources with the
# same flags: each runs its self-test and the tests of what differs between
# the ways (the files installed beside the module, its type information).
# --skip-dependency-check: the build requirements (CMake, pybind11) are
# Debian's here, which Python's package metadata does not see.
test-python: deps build python
	rm -rf $(BUILD)/python-dist $(BUILD)/tmp
	mkdir -p $(BUILD)/tmp
	TMPDIR=$(abspath $(BUILD))/tmp $(PYTHON) -m build --no-isolation --skip-dependency-check --outdir $(BUILD)/python-dist . \
	  > $(BUILD)/python-dist.log 2>&1 || { tail -n 40 $(BUILD)/python-dist.log; exit 1; }
	@set -e; scratch=$$(mktemp -d -t regionkit-wheel.XXXXXX); trap 'rm -rf "$$scratch"' EXIT; \
	$(PYTHON) -m venv --system-site-packages $$scratch/venv; \
	$$scratch/venv/bin/python -m pip install --quiet --no-index --no-deps $(BUILD)/python-dist/regionkit-$(VERSION)-*.whl; \
	cp -R python/tests $$scratch/tests; \
	cd $$scratch/tests; \
	for way in "wheel:$$scratch/venv/bin/python::." "pip:$(PYTHON):$(PYTARGET):$(PACKAGE_TESTS)" \
	           "cmake:$(PYTHON):$(abspath $(BUILD)/python):$(PACKAGE_TESTS)"; do \
	  name=$${way%%:*}; rest=$${way#*:}; python=$${rest%%:*}; rest=$${rest#*:}; path=$${rest%%:*}; tests=$${rest#*:}; \
	  echo "== the package from $$name ($$python, PYTHONPATH=$$path): $$tests"; \
	  PYTHONPATH=$$path $$python -c "import sys, regionkit; sys.exit(0 if regionkit.self_test(verbose=False) else 1)"; \
	  PYTHONPATH=$$path REGIONKIT_README=$(abspath README.md) REGIONKIT_DOCS=$(abspath doc) $$python -m pytest -q -p no:cacheprovider $$tests; \
	done
# What the pip and CMake ways are tested for beside their self-test: the files
# they install (the wheel's run covers every call and the type information).
PACKAGE_TESTS := test_package.py

# What cmake --install gives, alone on Octave's path: the self-test calls every function.
INSTALLCHECK := $(abspath $(BUILD)/install-check)
test-install: build
	rm -rf $(INSTALLCHECK)
	cmake --install $(BUILD) --prefix $(INSTALLCHECK)
	cd / && $(OCTAVE) --eval "restoredefaultpath(); addpath('$(INSTALLCHECK)'); exit(~regionkitSelfTest())"

test-package: package
	$(OCTAVE) tests/packageCheck.m $(PACKAGE)

test-demo: build-plugins
	rm -f $(BUILD)/demoCheck.png
	$(OCTAVE) --eval "addpath('demo'); regionkitDemo('$(MEXDIR)', '$(abspath $(BUILD))/demoCheck.png')"
	test -s $(BUILD)/demoCheck.png

demo: build-plugins
	$(OCTAVE) --eval "addpath('demo'); regionkitDemo('$(MEXDIR)', '$(abspath $(BUILD))/regionkitDemo.png', '$(IMAGE)')"

bench: build
	@for b in $(BUILD)/*/*_bench; do echo "== $$b"; $$b; done
	@for s in */bench/*Bench.m; do echo "== $$s"; $(OCTAVE) $$s $(MEXDIR); done
	@echo "== bench/floorTable.m"
	$(OCTAVE) bench/floorTable.m $(MEXDIR) $(abspath $(BUILD))/bench
	@bench/ensurePlotting.sh
	@echo "== bench/scalingSweep.m"
	$(OCTAVE) bench/scalingSweep.m $(MEXDIR) $(abspath $(BUILD))/bench
	@$(MAKE) --no-print-directory bench-python

bench-python: python
	@tools/ensure-deps.sh python-bench
	mkdir -p $(BUILD)/bench
	PYTHONPATH=$(PYTARGET) $(PYTHON) python/bench/bench.py --plot $(BUILD)/bench/python-bench.png
	PYTHONPATH=$(PYTARGET) $(PYTHON) python/bench/folder_bench.py

# The documentation shows dated plots; this takes the last make bench's.
bench-figures:
	cp $(BUILD)/bench/scaling.png $(BUILD)/bench/python-bench.png doc/figures/
	@echo "doc/figures updated: give their date, machine and load in doc/benchmarks.rst"

# The site is built from a copy of doc/ in $(BUILD)/docs/source, where the
# pages made while building (API pages, gallery, the demo's picture) go, so
# the checkout is left as it was.
DOCSRC := $(abspath $(BUILD))/docs/source
DOCHTML := $(abspath $(BUILD))/docs/html
docs: deps-docs build-plugins python
	rm -rf $(DOCSRC)
	mkdir -p $(DOCSRC)/_generated
	cp -R doc/. $(DOCSRC)
	$(OCTAVE) --eval "addpath('demo'); regionkitDemo('$(MEXDIR)', '$(DOCSRC)/_generated/demo.png')" \
	  > $(DOCSRC)/_generated/demo.txt
	REGIONKIT_ROOT=$(CURDIR) PYTHONPATH=$(PYTARGET) MPLBACKEND=Agg \
	  $(PYTHON) -m sphinx -W --keep-going -n -q -b html -d $(abspath $(BUILD))/docs/doctrees $(DOCSRC) $(DOCHTML)
	PYTHONPATH=$(PYTARGET) $(PYTHON) doc/check_site.py $(DOCHTML)
	@echo "The documentation is in $(DOCHTML)/index.html"

# The fuzz programs have their own build (clang, libFuzzer) in $(BUILD)/fuzz.
replay: build
	nice -n 10 fuzz/run.sh --build $(BUILD)/fuzz --jobs $(JOBS) --mex $(MEXDIR)

fuzz: build
	nice -n 10 fuzz/run.sh --build $(BUILD)/fuzz --jobs $(JOBS) --seconds $(FUZZ_SECONDS) --mex $(MEXDIR) \
	  --keep $(BUILD)/fuzz-findings

golden: build
	cmake --build $(BUILD) --target golden

# Each cross build gets its own folder; ctest runs its programs through the
# emulator its toolchain file names.
CROSS_TARGETS := windows:mingw-w64-x86_64 arm64:aarch64-linux-gnu
# Wine's prefix and every temporary file of the run go to one temporary
# folder, removed (after Wine's server is stopped) however the run ends.
cross: deps-cross
	@set -e; scratch=$$(mktemp -d -t regionkit-cross.XXXXXX); \
	export TMPDIR=$$scratch WINEPREFIX=$$scratch/wine; \
	trap 'tools/wine-run.sh --stop; rm -rf "$$scratch"' EXIT; \
	for t in $(CROSS_TARGETS); do \
	  name=$${t%%:*}; toolchain=$${t#*:}; dir=$(BUILD)/cross-$$name; \
	  echo "== $$name ($$toolchain)"; \
	  cmake -S . -B $$dir -DCMAKE_BUILD_TYPE=Release -DCMAKE_TOOLCHAIN_FILE=cmake/toolchains/$$toolchain.cmake; \
	  MAKELEVEL= cmake --build $$dir -j $(JOBS); \
	  ctest --test-dir $$dir --output-on-failure; \
	done

package: deps
	package/makePackage.sh $(BUILD)

clean:
	rm -rf $(BUILD)
