# Linkwright: both builds, the tests, the demo.
# `make` builds the native and the Windows build; `make test` runs every
# test tier; `make run` shows the wizard in a demo Wine prefix.

JOBS ?= $(shell nproc)
FUZZ_SECONDS ?= 60
# Wine tests run this many at a time: each has its own prefix and display,
# and two keep both cores of the build machines busy.
WINE_JOBS ?= 2
DEPS := scripts/install-deps.sh
CMAKE_NATIVE := cmake -S . -B build/native -DCMAKE_BUILD_TYPE=RelWithDebInfo
CMAKE_ASAN := cmake -S . -B build/asan -DCMAKE_BUILD_TYPE=Debug -DLW_SANITIZE=ON
CMAKE_WIN32 := cmake -S . -B build/win32 -DCMAKE_BUILD_TYPE=Release \
	-DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-i686.cmake
# ON where the emulated 32-bit Wine tier runs. Expanded in test-win32's
# recipe, not here: the check makes the tier's tree on first use, and says
# once why when the tier cannot run.
WINE32_TIER = $$(bash scripts/wine32-check.sh >&2 && echo ON || echo OFF)
CMAKE_WIN64 := cmake -S . -B build/win64 -DCMAKE_BUILD_TYPE=Release \
	-DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake
CMAKE_FUZZ := cmake -S . -B build/fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DLW_FUZZ=ON \
	-DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++

.PHONY: all deps native asan windows win32 win64 fuzz-build test test-native test-asan \
	test-windows test-win32 test-win64 dist dist-check format format-check \
	fuzz fuzz-short bench run clean

all: native windows

# $(call configure_and_build,CMAKE COMMAND,FOLDER): one build folder.
define configure_and_build
	@$(1) >/dev/null
	@cmake --build build/$(2) -j $(JOBS) -- --no-print-directory
endef

deps:
	@bash $(DEPS)

native: deps
	$(call configure_and_build,$(CMAKE_NATIVE),native)

asan: deps
	$(call configure_and_build,$(CMAKE_ASAN),asan)

windows: win32 win64

# The 32-bit program carries the image hash of the 64-bit one it hands
# over to, so the 64-bit build comes first.
win32: deps win64
	$(call configure_and_build,$(CMAKE_WIN32),win32)

win64: deps
	$(call configure_and_build,$(CMAKE_WIN64),win64)

fuzz-build: deps
	$(call configure_and_build,$(CMAKE_FUZZ),fuzz)

test-native: native
	cd build/native && ctest -j $(JOBS) --output-on-failure

test-asan: asan
	cd build/asan && ctest -j $(JOBS) --output-on-failure

test-windows: test-win32 test-win64

# The 32-bit build's hand-over scenario runs the 64-bit build's program.
# E2E32=all runs every scenario on the 32-bit program, not one of each kind.
# A test that fails runs once more: under the emulator a guest process
# sometimes crashes (see the README's 32-bit tier).
test-win32: deps win64
	$(call configure_and_build,$(CMAKE_WIN32) -DLW_WINE_TESTS=$(WINE32_TIER) \
		-DLW_E2E32_ALL=$(if $(filter all,$(E2E32)),ON,OFF),win32)
	cd build/win32 && ctest -j $(WINE_JOBS) --output-on-failure --repeat until-pass:2

test-win64: win64
	cd build/win64 && ctest -j $(WINE_JOBS) --output-on-failure

fuzz: fuzz-build
	bash scripts/fuzz.sh $(FUZZ_SECONDS)

fuzz-short: fuzz-build
	bash scripts/fuzz.sh 30

test: format-check test-native test-asan test-windows fuzz-short dist-check

# The C++ sources in the repository's .clang-format style.
SOURCES = $(shell git ls-files '*.cpp' '*.h')

format:
	@clang-format -i $(SOURCES)

format-check: deps
	@clang-format --dry-run -Werror $(SOURCES)

dist: deps
	bash scripts/dist.sh

dist-check: deps
	bash scripts/dist-check.sh

bench: native
	bash scripts/bench.sh

run: native windows
	bash scripts/demo.sh

clean:
	rm -rf build
