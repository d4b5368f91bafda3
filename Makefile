# The project's public commands. `make test` and `make demo` set up a fresh Debian machine
# themselves (tools/install-deps.sh), so they are the only two commands a newcomer needs.
BUILD ?= build
JOBS ?= $(shell nproc)
CMAKE ?= cmake
TOOLCHAIN := $(CURDIR)/cmake/mingw-i686.cmake

.PHONY: all deps native asan tsan mingw exe test test-native test-asan test-tsan test-windows demo bench gallery clean

all: exe

deps:
	@tools/install-deps.sh

# Configure (once) and build one tree: $(call build,dir,cmake options)
define build
	$(CMAKE) -S . -B $(BUILD)/$(1) $(2) >/dev/null
	$(CMAKE) --build $(BUILD)/$(1) -j $(JOBS)
endef

native: deps
	$(call build,native,-DCMAKE_BUILD_TYPE=RelWithDebInfo)

asan: deps
	$(call build,asan,-DCMAKE_BUILD_TYPE=Debug -DVORNE_SANITIZE=address)

tsan: deps
	$(call build,tsan,-DCMAKE_BUILD_TYPE=Debug -DVORNE_SANITIZE=thread)

# The Windows tree, which the tests, the demo, the figures and the gallery use, pins the test-only
# signing keys of tests/e2e/test-keys/ (a failing key script stops the build rather than leaving
# the pins out).
mingw: deps
	pins=$$(tools/test-key-pins.sh) && $(CMAKE) -S . -B $(BUILD)/mingw \
	  -DCMAKE_TOOLCHAIN_FILE=$(TOOLCHAIN) -DCMAKE_BUILD_TYPE=Release \
	  -DVORNE_SIGNER_KEY_PINS="$$pins" >/dev/null
	$(CMAKE) --build $(BUILD)/mingw -j $(JOBS)

exe: mingw
	@mkdir -p out
	cp $(BUILD)/mingw/VorneSandboxSetup.exe out/VorneSandboxSetup.exe
	@echo "out/VorneSandboxSetup.exe: $$(stat -c %s out/VorneSandboxSetup.exe) bytes"

test-native: native
	cd $(BUILD)/native && ctest --output-on-failure -j $(JOBS)

test-asan: asan
	cd $(BUILD)/asan && ctest --output-on-failure -j $(JOBS)

test-tsan: tsan
	cd $(BUILD)/tsan && TSAN_OPTIONS=halt_on_error=1 ctest --output-on-failure -j $(JOBS)

# The Windows code under Wine: one prefix under $(BUILD), created on first use.
test-windows: exe
	cd $(BUILD)/mingw && ctest --output-on-failure

# The certificate-table parser under libFuzzer (clang, ASan+UBSan) for a bounded time, from the
# committed seeds and regressions. New inputs go to $(BUILD)/fuzz/corpus/, a crash to
# $(BUILD)/fuzz/crashes/ and fails the run.
FUZZ_SECONDS ?= 30
FUZZ_CXX ?= clang++
FUZZ_DIR = $(BUILD)/fuzz
FUZZ_INPUTS := tests/fuzz/certificate_table
FUZZ_SOURCES := tests/fuzz/certificate_table_fuzz.cpp pipeline/certificate_table.cpp
FUZZ_HEADERS := pipeline/certificate_table.h tests/pipeline/memory_file.h

.PHONY: test-fuzz
$(FUZZ_DIR)/certificate_table_fuzz: $(FUZZ_SOURCES) $(FUZZ_HEADERS) | deps
	@mkdir -p $(@D)
	$(FUZZ_CXX) -std=c++20 -O1 -g -Wall -Wextra -Werror -fsanitize=fuzzer,address,undefined \
	  -fno-sanitize-recover=all -I. $(FUZZ_SOURCES) -o $@

test-fuzz: $(FUZZ_DIR)/certificate_table_fuzz
	@test "$(FUZZ_SECONDS)" -ge 1 -a "$(FUZZ_SECONDS)" -le 60 || \
	  { echo "FUZZ_SECONDS must be 1 to 60"; exit 1; }
	@mkdir -p $(FUZZ_DIR)/corpus $(FUZZ_DIR)/crashes
	$(FUZZ_DIR)/certificate_table_fuzz -max_total_time=$(FUZZ_SECONDS) -timeout=10 \
	  -print_final_stats=1 -artifact_prefix=$(FUZZ_DIR)/crashes/ \
	  $(FUZZ_DIR)/corpus $(FUZZ_INPUTS)/seeds $(FUZZ_INPUTS)/regressions

test: test-native test-asan test-tsan test-windows test-fuzz
	@echo "make test: all suites passed"

demo: exe
	tools/demo.sh

# Figures, not tests, under Wine in network namespaces of their own (root, like the Wine network
# tests): size and start-up against a minimal window program, download throughput against curl,
# cancel latency, the time of one paint and the paints of a full-speed download.
bench: exe
	/usr/bin/python3 bench/run.py $(BUILD)/mingw
	/usr/bin/python3 bench/run_bench.py $(BUILD)/mingw
	/usr/bin/python3 bench/paint_bench.py $(BUILD)/mingw

# Every screen in every UI language under Wine, one contact sheet per screen in out/gallery/
# (needs root, like the end-to-end tests: the download host has a network namespace of its own).
gallery: exe
	VORNE_BUILD_DIR=$(CURDIR)/$(BUILD)/mingw /usr/bin/python3 tools/gallery.py

clean:
	rm -rf $(BUILD) out
