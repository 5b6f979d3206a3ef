# make demo   builds, then runs the demo in octave-cli
# make test   builds, then runs every suite: C++ (sanitized) and Octave
# make bench  builds, then runs the benchmarks: kernels, and side by side in Octave
BUILD ?= build
MEXDIR := $(BUILD)/mex
OCTAVE := octave-cli --no-gui --norc --quiet
JOBS ?= 2

.PHONY: all deps build test test-cpp test-octave demo bench clean

all: build

deps:
	@tools/ensure-deps.sh

build: deps
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=Release
	cmake --build $(BUILD) -j $(JOBS)

test: build
	ctest --test-dir $(BUILD) --output-on-failure
	$(OCTAVE) tests/runOctaveTests.m $(MEXDIR)

demo: build
	$(OCTAVE) demo/regionkitDemo.m $(MEXDIR)

bench: build
	@for b in $(BUILD)/*/*_bench; do echo "== $$b"; $$b; done
	@for s in bench/*.m; do echo "== $$s"; $(OCTAVE) $$s $(MEXDIR); done

clean:
	rm -rf $(BUILD)
