# Thin wrapper over CMake. Every target installs what is missing first.
#   make run    build and start the desktop program (headless demo without a display)
#   make test   build with AddressSanitizer + UBSan (benchmarks too, so they keep
#               compiling) and run every test through CTest
#   make bench  build optimised and run the benchmarks
#   make install    build optimised and install under PREFIX (default
#                   /usr/local; DESTDIR=/some/root stages it elsewhere)
#   make uninstall  remove what the last `make install` wrote
#   make package    build the Debian package build/cantora_VERSION_ARCH.deb
#   make windows       cross-build the Windows programs with MinGW-w64
#   make test-windows  run the Windows build's tests, its window and cantora-cli.exe
#                      under Wine (on a private Xvfb display)
#   make fuzz   build the parsers' libFuzzer targets with clang and run each
#               for SECONDS (default 60); TARGET=name runs only that one
#   make soak   the long runs: the soak tests for SOAK_SECONDS of audio
#               (default 36000, ten hours at fast pacing; the recording soak
#               runs to its one-hour limit from 3600 on)
BUILD      ?= build
TEST_BUILD ?= $(BUILD)/test
TSAN_BUILD ?= $(BUILD)/tsan
WIN_BUILD  ?= $(BUILD)/windows
FUZZ_BUILD ?= $(BUILD)/fuzz
SECONDS    ?= 60
TARGET     ?=
SOAK_SECONDS ?= 36000
JOBS       ?= $(shell nproc)
PREFIX     ?= /usr/local
# ccache (from install-deps) keeps rebuilds of unchanged files cheap
LAUNCHER    = $(if $(shell command -v ccache),-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)

.PHONY: all deps build run test test-tsan windows test-windows fuzz soak bench install uninstall package clean format

all: build

deps:
	@scripts/install-deps

RELEASE = cmake -S . -B $(BUILD) $(LAUNCHER) -DCMAKE_BUILD_TYPE=Release -DCANTORA_TESTS=OFF

build: deps
	@$(RELEASE) >/dev/null
	@cmake --build $(BUILD) -j $(JOBS)

run: build
	@if [ -n "$${DISPLAY:-}$${WAYLAND_DISPLAY:-}" ]; then \
	  exec $(BUILD)/bin/cantora; \
	else \
	  echo "No display (neither DISPLAY nor WAYLAND_DISPLAY is set): running the headless demo instead."; \
	  $(BUILD)/bin/cantora-demo $(BUILD)/demo; \
	fi

TEST_CONFIG = cmake -S . -B $(TEST_BUILD) $(LAUNCHER) -DCMAKE_BUILD_TYPE=Debug -DCANTORA_SANITIZE=address,undefined -DCANTORA_BENCH=ON >/dev/null
# Wine: on PATH, or where Debian's wine64 package puts it.
WINE        = $(or $(shell command -v wine64 || command -v wine),$(wildcard /usr/lib/wine/wine64))

test: deps
	@$(TEST_CONFIG)
	@cmake --build $(TEST_BUILD) -j $(JOBS)
	@cd $(TEST_BUILD) && ctest --output-on-failure -j $(JOBS)
	@$(MAKE) --no-print-directory test-tsan
	@if [ -n "$(WINE)" ]; then $(MAKE) --no-print-directory test-windows; \
	 else echo "Wine is not installed: the Windows build was not tested"; fi

# The host's threads run once more under ThreadSanitizer (tests labelled "tsan").
test-tsan: deps
	@cmake -S . -B $(TSAN_BUILD) $(LAUNCHER) -DCMAKE_BUILD_TYPE=Debug -DCANTORA_SANITIZE=thread -DCANTORA_BENCH=OFF >/dev/null
	@cmake --build $(TSAN_BUILD) -j $(JOBS) --target cantora_tsan_tests
	@cd $(TSAN_BUILD) && ctest --output-on-failure -j $(JOBS) -L tsan --no-tests=ignore

# The Windows programs (cantora.exe with its native window, cantora-cli.exe,
# the virtual device's COM DLL, the test programs), cross-built.
windows: deps
	@cmake -S . -B $(WIN_BUILD) $(LAUNCHER) -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake -DCMAKE_BUILD_TYPE=Release -DCANTORA_BENCH=OFF >/dev/null
	@cmake --build $(WIN_BUILD) -j $(JOBS)

# Under Wine, in a prefix inside the build tree; the Linux cantora-cli of the
# test build is the reference for the Windows one, and its Qt window for the
# Windows window's layout.
test-windows: windows
	@$(TEST_CONFIG)
	@cmake --build $(TEST_BUILD) -j $(JOBS) --target cantora-cli qt_win32_layout_match
	@JOBS=$(JOBS) scripts/test-windows $(WIN_BUILD) $(TEST_BUILD)/bin/cantora-cli

# Coverage-guided runs of the parsers (clang, libFuzzer, ASan and UBSan).
fuzz: deps
	@cmake -S . -B $(FUZZ_BUILD) $(LAUNCHER) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_C_COMPILER=clang \
	  -DCMAKE_CXX_COMPILER=clang++ -DCANTORA_FUZZ=ON -DCANTORA_SANITIZE=address,undefined \
	  -DCANTORA_TESTS=OFF -DCANTORA_BENCH=OFF >/dev/null
	@cmake --build $(FUZZ_BUILD) -j $(JOBS) --target $(if $(TARGET),fuzz-$(TARGET),fuzz_targets) >/dev/null
	@tests/fuzz/run_fuzz.sh $(FUZZ_BUILD) $(SECONDS) $(TARGET)

# The soaks of `make test`, run for hours' worth of audio instead of seconds:
# the host's, the program's (a recording to the one-hour limit, play and loop
# with random clicks) and the JACK server killed under the program.
SOAK_TESTS = host_soak_test app_soak_test app_transport_jack_test
soak: deps
	@$(TEST_CONFIG)
	@cmake --build $(TEST_BUILD) -j $(JOBS) --target soak_tests
	@cd $(TEST_BUILD)/tests && for t in $(SOAK_TESTS); do \
	  [ -x "$$t" ] || { echo "$$t was not built (no JACK?): skipped"; continue; }; \
	  echo "== $$t"; \
	  CANTORA_SOAK_SECONDS=$(SOAK_SECONDS) \
	  LSAN_OPTIONS=suppressions=$(CURDIR)/tests/support/lsan.supp:print_suppressions=0 \
	  UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 ./$$t || exit 1; \
	done

bench: build
	@set -e; for b in $(BUILD)/bin/bench/*; do [ -x "$$b" ] || continue; echo "== $$(basename $$b)"; "$$b"; done

install: deps
	@$(RELEASE) -DCMAKE_INSTALL_PREFIX=$(PREFIX) >/dev/null
	@cmake --build $(BUILD) -j $(JOBS)
	@DESTDIR="$(DESTDIR)" cmake --install $(BUILD)

uninstall:
	@DESTDIR="$(DESTDIR)" cmake --build $(BUILD) --target uninstall

# A Debian package installs under /usr.
package: deps
	@$(RELEASE) -DCMAKE_INSTALL_PREFIX=/usr >/dev/null
	@cmake --build $(BUILD) -j $(JOBS)
	@cd $(BUILD) && cpack -G DEB

format:
	@git ls-files '*.cpp' '*.h' | xargs -r clang-format -i

clean:
	rm -rf $(BUILD)
