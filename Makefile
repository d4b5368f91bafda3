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

mingw: deps
	$(call build,mingw,-DCMAKE_TOOLCHAIN_FILE=$(TOOLCHAIN) -DCMAKE_BUILD_TYPE=Release)

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

test: test-native test-asan test-tsan test-windows
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
