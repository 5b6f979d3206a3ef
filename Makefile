# make demo     builds the six plug-ins only, then runs the demo in octave-cli
#               (IMAGE=photo.jpg for your own image)
# make test     builds, then runs every suite: C++ (sanitized, with the golden calls),
#               Octave, buildMex.m, the self-test, the package, the demo, the check
#               for Octave-only syntax in the .m files MATLAB users run, and the
#               replay of every committed fuzz input with each allocation failing
#               in turn, and the bad calls in Octave: the same work on every run
# make golden   rewrites selftest/regionkitGolden.bin from this build (the expected
#               results of every function; only when they are meant to change)
# make bench    builds, then runs the benchmarks: kernels, side by side in Octave, and
#               the scaling sweep (plots and tables in $(BUILD)/bench)
# make package  writes the Octave package $(BUILD)/regionkit-<version>.tar.gz
# make cross    installs the cross toolchains, builds every C++ suite for Windows x64
#               (MinGW-w64, run under Wine) and arm64 Linux (run under qemu-user), and
#               runs them with the golden calls
# make test-install  installs the build into $(BUILD)/install-check and runs the
#               self-test from there alone (part of make test)
# make test-python  installs the Python package into $(BUILD)/python-target with
#               Debian's Python and runs its pytest suite, then the same suite on
#               the package the CMake build made, $(BUILD)/python, and on a wheel
#               made by python3 -m build (all part of make test; the checked
#               module, sanitized, runs in ctest)
# make bench-python  the Python package beside the usual Python choices, and the
#               dataset example at 1 and 2 workers (part of make bench)
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
PLUGINS := $(shell cmake -P cmake/plugins.cmake)
# Debian's Python, which sees Debian's numpy, scipy, pybind11 and pytest; the
# build makes the Python module for it.
PYTHON ?= /usr/bin/python3
CONFIGURE := cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=Release -DPython_EXECUTABLE=$(PYTHON)
PYTARGET := $(abspath $(BUILD)/python-target)
WHEELTARGET := $(abspath $(BUILD)/wheel-target)
PIPINSTALL := $(PYTHON) -m pip install --quiet --no-build-isolation --no-deps --no-index --upgrade \
	--root-user-action=ignore

.PHONY: all deps deps-cross cross build build-plugins test test-install test-package test-demo test-syntax test-python python demo bench bench-python package replay fuzz golden clean

all: build

deps:
	@tools/ensure-deps.sh

deps-cross:
	@tools/ensure-deps.sh cross

# MAKELEVEL= keeps the build's own make from announcing every folder it enters.
build: deps
	$(CONFIGURE)
	MAKELEVEL= cmake --build $(BUILD) -j $(JOBS)

# Only what the demo runs: the plug-ins for Octave, none of the test suites,
# sanitized builds or benchmarks (which take minutes on a small machine).
build-plugins: deps
	$(CONFIGURE)
	MAKELEVEL= cmake --build $(BUILD) -j $(JOBS) --target $(addsuffix _octave,$(PLUGINS))

# The Octave suites include the help texts and buildMex.m (tests/*Test.m).
test: build
	ctest --test-dir $(BUILD) --output-on-failure
	$(OCTAVE) tests/runOctaveTests.m $(MEXDIR)
	@$(MAKE) --no-print-directory test-syntax test-install test-package test-demo replay test-python

test-syntax:
	$(OCTAVE) --eval "addpath('tools'); exit(~isempty(checkMatlabSyntax()))"

# The package built and installed the way pip installs it, from this tree
# (pip runs the CMake build for the module alone).
python: deps
	$(PIPINSTALL) --target $(PYTARGET) .

# The pytest suite on each way the package is built: pip install, the CMake
# build (make build), and a wheel built from a source distribution by
# python3 -m build; each with its self-test first.
PYTEST := $(PYTHON) -m pytest -q -p no:cacheprovider .
SELFTEST := $(PYTHON) -c "import sys, regionkit as r; sys.exit(0 if (getattr(r, 'self_test', None) or r.selfTest)() else 1)"
test-python: python
	$(CONFIGURE)
	MAKELEVEL= cmake --build $(BUILD) -j $(JOBS) --target python_package
	cd python/tests && PYTHONPATH=$(PYTARGET) $(SELFTEST) && PYTHONPATH=$(PYTARGET) $(PYTEST)
	cd python/tests && PYTHONPATH=$(abspath $(BUILD)/python) $(SELFTEST) && PYTHONPATH=$(abspath $(BUILD)/python) $(PYTEST)
	rm -rf $(BUILD)/dist $(WHEELTARGET)
	$(PYTHON) -m build --no-isolation --outdir $(BUILD)/dist .
	$(PIPINSTALL) --target $(WHEELTARGET) $(BUILD)/dist/regionkit-*.whl
	cd python/tests && PYTHONPATH=$(WHEELTARGET) $(SELFTEST) && PYTHONPATH=$(WHEELTARGET) $(PYTEST)

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
	@bench/ensurePlotting.sh
	@echo "== bench/scalingSweep.m"
	$(OCTAVE) bench/scalingSweep.m $(MEXDIR) $(abspath $(BUILD))/bench
	@$(MAKE) --no-print-directory bench-python

bench-python: python
	@tools/ensure-deps.sh python-bench
	PYTHONPATH=$(PYTARGET) $(PYTHON) python/bench/bench.py --plot doc/python-bench.png
	PYTHONPATH=$(PYTARGET) $(PYTHON) python/examples/proposals_for_folder.py --synthetic 48 --workers 1 2 --dask

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
