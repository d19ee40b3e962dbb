# The user's entry: `make` builds into build/, `make test` runs every test,
# `make run` maps the bundled example. `make run` and `make test`, the quick
# start, first install the Debian packages that are missing (`make deps`
# alone does just that); every other target only checks for them and names
# what is missing.
# `make install` installs into PREFIX (default /usr/local), below DESTDIR
# when given; `make deb` builds the Debian package build/quorvane_*.deb.
# `make bench` compares quorvane-map with bowtie and razers3 (bench/README.md);
# `make bench BENCH_ARGS="--reads 10000"` is a quick run.
# `make bench-guides` times the guide search against bowtie (bench/guides.py).
# `make bench-offtarget` times bulges and the sites past memory (bench/offtarget.py).
# `make bench-memory` checks the peak memory of a run with very many hits
# (bench/peak_memory.sh).
# `make fuzz` builds the libFuzzer targets with clang in build-fuzz/ and
# runs each for FUZZ_SECONDS seconds (fuzz/run.sh).
BUILD   ?= build
CMAKEFLAGS ?=
JOBS    ?= $(shell nproc)
PREFIX  ?= /usr/local
DESTDIR ?=
FUZZ_SECONDS ?= 30

.PHONY: all deps build-deps configure build test run bench bench-guides bench-offtarget install deb fuzz bench-memory clean

all: build

deps:
	@scripts/install-deps.sh

# Checks, or for the quick start installs, the build dependencies. The
# target-specific value holds for every prerequisite of run, test and
# bench (bench/run.sh installs its own tools too).
DEPS_MODE = --check
run test bench: DEPS_MODE =
build-deps:
	@scripts/install-deps.sh $(DEPS_MODE)

configure: build-deps
	@if [ ! -f $(BUILD)/build.ninja ]; then \
	  cmake -S . -B $(BUILD) -G Ninja $(CMAKEFLAGS); \
	fi

build: configure
	@cmake --build $(BUILD) -j $(JOBS)

test: build
	@cd $(BUILD) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j $(JOBS)

run: build
	@mkdir -p results
	./$(BUILD)/quorvane-map -g examples/lambda.fa.gz -r examples/lambda_reads.fq.gz -o results -m 2

bench: build
	@bench/run.sh $(BENCH_ARGS)

bench-guides: build
	@bench/guides.sh $(BENCH_ARGS)

bench-offtarget: build
	@bench/offtarget.sh $(BENCH_ARGS)

bench-memory: build
	@bench/peak_memory.sh $(BUILD)

fuzz:
	@scripts/install-deps.sh --check clang-14 libfuzzer-14-dev
	@JOBS=$(JOBS) fuzz/run.sh $(FUZZ_SECONDS)

install: build
	@DESTDIR="$(DESTDIR)" cmake --install $(BUILD) --prefix "$(PREFIX)"

deb: build
	@cd $(BUILD) && cpack -G DEB

clean:
	rm -rf $(BUILD)
