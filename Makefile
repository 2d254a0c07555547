# The two commands of the README, and the sanitizer runs that CI adds.
.PHONY: deps build demo test test-native test-windows asan tsan fuzz bench clean

deps:
	@bash scripts/install-deps

build: deps
	cmake --preset release
	cmake --build --preset release

demo: build
	@mkdir -p out
	./build/release/bin/prismora-render -o out/demo.png

test-native: build
	ctest --preset release

test-windows: deps
	cmake --preset windows
	cmake --build --preset windows
	ctest --preset windows

test: test-native test-windows

asan: deps
	cmake --preset asan
	cmake --build --preset asan
	ctest --preset asan

tsan: deps
	cmake --preset tsan
	cmake --build --preset tsan
	ctest --preset tsan

# libFuzzer targets under ASan and UBSan, about a minute each.
fuzz: deps
	cmake --preset fuzz
	cmake --build --preset fuzz
	fuzz/run-fuzzers 60

bench: build
	@for b in build/release/bin/*_bench; do echo "== $$b"; $$b; done

clean:
	rm -rf build out
