# The user's entry: `make` builds into build/, `make test` runs every test,
# `make run` maps the bundled example. Each first installs what is missing.
# `make bench` compares quorvane-map with bowtie and razers3 (bench/README.md);
# `make bench BENCH_ARGS="--reads 10000"` is a quick run.
BUILD   ?= build
CMAKEFLAGS ?=
JOBS    ?= $(shell nproc)

.PHONY: all deps configure build test run bench clean

all: build

deps:
	@scripts/install-deps.sh

configure: deps
	@if [ ! -f $(BUILD)/build.ninja ]; then \
	  cmake -S . -B $(BUILD) -G Ninja $(CMAKEFLAGS); \
	fi

build: configure
	@cmake --build $(BUILD) -j $(JOBS)

test: build
	@cd $(BUILD) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j $(JOBS)

run: build
	@mkdir -p results
	./$(BUILD)/quorvane-map -g examples/lambda.txt -r examples/lambda_reads.txt -o results -m 2

bench: build
	@bench/run.sh $(BENCH_ARGS)

clean:
	rm -rf $(BUILD)
