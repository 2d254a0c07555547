# The two commands of the README, and the sanitizer runs that CI adds.
.PHONY: deps build demo test test-native test-windows macos clang asan tsan bench clean

deps:
	@bash scripts/install-deps native

build: deps
	cmake --preset release
	cmake --build --preset release

demo: build
	@mkdir -p out
	./build/release/bin/prismora-render -o out/demo.png

test-native: build
	ctest --preset release

test-windows:
	@bash scripts/install-deps native windows
	cmake --preset windows
	cmake --build --preset windows
	ctest --preset windows

# The universal macOS bundle, cross-built with Zig and lld, checked and
# smoke-run in an emulator: build/macos/bin/Prismora.plugin.
macos:
	@bash scripts/install-deps macos
	cmake --preset macos
	cmake --build --preset macos
	ctest --preset macos

# The plug-in core compiled by clang as well, warnings as errors.
clang:
	@bash scripts/install-deps clang
	cmake --preset clang
	cmake --build --preset clang

test: test-native test-windows macos clang

asan: deps
	cmake --preset asan
	cmake --build --preset asan
	ctest --preset asan

tsan: deps
	cmake --preset tsan
	cmake --build --preset tsan
	ctest --preset tsan

bench: build
	@for b in build/release/bin/*_bench; do echo "== $$b"; $$b; done

clean:
	rm -rf build out
