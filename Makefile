# The two commands of the README: `make run` and `make test`.
BUILD ?= build
JOBS ?= $(shell nproc)
CMAKE_FLAGS ?=
XVFB = xvfb-run -a -s "-screen 0 1920x1080x24"

.PHONY: all deps configure build run test test-sanitize fuzz bench package clean

all: build

deps:
	@scripts/install-deps

configure: deps
	@cmake -S . -B $(BUILD) $(CMAKE_FLAGS) >/dev/null

build: configure
	@cmake --build $(BUILD) -j $(JOBS)

run: build
	@scripts/run-demo $(BUILD)

test: build
	@$(XVFB) ctest --test-dir $(BUILD) --output-on-failure -j $(JOBS) $(CTEST_FLAGS)

# The same suite built with AddressSanitizer and UndefinedBehaviorSanitizer,
# in a build folder of its own.
test-sanitize:
	@$(MAKE) --no-print-directory test BUILD=$(BUILD)-asan CMAKE_FLAGS="$(CMAKE_FLAGS) -DVANTERO_SANITIZE=ON"

# A Debian package of the installed program, in the build folder.
package: build
	@cd $(BUILD) && cpack -G DEB

# Every benchmark, each on an X server of its own; one table at the end.
bench: build
	@scripts/bench $(BUILD)

# Each fuzz target runs FUZZ_SECONDS (default 60).
fuzz: deps
	@scripts/fuzz $(or $(FUZZ_SECONDS),60)

clean:
	rm -rf $(BUILD)
