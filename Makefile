# Thin wrapper around CMake so a fresh machine needs two commands: `make demo` and `make test`.
BUILD ?= build
JOBS ?= 2
SANITIZE ?= 0

ifeq ($(SANITIZE),1)
BUILD := build-sanitize
CMAKE_FLAGS += -DPELM_SANITIZE=ON
endif

.PHONY: all deps configure build test check demo clean lint bench bench-dfs bench-stack bench-period manual

all: build

deps:
	@scripts/install-deps.sh

configure: deps
	@cmake -S . -B $(BUILD) $(CMAKE_FLAGS) >/dev/null

build: configure
	@cmake --build $(BUILD) -j $(JOBS)

# check: the suite of this build. test: the suite, then the same suite built with
# AddressSanitizer and UndefinedBehaviorSanitizer, then 20 seconds of each fuzz target.
check: build
	@cd $(BUILD) && ctest --output-on-failure -j $(JOBS)

ifeq ($(SANITIZE),1)
test: check
else
test: check
	@$(MAKE) --no-print-directory check SANITIZE=1
	@$(MAKE) --no-print-directory fuzz-smoke
endif

demo: build
	@scripts/demo.sh $(BUILD)

# pelm beside the peers an observer would use instead, on one generated night; writes
# bench/RESULTS.md.
bench: build
	@scripts/install-bench-deps.sh
	@/usr/bin/python3 bench/side_by_side.py --build $(BUILD)

bench-dfs: build
	@$(BUILD)/bench_dfs_bench

bench-stack: build
	@$(BUILD)/bench_stack_bench

bench-period: build
	@$(BUILD)/bench_period_bench

# Regenerates the command reference of docs/manual.md from the command table's help text.
manual: build
	@$(BUILD)/manualref docs/manual.md

lint:
	@scripts/lint.sh

# libFuzzer targets of tests/fuzz, built with clang in their own folder.
FUZZ_BUILD ?= build-fuzz
FUZZ_SECONDS ?= 600
fuzz-build:
	@scripts/install-fuzz-deps.sh
	@cmake -S . -B $(FUZZ_BUILD) -DPELM_FUZZ=ON -DCMAKE_CXX_COMPILER=clang++ >/dev/null
	@cmake --build $(FUZZ_BUILD) -j $(JOBS)

fuzz-smoke: fuzz-build
	@scripts/fuzz.sh $(FUZZ_BUILD) 20

fuzz: fuzz-build
	@scripts/fuzz.sh $(FUZZ_BUILD) $(FUZZ_SECONDS)

clean:
	rm -rf build build-sanitize build-fuzz
