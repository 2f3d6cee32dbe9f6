# Two commands are all a new machine needs: `make run` and `make test`.
# Each installs what is missing (scripts/setup), builds, and then runs.

JOBS        ?= $(shell nproc)
RELEASE_DIR ?= build/release
TEST_DIR    ?= build/test
ARGS        ?=
PREFIX      ?= /usr/local

COVERAGE_DIR ?= build/coverage

.PHONY: run test bench fuzz coverage setup build-release build-test install package clean

setup:
	@bash scripts/setup

build-release: setup
	cmake -S . -B $(RELEASE_DIR) -DCMAKE_BUILD_TYPE=Release -DRINKFALL_TESTS=OFF
	cmake --build $(RELEASE_DIR) -j $(JOBS)

# The test build carries AddressSanitizer and UndefinedBehaviorSanitizer.
build-test: setup
	cmake -S . -B $(TEST_DIR) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DRINKFALL_SANITIZE=ON -DRINKFALL_BENCH=OFF
	cmake --build $(TEST_DIR) -j $(JOBS)

run: build-release
	bash scripts/run $(RELEASE_DIR) $(ARGS)

# The Release build installed under PREFIX: programs in bin/, the game's data in share/rinkfall/,
# the desktop entry, icons and AppStream entry where desktops look for them. DESTDIR stages it.
install: build-release
	cmake --install $(RELEASE_DIR) --prefix $(PREFIX)

# A Debian package of the Release build: $(RELEASE_DIR)/rinkfall_<version>_<arch>.deb.
package: build-release
	cd $(RELEASE_DIR) && cpack -G DEB

# OpenGL tests need an X display: one virtual server serves the whole run.
# Leak reports stay off, as in each test's own environment: the GL driver and Qt keep process-long
# allocations that would otherwise also fail the listing of test cases.
test: build-test
	cd $(TEST_DIR) && ASAN_OPTIONS=detect_leaks=0 xvfb-run -a -s "-screen 0 1280x1024x24" \
		ctest --output-on-failure -j $(JOBS)

# Line and branch coverage of the product code by the whole test suite: an HTML report in
# $(COVERAGE_DIR)/index.html, a summary line and the figures per folder.
coverage: setup
	cmake -S . -B $(COVERAGE_DIR) -DCMAKE_BUILD_TYPE=Debug -DRINKFALL_COVERAGE=ON -DRINKFALL_BENCH=OFF
	cmake --build $(COVERAGE_DIR) -j $(JOBS)
	bash scripts/coverage $(COVERAGE_DIR)

bench: build-release
	bash scripts/bench $(RELEASE_DIR)

# Every fuzz target for a short while (FUZZ_SECONDS each); fails on any finding and prints the
# command that reproduces it. Not part of `make test`. Needs clang and its runtime (scripts/setup).
FUZZ_SECONDS ?= 30
fuzz: setup
	bash scripts/fuzz all $(FUZZ_SECONDS)

clean:
	rm -rf build
