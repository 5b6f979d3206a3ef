# make demo     builds, then runs the demo in octave-cli (IMAGE=photo.jpg for your own image)
# make test     builds, then runs every suite: C++ (sanitized), Octave, buildMex.m,
#               the Octave package, and the demo
# make bench    builds, then runs the benchmarks: kernels, and side by side in Octave
# make package  writes the Octave package $(BUILD)/regionkit-<version>.tar.gz
# make cross    installs the cross toolchains, builds every C++ suite for Windows x64
#               (MinGW-w64, run under Wine) and arm64 Linux (run under qemu-user), and
#               runs them with the golden calls
# make fuzz     fuzzes every plug-in for FUZZ_SECONDS each, replays every input with
#               each allocation failing in turn, and runs the bad calls in Octave
BUILD ?= build
MEXDIR := $(BUILD)/mex
OCTAVE := octave-cli --no-gui --norc --quiet
JOBS ?= 2
IMAGE ?=
VERSION := $(shell sed -n '/^project/s/.*VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
PACKAGE := $(BUILD)/regionkit-$(VERSION).tar.gz
FUZZ_SECONDS ?= 30

.PHONY: all deps deps-cross cross build test test-package test-demo demo bench package fuzz clean

all: build

deps:
	@tools/ensure-deps.sh

deps-cross:
	@tools/ensure-deps.sh cross

build: deps
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=Release
	cmake --build $(BUILD) -j $(JOBS)

# The Octave suites include the help texts and buildMex.m (tests/*Test.m).
test: build
	ctest --test-dir $(BUILD) --output-on-failure
	$(OCTAVE) tests/runOctaveTests.m $(MEXDIR)
	@$(MAKE) --no-print-directory test-package test-demo fuzz

test-package: package
	$(OCTAVE) tests/packageCheck.m $(PACKAGE)

test-demo: build
	rm -f $(BUILD)/demoCheck.png
	$(OCTAVE) demo/regionkitDemo.m $(MEXDIR) $(BUILD)/demoCheck.png
	test -s $(BUILD)/demoCheck.png

demo: build
	$(OCTAVE) demo/regionkitDemo.m $(MEXDIR) $(BUILD)/regionkitDemo.png $(IMAGE)

bench: build
	@for b in $(BUILD)/*/*_bench; do echo "== $$b"; $$b; done
	@for s in bench/*Bench.m; do echo "== $$s"; $(OCTAVE) $$s $(MEXDIR); done

fuzz: build
	nice -n 10 fuzz/run.sh --build $(BUILD)/fuzz --seconds $(FUZZ_SECONDS) --mex $(MEXDIR) --keep $(BUILD)/fuzz-findings

# Each cross build gets its own folder; ctest runs its programs through the
# emulator its toolchain file names.
CROSS_TARGETS := windows:mingw-w64-x86_64 arm64:aarch64-linux-gnu
cross: deps-cross
	@set -e; for t in $(CROSS_TARGETS); do \
	  name=$${t%%:*}; toolchain=$${t#*:}; dir=$(BUILD)/cross-$$name; \
	  echo "== $$name ($$toolchain)"; \
	  cmake -S . -B $$dir -DCMAKE_BUILD_TYPE=Release -DCMAKE_TOOLCHAIN_FILE=cmake/toolchains/$$toolchain.cmake; \
	  cmake --build $$dir -j $(JOBS); \
	  ctest --test-dir $$dir --output-on-failure; \
	done

package: deps
	package/makePackage.sh $(BUILD)

clean:
	rm -rf $(BUILD)
