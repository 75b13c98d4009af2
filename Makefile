# SPDX-License-Identifier: GPL-3.0-or-later
# Every target installs what is missing, configures and builds first.
#   make run    start the tool
#   make test   everything CI checks: strict build, GUI-less build, sanitizers, fuzz smoke
#   make bench  benchmarks (figures only, no time assertions; the endurance runs take minutes)
#   make demo   the window in a LAN-in-a-box with simulated devices
#   make demo-relay  the window and a remote site behind a router, through lanvaro-relay (root)
#   make package  the Debian package (build/lanvaro_VERSION_ARCH.deb)

BUILD      ?= build
JOBS       ?= $(shell nproc)
CMAKE_GEN  := -G Ninja
CTEST      := ctest --output-on-failure --timeout 600 -j $(JOBS)

.PHONY: all deps build run test test-main test-nogui test-asan test-fuzz test-package package bench demo demo-relay screenshot format clean

all: build

deps:
	@scripts/install-deps

$(BUILD)/build.ninja: | deps
	cmake -S . -B $(BUILD) $(CMAKE_GEN) -DCMAKE_BUILD_TYPE=RelWithDebInfo

build: deps $(BUILD)/build.ninja
	cmake --build $(BUILD) -j $(JOBS)

run: build
	$(BUILD)/bin/lanvaro

test: deps test-main test-nogui test-asan test-fuzz test-package
	@echo "make test: all stages passed"

test-main: deps
	cmake -S . -B build-ci $(CMAKE_GEN) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DLANVARO_WERROR=ON
	cmake --build build-ci -j $(JOBS)
	cd build-ci && $(CTEST) -LE 'fuzz|bench'

test-nogui: deps
	cmake -S . -B build-nogui $(CMAKE_GEN) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DLANVARO_WERROR=ON \
	  -DLANVARO_GUI=OFF -DLANVARO_BENCH=OFF
	cmake --build build-nogui -j $(JOBS)
	cd build-nogui && $(CTEST) -L unit

test-asan: deps
	cmake -S . -B build-asan $(CMAKE_GEN) -DCMAKE_BUILD_TYPE=Debug -DLANVARO_WERROR=ON \
	  -DLANVARO_SANITIZE=ON -DLANVARO_BENCH=OFF
	cmake --build build-asan -j $(JOBS)
	cd build-asan && ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 $(CTEST) -LE fuzz

test-fuzz: deps
	CC=clang CXX=clang++ cmake -S . -B build-fuzz $(CMAKE_GEN) -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	  -DLANVARO_WERROR=ON -DLANVARO_FUZZ=ON -DLANVARO_GUI=OFF -DLANVARO_BENCH=OFF
	cmake --build build-fuzz -j $(JOBS) --target lanvaro_fuzz_targets lanvaro-cli lanvaro-devsim lanvaro-relay
	cd build-fuzz && $(CTEST) -L fuzz

package: build
	cd $(BUILD) && cpack -G DEB

# Builds the package of the strict build, checks it with lintian, then
# installs, runs and removes it.
test-package: deps
	cmake -S . -B build-ci $(CMAKE_GEN) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DLANVARO_WERROR=ON
	cmake --build build-ci -j $(JOBS)
	rm -f build-ci/lanvaro_*.deb
	cd build-ci && cpack -G DEB
	scripts/package-round-trip build-ci/lanvaro_*.deb

bench: build
	cd $(BUILD) && ctest --output-on-failure -L bench -V

demo: build
	scripts/demo

demo-relay: build
	scripts/demo-relay

screenshot: build
	scripts/demo --screenshot docs/screenshot.png --dialogs docs

format:
	git ls-files '*.cpp' '*.h' | xargs clang-format -i

clean:
	rm -rf build build-ci build-nogui build-asan build-fuzz
