# SnapText: Windows builds with mingw-w64, run and tested under Wine.
.PHONY: all setup build build-win32 build-win64 run test bench dist clean

all: build

setup:
	@bash scripts/setup.sh

build-win32: setup
	@cmake --preset win32 >/dev/null
	@cmake --build --preset win32

build-win64: setup
	@cmake --preset win64 >/dev/null
	@cmake --build --preset win64

build: build-win32 build-win64

run: build
	@bash scripts/run.sh

test: build
	@bash scripts/test.sh

clean:
	rm -rf build/win32 build/win64 build/screenshots build/test-results

dist: build
	@bash scripts/dist.sh

bench: build
	@bash scripts/bench.sh
