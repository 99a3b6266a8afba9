# The two commands of the README: `make demo` (the main job) and `make test`.
BUILD_DIR ?= build

.PHONY: all deps build test install demo bench clean

all: build

deps:
	@tools/install-deps.sh

build: deps
	@cmake -S . -B $(BUILD_DIR) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo > /dev/null
	@cmake --build $(BUILD_DIR)

test: build
	@ctest --test-dir $(BUILD_DIR) --output-on-failure

install: build
	@tools/install-user.sh $(BUILD_DIR)

demo: install
	@tools/render-demo.sh $(BUILD_DIR) out/demo

bench: build
	@tools/run-benchmarks.sh $(BUILD_DIR)

clean:
	rm -rf $(BUILD_DIR) out
