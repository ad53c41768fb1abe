# make run   builds the program alone, installs it on the device when the device has no
#            installation or an older one, and starts Slateway on its embedded defaults.
# make test  builds and runs every test, then again under AddressSanitizer and UBSan, and
#            the tests labelled threads once more under ThreadSanitizer.
JOBS ?= $(shell nproc)
BUILD ?= build
ASAN_BUILD ?= build-asan
TSAN_BUILD ?= build-tsan
CONFIGURE = cmake -S . -G Ninja

.PHONY: run test deps deps-test program build build-asan build-tsan clean

deps:
	@scripts/ensure-deps.sh

deps-test:
	@scripts/ensure-deps.sh --test

# A build folder is configured without the tests the first time, so neither their packages
# nor their build stand before the window; one that `make test` configured keeps them, and
# only the program's targets are built.
program: deps
	@[ -f $(BUILD)/build.ninja ] || $(CONFIGURE) -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	  -DSLATEWAY_TESTS=OFF -DSLATEWAY_BENCHMARKS=OFF
	cmake --build $(BUILD) -j $(JOBS) --target program

build: deps-test
	$(CONFIGURE) -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DSLATEWAY_TESTS=ON -DSLATEWAY_BENCHMARKS=ON
	cmake --build $(BUILD) -j $(JOBS)

build-asan: deps-test
	$(CONFIGURE) -B $(ASAN_BUILD) -DCMAKE_BUILD_TYPE=Debug -DSLATEWAY_SANITIZE=ON -DSLATEWAY_TESTS=ON \
	  -DSLATEWAY_BENCHMARKS=ON
	cmake --build $(ASAN_BUILD) -j $(JOBS)

# Only the binaries of the tests that run the product's threads (the target thread_tests),
# without the benchmarks: the third build stays small.
build-tsan: deps-test
	$(CONFIGURE) -B $(TSAN_BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DSLATEWAY_THREAD_SANITIZE=ON \
	  -DSLATEWAY_TESTS=ON -DSLATEWAY_BENCHMARKS=OFF
	cmake --build $(TSAN_BUILD) -j $(JOBS) --target thread_tests

run: program
	$(BUILD)/bin/slateway-install --update
	$(BUILD)/bin/Slateway

test: build build-asan build-tsan
	ctest --test-dir $(BUILD) --output-on-failure -j $(JOBS)
	ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1 \
	  ctest --test-dir $(ASAN_BUILD) --output-on-failure -j $(JOBS)
	ctest --test-dir $(TSAN_BUILD) -L threads --output-on-failure -j $(JOBS)

clean:
	rm -rf $(BUILD) $(ASAN_BUILD) $(TSAN_BUILD)
