# Everyday commands. Each installs what is missing, configures and builds.
BUILD_DIR ?= build
JOBS ?= 2
CMAKE_FLAGS ?=
# How many inputs make fuzz gives each fuzzer (empty: no count), and for
# how many seconds at most (0: no time limit; ten minutes unless a count is
# given). FUZZERS="TaskFile MakePlan" runs only those.
FUZZ_RUNS ?=
FUZZ_SECONDS ?= $(if $(FUZZ_RUNS),0,600)
FUZZERS ?=
DEMO_TASK ?= examples/cabinet.tsk

.PHONY: all deps configure build demo test bench quality fuzz clean

all: build

deps:
	scripts/install-deps

configure: deps
	cmake -S . -B $(BUILD_DIR) -G Ninja $(CMAKE_FLAGS)

build: configure
	cmake --build $(BUILD_DIR) -j $(JOBS)

# The main job on a bundled example: compute its job plan, summarise it and
# print it into a PDF. Builds only the command-line tool and what it links.
demo: configure
	cmake --build $(BUILD_DIR) -j $(JOBS) --target tavikplan
	$(BUILD_DIR)/cli/tavikplan show $(DEMO_TASK)
	$(BUILD_DIR)/cli/tavikplan compute $(DEMO_TASK) -o $(BUILD_DIR)/demo-plan.tsk; \
	  status=$$?; [ $$status -eq 0 ] || [ $$status -eq 3 ] || exit $$status
	$(BUILD_DIR)/cli/tavikplan print $(BUILD_DIR)/demo-plan.tsk -o $(BUILD_DIR)/demo-plan.pdf
	@echo "demo: the computed task is in $(BUILD_DIR)/demo-plan.tsk"
	@echo "demo: its printed job plan is in $(BUILD_DIR)/demo-plan.pdf"

test: build
	cd $(BUILD_DIR) && QT_QPA_PLATFORM=offscreen ctest -j $(JOBS) --output-on-failure

bench: deps
	cmake -S . -B $(BUILD_DIR)-bench -G Ninja -DCMAKE_BUILD_TYPE=Release \
	  -DTAVIK_BUILD_BENCHMARKS=ON -DTAVIK_BUILD_TESTS=OFF -DTAVIK_BUILD_GUI=ON $(CMAKE_FLAGS)
	cmake --build $(BUILD_DIR)-bench -j $(JOBS)
	$(BUILD_DIR)-bench/bench/tavik_bench
	QT_QPA_PLATFORM=offscreen $(BUILD_DIR)-bench/bench/tavik_gui_bench

# Plan quality of the optimiser at its default effort on bench/quality,
# against the reference figures; never part of make test.
quality: deps
	cmake -S . -B $(BUILD_DIR)-bench -G Ninja -DCMAKE_BUILD_TYPE=Release \
	  -DTAVIK_BUILD_BENCHMARKS=ON -DTAVIK_BUILD_TESTS=OFF -DTAVIK_BUILD_GUI=ON $(CMAKE_FLAGS)
	cmake --build $(BUILD_DIR)-bench -j $(JOBS) --target tavik_quality
	$(BUILD_DIR)-bench/bench/tavik_quality

# The fuzzers, built with clang and the sanitizers in a folder of their own,
# then each run for FUZZ_SECONDS or FUZZ_RUNS inputs.
fuzz: deps
	cmake -S . -B $(BUILD_DIR)-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	  -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
	  -DTAVIK_BUILD_GUI=OFF -DTAVIK_BUILD_TESTS=OFF -DTAVIK_BUILD_FUZZERS=ON $(CMAKE_FLAGS)
	cmake --build $(BUILD_DIR)-fuzz -j $(JOBS)
	FUZZERS="$(FUZZERS)" scripts/run-fuzzers $(BUILD_DIR)-fuzz $(FUZZ_SECONDS) $(FUZZ_RUNS)

clean:
	rm -rf $(BUILD_DIR) $(BUILD_DIR)-bench $(BUILD_DIR)-asan $(BUILD_DIR)-ci $(BUILD_DIR)-fuzz $(BUILD_DIR)-tsan
