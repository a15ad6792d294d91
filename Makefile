# Linkwright: both builds, the tests, the demo.
# `make` builds the native and the Windows build; `make test` runs every
# test tier; `make run` shows the wizard in a demo Wine prefix.

JOBS ?= $(shell nproc)
FUZZ_SECONDS ?= 60
DEPS := scripts/install-deps.sh
CMAKE_NATIVE := cmake -S . -B build/native -DCMAKE_BUILD_TYPE=RelWithDebInfo
CMAKE_ASAN := cmake -S . -B build/asan -DCMAKE_BUILD_TYPE=Debug -DLW_SANITIZE=ON
CMAKE_WINDOWS := cmake -S . -B build/windows -DCMAKE_BUILD_TYPE=Release \
	-DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake
CMAKE_FUZZ := cmake -S . -B build/fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DLW_FUZZ=ON \
	-DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++

.PHONY: all deps native asan windows fuzz-build test test-native test-asan test-windows \
	fuzz fuzz-short bench run clean

all: native windows

deps:
	@bash $(DEPS)

native: deps
	@$(CMAKE_NATIVE) >/dev/null
	@cmake --build build/native -j $(JOBS) -- --no-print-directory

asan: deps
	@$(CMAKE_ASAN) >/dev/null
	@cmake --build build/asan -j $(JOBS) -- --no-print-directory

windows: deps
	@$(CMAKE_WINDOWS) >/dev/null
	@cmake --build build/windows -j $(JOBS) -- --no-print-directory

fuzz-build: deps
	@$(CMAKE_FUZZ) >/dev/null
	@cmake --build build/fuzz -j $(JOBS) -- --no-print-directory

test-native: native
	cd build/native && ctest -j $(JOBS) --output-on-failure

test-asan: asan
	cd build/asan && ctest -j $(JOBS) --output-on-failure

test-windows: windows
	cd build/windows && ctest -j $(JOBS) --output-on-failure

fuzz: fuzz-build
	bash scripts/fuzz.sh $(FUZZ_SECONDS)

fuzz-short: fuzz-build
	bash scripts/fuzz.sh 30

test: test-native test-asan test-windows fuzz-short

bench: native
	bash scripts/bench.sh

run: native windows
	bash scripts/demo.sh

clean:
	rm -rf build
