# Thin wrapper around CMake so a fresh machine needs two commands: `make demo` and `make test`.
# Only demo and test install what is missing (scripts/install-deps.sh); build and check use
# what the machine has.
BUILD ?= build
JOBS ?= 2
SANITIZE ?= 0
# Warnings stop the build only where asked (make test sets WERROR=ON).
WERROR ?= OFF
# ON or OFF builds the suite or not (it needs GoogleTest); empty keeps the folder's choice.
TESTING ?=
cmake_args = -DPELM_WERROR=$(WERROR) $(if $(TESTING),-DBUILD_TESTING=$(TESTING)) $(CMAKE_FLAGS)

# The sanitized build is one clang build for the sanitized suite and the fuzz targets.
ifeq ($(SANITIZE),1)
BUILD := build-sanitize
cmake_args += -DPELM_FUZZ=ON -DCMAKE_CXX_COMPILER=clang++
endif

.PHONY: all deps configure build test check demo clean lint bench bench-dfs bench-stack bench-period manual \
        fuzz-build fuzz-smoke fuzz fortran-reference

all: build

deps:
	@scripts/install-deps.sh build test

configure:
	@cmake -S . -B $(BUILD) $(cmake_args) >/dev/null

build: configure
	@cmake --build $(BUILD) -j $(JOBS)

# check: the suite of this build. test: the suite, then the same suite built with clang,
# AddressSanitizer and UndefinedBehaviorSanitizer, then a fixed set of inputs of each fuzz target (built
# in the same sanitized folder).
check: TESTING = ON
check: build
	@cd $(BUILD) && ctest --output-on-failure -j $(JOBS)

test:
	@scripts/install-deps.sh build test
	@$(MAKE) --no-print-directory check WERROR=ON
	@$(MAKE) --no-print-directory check SANITIZE=1 WERROR=ON
	@$(MAKE) --no-print-directory fuzz-smoke WERROR=ON

# The demo builds only the program and the night generator (no test suite, no GoogleTest).
demo: TESTING = OFF
demo:
	@scripts/install-deps.sh build
	@cmake -S . -B $(BUILD) $(cmake_args) >/dev/null
	@cmake --build $(BUILD) -j $(JOBS) --target pelm simnight
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

# libFuzzer targets of tests/fuzz, built with clang in the sanitized build folder.
FUZZ_BUILD ?= build-sanitize
FUZZ_SECONDS ?= 600
fuzz-build:
	@cmake -S . -B $(FUZZ_BUILD) -DPELM_WERROR=$(WERROR) -DPELM_FUZZ=ON -DCMAKE_CXX_COMPILER=clang++ >/dev/null
	@cmake --build $(FUZZ_BUILD) -j $(JOBS) --target pelm_fuzz_targets

fuzz-smoke: fuzz-build
	@scripts/fuzz.sh $(FUZZ_BUILD) smoke

fuzz: fuzz-build
	@scripts/fuzz.sh $(FUZZ_BUILD) $(FUZZ_SECONDS)

# Regenerates tests/textio/fortran_reference.txt with gfortran (installed for this alone).
fortran-reference:
	@scripts/install-deps.sh fortran
	@tests/textio/make_fortran_reference.sh

clean:
	rm -rf build build-sanitize build-fuzz
