# Thin wrapper around CMake: `make test`, `make demo`.
BUILD ?= build
JOBS ?= $(shell nproc)
CMAKE_FLAGS ?= -DCMAKE_BUILD_TYPE=RelWithDebInfo

.PHONY: all bootstrap configure build test demo sanitize fuzz format format-check ci clean

all: build

bootstrap:
	@scripts/bootstrap

configure: bootstrap
	@cmake -S . -B $(BUILD) $(CMAKE_FLAGS) >/dev/null

build: configure
	@cmake --build $(BUILD) -j $(JOBS)

test: build
	@cd $(BUILD) && ctest --output-on-failure -j $(JOBS)

# Vectorizes the bundled example drawing into out/: DXF (millimetres) and SVG with the scan underneath.
demo: build
	@mkdir -p out
	@$(BUILD)/vemora trace examples/drawing.png -o out/drawing.dxf --units mm
	@$(BUILD)/vemora trace examples/drawing.png -o out/drawing.svg --overlay

# The whole suite under AddressSanitizer and UndefinedBehaviorSanitizer.
sanitize:
	@$(MAKE) --no-print-directory test BUILD=build-asan CMAKE_FLAGS="-DCMAKE_BUILD_TYPE=Debug -DVEMORA_SANITIZE=ON"

# The libFuzzer targets (clang), built in build-fuzz. Run one with
#   build-fuzz/tests/fuzz/fuzz_<name> -max_total_time=300 tests/fuzz/corpus/<name>
fuzz:
	@FUZZ=1 scripts/bootstrap
	@cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++ \
		-DVEMORA_FUZZ=ON -DVEMORA_BUILD_TESTS=OFF -DVEMORA_BUILD_BENCH=OFF >/dev/null
	@cmake --build build-fuzz -j $(JOBS)

# Every tracked C++ file as .clang-format lays it out: `make format` rewrites, `make format-check`
# names the files that differ and fails.
FORMAT_FILES = $(shell git ls-files '*.cpp' '*.h')
format:
	@clang-format -i $(FORMAT_FILES)
format-check:
	@bad=$$(for f in $(FORMAT_FILES); do clang-format --dry-run -Werror $$f >/dev/null 2>&1 || echo $$f; done); \
	if [ -n "$$bad" ]; then echo "format-check: not formatted (make format):" $$bad >&2; exit 1; fi

# What CI runs: the layout check, the suite, and the suite again under the sanitizers (which also
# replays the fuzz corpora there).
ci: format-check test sanitize

clean:
	rm -rf $(BUILD) build-asan build-fuzz
